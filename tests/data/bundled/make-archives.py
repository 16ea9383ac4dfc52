#!/usr/bin/env python3
"""Makes the archive module's test archives from pictures it makes:
    make-archives.py OUT_DIR LIBARCHIVE_TEST_DIR
OUT_DIR receives p1.png, p2.png, p3.png (the sources) and the archives the tests list and
unpack (tests/win/BundledArchiveTest.cpp names what each holds). ZIP and tar come from Python,
7z and the encrypted ZIP from p7zip's 7z, tar.zst from zstd; RAR 4, RAR 5 and LZH are samples of
libarchive's own tests, uudecoded from its source package (LIBARCHIVE_TEST_DIR)."""
import binascii
import bz2
import gzip
import io
import lzma
import os
import shutil
import struct
import subprocess
import sys
import tarfile
import zipfile
import zlib

out, samples = sys.argv[1], sys.argv[2]
os.makedirs(out, exist_ok=True)


def png(width, height, seed):
    """A small RGB PNG whose pixels depend on seed."""
    rows = b"".join(
        b"\0" + bytes((x * seed + y * 7) & 255 for x in range(width * 3)) for y in range(height))

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    return (b"\x89PNG\r\n\x1a\n" +
            chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))


pictures = {"p1": png(16, 12, 3), "p2": png(40, 30, 5), "p3": png(9, 70, 11)}
for name, data in pictures.items():
    with open(os.path.join(out, name + ".png"), "wb") as f:
        f.write(data)

# The book: names in code page 932 as Japanese Windows wrote them (no UTF-8 flag), one picture
# in a sub-folder, a folder entry (left out of the listing) before them.
BOOK = [("第1章/", None), ("表紙.png", "p1"), ("第1章/ソース.png", "p2"), ("第1章/一.png", "p3")]


class Cp932Info(zipfile.ZipInfo):
    """An entry whose name is stored in code page 932, the UTF-8 flag left off."""

    def _encodeFilenameFlags(self):
        return self.filename.encode("cp932"), self.flag_bits & ~0x800


def write_zip(path, entries, info_class=zipfile.ZipInfo, method=zipfile.ZIP_DEFLATED):
    with zipfile.ZipFile(path, "w") as z:
        for name, picture in entries:
            info = info_class(name, date_time=(2024, 5, 6, 7, 8, 10))
            if picture is None:
                info.external_attr = 0o40755 << 16 | 0x10
                z.writestr(info, b"")
            else:
                info.compress_type = method
                z.writestr(info, pictures[picture])


write_zip(os.path.join(out, "book.zip"), BOOK, Cp932Info)
# UTF-8 names, one the code page cannot hold; one entry stored, one deflated.
with zipfile.ZipFile(os.path.join(out, "utf8.cbz"), "w") as z:
    z.writestr(zipfile.ZipInfo("Zoë.png"), pictures["p1"], zipfile.ZIP_STORED)
    z.writestr(zipfile.ZipInfo("中文/简体.png"), pictures["p2"], zipfile.ZIP_DEFLATED)
# Names that point out of the folder an entry is written into.
write_zip(os.path.join(out, "escape.zip"),
          [("../escape.png", "p1"), ("a/../../escape2.png", "p2"), ("/abs.png", "p3")])

# Damaged: cut in the middle of the second entry's data (no central directory left), and one
# whose stored data has a byte changed (its CRC no longer holds).
whole = io.BytesIO()
write_zip(whole, [("one.png", "p1"), ("two.png", "p2"), ("three.png", "p3")])
with zipfile.ZipFile(whole) as z:
    second = z.getinfo("two.png")
cut = second.header_offset + 30 + len("two.png") + second.compress_size // 2
with open(os.path.join(out, "damaged.zip"), "wb") as f:
    f.write(whole.getvalue()[:cut])
crc = io.BytesIO()
write_zip(crc, [("crc.png", "p1")], method=zipfile.ZIP_STORED)
data = bytearray(crc.getvalue())
data[30 + len("crc.png") + 40] ^= 0xFF
with open(os.path.join(out, "crc.zip"), "wb") as f:
    f.write(data)

