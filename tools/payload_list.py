#!/usr/bin/env python3
"""The one list of the files the installer writes, and what the build makes of it.

A payload folder may hold payloads.list: UTF-8 text, one installed name per line in
copy order, a backslash between a subfolder and a name, blank lines and lines that
start with "#" ignored. Without one, the folder holds this patch's sixteen files
(DEFAULT_LIST). Each row gets a resource name: this patch's own names for the default
list, ID_PAYLOAD1, ID_PAYLOAD2, ... in list order for a publisher's list.

generate OUTPUT_DIR CEILING_MIB [PAYLOAD_DIR]: writes into OUTPUT_DIR the C++ table
(payload_manifest.cpp, payload_count.h), the resource lines (payload_resources.rc) and
the resource names (payload_resources.txt), each only when its text changes; without
PAYLOAD_DIR, for the default list. The folder's files that its list leaves out are
named on the error stream.
stage PAYLOAD_DIR STAGE_DIR CEILING_MIB: copies the payloads to STAGE_DIR under their
resource names (see stage()).
Either stops with status 1 at a list that Windows or the player would not take, naming
each line and why, at a listed file that is missing or reached through a link, and at
payloads above the ceiling. A payload folder may come from someone else: a link in it
could point at a key of the publisher's, so the files are read without following one.
"""
import errno
import hashlib
import os
import shutil
import stat
import sys

LIST_NAME = "payloads.list"

# (resource name, installed name) of this patch, in copy order.
DEFAULT_LIST = [
    ("ID_PATCH1", "patch.xp3"),
    ("ID_PATCH2", "patch2.xp3"),
    ("ID_PATCH3", "patch3.xp3"),
    ("ID_CHECK_INI", "ファイル破損チェックツール.ini"),
    ("ID_CHECK_EXE", "ファイル破損チェックツール.exe"),
    ("ID_SIG_BACKGROUND", "background.xp3.sig"),
    ("ID_SIG_CXDEC", "cxdec.tpm.sig"),
    ("ID_SIG_DATA", "data.xp3.sig"),
    ("ID_SIG_KRMOVIE", "krmovie.dll.sig"),
    ("ID_SIG_PATCH1", "patch.xp3.sig"),
    ("ID_SIG_PATCH2", "patch2.xp3.sig"),
    ("ID_SIG_PATCH3", "patch3.xp3.sig"),
    ("ID_SIG_SYSTEM", "system.xp3.sig"),
    ("ID_SIG_WUVORBIS", "wuvorbis.dll.sig"),
    ("ID_PATCH4", "patch4.xp3"),
    ("ID_SIG_PATCH4", "patch4.xp3.sig"),
]

# The checks before the first write keep a 520-byte path per row (260 characters of
# code page 932) on the worker thread's stack, and the table holds 512 bytes per row in
# the program's image: 256 rows take 130 KiB of that thread's 2 MiB stack and 128 KiB
# of image, many times any patch of the game.
MAX_ROWS = 256
# The installer's default folder, and the suffix of a file while it writes it.
DEFAULT_FOLDER = "C:\\Program Files\\ルミナコ\\"
TEMPORARY_SUFFIX = ".part"
# The suffix under which a file that a payload replaces waits while the payloads are put
# in place.
BACKUP_SUFFIX = ".part-old"
# Windows takes a path of 259 characters (a double-byte one counts once): a name longer
# than that leaves beside the default folder and the temporary's suffix cannot be
# written there. Its bytes in code page 932 must also fit the table's 256-byte cell.
LONGEST_NAME_CHARS = 259 - len(DEFAULT_FOLDER) - len(TEMPORARY_SUFFIX)
# Windows makes a folder of at most 247 characters (MAX_PATH - 12 with the terminator):
# a subfolder's path beside the default folder stays within it.
LONGEST_FOLDER_CHARS = 247 - len(DEFAULT_FOLDER)
LONGEST_NAME_BYTES = 255
FORBIDDEN = set('<>:"/|?*') | {chr(code) for code in range(32)}
DEVICES = {"CON", "PRN", "AUX", "NUL"} | {
    port + digit for port in ("COM", "LPT") for digit in "123456789¹²³"}


class Refused(Exception):
    pass


