#!/usr/bin/env bash
# End to end: the console tool over the bundled plug-ins of the build. It lists both plug-ins,
# and decodes every picture of the demo tree (each bundled format, 16x16 up to 3000x2000, a
# Japanese folder name) into bitmaps of the picture's size whose top and bottom rows have the
# source's colours (so rows are neither flipped nor their channels swapped).
#   tests/e2e/cli.sh BIN_FOLDER
# shellcheck source=tests/e2e/common.sh
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"

cli="$e2e_bin/tovane-cli.exe"
[ -f "$cli" ] || fail "no tovane-cli.exe in $e2e_bin"

# run_cli OUTPUT ARGS...: the tool's standard output (without CRs) into OUTPUT, errors beside it.
run_cli() {
  local out=$1
  shift
  "$e2e_wine_run" "$cli" "$@" </dev/null >"$out.raw" 2>"$out.err"
  local status=$?
  tr -d '\r' <"$out.raw" >"$out"
  return $status
}

# plugins: the program's folder is one of the default locations.
run_cli "$e2e_work/plugins.txt" plugins || fail "tovane-cli plugins failed: $(cat "$e2e_work/plugins.txt.err")"
for module in ifwic ifstb ifjpeg ifpng ifwebp ifavif; do
  grep -qiE "(^|\\\\)$module\\.$e2e_module_ext\$" "$e2e_work/plugins.txt" ||
    fail "tovane-cli plugins does not list $module.$e2e_module_ext: $(cat "$e2e_work/plugins.txt")"
done
grep -q '^  APIVersion: 00IN$' "$e2e_work/plugins.txt" ||
  fail "no import plug-in (00IN) in the list: $(cat "$e2e_work/plugins.txt")"
for ext in '\*\.png' '\*\.jpg' '\*\.webp' '\*\.avif' '\*\.tga' '\*\.psd'; do
  grep -qE "^  ${ext}[;:]" "$e2e_work/plugins.txt" || fail "no plug-in declares $ext"
done
e2e_log "plug-ins: $(grep -ciE "\\.$e2e_module_ext\$" "$e2e_work/plugins.txt") listed"

demo="$e2e_work/demo"
"$e2e_root/scripts/make-demo" "$demo" || fail "make-demo failed"

# close_colours "R G B" "R G B": within a tolerance that lossy decoders stay inside.
close_colours() {
  local a b
  read -r -a a <<<"$1"
  read -r -a b <<<"$2"
  local i d
  for i in 0 1 2; do
    d=$((a[i] - b[i]))
    ((d < 0)) && d=$((-d))
    ((d <= 16)) || return 1
  done
}

count=0
while IFS= read -r -d '' picture; do
  name=${picture#"$demo/"}
  out="$e2e_work/decoded-$count.bmp"
  run_cli "$e2e_work/decode-$count.txt" decode "$(windows_path "$picture")" "$(windows_path "$e2e_work")\\decoded-$count.bmp" ||
    fail "tovane-cli decode $name failed: $(cat "$e2e_work/decode-$count.txt.err")"
  want=$(identify -format '%wx%h' "${picture}[0]")
  got=$(identify -format '%wx%h' "$out" 2>/dev/null) || fail "$name: the tool wrote no readable bitmap"
  case $(identify -format '%m' "$out") in
    BMP*) ;;
    *) fail "$name: the output is not a Windows bitmap" ;;
  esac
  [ "$got" = "$want" ] || fail "$name: decoded to $got, the picture is $want"
  grep -qx "$want" "$e2e_work/decode-$count.txt" || fail "$name: the tool reported $(cat "$e2e_work/decode-$count.txt")"
  w=${want%x*}
  h=${want#*x}
  flat="$e2e_work/flat-$count.png"
  convert "${picture}[0]" -flatten "$flat" || fail "$name: ImageMagick cannot read it back"
  for y in 1 $((h - 2)); do
    source=$(pixel "$flat" $((w / 2)) "$y")
    decoded=$(pixel "$out" $((w / 2)) "$y")
    close_colours "$source" "$decoded" ||
      fail "$name: pixel ($((w / 2)),$y) decoded as ($decoded), the picture has ($source)"
  done
  e2e_log "decoded $name: $got"
  count=$((count + 1))
done < <(find "$demo" -type f ! -name '.*' -print0 | sort -z)
((count >= 16)) || fail "only $count demo pictures were found"
e2e_log "passed ($count pictures)"
