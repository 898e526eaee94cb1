#!/usr/bin/env python3
"""Writes the seeds of the setup_script harness with the DVD authoring tool's
own writers (tools/mkdvd): the setup script SETUP_F.INI of a small product and
the index script COLLCOPY.INF of a small index, each as mkdvd writes it, and
the two in one text (the harness reads [Groups] and [COLLECTION] of every
input).
  make_script_seeds.py CORPUS_FOLDER
"""
import importlib.machinery
import os
import sys
import tempfile
import types

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def load_mkdvd():
    # tools/mkdvd has no .py suffix: its source is run as a module of its own.
    path = os.path.join(ROOT, "tools", "mkdvd")
    module = types.ModuleType("mkdvd")
    module.__file__ = path
    sys.modules["mkdvd"] = module  # dataclasses look their module up here
    with open(path, encoding="utf-8") as source:
        exec(compile(source.read(), path, "exec"), module.__dict__)
    return module


def touch(root, relative, data=b"x"):
    path = os.path.join(root, *relative.replace("\\", "/").split("/"))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as out:
        out.write(data)


def main(argv):
    if len(argv) != 2:
        print("usage: make_script_seeds.py CORPUS_FOLDER", file=sys.stderr)
        return 2
    mkdvd = load_mkdvd()
    folder = os.path.join(argv[1], "setup_script")
    os.makedirs(folder, exist_ok=True)
    # The groups of the sample product (samples/product.dvd.ini), smaller.
    groups = [
        {"name": "KESTRA", "dir": "<INSTALLDIR>", "files": ["KESTRA.EXE"]},
        {"name": "MANUAL", "dir": "<INSTALLDIR>MANUAL\\", "files": ["MANUAL\\利用ガイド.PDF"]},
        {"name": "LIB_NTI31", "dir": "LIB\\_NTI31\\BIN\\", "files": ["LIB\\NTISRCH.DLL"]},
        {"name": "COM\\PDF", "dir": "FOXIT\\", "files": ["COM\\FoxitReader_AX_Std.ocx"]},
    ]
    with tempfile.TemporaryDirectory() as temp:
        product = os.path.join(temp, "product")
        for group in groups:
            for value in group["files"]:
                touch(product, value)
        script, _ = mkdvd.script_and_members(groups, product)
        docs = os.path.join(temp, "DOCS")
        for relative in ["KSCOLL.INF", "KSCOLL1\\assists\\A.IDX", "KSCOLL1\\parts\\PARTS.DAT",
                         "KSCOLL1\\topicidx\\索引.IDX", "KSCOLL1\\work\\W.TMP"]:
            touch(docs, relative)
        index = mkdvd.index_script(docs, compressed={"KSCOLL1\\PARTS\\PARTS.DAT"})
    seeds = {"setup-script": script, "index-script": index, "both-scripts": script + "\r\n" + index}
    for name, text in seeds.items():
        with open(os.path.join(folder, name), "wb") as out:
            out.write(text.encode(mkdvd.ENCODING))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
