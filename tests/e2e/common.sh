# Shared by the end-to-end tests: they drive the real Tovane.exe under Wine from outside, as a
# user would, through X (wine's windows are X windows): keys go in through xdotool, what the
# program shows comes back as window lists, titles and screenshots.
# Sourced by a test script after setting e2e_name; the test's first argument is the win64
# build's bin folder. With no DISPLAY (run by hand) the project's wine-env supplies Xvfb and
# the wineserver; under scripts/test both are there already.

e2e_here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
e2e_root=$(cd "$e2e_here/../.." && pwd)
e2e_wine_run="$e2e_root/scripts/wine-run"

if [ $# -lt 1 ] || [ ! -d "$1" ]; then
  echo "usage: $0 BIN_FOLDER_OF_THE_WIN64_BUILD" >&2
  exit 2
fi
e2e_bin=$(cd "$1" && pwd)

if [ -z "${DISPLAY:-}" ] || [ -z "${WINEPREFIX:-}" ]; then
  unset TOVANE_USE_DISPLAY
  # shellcheck source=../../scripts/wine-env
  . "$e2e_root/scripts/wine-env"
  e2e_own_env=1
fi

e2e_work=$(mktemp -d "${TMPDIR:-/tmp}/tovane-${e2e_name:-e2e}.XXXXXX")
e2e_pid=""
e2e_failed=0

e2e_log() { echo "[$(date -u +%T)] $*"; }

# Ends the test with a failure; the exit trap stops the program and keeps the work folder.
fail() {
  echo "FAIL: $*" >&2
  e2e_failed=1
  exit 1
}

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

# wait_until SECONDS WHAT COMMAND...: polls COMMAND until it succeeds; fails the test after
# SECONDS with "timed out waiting for WHAT".
wait_until() {
  local seconds=$1 what=$2
  shift 2
  local deadline=$((SECONDS + seconds))
  until "$@"; do
    ((SECONDS < deadline)) || fail "timed out after ${seconds}s waiting for $what"
    sleep 0.2
  done
}

# A Windows spelling of a Unix path (wine maps / to drive Z:).
windows_path() {
  local p
  p=$(realpath "$1")
  echo "Z:${p//\//\\}"
}

# A copy of the program and its bundled plug-ins in a folder of its own, so that the settings
# file it writes beside itself is the test's and not the build's.
install_program() {
  local dest=$1
  mkdir -p "$dest"
  cp "$e2e_bin/Tovane.exe" "$dest/" || fail "no Tovane.exe in $e2e_bin"
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

# --- windows ---------------------------------------------------------------------------------

# The program's visible top-level windows (wine gives them the class of the executable).
program_windows() { xdotool search --onlyvisible --class '^tovane\.exe$' 2>/dev/null || true; }

# window_named REGEX: the first visible program window whose title matches.
window_named() {
  local w
  for w in $(program_windows); do
    if xdotool getwindowname "$w" 2>/dev/null | grep -qE -- "$1"; then
      echo "$w"
      return 0
    fi
  done
  return 1
}
window_named_exists() { window_named "$1" >/dev/null; }
window_named_gone() { ! window_named "$1" >/dev/null; }

# geometry WINDOW: "WIDTHxHEIGHT+LEFT+TOP" of a window on the screen.
geometry() {
  local x y w h
  eval "$(xdotool getwindowgeometry --shell "$1" | grep -E '^(X|Y|WIDTH|HEIGHT)=')"
  echo "${WIDTH}x${HEIGHT}+${X}+${Y}"
}

screen_size() { xdpyinfo 2>/dev/null | sed -n 's/^ *dimensions: *\([0-9]*x[0-9]*\) pixels.*/\1/p'; }

# A visible program window that covers the whole screen.
fullscreen_window() {
  local w size
  size="$(screen_size)+0+0"
  for w in $(program_windows); do
    if [ "$(geometry "$w")" = "$size" ]; then
      echo "$w"
      return 0
    fi
  done
  return 1
}
fullscreen_exists() { fullscreen_window >/dev/null; }
fullscreen_gone() { ! fullscreen_window >/dev/null; }

focused_is() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]; }

# press WINDOW KEY...: waits until WINDOW has the keyboard focus, then types the keys there.
press() {
  local w=$1
  shift
  wait_until 30 "window $w ($(xdotool getwindowname "$w" 2>/dev/null)) to have the focus" focused_is "$w"
  xdotool key --delay 150 "$@"
  e2e_log "keys: $*"
}

# --- screenshots -----------------------------------------------------------------------------

# shot NAME: the whole screen into the work folder; prints the file's path.
shot() {
  local file="$e2e_work/$1.png"
  import -window root "$file" 2>>"$e2e_work/import.log" || fail "screenshot $1 failed"
  echo "$file"
}

# pixel FILE X Y: "R G B", 0 to 255.
pixel() {
  convert "$1" -format "%[fx:int(255*p{$2,$3}.r+0.5)] %[fx:int(255*p{$2,$3}.g+0.5)] %[fx:int(255*p{$2,$3}.b+0.5)]" info:
}

# pixel_is FILE X Y COLOUR: COLOUR is black, white, red, green or blue, within a tolerance for
# lossy pictures.
pixel_is() {
  local r g b
  read -r r g b < <(pixel "$1" "$2" "$3")
  case $4 in
    black) ((r < 40 && g < 40 && b < 40)) ;;
    white) ((r > 215 && g > 215 && b > 215)) ;;
    red) ((r > 200 && g < 60 && b < 60)) ;;
    green) ((g > 200 && r < 60 && b < 60)) ;;
    blue) ((b > 200 && r < 60 && g < 60)) ;;
    *) fail "unknown colour $4" ;;
  esac
}

# expect_pixel FILE X Y COLOUR WHAT: fails the test unless the pixel has that colour.
expect_pixel() {
  pixel_is "$1" "$2" "$3" "$4" ||
    fail "$5: pixel ($2,$3) of $(basename "$1") is ($(pixel "$1" "$2" "$3")), not $4"
}

# white_pixels FILE WIDTHxHEIGHT+X+Y: how many near-white pixels the area holds.
white_pixels() {
  convert "$1" -crop "$2" +repage -colorspace gray -threshold 75% -format '%[fx:int(mean*w*h+0.5)]' info:
}

# same_area FILE1 FILE2 WIDTHxHEIGHT+X+Y: succeeds when the area is identical in both.
same_area() {
  local diff
  convert "$1" -crop "$3" +repage "$e2e_work/area-1.png" &&
    convert "$2" -crop "$3" +repage "$e2e_work/area-2.png" || fail "cannot crop $3"
  diff=$(compare -metric AE "$e2e_work/area-1.png" "$e2e_work/area-2.png" null: 2>&1) || true
  [ "$diff" = "0" ]
}