# Bombs: a gigabyte of zeros deflated, once saying so, once saying 1000 bytes (both of its
# size fields changed), and a sound picture behind them.
GIGABYTE = 1 << 30
bomb_path = os.path.join(out, "bomb.zip")
with zipfile.ZipFile(bomb_path, "w", compression=zipfile.ZIP_DEFLATED, compresslevel=1) as z:
    zeros = bytes(1 << 20)
    for name in ("bomb.png", "liar.png"):
        with z.open(name, "w") as entry:
            for _ in range(GIGABYTE // len(zeros)):
                entry.write(zeros)
    z.writestr(zipfile.ZipInfo("ok.png"), pictures["p1"])
with zipfile.ZipFile(bomb_path) as z:
    liar = z.getinfo("liar.png")
    central = z.start_dir
with open(bomb_path, "r+b") as f:
    whole = f.read()
    f.seek(liar.header_offset + 22)  # the local header's size unpacked
    f.write(struct.pack("<I", 1000))
    at = central
    while whole[at:at + 4] == b"PK\x01\x02":
        name_length, extra_length, comment_length = struct.unpack("<HHH", whole[at + 28:at + 34])
        if whole[at + 46:at + 46 + name_length] == b"liar.png":
            f.seek(at + 24)  # the central directory's
            f.write(struct.pack("<I", 1000))
        at += 46 + name_length + extra_length + comment_length

# A bomb that states no size: written as a stream (sizes in data descriptors after the data),
# its central directory cut off, so that only its local headers are read. A sound picture first.
class Unseekable:
    def __init__(self):
        self.data = bytearray()

    def write(self, b):
        self.data += b
        return len(b)

    def flush(self):
        pass


stream = Unseekable()
with zipfile.ZipFile(stream, "w", compression=zipfile.ZIP_DEFLATED, compresslevel=1) as z:
    z.writestr("ok.png", pictures["p1"])
    with z.open("stream.png", "w") as entry:
        zeros = bytes(1 << 20)
        for _ in range(GIGABYTE // len(zeros)):
            entry.write(zeros)
with open(os.path.join(out, "stream.zip"), "wb") as f:
    f.write(stream.data[:stream.data.index(b"PK\x01\x02")])

# tar, plain and compressed, with the book's names (UTF-8 in pax headers).
tar_bytes = io.BytesIO()
with tarfile.open(fileobj=tar_bytes, mode="w", format=tarfile.PAX_FORMAT) as t:
    for name, picture in BOOK:
        info = tarfile.TarInfo(name.rstrip("/"))
        info.mtime = 1715000000
        if picture is None:
            info.type = tarfile.DIRTYPE
            t.addfile(info)
        else:
            info.size = len(pictures[picture])
            t.addfile(info, io.BytesIO(pictures[picture]))
for suffix, mode in (("tar", "wb"), ("tar.gz", "gz"), ("tar.bz2", "bz2"), ("tar.xz", "xz")):
    path = os.path.join(out, "set." + suffix)
    if mode == "wb":
        with open(path, "wb") as f:
            f.write(tar_bytes.getvalue())
    else:
        opener = {"gz": gzip.open, "bz2": bz2.open, "xz": lzma.open}[mode]
        with opener(path, "wb") as f:
            f.write(tar_bytes.getvalue())
subprocess.run(["zstd", "-q", "-f", "-o", os.path.join(out, "set.tar.zst"),
                os.path.join(out, "set.tar")], check=True)

# 7z, and encrypted entries from 7z, made from a folder of the pictures under the book's names.
tree = os.path.join(out, "tree")
shutil.rmtree(tree, ignore_errors=True)
for name, picture in BOOK:
    path = os.path.join(tree, *name.rstrip("/").split("/"))
    if picture is None:
        os.makedirs(path, exist_ok=True)
    else:
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(pictures[picture])
env = dict(os.environ, LC_ALL="C.UTF-8")
for archive, options in (("set.7z", []), ("secret.7z", ["-pSECRET"]),
                         ("secret.zip", ["-tzip", "-pSECRET"])):
    path = os.path.join(out, archive)
    if os.path.exists(path):
        os.remove(path)
    subprocess.run(["7z", "a", "-bd", "-y"] + options + [path, "."], cwd=tree, env=env,
                   check=True, stdout=subprocess.DEVNULL)
shutil.rmtree(tree)

# libarchive's samples: RAR 4 with Unicode names, RAR 5 stored, RAR 4 encrypted, LZH in CP932.
for sample, name in (("test_read_format_rar_unicode.rar", "unicode.rar"),
                     ("test_read_format_rar5_stored.rar", "stored5.rar"),
                     ("test_read_format_rar_encryption_data.rar", "secret.rar"),
                     ("test_read_format_lha_filename_cp932.lzh", "cp932.lzh")):
    decoded = bytearray()
    with open(os.path.join(samples, sample + ".uu"), "rb") as f:
        for line in f:
            if line.startswith(b"begin "):
                continue
            if line.strip() == b"end":
                break
            decoded += binascii.a2b_uu(line)
    with open(os.path.join(out, name), "wb") as f:
        f.write(decoded)
