#!/usr/bin/env bash
# End to end: the real Tovane.exe from a folder of its own, started with folders on its command
# line, driven by keys and mouse buttons: a slideshow (next and previous picture, play and stop,
# labels, magnification, close), the options dialog, closing the main window; then what it left
# in its settings file, and two more starts that read stored window bounds and slideshow colours
# back.
#   tests/e2e/slideshow.sh BIN_FOLDER
# shellcheck source=tests/e2e/common.sh
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"

install_program "$app"
ini="$app/Tovane.ini"

# Solid pictures of known sizes: the slideshow shows them unscaled and centred on black.
pics="$e2e_work/pictures"
mkdir -p "$pics/one" "$pics/two"
convert -size 400x300 xc:'#ff0000' "$pics/one/a red.png" &&
  convert -size 400x300 xc:'#00ff00' -quality 95 "$pics/one/b green.jpg" &&
  convert -size 400x300 xc:'#0000ff' "$pics/one/c blue.bmp" &&
  convert -size 200x100 xc:'#ffff00' "$pics/two/d yellow.tga" || fail "convert could not make the pictures"
one=$(windows_path "$pics/one")
two=$(windows_path "$pics/two")

read -r screen_w screen_h < <(screen_size | tr x ' ')
[ -n "${screen_w:-}" ] || fail "no screen size from xdpyinfo"
centre_x=$((screen_w / 2))
centre_y=$((screen_h / 2))
label_left="300x40+8+0"                           # folder, file and magnification lines
label_right="131x70+$((screen_w - 131))+0"        # play state, interval, end-of-list action
state_label="131x16+$((screen_w - 131))+0"

# --- first run: no settings file ------------------------------------------------------------
start_program "$app/Tovane.exe" "$one" "$two" "$(windows_path "$pics")\\missing"
wait_search_done
[ "$(probe_value folders)" = 2 ] || fail "expected 2 folders in the list, the probe saw: $(cat "$e2e_work/probe.txt")"

main=$(window_named '^Tovane - ') || fail "no main window titled 'Tovane - ...'"
title=$(xdotool getwindowname "$main")
[ "$title" = "Tovane - $one" ] || fail "main window title is '$title', expected 'Tovane - $one'"
# No settings file: 600 x 400, centred on the screen.
expected="600x400+$(((screen_w - 600) / 2))+$(((screen_h - 400) / 2))"
[ "$(geometry "$main")" = "$expected" ] || fail "main window at $(geometry "$main"), expected $expected"
fullscreen_gone || fail "a full-screen window is visible before any slideshow"

# Enter: a slideshow of the first folder.
press "$main" Return
wait_until 60 "the slideshow window to cover the screen" fullscreen_exists
show=$(fullscreen_window)
# The first paint: the picture and the labels.
first_painted() {
  first=$(shot 1-first)
  pixel_is "$first" "$centre_x" "$centre_y" red && (($(white_pixels "$first" "$label_left") > 50))
}
wait_until 60 "the first picture and the labels" first_painted
expect_pixel "$first" "$centre_x" "$centre_y" red "first picture at the centre"
expect_pixel "$first" $((centre_x - 200 + 2)) "$centre_y" red "left edge of a 400x300 picture"
expect_pixel "$first" $((centre_x - 200 - 3)) "$centre_y" black "left of the picture"
expect_pixel "$first" "$centre_x" $((centre_y - 150 - 3)) black "above the picture"
expect_pixel "$first" 20 $((screen_h - 20)) black "bottom-left corner"
(($(white_pixels "$first" "$label_left") > 50)) || fail "no label text at the top left of the slideshow"
(($(white_pixels "$first" "$label_right") > 50)) || fail "no label text at the top right of the slideshow"

# Right: the next picture of the folder, in name order.
press "$show" Right
wait_until 30 "the second picture" eval 'pixel_is "$(shot 2-next)" "$centre_x" "$centre_y" green'

# Mouse buttons on the picture: right goes back, left goes on.
xdotool mousemove "$centre_x" "$centre_y" click 3
wait_until 30 "the first picture again (right button)" eval 'pixel_is "$(shot 2-right-button)" "$centre_x" "$centre_y" red'
xdotool mousemove "$centre_x" "$centre_y" click 1
wait_until 30 "the second picture again (left button)" eval 'pixel_is "$(shot 2-left-button)" "$centre_x" "$centre_y" green'

# Space: the play state label changes; Space again stops before the timer moves on.
before=$(shot 3-stopped)
press "$show" space
wait_until 30 "the play state label to change" eval '! same_area "$before" "$(shot 4-playing)" "$state_label"'
press "$show" space
wait_until 30 "the play state label to read stopped again" eval 'same_area "$before" "$(shot 5-stopped)" "$state_label"'

# Tab: the labels go.
press "$show" Tab
wait_until 30 "the labels to be hidden" eval '(($(white_pixels "$(shot 6-nolabels)" "$label_left") == 0))'
hidden="$e2e_work/6-nolabels.png"
(($(white_pixels "$hidden" "$label_right") == 0)) || fail "right-hand labels still visible after Tab"

# 2: one step up, 150%, still centred (600x450 around the centre). A picture the timer may have
# brought meanwhile is blue; the first two colours must not come back.
press "$show" 2
wait_until 30 "the picture at 150%" eval \
  'big=$(shot 7-magnified); ! pixel_is "$big" $((centre_x - 280)) "$centre_y" black'
