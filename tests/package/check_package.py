#!/usr/bin/env python3
"""Checks the Windows release zip as a user receives it: unpacked into a temporary folder, its
files, the exe's sections, imports and resources, the guide's encoding, and (with --dialog-test)
the unpacked exe started under Wine.

usage: check_package.py ZIP --objdump OBJDUMP [--wine-run WINE-RUN --dialog-test DIALOG-TEST]
Prints one line per check; exits 1 when any fails."""

import argparse
import re
import struct
import subprocess
import sys
import tempfile
import zipfile
from pathlib import Path

EXE, GUIDE = "Vermiq.exe", "使い方.txt"
DIALOG_TITLE = "辺長値を描画する"
# What the exe may load at start: system DLLs only; the C++ runtime is linked in statically.
SYSTEM_DLLS = ["comctl32.dll", "gdi32.dll", "kernel32.dll", "msimg32.dll", "msvcrt.dll",
               "ole32.dll", "shell32.dll", "user32.dll", "winmm.dll"]
FILE_VERSION, PRODUCT_VERSION = "1.1.2.0", "1.0.0.0"
RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 14, 16, 24

failures = []


def check(ok, what):
    print(("ok    " if ok else "FAIL  ") + what)
    if not ok:
        failures.append(what)


class PeImage:
    """The parts of a PE32+ file this check reads: the COFF symbol table's place, the sections,
    and the resource tree."""

    def __init__(self, data):
        self.data = data
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("not a PE file")
        coff = pe + 4
        (_, sections, _, self.symbol_table, self.symbol_count, optional_size,
         _) = struct.unpack_from("<HHIIIHH", data, coff)
        optional = coff + 20
        if struct.unpack_from("<H", data, optional)[0] != 0x20B:
            raise ValueError("not a 64-bit image")
        self.resource_rva = struct.unpack_from("<I", data, optional + 112 + 2 * 8)[0]
        self.sections = []
        for i in range(sections):
            at = optional + optional_size + 40 * i
            vsize, rva, raw_size, raw = struct.unpack_from("<IIII", data, at + 8)
            self.sections.append((rva, max(vsize, raw_size), raw))

    def offset(self, rva):
        for start, size, raw in self.sections:
            if start <= rva < start + size:
                return raw + rva - start
        raise ValueError(f"RVA {rva:#x} outside every section")

    def resources(self):
        """{(type, name): data} of the first language of each resource; ids are ints, names str."""
        base = self.offset(self.resource_rva)
        found = {}

        def entries(directory):
            named, ids = struct.unpack_from("<HH", self.data, base + directory + 12)
            for i in range(named + ids):
                name, target = struct.unpack_from("<II", self.data, base + directory + 16 + 8 * i)
                if name & 0x80000000:
                    at = base + (name & 0x7FFFFFFF)
                    length = struct.unpack_from("<H", self.data, at)[0]
                    name = self.data[at + 2:at + 2 + 2 * length].decode("utf-16-le")
                yield name, target

        for kind, kinds in entries(0):
            for name, names in entries(kinds & 0x7FFFFFFF):
                _, language = next(entries(names & 0x7FFFFFFF))
                rva, size = struct.unpack_from("<II", self.data, base + language)
                found[(kind, name)] = self.data[self.offset(rva):self.offset(rva) + size]
        return found


def version_nodes(block, at=0, end=None):
    """The VS_VERSIONINFO tree: yields (key, value bytes, children range) of each node."""
    end = len(block) if end is None else end
    while at + 6 <= end:
        length, value_length, kind = struct.unpack_from("<HHH", block, at)
        if length == 0:
            return
        key_end = at + 6
        while block[key_end:key_end + 2] != b"\0\0":
            key_end += 2
        key = block[at + 6:key_end].decode("utf-16-le")
        value_at = (key_end + 2 + 3) & ~3
        value_size = value_length * 2 if kind == 1 else value_length
        children_at = (value_at + value_size + 3) & ~3
        yield key, block[value_at:value_at + value_size], (children_at, at + length)
        at = (at + length + 3) & ~3


def version_info(block):
    """(file version, product version) of VS_FIXEDFILEINFO and the StringFileInfo entries."""
    key, value, (children, end) = next(version_nodes(block))
    assert key == "VS_VERSION_INFO", key
    signature, _, file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<6I", value)
    assert signature == 0xFEEF04BD, hex(signature)
    dotted = lambda ms, ls: f"{ms >> 16}.{ms & 0xFFFF}.{ls >> 16}.{ls & 0xFFFF}"
    strings = {}
    for key, _, (table_at, table_end) in version_nodes(block, children, end):
        if key != "StringFileInfo":
            continue
        for language, _, (at, stop) in version_nodes(block, table_at, table_end):
            for name, text, _ in version_nodes(block, at, stop):
                strings[(language, name)] = text.decode("utf-16-le").rstrip("\0")
    return dotted(file_ms, file_ls), dotted(product_ms, product_ls), strings


