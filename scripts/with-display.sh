#!/usr/bin/env bash
# Runs a command with one virtual display and one persistent wineserver for
# its whole duration, so each Windows program it starts starts fast.
set -euo pipefail
prefix=${WINEPREFIX:?set WINEPREFIX}
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

if [ -z "${COR_INNER:-}" ]; then
  export COR_INNER=1
  export XENVIRONMENT="$(cd "$(dirname "$0")" && pwd)/virtual-display.Xresources"
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi
wineserver -p
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
# Wine's own services start with the first program and keep its standard
# handles; start them here, detached, so no test's output pipe stays open.
wineboot -u </dev/null >/dev/null 2>&1 || true
status=0
"$@" || status=$?
exit $status
