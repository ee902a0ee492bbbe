#!/usr/bin/env bash
# Memory of the default profile while it plays: the player with the default
# profile and the bare player (--no-component) play the demo music side by
# side, repeating the playlist, and each process's resident memory (VmRSS
# from /proc) is read once they have started and then every EVERY seconds.
#   bash bench/profile_memory.sh [SECONDS [PROFILE [EVERY]]]   (600 s, profiles/default, 60 s)
# Needs the test build (build/tests, which also makes the demo music).
set -euo pipefail
cd "$(dirname "$0")/.."
secs=${1:-600}
profile=${2:-profiles/default}
every=${3:-60}
source bench/players_lib.sh
players_setup
# Each run gets its own copy of the profile: the player saves into it.
cp -r "$profile" "$work/skin"
mkdir "$work/bare"
# Both stores get the demo tracks as their active playlist in the order
# "Repeat (playlist)", so both keep playing however long the run is.
python3 - "$work" "$PWD/$demo" <<'PY'
import os, struct, sys
sys.path.insert(0, 'tools')
import make_profile as mp
work, demo = sys.argv[1], sys.argv[2]
PLAYLISTS = '5E0C6A41-7B2D-4F19-9A3E-1C8D2B7F6E05'
REPEAT_PLAYLIST = 1
def text(s):
    b = s.encode('utf-8')
    return struct.pack('<I', len(b)) + b
tracks = ['Z:' + os.path.join(demo, f).replace('/', '\\') for f in sorted(os.listdir(demo))]
state = (b'CORP' + struct.pack('<II', 1, 1) + text('Default') + struct.pack('<I', len(tracks))
         + b''.join(text(t) for t in tracks) + struct.pack('<IIf', 0, REPEAT_PLAYLIST, 0.0))
for name in ('skin', 'bare'):
    path = os.path.join(work, name, mp.STORE_NAME)
    settings = mp.read_store(path) or {}
    settings[PLAYLISTS] = state
    with open(path, 'wb') as f:
        f.write(mp.store_bytes(settings))
PY
settle=4

scripts/with-display.sh bash -c '
  set -e
  work=$1 exe=$2 secs=$3 every=$4 settle=$5
  source bench/players_lib.sh
  life=$(( (settle + secs + 3) * 1000 ))
  wine "$exe" --profile "$(w "$work/skin")" --play \
    --output-file "$(w "$work/skin.wav")" --exit-after $life >/dev/null 2>&1 &
  wine "$exe" --no-component --profile "$(w "$work/bare")" --play \
    --output-file "$(w "$work/bare.wav")" --exit-after $life >/dev/null 2>&1 &
  sleep "$settle"
  rss() { awk "/^VmRSS:/ {print \$2}" "/proc/$1/status"; }
  skin=$(pid_of "$work/skin") bare=$(pid_of "$work/bare")
  [ -n "$skin" ] && [ -n "$bare" ] || { echo "a player did not start" >&2; exit 1; }
  mb() { awk -v k="$1" "BEGIN {printf \"%.1f\", k / 1024}"; }
  printf "%8s %18s %14s %12s\n" seconds "default profile" "bare player" difference
  t=0 first_s= first_b=
  while :; do
    s=$(rss "$skin") b=$(rss "$bare")
    [ -n "$first_s" ] || { first_s=$s first_b=$b; }
    printf "%8d %15s MB %11s MB %9s MB\n" $t "$(mb $s)" "$(mb $b)" "$(mb $((s - b)))"
    [ $t -lt "$secs" ] || break
    step=$(( secs - t < every ? secs - t : every ))
    sleep "$step"
    t=$((t + step))
  done
  echo "growth over the run: default profile $(mb $((s - first_s))) MB, bare player $(mb $((b - first_b))) MB"
  # Audio written so far: both must have played the whole time.
  played() {
    # The file has its own name only once it is complete.
    local f=$work/$1.wav n rate
    [ -f "$f" ] || f=$f.part
    n=$(stat -c %s "$f") rate=$(od -An -tu4 -j28 -N4 "$f" | tr -d " ")
    echo $(( (n - 44) / rate ))
  }
  echo "audio written: default profile $(played skin) s, bare player $(played bare) s"
  wait
' profile_memory "$work" "$exe" "$secs" "$every" "$settle"
