#!/usr/bin/python3
"""Checks the release package: both programs PE32 for i386, stripped, GUI and console, importing only
DLLs every Windows has; the package name, the version record and `--version` agree.

    check_package.py PACKAGE.zip WINE-RUN
"""
import re
import struct
import subprocess
import sys
import tempfile
import zipfile

WINDOWS_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "comdlg32.dll", "msvcrt.dll"}


def version_record(data):
    """The ProductVersion value of the version record (UTF-16, starting on a 32-bit boundary)."""
    key = "ProductVersion".encode("utf-16-le") + b"\0\0"
    at = data.find(key)
    if at < 0:
        return None
    at += len(key) + (4 - (at + len(key)) % 4) % 4
    end = data.find(b"\0\0", at)
    while end >= 0 and (end - at) % 2:
        end = data.find(b"\0\0", end + 1)
    return data[at:end].decode("utf-16-le")


def main():
    package, wine_run = sys.argv[1], sys.argv[2]
    failures = []
    match = re.search(r"shadeloom-(\d+\.\d+\.\d+)-win32\.zip$", package)
    version = match.group(1) if match else "?"
    if not match:
        failures.append(f"package name {package!r} has no version")
    folder = f"shadeloom-{version}/"
    expected = {folder + n for n in ("shadeloom.exe", "shadeloom-render.exe", "README.txt", "LICENSE.txt")}
    with zipfile.ZipFile(package) as archive, tempfile.TemporaryDirectory() as work:
        names = set(archive.namelist())
        if names != expected:
            failures.append(f"package holds {sorted(names)}, expected {sorted(expected)}")
        archive.extractall(work)
        for program, subsystem in (("shadeloom.exe", "Windows GUI"), ("shadeloom-render.exe", "Windows CUI")):
            path = f"{work}/{folder}{program}"
            headers = subprocess.run(["i686-w64-mingw32-objdump", "-p", path], check=True, capture_output=True,
                                     text=True).stdout
            dlls = {name.lower() for name in re.findall(r"DLL Name: (\S+)", headers)}
            data = open(path, "rb").read(4096)
            pe = struct.unpack_from("<I", data, 0x3C)[0]
            coff = struct.unpack_from("<HHIII", data, pe + 4) if data[pe:pe + 4] == b"PE\0\0" else None
            for ok, message in (
                    ("file format pei-i386" in headers, "is not PE32 for i386"),
                    (re.search(r"^Magic\s+010b\b", headers, re.M), "lacks the PE32 optional header"),
                    (re.search(rf"^Subsystem\s+\S+\s+\({subsystem}\)", headers, re.M), f"is not a {subsystem} program"),
                    (dlls and dlls <= WINDOWS_DLLS, f"imports {sorted(dlls - WINDOWS_DLLS)}"),
                    (coff and coff[0] == 0x14C, "has no i386 machine field"),
                    (coff and coff[3:] == (0, 0), "is not stripped")):
                if not ok:
                    failures.append(f"{program} {message}")
        record = version_record(open(f"{work}/{folder}shadeloom.exe", "rb").read())
        if (".".join(record.replace(" ", "").split(",")[:3]) if record else None) != version:
            failures.append(f"version record {record!r}, package {version}")
        said = subprocess.run([wine_run, f"{work}/{folder}shadeloom-render.exe", "--version"],
                              capture_output=True, text=True).stdout.strip()
        if said != f"shadeloom-render {version}":
            failures.append(f"--version says {said!r}, package {version}")
    for failure in failures:
        print("FAIL:", failure)
    print(f"package: {'passed' if not failures else 'FAILED'} ({package})")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
