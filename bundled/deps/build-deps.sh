#!/usr/bin/env bash
# Fetches the libraries of the bundled modules (the decoders, and the archive module's libarchive
# with its compression libraries) as Debian source packages and builds them as static MinGW
# libraries, once per machine and target.
#   bundled/deps/build-deps.sh win64|win32
# Prints the install prefix (include/, lib/, licences/) as its last line. Everything lives in
# $TOVANE_DEPS_DIR (default ~/.cache/tovane-deps): the unpacked sources, shared by both targets,
# and one prefix per target. Each library is built again only when its recipe below changes.
# Only the libraries are built (no tools, tests or documentation); progress goes to stderr.
set -euo pipefail

target=${1:?usage: build-deps.sh win64|win32}
case "$target" in
  win64) host=x86_64-w64-mingw32 cpu=x86_64 jpeg_cpu=AMD64 ;;
  win32) host=i686-w64-mingw32 cpu=x86 jpeg_cpu=X86 ;;
  *) echo "build-deps.sh: unknown target $target" >&2; exit 2 ;;
esac

root=${TOVANE_DEPS_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/tovane-deps}
prefix="$root/$target"
work="$root/work-$target"
cc=$host-gcc-posix
cxx=$host-g++-posix
sysroot=/usr/$host
jobs=$(nproc)
libraries=(zlib jpeg png webp dav1d heif lcms2 bzip2 xz zstd archive)

log() { echo "build-deps ($target): $*" >&2; }

# stamp LIBRARY: names the recipe of the library and of the helpers it uses.
stamp() {
  echo "$prefix/.built-$1-$( (declare -f "build_$1" fetch cmake_lib licence) | sha256sum | cut -c1-12)"
}

# fetch PACKAGE: unpacks Debian's source package once into $root/src/PACKAGE. The newest
# version the archive serves is taken; an update whose files the mirror lacks falls back to
# the one before it.
fetch() {
  local pkg=$1 dir="$root/src/$1"
  [ -f "$dir/.fetched" ] && return 0
  local versions
  versions=$(apt-cache showsrc "$pkg" 2>/dev/null | sed -n 's/^Version: //p' | sort -rV | uniq)
  if [ -z "$versions" ]; then
    echo "build-deps.sh: no source package $pkg: is the deb-src entry there (scripts/setup)?" >&2
    exit 1
  fi
  local v tmp
  for v in $versions; do
    tmp=$(mktemp -d "$root/.fetch-$pkg.XXXXXX")
    if (cd "$tmp" && apt-get source -qq "$pkg=$v" >/dev/null 2>&1); then
      rm -rf "$dir"
      mkdir -p "$root/src"
      mv "$(find "$tmp" -mindepth 1 -maxdepth 1 -type d | head -n1)" "$dir"
      rm -rf "$tmp"
      echo "$v" >"$dir/.fetched"
      log "fetched $pkg $v"
      return 0
    fi
    rm -rf "$tmp"
  done
  echo "build-deps.sh: could not fetch the source of $pkg from the archive" >&2
  exit 1
}

# licence NAME FILE...: the texts a distribution of the library must carry, in one file.
licence() {
  local out="$prefix/licences/$1.txt" f
  shift
  mkdir -p "$prefix/licences"
  : >"$out"
  for f in "$@"; do
    printf '==> %s <==\n' "${f##*/}" >>"$out"
    cat "$f" >>"$out"
    printf '\n' >>"$out"
  done
}

cmake_lib() { # cmake_lib SOURCE BUILD ARGS...: configures a library for the target.
  local src=$1 bld=$2
  shift 2
  PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig" PKG_CONFIG_PATH="" \
    cmake -S "$src" -B "$bld" -G Ninja -DCMAKE_BUILD_TYPE=Release -Wno-dev \
    -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_C_COMPILER="$cc" -DCMAKE_CXX_COMPILER="$cxx" \
    -DCMAKE_RC_COMPILER="$host-windres" -DCMAKE_FIND_ROOT_PATH="$prefix;$sysroot" \
    -DCMAKE_FIND_ROOT_PATH_MODE_PROGRAM=NEVER -DCMAKE_FIND_ROOT_PATH_MODE_LIBRARY=ONLY \
    -DCMAKE_FIND_ROOT_PATH_MODE_INCLUDE=ONLY -DCMAKE_INSTALL_PREFIX="$prefix" "$@" >/dev/null
}

