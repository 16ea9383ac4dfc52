#!/usr/bin/env bash
# Checks the release packages that the package_zip target wrote into each Windows build given:
#   tests/package/check.sh BUILD_DIR...        (e.g. build/win64 build/win32)
# For each build: one package and one debug archive named after the build's version; the
# package holds one folder with exactly Tovane.exe, tovane-cli.exe, tovane-host.exe when the
# build made it, every bundled module the build made beside them, the two guides and
# licences/*.txt (the runtime's, stb's, and each the build listed); every program and module
# in it is a PE of the build's machine type with no debug sections, the commit's time and a debug
# link to a file of the debug archive; both guides name every bundled module; Tovane.exe's
# version resource carries the version. From each package, unzipped, tovane-cli.exe run under
# Wine lists every bundled module and decodes a picture through them. The win64 package holds
# the 32-bit tovane-host32.exe too; given both builds, the win64 package with the win32
# package's ifpng.spi in place of its own modules lists it and decodes a PNG with it.
set -uo pipefail
# The tools' messages in English, whatever the caller's locale (wine-run sets Wine's own).
export LC_ALL=C
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

(($#)) || { echo "usage: $0 BUILD_DIR..." >&2; exit 2; }
work=$(mktemp -d "${TMPDIR:-/tmp}/tovane-package-check.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "package check: $*" >&2
  failures=$((failures + 1))
}

# run_wine EXE ARGS...: a program of a package under the project's Wine, its output
# without CRs; starts Xvfb and a wineserver first when the caller has none.
run_wine() {
  if [ -z "${WINEPREFIX:-}" ] || [ -z "${DISPLAY:-}" ]; then
    unset TOVANE_USE_DISPLAY
    # shellcheck source=scripts/wine-env
    . "$here/scripts/wine-env"
    trap 'tovane_wine_stop; rm -rf "$work"' EXIT
    export LC_ALL=C
  fi
  "$here/scripts/wine-run" "$@" </dev/null 2>&1 | tr -d '\r'
}

# The TimeDateStamp of a PE file's header (at the offset that e_lfanew gives, plus 8).
pe_time_stamp() {
  local header
  header=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
  od -An -tu4 -j$((header + 8)) -N4 "$1" | tr -d ' '
}

windows_path() { echo "Z:$(realpath "$1" | sed 's|/|\\|g')"; }

check_build() {
  local build=$1
  local version arch module_ext format tool epoch
  version=$(sed -n 's/^#define TOVANE_VERSION "\(.*\)"$/\1/p' "$build/generated/TovaneVersion.h" 2>/dev/null)
  epoch=$(sed -n 's/^#define TOVANE_SOURCE_EPOCH \([0-9]*\)$/\1/p' "$build/generated/TovaneVersion.h" 2>/dev/null)
  [ -n "$version" ] && [ -n "$epoch" ] ||
    { fail "$build: no version or time in generated/TovaneVersion.h"; return; }
  # The build's kind, from the program it built.
  # (Tools' output is read whole: with pipefail, grep -q ending a pipe early fails it.)
  if [[ $(x86_64-w64-mingw32-objdump -f "$build/bin/Tovane.exe" 2>/dev/null) == *"file format pei-x86-64"* ]]; then
    arch=win64 module_ext=sph format=pei-x86-64 tool=x86_64-w64-mingw32
  else
    arch=win32 module_ext=spi format=pei-i386 tool=i686-w64-mingw32
  fi
  local name="tovane-$version-$arch"
  local zip="$build/packages/$name.zip" debug="$build/packages/$name-debug.zip"
  [ -f "$zip" ] || { fail "no $zip"; return; }
  [ -f "$debug" ] || { fail "no $debug"; return; }
  local others
  others=$(find "$build/packages" -name '*.zip' ! -name "$name.zip" ! -name "$name-debug.zip")
  [ -z "$others" ] || fail "$arch: stray archives beside the package: $others"

  # The file list: what must be there, and nothing else.
  local -a want=(Tovane.exe tovane-cli.exe guide-ja.txt guide-en.txt
    licences/mingw-w64.txt licences/gcc-runtime.txt licences/GPL-3.txt licences/stb.txt)
  [ -f "$build/bin/tovane-host.exe" ] && want+=(tovane-host.exe)
  # The 64-bit package runs 32-bit modules in its 32-bit host.
  [ "$arch" = win64 ] && want+=(tovane-host32.exe)
  local f modules=()
  for f in "$build"/bin/*."$module_ext"; do
    [ -e "$f" ] && modules+=("$(basename "$f")")
  done
  ((${#modules[@]} >= 2)) || fail "$arch: the build made only ${#modules[@]} bundled modules"
  want+=("${modules[@]}")
  for f in "$build"/licences/*.txt; do
    [ -e "$f" ] && want+=("licences/$(basename "$f")")
  done
  unzip -Z1 "$zip" | LC_ALL=C sort >"$work/$arch.list"
  printf "$name/%s\n" "${want[@]}" | LC_ALL=C sort -u >"$work/$arch.want"
  diff -u "$work/$arch.want" "$work/$arch.list" >"$work/$arch.diff" ||
    fail "$arch: the package's files differ from what it must hold (- missing, + extra):
$(tail -n +3 "$work/$arch.diff" | grep '^[-+]')"

  local dir="$work/$arch"
  mkdir -p "$dir"
  unzip -q "$zip" -d "$dir" || { fail "$arch: cannot unzip $zip"; return; }
  unzip -q "$debug" -d "$work/$arch-debug" || { fail "$arch: cannot unzip $debug"; return; }
  dir="$dir/$name"
  unpacked[$arch]=$dir

  # Every program and module: machine type, no debug sections, the time stamp, a debug link.
  local pe header sections link stamp
  for pe in "$dir"/*.exe "$dir"/*."$module_ext"; do
    [ -e "$pe" ] || continue
    f=$(basename "$pe")
    local want_format=$format
    [ "$f" = tovane-host32.exe ] && want_format=pei-i386
    header=$("$tool-objdump" -f "$pe" 2>&1)
    grep -q "file format $want_format\$" <<<"$header" || fail "$arch: $f is not $want_format: $header"
    # A 32-bit program takes the whole address space a 64-bit system gives it.
    if [[ $want_format == pei-i386 && $f == *.exe ]]; then
      local private
      private=$("$tool-objdump" -p "$pe" 2>&1)
      grep -q 'large address aware' <<<"$private" || fail "$arch: $f is not large-address-aware"
    fi
    sections=$("$tool-objdump" -h "$pe" | awk '$2 ~ /^\./ {print $2}')
    grep -q '^\.z\?debug' <<<"$sections" && fail "$arch: $f ships debug sections"
    stamp=$(pe_time_stamp "$pe")
    [ "$stamp" = "$epoch" ] || fail "$arch: $f is stamped $stamp, not with the commit's time $epoch"
    rm -f "$work/link"
    "$tool-objcopy" --dump-section .gnu_debuglink="$work/link" "$pe" "$work/copy" 2>/dev/null
    link=""
    [ -f "$work/link" ] && link=$(tr '\0' '\n' <"$work/link" | head -n 1)
    [ "$link" = "$f.debug" ] || fail "$arch: $f has no debug link to $f.debug (${link:-none})"
    sections=$("$tool-objdump" -h "$work/$arch-debug/$name/$f.debug" 2>/dev/null)
    grep -q ' \.debug_info ' <<<"$sections" ||
      fail "$arch: the debug archive has no debug information for $f"
  done

  # Both guides name every bundled module.
  local m lang
  for m in "${modules[@]}"; do
    for lang in ja en; do
      grep -q "^  ${m%.*} " "$dir/guide-$lang.txt" ||
        fail "$arch: guide-$lang.txt does not describe the bundled module ${m%.*} (docs/guide-$lang.txt)"
    done
  done

  # The version resource says the version.
  local resources
  resources=$("$tool-windres" -i "$dir/Tovane.exe" -O rc 2>/dev/null)
  grep -q "VALUE \"ProductVersion\", \"$version\"" <<<"$resources" ||
    fail "$arch: Tovane.exe's version resource does not say $version"

  local size
  size=$(stat -c %s "$zip")
  echo "package check: $arch: $name.zip, ${#want[@]} files, $size bytes; debug $(stat -c %s "$debug") bytes"

  # Each build's output files by name, so that one build cannot pass on another's.
  run_wine "$dir/tovane-cli.exe" plugins >"$work/plugins-$arch.txt"
  for m in "${modules[@]}"; do
    grep -qiF "$(windows_path "$dir")\\$m" "$work/plugins-$arch.txt" ||
      fail "$arch: tovane-cli plugins from the package does not list $m: $(cat "$work/plugins-$arch.txt")"
  done
  convert -size 64x48 gradient:'#204070-#e0c080' "$work/picture.png" &&
    run_wine "$dir/tovane-cli.exe" decode "$(windows_path "$work/picture.png")" \
      "$(windows_path "$work")\\picture-$arch.bmp" >"$work/decode-$arch.txt" &&
    [ "$(identify -format '%wx%h' "$work/picture-$arch.bmp" 2>/dev/null)" = 64x48 ] ||
    fail "$arch: tovane-cli from the package did not decode a PNG: $(cat "$work/decode-$arch.txt" 2>/dev/null)"

  # Unzipped into a folder whose name the code page cannot spell: the modules are still found
  # and the decoding host still starts.
  local odd="$work/Zo$(printf '\xc3\xab')-$arch"
  mkdir -p "$odd" && unzip -q "$zip" -d "$odd" &&
    run_wine "$odd/$name/tovane-cli.exe" decode "$(windows_path "$work/picture.png")" \
      "$(windows_path "$work")\\odd-$arch.bmp" >"$work/odd-$arch.txt" 2>&1 &&
    [ "$(identify -format '%wx%h' "$work/odd-$arch.bmp" 2>/dev/null)" = 64x48 ] ||
    fail "$arch: tovane-cli unzipped into a folder named Zoë did not decode a PNG: $(cat "$work/odd-$arch.txt" 2>/dev/null)"
}

# unpacked[ARCH]: the package's folder, unzipped by check_build.
declare -A unpacked=()
for build in "$@"; do
  check_build "$build"
done

# The 64-bit package with the 32-bit package's ifpng.spi beside it instead of its own modules:
# the module runs in tovane-host32.exe, and the 64-bit tool lists it and decodes a PNG with it.
if [ -n "${unpacked[win64]:-}" ] && [ -n "${unpacked[win32]:-}" ]; then
  mixed="$work/mixed"
  cp -r "${unpacked[win64]}" "$mixed"
  rm -f "$mixed"/*.sph
  cp "${unpacked[win32]}/ifpng.spi" "$mixed/"
  run_wine "$mixed/tovane-cli.exe" plugins >"$work/plugins-mixed.txt"
  grep -qiF "$(windows_path "$mixed")\\ifpng.spi" "$work/plugins-mixed.txt" &&
    grep -q "Host: 32-bit decoding host" "$work/plugins-mixed.txt" ||
    fail "mixed: the 64-bit tovane-cli does not list the 32-bit ifpng.spi: $(cat "$work/plugins-mixed.txt")"
  run_wine "$mixed/tovane-cli.exe" decode "$(windows_path "$work/picture.png")" \
    "$(windows_path "$work")\\mixed.bmp" >"$work/decode-mixed.txt" &&
    [ "$(identify -format '%wx%h' "$work/mixed.bmp" 2>/dev/null)" = 64x48 ] ||
    fail "mixed: the 64-bit tovane-cli did not decode a PNG with the 32-bit ifpng.spi: $(cat "$work/decode-mixed.txt" 2>/dev/null)"
  echo "package check: the 64-bit package decodes with the 32-bit ifpng.spi"
fi
if ((failures)); then
  echo "package check: $failures failures" >&2
  exit 1
fi
echo "package check: passed"
