#!/usr/bin/env python3
"""Checks that SIGNED is RELEASE with an Authenticode signature added, and nothing else.

Signing a PE file (signtool, osslsigncode) changes exactly this: the certificate table's
entry in the data directories comes to point at the table, the PE checksum is set anew
(or left), the file is padded with zeros to a multiple of 8 bytes, and the table, a
sequence of WIN_CERTIFICATE entries each padded to 8 bytes, is appended. Every other
byte must be the release's. The first byte that is not is named, with the part of the
file it lies in, and the check ends with status 1.

Usage: signature_only.py RELEASE SIGNED
"""
import array
import struct
import sys

WIN_CERT_REVISION_2_0 = 0x0200
WIN_CERT_TYPE_PKCS_SIGNED_DATA = 0x0002


class Differs(Exception):
    pass


def layout(data):
    """(checksum offset, certificate entry offset, sections as (name, start, end))."""
    if len(data) < 0x40 or data[:2] != b"MZ":
        raise Differs("not a PE file")
    (pe,) = struct.unpack_from("<I", data, 0x3C)
    if pe + 24 + 2 > len(data) or data[pe : pe + 4] != b"PE\0\0":
        raise Differs("not a PE file")
    count, optional_size = struct.unpack_from("<2xH12xH", data, pe + 4)
    optional = pe + 24
    (magic,) = struct.unpack_from("<H", data, optional)
    directories = {0x10B: 96, 0x20B: 112}.get(magic)
    table = optional + optional_size
    if directories is None or directories + 5 * 8 > optional_size or table + 40 * count > len(data):
        raise Differs("a PE file without room for a certificate table")
    (entries,) = struct.unpack_from("<I", data, optional + directories - 4)
    if entries < 5:
        raise Differs("a PE file without room for a certificate table")
    sections = []
    for i in range(count):
        name, raw_size, raw = struct.unpack_from("<8s8xII", data, table + 40 * i)
        if raw_size:  # uninitialised data occupies no bytes of the file
            sections.append((name.rstrip(b"\0").decode("latin-1"), raw, raw + raw_size))
    return optional + 64, optional + directories + 4 * 8, sections


def pe_checksum(data, field):
    """The checksum the PE format defines: 16-bit words summed with end-around carry,
    the checksum field itself counted as zero, plus the file's length."""
    words = array.array("H", data + b"\0" * (len(data) % 2))
    if sys.byteorder == "big":
        words.byteswap()
    total = sum(words) - sum(words[field // 2 : field // 2 + 2])
    while total > 0xFFFF:
        total = (total & 0xFFFF) + (total >> 16)
    return total + len(data)


def first_difference(ours, theirs):
    step = 1 << 16
    for chunk in range(0, len(ours), step):
        if ours[chunk : chunk + step] != theirs[chunk : chunk + step]:
            return next(i for i in range(chunk, chunk + step) if ours[i] != theirs[i])


def where(offset, sections):
    for name, start, end in sections:
        if start <= offset < end:
            return "in section %s" % name
    headers = min((start for _, start, _ in sections), default=offset + 1)
    return "in the headers" if offset < headers else "outside the sections"


def check(release, signed):
    checksum, certificates, sections = layout(release)
    if struct.unpack_from("<II", release, certificates) != (0, 0):
        raise Differs("the release itself carries a signature")
    if layout(signed)[:2] != (checksum, certificates):
        raise Differs("its PE headers lie elsewhere than the release's")
    start, size = struct.unpack_from("<II", signed, certificates)
    if size == 0:
        raise Differs("it carries no signature")
    padded = len(release) + -len(release) % 8
    if start != padded:
        raise Differs("its certificate table begins at 0x%X, not where the release ends (0x%X)" % (start, padded))
    if start + size != len(signed):
        raise Differs("its certificate table ends at 0x%X, the file at 0x%X" % (start + size, len(signed)))
    if signed[len(release) : start].strip(b"\0"):
        raise Differs("the padding before its certificate table is not zeros")
    entry = start
    while entry < len(signed):
        if entry + 8 > len(signed):
            raise Differs("its certificate table ends in the middle of an entry")
        length, revision, kind = struct.unpack_from("<IHH", signed, entry)
        if length < 8 or (revision, kind) != (WIN_CERT_REVISION_2_0, WIN_CERT_TYPE_PKCS_SIGNED_DATA):
            raise Differs("its certificate table holds an entry at 0x%X that is no Authenticode signature" % entry)
        entry += length + -length % 8
    if entry != len(signed):
        raise Differs("its certificate table's last entry runs past the end of the file")
    ours, theirs = bytearray(release), bytearray(signed[: len(release)])
    for field, width in ((checksum, 4), (certificates, 8)):
        ours[field : field + width] = theirs[field : field + width] = bytes(width)
    if ours != theirs:
        offset = first_difference(ours, theirs)
        raise Differs(
            "it differs from the release first at offset 0x%X (%s): 0x%02X, not 0x%02X"
            % (offset, where(offset, sections), signed[offset], release[offset])
        )
    (own,) = struct.unpack_from("<I", signed, checksum)
    if own not in (struct.unpack_from("<I", release, checksum)[0], pe_checksum(signed, checksum)):
        raise Differs("its PE checksum 0x%08X is neither the release's nor that of the file" % own)


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__.strip().splitlines()[-1])
    try:
        with open(sys.argv[1], "rb") as f:
            release = f.read()
        with open(sys.argv[2], "rb") as f:
            signed = f.read()
        check(release, signed)
    except (Differs, OSError, struct.error) as error:
        print("signature_only: %s: %s" % (sys.argv[2], error), file=sys.stderr)
        sys.exit(1)
    print("%s is %s with an Authenticode signature added" % (sys.argv[2], sys.argv[1]))


if __name__ == "__main__":
    main()
