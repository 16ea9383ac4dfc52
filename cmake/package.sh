#!/usr/bin/env bash
# Makes the release zips of one Windows build from the files it is given (the package_zip
# target of cmake/TovanePackage.cmake names them):
#   package.sh --arch win64|win32 --version V --epoch SECONDS --objcopy TOOL --strip TOOL
#              --source DIR --build DIR --out DIR FILE...
# writes OUT/tovane-V-ARCH.zip and OUT/tovane-V-ARCH-debug.zip. Both hold one folder,
# tovane-V-ARCH/: the first the stripped FILEs, guide-ja.txt, guide-en.txt and licences/, the
# second FILE.debug for each FILE (unzipped over the first, every debug file lies beside the
# file whose debug link names it). Two runs over the same build give the same bytes: every
# entry has the commit's time (EPOCH), fixed permissions and its place in sorted order.
set -euo pipefail

arch="" version="" epoch="" objcopy="" strip="" source="" build="" out=""
while (($#)); do
  case "$1" in
    --arch) arch=$2 ;;
    --version) version=$2 ;;
    --epoch) epoch=$2 ;;
    --objcopy) objcopy=$2 ;;
    --strip) strip=$2 ;;
    --source) source=$2 ;;
    --build) build=$2 ;;
    --out) out=$2 ;;
    --*) echo "package.sh: unknown option $1" >&2; exit 2 ;;
    *) break ;;
  esac
  shift 2
done
for v in arch version epoch objcopy strip source build out; do
  [ -n "${!v}" ] || { echo "package.sh: --$v is missing" >&2; exit 2; }
done
(($#)) || { echo "package.sh: no files to package" >&2; exit 2; }

name="tovane-$version-$arch"
stage="$build/package-stage"
rm -rf "$stage"
mkdir -p "$stage/ship/$name/licences" "$stage/debug/$name" "$out"
# Packages of this build made at other versions go: one package per build.
rm -f "$out"/tovane-*-"$arch".zip "$out"/tovane-*-"$arch"-debug.zip

# The programs and modules: debug information into FILE.debug, the rest stripped of it and of
# symbols, with a link to its debug file (its name and checksum). Rewriting a PE file stamps
# it with the time of day unless SOURCE_DATE_EPOCH gives one: the commit's.
export SOURCE_DATE_EPOCH="$epoch"
for f in "$@"; do
  base=$(basename "$f")
  "$objcopy" --only-keep-debug "$f" "$stage/debug/$name/$base.debug"
  "$strip" --strip-all -o "$stage/ship/$name/$base" "$f"
  (cd "$stage/debug/$name" && "$objcopy" --add-gnu-debuglink="$base.debug" "$stage/ship/$name/$base")
done

# The user guide: UTF-8 with a byte-order mark and CRLF line ends, as Notepad reads it.
for lang in ja en; do
  { printf '\357\273\277'; sed 's/$/\r/' "$source/docs/guide-$lang.txt"; } >"$stage/ship/$name/guide-$lang.txt"
done

# The licences of the libraries linked in: the MinGW-w64 runtime (CRT and winpthreads), GCC's
# runtime libraries (libgcc, libstdc++: GPL 3 with the runtime library exception), stb, and
# whatever decoder libraries the build lists in <build>/licences/.
licence() { sed 's/$/\r/' "$1" >"$stage/ship/$name/licences/$2"; }
licence /usr/share/doc/mingw-w64-common/copyright mingw-w64.txt
licence /usr/share/doc/gcc-mingw-w64-base/copyright gcc-runtime.txt
licence /usr/share/common-licenses/GPL-3 GPL-3.txt
licence /usr/share/doc/libstb-dev/copyright stb.txt
if [ -d "$build/licences" ]; then
  for f in "$build"/licences/*.txt; do
    [ -e "$f" ] && licence "$f" "$(basename "$f")"
  done
fi

# zip_folder ROOT ZIP: ROOT's files, sorted, with fixed times and permissions, no extra fields.
zip_folder() {
  local root=$1 zip=$2
  find "$root" -type d -exec chmod 0755 {} +
  find "$root" -type f -exec chmod 0644 {} +
  find "$root" -exec touch -h -d "@$epoch" {} +
  rm -f "$zip"
  (cd "$root" && find . -type f | sed 's|^\./||' | LC_ALL=C sort |
    TZ=UTC zip -q -X -D -9 "$zip" -@)
}
zip_folder "$stage/ship" "$out/$name.zip"
zip_folder "$stage/debug" "$out/$name-debug.zip"
rm -rf "$stage"
echo "$out/$name.zip"
echo "$out/$name-debug.zip"
