"""COPY, MOVE, DELETE, SHELL, ATTR and MAKEDIR on real trees. A row: name, files
before (path -> text; "dir/": D, an empty folder; "U:/", "V:/", "R:/": on those drives),
the step (after Prep, if any), the outcome (DONE: the SWITCH on its flag shows
"flag 1"; or a message number and its arguments, <W>, <U> and <V> standing for the
scenario's folders on T:, U: and V:, a drive on a file system of its own), what changed (GONE: removed) and run options."""

import os
import re
import shutil
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
import wineenv  # noqa: E402
from sections import info, msgbox, section, switch  # noqa: E402
from updater import UpdaterTest, error_box, expect_boxes, main, message  # noqa: E402

D, GONE, DONE = "<dir>", "<gone>", "<done>"
FLAG = switch("Flag", "Step", "Zero", "One") + msgbox("Zero", "flag 0") + msgbox("One", "flag 1")
TREE = {"s/x.txt": "x", "s/sub/y.txt": "y", "s/empty/": D}
COPIED = {"d/x.txt": "x", "d/sub/y.txt": "y", "d/empty/": D}
MOVED = {"s/x.txt": GONE, "s/sub/y.txt": GONE, "s/empty/": GONE}
APP = {"new/app.exe": "new", "prog/app.exe": "old"}
NEW, OLD = r"<W>\new\app.exe", r"<W>\prog\app.exe"


def step(mode, *keys):
    return lambda *values: section("Step", mode, **dict(zip(keys, values)))


copy = step("COPY", "FROM", "TO")
move = step("MOVE", "FROM", "TO")
delete = step("DELETE", "FILE")
shell = step("SHELL", "FUNC", "FROM", "TO")
attr = step("ATTR", "FILE", "ARG")
makedir = step("MAKEDIR", "DIR")


