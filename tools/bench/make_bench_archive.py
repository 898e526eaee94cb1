#!/usr/bin/env python3
"""Writes the benchmark archive: about 2,000 members totalling about 200 MB,
mixed sizes, text that compresses and noise that does not (stored, as zip tools
store what does not shrink), some Japanese names. Also writes the member list
the Windows benchmark program reads (code page 932, backslashes, CR LF).

    make_bench_archive.py ARCHIVE LIST [MEMBERS] [TOTAL_MB]
"""
import os
import random
import sys
import zipfile

WORDS = ["法令", "第一条", "判例", "kestra", "article", "the", "court", "2024",
         "附則", "施行", "\r\n", "<p>", "</p>", "条文", "reference"]
FOLDERS = ["", "MANUAL/", "MANUAL/HTML/", "利用ガイド/", "ソフト/表/", "DATA/",
           "DATA/IDX/", "HELP/images/"]


def text_pool(size, rng):
    out = []
    length = 0
    while length < size:
        word = rng.choice(WORDS) + " "
        out.append(word)
        length += len(word.encode("utf-8"))
    return "".join(out).encode("utf-8")[:size]


def sizes(count, total, rng):
    """Mostly small files, some medium, a few large, scaled to the total."""
    raw = []
    for _ in range(count):
        roll = rng.random()
        if roll < 0.70:
            raw.append(rng.randint(200, 40_000))
        elif roll < 0.97:
            raw.append(rng.randint(40_000, 600_000))
        else:
            raw.append(rng.randint(2_000_000, 12_000_000))
    scale = total / sum(raw)
    return [max(0, int(s * scale)) for s in raw]


def main():
    archive, listing = sys.argv[1], sys.argv[2]
    count = int(sys.argv[3]) if len(sys.argv) > 3 else 2000
    total = int(sys.argv[4] if len(sys.argv) > 4 else 200) * 1_000_000
    rng = random.Random(20240101)
    pool = text_pool(16 * 1024 * 1024, rng)
    names = []
    with zipfile.ZipFile(archive, "w") as z:
        for i, size in enumerate(sizes(count, total, rng)):
            folder = FOLDERS[i % len(FOLDERS)]
            compressible = rng.random() < 0.6
            name = f"{folder}{'文書' if i % 5 == 0 else 'file'}{i:05d}.{'txt' if compressible else 'bin'}"
            if compressible:
                at = rng.randrange(0, len(pool) - size) if size < len(pool) else 0
                data = (pool[at:at + size] * (size // len(pool) + 1))[:size]
                method = zipfile.ZIP_DEFLATED
            else:
                data = os.urandom(size)
                method = zipfile.ZIP_STORED
            z.writestr(zipfile.ZipInfo(name, date_time=(2024, 1, 1, 12, 0, 0)), data,
                       compress_type=method)
            names.append(name)
    with open(listing, "wb") as out:
        for name in names:
            out.write(name.replace("/", "\\").encode("cp932") + b"\r\n")


if __name__ == "__main__":
    main()