def check_exe(exe, objdump, zip_version):
    image = PeImage(exe.read_bytes())
    check(image.symbol_table == 0 and image.symbol_count == 0, "Vermiq.exe has no symbol table")
    headers = subprocess.run([objdump, "-h", str(exe)], capture_output=True, text=True, check=True)
    debug = re.findall(r"^\s*\d+\s+(\.z?debug\S*|\.stab\S*)", headers.stdout, re.M)
    check(not debug, f"Vermiq.exe has no debug sections {debug or ''}")
    private = subprocess.run([objdump, "-p", str(exe)], capture_output=True, text=True, check=True)
    dlls = sorted(name.lower() for name in re.findall(r"DLL Name: (\S+)", private.stdout))
    check(dlls == SYSTEM_DLLS, f"Vermiq.exe imports {', '.join(dlls)}")

    resources = image.resources()
    check((RT_GROUP_ICON, "MAINICON") in resources, "the icon MAINICON is kept")
    manifest = resources.get((RT_MANIFEST, 1), b"")
    check(b"Microsoft.Windows.Common-Controls" in manifest, "the manifest is kept")
    file_version, product_version, strings = version_info(resources[(RT_VERSION, 1)])
    check(file_version == FILE_VERSION and product_version == FILE_VERSION,
          f"version resource: file {file_version}, product {product_version}")
    check(strings.get(("041103A4", "FileVersion")) == FILE_VERSION
          and strings.get(("041103A4", "ProductVersion")) == PRODUCT_VERSION,
          f"version texts: FileVersion {strings.get(('041103A4', 'FileVersion'))}, "
          f"ProductVersion {strings.get(('041103A4', 'ProductVersion'))}")
    check(file_version.startswith(zip_version + "."),
          f"the zip's version {zip_version} is the exe's {file_version}")


def check_guide(guide):
    data = guide.read_bytes()
    bom = data.startswith(b"\xef\xbb\xbf")
    check(bom, "the guide starts with a UTF-8 byte-order mark")
    try:
        text = data[3 if bom else 0:].decode("utf-8")
    except UnicodeDecodeError as error:
        check(False, f"the guide is valid UTF-8 ({error})")
        return
    check(True, "the guide is valid UTF-8")
    check(DIALOG_TITLE in text, f"the guide names the dialog's title {DIALOG_TITLE}")
    check(text.count("\n") > 0 and text.count("\n") == text.count("\r\n") == text.count("\r"),
          "the guide's lines end in CRLF")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("zip", type=Path)
    parser.add_argument("--objdump", required=True)
    parser.add_argument("--wine-run")
    parser.add_argument("--dialog-test")
    args = parser.parse_args()

    match = re.fullmatch(r"Vermiq-(\d+\.\d+\.\d+)-win64\.zip", args.zip.name)
    check(match is not None, f"the package is named Vermiq-<version>-win64.zip: {args.zip.name}")
    if not args.zip.is_file():
        check(False, f"{args.zip} exists (made by the vermiq_zip target of a Release build)")
        return 1
    print(f"info  {args.zip.name}: {args.zip.stat().st_size} bytes")
    with tempfile.TemporaryDirectory(prefix="vermiq-package-") as folder, \
            zipfile.ZipFile(args.zip) as archive:
        names = sorted(info.filename for info in archive.infolist())
        check(names == sorted([EXE, GUIDE]), f"the package holds {', '.join(names)}")
        guide_entry = next((i for i in archive.infolist() if i.filename == GUIDE), None)
        check(guide_entry is not None and guide_entry.flag_bits & 0x800,
              "the guide's name is marked UTF-8 in the zip, so Windows shows it right")
        archive.extractall(folder)
        unpacked = Path(folder)
        exe = unpacked / EXE
        print(f"info  {EXE}: {exe.stat().st_size} bytes")
        check_exe(exe, args.objdump, match.group(1) if match else "")
        check_guide(unpacked / GUIDE)
        if args.dialog_test:
            # The dialog's tests against the unpacked exe, started from its own folder as a
            # double click starts it: the window, its layout, its settings, its resources.
            command = [str(Path(args.wine_run).resolve()), str(Path(args.dialog_test).resolve()),
                       str(exe)]
            run = subprocess.run(command, cwd=unpacked, capture_output=True, text=True,
                                 errors="replace")
            summary = [line for line in run.stdout.splitlines()
                       if "PASSED" in line or "FAILED" in line]
            check(run.returncode == 0, "the unpacked Vermiq.exe under Wine: " + "; ".join(summary))
            if run.returncode != 0:
                print(run.stdout[-4000:], run.stderr[-2000:])
    print("package check: " + ("all passed" if not failures else f"{len(failures)} failed"))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
