"""The file procedures on real trees: COPY, MOVE, DELETE, SHELL, ATTR and MAKEDIR.

A row: name, the files before (relative path -> text; "dir/" -> D for an
empty directory; "U:/..." on the second drive, "R:/..." on the throwaway
one), the procedure section(s), the outcome (DONE, or a message number and
its arguments) and what changed on disk (GONE for a removed entry).
<W> and <U> stand for the scenario's folders on T: and U:. Step runs first
(after Prep, when the row has one); a SWITCH on its flag then shows "flag 1".
"""

import os
import re
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
import wineenv  # noqa: E402
from sections import info, msgbox, section, switch  # noqa: E402
from updater import UpdaterTest, error_box, expect_boxes, main, message  # noqa: E402

D, GONE, DONE = "<dir>", "<gone>", "<done>"
FLAG = switch("Flag", "Step", "Zero", "One") + msgbox("Zero", "flag 0") + msgbox("One", "flag 1")
LONG = "L" * 200


def copy(source, destination, mode="COPY"):
    return section("Step", mode, FROM=source, TO=destination)


def move(source, destination):
    return copy(source, destination, "MOVE")


def delete(paths):
    return section("Step", "DELETE", FILE=paths)


def shell(func, source, destination):
    return section("Step", "SHELL", FUNC=func, FROM=source, TO=destination)


def attr(paths, values):
    return section("Step", "ATTR", FILE=paths, ARG=values)


def makedir(paths):
    return section("Step", "MAKEDIR", DIR=paths)


class FileTest(UpdaterTest):
    def areas(self, s):
        """Unix folders of the row's three areas, by key prefix."""
        p = wineenv.paths()
        return {"": s.path(), "U:/": os.path.join(p["drive_u"], s.name), "R:/": p["drive_r"]}

    def where(self, s, key):
        for prefix, root in sorted(self.areas(s).items(), reverse=True):
            if key.startswith(prefix):
                return os.path.join(root, *key[len(prefix):].split("/"))

    def lay_out(self, s, files):
        shutil.rmtree(wineenv.paths()["drive_r"], ignore_errors=True)
        for root in self.areas(s).values():
            os.makedirs(root, exist_ok=True)
        for key, text in files.items():
            path = self.where(s, key)
            if text == D:
                os.makedirs(path, exist_ok=True)
            else:
                os.makedirs(os.path.dirname(path), exist_ok=True)
                with open(path, "w", encoding="utf-8") as f:
                    f.write(text)

    def snapshot(self, s):
        """Every file with its text, and every empty directory, of the areas."""
        found = {}
        for prefix, root in self.areas(s).items():
            for top, dirs, files in os.walk(root):
                relative = os.path.relpath(top, root).replace(os.sep, "/")
                here = "" if relative == "." else relative + "/"
                if prefix == "" and here == "":
                    files = [f for f in files if f not in ("updater.exe", "updater.ini")]
                if not dirs and not files and here:
                    found[prefix + here] = D
                for name in files:
                    with open(os.path.join(top, name), encoding="utf-8", errors="replace") as f:
                        found[prefix + here + name] = f.read()
        return found

    def run_row(self, before, body, outcome, changes, hold=(), directory=None, observe=None):
        s = self.scenario()
        self.lay_out(s, before)
        s.observed = observe(s) if observe else None
        names = {"<W>": s.win(), "<U>": "U:\\" + s.name}
        proc = "Prep,Step,Flag" if "[Prep]" in body else "Step,Flag"
        s.write_script(f"[UPDATER]\nNAME=\nPROC={proc}\n[DEFINE]\n<Empty>=\n"
                       + "".join(f"{k}={v}\n" for k, v in names.items()) + body + FLAG)
        result = s.run(answers=["OK"], hold=hold, directory=directory)
        if outcome == DONE:
            box = info("flag 1")
        else:
            fill = [re.sub("<[WU]>", lambda m: names[m.group(0)], a) if isinstance(a, str) else a
                    for a in outcome[1:]]
            box = error_box(message(outcome[0], *fill))
        expect_boxes(result, [box])
        expected = {k: v for k, v in {**before, **changes}.items() if v != GONE}
        self.assertEqual(self.snapshot(s), expected)
        return s

    def check(self, rows):
        for name, before, body, outcome, changes, *options in rows:
            with self.subTest(row=name):
                self.run_row(before, body, outcome, changes, **(options[0] if options else {}))


TREE = {"s/x.txt": "x", "s/sub/y.txt": "y", "s/empty/": D}


