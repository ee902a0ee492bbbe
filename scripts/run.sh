#!/usr/bin/env bash
# Builds the player and runs it on the user's profile. The first run makes
# that profile from the default one and puts the demo music in its
# playlist. With a display, the player opens and this script returns when
# it is closed. Without one (a server, CI), it plays for a few seconds on a
# virtual display, saves a screenshot and says where it is.
#
# Arguments are passed on to corvina500.exe (--add ~/Music, for instance).
# COR_PROFILE chooses another profile folder.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release

build="$PWD/build/release"
export WINEPREFIX="${WINEPREFIX:-$build/wineprefix}"
scripts/wine-prefix.sh "$WINEPREFIX"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

# A Linux path as the player sees it under Wine: drive Z: is the root
# folder in every prefix. (No Wine program is started for this: one started
# without a display would leave the prefix unable to open windows.)
windows_path() { local p; p=$(realpath -m "$1"); echo "Z:${p//\//\\}"; }

demo="$build/demo"
if [ ! -d "$demo" ]; then
  python3 tools/make_demo_music.py "$demo"
fi

profile="${COR_PROFILE:-${XDG_DATA_HOME:-$HOME/.local/share}/corvina500}"
first=()
if [ ! -e "$profile/corvina500.cfgstore" ]; then
  mkdir -p "$profile"
  cp profiles/default/corvina500.cfgstore "$profile/"
  cp -r profiles/default/images "$profile/"
  first=(--add "$(windows_path "$demo")" --library-add "$(windows_path "$demo")")
  echo "run: made the profile $profile from the default profile, with the demo music in its playlist and library"
fi
player=(wine "$build/corvina500.exe" --profile "$(windows_path "$profile")" "${first[@]}")

# Files and folders among the arguments (--add ~/Music) become paths that
# stay valid under Wine whatever the current folder.
args=()
for a in "$@"; do
  if [[ "$a" != --* && -e "$a" ]]; then args+=("$(windows_path "$a")"); else args+=("$a"); fi
done
set -- "${args[@]}"

if [ -n "${DISPLAY:-}" ]; then
  exec "${player[@]}" "$@"
fi

# Headless: a few seconds of playback on a virtual display. Wine's own
# messages (no sound card, for one) go to a log; the player's console
# lines to their own file.
seconds=6
shot="$build/headless-screenshot.png"
console="$build/headless-console.txt"
log="$build/headless-wine.log"
# --play starts the active playlist once the window is up.
play=(--play)
rm -f "$shot"
status=0
export XENVIRONMENT="$PWD/scripts/virtual-display.Xresources"
xvfb-run -a -s "-screen 0 1280x1024x24" \
  "${player[@]}" "${play[@]}" --console "$(windows_path "$console")" \
  --exit-after $((seconds * 1000)) --screenshot "$(windows_path "$shot")" "$@" 2>"$log" ||
  status=$?
if [ "$status" -ne 0 ]; then
  echo "corvina500 ended with status $status; see $console and $log" >&2
  exit "$status"
fi
echo "corvina500 ran for $seconds seconds on a virtual display (no DISPLAY is set)."
echo "  profile:    $profile"
echo "  console:    $console"
if [ -s "$shot" ]; then
  echo "  screenshot: $shot"
else
  echo "  no screenshot was saved; see $console and $log" >&2
  exit 1
fi
