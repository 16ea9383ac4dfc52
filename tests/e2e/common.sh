# shellcheck shell=bash
# Shared by the end-to-end tests: they drive the real Tovane.exe under Wine from outside, as a
# user would, through X (wine's windows are X windows): keys go in through xdotool, what the
# program shows comes back as window lists, titles and screenshots.
# Sourced by a test script, named after it (e2e_name); the test's first argument is the bin
# folder of a Windows build (win64 or win32). With no DISPLAY (run by hand) the project's wine-env supplies Xvfb and
# the wineserver; under scripts/test both are there already.

set -uo pipefail
e2e_name=$(basename "$0" .sh)
e2e_here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
e2e_root=$(cd "$e2e_here/../.." && pwd)
e2e_wine_run="$e2e_root/scripts/wine-run"

if [ $# -lt 1 ] || [ ! -d "$1" ]; then
  echo "usage: $0 BIN_FOLDER_OF_A_WINDOWS_BUILD" >&2
  exit 2
fi
e2e_bin=$(cd "$1" && pwd)

# shellcheck source=tests/e2e/x11.sh
. "$e2e_here/x11.sh"

# The build's module extension, from its program's machine type: 64-bit builds load *.sph
# modules, 32-bit builds *.spi (objdump in English, whatever the locale of the test run).
# shellcheck disable=SC2034 # e2e_module_ext is read by the test scripts
case $(LC_ALL=C x86_64-w64-mingw32-objdump -f "$e2e_bin/Tovane.exe" 2>&1) in
  *"file format pei-x86-64"*) e2e_module_ext=sph ;;
  *"file format pei-i386"*) e2e_module_ext=spi ;;
  *) fail "$e2e_bin/Tovane.exe is no Windows program of either build" ;;
esac

if [ -z "${DISPLAY:-}" ] || [ -z "${WINEPREFIX:-}" ]; then
  unset TOVANE_USE_DISPLAY
  # shellcheck source=scripts/wine-env
  . "$e2e_root/scripts/wine-env"
  e2e_own_env=1
fi

e2e_work=$(mktemp -d "${TMPDIR:-/tmp}/tovane-$e2e_name.XXXXXX")
# The folder install_program puts the program in.
app="$e2e_work/app"
e2e_pid=""
e2e_failed=0

e2e_stop_program() {
  [ -n "$e2e_pid" ] || return 0
  if kill -0 "$e2e_pid" 2>/dev/null; then
    kill "$e2e_pid" 2>/dev/null || true
    for _ in $(seq 1 50); do
      kill -0 "$e2e_pid" 2>/dev/null || break
      sleep 0.1
    done
    kill -9 "$e2e_pid" 2>/dev/null || true
  fi
  wait "$e2e_pid" 2>/dev/null || true
  e2e_pid=""
}

e2e_cleanup() {
  local status=$?
  e2e_stop_program
  if [ "$status" -ne 0 ] || [ "$e2e_failed" -ne 0 ]; then
    echo "work folder kept for inspection: $e2e_work" >&2
  else
    rm -rf "$e2e_work"
  fi
  if [ -n "${e2e_own_env:-}" ]; then
    tovane_wine_stop
  fi
  exit "$status"
}
trap e2e_cleanup EXIT

# A Windows spelling of a Unix path (wine maps / to drive Z:).
windows_path() {
  local p
  p=$(realpath "$1")
  echo "Z:${p//\//\\}"
}

# A copy of the program and its bundled plug-ins in a folder of its own, so that the settings
# file it writes beside itself is the test's and not the build's.
install_program() {
  local dest=${1:-$app}
  mkdir -p "$dest"
  cp "$e2e_bin/Tovane.exe" "$dest/" || fail "no Tovane.exe in $e2e_bin"
  cp "$e2e_bin/tovane-host.exe" "$dest/" || fail "no tovane-host.exe in $e2e_bin"
  local f
  for f in "$e2e_bin"/*.sph "$e2e_bin"/*.spi "$e2e_bin"/*.dll; do
    [ -e "$f" ] && cp "$f" "$dest/"
  done
  return 0
}

# start_program EXE ARGS...: starts it in the background, output to the work folder's log.
start_program() {
  local exe=$1
  shift
  "$e2e_wine_run" "$exe" "$@" </dev/null >>"$e2e_work/program.log" 2>&1 &
  e2e_pid=$!
  e2e_log "started $(basename "$exe") (pid $e2e_pid) $*"
}

program_running() { [ -n "$e2e_pid" ] && kill -0 "$e2e_pid" 2>/dev/null; }
program_ended() { ! program_running; }

# Waits for the program to end on its own (after it was told to close).
wait_program_end() {
  wait_until "${1:-60}" "the program to end" program_ended
  wait "$e2e_pid" 2>/dev/null || true
  e2e_pid=""
}

# The search state as the probe reads it from the main window's status bar; waits until the
# search has finished and checks that panel 1 says so.
wait_search_done() {
  local probe="$e2e_bin/shell_probe.exe"
  [ -f "$probe" ] || fail "no shell_probe.exe in $e2e_bin (build the shell_probe target)"
  # The probe's output goes to a file: wine's helper processes keep pipes open.
  "$e2e_wine_run" "$probe" wait-done "${1:-180}" </dev/null >"$e2e_work/probe.log" 2>&1 ||
    fail "the main window did not finish its search: $(tr -d '\r' <"$e2e_work/probe.log")"
  tr -d '\r' <"$e2e_work/probe.log" >"$e2e_work/probe.txt"
  grep -q '^panels: \[[^]]*\] \[検索完了\]' "$e2e_work/probe.txt" ||
    fail "status panel 1 does not read 検索完了: $(cat "$e2e_work/probe.txt")"
  e2e_log "search done: $(grep -E '^(folders|panels):' "$e2e_work/probe.txt" | tr '\n' ' ')"
}

probe_value() { sed -n "s/^$1: //p" "$e2e_work/probe.txt"; }

# --- screenshots -----------------------------------------------------------------------------

# shot NAME: the whole screen into the work folder; prints the file's path.
shot() {
  local file="$e2e_work/$1.png"
  import -window root "$file" 2>>"$e2e_work/import.log" || fail "screenshot $1 failed"
  echo "$file"
}

# same_area FILE1 FILE2 WIDTHxHEIGHT+X+Y: succeeds when the area is identical in both.
same_area() {
  local diff
  convert "$1" -crop "$3" +repage "$e2e_work/area-1.png" &&
    convert "$2" -crop "$3" +repage "$e2e_work/area-2.png" || fail "cannot crop $3"
  diff=$(compare -metric AE "$e2e_work/area-1.png" "$e2e_work/area-2.png" null: 2>&1) || true
  [ "$diff" = "0" ]
}