class Copy(FileTest):
    def test_copy(self):
        self.check([
            ("file, parents made", {"a.txt": "A"}, copy(r"<W>\a.txt", r"<W>\n\deep\b.txt"), DONE,
             {"n/deep/b.txt": "A"}),
            ("file overwrites", {"a.txt": "A", "b.txt": "old"}, copy(r"<W>\a.txt", r"<W>\b.txt"), DONE,
             {"b.txt": "A"}),
            ("tree", TREE, copy(r"<W>\s", r"<W>\d"), DONE,
             {"d/x.txt": "x", "d/sub/y.txt": "y", "d/empty/": D}),
            ("tree, trailing backslashes", TREE, copy("<W>\\s\\", "<W>\\d\\"), DONE,
             {"d/x.txt": "x", "d/sub/y.txt": "y", "d/empty/": D}),
            ("pattern: matches of its folder, a matching folder whole",
             {"s/a.dll": "a", "s/b.txt": "b", "s/old.dll/z.txt": "z", "s/sub/c.dll": "c"},
             copy(r"<W>\s\*.dll", r"<W>\d\any.name"), DONE, {"d/a.dll": "a", "d/old.dll/z.txt": "z"}),
            ("'?' alone is a file name", {"s/x1.txt": "1"}, copy(r"<W>\s\x?.txt", r"<W>\d\x.txt"),
             (8, r"<W>\s\x?.txt", r"<W>\d\x.txt"), {"d/": D}),
            ("TO shorter than FROM", {"a.txt": "A", "b.txt": "B"},
             copy(r"<W>\a.txt, <W>\b.txt", r"<W>\c.txt"), (8, r"<W>\b.txt", ""), {"c.txt": "A"}),
            ("items lose spaces, not tabs", {"a.txt": "A", "b.txt": "B"},
             copy("<W>\\a.txt  ,\t<W>\\b.txt", "  <W>\\c.txt  ,<W>\\d.txt"),
             (8, "\t<W>\\b.txt", r"<W>\d.txt"), {"c.txt": "A"}),
            ("first failure stops the list", {"a.txt": "A", "c.txt": "C"},
             copy(r"<W>\a.txt,<W>\no.txt,<W>\c.txt", r"<W>\1.txt,<W>\2.txt,<W>\3.txt"),
             (8, r"<W>\no.txt", r"<W>\2.txt"), {"1.txt": "A"}),
            ("destination held open", {"a.txt": "new", "b.txt": "old"},
             copy(r"<W>\a.txt", r"<W>\b.txt"), (8, r"<W>\a.txt", r"<W>\b.txt"), {}, {"hold": ["b.txt"]}),
            ("Shift-JIS names with a 0x5C trail byte", {"表示/ソフト.txt": "s", "表示/sub/ソ.txt": "t"},
             copy(r"<W>\表示", r"<W>\予定表"), DONE, {"予定表/ソフト.txt": "s", "予定表/sub/ソ.txt": "t"}),
            ("tree into itself is refused", TREE, copy(r"<W>\s", r"<W>\s\in"),
             (8, r"<W>\s", r"<W>\s\in"), {}),
            ("tree to an empty destination is refused", TREE, copy(r"<W>\s", ""), (8, r"<W>\s", ""), {}),
            ("a path past the platform's limit fails", {f"s/{LONG}/f.txt": "f"},
             copy(r"<W>\s", "<W>\\d\\" + "D" * 50), (8, r"<W>\s", "<W>\\d\\" + "D" * 50),
             {f"d/{'D' * 50}/": D}),
        ])


class Move(FileTest):
    def test_move(self):
        self.check([
            ("file replaces a file", {"a.txt": "A", "b.txt": "B"}, move(r"<W>\a.txt", r"<W>\b.txt"), DONE,
             {"a.txt": GONE, "b.txt": "A"}),
            ("file onto itself stays", {"a.txt": "A"}, move(r"<W>\a.txt", r"<W>\A.TXT"), DONE, {}),
            ("tree, source gone", TREE, move(r"<W>\s", r"<W>\n\d"), DONE,
             {"s/x.txt": GONE, "s/sub/y.txt": GONE, "s/empty/": GONE,
              "n/d/x.txt": "x", "n/d/sub/y.txt": "y", "n/d/empty/": D}),
            ("tree across drives", TREE, move(r"<W>\s", r"<U>\d"), DONE,
             {"s/x.txt": GONE, "s/sub/y.txt": GONE, "s/empty/": GONE,
              "U:/d/x.txt": "x", "U:/d/sub/y.txt": "y", "U:/d/empty/": D}),
            ("pattern leaves the folder", {"s/a.txt": "a", "s/b.dat": "b"},
             move(r"<W>\s\*.txt", r"<W>\d\*.txt"), DONE, {"s/a.txt": GONE, "d/a.txt": "a"}),
            ("destination held open", {"a.txt": "new", "b.txt": "old"}, move(r"<W>\a.txt", r"<W>\b.txt"),
             (14, r"<W>\a.txt", r"<W>\b.txt"), {}, {"hold": ["b.txt"]}),
            ("source held open", {"a.txt": "new", "b.txt": "old"}, move(r"<W>\a.txt", r"<W>\b.txt"),
             (14, r"<W>\a.txt", r"<W>\b.txt"), {}, {"hold": ["a.txt"]}),
            ("Shift-JIS names", {"表示/ソフト.txt": "s"}, move(r"<W>\表示\ソフト.txt", r"<W>\表示\ソ.txt"),
             DONE, {"表示/ソフト.txt": GONE, "表示/ソ.txt": "s"}),
            ("a drive root is never moved", {"R:/canary.txt": "c"}, move("R:\\", r"<W>\d"),
             (14, "R:\\", r"<W>\d"), {}),
        ])