read -r r g b < <(pixel "$big" $((centre_x - 280)) "$centre_y")
((g > 200 || b > 200)) || fail "magnified picture has colour ($r,$g,$b), expected green (or blue)"
expect_pixel "$big" $((centre_x - 300 - 3)) "$centre_y" black "left of the magnified picture"
expect_pixel "$big" "$centre_x" $((centre_y - 225 - 3)) black "above the magnified picture"

# Esc: back to the main window.
press "$show" Escape
wait_until 30 "the slideshow to close" fullscreen_gone
window_named_exists '^Tovane - ' || fail "the main window is gone after the slideshow"

# Closing through the menu (File, Exit) ends the program and writes the window section only.
press "$main" alt+f x
wait_program_end 60
[ -f "$ini" ] || fail "no Tovane.ini beside the program after it ended"
e2e_log "settings after the first run: $(tr -d '\r' <"$ini" | tr '\n' ' ')"

# ini_value SECTION KEY: the value in the settings file, empty when missing.
ini_value() {
  tr -d '\r' <"$ini" | awk -v s="[$1]" -v k="$2" '
    /^\[/ { in_s = ($0 == s) } in_s && index($0, k "=") == 1 { print substr($0, length(k) + 2) }'
}
for key in Left Top Width Height; do
  [ -n "$(ini_value Window "$key")" ] || fail "Tovane.ini lacks Window/$key: $(cat "$ini")"
done
[ "$(ini_value Window Width)x$(ini_value Window Height)+$(ini_value Window Left)+$(ini_value Window Top)" = "$expected" ] ||
  fail "Tovane.ini's window does not match the window the program showed ($expected): $(cat "$ini")"
grep -q '^\[SlideShow\]' "$ini" && fail "Tovane.ini has a SlideShow section though no options were confirmed"

# --- second run: the stored window, the options dialog confirmed ----------------------------
printf '[Window]\r\nLeft=100\r\nTop=60\r\nWidth=700\r\nHeight=500\r\n' >"$ini"
start_program "$app/Tovane.exe" "$two"
wait_search_done
main=$(window_named '^Tovane - ') || fail "no main window on the second run"
[ "$(xdotool getwindowname "$main")" = "Tovane - $two" ] || fail "second run's title: $(xdotool getwindowname "$main")"
[ "$(geometry "$main")" = "700x500+100+60" ] || fail "stored window not applied: $(geometry "$main")"

press "$main" alt+o o
wait_until 60 "the options dialog" window_named_exists '^オプション$'
dialog=$(window_named '^オプション$')
press "$dialog" Return
wait_until 30 "the options dialog to close" window_named_gone '^オプション$'

press "$main" alt+f x
wait_program_end 60
e2e_log "settings after the second run: $(tr -d '\r' <"$ini" | tr '\n' ' ')"
[ "$(ini_value Window Left),$(ini_value Window Top),$(ini_value Window Width),$(ini_value Window Height)" = "100,60,700,500" ] ||
  fail "window section not kept: $(cat "$ini")"
# The dialog confirmed unchanged: the defaults, as numbers.
for pair in Interval=10 bSecond=1 FGColor=16777215 BGColor=0 SuguStart=0 LastAction=2 bAllDir=0 bFindSubDir=1; do
  [ "$(ini_value SlideShow "${pair%%=*}")" = "${pair#*=}" ] ||
    fail "after confirming the options, SlideShow/${pair%%=*} is not ${pair#*=}: $(cat "$ini")"
done

# --- third run: stored colours; an exit leaves the slideshow settings as they were ----------
printf '[Window]\r\nLeft=100\r\nTop=60\r\nWidth=700\r\nHeight=500\r\n[SlideShow]\r\nFGColor=255\r\nBGColor=0xFF0000\r\nInterval=$1E\r\nbSecond=2\r\n' >"$ini"
cp "$ini" "$e2e_work/ini-before"
start_program "$app/Tovane.exe" "$two"
wait_search_done
main=$(window_named '^Tovane - ') || fail "no main window on the third run"
press "$main" Return
wait_until 60 "the slideshow window to cover the screen" fullscreen_exists
show=$(fullscreen_window)
# Colours are 0x00BBGGRR: blue background, red labels; the yellow picture in the middle.
wait_until 30 "the yellow picture on blue" eval \
  'coloured=$(shot 8-colours); pixel_near "$coloured" "$centre_x" "$centre_y" "255 255 0"'
pixel_near "$coloured" 20 $((screen_h - 20)) "0 0 255" || fail "background is ($(pixel "$coloured" 20 $((screen_h - 20)))), not blue from BGColor"
reds=$(convert "$coloured" -crop "$label_left" +repage -fx '(r > 0.8 && g < 0.2 && b < 0.2) ? 1 : 0' \
  -format '%[fx:int(mean*w*h+0.5)]' info:)
((reds > 50)) || fail "no red label text (FGColor 255) at the top left, $reds red pixels"
press "$show" Escape
wait_until 30 "the slideshow to close" fullscreen_gone
press "$main" alt+f x
wait_program_end 60
for key in FGColor BGColor Interval bSecond; do
  [ "$(ini_value SlideShow $key)" = "$(ini="$e2e_work/ini-before" ini_value SlideShow $key)" ] ||
    fail "the exit rewrote SlideShow/$key: $(cat "$ini")"
done
grep -q '^SuguStart=' "$ini" && fail "the exit wrote SlideShow keys that were not in the file: $(cat "$ini")"
e2e_log "passed"