# zlib for libpng: Debian's MinGW build (libz-mingw-w64-dev), linked statically.
build_zlib() {
  cp "$sysroot/lib/libz.a" "$prefix/lib/"
  cp "$sysroot/include/zlib.h" "$sysroot/include/zconf.h" "$prefix/include/"
  licence zlib /usr/share/doc/libz-mingw-w64-dev/copyright
}

# libjpeg-turbo with its SIMD code (nasm).
build_jpeg() {
  fetch libjpeg-turbo
  local s="$root/src/libjpeg-turbo" b="$work/jpeg"
  cmake_lib "$s" "$b" -DCMAKE_SYSTEM_PROCESSOR=$jpeg_cpu -DENABLE_SHARED=OFF \
    -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DWITH_JAVA=OFF -DWITH_SIMD=ON -DREQUIRE_SIMD=ON \
    -DCMAKE_ASM_NASM_COMPILER=nasm
  cmake --build "$b" --target jpeg-static --parallel "$jobs" >/dev/null
  cp "$b/libjpeg.a" "$prefix/lib/"
  cp "$s/jpeglib.h" "$s/jmorecfg.h" "$s/jerror.h" "$b/jconfig.h" "$prefix/include/"
  licence libjpeg-turbo "$s/LICENSE.md" "$s/README.ijg" "$s/debian/copyright"
}

# libpng with its SSE2 filters.
build_png() {
  fetch libpng1.6
  local s="$root/src/libpng1.6" b="$work/png"
  cmake_lib "$s" "$b" -DCMAKE_SYSTEM_PROCESSOR=$cpu -DPNG_SHARED=OFF -DPNG_STATIC=ON \
    -DPNG_TESTS=OFF -DPNG_HARDWARE_OPTIMIZATIONS=ON -DZLIB_LIBRARY="$prefix/lib/libz.a" \
    -DZLIB_INCLUDE_DIR="$prefix/include"
  cmake --build "$b" --target png_static --parallel "$jobs" >/dev/null
  cp "$b/libpng16.a" "$prefix/lib/libpng.a"
  cp "$s/png.h" "$s/pngconf.h" "$b/pnglibconf.h" "$prefix/include/"
  licence libpng "$s/LICENSE" "$s/debian/copyright"
}

# libwebp: the decoder and the demuxer (animations), without the encoder and tools. Its plain
# makefile needs no configure step (its CMake one runs minutes of checks); it builds in the
# source folder, so a copy of it. SSE2 is the x86 baseline of supported Windows versions.
build_webp() {
  fetch libwebp
  local s="$root/src/libwebp" b="$work/webp"
  local sse2=""
  [ "$cpu" = x86 ] && sse2=" -msse2"
  cp -r "$s" "$b"
  make -s -C "$b" -f makefile.unix -j "$jobs" CC="$cc$sse2" AR="$host-ar" HAVE_SSE41=1 \
    src/libwebpdecoder.a src/demux/libwebpdemux.a >/dev/null 2>&1
  cp "$b/src/libwebpdecoder.a" "$b/src/demux/libwebpdemux.a" "$prefix/lib/"
  mkdir -p "$prefix/include/webp"
  cp "$s/src/webp/decode.h" "$s/src/webp/demux.h" "$s/src/webp/mux_types.h" \
    "$s/src/webp/types.h" "$prefix/include/webp/"
  licence libwebp "$s/COPYING" "$s/PATENTS" "$s/debian/copyright"
}

