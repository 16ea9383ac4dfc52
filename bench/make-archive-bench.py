#!/usr/bin/env python3
"""The archive benchmark's ZIPs: make-archive-bench.py OUT_DIR writes many-small.zip and
many-large.zip, 1,000 entries each (pages/0000.jpg ...) of random bytes, stored as a ZIP of
JPEGs stores them: 1 KiB and 100 KiB an entry."""
import os
import random
import sys
import zipfile

out = sys.argv[1]
os.makedirs(out, exist_ok=True)
rng = random.Random(24)
for name, size in (("many-small.zip", 1024), ("many-large.zip", 100 * 1024)):
    with zipfile.ZipFile(os.path.join(out, name), "w", zipfile.ZIP_STORED) as z:
        for i in range(1000):
            z.writestr("pages/%04d.jpg" % i, rng.randbytes(size))
