#!/usr/bin/env bash
# End to end: a slideshow over the demo tree (scripts/make-demo) with the bundled plug-ins. Every
# picture of the formats folder, then (Page Down) of the Japanese-named folder, is stepped to
# with Right and must be on the screen where the placement rules put it (unscaled and centred,
# or shrunk to the screen keeping its proportions), with the colours ImageMagick reads at its
# top and bottom, and with no error box.
#   tests/e2e/demo.sh BIN_FOLDER
# shellcheck source=tests/e2e/common.sh
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"

install_program "$app"
demo="$e2e_work/demo"
"$e2e_root/scripts/make-demo" "$demo" || fail "make-demo failed"
[ -d "$demo/formats" ] && [ -d "$demo/写真" ] || fail "make-demo made no formats and 写真 folders"

read -r W H < <(screen_size | tr x ' ')
[ -n "${W:-}" ] || fail "no screen size from xdpyinfo"

# check_picture SHOT FILE: FILE as the slideshow must show it at 100%.
check_picture() {
  local shot=$1 file=$2 name=${2##*/} w h dw dh left top
  read -r w h < <(identify -format '%w %h\n' "${file}[0]" | head -n 1)
  if ((w <= W && h <= H)); then
    dw=$w dh=$h
  elif ((h * W >= w * H)); then
    dh=$H dw=$((w * H / h))
  else
    dw=$W dh=$((h * W / w))
  fi
  left=$(((W - dw) / 2)) top=$(((H - dh) / 2))
  local flat="$e2e_work/source.png" x=$((left + dw / 2)) sx=$((w / 2))
  convert "${file}[0]" -flatten "$flat" || fail "ImageMagick cannot read $name"
  local row sy y
  for row in top bottom; do
    if [ $row = top ]; then
      y=$((top + 2)) sy=$((2 * h / dh + 1))
    else
      y=$((top + dh - 3)) sy=$((h - 1 - (3 * h / dh + 1)))
    fi
    local want
    want=$(pixel "$flat" "$sx" "$sy")
    pixel_near "$shot" "$x" "$y" "$want" ||
      fail "$name (${w}x$h shown as ${dw}x$dh at $left,$top): the $row row at ($x,$y) is ($(pixel "$shot" "$x" "$y")), the picture has ($want)"
  done
  if ((top >= 50)); then
    expect_pixel "$shot" "$x" $((top - 3)) black "$name: background above the picture"
  fi
  if ((left >= 3)); then
    expect_pixel "$shot" $((left - 3)) $((top + dh / 2)) black "$name: background left of the picture"
  fi
  e2e_log "shown: $name ${w}x$h as ${dw}x$dh at $left,$top"
}

# The picture on the screen once the slideshow has painted it (the check passes).
shown_now() { check_picture_quiet "$(shot "$1")" "$2"; }
check_picture_quiet() ( fail() { exit 1; }; check_picture "$@" >/dev/null )

# walk_folder DIR: the slideshow is on image 0 of DIR; every picture in the list's order.
walk_folder() {
  local dir=$1 first=1 file n=0
  while IFS= read -r file; do
    ((first)) || press "$show" Right
    first=0
    n=$((n + 1))
    if ! poll_shown "$dir/$file"; then
      check_picture "$e2e_work/screen.png" "$dir/$file" # the reason
    fi
    check_picture "$e2e_work/screen.png" "$dir/$file"
    local count
    count=$(program_windows | wc -l)
    ((count == 2)) || fail "$file: $count program windows are visible (an error box?), expected the main window and the slideshow"
  done < <(find "$dir" -maxdepth 1 -type f ! -name '.*' -printf '%f\n' | LC_ALL=C sort -f)
  ((n > 0)) || fail "no pictures in $dir"
}
poll_shown() {
  local deadline=$((SECONDS + 60))
  until shown_now screen "$1"; do
    ((SECONDS < deadline)) || return 1
    sleep 0.3
  done
}

start_program "$app/Tovane.exe" "$(windows_path "$demo/formats")" "$(windows_path "$demo/写真")"
wait_search_done
[ "$(probe_value folders)" = 3 ] || fail "expected formats, 写真 and 写真/旅行 in the list: $(cat "$e2e_work/probe.txt")"
main=$(window_named '^Tovane - ') || fail "no main window"
[ "$(xdotool getwindowname "$main")" = "Tovane - $(windows_path "$demo/formats")" ] ||
  fail "title: $(xdotool getwindowname "$main")"
# What a task bar lists: the program's title, whatever the main window's caption says (the
# slideshow window, also captioned Tovane, is hidden now).
stands_for=0
for w in $(xdotool search --onlyvisible --class '^tovane\.exe$' 2>/dev/null); do
  [ "$(xdotool getwindowname "$w" 2>/dev/null)" = Tovane ] && stands_for=1
done
((stands_for)) || fail "no window stands for the program as \"Tovane\""

press "$main" Return
wait_until 60 "the slideshow window" fullscreen_exists
show=$(fullscreen_window)
walk_folder "$demo/formats"
press "$show" Next
walk_folder "$demo/写真"
press "$show" Escape
wait_until 30 "the slideshow to close" fullscreen_gone
press "$main" alt+f x
wait_program_end 60
e2e_log "passed"
