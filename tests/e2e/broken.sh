#!/usr/bin/env bash
# End to end: a picture that no plug-in can read, in the middle of a folder. Stepping onto it
# brings up an error box over the slideshow; the slideshow stays open behind it, and after the
# box is confirmed the pictures around it still show and the program closes normally. And a
# settings file that cannot be written is told about at exit, after which the program ends.
#   tests/e2e/broken.sh BIN_FOLDER
# shellcheck source=tests/e2e/common.sh
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"

install_program "$app"
pics="$e2e_work/pictures"
mkdir -p "$pics"
convert -size 400x300 xc:'#ff0000' "$pics/a.png" &&
  convert -size 400x300 xc:'#0000ff' "$pics/c.png" || fail "convert could not make the pictures"
# A PNG signature followed by garbage: the extension is an image's, the content is not.
{
  printf '\x89PNG\r\n\x1a\n'
  head -c 4000 /dev/urandom
} >"$pics/b.png"

read -r screen_w screen_h < <(screen_size | tr x ' ')
[ -n "${screen_w:-}" ] || fail "no screen size from xdpyinfo"
cx=$((screen_w / 2)) cy=$((screen_h / 2))

start_program "$app/Tovane.exe" "$(windows_path "$pics")"
wait_search_done
main=$(window_named '^Tovane - ') || fail "no main window"
press "$main" Return
wait_until 60 "the slideshow window" fullscreen_exists
show=$(fullscreen_window)
wait_until 60 "the first picture" eval 'pixel_is "$(shot 1-first)" "$cx" "$cy" red'

window_count() { program_windows | wc -l; }
more_windows() { (($(window_count) > 2)); }
press "$show" Right
wait_until 60 "an error box for the unreadable picture" more_windows
fullscreen_exists || fail "the slideshow closed when a picture could not be read"
program_running || fail "the program ended when a picture could not be read"
box=""
for w in $(program_windows); do
  [ "$w" != "$show" ] && [ "$w" != "$main" ] && box=$w
done
e2e_log "error box: '$(xdotool getwindowname "$box")' $(geometry "$box")"
[ "$(geometry "$box")" != "$(geometry "$show")" ] || fail "the extra window is not a box"

press "$box" Return
wait_until 30 "the error box to close" eval '(($(window_count) == 2))'
fullscreen_exists || fail "the slideshow closed with the error box"
# The picture that failed is not shown; the ones around it still are.
press "$show" Right
wait_until 60 "the picture after the unreadable one" eval 'pixel_is "$(shot 2-after)" "$cx" "$cy" blue'
press "$show" Home
wait_until 60 "the first picture again" eval 'pixel_is "$(shot 3-home)" "$cx" "$cy" red'
(($(window_count) == 2)) || fail "$(window_count) program windows after going back to the first picture"

press "$show" Escape
wait_until 30 "the slideshow to close" fullscreen_gone
press "$main" alt+f x
wait_program_end 60

# A settings file that cannot be written (a folder stands in its place): closing the program
# shows an error box, and once it is confirmed the program still ends.
rm -f "$app/Tovane.ini"
mkdir "$app/Tovane.ini"
start_program "$app/Tovane.exe" "$(windows_path "$pics")"
wait_search_done
main=$(window_named '^Tovane - ') || fail "no main window with an unwritable settings file"
press "$main" alt+f x
one_window_more() { (($(window_count) >= 1)) && ! window_named_exists '^Tovane - '; }
wait_until 60 "the box about the settings file" one_window_more
program_running || fail "the program ended without telling that its settings could not be written"
box=$(program_windows | head -n 1)
e2e_log "settings error box: '$(xdotool getwindowname "$box")' $(geometry "$box")"
press "$box" Return
wait_program_end 60
e2e_log "passed"