def open_payload(folder, name):
    """name's file in folder (a backslash between a subfolder and a name), opened for
    reading one part at a time without following a link: no part below folder may be
    a link, so the file read is the folder's own and its real path stays inside it.
    folder itself may be a link; the publisher named it. Raises Refused saying why."""
    parts = name.split("\\")
    try:
        where = os.open(folder, os.O_RDONLY | os.O_DIRECTORY | os.O_CLOEXEC)
    except OSError as error:
        raise Refused("the folder %s cannot be opened (%s)" % (folder, error.strerror)) from None
    try:
        for depth, part in enumerate(parts):
            # O_NONBLOCK: a pipe placed at a payload's name must not hold the build.
            last = os.O_NONBLOCK if depth == len(parts) - 1 else os.O_DIRECTORY
            flags = os.O_RDONLY | os.O_NOFOLLOW | os.O_CLOEXEC | last
            try:
                opened = os.open(part, flags, dir_fd=where)
            except OSError as error:
                raise Refused(why_not_opened(folder, parts[:depth + 1], where, error)) from None
            os.close(where)
            where = opened
        if not stat.S_ISREG(os.fstat(where).st_mode):
            raise Refused("not a regular file in " + folder)
        os.set_blocking(where, True)
        payload, where = os.fdopen(where, "rb"), -1
        return payload
    finally:
        if where >= 0:
            os.close(where)


def why_not_opened(folder, parts, parent, error):
    """Why open_payload could not open parts' last part, which it looked for in the
    folder parent (a descriptor)."""
    try:
        found = os.stat(parts[-1], dir_fd=parent, follow_symlinks=False)
    except FileNotFoundError:
        return "missing from " + folder
    except OSError:
        found = None
    if found is not None and stat.S_ISLNK(found.st_mode):
        return "%r is a link (to %s); only the payload folder's own files are shipped" % (
            "\\".join(parts), os.readlink(parts[-1], dir_fd=parent))
    if error.errno == errno.ENOTDIR:
        return "%r is not a folder in %s" % ("\\".join(parts), folder)
    return "cannot be read in %s (%s)" % (folder, error.strerror)


def case_key(name):
    """name as Windows compares names, letter by letter (ß stays itself, as in NTFS)."""
    return "".join(c.upper() if len(c.upper()) == 1 else c for c in name)


def name_problem(name):
    """Why Windows or the player would not take name, or None."""
    if name.startswith(("\\", "/")) or name[1:2] == ":":
        return "absolute, or names a drive"
    bad = sorted(FORBIDDEN & set(name))
    if bad:
        return "holds %s, which Windows forbids in names" % ", ".join(
            repr(c) if c.isprintable() else "0x%02X" % ord(c) for c in bad)
    for part in name.split("\\"):
        if part in ("", ".", ".."):
            return 'an empty, "." or ".." part'
        if part[-1] in ". ":
            return "%r ends in a dot or a space, which Windows drops" % part
        if part.split(".")[0].rstrip(" ").upper() in DEVICES:
            return "%r is a device name of Windows" % part
    try:
        size = len(name.encode("cp932"))
    except UnicodeEncodeError as error:
        return "%r cannot be written in code page 932" % error.object[error.start:error.end]
    if len(name) > LONGEST_NAME_CHARS:
        return "%d characters; beside the default folder the installer takes at most %d" % (
            len(name), LONGEST_NAME_CHARS)
    folder = name.rpartition("\\")[0]
    if len(folder) > LONGEST_FOLDER_CHARS:
        return "its folder has %d characters; beside the default folder Windows makes at most %d" % (
            len(folder), LONGEST_FOLDER_CHARS)
    if size > LONGEST_NAME_BYTES:
        return "%d bytes in code page 932; the installer takes at most %d" % (size, LONGEST_NAME_BYTES)
    return None


