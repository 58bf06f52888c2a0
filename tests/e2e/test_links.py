"""LINK: every shortcut is read back by two independent readers, Debian's
lnkinfo (target, arguments, working directory; the window state from the
file's header at offset 60, which lnkinfo 2018 prints as 0 whatever it holds)
and the shell link object itself (the box driver's link mode). Wine's link object
does not load the window state back, so only the header tells it."""

import os
import struct
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
from sections import info, msgbox, section  # noqa: E402
from updater import UpdaterTest, error_box, expect_boxes, fail, main, message  # noqa: E402

GATES = msgbox("Set", "flag 1", flag="Test,1") + msgbox("Clear", "flag 0", flag="Test,0")
SW_SHOWNORMAL, SW_SHOWMAXIMIZED, SW_SHOWMINNOACTIVE = 1, 3, 7
LNKINFO_FIELDS = {"Local path": "path", "Working directory": "directory", "Command line arguments": "arguments"}


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


class Links(UpdaterTest):
    def run_link(self, s, src, dst, param="", show=""):
        s.write_script("[UPDATER]\nNAME=\nPROC=Test,Set,Clear\n"
                       + section("Test", "LINK", SRC=src, PARAM=param, SHOWCMD=show, DST=dst) + GATES)
        return s.run(answers=["OK"])

    def expect_shortcut(self, s, relative, target, arguments, show):
        """Both readers see the target, its folder as the working directory and
        the arguments; the header holds the window state."""
        path = s.path(relative)
        self.assertTrue(os.path.isfile(path), f"{relative} was not made")
        self.assertFalse(relative[:-4] and os.path.isdir(s.path(relative[:-4])), "a folder named after the shortcut")
        expected = {"path": s.win(target), "directory": s.win(target).rpartition("\\")[0], "arguments": arguments}
        self.assertEqual(lnkinfo(path), expected, "lnkinfo")
        self.assertEqual(s.read_shortcut(relative), expected, "shell link object")
        with open(path, "rb") as f:
            header = f.read(76)
        self.assertEqual(header[:4], b"\x4c\x00\x00\x00", "not a shortcut file")
        self.assertEqual(struct.unpack_from("<I", header, 60)[0], show, "window state in the header")

    def test_shortcuts_of_parallel_lists(self):
        rows = [
            # label, SRC, PARAM, SHOWCMD, DST, file made, arguments and window state stored
            ("1 is normal", "a.exe", "-x /y", "1", r"<Src>\A", "A.LNK", "-x /y", SW_SHOWNORMAL),
            ("2 is minimised without activation", "b.exe", "", "2", r"<Src>\B", "B.LNK", "", SW_SHOWMINNOACTIVE),
            ("3 is maximised, arguments trimmed", "c.exe", " /quiet ", "3", r"<Src>\C", "C.LNK", "/quiet",
             SW_SHOWMAXIMIZED),
            ("4 keeps the default", "d.exe", "d", "4", r"<Src>\D", "D.LNK", "d", SW_SHOWNORMAL),
            ("a missing value keeps the default", "e.exe", "", "", r"<Src>\E", "E.LNK", "", SW_SHOWNORMAL),
            ("missing folders are made, an extension is kept", "f.exe", "", "1", r"<Src>\Menu\Group\F.lnk",
             r"Menu\Group\F.lnk.LNK", "", SW_SHOWNORMAL),
            ("one level below a missing folder", "g.exe", "", "", r"<Src>\Menu2/G", r"Menu2\G.LNK", "", SW_SHOWNORMAL),
            ("a bare name is saved in the current folder", "h.exe", "", "", "H", "H.LNK", "", SW_SHOWNORMAL),
            ("Shift-JIS names", r"日本語\表示.exe", "表示 /a", "3", r"<Src>\ソフト\表示\予定表", r"ソフト\表示\予定表.LNK",
             "表示 /a", SW_SHOWMAXIMIZED),
        ]
        labels, sources, params, shows, dsts, made, arguments, states = zip(*rows)
        s = self.scenario()
        for source in sources:
            s.write_bytes(source, b"MZ")
        expect_boxes(self.run_link(s, ",".join("<Src>\\" + x for x in sources), ",".join(dsts),
                                   ",".join(params), ",".join(shows)), [info("flag 1")])
        self.each(zip(labels, [s] * len(rows), made, sources, arguments, states), self.expect_shortcut)

    def test_an_existing_shortcut_is_replaced(self):
        s = self.scenario()
        for target, arguments, show in [("one.exe", "first", "3"), ("two.exe", "second", "2")]:
            s.write_bytes(target, b"MZ")
            expect_boxes(self.run_link(s, "<Src>\\" + target, r"<Src>\App", arguments, show), [info("flag 1")])
        self.expect_shortcut(s, "App.LNK", "two.exe", "second", SW_SHOWMINNOACTIVE)

    def test_where_a_shortcut_cannot_be_saved(self):
        """A shortcut path fits 259 UTF-16 units and its terminator (Shift-JIS
        takes two bytes for one unit); a file may stand where its folder belongs."""
        def check(make_dst, blocker, made):
            s = self.scenario()
            s.write_bytes("app.exe", b"MZ")
            if blocker:
                s.write_bytes(blocker, b"not a folder")
            dst = make_dst(len(s.win()) + 1 + len(".LNK"))
            result = self.run_link(s, r"<Src>\app.exe", "<Src>\\" + dst)
            if made:
                expect_boxes(result, [info("flag 1")])
                self.expect_shortcut(s, dst + ".LNK", "app.exe", "", SW_SHOWNORMAL)
            else:
                expect_boxes(result, [error_box(message(15, s.win("app.exe"), s.win(dst)))])
                self.assertFalse(s.exists(dst + ".LNK"))
        self.each([
            ("259 units", lambda base: "d" * 100 + "\\" + "e" * (259 - base - 101), None, True),
            ("260 units", lambda base: "d" * 100 + "\\" + "e" * (260 - base - 101), None, False),
            ("300 bytes of Shift-JIS, 150 units", lambda base: "表" * 70 + "\\" + "示" * 79, None, True),
            ("a file where the folder belongs", lambda base: r"Menu\App", "Menu", False),
        ], check)

    def test_two_sources_and_one_destination(self):
        """The second shortcut is saved as ".LNK" in the current folder; when
        that cannot be, message 15 names the second source and no destination."""
        def check(blocked):
            s = self.scenario()
            if blocked:
                s.make_dir(".LNK")
            result = self.run_link(s, r"<Src>\a.exe,<Src>\b.exe", r"<Src>\First", "", "1")
            if blocked:
                expect_boxes(result, [error_box(message(15, s.win("b.exe"), ""))])
            else:
                expect_boxes(result, [info("flag 1")])
                self.expect_shortcut(s, ".LNK", "b.exe", "", SW_SHOWNORMAL)
            self.expect_shortcut(s, "First.LNK", "a.exe", "", SW_SHOWNORMAL)
        self.each([("saved as .LNK", False), (".LNK cannot be saved", True)], check)

    def test_reader(self):
        self.expect_reader("LINK", {"SRC": "a.exe", "PARAM": "", "SHOWCMD": "", "DST": "App"}, "SRC")


if __name__ == "__main__":
    main()
