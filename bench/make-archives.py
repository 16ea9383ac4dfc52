#!/usr/bin/env python3
"""Archives for the search benchmark: book.zip (1,000 copies of a photo, deflated) and
small.zip (20 small picture entries, for the search over many archives).
   make-archives.py PHOTO.jpg OUT_FOLDER"""
import os
import sys
import zipfile

photo, out = sys.argv[1], sys.argv[2]
os.makedirs(out, exist_ok=True)
with open(photo, "rb") as f:
    picture = f.read()
with zipfile.ZipFile(os.path.join(out, "book.zip.part"), "w", zipfile.ZIP_DEFLATED) as z:
    for i in range(1000):
        z.writestr("book/p%04d.jpg" % i, picture)
os.replace(os.path.join(out, "book.zip.part"), os.path.join(out, "book.zip"))
with zipfile.ZipFile(os.path.join(out, "small.zip"), "w", zipfile.ZIP_DEFLATED) as z:
    for i in range(20):
        z.writestr("s%02d.jpg" % i, picture[:1024])
    z.writestr("readme.txt", b"not a picture")
