#!/usr/bin/env bash
# End to end: archives as places, as a user meets them. A folder holds 本.zip (three pictures
# named in code page 932, one in a sub-folder inside), set.7z and comic.cbz. The search lists the
# three archives; Enter on 本.zip shows "1 / 3" with the first entry's inner path, and Right
# steps through all three pictures (each its own colour); the tool lists the entries as they
# were written.
#   tests/e2e/archives.sh BIN_FOLDER
# shellcheck source=tests/e2e/common.sh
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"

install_program "$app"
ls "$app"/axarchive.* >/dev/null 2>&1 || fail "no archive module beside the program"
command -v 7z >/dev/null || fail "7z (p7zip-full) is needed to make the test's 7z archive"

pics="$e2e_work/pictures"
shelf="$e2e_work/shelf"
mkdir -p "$pics/sub" "$shelf"
convert -size 400x300 xc:'#ff0000' "$pics/a.png" &&
  convert -size 400x300 xc:'#00ff00' "$pics/b.png" &&
  convert -size 400x300 xc:'#0000ff' "$pics/sub/c.png" || fail "convert could not make the pictures"
python3 - "$pics" "$shelf" <<'PY' || fail "python could not make the archives"
import sys, zipfile
pics, shelf = sys.argv[1], sys.argv[2]

class Cp932Info(zipfile.ZipInfo):
    # As Japanese Windows programs write names: code page 932, no UTF-8 flag.
    def _encodeFilenameFlags(self):
        return self.filename.encode("cp932"), self.flag_bits & ~0x800

book = [("表紙.png", "a.png"), ("本文.png", "b.png"), ("第1章/ソース.png", "sub/c.png")]
with zipfile.ZipFile(shelf + "/本.zip", "w", zipfile.ZIP_DEFLATED) as z:
    for name, source in book:
        with open(pics + "/" + source, "rb") as f:
            z.writestr(Cp932Info(name, date_time=(2024, 1, 2, 3, 4, 6)), f.read())
with zipfile.ZipFile(shelf + "/comic.cbz", "w") as z:
    z.write(pics + "/a.png", "01.png")
    z.write(pics + "/b.png", "02.png")
PY
(cd "$pics" && 7z a -bd -y "$shelf/set.7z" a.png b.png >/dev/null) || fail "7z could not make set.7z"
echo "not a picture" >"$shelf/notes.txt"

# The tool: the book's entries in slideshow order, their names as written.
"$e2e_wine_run" "$e2e_bin/tovane-cli.exe" entries "$(windows_path "$shelf/本.zip")" </dev/null \
  >"$e2e_work/entries.raw" 2>"$e2e_work/entries.err" ||
  fail "tovane-cli entries failed: $(cat "$e2e_work/entries.err")"
tr -d '\r' <"$e2e_work/entries.raw" >"$e2e_work/entries.txt"
# The plain order compares the names' bytes in code page 932: 第 0x91E6, 表 0x955C, 本 0x967B.
printf '第1章\\ソース.png\n表紙.png\n本文.png\n' >"$e2e_work/entries.expected"
sort_check=$(diff "$e2e_work/entries.expected" "$e2e_work/entries.txt") ||
  fail "tovane-cli entries listed: $(cat "$e2e_work/entries.txt") ($sort_check)"
e2e_log "entries of 本.zip: $(tr '\n' ' ' <"$e2e_work/entries.txt")"

read -r screen_w screen_h < <(screen_size | tr x ' ')
centre_x=$((screen_w / 2))
centre_y=$((screen_h / 2))

start_program "$app/Tovane.exe" "$(windows_path "$shelf")"
wait_search_done
[ "$(probe_value folders)" = 3 ] || fail "expected the 3 archives in the list: $(cat "$e2e_work/probe.txt")"
# The list's line of 本.zip (the walk's order decides where it stands).
book_line=$(grep '^item: ' "$e2e_work/probe.txt" | grep -n '\\本\.zip$' | cut -d: -f1)
[ -n "$book_line" ] || fail "本.zip is not in the folder list: $(cat "$e2e_work/probe.txt")"
book_index=$((book_line - 1))

main=$(window_named '^Tovane - ') || fail "no main window"
press "$main" Home
for ((i = 0; i < book_index; i++)); do press "$main" Down; done
press "$main" Return
wait_until 60 "the slideshow window to cover the screen" fullscreen_exists
show=$(fullscreen_window)

# labels_have TEXT: one of the slideshow's labels reads TEXT exactly.
labels_have() {
  "$e2e_wine_run" "$e2e_bin/shell_probe.exe" labels </dev/null 2>/dev/null | tr -d '\r' \
    >"$e2e_work/labels.txt"
  grep -qxF "label: $1" "$e2e_work/labels.txt"
}
colour_at_centre() { pixel_is "$(shot "$1")" "$centre_x" "$centre_y" "$2"; }

wait_until 60 "the first entry, blue" colour_at_centre 1-first blue
labels_have "1 / 3  第1章\\ソース.png" ||
  fail "the labels do not read '1 / 3  第1章\\ソース.png': $(cat "$e2e_work/labels.txt")"
grep -qF "本.zip" "$e2e_work/labels.txt" || fail "no label names the archive: $(cat "$e2e_work/labels.txt")"
press "$show" Right
wait_until 30 "the second entry, red" colour_at_centre 2-second red
labels_have "2 / 3  表紙.png" || fail "the labels do not read '2 / 3  表紙.png': $(cat "$e2e_work/labels.txt")"
press "$show" Right
wait_until 30 "the third entry, green" colour_at_centre 3-third green
labels_have "3 / 3  本文.png" || fail "the labels do not read '3 / 3  本文.png': $(cat "$e2e_work/labels.txt")"
press "$show" Escape
wait_until 30 "the slideshow to close" fullscreen_gone
e2e_log "本.zip shown entry by entry; labels: $(tr '\n' ' ' <"$e2e_work/labels.txt")"
