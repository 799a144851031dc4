#!/usr/bin/env python3
"""Checks that a built installer carries exactly the payloads it was built from.

Reads the payloads of the source folder's list (tools/payload_list.py) back out of the
exe's resource directory and compares each, byte for byte, with its source file; finds the digest table the build compiled in
(DIGESTS_CPP, written by tools/payload_digests.py) inside the exe and compares each
digest with that of the source file. Any difference is named and ends with status 1.
With LISTING, also writes the release's listing there: one line per payload in copy
order, "SIZE SHA256  NAME" with a subfolder's backslash written as "/", then the same
for the exe itself. Without the size column (cut -d' ' -f2-) the lines are what
`sha256sum -c` reads.

Usage: release_contents.py EXE PAYLOAD_SOURCE_DIR DIGESTS_CPP [LISTING]
"""
import hashlib
import os
import re
import struct
import sys
import zlib

from payload_list import Refused, open_payload, read_list

RESOURCE_TYPE = "BINARY"


class Malformed(Exception):
    pass


def unpack(fmt, data, offset):
    if offset < 0 or offset + struct.calcsize(fmt) > len(data):
        raise Malformed("a structure at offset %d runs past the end of the file" % offset)
    return struct.unpack_from(fmt, data, offset)


def named_resources(exe, wanted_type):
    """{name: bytes} of the resources of type wanted_type (a string name), one language
    each; a resource named by number is keyed "#number", as resource scripts write it."""
    (pe,) = unpack("<I", exe, 0x3C)
    if exe[:2] != b"MZ" or exe[pe : pe + 4] != b"PE\0\0":
        raise Malformed("not a PE file")
    sections, optional_size = unpack("<2xH12xH2x", exe, pe + 4)
    optional = pe + 24
    (magic,) = unpack("<H", exe, optional)
    directories = {0x10B: 96, 0x20B: 112}.get(magic)
    if directories is None:
        raise Malformed("unknown optional header 0x%X" % magic)
    (count,) = unpack("<I", exe, optional + directories - 4)
    if count < 3:
        raise Malformed("no resource directory")
    rsrc_rva, rsrc_size = unpack("<II", exe, optional + directories + 2 * 8)
    table = [unpack("<8xIIII", exe, optional + optional_size + 40 * i) for i in range(sections)]

    def offset_of(rva, size):
        for virtual_size, address, raw_size, raw in table:
            if address <= rva and rva + size <= address + max(virtual_size, raw_size):
                if rva - address + size > raw_size:
                    raise Malformed("resource data at RVA 0x%X lies outside the file" % rva)
                return raw + rva - address
        raise Malformed("RVA 0x%X is in no section" % rva)

    base = offset_of(rsrc_rva, rsrc_size)

    def entries(directory):
        named, numbered = unpack("<12xHH", exe, base + directory)
        for i in range(named + numbered):
            name, target = unpack("<II", exe, base + directory + 16 + 8 * i)
            if name & 0x80000000:
                (length,) = unpack("<H", exe, base + (name & 0x7FFFFFFF))
                start = base + (name & 0x7FFFFFFF) + 2
                name = exe[start : start + 2 * length].decode("utf-16-le")
            else:
                name = "#%d" % name
            yield name, target

    def subdirectory(target):
        if not target & 0x80000000:
            raise Malformed("a data entry where a directory belongs")
        return target & 0x7FFFFFFF

    found = {}
    for type_name, type_target in entries(0):
        if type_name != wanted_type:
            continue
        for name, name_target in entries(subdirectory(type_target)):
            languages = list(entries(subdirectory(name_target)))
            if len(languages) != 1 or languages[0][1] & 0x80000000:
                raise Malformed("resource %s has %d languages, not 1" % (name, len(languages)))
            rva, size = unpack("<II", exe, base + languages[0][1])
            start = offset_of(rva, size)
            if start + size > len(exe):
                raise Malformed("resource %s runs past the end of the file" % name)
            found[name] = exe[start : start + size]
    return found


def compiled_digests(digests_cpp):
    with open(digests_cpp, encoding="utf-8") as f:
        return [int(value, 16) for value in re.findall(r"0x([0-9A-Fa-f]{8})u", f.read())]


def check(exe_path, source_dir, digests_cpp):
    """The list of differences; empty when the exe carries exactly the source files."""
    with open(exe_path, "rb") as f:
        exe = f.read()
    table = read_list(source_dir)
    embedded = named_resources(exe, RESOURCE_TYPE)
    problems = []
    extra = sorted(set(embedded) - {resource for resource, _ in table})
    if extra:
        problems.append("resources the build does not list: " + ", ".join(extra))
    digests = compiled_digests(digests_cpp)
    if len(digests) != len(table) or struct.pack("<%dI" % len(digests), *digests) not in exe:
        problems.append("the exe does not hold the digest table of " + digests_cpp)
        digests = [None] * len(table)
    for (resource, name), digest in zip(table, digests):
        try:
            with open_payload(source_dir, name) as f:
                source = f.read()
        except Refused as refused:
            problems.append("%s: %s" % (name, refused))
            continue
        if resource not in embedded:
            problems.append("%s: not in the exe (resource %s)" % (name, resource))
        elif embedded[resource] != source:
            problems.append("%s: the exe carries other bytes than %s" % (name, source_dir))
        if digest is not None and digest != zlib.crc32(source):
            problems.append("%s: the compiled-in digest is not that of the source file" % name)
    return problems


def listing(exe_path, source_dir):
    def line(f, name):
        data = f.read()
        return "%d %s  %s\n" % (len(data), hashlib.sha256(data).hexdigest(), name)

    lines = []
    for _, name in read_list(source_dir):
        with open_payload(source_dir, name) as f:
            lines.append(line(f, name.replace("\\", "/")))
    with open(exe_path, "rb") as f:
        lines.append(line(f, os.path.basename(exe_path)))
    return "".join(lines)


def main():
    if len(sys.argv) not in (4, 5):
        sys.exit(__doc__.strip().splitlines()[-1])
    exe_path, source_dir, digests_cpp = sys.argv[1:4]
    try:
        problems = check(exe_path, source_dir, digests_cpp)
    except (Malformed, Refused, OSError, ValueError) as error:
        problems = ["cannot read the payloads: %s" % error]
    if problems:
        for problem in problems:
            print("release_contents: %s: %s" % (exe_path, problem), file=sys.stderr)
        sys.exit(1)
    print("the payloads in %s and their compiled-in digests are those of %s" % (exe_path, source_dir))
    if len(sys.argv) == 5:
        with open(sys.argv[4], "w", encoding="utf-8", newline="\n") as out:
            out.write(listing(exe_path, source_dir))


if __name__ == "__main__":
    main()