class Delete(FileTest):
    def test_delete(self):
        self.check([
            ("file", {"a.txt": "A", "b.txt": "B"}, delete(r"<W>\a.txt"), DONE, {"a.txt": GONE}),
            ("pattern: files and folders that match, not the folder",
             {"t/a.tmp": "a", "t/b.txt": "b", "t/c.tmp/z.txt": "z"}, delete(r"<W>\t\*.tmp"), DONE,
             {"t/a.tmp": GONE, "t/c.tmp/z.txt": GONE}),
            ("tree with read-only and hidden files",
             {"t/r.txt": "r", "t/sub/h.txt": "h", "t/sub/deeper/": D},
             section("Prep", "ATTR", FILE=r"<W>\t\r.txt,<W>\t\sub\h.txt", ARG="1,2")
             + delete(r"<W>\t"), DONE, {"t/r.txt": GONE, "t/sub/h.txt": GONE, "t/sub/deeper/": GONE}),
            ("a path that does not exist", {}, delete(r"<W>\none, <W>\no\*.tmp"), DONE, {}),
            ("file held open", {"a.txt": "A"}, delete(r"<W>\a.txt"), (10, r"<W>\a.txt"), {},
             {"hold": ["a.txt"]}),
            ("Shift-JIS tree", {"表示/ソフト.txt": "s", "表示/ソ/x.txt": "x", "keep.txt": "k"},
             delete(r"<W>\表示"), DONE, {"表示/ソフト.txt": GONE, "表示/ソ/x.txt": GONE}),
        ])

    def test_roots_are_refused(self):
        canary = {"R:/canary.txt": "c", "R:/a/b.txt": "b"}
        rows = [("R:\\", "R:\\"), ("R:", "R:"), ("\\", "\\"), (r"\\server\share", r"\\server\share"),
                ("<Empty>\\", "\\"), (r"R:\a\..", "R:"), (r"R:\*", r"R:\*"), (r"R:\a\..\*.*", r"R:\*.*")]
        self.check([(written, canary, delete(written), (10, shown), {}, {"directory": "R:\\a"})
                    for written, shown in rows])


class Shell(FileTest):
    APP = {"new/app.exe": "new", "prog/app.exe": "old"}
    NEW, OLD = r"<W>\new\app.exe", r"<W>\prog\app.exe"

    def test_replacing(self):
        self.check([(f"COPY as {word}", self.APP, shell(word, self.NEW, self.OLD), DONE,
                     {"prog/app.exe": "new"}) for word in ("COPY", "copy", "Copy")] + [
            ("MOVE", self.APP, shell("move", self.NEW, self.OLD), DONE,
             {"new/app.exe": GONE, "new/": D, "prog/app.exe": "new"}),
            ("RENAME", {"a.txt": "A"}, shell("Rename", r"<W>\a.txt", r"<W>\b.txt"), DONE,
             {"a.txt": GONE, "b.txt": "A"}),
            ("DELETE takes the source and the destination", {"a.txt": "A", "b.txt": "B"},
             shell("DELETE", r"<W>\a.txt", r"<W>\b.txt"), DONE, {"a.txt": GONE, "b.txt": GONE}),
            ("an old temporary goes first", {**self.APP, "prog/app.exe.tmp": "stale"},
             shell("COPY", self.NEW, self.OLD), DONE, {"prog/app.exe": "new", "prog/app.exe.tmp": GONE}),
            ("a directory replaces a directory", {"n/x.txt": "x", "o/y.txt": "y"},
             shell("COPY", r"<W>\n", r"<W>\o"), DONE, {"o/x.txt": "x", "o/y.txt": GONE}),
        ])

    def test_failures_leave_the_destination(self):
        self.check([
            ("unknown word", self.APP, shell("FROB", self.NEW, self.OLD), (17,), {}),
            ("FUNC shorter than FROM", {**self.APP, "b.txt": "B"},
             shell("COPY", rf"{self.NEW},<W>\b.txt", rf"{self.OLD},<W>\c.txt"), (17,),
             {"prog/app.exe": "new"}),
            ("missing source", self.APP, shell("COPY", r"<W>\new\none.exe", self.OLD), (17,), {}),
            ("copy onto a destination held open", self.APP, shell("COPY", self.NEW, self.OLD), (17,), {},
             {"hold": ["prog/app.exe"]}),
            ("move onto a destination held open keeps the only copy", self.APP,
             shell("MOVE", self.NEW, self.OLD), (17,),
             {"new/app.exe": GONE, "new/": D, "prog/app.exe.tmp": "new"},
             {"hold": ["prog/app.exe"]}),
            ("a name too long for the shell", self.APP, shell("COPY", self.NEW, "<W>\\" + "N" * 250),
             (17,), {}),
            ("a drive root is never a source", {"R:/canary.txt": "c"}, shell("DELETE", "R:\\", r"<W>\d"),
             (17,), {}),
        ])


