#!/usr/bin/env python3
"""The list of payloads as the build reads it, the staging, and the release's check.
With RELEASE_EXE, RELEASE_PAYLOADS and RELEASE_DIGESTS (a built installer, its payload
folder and digest table) the release's check runs on copies of that exe too."""
import os
import shutil
import struct
import sys
import tempfile
import unittest
import unittest.mock

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import payload_list  # noqa: E402
import release_contents  # noqa: E402


def make_folder(root, files):
    for name, data in files.items():
        path = os.path.join(root, *name.split("/"))
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)


class ListReader(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, self.folder)

    def read(self, text, files=()):
        """files: names to make, or "NAME -> TARGET" for a link, {outside} in TARGET
        standing for a folder beside the payload folder."""
        outside = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, outside)
        make_folder(outside, {"id_ed25519": b"key", "a.dll": b"x"})
        make_folder(self.folder, {name: b"x" for name in files if " -> " not in name})
        for name, target in (name.split(" -> ") for name in files if " -> " in name):
            os.symlink(target.format(outside=outside), os.path.join(self.folder, name))
        make_folder(self.folder, {"payloads.list": text.encode("utf-8")})
        return payload_list.read_list(self.folder)

    def test_rows_in_list_order_under_stable_names(self):
        text = "\ufeff# the next patch\r\nplugin\\krglhwebp.dll\r\n\r\n  \nreadme.txt\nempty.txt\n"
        rows = self.read(text, ["plugin/krglhwebp.dll", "readme.txt", "empty.txt", "extra.xp3"])
        self.assertEqual(rows, [("ID_PAYLOAD1", "plugin\\krglhwebp.dll"),
                                ("ID_PAYLOAD2", "readme.txt"), ("ID_PAYLOAD3", "empty.txt")])
        self.assertEqual(payload_list.left_out(self.folder, rows), ["extra.xp3"])

    def test_refuses_each_name_windows_or_the_player_would_not_take(self):
        cases = [  # list, files present, what the refusal says
            ("\\patch.xp3", [], "line 1: \\patch.xp3: absolute"),
            ("C:patch.xp3", [], "line 1: C:patch.xp3: absolute, or names a drive"),
            ("ok.xp3\n..\\torb.exe", ["ok.xp3"], 'line 2: ..\\torb.exe: an empty, "." or ".."'),
            ("sub\\\\a.dll", [], 'line 1: sub\\\\a.dll: an empty, "." or ".."'),
            ("a?.xp3", [], "line 1: a?.xp3: holds '?', which Windows forbids"),
            ("sub/a.dll", [], "holds '/', which Windows forbids"),
            ("readme.", [], "'readme.' ends in a dot or a space"),
            ("sub \\a.dll", [], "'sub ' ends in a dot or a space"),
            ("nul.txt", [], "'nul.txt' is a device name of Windows"),
            ("plugin\\COM1", [], "'COM1' is a device name of Windows"),
            ("café.txt", [], "'é' cannot be written in code page 932"),
            ("a" * 233, [], "233 characters; beside the default folder the installer takes at most 232"),
            ("表" * 128, [], "256 bytes in code page 932; the installer takes at most 255"),
            # A line of 230 characters: its folder is deeper than Windows makes one; one
            # character less, the line is refused only as missing.
            ("d" * 226 + "\\a.x", [], "its folder has 226 characters; beside the default folder "
             "Windows makes at most 225"),
            ("d" * 225 + "\\a.x", [], "d\\a.x: missing from"),
            ("Patch.xp3\npatch.XP3", ["Patch.xp3", "patch.XP3"], "line 2: patch.XP3: the same file as line 1"),
            ("plugin\nplugin\\a.dll", ["plugin/a.dll"], "line 1: plugin: a file where line 2 needs a folder"),
            ("y.PART\\z\nY", ["y.PART/z", "Y"], "line 1: y.PART\\z: the name of line 2's temporary while"),
            ("Y\ny.Part-Old", ["Y", "y.Part-Old"], "line 2: y.Part-Old: the name of line 1's old file while"),
            ("gone.xp3", [], "line 1: gone.xp3: missing from"),
            # A received folder may link to a key of the publisher's: never followed.
            ("readme.txt", ["readme.txt -> {outside}/id_ed25519"],
             "line 1: readme.txt: 'readme.txt' is a link (to /"),
            ("plugin\\a.dll", ["plugin -> {outside}"], "line 1: plugin\\a.dll: 'plugin' is a link (to /"),
            ("a.xp3\nb.xp3", ["a.xp3", "b.xp3 -> a.xp3"], "line 2: b.xp3: 'b.xp3' is a link (to a.xp3)"),
            ("sub\\a.dll", ["sub"], "line 1: sub\\a.dll: 'sub' is not a folder"),
            ("plugin", ["plugin/a.dll"], "line 1: plugin: not a regular file in"),
            ("\n".join("f%d" % n for n in range(257)), ["f%d" % n for n in range(257)],
             "line 257: f256: more than 256 names"),
            ("# nothing\n\n", [], "lists no file"),
        ]
        for text, files, said in cases:
            with self.subTest(text=text[:40]):
                shutil.rmtree(self.folder)
                os.makedirs(self.folder)
                with self.assertRaises(payload_list.Refused) as refused:
                    self.read(text, files)
                self.assertIn(said, str(refused.exception))


