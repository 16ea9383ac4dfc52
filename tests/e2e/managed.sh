#!/usr/bin/env bash
# End to end under a real window manager: openbox on a display of its own, the program's windows
# managed by it (as on a Linux desktop), not by wine. Every modal form must take the keyboard
# focus when it opens, so that Esc and Enter reach it at once: the about box, the options dialog
# and the folder-pick dialog, each opened from the menu by keys and closed by a key.
#   tests/e2e/managed.sh BIN_FOLDER
# shellcheck source=tests/e2e/common.sh
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"

command -v openbox >/dev/null || fail "openbox is not installed (scripts/setup installs it)"

# A display of its own with openbox, so that the other tests keep their unmanaged windows.
for n in $(seq 141 190); do
  [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || { wm_display=":$n"; break; }
done
Xvfb "$wm_display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
wm_xvfb=$!
for _ in $(seq 1 50); do
  [ -e "/tmp/.X11-unix/X${wm_display#:}" ] && break
  sleep 0.1
done
DISPLAY=$wm_display openbox --sm-disable >"$e2e_work/openbox.log" 2>&1 &
wm_pid=$!
managed_cleanup() {
  kill "$wm_pid" "$wm_xvfb" 2>/dev/null || true
  wait "$wm_pid" "$wm_xvfb" 2>/dev/null || true
}
trap 'managed_cleanup; e2e_cleanup' EXIT
export DISPLAY=$wm_display
wait_until 30 "openbox to run" eval 'xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window'

# The prefix keeps wine's windows unmanaged; this program, under a name of its own, is managed.
install_program "$app"
mv "$app/Tovane.exe" "$app/TovaneManaged.exe"
e2e_class='^tovanemanaged\.exe$'
/usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\AppDefaults\TovaneManaged.exe\X11 Driver' \
  /v Managed /d Y /f </dev/null >/dev/null 2>&1 || fail "cannot make the program's windows managed"

start_program "$app/TovaneManaged.exe"
wait_until 60 "the main window" window_named_exists '^Tovane$'
# focused_on TITLE: the X focus is on a program window of that title.
focused_on() { xdotool getwindowfocus getwindowname 2>/dev/null | grep -qx -- "$1"; }
focus_name() { xdotool getwindowfocus getwindowname 2>/dev/null; }
wait_until 30 "the main window to have the focus" focused_on Tovane

# opens_focused KEYS TITLE CLOSEKEY: the keys open a modal form titled TITLE, which must have the
# X focus by itself; CLOSEKEY, typed to the focused window, must close it.
opens_focused() {
  xdotool key --delay 150 $1
  wait_until 30 "the $2 window" window_named_exists "^$2\$"
  local deadline=$((SECONDS + 10))
  until focused_on "$2" || ((SECONDS >= deadline)); do sleep 0.2; done
  focused_on "$2" || fail "the $2 window opened without the focus (it is on '$(focus_name)')"
  xdotool key --delay 150 "$3"
  wait_until 15 "$3 to close the $2 window" window_named_gone "^$2\$"
  wait_until 10 "the main window to have the focus again" focused_on Tovane
  e2e_log "$2 opened with the focus and closed by $3"
}
opens_focused "alt+h a" 'バージョン情報' Escape
opens_focused "alt+h a" 'バージョン情報' Return
opens_focused "alt+o o" 'オプション' Escape
opens_focused "alt+f o" 'フォルダ登録' Escape

xdotool key --delay 150 alt+f x
wait_program_end 60
e2e_log "passed"
