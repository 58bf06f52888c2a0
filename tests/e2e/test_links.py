"""LINK: every shortcut is read back by two independent readers, Debian's
lnkinfo (target, arguments, working directory; the window state from the
file's header at offset 60, which lnkinfo 2018 prints as 0 whatever it holds)
and the shell link object itself (X:\\linkreader.exe). Wine's link object
does not load the window state back, so only the header tells it."""

import os
import struct
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
import wineenv  # noqa: E402
from sections import info, msgbox, section  # noqa: E402
from updater import UpdaterTest, error_box, expect_boxes, fail, main, message  # noqa: E402

GATES = msgbox("Set", "flag 1", flag="Test,1") + msgbox("Clear", "flag 0", flag="Test,0")
SW_SHOWNORMAL, SW_SHOWMAXIMIZED, SW_SHOWMINNOACTIVE = 1, 3, 7
LNKINFO_FIELDS = {"Local path": "path", "Working directory": "directory",
                  "Command line arguments": "arguments"}


def lnkinfo(path):
    """{path, directory, arguments} as lnkinfo reads them (ANSI strings as cp932)."""
    run = subprocess.run(["lnkinfo", "-c", "windows-932", path], capture_output=True, timeout=60)
    if run.returncode != 0:
        fail(f"lnkinfo failed on {path}", [run.stderr.decode("utf-8", "replace")])
    found = {}
    for line in run.stdout.decode("utf-8", "replace").splitlines():
        label, _, value = line.strip().partition(":")
        if label.strip() in LNKINFO_FIELDS:
            found[LNKINFO_FIELDS[label.strip()]] = value[1:]
    return found


def header_show(path):
    with open(path, "rb") as f:
        header = f.read(76)
    if len(header) < 76 or header[:4] != b"\x4c\x00\x00\x00":
        fail(f"{path} is not a shortcut file", [repr(header[:8])])
    return struct.unpack_from("<I", header, 60)[0]


class LinkTest(UpdaterTest):
    def run_link(self, s, src, dst, param="", show="", answers=1, **run_options):
        s.write_script("[UPDATER]\nNAME=\nPROC=Test,Set,Clear\n" + section(
            "Test", "LINK", SRC=src, PARAM=param, SHOWCMD=show, DST=dst) + GATES)
        return s.run(answers=["OK"] * answers, **run_options)

    def shell_reading(self, s, relative):
        """What the shell link object reads from the shortcut."""
        s.run_count += 1
        stem = f"{s.name}-{s.run_count}-link"
        log = os.path.join(s.runs, stem + ".log")
        code = wineenv.run_logged([wineenv.WINE, r"X:\linkreader.exe", s.win(relative),
                                   rf"T:\_runs\{stem}.txt"], wineenv.environment(), log, 60,
                                  cwd=s.root)
        if code != 0:
            with open(log, "rb") as f:
                fail(f"linkreader failed with code {code}", [f.read().decode("utf-8", "replace")])
        with open(os.path.join(s.runs, stem + ".txt"), encoding="utf-8") as f:
            fields = dict(line.split("=", 1) for line in f.read().splitlines())
        return {key: fields[key] for key in ("path", "directory", "arguments")}

    def expect_shortcut(self, s, relative, target, arguments, show):
        """Both readers agree with the expected target, its folder as the working
        directory and the arguments; the header holds the window state."""
        path = s.path(relative)
        self.assertTrue(os.path.isfile(path), f"{relative} was not made")
        expected = {"path": target, "directory": target.rpartition("\\")[0],
                    "arguments": arguments}
        self.assertEqual(lnkinfo(path), expected, "lnkinfo")
        self.assertEqual(self.shell_reading(s, relative), expected, "shell link object")
        self.assertEqual(header_show(path), show, "window state in the header")