# dav1d, the AV1 decoder under AVIF: 8-bit and high bit depth code paths, with its assembly.
build_dav1d() {
  fetch dav1d
  local s="$root/src/dav1d" b="$work/dav1d"
  local family=$cpu
  [ "$cpu" = x86 ] && family=x86
  cat >"$work/dav1d-cross.txt" <<EOF
[binaries]
c = '$cc'
ar = '$host-ar'
strip = '$host-strip'
windres = '$host-windres'
nasm = 'nasm'

[host_machine]
system = 'windows'
cpu_family = '$family'
cpu = '$([ "$cpu" = x86 ] && echo i686 || echo x86_64)'
endian = 'little'
EOF
  meson setup "$b" "$s" --cross-file "$work/dav1d-cross.txt" --prefix "$prefix" \
    --libdir lib --buildtype release --default-library static -Denable_tools=false \
    -Denable_tests=false -Denable_examples=false -Denable_docs=false -Dbitdepths=8,16 \
    -Denable_asm=true -Dlogging=false >/dev/null
  ninja -C "$b" -j "$jobs" >/dev/null
  meson install -C "$b" --quiet >/dev/null
  licence dav1d "$s/COPYING" "$s/debian/copyright"
}

# libheif, the AVIF container's reader, decoding through dav1d (its only codec here).
build_heif() {
  fetch libheif
  local s="$root/src/libheif" b="$work/heif"
  local off=(-DWITH_LIBDE265=OFF -DWITH_X265=OFF -DWITH_AOM_ENCODER=OFF -DWITH_AOM_DECODER=OFF
    -DWITH_SvtEnc=OFF -DWITH_RAV1E=OFF -DWITH_EXAMPLES=OFF -DBUILD_TESTING=OFF)
  cmake_lib "$s" "$b" -DBUILD_SHARED_LIBS=OFF -DENABLE_PLUGIN_LOADING=OFF -DWITH_DAV1D=ON \
    -DWITH_DAV1D_PLUGIN=OFF "${off[@]}"
  cmake --build "$b" --target heif --parallel "$jobs" >/dev/null
  cp "$b/libheif/libheif.a" "$prefix/lib/"
  mkdir -p "$prefix/include/libheif"
  cp "$s/libheif/heif.h" "$b/libheif/heif_version.h" "$prefix/include/libheif/"
  licence libheif "$s/COPYING" "$s/debian/copyright"
}

