# shellcheck shell=bash
# What the end-to-end checks see of the program through X (wine's windows are X windows):
# its windows, their titles, geometry and focus, keys typed into them, and screenshot pixels.
# Sourced by common.sh and by show-slideshow.sh; needs DISPLAY, xdotool, xdpyinfo, ImageMagick.

e2e_log() { echo "[$(date -u +%T)] $*"; }

# Ends with a failure (a test's exit trap stops the program and keeps its work folder).
fail() {
  echo "FAIL: $*" >&2
  e2e_failed=1 # read by the test's exit trap
  exit 1
}

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

# --- windows ---------------------------------------------------------------------------------

# The window class wine gives the program's windows: its executable's name.
e2e_class="${e2e_class:-^tovane\.exe\$}"

# The program's visible top-level windows (wine gives them the class of the executable). The
# application window, which stands for the program in the task bar, is mapped with no real size
# and is left out.
# The list is written in one piece once complete, so that a reader that stops early (grep -q,
# head) cannot cut the loop short with a broken pipe.
program_windows() {
  local w WIDTH HEIGHT list=""
  for w in $(xdotool search --onlyvisible --class "$e2e_class" 2>/dev/null || true); do
    WIDTH=0 HEIGHT=0
    eval "$(xdotool getwindowgeometry --shell "$w" 2>/dev/null | grep -E '^(WIDTH|HEIGHT)=')"
    if ((WIDTH > 1 && HEIGHT > 1)); then list+="$w"$'\n'; fi
  done
  printf '%s' "$list"
}

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
  local X Y WIDTH HEIGHT
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

# press WINDOW KEY...: waits until WINDOW has the keyboard focus, then types the keys. A box
# over a window that just had the focus does not always get the X focus itself; wine hands keys
# that reach any of the program's windows to the window it has made active, so when the focus
# stays on another window of the program the keys go there (the caller checks their effect).
press() {
  local w=$1
  shift
  local deadline=$((SECONDS + 15))
  until focused_is "$w" || ((SECONDS >= deadline)); do sleep 0.2; done
  if ! focused_is "$w"; then
    local focus
    focus=$(xdotool getwindowfocus 2>/dev/null)
    grep -qx -- "$focus" <<<"$(program_windows)" ||
      fail "neither window $w ($(xdotool getwindowname "$w" 2>/dev/null)) nor another window of the program has the focus (it is on $focus)"
    e2e_log "window $w has no X focus; keys go through the program's window $focus"
  fi
  xdotool key --delay 150 "$@"
  e2e_log "keys: $*"
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

# pixel_near FILE X Y "R G B" [TOLERANCE]: each channel within TOLERANCE (default 24).
pixel_near() {
  local tolerance=${5:-24} r g b wr wg wb
  read -r r g b < <(pixel "$1" "$2" "$3")
  read -r wr wg wb <<<"$4"
  local d
  for d in $((r - wr)) $((g - wg)) $((b - wb)); do
    ((d >= -tolerance && d <= tolerance)) || return 1
  done
}

# white_pixels FILE WIDTHxHEIGHT+X+Y: how many near-white pixels the area holds.
white_pixels() {
  convert "$1" -crop "$2" +repage -colorspace gray -threshold 75% -format '%[fx:int(mean*w*h+0.5)]' info:
}

