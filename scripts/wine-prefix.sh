#!/usr/bin/env bash
# Makes a Wine prefix fit for tests and the player: Wine's fonts in place
# with replacements for the usual Windows faces (GDI+ finds no text font
# otherwise), no 2-second stalls when windows hide, no crash dialog.
set -euo pipefail
prefix=$(realpath -m "${1:?usage: wine-prefix.sh PREFIX}")
[ -f "$prefix/.cor-ready" ] && exit 0

export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$prefix"
exec 9>"$prefix.lock"
flock 9
[ -f "$prefix/.cor-ready" ] && exit 0

attempt() { wineboot -i >/dev/null 2>&1 && wineserver -w; }
# Wine once failed to map its shared user data on a first start; a retry works.
attempt || attempt

fonts="$prefix/drive_c/windows/Fonts"
mkdir -p "$fonts"
cp -f /usr/share/wine/fonts/* "$fonts/" 2>/dev/null || true

reg="$prefix/cor-setup.reg"
cat >"$reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"Arial"="Liberation Sans"
"Times New Roman"="Liberation Serif"
"Courier New"="Liberation Mono"
"Segoe UI"="DejaVu Sans"
"MS Gothic"="IPAGothic"
"MS UI Gothic"="IPAGothic"
"Meiryo"="IPAGothic"

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"
"Decorated"="Y"

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000
REG
wine regedit /S "$reg" >/dev/null 2>&1
wineserver -w
touch "$prefix/.cor-ready"
