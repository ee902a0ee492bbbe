#!/usr/bin/env bash
# CPU cost of the default profile while it plays: the player with the
# default profile and the bare player (--no-component) play the demo music
# side by side, and the time on the processor each process spends over the
# same steady stretch is read from /proc, leaving out start-up. Each round
# starts both anew (which one first alternates); the ratio's min and median
# over the rounds are the figures to compare.
#   bash bench/profile_cpu.sh [SECONDS [PROFILE [ROUNDS]]]   (20 s, profiles/default, 5)
# Needs the test build (build/tests, which also makes the demo music).
set -euo pipefail
cd "$(dirname "$0")/.."
secs=${1:-20}
profile=${2:-profiles/default}
rounds=${3:-5}
source bench/players_lib.sh
players_setup
settle=4

scripts/with-display.sh bash -c '
  set -e
  work=$1 exe=$2 demo=$3 secs=$4 settle=$5 profile=$6 rounds=$7
  source bench/players_lib.sh
  life=$(( (settle + secs + 3) * 1000 ))
  start() {
    if [ "$1" = skin ]; then
      wine "$exe" --profile "$(w "$run/skin")" --add "$(w "$demo")" --play \
        --output-file "$(w "$run/skin.wav")" --exit-after $life >/dev/null 2>&1 &
    else
      wine "$exe" --no-component --profile "$(w "$run/bare")" --add "$(w "$demo")" --play \
        --output-file "$(w "$run/bare.wav")" --exit-after $life >/dev/null 2>&1 &
    fi
  }
  # Time on the processor, from the scheduler (nanoseconds; /proc/<pid>/stat
  # counts whole ticks of 10 ms, a tenth of what a round measures): each
  # thread of the process and its time so far, then the microseconds the
  # threads spent between two such lists (a thread that ended between them
  # takes none of its earlier time with it).
  threads() {
    local t v
    for t in /proc/$1/task/*; do
      v=$(cut -d" " -f1 "$t/schedstat" 2>/dev/null) && [ -n "$v" ] && echo "${t##*/} $v"
    done
    return 0
  }
  spent_us() {
    awk "NR == FNR { before[\$1] = \$2; next } { s += \$2 - before[\$1] }
      END { printf \"%d\", s / 1000 }" "$1" "$2"
  }
  printf "%5s %26s %26s %6s\n" round "default profile" "bare player" ratio
  ratios=()
  for ((r = 1; r <= rounds; r++)); do
    # Each run gets its own copy of the profile: the player saves into it.
    run=$work/$r
    mkdir -p "$run/bare"
    cp -r "$profile" "$run/skin"
    if ((r % 2)); then start skin; start bare; else start bare; start skin; fi
    sleep "$settle"
    skin=$(pid_of "$run/skin") bare=$(pid_of "$run/bare")
    [ -n "$skin" ] && [ -n "$bare" ] || { echo "a player did not start" >&2; exit 1; }
    threads "$skin" >"$run/skin.0"; threads "$bare" >"$run/bare.0"
    sleep "$secs"
    threads "$skin" >"$run/skin.1"; threads "$bare" >"$run/bare.1"
    wait
    ds=$(spent_us "$run/skin.0" "$run/skin.1") db=$(spent_us "$run/bare.0" "$run/bare.1")
    ratio=$(awk -v ds=$ds -v db=$db "BEGIN {if (db > 0) printf \"%.2f\", ds / db; else print \"-\"}")
    [ "$ratio" = - ] || ratios+=("$ratio")
    awk -v r=$r -v ds=$ds -v db=$db -v secs=$secs -v ratio=$ratio "BEGIN {
      printf \"%5d %9.1f ms (%5.2f %%) %9.1f ms (%5.2f %%) %6s\n\",
        r, ds / 1000, ds / 10000 / secs, db / 1000, db / 10000 / secs, ratio
    }"
  done
  ((${#ratios[@]})) || { echo "the bare player spent no time" >&2; exit 1; }
  printf "%s\n" "${ratios[@]}" | sort -n | awk "{ v[NR] = \$1 }
    END { printf \"ratio over %d rounds: min %.2f, median %.2f\n\", NR, v[1],
      NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }"
' profile_cpu "$work" "$exe" "$demo" "$secs" "$settle" "$(realpath "$profile")" "$rounds"
