#!/usr/bin/env python3
"""Checks a setup executable made by zar setup with tools of other authors:
python3-pefile (headers, checksum, relocations, version information) and
icoutils' wrestool (the resource listing).

usage: check_setup_pe.py SETUP.EXE i386|amd64

Every check that fails prints one line "check_setup_pe: FAIL <check>: ...";
the exit status is 1 when any failed, 0 otherwise.
"""
import subprocess
import sys

import pefile

failures = []


def fail(check, message):
    failures.append(check)
    print("check_setup_pe: FAIL %s: %s" % (check, message))


def main():
    path, machine = sys.argv[1], sys.argv[2]
    data = open(path, "rb").read()
    pe = pefile.PE(path)

    # Headers as pefile reads them: no warnings (but its guesses from how
    # often a byte occurs, which say nothing about the format).
    warnings = [w for w in pe.get_warnings() if "makes up" not in w]
    if warnings:
        fail("headers", "; ".join(warnings))
    want = {"i386": 0x14C, "amd64": 0x8664}[machine]
    if pe.FILE_HEADER.Machine != want:
        fail("headers", "machine 0x%x" % pe.FILE_HEADER.Machine)
    opt = pe.OPTIONAL_HEADER
    salign, falign = opt.SectionAlignment, opt.FileAlignment
    end = 0
    expected_raw = opt.SizeOfHeaders
    for s in pe.sections:
        name = s.Name.rstrip(b"\0").decode()
        if s.VirtualAddress % salign or s.VirtualAddress < end:
            fail("headers", "section %s at 0x%x" % (name, s.VirtualAddress))
        # In order and aligned; a gap before a section is allowed (zar puts
        # the resources on a page of the file).
        if s.SizeOfRawData % falign or (s.SizeOfRawData and (s.PointerToRawData < expected_raw or
                                                             s.PointerToRawData % falign)):
            fail("headers", "section %s file data at 0x%x" % (name, s.PointerToRawData))
        if s.SizeOfRawData:
            expected_raw = s.PointerToRawData + s.SizeOfRawData
        end = (s.VirtualAddress + max(s.Misc_VirtualSize, s.SizeOfRawData) + salign - 1) // salign * salign
    if opt.SizeOfImage != end:
        fail("headers", "SizeOfImage 0x%x, the sections end at 0x%x" % (opt.SizeOfImage, end))
    if expected_raw != len(data):
        fail("headers", "the file is %d bytes, its sections end at %d" % (len(data), expected_raw))

    # The checksum, computed by pefile.
    if opt.CheckSum != pe.generate_checksum():
        fail("checksum", "0x%x in the header, pefile computes 0x%x" % (opt.CheckSum, pe.generate_checksum()))

    # The relocations: the directory lies in .reloc and pefile applies it.
    reloc_dir = opt.DATA_DIRECTORY[5]
    reloc = [s for s in pe.sections if s.Name.rstrip(b"\0") == b".reloc"]
    if not reloc or not reloc[0].contains_rva(reloc_dir.VirtualAddress):
        fail("relocations", "the base relocation directory 0x%x is not in .reloc" % reloc_dir.VirtualAddress)
    elif not getattr(pe, "DIRECTORY_ENTRY_BASERELOC", None):
        fail("relocations", "pefile finds no relocation blocks")
    else:
        pe.relocate_image(opt.ImageBase + 0x10000)

    # The resources: pefile's tree and wrestool's listing agree, and hold
    # what a setup executable must hold, in language 1033.
    listed = set()
    for t in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        tname = str(t.name) if t.name is not None else str(t.id)
        for n in t.directory.entries:
            nname = str(n.name) if n.name is not None else str(n.id)
            for lang in n.directory.entries:
                listed.add((tname, nname, lang.id))
    for key in [("ZAR", "119"), ("ZCFG", "120"), ("ZSTUB", "1"), ("5", "110"), ("14", "108"), ("16", "1"), ("24", "1")]:
        if key + (1033,) not in listed:
            fail("resources", "pefile finds no resource %s/%s in language 1033" % key)
    out = subprocess.run(["wrestool", "-l", path], capture_output=True, text=True)
    wrestool = set()
    for line in out.stdout.splitlines():
        fields = dict(f.split("=", 1) for f in line.split() if f.startswith("--"))
        wrestool.add((fields["--type"].strip("'"), fields["--name"].strip("'"), int(fields["--language"])))
    if out.returncode != 0:
        fail("resources", "wrestool -l failed: " + out.stderr.strip())
    # wrestool shows a named resource of a named type under its type's name.
    ours = {k for k in listed if not (k[0].isalpha() and k[1].isalpha())}
    theirs = {k for k in wrestool if not (k[0].isalpha() and k[1].isalpha())}
    if ours != theirs:
        fail("resources", "only pefile lists %s, only wrestool %s" % (sorted(ours - theirs), sorted(theirs - ours)))
    payload = subprocess.run(["wrestool", "-x", "--raw", "--type=ZAR", "--name=119", path], capture_output=True)
    for t in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if t.name is not None and str(t.name) == "ZAR":
            entry = t.directory.entries[0].directory.entries[0].data.struct
            mine = pe.get_data(entry.OffsetToData, entry.Size)
            if mine != payload.stdout:
                fail("resources", "the payload differs between pefile (%d bytes) and wrestool (%d bytes)"
                     % (len(mine), len(payload.stdout)))

    # The version information, read by pefile.
    strings = {}
    for info in getattr(pe, "FileInfo", [[]])[0]:
        for table in getattr(info, "StringTable", []):
            strings.update({k.decode(): v.decode() for k, v in table.entries.items()})
    if not strings.get("FileDescription", "").startswith("Setup of ") or strings.get("OriginalFilename") != "setup.exe":
        fail("version", "pefile reads the strings %s" % strings)

    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
