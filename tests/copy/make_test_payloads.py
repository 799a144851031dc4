#!/usr/bin/env python3
"""Writes the copy worker's test payloads into a folder: deterministic bytes of the
given sizes, every byte value among them (CR, LF, 0x1A and NUL included) so that any
text-mode or truncating copy shows.
Usage: make_test_payloads.py OUTPUT_FOLDER
"""
import hashlib
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
from make_sample_payloads import write_files  # noqa: E402

# resource name, size
PAYLOADS = [
    ("COPY_TEST_0", 0),
    ("COPY_TEST_50", 50),
    ("COPY_TEST_114", 114),
    ("COPY_TEST_200", 200),
    ("COPY_TEST_676", 676),
    ("COPY_TEST_1000000", 1000000),
    ("COPY_TEST_1000057", 1000057),
]


def payload(name, size):
    ramp = bytes(range(256))
    return (ramp + hashlib.shake_256(name.encode("ascii")).digest(size))[:size]


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_test_payloads.py OUTPUT_FOLDER")
    write_files(sys.argv[1], [(name, payload(name, size)) for name, size in PAYLOADS])


if __name__ == "__main__":
    main()
