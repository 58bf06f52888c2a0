"""LINK: rows of the file tables (test_files.py), whose snapshot reads every shortcut with Debian's lnkinfo, the shell
link object and the file's header. A path fits 259 UTF-16 units and its terminator (a Shift-JIS character is one
unit); a second source without a destination fails naming no destination: nothing is saved in the current folder."""

from test_files import D, DONE, GONE, FileRows, link, main

# SRC, PARAM, SHOWCMD, DST, the shortcut made and its window state (1 normal, 3 maximised, 7 minimised, not active)
LISTS = [(r"<W>\a.exe", "-x /y", "1", r"<W>\A", "A.LNK", 1), (r"<W>\b.exe", "", "2", r"<W>\B", "B.LNK", 7),
         (r"<W>\c.exe", " /quiet ", "3", r"<W>\C", "C.LNK", 3),  # arguments trimmed
         (r"<W>\d.exe", "d", "4", r"<W>\D", "D.LNK", 1), (r"<W>\e.exe", "", "", r"<W>\E", "E.LNK", 1),  # default
         (r"<W>\f.exe", "", "1", r"<W>\Menu\Group\F.lnk", "Menu/Group/F.lnk.LNK", 1),  # folders made, extension kept
         (r"<W>\g.exe", "", "", "<W>\\Menu2/G", "Menu2/G.LNK", 1),  # one level below a missing folder
         (r"<W>\h.exe", "", "", "H", "H.LNK", 1),  # a bare name is saved in the current folder
         (r"<W>\日本語\表示.exe", "表示 /a", "3", r"<W>\ソフト\表示\予定表", "ソフト/表示/予定表.LNK", 3)]
LONG = "d" * 100 + "\\" + "e" * 151  # R:\ and .LNK make it 259
SHIFT_JIS = "<W>\\" + "表" * 70 + "\\" + "示" * 79
TWO = {"a.exe": "MZ", "b.exe": "MZ"}


def made(target, arguments="", state=1):
    return f"LNK {target}|{arguments}|{state}"


class Links(FileRows):
    def test_shortcuts(self):
        self.each([
            ("parallel lists, an existing shortcut replaced",
             {**{source[4:].replace("\\", "/"): "MZ" for source, *_ in LISTS}, "A.LNK": "an older one"},
             link(*[",".join(column) for column in list(zip(*LISTS))[:4]]), DONE,
             {lnk: made(source, param.strip(), state) for source, param, _, _, lnk, state in LISTS}),
            ("replaced through a name beside it; what a run cut short left there goes",
             {"a.exe": "MZ", "A.LNK": "older", "A.LNK.~upd": "cut short", "A.LNK~": "mine"},
             link(r"<W>\a.exe", "", "", r"<W>\A"), DONE, {"A.LNK": made(r"<W>\a.exe"), "A.LNK.~upd": GONE}),
            ("259", {"R:/a.exe": "MZ"}, link(r"R:\a.exe", "", "", "R:\\" + LONG), DONE,
             {"R:/" + LONG.replace("\\", "/") + ".LNK": made(r"R:\a.exe")}),
            ("260", {"R:/a.exe": "MZ"}, link(r"R:\a.exe", "", "", "R:\\" + LONG + "e"),
             (15, r"R:\a.exe", "R:\\" + LONG + "e"), {"R:/" + LONG[:100] + "/": D}),
            ("300 bytes of Shift-JIS, 150 units", {"a.exe": "MZ"}, link(r"<W>\a.exe", "", "", SHIFT_JIS), DONE,
             {SHIFT_JIS[4:].replace("\\", "/") + ".LNK": made(r"<W>\a.exe")}),
            ("a file where the folder belongs", {"a.exe": "MZ", "Menu": "a file"},
             link(r"<W>\a.exe", "", "", r"<W>\Menu\App"), (15, r"<W>\a.exe", r"<W>\Menu\App"), {}),
            ("a destination that ends in '\\.' once its parent step is taken", {"a.exe": "MZ", "m/": D},
             link(r"<W>\a.exe", "", "", r"<W>\m\.\n\.."), DONE, {"m/": GONE, "m/..LNK": made(r"<W>\a.exe")}),
            ("a second source without a destination", TWO, link(r"<W>\a.exe,<W>\b.exe", "", "", r"<W>\First"),
             (15, r"<W>\b.exe", ""), {"First.LNK": made(r"<W>\a.exe")}),
        ], self.run_row)


if __name__ == "__main__":
    main()