def read_list(folder):
    """(resource, name) rows of folder in copy order: its payloads.list, or the default.
    Raises Refused naming every line that cannot be taken."""
    path = os.path.join(folder, LIST_NAME) if folder else None
    if path is None or not os.path.lexists(path):
        return list(DEFAULT_LIST)
    # A list that is a link would be read from elsewhere, and its lines shown in the log.
    if os.path.islink(path):
        raise Refused("%s is a link (to %s); the payload folder's own list is read" % (
            path, os.readlink(path)))
    with open(path, "rb") as f:
        data = f.read()
    problems = []
    names = []  # (line number, name)
    for number, raw in enumerate(data.split(b"\n"), 1):
        try:
            line = raw.decode("utf-8").rstrip("\r").lstrip("\ufeff")
        except UnicodeDecodeError:
            problems.append((number, raw, "not UTF-8"))
            continue
        if line.strip() == "" or line.startswith("#"):
            continue
        problem = name_problem(line)
        if problem is None:
            try:
                open_payload(folder, line).close()
            except Refused as refused:
                problem = str(refused)
        if problem:
            problems.append((number, line, problem))
        names.append((number, line))
    seen = {}
    folders = {}
    for number, name in names:
        key = case_key(name)
        if key in seen:
            problems.append((number, name, "the same file as line %d for Windows" % seen[key]))
        seen.setdefault(key, number)
        parts = key.split("\\")
        for depth in range(1, len(parts)):
            folders.setdefault("\\".join(parts[:depth]), number)
    # A file is written under its name and the temporary's suffix, the file it replaces
    # waits under the backup's suffix, and whatever holds either name is taken as a
    # leftover of an earlier run.
    own = {}
    for number, name in names:
        own.setdefault(case_key(name + TEMPORARY_SUFFIX), (number, "temporary while it is written"))
        own.setdefault(case_key(name + BACKUP_SUFFIX), (number, "old file while the patch is put in place"))
    for number, name in names:
        if case_key(name) in folders:
            problems.append((number, name, "a file where line %d needs a folder" % folders[case_key(name)]))
        parts = case_key(name).split("\\")
        taken = [own[key] for key in ("\\".join(parts[:depth]) for depth in range(1, len(parts) + 1))
                 if key in own]
        if taken:
            problems.append((number, name, "the name of line %d's %s" % taken[0]))
    if not names:
        raise Refused("%s lists no file" % path)
    if len(names) > MAX_ROWS:
        problems.append((names[MAX_ROWS][0], names[MAX_ROWS][1],
                         "more than %d names; the installer carries at most %d" % (MAX_ROWS, MAX_ROWS)))
    if problems:
        raise Refused("\n".join("%s line %d: %s: %s" % (path, number, name, why)
                                for number, name, why in sorted(problems)))
    return [("ID_PAYLOAD%d" % row, name) for row, (_, name) in enumerate(names, 1)]


def left_out(folder, rows):
    """The files of folder, by their paths in it, that rows do not list."""
    listed = {name.replace("\\", "/") for _, name in rows} | {LIST_NAME}
    found = []
    for top, folders, files in os.walk(folder):
        folders.sort()
        for name in sorted(files):
            relative = os.path.relpath(os.path.join(top, name), folder).replace(os.sep, "/")
            if relative not in listed:
                found.append(relative)
    return found


def check_folder(folder, rows, ceiling_mib):
    """Raises Refused when a listed file is missing from folder, or all of them together
    exceed the ceiling; the total of their bytes otherwise."""
    total = 0
    for resource, name in rows:
        try:
            with open_payload(folder, name) as payload:
                total += os.fstat(payload.fileno()).st_size
        except Refused as refused:
            raise Refused("Payload refused: %s (resource %s): %s" % (
                os.path.join(folder, *name.split("\\")), resource, refused)) from None
    ceiling = ceiling_mib << 20
    if total > ceiling:
        raise Refused(
            "Payloads too large: the %d files in %s hold %d bytes (%d MiB); the 32-bit installer "
            "carries at most %d MiB (%d bytes) of payloads, or it may not start "
            "(docs/ceiling.md)" % (len(rows), folder, total, (total + (1 << 20) - 1) >> 20,
                                ceiling_mib, ceiling))
    return total


