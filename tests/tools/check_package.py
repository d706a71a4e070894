#!/usr/bin/python3
"""Checks the release package: both programs are 32-bit x86 Windows
executables (PE32), shadeloom.exe is a GUI program and shadeloom-render.exe a
console one, they import nothing but DLLs every Windows has, and the version
in the package name, the version record and `--version` agree.

    check_package.py PACKAGE.zip WINE-RUN
"""
import re
import struct
import subprocess
import sys
import tempfile
import zipfile

WINDOWS_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "comdlg32.dll", "msvcrt.dll"}
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def objdump(path):
    return subprocess.run(["i686-w64-mingw32-objdump", "-p", path], check=True,
                          capture_output=True, text=True).stdout


def coff_header(path):
    """Machine, symbol-table offset and symbol count of a PE file."""
    data = open(path, "rb").read(4096)
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        return None
    machine, _, _, symbols_at, symbols = struct.unpack_from("<HHIII", data, pe + 4)
    return machine, symbols_at, symbols


def version_record(data):
    """The ProductVersion value of the version record (UTF-16 strings)."""
    key = "ProductVersion".encode("utf-16-le") + b"\0\0"
    at = data.find(key)
    if at < 0:
        return None
    at += len(key)
    at += (4 - at % 4) % 4  # the value starts on a 32-bit boundary
    end = data.find(b"\0\0", at)
    while end >= 0 and (end - at) % 2:
        end = data.find(b"\0\0", end + 1)
    return data[at:end].decode("utf-16-le")


def main():
    package, wine_run = sys.argv[1], sys.argv[2]
    match = re.search(r"shadeloom-(\d+\.\d+\.\d+)-win32\.zip$", package)
    check(match, f"package name {package!r} has no version")
    version = match.group(1) if match else "?"
    folder = f"shadeloom-{version}/"
    expected = {folder + n for n in ("shadeloom.exe", "shadeloom-render.exe", "README.txt", "LICENSE.txt")}
    with zipfile.ZipFile(package) as archive, tempfile.TemporaryDirectory() as work:
        names = set(archive.namelist())
        check(names == expected, f"package holds {sorted(names)}, expected {sorted(expected)}")
        archive.extractall(work)
        for program, subsystem in (("shadeloom.exe", "Windows GUI"), ("shadeloom-render.exe", "Windows CUI")):
            path = f"{work}/{folder}{program}"
            headers = objdump(path)
            check("file format pei-i386" in headers, f"{program} is not PE32 for i386")
            check(re.search(r"^Magic\s+010b\b", headers, re.M), f"{program} lacks the PE32 optional header")
            check(re.search(rf"^Subsystem\s+\S+\s+\({subsystem}\)", headers, re.M),
                  f"{program} is not a {subsystem} program")
            dlls = {name.lower() for name in re.findall(r"DLL Name: (\S+)", headers)}
            check(dlls and dlls <= WINDOWS_DLLS, f"{program} imports {sorted(dlls - WINDOWS_DLLS)}")
            coff = coff_header(path)
            check(coff and coff[0] == 0x14C, f"{program}: machine {coff and hex(coff[0])}, expected i386 (0x14c)")
            check(coff and coff[1:] == (0, 0), f"{program} is not stripped (symbol table {coff and coff[1:]})")
        record = version_record(open(f"{work}/{folder}shadeloom.exe", "rb").read())
        record_version = ".".join(record.replace(" ", "").split(",")[:3]) if record else None
        check(record_version == version, f"version record {record!r}, package {version}")
        said = subprocess.run([wine_run, f"{work}/{folder}shadeloom-render.exe", "--version"],
                              capture_output=True, text=True).stdout.strip()
        check(said == f"shadeloom-render {version}", f"--version says {said!r}, package {version}")
    for failure in failures:
        print("FAIL:", failure)
    print(f"package: {'passed' if not failures else 'FAILED'} ({package})")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
