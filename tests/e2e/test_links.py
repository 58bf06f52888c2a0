"""LINK: every shortcut is read back by two independent readers, Debian's lnkinfo (target, arguments, working
directory) and the shell link object itself (the box driver's link mode); the window state only from the file's
header at offset 60 (lnkinfo 2018 prints 0 whatever it holds, and Wine's link object does not load it back)."""

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
    lines = [line.strip().partition(":") for line in run.stdout.decode("utf-8", "replace").splitlines()]
    return {LNKINFO_FIELDS[key.strip()]: value[1:] for key, _, value in lines if key.strip() in LNKINFO_FIELDS}


class Links(UpdaterTest):
    def run_link(self, s, src, dst, param="", show=""):
        s.write_script("[UPDATER]\nNAME=\nPROC=Test,Set,Clear\n"
                       + section("Test", "LINK", SRC=src, PARAM=param, SHOWCMD=show, DST=dst) + GATES)
        return s.run(answers=["OK"])

    def expect_shortcut(self, s, relative, target, arguments, show):
        """Both readers see the target, its folder as the working directory and the arguments; the header holds
        the window state; no folder is named after the shortcut."""
        self.assertTrue(os.path.isfile(s.path(relative)), f"{relative} was not made")
        self.assertFalse(relative[:-4] and os.path.isdir(s.path(relative[:-4])), "a folder named after the shortcut")
        expected = {"path": s.win(target), "directory": s.win(target).rpartition("\\")[0], "arguments": arguments}
        self.assertEqual(lnkinfo(s.path(relative)), expected, "lnkinfo")
        self.assertEqual(s.read_shortcut(relative), expected, "shell link object")
        header = s.read_bytes(relative)[:76]
        self.assertEqual((header[:4], struct.unpack_from("<I", header, 60)[0]), (b"L\0\0\0", show), "header, state")

    def test_shortcuts_of_parallel_lists(self):
        rows = [  # label, SRC, PARAM, SHOWCMD, DST, file made, arguments and window state stored
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
        expect_boxes(self.run_link(s, ",".join("<Src>\\" + x for x in sources), ",".join(dsts), ",".join(params),
                                   ",".join(shows)), [info("flag 1")])
        self.each(zip(labels, [s] * len(rows), made, sources, arguments, states), self.expect_shortcut)

    def test_an_existing_shortcut_is_replaced(self):
        s = self.scenario()
        for target, arguments, show in [("one.exe", "first", "3"), ("two.exe", "second", "2")]:
            s.write_bytes(target, b"MZ")
            expect_boxes(self.run_link(s, "<Src>\\" + target, r"<Src>\App", arguments, show), [info("flag 1")])
        self.expect_shortcut(s, "App.LNK", "two.exe", "second", SW_SHOWMINNOACTIVE)

    def test_where_a_shortcut_cannot_be_saved(self):
        """A path fits 259 UTF-16 units and its terminator (a Shift-JIS character is one unit); a file may stand where
        the folder belongs; a second source without a destination is saved as ".LNK" in the current folder, or fails
        naming no destination. A row: sources, DST (or a function of the length before it), what is in the way (a
        folder when it ends in "/"), the source that fails and whether DST is named, the shortcuts made (* is DST)."""
        def check(sources, dst, blocker, failure, made):
            s = self.scenario()
            for name in sources:
                s.write_bytes(name, b"MZ")
            if blocker:
                s.make_dir(blocker) if blocker.endswith("/") else s.write_bytes(blocker, b"not a folder")
            dst = dst if isinstance(dst, str) else dst(len(s.win()) + 1 + len(".LNK"))
            result = self.run_link(s, ",".join("<Src>\\" + x for x in sources), "<Src>\\" + dst)
            expect_boxes(result, [error_box(message(15, s.win(failure[0]), s.win(dst) if failure[1] else ""))
                                  if failure else info("flag 1")])
            self.assertFalse(failure and failure[1] and s.exists(dst + ".LNK"))
            self.each([(name, s, name.replace("*", dst), source, "", SW_SHOWNORMAL) for name, source in made],
                      self.expect_shortcut)
        self.each([
            ("259", ["a.exe"], lambda n: "d" * 100 + "\\" + "e" * (259 - n - 101), None, None, [("*.LNK", "a.exe")]),
            ("260", ["a.exe"], lambda n: "d" * 100 + "\\" + "e" * (260 - n - 101), None, ("a.exe", True), []),
            ("300 bytes of Shift-JIS, 150 units", ["a.exe"], "表" * 70 + "\\" + "示" * 79, None, None,
             [("*.LNK", "a.exe")]),
            ("a file where the folder belongs", ["a.exe"], r"Menu\App", "Menu", ("a.exe", True), []),
            ("a second source saved as .LNK", ["a.exe", "b.exe"], "First", None, None,
             [("First.LNK", "a.exe"), (".LNK", "b.exe")]),
            (".LNK cannot be saved", ["a.exe", "b.exe"], "First", ".LNK/", ("b.exe", False), [("First.LNK", "a.exe")]),
        ], check)

    def test_reader(self):
        self.expect_reader("LINK", {"SRC": "a.exe", "PARAM": "", "SHOWCMD": "", "DST": "App"}, "SRC")


if __name__ == "__main__":
    main()