class Creating(LinkTest):
    def test_window_states_and_arguments(self):
        rows = [
            # label, SHOWCMD, PARAM, window state stored, arguments stored
            ("1 is normal", "1", "-x /y", SW_SHOWNORMAL, "-x /y"),
            ("2 is minimised without activation", "2", "", SW_SHOWMINNOACTIVE, ""),
            ("3 is maximised", "3", " /quiet ", SW_SHOWMAXIMIZED, "/quiet"),
            ("0 keeps the default", "0", "a", SW_SHOWNORMAL, "a"),
            ("4 keeps the default", "4", "", SW_SHOWNORMAL, ""),
            ("empty keeps the default", "", "", SW_SHOWNORMAL, ""),
            ("not a number", "x3", "", SW_SHOWNORMAL, ""),
        ]
        for label, show, param, stored, arguments in rows:
            with self.subTest(label):
                s = self.scenario()
                s.write_bytes(r"App\app.exe", b"MZ")
                result = self.run_link(s, r"<Src>\App\app.exe", r"<Src>\Menu\App", param, show)
                expect_boxes(result, [info("flag 1")])
                self.expect_shortcut(s, r"Menu\App.LNK", s.win(r"App\app.exe"), arguments, stored)

    def test_destination_paths(self):
        rows = [
            # label, folders made beforehand, DST (below the scenario), file made
            ("missing folders are made", [], r"Menu\Group\App", r"Menu\Group\App.LNK"),
            ("an existing folder", ["Menu"], r"Menu\App", r"Menu\App.LNK"),
            ("an extension is kept", ["Menu"], r"Menu\App.lnk", r"Menu\App.lnk.LNK"),
            ("spaces around are trimmed", [], r" Menu\My App ", r"Menu\My App.LNK"),
            ("Shift-JIS names", [], r"ソフト\表示\予定表", r"ソフト\表示\予定表.LNK"),
        ]
        for label, folders, dst, made in rows:
            with self.subTest(label):
                s = self.scenario()
                for folder in folders:
                    s.make_dir(folder)
                s.write_bytes(r"日本語\表示.exe", b"MZ")
                dst = dst.replace(dst.strip(), "<Src>\\" + dst.strip())
                result = self.run_link(s, r"<Src>\日本語\表示.exe", dst, "表示 /a", "3")
                expect_boxes(result, [info("flag 1")])
                self.expect_shortcut(s, made, s.win(r"日本語\表示.exe"), "表示 /a",
                                     SW_SHOWMAXIMIZED)

    def test_an_existing_shortcut_is_replaced(self):
        s = self.scenario()
        s.write_bytes("one.exe", b"MZ")
        s.write_bytes("two.exe", b"MZ")
        expect_boxes(self.run_link(s, r"<Src>\one.exe", r"<Src>\App", "first", "3"),
                     [info("flag 1")])
        expect_boxes(self.run_link(s, r"<Src>\two.exe", r"<Src>\App", "second", "2"),
                     [info("flag 1")])
        self.expect_shortcut(s, "App.LNK", s.win("two.exe"), "second", SW_SHOWMINNOACTIVE)

    def test_parallel_lists(self):
        s = self.scenario()
        for name in ("a.exe", "b.exe", "c.exe"):
            s.write_bytes(name, b"MZ")
        result = self.run_link(s, r"<Src>\a.exe, <Src>\b.exe ,<Src>\c.exe", r"<Src>\A,<Src>\B,<Src>\C",
                               "1,2", "3,,1")
        expect_boxes(result, [info("flag 1")])
        for name, arguments, show in [("a", "1", SW_SHOWMAXIMIZED), ("b", "2", SW_SHOWNORMAL),
                                      ("c", "", SW_SHOWNORMAL)]:
            with self.subTest(name):
                self.expect_shortcut(s, f"{name.upper()}.LNK", s.win(f"{name}.exe"), arguments,
                                     show)

    def test_path_length_counts_utf16_units(self):
        """A shortcut path fits up to 259 UTF-16 units and its terminator;
        Shift-JIS takes two bytes for one unit."""
        rows = [
            # label, DST below the scenario (from the length of the scenario's path), made
            ("259 units", lambda base: "d" * 100 + "\\" + "e" * (259 - base - 101), True),
            ("260 units", lambda base: "d" * 100 + "\\" + "e" * (260 - base - 101), False),
            ("300 bytes of Shift-JIS, 150 units", lambda base: "表" * 70 + "\\" + "示" * 79, True),
        ]
        for label, make_dst, made in rows:
            with self.subTest(label):
                s = self.scenario()
                s.write_bytes("app.exe", b"MZ")
                dst = make_dst(len(s.win()) + 1 + len(".LNK"))
                self.assertEqual(len(s.win(dst)) + len(".LNK") + 1 > 260, not made)
                result = self.run_link(s, r"<Src>\app.exe", "<Src>\\" + dst)
                if made:
                    expect_boxes(result, [info("flag 1")])
                    self.expect_shortcut(s, dst + ".LNK", s.win("app.exe"), "", SW_SHOWNORMAL)
                else:
                    expect_boxes(result, [error_box(message(15, s.win("app.exe"), s.win(dst)))])
                    self.assertFalse(s.exists(dst + ".LNK"))


class Failures(LinkTest):
    def test_two_sources_and_one_destination(self):
        """The second shortcut is saved as ".LNK" in the current folder; when
        that cannot be, message 15 names the second source and no destination."""
        rows = [
            # label, ".LNK" is a folder already
            ("saved as .LNK", False),
            (".LNK cannot be saved", True),
        ]
        for label, blocked in rows:
            with self.subTest(label):
                s = self.scenario()
                if blocked:
                    s.make_dir(".LNK")
                result = self.run_link(s, r"<Src>\a.exe,<Src>\b.exe", r"<Src>\First", "", "1")
                if blocked:
                    expect_boxes(result, [error_box(message(15, s.win("b.exe"), ""))])
                    self.assertTrue(os.path.isdir(s.path(".LNK")))
                else:
                    expect_boxes(result, [info("flag 1")])
                    self.expect_shortcut(s, ".LNK", s.win("b.exe"), "", SW_SHOWNORMAL)
                self.expect_shortcut(s, "First.LNK", s.win("a.exe"), "", SW_SHOWNORMAL)

    def test_a_folder_that_cannot_be_made(self):
        # A file stands where the shortcut's folder should be.
        s = self.scenario()
        s.write_bytes("Menu", b"not a folder")
        result = self.run_link(s, r"<Src>\a.exe", r"<Src>\Menu\App")
        expect_boxes(result, [error_box(message(15, s.win("a.exe"), s.win(r"Menu\App")))])
        self.assertEqual(s.read_bytes("Menu"), b"not a folder")

    def test_an_empty_source_value_stops_the_run(self):
        s = self.scenario()
        expect_boxes(self.run_link(s, "", r"<Src>\App"), [error_box(message(4, "Test", "SRC"))])
        self.assertFalse(s.exists("App.LNK"))

    def test_missing_keys(self):
        for key in ["SRC", "PARAM", "SHOWCMD", "DST"]:
            with self.subTest(key):
                s = self.scenario()
                keys = {"SRC": "a.exe", "PARAM": "", "SHOWCMD": "", "DST": "App"}
                del keys[key]
                s.write_script("[UPDATER]\nNAME=\nPROC=Test,Set\n" + section("Test", "LINK", **keys)
                               + GATES)
                expect_boxes(s.run(answers=["OK"]), [error_box(message(2, "Test", key))])
                self.assertFalse(s.exists("App.LNK"))


if __name__ == "__main__":
    main()
