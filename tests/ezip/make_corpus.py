#!/usr/bin/env python3
"""Writes the archive corpus of the EZip tests: archives made by other tools.

  make_corpus.py OUTPUT_FOLDER

Source files of varied kinds (long zero runs with a few scattered bytes, text,
incompressible data, mixtures) and sizes (0 bytes to several MB, many of them
around multiples of the expander's 64 KiB output chunk) go into archives
written by Python's zipfile at every deflate level and stored, and by Debian's
`zip` at every level. Each source lands in several archives, so the corpus
holds several thousand members.

OUTPUT_FOLDER receives src/ (the sources), the archives, and MANIFEST.TXT:
one line per member, "archive<TAB>member<TAB>source", names relative to
OUTPUT_FOLDER, the member named as the installer asks for it ("\\").
"""
import os
import random
import shutil
import subprocess
import sys
import zipfile

CHUNK = 64 * 1024
SEED = 20261208


def zero_runs(rng, size):
    """Mostly zeros, a few scattered bytes: deflates to almost nothing."""
    data = bytearray(size)
    for _ in range(rng.randint(0, max(1, size // 20000) + 3)):
        if size:
            data[rng.randrange(size)] = rng.randrange(1, 256)
    return bytes(data)


WORDS = ("法令 判例 条文 第一条 附則 the statute of court appeal " "section index 検索 索引 規則").split()


def text(rng, size):
    out = []
    length = 0
    while length < size:
        line = " ".join(rng.choice(WORDS) for _ in range(rng.randint(3, 14))) + "\r\n"
        chunk = line.encode("cp932")
        out.append(chunk)
        length += len(chunk)
    return b"".join(out)[:size]


def noise(rng, size):
    return rng.randbytes(size)


def mixed(rng, size):
    parts = []
    left = size
    kinds = (zero_runs, text, noise)
    while left > 0:
        n = min(left, rng.randint(1, 200000))
        parts.append(rng.choice(kinds)(rng, n))
        left -= n
    return b"".join(parts)


def repeated(rng, size):
    """A short pattern over and over: long matches at the window's distance."""
    pattern = rng.randbytes(rng.randint(1, 300))
    return (pattern * (size // len(pattern) + 1))[:size]


KINDS = (zero_runs, text, noise, mixed, repeated)


def sources_to_make(rng):
    """(kind, size) pairs: 0 bytes to several MB, many around multiples of the
    output chunk, where an output buffer comes back exactly full."""
    pairs = []
    small = [0, 1, 2, 255, 256, 257, 1023, 4096, 32767, 32768, 32769]
    small += [rng.randint(0, 4000) for _ in range(110)]
    small += [rng.randint(4000, 150000) for _ in range(40)]
    pairs += [(kind, size) for size in small for kind in KINDS]
    around_chunks = [k * CHUNK + d for k in range(1, 6) for d in (-1, 0, 1)]
    pairs += [(kind, size) for size in around_chunks for kind in (zero_runs, text, repeated)]
    large = [327794, 1 << 20, 3 * (1 << 20) + 12345, 5 * (1 << 20)]
    pairs += [(kind, size) for size in large for kind in (zero_runs, text, mixed)]
    return pairs


def make_sources(rng, folder):
    sources = []
    for kind, size in sources_to_make(rng):
        name = "%s_%d_%d.bin" % (kind.__name__, size, len(sources))
        with open(os.path.join(folder, name), "wb") as f:
            f.write(kind(rng, size))
        sources.append((name, size))
    return sources


def python_archive(path, folder, names, level):
    method = zipfile.ZIP_STORED if level == 0 else zipfile.ZIP_DEFLATED
    kwargs = {} if level == 0 else {"compresslevel": level}
    with zipfile.ZipFile(path, "w", method, **kwargs) as archive:
        for name in names:
            archive.write(os.path.join(folder, name), "DATA/" + name)


def zip_archive(path, folder, names, level):
    # Debian's zip, run in the parent of src/ so members are stored as "src/NAME".
    listing = "\n".join("src/" + name for name in names) + "\n"
    subprocess.run(["zip", "-q", "-X", "-%d" % level, "-@", os.path.abspath(path)],
                   input=listing.encode(), cwd=os.path.dirname(folder), check=True)


def main():
    out = sys.argv[1]
    if os.path.isdir(out):
        shutil.rmtree(out)
    src = os.path.join(out, "src")
    os.makedirs(src)
    rng = random.Random(SEED)
    sources = make_sources(rng, src)

    # Small sources go into six archives (three levels of each writer), large
    # ones into two; the reported case, zeros deflated by zipfile at its
    # default level 6, is always among them.
    placed = {}
    for name, size in sources:
        copies = 3 if size <= 256 * 1024 else 1
        levels = set(rng.sample(range(10), copies))
        if name.startswith("zero_runs"):
            levels.add(6)
        for level in levels:
            placed.setdefault(("PY", level), []).append(name)
        for level in rng.sample(range(10), copies):
            placed.setdefault(("ZIP", level), []).append(name)

    manifest = []
    writers = {"PY": (python_archive, "DATA"), "ZIP": (zip_archive, "src")}
    for (prefix, level), names in sorted(placed.items()):
        writer, member_folder = writers[prefix]
        archive = "%s_L%d.ZIP" % (prefix, level)
        writer(os.path.join(out, archive), src, names, level)
        manifest += ["%s\t%s\\%s\tsrc\\%s" % (archive, member_folder, n, n) for n in names]

    with open(os.path.join(out, "MANIFEST.TXT"), "w", newline="\r\n") as f:
        f.write("\n".join(manifest) + "\n")


if __name__ == "__main__":
    main()
