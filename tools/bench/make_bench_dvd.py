#!/usr/bin/env python3
"""Authors the install benchmark's DVD image: the sample product's DVD with
EXTRA small files more, in application groups of 100 files each (folders
EXTRA01, EXTRA02, ... of the application folder), as a product with many
small help pages has them. The product folder and the description are written
beside the image; the same arguments give the same image.

    make_bench_dvd.py SAMPLE_PRODUCT SAMPLE_DESCRIPTION MKDVD DIST OUT EXTRA
"""
import os
import random
import shutil
import subprocess
import sys

FILES_PER_GROUP = 100


def extra_groups(count):
    """(folder, [file names]) of the extra files, FILES_PER_GROUP a folder."""
    groups = []
    for first in range(0, count, FILES_PER_GROUP):
        folder = "EXTRA%02d" % (len(groups) + 1)
        names = ["P%04d.HTM" % n for n in range(first + 1, min(first + FILES_PER_GROUP, count) + 1)]
        groups.append((folder, names))
    return groups


def write_product(sample_product, product, groups):
    if os.path.isdir(product):
        shutil.rmtree(product)
    shutil.copytree(sample_product, product)
    rng = random.Random(1000)
    for folder, names in groups:
        os.makedirs(os.path.join(product, folder))
        for name in names:
            line = ("<p>%s 第%d条</p>\r\n" % (name, rng.randint(1, 999))).encode("cp932")
            with open(os.path.join(product, folder, name), "wb") as out:
                out.write(line * rng.randint(10, 60))


def write_description(sample_description, description, groups):
    with open(sample_description, encoding="utf-8") as source:
        text = source.read()
    # The sample's groups are group1 to groupN; the extra ones follow.
    numbers = [int(line[6:-1]) for line in text.splitlines()
               if line.startswith("[group") and line.endswith("]")]
    n = max(numbers)
    for folder, names in groups:
        n += 1
        files = "\n        ".join(folder + "\\" + name for name in names)
        text += "\n[group%d]\nname = %s\ndir = <INSTALLDIR>%s\\\nfiles = %s\n" % (
            n, folder, folder, files)
    with open(description, "w", encoding="utf-8") as out:
        out.write(text)


def main(argv):
    if len(argv) != 7:
        sys.exit(__doc__)
    sample_product, sample_description, mkdvd, dist, out, extra = argv[1:]
    groups = extra_groups(int(extra))
    work = os.path.dirname(os.path.abspath(out))
    product = os.path.join(work, "product-%s" % extra)
    description = os.path.join(work, "product-%s.dvd.ini" % extra)
    write_product(sample_product, product, groups)
    write_description(sample_description, description, groups)
    subprocess.run([sys.executable, mkdvd, description, "--product", product, "--out", out,
                    "--dist", dist], check=True)


if __name__ == "__main__":
    main(sys.argv)