def generated(rows):
    """{file name: text} of what the build compiles from rows."""
    manifest = ["// Generated by tools/payload_list.py from the list of payloads.",
                '#include "payload_manifest.h"', "",
                "const ManifestEntry PayloadManifest[kPayloadCount] = {"]
    # A "%%" of the locator cell is one "%" once formatted; a backslash of a name is
    # doubled for the literal (no name holds a quote).
    manifest += ['    {"%%%%BINARY%%%%%s", "%s"},' % (resource, name.replace("\\", "\\\\"))
                 for resource, name in rows]
    manifest.append("};")
    width = max(len(resource) for resource, _ in rows)
    return {
        "payload_count.h": "// Generated by tools/payload_list.py: the rows of the list.\n#pragma once\n"
                           "constexpr int kPayloadCount = %d;\n" % len(rows),
        "payload_manifest.cpp": "\n".join(manifest) + "\n",
        "payload_resources.rc": "".join('%-*s BINARY "%s"\n' % (width, resource, resource)
                                        for resource, _ in rows),
        "payload_resources.txt": "".join(resource + "\n" for resource, _ in rows),
    }


def write_if_changed(path, data):
    """Writes data (bytes) to path by a rename, unless path holds it already: an
    unchanged time rebuilds nothing, and a stop half-way leaves the old file whole."""
    try:
        with open(path, "rb") as f:
            if f.read() == data:
                return False
    except OSError:
        pass
    with open(path + ".part", "wb") as f:
        f.write(data)
    os.replace(path + ".part", path)
    return True


def sha256_of(f):
    """The digest of an open file, read from its start."""
    digest = hashlib.sha256()
    f.seek(0)
    for chunk in iter(lambda: f.read(1 << 24), b""):
        digest.update(chunk)
    return digest.hexdigest()


def copy_open(source, target_path):
    """Writes the open file source, from its start, to target_path."""
    source.seek(0)
    with open(target_path, "wb") as target:
        shutil.copyfileobj(source, target, 1 << 24)


def staged_digest(path):
    with open(path, "rb") as f:
        return sha256_of(f)


def stage(folder, stage_dir, rows):
    """Copies each payload whose staged copy differs, by content, to stage_dir under its
    resource name. The stamp, on which the digests and the resource object depend,
    records what is staged and is rewritten last, whenever that differs from what it
    records: a staging stopped after a copy leaves it stale, and the next one rewrites
    it, however the files' times read."""
    os.makedirs(stage_dir, exist_ok=True)
    record = []
    for resource, name in rows:
        staged = os.path.join(stage_dir, resource)
        # Hashed and copied from one opening: what is staged is what the stamp records.
        with open_payload(folder, name) as source:
            wanted = sha256_of(source)
            if not os.path.exists(staged) or staged_digest(staged) != wanted:
                print("Staging %s as %s" % (os.path.join(folder, *name.split("\\")), resource))
                copy_open(source, staged + ".part")
                os.replace(staged + ".part", staged)
        record.append("%s %s\n" % (wanted, resource))
    # A resource of an earlier list would be counted as carried.
    listed = {resource for resource, _ in rows}
    for entry in os.listdir(stage_dir):
        if entry.startswith("ID_") and entry not in listed:
            os.remove(os.path.join(stage_dir, entry))
    write_if_changed(os.path.join(stage_dir, "stamp"), "".join(record).encode("ascii"))


USAGE = """usage: payload_list.py generate OUTPUT_DIR CEILING_MIB [PAYLOAD_DIR]
       payload_list.py stage PAYLOAD_DIR STAGE_DIR CEILING_MIB"""


def main():
    args = sys.argv[1:]
    if args[:1] == ["generate"] and len(args) in (3, 4):
        output, ceiling, folder = args[1], int(args[2]), (args[3:] or [""])[0]
    elif args[:1] == ["stage"] and len(args) == 4:
        folder, output, ceiling = args[1], args[2], int(args[3])
    else:
        sys.exit(USAGE)
    try:
        rows = read_list(folder)
        if folder:
            check_folder(folder, rows, ceiling)
    except (Refused, OSError) as error:
        sys.exit(str(error))
    if args[0] == "stage":
        try:
            stage(folder, output, rows)
        except Refused as error:  # a link put in the folder since the check above
            sys.exit("Payload refused: %s" % error)
        return
    if folder and os.path.exists(os.path.join(folder, LIST_NAME)):
        extra = left_out(folder, rows)
        if extra:
            print("%s leaves out these files of %s; they are not shipped: %s"
                  % (LIST_NAME, folder, ", ".join(extra)), file=sys.stderr)
    os.makedirs(output, exist_ok=True)
    for name, text in generated(rows).items():
        write_if_changed(os.path.join(output, name), text.encode("utf-8"))


if __name__ == "__main__":
    main()
