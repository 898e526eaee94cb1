#!/usr/bin/env python3
"""The static imports of the shipped programs are KnownDLLs of every Windows they run on.

    shipped_imports.py OBJDUMP PROGRAM...

Windows resolves a program's imports before any of its code runs, and looks for
a library that is no KnownDLL in the program's own folder first. SETUP runs
elevated from folders others can write (a copy of the DVD on a share, a
downloaded folder), so such an import would load whatever lies there under
that name. The programs load every other library at run time by its full path
in the system folder.

Prints each program's imports and fails on any library outside the list, on a
program without imports (objdump read nothing) and on a program whose
manifest does not bring COMCTL32 when it imports it.
"""
import re
import subprocess
import sys

# KnownDLLs of every Windows the programs' manifests declare, Vista to 10.
# Later systems list more (sechost from Windows 7, combase from Windows 8):
# an import of those would be searched in the program's folder on the earlier ones.
KNOWN_DLLS = {
    "advapi32.dll", "comdlg32.dll", "gdi32.dll", "imm32.dll", "kernel32.dll", "msvcrt.dll",
    "ole32.dll", "oleaut32.dll", "rpcrt4.dll", "setupapi.dll", "shell32.dll", "shlwapi.dll",
    "user32.dll", "ws2_32.dll",
    # Mapped into every process by the system before the program's imports are read.
    "ntdll.dll",
}

# COMCTL32 is no KnownDLL. A program whose manifest depends on the Common
# Controls 6 assembly gets it from the side-by-side store through its
# activation context, not from its own folder (and a manifest turns off the
# ".local" redirection); without that dependency it is refused like any other.
COMCTL32 = "comctl32.dll"
COMMON_CONTROLS = re.compile(
    rb'name="Microsoft\.Windows\.Common-Controls"[^>]*publicKeyToken="6595b64144ccf1df"')


def imports_of(objdump, program):
    listing = subprocess.run([objdump, "-p", program], check=True, capture_output=True,
                             text=True).stdout
    return [line.split(":", 1)[1].strip() for line in listing.splitlines()
            if line.strip().startswith("DLL Name:")]


def manifest_brings_common_controls(program):
    with open(program, "rb") as image:
        return COMMON_CONTROLS.search(image.read()) is not None


def refused_imports(program, imports):
    refused = [name for name in imports
               if name.lower() not in KNOWN_DLLS and name.lower() != COMCTL32]
    if any(name.lower() == COMCTL32 for name in imports) and \
            not manifest_brings_common_controls(program):
        refused.append("COMCTL32.dll (no Common Controls 6 dependency in the manifest)")
    return refused


def main(objdump, programs):
    failed = False
    for program in programs:
        imports = imports_of(objdump, program)
        print(f"{program}: {', '.join(imports)}")
        if not imports:
            print(f"  no imports read from {program}")
            failed = True
        for name in refused_imports(program, imports):
            print(f"  not a KnownDLL of every supported Windows: {name}")
            failed = True
    return 1 if failed else 0


if __name__ == "__main__":
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1], sys.argv[2:]))
