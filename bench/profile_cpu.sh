#!/usr/bin/env bash
# CPU cost of the default profile while it plays: the player with the
# default profile and the bare player (--no-component) play the demo music
# side by side, and the CPU time (user + system) each process spends over the
# same steady stretch is read from /proc, leaving out start-up.
#   bash bench/profile_cpu.sh [SECONDS [PROFILE]]   (20 s, profiles/default)
# Needs the test build (build/tests, which also makes the demo music).
set -euo pipefail
cd "$(dirname "$0")/.."
secs=${1:-20}
profile=${2:-profiles/default}
exe=build/tests/corvina500.exe
demo=build/tests/demo
[ -f "$exe" ] && [ -d "$demo" ] || { echo "build the tests preset first" >&2; exit 1; }
export WINEPREFIX=${WINEPREFIX:-$PWD/build/tests/wineprefix}
scripts/wine-prefix.sh "$WINEPREFIX" >/dev/null

echo "load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Each run gets its own copy of the profile: the player saves into it.
cp -r "$profile" "$work/skin"
mkdir "$work/bare"
hz=$(getconf CLK_TCK)
settle=4

scripts/with-display.sh bash -c '
  set -e
  work=$1 exe=$2 demo=$3 secs=$4 settle=$5 hz=$6
  w() { winepath -w "$1"; }
  life=$(( (settle + secs + 3) * 1000 ))
  wine "$exe" --profile "$(w "$work/skin")" --add "$(w "$demo")" --play \
    --output-file "$(w "$work/skin.wav")" --exit-after $life >/dev/null 2>&1 &
  wine "$exe" --no-component --profile "$(w "$work/bare")" --add "$(w "$demo")" --play \
    --output-file "$(w "$work/bare.wav")" --exit-after $life >/dev/null 2>&1 &
  sleep "$settle"
  # The Windows process is the one whose command line names its profile.
  pid_of() {
    local p
    for p in $(pgrep -f -- "$(w "$work/$1" | sed "s/\\\\/\\\\\\\\/g")"); do
      [ "$(cat /proc/$p/comm 2>/dev/null)" = corvina500.exe ] && { echo "$p"; return; }
    done
  }
  ticks() { awk "{print \$14 + \$15}" "/proc/$1/stat"; }
  skin=$(pid_of skin) bare=$(pid_of bare)
  [ -n "$skin" ] && [ -n "$bare" ] || { echo "a player did not start" >&2; exit 1; }
  s0=$(ticks "$skin") b0=$(ticks "$bare")
  sleep "$secs"
  s1=$(ticks "$skin") b1=$(ticks "$bare")
  wait
  ds=$((s1 - s0)) db=$((b1 - b0))
  awk -v ds=$ds -v db=$db -v hz=$hz -v secs=$secs "BEGIN {
    printf \"default profile: %d ticks, %.2f %% of a core\n\", ds, 100 * ds / hz / secs
    printf \"bare player:     %d ticks, %.2f %% of a core\n\", db, 100 * db / hz / secs
    if (db > 0) printf \"ratio: %.1f\n\", ds / db
  }"
' profile_cpu "$work" "$exe" "$demo" "$secs" "$settle" "$hz"
