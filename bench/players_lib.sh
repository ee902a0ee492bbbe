# What profile_cpu.sh and profile_memory.sh share: the checks and the Wine
# prefix before a run, and, inside the virtual display, the helpers that
# name a folder for Windows and find the player started on it.
# Sourced from the checkout's root.

# Before the run: the test build must be there; sets exe, demo, work.
players_setup() {
  exe=build/tests/corvina500.exe
  demo=build/tests/demo
  [ -f "$exe" ] && [ -d "$demo" ] || { echo "build the tests preset first" >&2; exit 1; }
  export WINEPREFIX=${WINEPREFIX:-$PWD/build/tests/wineprefix}
  scripts/wine-prefix.sh "$WINEPREFIX" >/dev/null
  echo "load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
}

w() { winepath -w "$1"; }

# The Windows process whose command line names the profile folder $1.
pid_of() {
  local p
  for p in $(pgrep -f -- "$(w "$1" | sed 's/\\/\\\\/g')"); do
    [ "$(cat /proc/$p/comm 2>/dev/null)" = corvina500.exe ] && { echo "$p"; return; }
  done
}
