#!/usr/bin/env bash
# Makes a Wine prefix fit for tests and the player: Wine's fonts in place
# with replacements for the usual Windows faces (GDI+ finds no text font
# otherwise), CJK fonts linked behind every face so Japanese, Chinese and
# Korean titles draw instead of boxes, no 2-second stalls when windows
# hide, no crash dialog.
set -euo pipefail
prefix=$(realpath -m "${1:?usage: wine-prefix.sh PREFIX}")
# Raised whenever the settings below change, so older prefixes get them.
version=2
ready() { [ "$(cat "$prefix/.cor-ready" 2>/dev/null)" = "$version" ]; }
ready && exit 0

export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$prefix"
exec 9>"$prefix.lock"
flock 9
ready && exit 0

attempt() { wineboot -i >/dev/null 2>&1 && wineserver -w; }
# Wine once failed to map its shared user data on a first start; a retry works.
[ -f "$prefix/system.reg" ] || attempt || attempt

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
"SimSun"="WenQuanYi Micro Hei"
"Microsoft YaHei"="WenQuanYi Micro Hei"
"Malgun Gothic"="WenQuanYi Micro Hei"
"Gulim"="WenQuanYi Micro Hei"
REG
# Font linking: a glyph the chosen face lacks is taken from the faces linked
# to it, in order. Japanese first (its forms of the shared ideographs), then
# a face that also has Chinese and Hangul. Wine links every face to the
# links of Microsoft Sans Serif; the faces the skins name get them as well.
link=("ipag.ttf,IPAGothic" "wqy-microhei.ttc,WenQuanYi Micro Hei")
multi_sz() {
  # REGEDIT4's hex(7): the strings, each ended by a zero, then one more zero.
  local out="" s c
  for s in "$@"; do
    for ((c = 0; c < ${#s}; c++)); do out+=$(printf '%02x,' "'${s:c:1}"); done
    out+="00,"
  done
  echo "${out}00"
}
{
  echo
  echo '[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink]'
  for face in "Microsoft Sans Serif" "Segoe UI" "Tahoma" "Arial" "DejaVu Sans" "Liberation Sans"; do
    echo "\"$face\"=hex(7):$(multi_sz "${link[@]}")"
  done
  cat <<'REG'

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"
"Decorated"="Y"

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000
REG
} >>"$reg"
wine regedit /S "$reg" >/dev/null 2>&1
wineserver -w
echo "$version" >"$prefix/.cor-ready"
