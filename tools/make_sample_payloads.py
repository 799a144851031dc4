#!/usr/bin/env python3
"""Writes the sample payloads of the default list of the installer into a folder.

The bytes are deterministic (derived from each file's name), the sizes are those of
the real patch, and each file has the shape of its real counterpart: archives start
with the XP3 signature, signature texts with their header line and Base64, the check
tool's settings text holds its two sections, its executable starts with "MZ".
Usage: make_sample_payloads.py OUTPUT_FOLDER [PATCH2_BYTES]
With PATCH2_BYTES, patch2.xp3 holds that many bytes instead (a large patch, for the
benchmark and for measuring the ceiling), written a chunk at a time.
"""
import base64
import hashlib
import os
import sys

from payload_list import DEFAULT_LIST

XP3_SIGNATURE = bytes.fromhex("585033 0D0A 200A 1A 8B 67 01".replace(" ", ""))
SIG_HEADER = b"-- SIGNATURE - ECC(160)/MD5 --\r\n"

# The size of each file of the default list, in its order; the shape follows from the
# name's extension.
SIZES = [125816, 10977262, 23574, 676, 569856, 114, 114, 114, 114, 114, 114, 114, 114, 114,
         301857, 114]
PAYLOADS = [(name, size, name.rsplit(".", 1)[1]) for (_, name), size in zip(DEFAULT_LIST, SIZES)]


def noise(name, size):
    return hashlib.shake_256(("sample payload " + name).encode("utf-8")).digest(size)


def base64_text(name, length):
    """Base64 characters only, exactly `length` of them."""
    raw = base64.b64encode(noise(name, length)).decode("ascii")
    return raw[:length].encode("ascii")


def make_xp3(name, size):
    return XP3_SIGNATURE + noise(name, size - len(XP3_SIGNATURE))


def make_sig(name, size):
    body = size - len(SIG_HEADER) - 2
    return SIG_HEADER + base64_text(name, body) + b"\r\n"


def make_ini(name, size):
    head = (
        "[message]\r\n"
        "notice=ファイルの破損は見つかりませんでした。\r\n"
        "caption=ファイル破損チェックツール\r\n"
        "\r\n"
        "[key]\r\n"
        "publickey="
    ).encode("cp932")
    tail = b"\r\n"
    return head + base64_text(name, size - len(head) - len(tail)) + tail


def make_exe(name, size):
    stub = b"MZ\x90\x00\x03\x00\x00\x00\x04\x00\x00\x00\xff\xff\x00\x00"
    return stub + noise(name, size - len(stub))


MAKERS = {"xp3": make_xp3, "sig": make_sig, "ini": make_ini, "exe": make_exe}


def write_files(out, files):
    """Writes each (name, bytes) of files into the folder out, leaving a file that
    already holds those bytes untouched so that its timestamp rebuilds nothing."""
    os.makedirs(out, exist_ok=True)
    for name, data in files:
        path = os.path.join(out, name)
        try:
            with open(path, "rb") as f:
                if f.read() == data:
                    continue
        except OSError:
            pass
        with open(path, "wb") as f:
            f.write(data)


CHUNK = 1 << 20


def write_large_xp3(out, name, size):
    """An archive of size bytes, noise derived from the name and each chunk's number;
    left alone when it already has that size and its first chunk."""
    path = os.path.join(out, name)
    first = XP3_SIGNATURE + noise(name + " 0", min(size, CHUNK) - len(XP3_SIGNATURE))
    try:
        if os.path.getsize(path) == size:
            with open(path, "rb") as f:
                if f.read(len(first)) == first:
                    return
    except OSError:
        pass
    with open(path, "wb") as f:
        f.write(first)
        for number, offset in enumerate(range(CHUNK, size, CHUNK), 1):
            f.write(noise("%s %d" % (name, number), min(CHUNK, size - offset)))


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit("usage: make_sample_payloads.py OUTPUT_FOLDER [PATCH2_BYTES]")
    large = int(sys.argv[2]) if len(sys.argv) == 3 else None
    if large is not None:
        os.makedirs(sys.argv[1], exist_ok=True)
        write_large_xp3(sys.argv[1], "patch2.xp3", large)
    files = []
    for name, size, shape in PAYLOADS:
        if large is not None and name == "patch2.xp3":
            continue
        data = MAKERS[shape](name, size)
        assert len(data) == size, (name, len(data), size)
        files.append((name, data))
    write_files(sys.argv[1], files)


if __name__ == "__main__":
    main()
