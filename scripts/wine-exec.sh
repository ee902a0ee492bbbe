#!/usr/bin/env bash
# Runs a Windows program under Wine with the project's settings; CTest uses
# it as the emulator. The prefix lives beside the program unless given.
set -euo pipefail
exe=${1:?usage: wine-exec.sh PROGRAM [ARGS...]}
here=$(cd "$(dirname "$0")" && pwd)
: "${WINEPREFIX:=$(cd "$(dirname "$exe")" && pwd)/wineprefix}"
export WINEPREFIX WINEDEBUG=${COR_WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
"$here/wine-prefix.sh" "$WINEPREFIX"
if [ -z "${DISPLAY:-}" ]; then
  export XENVIRONMENT="$here/virtual-display.Xresources"
  exec xvfb-run -a -s "-screen 0 1280x1024x24" wine "$@"
fi
exec wine "$@"
