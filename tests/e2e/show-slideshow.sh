#!/usr/bin/env bash
# Starts a slideshow in a running Tovane as a user does (Enter on the main window), saves a
# screenshot of it once its first picture is painted, and closes it again (Esc).
#   tests/e2e/show-slideshow.sh OUT.png
# Needs the display Tovane runs on (DISPLAY). Exit code 0 when the slideshow opened, showed a
# picture and closed; 1 otherwise, with the reason on stderr.
set -uo pipefail
# shellcheck source=tests/e2e/x11.sh
. "$(dirname "${BASH_SOURCE[0]}")/x11.sh"

[ $# -eq 1 ] || {
  echo "usage: $0 OUT.png" >&2
  exit 2
}
out=$1
[ -n "${DISPLAY:-}" ] || fail "no DISPLAY"

# The first picture is painted once the middle of the screen is more than background: every
# picture is centred, and the demo pictures are nowhere near black in the middle.
picture_painted() {
  import -window root "$out" 2>/dev/null &&
    [ "$(convert "$out" -gravity center -crop 64x64+0+0 +repage -colorspace gray \
      -format '%[fx:maxima > 0.05 ? 1 : 0]' info: 2>/dev/null)" = 1 ]
}

wait_until 60 "Tovane's main window" window_named_exists '^Tovane( - |$)'
main=$(window_named '^Tovane( - |$)')
fullscreen_gone || fail "a full-screen window is up already"
press "$main" Return
wait_until 60 "the slideshow window to cover the screen" fullscreen_exists
show=$(fullscreen_window)
wait_until 120 "the slideshow's first picture" picture_painted
e2e_log "slideshow screenshot: $out"
press "$show" Escape
wait_until 30 "the slideshow to close" fullscreen_gone