class Staging(unittest.TestCase):
    def test_a_staging_stopped_after_a_copy_is_finished_by_the_next(self):
        root = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, root)
        source, staged = os.path.join(root, "source"), os.path.join(root, "staged")
        make_folder(source, {"payloads.list": b"a.xp3\nsub\\b.txt\n", "a.xp3": b"old", "sub/b.txt": b""})
        rows = payload_list.read_list(source)
        payload_list.stage(source, staged, rows)
        stamp = os.path.join(staged, "stamp")
        with open(stamp) as f:
            before = f.read()
        # The next patch's file, copied by a staging that stopped before its stamp.
        make_folder(source, {"a.xp3": b"new"})
        shutil.copyfile(os.path.join(source, "a.xp3"), os.path.join(staged, "ID_PAYLOAD1"))
        os.utime(stamp, (0, 0))
        payload_list.stage(source, staged, rows)
        with open(stamp) as f:
            self.assertNotEqual(f.read(), before)
        self.assertGreater(os.path.getmtime(stamp), 0)
        # Nothing changed since: the stamp keeps its time, so nothing is rebuilt.
        os.utime(stamp, (1, 1))
        payload_list.stage(source, staged, rows)
        self.assertEqual(os.path.getmtime(stamp), 1)
        # Interrupted (Ctrl-C) in the middle of a copy: the stamp still records the old.
        with open(stamp) as f:
            before = f.read()
        make_folder(source, {"sub/b.txt": b"changed"})

        def interrupted(source_path, target_path):
            with open(target_path, "wb") as target:
                target.write(b"cha")
            raise KeyboardInterrupt

        with unittest.mock.patch("payload_list.copy_open", interrupted), self.assertRaises(KeyboardInterrupt):
            payload_list.stage(source, staged, rows)
        with open(stamp) as f:
            self.assertEqual(f.read(), before)
        with open(os.path.join(staged, "ID_PAYLOAD2"), "rb") as f:
            self.assertEqual(f.read(), b"")

    def test_a_link_is_never_read_through(self):
        root = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, root)
        source, staged = os.path.join(root, "source"), os.path.join(root, "staged")
        secret = os.path.join(root, "id_ed25519")
        make_folder(root, {"id_ed25519": b"key"})
        make_folder(source, {"payloads.list": b"a.xp3\n", "a.xp3": b"own"})
        rows = payload_list.read_list(source)
        # Put in after the list was read: the staging copies nothing through it.
        os.remove(os.path.join(source, "a.xp3"))
        os.symlink(secret, os.path.join(source, "a.xp3"))
        with self.assertRaisesRegex(payload_list.Refused, "'a.xp3' is a link"):
            payload_list.stage(source, staged, rows)
        self.assertEqual(os.listdir(staged), [])
        # The default list's files, which no list line names, are refused by the check.
        os.remove(os.path.join(source, "payloads.list"))
        os.symlink(secret, os.path.join(source, "patch.xp3"))
        with self.assertRaisesRegex(payload_list.Refused, r"resource ID_PATCH1\): 'patch.xp3' is a link"):
            payload_list.check_folder(source, payload_list.read_list(source), 1536)
        # A list that is a link is not read: its target's lines would stand in the log.
        os.symlink(secret, os.path.join(source, "payloads.list"))
        with self.assertRaisesRegex(payload_list.Refused, "payloads.list is a link"):
            payload_list.read_list(source)


@unittest.skipUnless(os.environ.get("RELEASE_EXE"), "no built installer given")
class ReleaseCheck(unittest.TestCase):
    def setUp(self):
        self.work = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, self.work)
        with open(os.environ["RELEASE_EXE"], "rb") as f:
            self.exe = bytearray(f.read())
        self.payloads = os.environ["RELEASE_PAYLOADS"]
        self.digests = release_contents.compiled_digests(os.environ["RELEASE_DIGESTS"])

    def check(self, exe, digests):
        exe_path = os.path.join(self.work, "PatchInstaller.exe")
        cpp = os.path.join(self.work, "payload_digests.cpp")
        with open(exe_path, "wb") as f:
            f.write(exe)
        with open(cpp, "w") as f:
            f.write("".join("0x%08Xu,\n" % digest for digest in digests))
        return release_contents.check(exe_path, self.payloads, cpp)

    def test_a_digest_table_that_disagrees_with_the_payloads(self):
        self.assertEqual(self.check(self.exe, self.digests), [])
        table = struct.pack("<%dI" % len(self.digests), *self.digests)
        wrong = [self.digests[0] ^ 1] + self.digests[1:]
        exe = self.exe.replace(table, struct.pack("<%dI" % len(wrong), *wrong))
        self.assertEqual(self.check(exe, wrong),
                         ["patch.xp3: the compiled-in digest is not that of the source file"])

    def test_a_resource_named_by_number_is_named(self):
        # The name field of ID_PATCH1's directory entry points, from the start of the
        # resource section, at its UTF-16 name; without its top bit it is number 5.
        section = self.exe.index(b".rsrc\0\0\0")
        (start,) = struct.unpack_from("<20xI", self.exe, section)
        name = self.exe.index(struct.pack("<H", 9) + "ID_PATCH1".encode("utf-16-le"))
        entry = self.exe.index(struct.pack("<I", 0x80000000 | (name - start)))
        struct.pack_into("<I", self.exe, entry, 5)
        problems = self.check(self.exe, self.digests)
        self.assertIn("resources the build does not list: #5", problems)
        self.assertIn("patch.xp3: not in the exe (resource ID_PATCH1)", problems)


if __name__ == "__main__":
    unittest.main()