# Little CMS 2, the colour management under the plug-ins' embedded-profile handling. Plain C
# without a configuration step: its sources are compiled as they are.
build_lcms2() {
  fetch lcms2
  local s="$root/src/lcms2" b="$work/lcms2" f
  mkdir -p "$b"
  for f in "$s"/src/*.c; do
    "$cc" -O2 -I"$s/include" -c "$f" -o "$b/$(basename "${f%.c}").o" &
    while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n; done
  done
  wait
  "$host-ar" rcs "$prefix/lib/liblcms2.a" "$b"/*.o
  cp "$s/include/lcms2.h" "$prefix/include/"
  licence lcms2 "$s/COPYING" "$s/debian/copyright"
}

# bzip2 for the archive module (bzip2-compressed ZIP entries and tar files). Plain C: its
# library's sources compiled as they are.
build_bzip2() {
  fetch bzip2
  local s="$root/src/bzip2" b="$work/bzip2" f
  mkdir -p "$b"
  for f in blocksort huffman crctable randtable compress decompress bzlib; do
    "$cc" -O2 -D_FILE_OFFSET_BITS=64 -c "$s/$f.c" -o "$b/$f.o"
  done
  "$host-ar" rcs "$prefix/lib/libbz2.a" "$b"/*.o
  cp "$s/bzlib.h" "$prefix/include/"
  licence bzip2 "$s/LICENSE" "$s/debian/copyright"
}

# liblzma of XZ Utils: xz and LZMA in 7z, ZIP and tar.xz.
build_xz() {
  fetch xz-utils
  local s="$root/src/xz-utils" b="$work/xz"
  cmake_lib "$s" "$b" -DBUILD_SHARED_LIBS=OFF
  cmake --build "$b" --target liblzma --parallel "$jobs" >/dev/null
  cp "$b/liblzma.a" "$prefix/lib/"
  mkdir -p "$prefix/include/lzma"
  cp "$s/src/liblzma/api/lzma.h" "$prefix/include/"
  cp "$s"/src/liblzma/api/lzma/*.h "$prefix/include/lzma/"
  licence xz "$s/COPYING" "$s/debian/copyright"
}

# Zstandard, its decoder only (tar.zst, zstd in ZIP): the sources compiled as they are, without
# the assembly (which is for ELF targets).
build_zstd() {
  fetch libzstd
  local s="$root/src/libzstd" b="$work/zstd" f
  mkdir -p "$b"
  for f in "$s"/lib/common/*.c "$s"/lib/decompress/*.c; do
    "$cc" -O2 -DZSTD_DISABLE_ASM -DXXH_NAMESPACE=ZSTD_ -c "$f" -o "$b/$(basename "${f%.c}").o" &
    while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n; done
  done
  wait
  "$host-ar" rcs "$prefix/lib/libzstd.a" "$b"/*.o
  cp "$s/lib/zstd.h" "$s/lib/zstd_errors.h" "$prefix/include/"
  licence zstd "$s/LICENSE" "$s/debian/copyright"
}

# libarchive, the reader of the archive module, over the four libraries above; reading only:
# no tools, no crypto (encrypted entries are reported, not opened), no iconv (Windows converts
# the code pages), no regular expressions (only its tools' options use them). Its check whether
# zlib needs ZLIB_WINAPI runs a program, which a cross build cannot: Debian's MinGW zlib does
# not (the answer is given as that program's failing exit code).
build_archive() {
  fetch libarchive
  local s="$root/src/libarchive" b="$work/archive" o
  local off=()
  for o in OPENSSL MBEDTLS NETTLE CNG LIBB2 LZ4 LZO LIBXML2 EXPAT PCREPOSIX LIBGCC ICONV ACL XATTR \
    TAR CPIO CAT TEST INSTALL WERROR; do
    off+=("-DENABLE_$o=OFF")
  done
  cmake_lib "$s" "$b" -DBUILD_SHARED_LIBS=OFF -DENABLE_ZLIB=ON -DENABLE_BZip2=ON \
    -DENABLE_LZMA=ON -DENABLE_ZSTD=ON -DZLIB_LIBRARY="$prefix/lib/libz.a" \
    -DZLIB_INCLUDE_DIR="$prefix/include" -DBZIP2_LIBRARY_RELEASE="$prefix/lib/libbz2.a" \
    -DBZIP2_INCLUDE_DIR="$prefix/include" -DLIBLZMA_LIBRARY="$prefix/lib/liblzma.a" \
    -DLIBLZMA_INCLUDE_DIR="$prefix/include" -DZSTD_LIBRARY="$prefix/lib/libzstd.a" \
    -DZSTD_INCLUDE_DIR="$prefix/include" -DPOSIX_REGEX_LIB=NONE \
    -DZLIB_WINAPI_EXITCODE=1 -DZLIB_WINAPI_EXITCODE__TRYRUN_OUTPUT= "${off[@]}"
  cmake --build "$b" --target archive_static --parallel "$jobs" >/dev/null
  cp "$b/libarchive/libarchive_static.a" "$prefix/lib/libarchive.a"
  cp "$s/libarchive/archive.h" "$s/libarchive/archive_entry.h" "$prefix/include/"
  licence libarchive "$s/COPYING" "$s/debian/copyright"
}

mkdir -p "$root"
built() {
  local lib
  for lib in "${libraries[@]}"; do
    [ -f "$(stamp "$lib")" ] || return 1
  done
}
if ! built; then
  # One builder at a time per machine (worktrees may configure at once).
  exec 9>"$root/.lock"
  flock 9
  mkdir -p "$prefix/include" "$prefix/lib"
  for lib in "${libraries[@]}"; do
    done_stamp=$(stamp "$lib")
    [ -f "$done_stamp" ] && continue
    rm -f "$prefix/.built-$lib-"*
    log "building $lib"
    started=$SECONDS
    rm -rf "$work"
    mkdir -p "$work"
    "build_$lib"
    rm -rf "$work"
    log "$lib built in $((SECONDS - started)) s"
    echo "$((SECONDS - started)) s" >"$done_stamp"
  done
fi
echo "$prefix"