class Files(UpdaterTest):
    def areas(self, s):
        p = wineenv.paths()
        return {"": s.path(), "U:/": os.path.join(p["drive_u"], s.name), "V:/": os.path.join(p["drive_v"], s.name),
                "R:/": p["drive_r"]}

    def where(self, s, key):
        prefix = key[:3] if key[1:3] == ":/" else ""
        return os.path.join(self.areas(s)[prefix], *key[len(prefix):].split("/"))

    def snapshot(self, s):
        """Every file with its text, and every empty folder, of the areas."""
        found = {}
        for prefix, root in self.areas(s).items():
            for top, dirs, files in os.walk(root):
                here = os.path.relpath(top, root).replace(os.sep, "/") + "/"
                here = "" if here == "./" else here
                files = [f for f in files if here or f not in ("updater.exe", "updater.ini")]
                if not dirs and not files and here:
                    found[prefix + here] = D
                for name in files:
                    with open(os.path.join(top, name), encoding="utf-8", errors="replace") as f:
                        found[prefix + here + name] = f.read()
        return found

    def lay_out(self, before):
        s = self.scenario()
        for prefix, root in self.areas(s).items():
            if prefix:  # the scenario clears its own folder on T: only
                shutil.rmtree(root, ignore_errors=True)
            os.makedirs(root, exist_ok=True)
        for key, text in before.items():
            path = self.where(s, key)
            os.makedirs(path if text == D else os.path.dirname(path), exist_ok=True)
            if text != D:
                with open(path, "w", encoding="utf-8") as f:
                    f.write(text)
        return s

    def run_row(self, before, body, outcome, changes, options=None, s=None):
        s = s or self.lay_out(before)
        names = {"<W>": s.win(), "<U>": "U:\\" + s.name, "<V>": "V:\\" + s.name}
        s.write_script(f"[UPDATER]\nNAME=\nPROC={'Prep,' if '[Prep]' in body else ''}Step,Flag\n[DEFINE]\n"
                       + "".join(f"{k}={v}\n" for k, v in {"<Empty>": "", **names}.items()) + body + FLAG)
        box = info("flag 1")
        if outcome != DONE:
            box = error_box(message(outcome[0], *[re.sub("<[WUV]>", lambda m: names[m.group(0)], a)
                                                  if isinstance(a, str) else a for a in outcome[1:]]))
        expect_boxes(s.run(answers=["OK"], **(options or {})), [box])
        self.assertEqual(self.snapshot(s), {k: v for k, v in {**before, **changes}.items() if v != GONE})
        return s

    def test_copy(self):
        self.each([
            ("file, parents made", {"a.txt": "A"}, copy(r"<W>\a.txt", r"<W>\n\deep\b.txt"), DONE,
             {"n/deep/b.txt": "A"}),
            ("file overwrites", {"a.txt": "A", "b.txt": "old"}, copy(r"<W>\a.txt", r"<W>\b.txt"), DONE,
             {"b.txt": "A"}),
            ("tree, trailing backslashes", TREE, copy("<W>\\s\\", "<W>\\d\\"), DONE, COPIED),
            ("pattern: matches of its folder, a matching folder whole",
             {"s/a.dll": "a", "s/b.txt": "b", "s/old.dll/z.txt": "z", "s/sub/c.dll": "c"},
             copy(r"<W>\s\*.dll", r"<W>\d\any.name"), DONE, {"d/a.dll": "a", "d/old.dll/z.txt": "z"}),
            ("'?' alone is a file name", {"s/x1.txt": "1"}, copy(r"<W>\s\x?.txt", r"<W>\d\x.txt"),
             (8, r"<W>\s\x?.txt", r"<W>\d\x.txt"), {"d/": D}),
            ("first failure stops the list", {"a.txt": "A", "c.txt": "C"},
             copy(r"<W>\a.txt,<W>\no.txt,<W>\c.txt", r"<W>\1.txt,<W>\2.txt,<W>\3.txt"),
             (8, r"<W>\no.txt", r"<W>\2.txt"), {"1.txt": "A"}),
            ("destination held open", {"a.txt": "new", "b.txt": "old"},
             copy(r"<W>\a.txt", r"<W>\b.txt"), (8, r"<W>\a.txt", r"<W>\b.txt"), {}, {"hold": ["b.txt"]}),
            ("Shift-JIS names with a 0x5C trail byte", {"表示/ソフト.txt": "s", "表示/sub/ソ.txt": "t"},
             copy(r"<W>\表示", r"<W>\予定表"), DONE, {"予定表/ソフト.txt": "s", "予定表/sub/ソ.txt": "t"}),
            ("tree into itself is refused", TREE, copy(r"<W>\s", r"<W>\s\in"), (8, r"<W>\s", r"<W>\s\in"), {}),
            ("tree to an empty destination is refused", TREE, copy(r"<W>\s", ""), (8, r"<W>\s", ""), {}),
            ("a path past the platform's limit fails", {f"s/{'L' * 200}/f.txt": "f"},
             copy(r"<W>\s", "<W>\\d\\" + "D" * 50), (8, r"<W>\s", "<W>\\d\\" + "D" * 50),
             {f"d/{'D' * 50}/": D}),
            ("tree onto an older copy of itself", {**TREE, "d/x.txt": "old", "d/sub/y.txt": "old"},
             copy(r"<W>\s", r"<W>\d"), DONE, COPIED),
        ], self.run_row)

    def test_move(self):
        self.each([
            ("file replaces a file", {"a.txt": "A", "b.txt": "B"}, move(r"<W>\a.txt", r"<W>\b.txt"), DONE,
             {"a.txt": GONE, "b.txt": "A"}),
            ("file onto itself stays", {"a.txt": "A"}, move(r"<W>\a.txt", r"<W>\A.TXT"), DONE, {}),
            ("tree across drives", TREE, move(r"<W>\s", r"<U>\d"), DONE,
             {**MOVED, **{"U:/" + k: v for k, v in COPIED.items()}}),
            ("pattern leaves the folder", {"s/a.txt": "a", "s/b.dat": "b"},
             move(r"<W>\s\*.txt", r"<W>\d\*.txt"), DONE, {"s/a.txt": GONE, "d/a.txt": "a"}),
            ("destination held open", {"a.txt": "new", "b.txt": "old"}, move(r"<W>\a.txt", r"<W>\b.txt"),
             (14, r"<W>\a.txt", r"<W>\b.txt"), {}, {"hold": ["b.txt"]}),
            ("a drive root is never moved", {"R:/canary.txt": "c"}, move("R:\\", r"<W>\d"),
             (14, "R:\\", r"<W>\d"), {}),
            ("file onto a file of another file system", {"a.txt": "A", "V:/b.txt": "B"},
             move(r"<W>\a.txt", r"<V>\b.txt"), DONE, {"a.txt": GONE, "V:/b.txt": "A"}),
            ("tree onto a tree of another file system", {**TREE, "V:/d/x.txt": "old"}, move(r"<W>\s", r"<V>\d"),
             DONE, {**MOVED, **{"V:/" + k: v for k, v in COPIED.items()}}),
        ], self.run_row)

    def test_delete(self):
        self.each([
            ("pattern: files and folders that match, not the folder",
             {"t/a.tmp": "a", "t/b.txt": "b", "t/c.tmp/z.txt": "z"}, delete(r"<W>\t\*.tmp"), DONE,
             {"t/a.tmp": GONE, "t/c.tmp/z.txt": GONE}),
            ("tree with read-only and hidden files", {"t/r.txt": "r", "t/sub/h.txt": "h", "t/sub/deeper/": D},
             section("Prep", "ATTR", FILE=r"<W>\t\r.txt,<W>\t\sub\h.txt", ARG="1,2") + delete(r"<W>\t"), DONE,
             {"t/r.txt": GONE, "t/sub/h.txt": GONE, "t/sub/deeper/": GONE}),
            ("a path that does not exist", {}, delete(r"<W>\none, <W>\no\*.tmp"), DONE, {}),
            ("file held open", {"a.txt": "A"}, delete(r"<W>\a.txt"), (10, r"<W>\a.txt"), {}, {"hold": ["a.txt"]}),
        ], self.run_row)

    def test_a_failed_step_keeps_the_read_only_bit(self):
        def check(body, outcome):
            s = self.lay_out({"a.txt": "A", "b.txt": "B"})
            prep = section("Prep", "ATTR", FILE=r"<W>\b.txt", ARG="1")
            self.run_row({"a.txt": "A", "b.txt": "B"}, prep + body, outcome, {}, {"hold": ["b.txt"]}, s=s)
            self.assertEqual(s.attributes()["b.txt"], "AR")
        self.each([("DELETE", delete(r"<W>\b.txt"), (10, r"<W>\b.txt")),
                   ("COPY", copy(r"<W>\a.txt", r"<W>\b.txt"), (8, r"<W>\a.txt", r"<W>\b.txt")),
                   ("SHELL", shell("COPY", r"<W>\a.txt", r"<W>\b.txt"), (17,))], check)

    def test_roots_are_refused(self):
        # The current folder is R:\a, so "\" is R:'s root too.
        canary = {"R:/canary.txt": "c", "R:/a/b.txt": "b"}
        self.each([(written, canary, delete(written), (10, shown), {}, {"directory": "R:\\a"}) for written, shown in
                   [("R:\\", "R:\\"), ("<Empty>\\", "\\"), (r"R:\a\..", "R:"), (r"R:\a\..\*.*", r"R:\*.*")]],
                  self.run_row)

    def test_shell(self):
        self.each([
            ("COPY", APP, shell("COPY", NEW, OLD), DONE, {"prog/app.exe": "new"}),
            ("MOVE", APP, shell("move", NEW, OLD), DONE, {"new/app.exe": GONE, "new/": D, "prog/app.exe": "new"}),
            ("RENAME", {"a.txt": "A"}, shell("Rename", r"<W>\a.txt", r"<W>\b.txt"), DONE,
             {"a.txt": GONE, "b.txt": "A"}),
            ("DELETE takes the source and the destination", {"a.txt": "A", "b.txt": "B"},
             shell("DELETE", r"<W>\a.txt", r"<W>\b.txt"), DONE, {"a.txt": GONE, "b.txt": GONE}),
            ("an old temporary goes first", {**APP, "prog/app.exe.tmp": "stale"}, shell("COPY", NEW, OLD), DONE,
             {"prog/app.exe": "new", "prog/app.exe.tmp": GONE}),
            ("a directory replaces a directory", {"n/x.txt": "x", "o/y.txt": "y"},
             shell("COPY", r"<W>\n", r"<W>\o"), DONE, {"o/x.txt": "x", "o/y.txt": GONE}),
            ("unknown word", APP, shell("FROB", NEW, OLD), (17,), {}),
            ("copy onto a destination held open", APP, shell("COPY", NEW, OLD), (17,), {},
             {"hold": ["prog/app.exe"]}),
            ("move onto a destination held open keeps the only copy", APP, shell("MOVE", NEW, OLD), (17,),
             {"new/app.exe": GONE, "new/": D, "prog/app.exe.tmp": "new"}, {"hold": ["prog/app.exe"]}),
            ("a name too long for the shell", APP, shell("COPY", NEW, "<W>\\" + "N" * 250), (17,), {}),
            ("a drive root is never a source", {"R:/canary.txt": "c"}, shell("DELETE", "R:\\", r"<W>\d"), (17,), {}),
            *[(f"{word} of {what}", {**APP, "new/sub/": D}, shell(word, source, OLD), (17,), {})
              for word in ("COPY", "MOVE", "RENAME", "DELETE")
              for what, source in (("a missing source", r"<W>\new\no.exe"), ("no match", r"<W>\new\sub\*"))],
            ("a second run keeps the only copy", {"prog/app.exe": "old", "prog/app.exe.tmp": "new"},
             shell("MOVE", NEW, OLD), (17,), {}),
            ("an old temporary that is a folder goes first", {**APP, "prog/app.exe.tmp/x.txt": "stale"},
             shell("COPY", NEW, OLD), DONE, {"prog/app.exe": "new", "prog/app.exe.tmp/x.txt": GONE}),
            ("rename onto a destination held open keeps the only copy", {"a.txt": "A", "b.txt": "B"},
             shell("RENAME", r"<W>\a.txt", r"<W>\b.txt"), (17,), {"a.txt": GONE, "b.txt.tmp": "A"}, {"hold": ["b.txt"]}),
            *[(f"temporary name of {3 + n + 4} bytes", {"R:/a.txt": "new", "R:/" + "N" * n: "old"},
               shell("COPY", r"R:\a.txt", "R:\\" + "N" * n), outcome, {"R:/" + "N" * n: "new"} if outcome == DONE else {})
              for n, outcome in ((251, DONE), (252, (17,)))],
        ], self.run_row)

    def test_attributes(self):
        # Prep makes the files hidden, system and read-only; Wine always shows the archive bit.
        files = {"a.dll": "a", "b.dll": "b", "c.txt": "c", "sub/d.dll": "d", "e.dll/f.txt": "f"}
        prep = section("Prep", "ATTR", FILE=r"<W>\a.dll,<W>\b.dll,<W>\c.txt,<W>\sub\d.dll", ARG="7,7,7,7")
        held = {"a.dll": "AHRS", "b.dll": "AHRS", "c.txt": "AHRS", "sub/d.dll": "AHRS"}

        def check(paths, values, changed):
            s = self.lay_out(files)
            before = s.attributes()
            self.run_row(files, prep + attr(paths, values), DONE, {}, s=s)
            self.assertEqual(s.attributes(), {**before, **held, **changed})
        self.each([("a pattern: files of its folder, no folders", r"<W>\*.dll", "21", {"a.dll": "AR", "b.dll": "AR"}),
                   ("items in parallel, a missing value is 0", r"<W>\a.dll, <W>\c.txt", "3",
                    {"a.dll": "AHR", "c.txt": "A"})], check)

    def test_attributes_of_a_missing_file(self):
        self.run_row({}, attr(r"<W>\*.xyz", "ff"), (12, r"<W>\*.xyz", 255), {})

    def test_makedir(self):
        self.each([
            ("repeated, trailing backslash", {}, makedir("<W>\\a\\b, <W>\\a\\b\\, <W>\\a\\b"), DONE, {"a/b/": D}),
            ("a file in the way", {"a/f": "x"}, makedir(r"<W>\a\n, <W>\a\f\g"), (13, r"<W>\a\f\g"), {"a/n/": D}),
            ("levels made before a failure stay", {}, makedir(r"<W>\n1\n2\a?b\n4"), (13, r"<W>\n1\n2\a?b\n4"),
             {"n1/n2/": D}),
        ], self.run_row)


if __name__ == "__main__":
    main()
