#!/usr/bin/env bash
# Builds the player and runs it on the user's profile (made from the
# default profile on first run). With no display, it plays for a few
# seconds on a virtual one and says where its output went.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release

build="$PWD/build/release"
export WINEPREFIX="${WINEPREFIX:-$build/wineprefix}"
scripts/wine-prefix.sh "$WINEPREFIX"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

profile="${COR_PROFILE:-${XDG_DATA_HOME:-$HOME/.local/share}/corvina500}"
if [ ! -d "$profile" ] && [ -d profiles/default ]; then
  mkdir -p "$(dirname "$profile")"
  cp -r profiles/default "$profile"
fi
mkdir -p "$profile"

if [ -n "${DISPLAY:-}" ]; then
  exec wine "$build/corvina500.exe" --profile "$profile" "$@"
fi
console="$build/headless-console.txt"
xvfb-run -a -s "-screen 0 1280x1024x24" \
  wine "$build/corvina500.exe" --profile "$profile" --console "$console" --exit-after 5000 "$@"
echo "corvina500 ran headless for 5 seconds on profile $profile"
echo "console output: $console"