def attributes(s):
    """Attribute letters of every file and folder of the scenario, read through Windows."""
    log = os.path.join(wineenv.paths()["logs"], s.name + "-attrib.txt")
    if os.path.exists(log):
        os.remove(log)
    code = wineenv.wine(["cmd", "/c", "attrib", "/s", "/d", s.win() + "\\*"], wineenv.environment(),
                        log, 60, cwd=s.path())
    with open(log, "rb") as f:
        lines = f.read().decode("cp932", "replace").splitlines()
    if code != 0:
        raise AssertionError(f"attrib failed with {code}: {lines}")
    found = {}
    for line in lines:
        head, _, path = line.partition(s.win() + "\\")
        if path and not path.lower().startswith("updater."):
            found[path.replace("\\", "/")] = "".join(sorted(head.replace(" ", "")))
    return found


class Attributes(FileTest):
    FILES = {"a.dll": "a", "b.dll": "b", "c.txt": "c", "sub/d.dll": "d", "e.dll/f.txt": "f",
             "表示/ソフト.txt": "s"}
    # Prep makes the files hidden, system and read-only; Wine always shows the archive bit.
    SET = {"a.dll": "AHRS", "b.dll": "AHRS", "c.txt": "AHRS", "sub/d.dll": "AHRS", "表示/ソフト.txt": "AHRS"}
    PREP = section("Prep", "ATTR", FILE=",".join("<W>\\" + p.replace("/", "\\") for p in SET), ARG="7,7,7,7,7")

    def test_values_replace_all_attributes(self):
        rows = [("1", r"<W>\a.dll", "1", {"a.dll": "AR"}),
                ("0x21", r"<W>\a.dll", "0x21", {"a.dll": "AR"}),
                ("80 on a pattern: its folder only, no folders", r"<W>\*.dll", "80",
                 {"a.dll": "A", "b.dll": "A"}),
                ("no hexadecimal number is 0", r"<W>\c.txt", "zz", {"c.txt": "A"}),
                ("a folder is left alone", r"<W>\sub", "1", {}),
                ("Shift-JIS path", r"<W>\表示\ソフト.txt", "2", {"表示/ソフト.txt": "AH"}),
                ("items in parallel, a missing value is 0", r"<W>\a.dll, <W>\b.dll", "3",
                 {"a.dll": "AHR", "b.dll": "A"})]
        for name, paths, values, changed in rows:
            with self.subTest(row=name):
                s = self.run_row(self.FILES, self.PREP + attr(paths, values), DONE, {}, observe=attributes)
                self.assertEqual(attributes(s), {**s.observed, **self.SET, **changed})

    def test_missing_file(self):
        self.check([("value as eight digits", {}, attr(r"<W>\none.dll", "1"), (12, r"<W>\none.dll", 1), {}),
                    ("pattern matching nothing", {}, attr(r"<W>\*.xyz", "ff"), (12, r"<W>\*.xyz", 255), {})])


class MakeDirectory(FileTest):
    def test_makedir(self):
        self.check([
            ("nested", {}, makedir(r"<W>\a\b\c"), DONE, {"a/b/c/": D}),
            ("repeated, trailing backslash", {}, makedir("<W>\\a\\b, <W>\\a\\b\\, <W>\\a\\b"), DONE,
             {"a/b/": D}),
            ("a file in the way", {"a/f": "x"}, makedir(r"<W>\a\n, <W>\a\f\g"), (13, r"<W>\a\f\g"),
             {"a/n/": D}),
            ("levels made before a failure stay", {}, makedir(r"<W>\n1\n2\a?b\n4"),
             (13, r"<W>\n1\n2\a?b\n4"), {"n1/n2/": D}),
            ("Shift-JIS", {}, makedir(r"<W>\表示\ソフト"), DONE, {"表示/ソフト/": D}),
        ])


if __name__ == "__main__":
    main()
