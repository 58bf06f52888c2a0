"""COPY, MOVE, DELETE, SHELL, ATTR, MAKEDIR and LINK on real trees. A row: name, files before (path -> text; D: an empty
folder; "-> target": a folder link; "=> file": a hard link of a file beside it; on "V:/" (a file system of its own), "R:/" or "S:/" (System32 as the build reaches it)),
the steps (the last one Step; <W>, <V>: the scenario's folders on T: and V:), the outcome (DONE: Step set its flag; or a
message and its arguments), what changed (GONE: removed; " [RHS]": with those attributes; "LNK target|arguments|window
state": a shortcut), run options."""

import glob
import os
import re
import shutil
import struct
import subprocess
import sys
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
import trees  # noqa: E402
import wineenv  # noqa: E402
from messages import NOTES, PROGRESS_TEXTS  # noqa: E402
from sections import info, msgbox, section, switch  # noqa: E402
from updater import Box, UpdaterTest, error_box, expect_boxes, fail, main, message  # noqa: E402

D, GONE, DONE = "<dir>", "<gone>", "<done>"
FLAG = switch("Flag", "Step", "Zero", "One") + msgbox("Zero", "flag 0") + msgbox("One", "flag 1")
TREE = {"s/x.txt": "x", "s/sub/y.txt": "y", "s/..e/": D}  # an empty folder whose name starts with ".."
COPIED = {"d/x.txt": "x", "d/sub/y.txt": "y", "d/..e/": D}
APP, NEW, OLD = {"new/app.exe": "new", "prog/app.exe": "old"}, r"<W>\new\app.exe", r"<W>\prog\app.exe"
HOLD_B = {"hold": ["b.txt"]}
# A tree whose copy into its parent writes each name where one of the level above is: whatever order the names come in.
UP_NAMES = ["a", "m", "z"]
UP_TREE = {f"d/s/{n}": f"1{n}" for n in UP_NAMES} | {f"d/s/s/{n}": f"2{n}" for n in UP_NAMES}

# Destinations around MAX_PATH, in a folder of 250 bytes (over 246, where GetTempFileNameA garbles its names): the
# new file goes under the target's name and ".~upd", past MAX_PATH in the "\\?\" form.
LONG_DIR = "R:/" + "d" * 120 + "/" + "e" * 126
LONG_TARGETS = [(LONG_DIR + "/" + name, DONE) for name in ("n" * 8, "n" * 10)] + [
    (LONG_DIR + "e" * 5 + "/nn", DONE)]  # the target fits, ".~upd" beside it does not
# Names the code page (932) cannot spell: Hangul, accented Latin; and a tree deeper than MAX_PATH.
HANGUL = {"s/a.txt": "a", "s/한국어.txt": "h", "s/폴더/b.txt": "b"}
LATIN = {"s/Résumé.docx": "r", "s/café/x.txt": "x"}
JAPANESE = {"s/a.txt": "a", "s/表示.txt": "j", "s/ソフト/b.txt": "b"}
DEEP = {f"s/{'L' * 200}/{'M' * 60}/f.txt": "f", "s/g.txt": "g"}
DEEP_TO = "<W>\\d\\" + "D" * 50


# SHELL's name limits in UTF-16 units (folders of Shift-JIS, two bytes a unit), each at the limit, one below and one
# above: a source in its two-zero buffer (258 units; past it the destination's name beside it would be read as a second
# source, and be there), and the longest entry below the temporary name (the destination of 224 units and ".tmp"; 259
# units fit).
SJIS_LEVELS = "表" * 60 + "/" + "示" * 59
SHELL_FOLDER, SHELL_TO = "R:/" + SJIS_LEVELS + "/", "R:\\" + SJIS_LEVELS.replace("/", "\\") + "\\" + "e" * 100
SHELL_SOURCES = [(size, SHELL_FOLDER + "n" * (size - 124), DONE if size <= 258 else (17,)) for size in (257, 258, 259)]
SHELL_ENTRIES = [(size, "R:/s/" + "n" * (size - 229), DONE if size <= 259 else (17,)) for size in (258, 259, 260)]
# A folder DELETE through the shell whose deepest entry is 259 units long, or a folder of 265 that holds x.txt, a file
# of that name in the current folder: Wine's shell deleted the current folder's files for what it could not reach.
SHELL_DEEP = "R:/" + SJIS_LEVELS + "/" + "e" * 100
SHELL_DELETES = [("f" * 34, "f" * 34, DONE), ("g" * 40 + "/x.txt", "x.txt", (17,))]


def moved(tree, to):
    return {**{k: GONE for k in tree}, **{to + k[1:]: v for k, v in tree.items()}}


def png(bmp):
    """The PNG of a top-down 32-bit BMP, as the box driver saves a window."""
    width, height = struct.unpack_from("<ii", bmp, 18)
    rows = [bmp[54 + y * width * 4:54 + (y + 1) * width * 4] for y in range(-height)]
    raw = b"".join(b"\0" + bytes(c for i in range(0, len(r), 4) for c in (r[i + 2], r[i + 1], r[i])) for r in rows)
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, -height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def step(mode, *keys):
    return lambda *values, name="Step": section(name, mode, **dict(zip(keys, values)))


copy, move, delete = step("COPY", "FROM", "TO"), step("MOVE", "FROM", "TO"), step("DELETE", "FILE")
shell, attr, makedir = step("SHELL", "FUNC", "FROM", "TO"), step("ATTR", "FILE", "ARG"), step("MAKEDIR", "DIR")
link = step("LINK", "SRC", "PARAM", "SHOWCMD", "DST")
READ_ONLY_B = attr(r"<W>\b.txt", "1", name="Prep")  # a step that then fails keeps the bit
LNKINFO_FIELDS = {"Local path": "path", "Working directory": "directory", "Command line arguments": "arguments"}


def lnkinfo(path):
    """{path, directory, arguments} as Debian's lnkinfo reads them (ANSI strings as cp932)."""
    run = subprocess.run(["lnkinfo", "-c", "windows-932", path], capture_output=True, timeout=60)
    if run.returncode != 0:
        fail(f"lnkinfo failed on {path}", [run.stderr.decode("utf-8", "replace")])
    lines = [line.strip().partition(":") for line in run.stdout.decode("utf-8", "replace").splitlines()]
    return {LNKINFO_FIELDS[key.strip()]: value[1:] for key, _, value in lines if key.strip() in LNKINFO_FIELDS}

# LINK: SRC, PARAM, SHOWCMD, DST, the shortcut made and its window state (1 normal, 3 maximised, 7 minimised, not active)
LISTS = [(r"<W>\a.exe", "-x /y", "1", r"<W>\A", "A.LNK", 1), (r"<W>\b.exe", "", "2", r"<W>\B", "B.LNK", 7),
         (r"<W>\c.exe", " /quiet ", "3", r"<W>\C", "C.LNK", 3),  # arguments trimmed
         (r"<W>\d.exe", "d", "4", r"<W>\D", "D.LNK", 1), (r"<W>\e.exe", "", "", r"<W>\E", "E.LNK", 1),  # default
         (r"<W>\f.exe", "", "1", r"<W>\Menu\Group\F.lnk", "Menu/Group/F.lnk.LNK", 1),  # folders made, extension kept
         (r"<W>\g.exe", "", "", "<W>\\Menu2/G", "Menu2/G.LNK", 1),  # one level below a missing folder
         (r"<W>\h.exe", "", "", "H", "H.LNK", 1),  # a bare name is saved in the current folder
         (r"<W>\日本語\表示.exe", "表示 /a", "3", r"<W>\ソフト\表示\予定表", "ソフト/表示/予定表.LNK", 3)]
LONG_LINK = "d" * 100 + "\\" + "e" * 151  # R:\ and .LNK make it 259
SHIFT_JIS = "<W>\\" + "表" * 70 + "\\" + "示" * 79
LONG_TARGET = "R:\\" + "t" * 128 + "\\" + "u" * 127  # 259 units: a link holds no longer target

# The named folder is R:\w\f (the current folder is R:\w); beside it, files of the same name that a wrong prefix
# would reach. Each writing type once at every form of the folder, in one run, ends the same.
NAMED = {"R:/canary.txt": "c", "R:/a.txt": "root", "R:/w/a.txt": "outer", "R:/w/f2/a.txt": "sibling",
         "R:/w/f/a.txt": "a"}
FORMS = ["R:/w/f", "R:\\\\w//f.", r"R:\w\.\x\..\f", "R:/w/x/../f", "R:f", r"\w\f", "<Empty>f<Empty>",
         r"<Empty>R:<Empty>\w\f"]
EVERY_TYPE = [makedir(r"{X}\n", name="T1"), link(r"R:\w\f\a.txt", "", "", r"{X}\n\k", name="T2"),
              copy("{X}/*.txt", r"{X}\c/any", name="T3"), shell("COPY", r"{X}\a.txt", r"{X}\s.txt", name="T4"),
              move(r"{X}\c", r"{X}\m", name="T5"), attr(r"{X}\m/*.txt", "1", name="T6"), delete("{X}/*.txt")]
EVERY_TYPE_DONE = {"R:/w/f/a.txt": GONE, "R:/w/f/n/k.LNK": r"LNK R:\w\f\a.txt||1", "R:/w/f/m/a.txt": "a [R]"}
NAMESPACES = [r"\\?\R:\w\f", r"\\.\R:\w\f"]  # refused by SHELL: Wine's shell took them for names in the current folder
# Roots as written (and as the message shows them), refused by every type, or by DELETE.
SRC = r"R:\w\f\a.txt"
REFUSALS = [(copy, lambda x: (x, r"R:\w\c"), (8, 0, 1)), (move, lambda x: (x, r"R:\w\c"), (14, 0, 1)),
            (delete, lambda x: (x,), (10, 0)), (shell, lambda x: ("COPY", SRC, x), (17,)),
            (attr, lambda x: (x, 1), (12, 0, 1)), (makedir, lambda x: (x,), (13, 0)),
            (link, lambda x: (SRC, "", "", x), (15, 0, 3))]
ROOTS, MORE_ROOTS = ["R:/*", "//server/share"], ["R:\\/", "\\\\?\\R:\\", "R:\\w/../*", "R:\\. \\*. ", "<Empty>\\",
                                                  r"\\?\UNC\server\share\*"]
# Devices, whatever folder they are written in: refused on either side, as a source being one that may never end.
DEVICES = [r"R:\w\f\NUL", r"R:\w\f\CON", r"R:\w\f\COM1", r"R:\w\f\aux.txt"]
MORE_DEVICES = [r"R:\w\f\con.", r"R:\w\f\Lpt9 .log", "R:nul"]
OTHER_SIDE = [(copy, lambda x: (SRC, x), (8, 0, 1)), (move, lambda x: (SRC, x), (14, 0, 1)),
              (shell, lambda x: ("MOVE", x, r"R:\w\c"), (17,))]
SHOWN = {"R:\\. \\*. ": "R:\\. \\*.", "<Empty>\\": "\\"}

# All or nothing (ROLLBACK=1): an update of every writing type, a CRC check and a last question. A row plants a failure
# at one step (a held file, a missing source, a CRC that does not match, the user's No): the tree is as before.
APP_BEFORE = {"new/lib/a.dll": "a2", "new/lib/b.dll": "b2", "new/app.exe": "exe2", "app/app.exe": "exe1",
              "app/lib/a.dll": "a1", "app/old/plugin.dll": "p", "app/data.txt": "d", "app/readme.txt": "r"}
APP_AFTER = {"app/logs/": D, "app/lib/a.dll": "a2", "app/lib/b.dll": "b2", "app/app.exe": "exe2",
             "app/old/plugin.dll": GONE, "app/data.txt": GONE, "app/data/data.txt": "d", "app/readme.txt": "r [R]",
             "menu/App.LNK": r"LNK <W>\app\app.exe||1"}
UPDATE = [("Logs", makedir(r"<W>\app\logs", name="Logs")),
          ("Lib", copy(r"<W>\new\lib", r"<W>\app\lib", name="Lib")),
          ("Exe", shell("COPY", r"<W>\new\app.exe", r"<W>\app\app.exe", name="Exe")),
          ("Old", delete(r"<W>\app\old", name="Old")),
          ("Data", move(r"<W>\app\data.txt", r"<W>\app\data\data.txt", name="Data")),
          ("Ro", attr(r"<W>\app\readme.txt", "1", name="Ro")),
          ("Menu", link(r"<W>\app\app.exe", "", "1", r"<W>\menu\App", name="Menu")),
          ("Check", section("Check", "CRC", FILE=r"<W>\app\app.exe", TYPE="AND", CRC=f"{zlib.crc32(b'exe2'):08x}")
           + switch("IfBad", "Check", "Bad-Crc", "") + msgbox("Bad-Crc", "damaged", "ERROR", abort="1,0")),
          ("Step", msgbox("Step", "finish?", "QUESTION", abort="0,1"))]
FINISH = Box(text="finish?", icon="question")
ROLLBACK = {"head": "ROLLBACK=1\n"}
PROGRAM, OLDER = ("updater.exe", "updater.ini"), ("upd98.exe", "upd98.ini")  # left out of the snapshots
# Windows 95, 98 and Me take the ANSI calls, where every name is in the code page: a tree of such names is copied
# whole, and a name the code page cannot spell fails the step, named as the system lists it. i686 only.
WINDOWS_98 = [("Windows 98: names of the code page, a tree copied whole", JAPANESE, copy(r"<W>\s", r"<W>\d"), DONE,
               moved(JAPANESE, "d") | JAPANESE, {"windows98": True}),
              ("Windows 98: ROLLBACK=1, a tree copied onto an old one, then a failing step: undone",
               JAPANESE | {"d" + k[1:]: v + "0" for k, v in JAPANESE.items()},
               copy(r"<W>\s", r"<W>\d", name="Prep") + copy(r"<W>\no", r"<W>\x"), (8, r"<W>\no", r"<W>\x"), {},
               {**ROLLBACK, "windows98": True}),
              ("Windows 98: a Hangul name fails the step, named as the system lists it", {"s/한국어.txt": "h"},
               copy(r"<W>\s", r"<W>\d"), (8, r"<W>\s", r"<W>\d"), {"d/": D}, {"windows98": True, "note": '"<W>\\s\\???.txt"'})]
FILES = 4000  # of the progress window's tree
LAST = f"d/{(FILES - 1) // 100}/f{FILES - 1:04}.bin"
OLD_TIME = 978307200 * 10**9  # 2001-01-01, whole seconds: the times of last writing an undo sets back
FAR = "R:\\" + "d" * 120 + "\\" + "e" * 140  # 266 bytes
# What a killed run of the update left, with the journal's lines, and the same once its commit had begun.
KILLED = {"app/app.exe": "exe2", "app/app.exe.~upd1": "exe1", "app/logs/": D, "app/old.~upd1/plugin.dll": "p"}
KILLED_JOURNAL = ["D\t<W>\\app\\logs", "N\t<W>\\app\\app.exe.tmp", "M\t<W>\\app\\app.exe\t<W>\\app\\app.exe.~upd1\t<W>\\app\\app.exe.tmp",
                  "K\t<W>\\app\\old\t<W>\\app\\old.~upd1"]
# A killed run's commit, its kept app.exe held open: the journal stays.
KEPT_HELD = {"journal": KILLED_JOURNAL + ["C"], "journal_stays": True, "hold": ["app/app.exe.~upd1"]}
# ROLLBACK=1 with names outside the code page (an emoji beyond the basic plane among them) and past MAX_PATH, onto
# an existing tree: the run that ends well leaves the new tree and no kept name; a later failure the tree as before.
FOREIGN = {"s/한국어.txt": "h", "s/폴더/b.txt": "b", "s/Résumé.docx": "r", "s/😀.txt": "e"}
WIDE_ROLLBACK = [(f"ROLLBACK=1, {label}: {kind} onto an existing tree{later}", tree | {to + k[1:]: v + "0" for k, v in tree.items()},
                  (delete(matches, name=name) if step == delete else step(r"<W>\s", win, name=name)) + tail,
                  outcome, changes if outcome == DONE else {}, ROLLBACK)
                 for label, tree, to, win, matches, left in (
                     ("foreign names", FOREIGN, "d", r"<W>\d", r"<W>\d\*", {"d/": D}),
                     ("a file past MAX_PATH", DEEP, f"d/{'D' * 50}", DEEP_TO, DEEP_TO + f"\\{'L' * 200}\\{'M' * 60}\\*",
                      {f"d/{'D' * 50}/{'L' * 200}/{'M' * 60}/": D, f"d/{'D' * 50}/g.txt": "g0"}))
                 for kind, step, changes in (("copy", copy, {to + k[1:]: v for k, v in tree.items()}),
                                             ("move", move, moved(tree, to)),
                                             ("delete", delete, {to + k[1:]: GONE for k in tree} | left))
                 for later, name, tail, outcome in (("", "Step", "", DONE), (", a later step fails", "Prep",
                                                                copy(r"<W>\no", r"<W>\app\no"), (8, r"<W>\no", r"<W>\app\no")))]
# A killed run's journal in UTF-8, with such names; an earlier version's, in the code page.
KILLED_ANSI = {"app/表示.txt": "new", "app/表示.txt.~upd1": "old"}
KILLED_ANSI_JOURNAL = ["N\t<W>\\app\\表示.txt.~upd", "M\t<W>\\app\\表示.txt\t<W>\\app\\表示.txt.~upd1\t<W>\\app\\表示.txt.~upd"]
KILLED_WIDE = {"app/한.txt": "new", "app/한.txt.~upd1": "old", "app/Résumé.~upd2/x.txt": "x", "app/😀/": D}
KILLED_WIDE_JOURNAL = ["\ufeffD\t<W>\\app\\😀", "N\t<W>\\app\\한.txt.~upd",
                       "M\t<W>\\app\\한.txt\t<W>\\app\\한.txt.~upd1\t<W>\\app\\한.txt.~upd",
                       "K\t<W>\\app\\Résumé\t<W>\\app\\Résumé.~upd2"]
UNDONE = {"app/app.exe": "exe1", "app/app.exe.~upd1": GONE, "app/logs/": GONE, "app/old.~upd1/plugin.dll": GONE,
          "app/old/plugin.dll": "p"}


def journal(s):
    """Where the program keeps the journal of the scenario's script: the CRC-32 of its full path in upper case, in the
    temporary folder."""
    temp = glob.glob(os.path.join(wineenv.paths()["prefix"], "drive_c", "users", "*", "Temp"))[0]
    return os.path.join(temp, f"updater-{zlib.crc32(s.win('updater.ini').upper().encode()):08X}.journal")


def log_win(s):
    """A log beside the scenario's folder, out of its snapshot."""
    return "T:\\" + s.name + ".log"


def update(at=None, planted=None):
    return "".join(planted if name == at and planted else body for name, body in UPDATE)


# name, step, what replaces it, outcome, options
PLANTED = [
    ("a file where the folder goes", "Logs", makedir(r"<W>\app\readme.txt\logs", name="Logs"),
     (13, r"<W>\app\readme.txt\logs"), {}),
    ("a missing source after a tree", "Lib", copy(r"<W>\new\lib,<W>\new\no", r"<W>\app\lib,<W>\app\no", name="Lib"),
     (8, r"<W>\new\no", r"<W>\app\no"), {}),
    ("a missing source", "Exe", shell("COPY", r"<W>\new\no.exe", r"<W>\app\app.exe", name="Exe"), (17,), {}),
    ("a SHELL delete, then a missing source", "Old", shell("DELETE", r"<W>\app\old", r"<W>\app\old", name="Old")
     + copy(r"<W>\no", r"<W>\app\no", name="Gone"), (8, r"<W>\no", r"<W>\app\no"), {}),
    ("a held file after a folder", "Old", delete(r"<W>\app\old,<W>\app\readme.txt", name="Old"),
     (10, r"<W>\app\readme.txt"), {"hold": ["app/readme.txt"]}),
    ("a held destination", "Data", move(r"<W>\app\data.txt", r"<W>\app\readme.txt", name="Data"), (14, r"<W>\app\data.txt", r"<W>\app\readme.txt"), {"hold": ["app/readme.txt"]}),
    ("a missing file", "Ro", attr(r"<W>\app\readme.txt,<W>\app\no.txt", "1,1", name="Ro"), (12, r"<W>\app\no.txt", 1),
     {}),
    ("a file in the way", "Menu", link(r"<W>\app\app.exe", "", "1", r"<W>\app\readme.txt\App", name="Menu"),
     (15, r"<W>\app\app.exe", r"<W>\app\readme.txt\App"), {}),
    ("a CRC that does not match", "Check", UPDATE[7][1].replace(f"{zlib.crc32(b'exe2'):08x}", "00000000"), [error_box("damaged", exit_code=1)], {}),
    ("the user's No", "Step", None, [Box(text="finish?", icon="question", exit_code=2)], {"answers": ["NO"]}),
]


class FileRows(UpdaterTest):
    def areas(self, s):
        p = wineenv.paths()
        # S:/: <Win>\System32\updater-tests (32-bit programs: SysWOW64).
        system = os.path.join(p["prefix"], "drive_c", "windows", "system32" if wineenv.bits() == 64 else "syswow64")
        return {"": s.path(), "V:/": os.path.join(p["drive_v"], s.name), "R:/": p["drive_r"],
                "S:/": os.path.join(system, "updater-tests")}

    def snapshot(self, s):
        """Every file with its text and attributes, every empty folder and every link, of the areas."""
        found = {}
        for prefix, root in self.areas(s).items():
            listed = [e for e in trees.entries(root) if e[0][-1] not in (*PROGRAM, *OLDER)]
            parents = {names[:-1] for names, _, _ in listed}
            for names, path, kind in listed:
                key = prefix + "/".join(names)
                if kind == "d" and names not in parents:
                    found[key + "/"] = D
                elif kind == "l":
                    found[key] = self.link_text(s, path)
                elif kind == "f" and names[-1].endswith(".LNK"):
                    found[key] = self.shortcut(s, path, key)
                elif kind == "f":
                    flags = trees.attributes(path)
                    with open(path, encoding="utf-8", errors="replace") as f:
                        found[key] = f.read() + (f" [{flags}]" if flags else "")
        return found

    def link_target(self, s, text):
        """The Unix target of "-> target": relative as written, or in an area ("R:/out")."""
        area = next((a for a in self.areas(s) if a and text.startswith(a)), None)
        return os.path.join(self.areas(s)[area], text[len(area):]) if area else text

    def link_text(self, s, path):
        target = os.readlink(path)
        for area, root in self.areas(s).items():
            if area and os.path.isabs(target) and (target + "/").startswith(root.rstrip("/") + "/"):
                relative = os.path.relpath(target, root).replace(os.sep, "/")
                return "-> " + area + ("" if relative == "." else relative)
        return "-> " + target

    def shortcut(self, s, path, key):
        """A shortcut as "LNK target|arguments|window state": target and arguments as lnkinfo reads them, the same as the
        shell link object reads (in the scenario's folder, where it runs), the state from the header (lnkinfo 2018
        prints 0 whatever it holds, and Wine's link object does not load it back); it works in the target's folder."""
        read = lnkinfo(path)
        if key[1:3] != ":/":
            self.assertEqual(s.read_shortcut(key), read, "shell link object")
        self.assertEqual(read["directory"], read["path"].rpartition("\\")[0], "working directory")
        with open(path, "rb") as f:
            header = f.read(76)
        self.assertEqual(header[:4], b"L\0\0\0")
        return f"LNK {read['path']}|{read['arguments']}|{struct.unpack_from('<I', header, 60)[0]}"

    def run_row(self, before, body, outcome, changes, options=None):
        """outcome: DONE, a message and its arguments, or the boxes (answered by options["answers"]); options["head"]:
        more lines of UPDATER."""
        options = dict(options or {})
        head, answers = options.pop("head", ""), options.pop("answers", ["OK"])
        left, stays = options.pop("journal", None), options.pop("journal_stays", False)
        drive = options.pop("drive", None)  # (letter, folder of the scenario): a second drive letter for it
        times = options.pop("times", [])  # folders of the scenario whose times of last writing must stay
        small, logged = options.pop("small", None), options.pop("log", None)  # a full disk; a text the log must hold
        note = options.pop("note", None)  # below the message: a line of the program's own (text number, arguments), or text
        temp = options.pop("temp", None)  # a folder of the scenario: the program's folder for temporary files
        s = self.scenario()
        if options.pop("windows98", False):  # the i686 build as Wine shows Windows 98 to it: the ANSI calls
            s.reg_import(f'[HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\{OLDER[0]}]\r\n"Version"="win98"\r\n', bits=32)
            options["exe_name"] = OLDER[0]
        full = small and os.path.join(s.path(), small)
        if full:  # a file system of 256 KiB: a mount needs the right to make one
            os.makedirs(full, exist_ok=True)
            if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=256k", "tmpfs", full], capture_output=True).returncode:
                self.skipTest("no right to mount a small file system")
            self.addCleanup(subprocess.run, ["umount", full], capture_output=True)
        log = os.path.join(wineenv.paths()["scratch"], s.name + ".log")
        if logged:
            head += f"LOG={log_win(s)}\n"
            if os.path.exists(log):
                os.remove(log)
        for root in list(self.areas(s).values())[1:]:  # the scenario clears its own folder on T:
            shutil.rmtree(root, ignore_errors=True)
            os.makedirs(root)
        for key, text in before.items():
            prefix = key[:3] if key[1:3] == ":/" else ""
            path = os.path.join(self.areas(s)[prefix], *key[len(prefix):].split("/"))
            os.makedirs(path if text == D else os.path.dirname(path), exist_ok=True)
            if text.startswith("-> "):
                os.symlink(self.link_target(s, text[3:]), path)
            elif text.startswith("=> "):
                os.link(os.path.join(os.path.dirname(path), text[3:]), path)
            elif text != D:
                with open(path, "w", encoding="utf-8") as f:
                    f.write(text)
        names = {"<Empty>": "", "<W>": s.win(), "<V>": "V:\\" + s.name}
        proc = ",".join(re.findall(r"^\[(\w+)\]", body, re.M))
        s.write_script(f"[UPDATER]\nNAME=\n{head}PROC={proc},Flag\n[DEFINE]\n" + "".join(f"{k}={v}\n" for k, v in names.items())
                       + body + FLAG, name=options.get("exe_name", PROGRAM[0])[:-4] + ".ini")
        def named(text):
            return re.sub("<[WV]>", lambda m: names[m.group(0)], text) if isinstance(text, str) else text
        if os.path.exists(journal(s)):  # an earlier session's, of a scenario of this name
            os.remove(journal(s))
        if left:  # what a run that was killed left
            with open(journal(s), "w", newline="", encoding="utf-8" if left[0][0] == "\ufeff" else "cp932") as f:
                f.write("".join("\t".join(named(field) for field in (line + "\t\t").split("\t")[:4]) + "\r\n"
                                for line in left))
        boxes = outcome if isinstance(outcome, list) else [
            info("flag 1") if outcome == DONE else error_box(message(outcome[0], *map(named, outcome[1:])) +
                                                             (f"\n\n{named(note) if isinstance(note, str) else NOTES[note[0]] % note[1:]}" if note else ""))]
        folders = [os.path.join(s.path(), *key.split("/")) for key in times]
        for folder in folders:
            os.utime(folder, ns=(OLD_TIME, OLD_TIME))
        letter = drive and os.path.join(wineenv.paths()["prefix"], "dosdevices", drive[0].lower())
        if drive:
            os.symlink(s.path(drive[1]), letter)
        try:
            expect_boxes(s.run(answers=answers, temp=temp and s.win(temp), **options), boxes)
        finally:
            if drive:
                os.remove(letter)
        self.assertEqual(os.path.exists(journal(s)), stays, "the journal")
        if logged:
            with open(log, encoding="cp932") as f:
                self.assertIn(named(logged), f.read())
        self.assertEqual(self.snapshot(s), {k: named(v) for k, v in {**before, **changes}.items() if v != GONE})
        if full:
            subprocess.run(["umount", full], capture_output=True)
        self.assertEqual({key: os.stat(folder).st_mtime_ns for key, folder in zip(times, folders)},
                         dict.fromkeys(times, OLD_TIME), "the folders' times of last writing")


# Links that lead out of the scenario's folder, to R:. A write never goes through one: the link goes itself where the
# system can reach it (Windows), or the step fails before it changes anything (Wine, which acts on what a link leads to).
LINKS = {"app/a.txt": "a", "app/f.txt": "-> R:/out/precious.txt", "R:/out/precious.txt": "p", "app/link": "-> R:/out1",
         "R:/out1/o.txt": "o"}
DEEP_F = "\\".join(("app", "L" * 200, "M" * 60, "f.txt"))  # Wine gives its folder no final path
DEEP_LINK = {DEEP_F.replace("\\", "/"): "-> R:/out/precious.txt", "R:/out/precious.txt": "p"}
ROLLBACK_LINKS = [("delete: a folder link", delete(r"<W>\app\link"), (10, r"<W>\app\link")),
                  ("copy onto a link to a file", copy(r"<W>\app\a.txt", r"<W>\app\f.txt"),
                   (8, r"<W>\app\a.txt", r"<W>\app\f.txt")),
                  ("delete: a link to a file, then a failing step", delete(r"<W>\app\f.txt", name="Prep")
                   + copy(r"<W>\no", r"<W>\app\no"), (10, r"<W>\app\f.txt"))]


class Files(FileRows):
    def test_links(self):
        """Links to files and folders, a link to a drive's root, the program's own names taken by links and a second
        drive letter for a folder: judged by the object each reaches, never by the text."""
        self.each([
            ("delete: a link to a file", LINKS, delete(r"<W>\app\f.txt"), (10, r"<W>\app\f.txt"), {}),
            ("delete: a folder that holds one", LINKS, delete(r"<W>\app"), (10, r"<W>\app"), {}),
            ("delete: a link to a file in a folder past MAX_PATH", DEEP_LINK, delete("<W>\\" + DEEP_F), (10, "<W>\\" + DEEP_F), {}),
            *[(f"{kind}: a link to a file that lies past MAX_PATH", {"app/f.txt": "-> " + DEEP_F.replace("\\", "/")[4:],
                                                                    DEEP_F.replace("\\", "/"): "deep"}, body, outcome, {})
              for kind, body, outcome in [("move", move(r"<W>\app\f.txt", r"<W>\g.txt"), (14, r"<W>\app\f.txt", r"<W>\g.txt")),
                                          ("shell", shell("DELETE", r"<W>\app\f.txt", r"<W>\none"), (17,))]],
            ("shell: DELETE of a folder that holds one", {k: v for k, v in LINKS.items() if "link" not in k},
             shell("DELETE", r"<W>\app", r"<W>\none"), (17,), {}),
            ("move: matches that hold one", LINKS, move(r"<W>\app\*", r"<W>\dst\*"),
             (14, r"<W>\app\*", r"<W>\dst\*"), {}),
            ("attr: matches that hold one", LINKS, attr(r"<W>\app\*", "1"), (12, r"<W>\app\*", 1), {}),
            ("copy: onto a link to a file", LINKS, copy(r"<W>\app\a.txt", r"<W>\app\f.txt"),
             (8, r"<W>\app\a.txt", r"<W>\app\f.txt"), {}),
            *[(f"ROLLBACK=1, {name}", LINKS, body, outcome, {}, ROLLBACK) for name, body, outcome in ROLLBACK_LINKS],
            *[(f"shell: the program's own name {own} is a link", {"new/n.txt": "n", "app/data/d.txt": "d",
                                                                  "app/data" + own: "-> R:/out5", "R:/out5/o.txt": "o"},
               shell("COPY", r"<W>\new", r"<W>\app\data"), (17,), {}) for own in (".~old", ".tmp")],
            ("delete: the matches of a link to a drive's root", {"rl": "-> R:/", "R:/r.txt": "r", "R:/s/b.txt": "b"},
             delete(r"<W>\rl\*"), (10, r"<W>\rl\*"), {}),
            ("copy: from a second drive letter for a folder of the destination", UP_TREE, copy("W:\\", r"<W>\d"), DONE,
             {f"d/{n}": f"1{n}" for n in UP_NAMES} | {f"d/s/{n}": f"2{n}" for n in UP_NAMES}, {"drive": ("W:", "d/s")}),
            ("move: from a second drive letter for the destination, refused", UP_TREE, move(r"W:\s", r"<W>\d"),
             (14, r"W:\s", r"<W>\d"), {}, {"drive": ("W:", "d")}),
            ("delete: by its short name, a folder the code page spells only nearly that is a second drive letter's root",
             {"a¥b/y.txt": "y", "a/b/z.txt": "z"}, delete(r"<W>\A_B~~5OJ"), (10, r"<W>\A_B~~5OJ"), {},
             {"drive": ("W:", "a¥b")}),
            ("move: a file onto itself through a folder link", {"s/a.txt": "a", "l": "-> s"},
             move(r"<W>\s\a.txt", r"<W>\l\a.txt"), DONE, {}),
            *[(f"copy: a folder into {to}, a link that leads into it, refused", {"s/a.txt": "a", "s/in/": D, "l": "-> s/in"},
               copy(r"<W>\s", to), (8, r"<W>\s", to), {}) for to in (r"<W>\l", r"<W>\l\x")],
        ], self.run_row)

    def test_path_forms(self):
        """Nothing outside the named folder changes, whatever the form; a root or a device is refused by every type."""
        here, every = {"directory": "R:\\w"}, "".join(EVERY_TYPE)
        shortcut = {"R:/w/f/n/k.LNK": EVERY_TYPE_DONE["R:/w/f/n/k.LNK"]}
        self.each([(x, NAMED, every.replace("{X}", x), DONE, EVERY_TYPE_DONE, here) for x in FORMS]
                  + [(x, NAMED, every.replace("/", "\\").replace("{X}", x), (17,),  # no "/" in these
                      {**shortcut, "R:/w/f/c/a.txt": "a"}, here) for x in NAMESPACES], self.run_row)

        def refused(kind, values, shown, x):
            return (kind(name="Step")[8:].split("\n")[0] + " " + ",".join(map(str, values(x))), NAMED, kind(*values(x)),
                    (shown[0], *[values(SHOWN.get(x, x))[i] for i in shown[1:]]), {}, here)
        # Reading a root, or setting the attributes of the files in one, is no harm to it (rows in test_steps).
        self.each([refused(*refusal, x) for refusal in REFUSALS for x in ROOTS + DEVICES
                   if not (x == "R:/*" and refusal[0] in (copy, attr))]
                  + [refused(*REFUSALS[2], x) for x in MORE_ROOTS]
                  + [refused(*side, x) for side in OTHER_SIDE for x in DEVICES + MORE_DEVICES]
                  + [(f"SHELL COPY to {x}", NAMED, shell("COPY", SRC, x + r"\s.txt"), (17,), {}, here) for x in NAMESPACES],
                  self.run_row)

    def test_steps(self):
        files = {"a.dll": "a", "b.dll": "b", "c.txt": "c", "sub/d.dll": "d", "e.dll/f.txt": "f"}
        prep = section("Prep", "ATTR", FILE=r"<W>\a.dll,<W>\b.dll,<W>\c.txt,<W>\sub\d.dll", ARG="7,7,7,7")
        held = {"a.dll": "a [RHS]", "b.dll": "b [RHS]", "c.txt": "c [RHS]", "sub/d.dll": "d [RHS]"}  # after Prep
        # Wine cannot remove a folder link (RemoveDirectoryA: 145); what it points to stays.
        self.each([
            ("file, parents made; file overwrites", {"a.txt": "A", "b.txt": "old"},
             copy(r"<W>\a.txt,<W>\a.txt", r"<W>\n\deep\b.txt,<W>\b.txt"), DONE, {"n/deep/b.txt": "A", "b.txt": "A"}),
            ("tree onto an older copy of itself, trailing backslashes", {**TREE, "d/x.txt": "old", "d/sub/y.txt": "old"},
             copy("<W>\\s\\", "<W>\\d\\"), DONE, COPIED),
            ("tree beside a tree whose name it starts", TREE, copy(r"<W>\s", r"<W>\s2"), DONE,
             {"s2/x.txt": "x", "s2/sub/y.txt": "y", "s2/..e/": D}),
            ("pattern: matches of its folder, a matching folder whole",
             {"s/a.dll": "a", "s/b.txt": "b", "s/old.dll/z.txt": "z", "s/sub/c.dll": "c"},
             copy(r"<W>\s\*.dll", r"<W>\d\any.name"), DONE, {"d/a.dll": "a", "d/old.dll/z.txt": "z"}),
            *[(f"pattern into a folder written with a final '{end}': that folder, not its parent",
               {"s/a.dll": "a", "s/old.dll/z.txt": "z"}, copy(r"<W>\s\*.dll", f"<W>\\d{end}"), DONE,
               {"d/a.dll": "a", "d/old.dll/z.txt": "z"}) for end in ("\\", "/", "\\.")],
            ("pattern to a name without a folder", TREE, copy(r"<W>\s\*.txt", "x.txt"), (8, r"<W>\s\*.txt", "x.txt"), {}),
            ("'?' alone is a file name", {"s/x1.txt": "1"}, copy(r"<W>\s\x?.txt", r"<W>\d\x.txt"),
             (8, r"<W>\s\x?.txt", r"<W>\d\x.txt"), {"d/": D}),
            ("first failure stops the list", {"a.txt": "A", "c.txt": "C"}, copy(r"<W>\a.txt,<W>\no.txt,<W>\c.txt",
             r"<W>\1.txt,<W>\2.txt,<W>\3.txt"), (8, r"<W>\no.txt", r"<W>\2.txt"), {"1.txt": "A"}),
            ("Shift-JIS names with a 0x5C trail byte", {"表示/ソフト.txt": "s", "表示/sub/ソ.txt": "t"},
             copy(r"<W>\表示", r"<W>\予定表"), DONE, {"予定表/ソフト.txt": "s", "予定表/sub/ソ.txt": "t"}),
            *[(f"tree into itself, written {how}", {"Long Folder/x.txt": "x"}, copy(r"<W>\Long Folder", into),
               (8, r"<W>\Long Folder", into), {}) for how, into in (("otherwise", "<W>/long folder./in"),
                                                                    ("with its short name", r"<W>\LONG~WDY\in"))],
            ("pattern into a folder of its own, written with its short name", {"Long Folder/x.txt": "x"},
             copy(r"<W>\LONG~WDY\*", r"<W>\Long Folder\backup\*"), DONE, {"Long Folder/backup/x.txt": "x"}),
            *[(f"{kind}: pattern into a folder of its own: never entered", {"a/x.txt": "x", "a/s/y.txt": "y"},
               step(r"<W>\a\*", r"<W>\a\backup\*"), DONE, {"a/backup/x.txt": "x", "a/backup/s/y.txt": "y", **gone})
              for kind, step, gone in (("copy", copy, {}), ("move", move, {"a/x.txt": GONE, "a/s/y.txt": GONE}))],
            ("tree into its parent: each file read before its place is written", UP_TREE, copy(r"<W>\d\s", r"<W>\d"),
             DONE, {f"d/{n}": f"1{n}" for n in UP_NAMES} | {f"d/s/{n}": f"2{n}" for n in UP_NAMES}),
            ("move: tree into its parent, refused", UP_TREE, move(r"<W>\d\s", r"<W>\d"), (14, r"<W>\d\s", r"<W>\d"), {}),
            # By Wine's short name of "a¥b" (beside it "a\\b", its near spelling), the destination past 248 units in
            # the deep one: the system takes it in the "\\?\" form and gives its long form back as written.
            *[(f"move: a folder the code page spells only nearly into its own subfolder, by short names{deep}",
               {f"{up}a¥b/x.txt": "x", f"{up}a/b/y.txt": "y"}, move(src, src + r"\sub"), (14, src, src + r"\sub"), {})
              for deep, up in (("", ""), (", 248 units and more", "L" * 150 + "/" + "M" * 80 + "/"))
              for src in ["<W>\\" + up.replace("/", "\\") + "A_B~~5OJ"]],
            *[(f"{kind}: a relative path that reaches the root", {"R:/k.txt": "k", "R:/zz/b/": D, "R:/zz/o.txt": "o"},
               step, outcome, {}, {"directory": r"R:\zz\b"})
              for kind, step, outcome in (("delete", delete(r"..\..\*"), (10, r"..\..\*")),
                                          ("move", move(r"..\..\*", r"<W>\d\*"), (14, r"..\..\*", r"<W>\d\*")))],
            ("copy: from a root", {"R:/a.txt": "r", "R:/s/b.txt": "b"}, copy(r"R:\*", r"<W>\d\*"), DONE,
             {"d/a.txt": "r", "d/s/b.txt": "b"}),
            ("copy: into a root, the current folder below it", {"R:/s/a.txt": "a"}, copy(r"R:\s\*", "R:\\"), DONE,
             {"R:/a.txt": "a"}, {"directory": r"R:\s"}),
            ("tree to an empty destination", TREE, copy(r"<W>\s", ""), (8, r"<W>\s", ""), {}),
            ("a tree deeper than MAX_PATH: copied whole", DEEP, copy(r"<W>\s", DEEP_TO), DONE,
             {f"d/{'D' * 50}" + k[1:]: v for k, v in DEEP.items()}),
            ("a tree deeper than MAX_PATH: moved whole", DEEP, move(r"<W>\s", DEEP_TO), DONE,
             {**{k: GONE for k in DEEP}, **{f"d/{'D' * 50}" + k[1:]: v for k, v in DEEP.items()}}),
            ("a tree deeper than MAX_PATH: deleted whole", DEEP, delete(r"<W>\s"), DONE, {k: GONE for k in DEEP}),
            ("a level past 255 characters: refused before anything is written", DEEP,
             copy(r"<W>\s", "<W>\\d\\" + "D" * 256), (8, r"<W>\s", "<W>\\d\\" + "D" * 256), {}),
            ("Hangul names: a tree copied whole", HANGUL, copy(r"<W>\s", r"<W>\d"), DONE, moved(HANGUL, "d") | HANGUL),
            ("Hangul names: a tree deleted whole", HANGUL, delete(r"<W>\s"), DONE, {k: GONE for k in HANGUL}),
            *(WINDOWS_98 if wineenv.bits() == 32 else []),
            # Names the code page spells only by a near letter (é as "e", the yen sign as "\\"): the box and the log
            # name them as they are.
            ("a held file whose name the code page spells only nearly: named as it is", {"s/Résumé¥.txt": "r",
             "d/Résumé¥.txt": "old"}, copy(r"<W>\s", r"<W>\d"), (8, r"<W>\s", r"<W>\d"), {},
             {"hold": ["d/Résumé¥.txt"], "note": '"<W>\\s\\Résumé¥.txt"', "log": r"<W>\s\R<U+00E9>sum<U+00E9><U+00A5>.txt"}),
            ("the program in a folder named in Hangul: its script found, <Src> its short name", {"한국/a.txt": "a"},
             copy(r"<Src>\a.txt", r"<Src>\b.txt"), DONE, {"한국/b.txt": "a"}, {"exe_name": "한국\\updater.exe"}),
            ("accented Latin names: a tree moved whole", LATIN, move(r"<W>\s", r"<W>\d"), DONE, moved(LATIN, "d")),
            ("accented Latin names: matches set read-only", LATIN, attr(r"<W>\s\*", "1"), DONE,
             {"s/Résumé.docx": "r [R]"}),
            ("a folder link: what it points to", {**TREE, "s/l": "-> ../o", "o/z.txt": "z"}, copy(r"<W>\s", r"<W>\d"),
             DONE, {**COPIED, "d/l/z.txt": "z"}),
            ("a link to a folder above: entered once", {**TREE, "s/sub/up": "-> .."}, copy(r"<W>\s", r"<W>\d"), DONE,
             {**COPIED, "d/sub/up/x.txt": "x", "d/sub/up/sub/y.txt": "y", "d/sub/up/sub/up/": D, "d/sub/up/..e/": D}),
            ("a link above the destination: the destination is never entered", {"t/s/x.txt": "x", "t/s/up": "-> .."},
             copy(r"<W>\t\s", r"<W>\t\d"), DONE, {"t/d/x.txt": "x", "t/d/up/s/x.txt": "x", "t/d/up/s/up/": D}),
            ("copy: a run cut short left its copy, another name of a user's b.txt~: it goes, b.txt~ stays",
             {"a.txt": "A", "b.txt": "B", "b.txt~": "mine", "b.txt.~upd": "=> b.txt~"}, copy(r"<W>\a.txt", r"<W>\b.txt"), DONE,
             {"b.txt": "A", "b.txt.~upd": GONE}),
            # The program's own suffix in a tree's names: "x" is written through "x.~upd" before "x.~upd" is copied,
            # and a name of 252 units through ".~upd" alone (Wine lists it first, and gives a dot name the hidden attribute, which the copy takes) before ".~upd" is.
            *[(f"copy: a tree holding names with the program's own suffix is copied whole{label}",
               {"s/x.txt": "a", "s/x.txt.~upd": "b", "s/x.txt.~upd.~UPD": "c", "d/x.txt.~upd": "left",
                "s/" + "n" * 252: "n", "s/.~upd": "own"},
               copy(r"<W>\s", r"<W>\d"), DONE, {"d/x.txt": "a", "d/x.txt.~upd": "b", "d/x.txt.~upd.~UPD": "c",
                                                "d/" + "n" * 252: "n", "d/.~upd": "own [H]"}, options)
              for label, options in (("", {}), (", ROLLBACK=1", ROLLBACK))],
            *[(f"copy: a tree onto itself leaves a file beside its new file's name{label}",
               {"s/x.txt": "a", "s/x.txt.~upd": "b"}, copy(r"<W>\s\*", r"<W>\s\*"), DONE, {}, options)
              for label, options in (("", {}), (", ROLLBACK=1", ROLLBACK))],
            # A source under its target's new-file name is no leftover of a run cut short: it stays, and under
            # another of its names (a link to it) the copy fails rather than delete it.
            *[(f"copy: a file under its target's new-file name onto that target{how}{label}",
               {"d/app.dat": "old", "d/app.dat.~upd": "new", "d/l.dat": "-> app.dat.~upd"},
               copy(source, r"<W>\d\app.dat"), outcome, changes, options)
              for how, source, outcome, changes in (
                  ("", r"<W>\d\app.dat.~upd", DONE, {"d/app.dat": "new"}),
                  (", through a link to it", r"<W>\d\l.dat", (8, r"<W>\d\l.dat", r"<W>\d\app.dat"), {}))
              for label, options in (("", {}), (", ROLLBACK=1", ROLLBACK))],
            ("delete: ROLLBACK=1, a pattern's match whose name holds the program's suffix inside goes too",
             {"s/a.~update.txt": "a", "s/b.txt": "b"}, delete(r"<W>\s\*.txt"), DONE,
             {"s/a.~update.txt": GONE, "s/b.txt": GONE, "s/": D}, ROLLBACK),
            *[(f"copy to {len(target)} bytes", {"R:/a.txt": "new", target.rpartition("/")[0] + "/o": "o",
                                                **({target: "old"} if len(target) < 260 else {})},
               copy(r"R:\a.txt", target.replace("/", "\\")), outcome if outcome == DONE else
               (8, r"R:\a.txt", target.replace("/", "\\")), {target: "new"} if outcome == DONE else {})
              for target, outcome in LONG_TARGETS],
            *[(f"shell: a source of {size} units onto a file", {source: "s", "R:/c.txt": "old"}, shell("COPY", source.replace("/", "\\"), r"R:\c.txt"),
               outcome, {"R:/c.txt": "s"} if outcome == DONE else {}) for size, source, outcome in SHELL_SOURCES],
            *[(f"shell: an entry {size} units long below the temporary name", {entry: "x"},
               shell("COPY", r"R:\s", SHELL_TO), outcome,
               {SHELL_TO.replace("\\", "/") + entry[4:]: "x"} if outcome == DONE else {})
              for size, entry, outcome in SHELL_ENTRIES],
            *[(f"shell: DELETE of a folder that holds {len(SHELL_DEEP) + len(entry) - 2} units, {name} in the current folder",
               {SHELL_DEEP + "/" + entry: "deep", "cur/" + name: "mine"},
               shell("DELETE", SHELL_DEEP.replace("/", "\\"), r"<W>\none"), outcome,
               {SHELL_DEEP + "/" + entry: GONE, "R:/" + SJIS_LEVELS + "/": D} if outcome == DONE else {},
               {"directory": "cur"}) for entry, name, outcome in SHELL_DELETES],
            ("copy: a file onto itself, in other letters", {"a.txt": "A"}, copy(r"<W>\a.txt", r"<W>\A.TXT"), DONE, {}),
            ("copy: a file onto a hard link of itself", {"a.txt": "A", "b.txt": "=> a.txt"},
             copy(r"<W>\a.txt", r"<W>\b.txt"), DONE, {"b.txt": "A"}),
            ("copy: a read-only destination is replaced", {"a.txt": "A", "b.txt": "B"},
             READ_ONLY_B + copy(r"<W>\a.txt", r"<W>\b.txt"), DONE, {"b.txt": "A"}),
            ("copy: a failed replace keeps the read-only bit", {"a.txt": "A", "b.txt": "B"},
             READ_ONLY_B + copy(r"<W>\a.txt", r"<W>\b.txt"), (8, r"<W>\a.txt", r"<W>\b.txt"), {"b.txt": "B [R]"}, HOLD_B),
            ("into System32", {"a.txt": "A"}, copy(r"<W>\a.txt", r"<Win>\System32\updater-tests\b.txt"), DONE,
             {"S:/b.txt": "A"}),
            ("move: file replaces a file, also one of another file system", {"a.txt": "A", "b.txt": "B", "c.txt": "C",
             "V:/b.txt": "B"}, move(r"<W>\a.txt,<W>\c.txt", r"<W>\b.txt,<V>\b.txt"), DONE,
             {"a.txt": GONE, "b.txt": "A", "c.txt": GONE, "V:/b.txt": "C"}),
            ("move: file onto itself stays", {"a.txt": "A"}, move(r"<W>\a.txt", r"<W>\A.TXT"), DONE, {}),
            ("move: file onto a hard link of itself", {"a.txt": "A", "b.txt": "=> a.txt"}, move(r"<W>\a.txt", r"<W>\b.txt"),
             DONE, {"a.txt": GONE, "b.txt": "A"}),
            ("move: pattern leaves the folder", {"s/a.txt": "a", "s/b.dat": "b"}, move(r"<W>\s\*.txt", r"<W>\d\*.txt"),
             DONE, {"s/a.txt": GONE, "d/a.txt": "a"}),
            ("move: read-only file to another file system", {"b.txt": "B"}, READ_ONLY_B + move(r"<W>\b.txt", r"<V>\b.txt"),
             DONE, {"b.txt": GONE, "V:/b.txt": "B [R]"}),
            ("move: pattern to a name without a folder", TREE, move(r"<W>\s\*.txt", "x"), (14, r"<W>\s\*.txt", "x"), {}),
            ("move: destination held open", {"a.txt": "new", "b.txt": "old"}, move(r"<W>\a.txt", r"<W>\b.txt"),
             (14, r"<W>\a.txt", r"<W>\b.txt"), {}, HOLD_B),
            ("move: tree onto a tree of another file system", {**TREE, "V:/d/x.txt": "old"}, move(r"<W>\s", r"<V>\d"),
             DONE, {**{k: GONE for k in TREE}, **{"V:/" + k: v for k, v in COPIED.items()}}),
            ("delete: a failed delete keeps the read-only bit", {"b.txt": "B"}, READ_ONLY_B + delete(r"<W>\b.txt"),
             (10, r"<W>\b.txt"), {"b.txt": "B [R]"}, HOLD_B),
            *[(f"delete: a folder link {how}, to {what}, is not entered", {link: "-> " + to, **target},
               delete(named), (10, named), {})
              for how, link, to, named in (("named itself", "l", "o", r"<W>\l"), ("in a tree", "t/l", "../o", r"<W>\t"))
              for what, target in (("a full folder", {"o/z.txt": "z"}), ("an empty folder", {"o/": D}))],
            ("delete: pattern matches files and folders, not the folder",
             {"t/a.tmp": "a", "t/b.txt": "b", "t/c.tmp/z.txt": "z"}, delete(r"<W>\t\*.tmp"), DONE,
             {"t/a.tmp": GONE, "t/c.tmp/z.txt": GONE}),
            ("delete: tree with read-only and hidden files", {"t/r.txt": "r", "t/sub/h.txt": "h", "t/sub/deeper/": D},
             section("Prep", "ATTR", FILE=r"<W>\t\r.txt,<W>\t\sub\h.txt", ARG="1,2") + delete(r"<W>\t"), DONE,
             {"t/r.txt": GONE, "t/sub/h.txt": GONE, "t/sub/deeper/": GONE}),
            ("delete: a path that does not exist", {}, delete(r"<W>\none, <W>\no\*.tmp"), DONE, {}),
            ("shell: MOVE", APP, shell("move", NEW, OLD), DONE, {"new/app.exe": GONE, "new/": D, "prog/app.exe": "new"}),
            ("shell: RENAME", {"a.txt": "A"}, shell("Rename", r"<W>\a.txt", r"<W>\b.txt"), DONE,
             {"a.txt": GONE, "b.txt": "A"}),
            ("shell: DELETE takes the source and the destination", {"a.txt": "A", "b.txt": "B"},
             shell("DELETE", r"<W>\a.txt", r"<W>\b.txt"), DONE, {"a.txt": GONE, "b.txt": GONE}),
            ("shell: COPY, an old temporary goes first", {**APP, "prog/app.exe.tmp": "stale"}, shell("COPY", NEW, OLD),
             DONE, {"prog/app.exe": "new", "prog/app.exe.tmp": GONE}),
            ("shell: an old temporary that is a folder goes first", {**APP, "prog/app.exe.tmp/x.txt": "stale"},
             shell("COPY", NEW, OLD), DONE, {"prog/app.exe": "new", "prog/app.exe.tmp/x.txt": GONE}),
            ("shell: a directory replaces a directory", {"n/x.txt": "x", "o/y.txt": "y"},
             shell("COPY", r"<W>\n", r"<W>\o"), DONE, {"o/x.txt": "x", "o/y.txt": GONE}),
            ("shell: ... both written with a closing separator", {"n/x.txt": "x", "o/y.txt": "y"},
             shell("COPY", "<W>\\n\\", "<W>\\o/"), DONE, {"o/x.txt": "x", "o/y.txt": GONE, "o.tmp": GONE}),
            ("shell: unknown word", APP, shell("FROB", NEW, OLD), (17,), {}),
            ("shell: a file never replaces a folder", {**APP, "prog/data/db.dat": "d"}, shell("MOVE", NEW, r"<W>\prog"),
             (17,), {}),
            ("shell: nor the folder that holds it", {"a/sub/y.txt": "y", "a/z.txt": "z"},
             shell("COPY", r"<W>\a\sub\y.txt", r"<W>\a"), (17,), {}),
            ("shell: nor one that holds it, reached through a link", {"a/sub/y.txt": "y", "a/z.txt": "z", "k": "-> ."},
             shell("MOVE", r"<W>\a\sub", r"<W>\k\a"), (17,), {}),
            *[(f"{kind}: a file never goes where a folder is written", {"a.txt": "A"}, step(r"<W>\a.txt", "<W>\\d\\"),
               (outcome, r"<W>\a.txt", "<W>\\d\\")[:1 + 2 * (outcome != 17)], {})
              for kind, step, outcome in (("copy", copy, 8), ("move", move, 14),
                                          ("shell", lambda f, t: shell("COPY", f, t), 17))],
            ("shell: a wildcard in the destination", {"a.txt": "A", "d/b.tmp": "b", "d/c.txt": "c"},
             shell("DELETE", r"<W>\a.txt", r"<W>\d\*"), (17,), {}),
            *[(f"shell: DELETE of {what}", {"t/l": "-> ../o", "o/z.txt": "z", "t/a.txt": "a"},
               shell("DELETE", source, r"<W>\none"), (17,), {})
              for what, source in (("a folder link", r"<W>\t\l"), ("a folder that holds one", r"<W>\t"))],
            ("shell: DELETE of the root", {"R:/a.txt": "a"}, shell("DELETE", "R:/*", r"<W>\none"), (17,), {}),
            # Wine's short name of "a¥b"; the yen sign spelled nearly is a separator: "a\b" is another folder.
            ("shell: DELETE of a folder by the short name of a long one the code page spells only nearly",
             {"a¥b/x.txt": "x", "a/b/y.txt": "precious"}, shell("DELETE", r"<W>\A_B~~5OJ", r"<W>\none"), (17,), {}),
            ("shell: DELETE whose destination is the short name of a folder the code page spells only nearly",
             {"x.txt": "x", "a¥b/y.txt": "y", "a/b/z.txt": "z"}, shell("DELETE", r"<W>\x.txt", r"<W>\A_B~~5OJ"), (17,), {}),
            ("shell: a folder onto itself, the current folder in it", {"a/x.txt": "x", "a/in/y.txt": "y"},
             shell("COPY", r"<W>\a", r"<W>\a"), (17,), {}, {"directory": r"a\in"}),
            ("shell: a run cut short left the old folder aside: back in its place", {"o.~old/y.txt": "old"},
             shell("COPY", r"<W>\none", r"<W>\o"), (17,), {"o.~old/y.txt": GONE, "o/y.txt": "old"}),
            ("shell: ... and with the new one in place, the old one goes", {"n/x.txt": "x", "o/x.txt": "x0",
             "o.~old/y.txt": "old"}, shell("COPY", r"<W>\n", r"<W>\o"), DONE, {"o/x.txt": "x", "o.~old/y.txt": GONE}),
            ("shell: an empty destination item", {"a.txt": "A", "b.txt": "B"},
             shell("MOVE,MOVE", r"<W>\a.txt,<W>\b.txt", r"<W>\x.txt"), (17,), {"a.txt": GONE, "x.txt": "A"}),
            ("shell: DELETE with an empty destination", {"a.txt": "A", ".tmp": "user"},
             shell("DELETE", r"<W>\a.txt", ""), (17,), {}),
            ("shell: a tree whose file would pass the limit below the temporary name is refused",
             {f"R:/s/{'x' * 246}/f.txt": "f"}, shell("COPY", r"R:\s", r"R:\d"), (17,), {}),
            ("shell: a failed replace keeps the read-only bit", {"a.txt": "A", "b.txt": "B"},
             READ_ONLY_B + shell("COPY", r"<W>\a.txt", r"<W>\b.txt"), (17,), {"b.txt": "B [R]"}, HOLD_B),
            ("shell: move onto a destination held open keeps the only copy", APP, shell("MOVE", NEW, OLD), (17,),
             {"new/app.exe": GONE, "new/": D, "prog/app.exe.tmp": "new"}, {"hold": ["prog/app.exe"]}),
            ("shell: rename onto a destination held open keeps the only copy", {"a.txt": "A", "b.txt": "B"},
             shell("RENAME", r"<W>\a.txt", r"<W>\b.txt"), (17,), {"a.txt": GONE, "b.txt.tmp": "A"}, HOLD_B),
            ("shell: a destination held with all sharing is never deleted first", {"a.txt": "A", "b.txt": "B"},
             shell("COPY", r"<W>\a.txt", r"<W>\b.txt"), (17,), {}, {"hold": ["+b.txt"]}),
            ("shell: a second run keeps the only copy", {"prog/app.exe": "old", "prog/app.exe.tmp": "new"},
             shell("MOVE", NEW, OLD), (17,), {}),
            *[(f"shell: {word} of {what}", {**APP, "new/sub/": D}, shell(word, source, OLD), (17,), {})
              for word in ("COPY", "MOVE", "RENAME", "DELETE")
              for what, source in (("a missing source", r"<W>\new\no.exe"), ("no match", r"<W>\new\sub\*"))],
            *[(f"shell: temporary name of {3 + n + 4} bytes", {"R:/a.txt": "new", "R:/" + "N" * n: "old"},
               shell("COPY", r"R:\a.txt", "R:\\" + "N" * n), outcome, {"R:/" + "N" * n: "new"} if outcome == DONE else {})
              for n, outcome in ((251, DONE), (252, (17,)))],
            ("a pattern: files of its folder, no folders", files, prep + attr(r"<W>\*.dll", "21"), DONE,
             {**held, "a.dll": "a [R]", "b.dll": "b [R]"}),
            ("a copy has its source's attributes, onto a file or not", {**files, "n.dll": "n"},
             prep + copy(r"<W>\a.dll,<W>\b.dll", r"<W>\n.dll,<W>\m.dll"), DONE,
             {**held, "n.dll": "a [RHS]", "m.dll": "b [RHS]"}),
            ("items in parallel, a missing value is 0", files, prep + attr(r"<W>\a.dll, <W>\c.txt", "3"), DONE,
             {**held, "a.dll": "a [RH]", "c.txt": "c"}),
            ("a pattern that matches nothing", {}, attr(r"<W>\*.xyz", "ff"), (12, r"<W>\*.xyz", 255), {}),
            ("the files in a root", {"R:/a.txt": "r", "R:/s/b.txt": "b"}, attr(r"R:\*.*", "1"), DONE, {"R:/a.txt": "r [R]"}),
            ("a root that exists", {}, makedir("R:\\"), DONE, {}),
            ("repeated, trailing backslash", {}, makedir("<W>\\a\\b, <W>\\a\\b\\, <W>\\a\\b"), DONE, {"a/b/": D}),
            ("a file in the way", {"a/f": "x"}, makedir(r"<W>\a\n, <W>\a\f\g"), (13, r"<W>\a\f\g"), {"a/n/": D}),
            ("levels made before a failure stay", {}, makedir(r"<W>\n1\n2\a?b\n4"), (13, r"<W>\n1\n2\a?b\n4"),
             {"n1/n2/": D}),
        ], self.run_row)

    def test_shortcuts(self):
        """LINK: a target fits 259 UTF-16 units and its terminator (a Shift-JIS character is one unit), the shortcut itself
        any length the file system takes; a second source
        without a destination fails naming no destination: nothing is saved in the current folder."""
        self.each([
            ("parallel lists, an existing shortcut replaced",
             {**{source[4:].replace("\\", "/"): "MZ" for source, *_ in LISTS}, "A.LNK": "an older one"},
             link(*[",".join(column) for column in list(zip(*LISTS))[:4]]), DONE,
             {lnk: f"LNK {source}|{param.strip()}|{state}" for source, param, _, _, lnk, state in LISTS}),
            ("replaced through a name beside it; what a run cut short left there, another name of a user's file, goes",
             {"a.exe": "MZ", "A.LNK": "older", "A.LNK~": "mine", "A.LNK.~upd": "=> A.LNK~"},
             link(r"<W>\a.exe", "", "", r"<W>\A"), DONE, {"A.LNK": r"LNK <W>\a.exe||1", "A.LNK.~upd": GONE}),
            ("259", {"R:/a.exe": "MZ"}, link(r"R:\a.exe", "", "", "R:\\" + LONG_LINK), DONE,
             {"R:/" + LONG_LINK.replace("\\", "/") + ".LNK": r"LNK R:\a.exe||1"}),
            ("260 and past, in the long form", {"R:/a.exe": "MZ"}, link(r"R:\a.exe", "", "", "R:\\" + LONG_LINK + "e" * 9),
             DONE, {"R:/" + LONG_LINK.replace("\\", "/") + "e" * 9 + ".LNK": r"LNK R:\a.exe||1"}),
            *[(f"a target of {len(target)} units", {target.replace("\\", "/"): "MZ"}, link(target, "", "", r"<W>\T"),
               (15, target, r"<W>\T") if len(target) > 259 else DONE, {"T.LNK": f"LNK {target}||1"} if len(target) < 260
               else {}) for target in (LONG_TARGET, LONG_TARGET + "e")],
            ("300 bytes of Shift-JIS, 150 units", {"a.exe": "MZ"}, link(r"<W>\a.exe", "", "", SHIFT_JIS), DONE,
             {SHIFT_JIS[4:].replace("\\", "/") + ".LNK": r"LNK <W>\a.exe||1"}),
            ("a file where the folder belongs", {"a.exe": "MZ", "Menu": "a file"},
             link(r"<W>\a.exe", "", "", r"<W>\Menu\App"), (15, r"<W>\a.exe", r"<W>\Menu\App"), {}),
            ("a destination that ends in '\\.' once its parent step is taken", {"a.exe": "MZ", "m/": D},
             link(r"<W>\a.exe", "", "", r"<W>\m\.\n\.."), DONE, {"m/": GONE, "m/..LNK": r"LNK <W>\a.exe||1"}),
            ("a second source without a destination", {"a.exe": "MZ", "b.exe": "MZ"},
             link(r"<W>\a.exe,<W>\b.exe", "", "", r"<W>\First"), (15, r"<W>\b.exe", ""), {"First.LNK": r"LNK <W>\a.exe||1"}),
        ], self.run_row)

    def test_all_or_nothing(self):
        """ROLLBACK=1: a failure at any step leaves the tree as it was; the run that ends well leaves the new one."""
        self.each([("the update ends well", APP_BEFORE, update(), [FINISH, info("flag 1")], APP_AFTER,
                    {**ROLLBACK, "answers": ["YES", "OK"]})]
                  + [(f"{step}: {name}", APP_BEFORE, update(step, body), outcome, {}, {**ROLLBACK, **options})
                     for name, step, body, outcome, options in PLANTED]
                  + [("a killed run is undone at the next start", KILLED, makedir(r"<W>\app"), DONE, UNDONE,
                      {"journal": KILLED_JOURNAL}),
                     ("the folders' times of last writing come back with the undo", APP_BEFORE, update(),
                      [Box(text="finish?", icon="question", exit_code=2)], {}, {**ROLLBACK, "answers": ["NO"], "times": ["", "app", "app/lib", "new"]}),
                     ("a full disk: the log has the system's error", {"big.txt": "x" * 600000, "full/a.txt": "old"},
                      copy(r"<W>\big.txt", r"<W>\full\a.txt"), (8, r"<W>\big.txt", r"<W>\full\a.txt"), {},
                      {**ROLLBACK, "small": "full", "log": "error 112"}),
                     # Wine renames a name onto itself in other letters as onto itself: the letters stay.
                     ("a move onto its own name in other letters is no replace: nothing is kept aside",
                      {"a.txt": "A"}, move(r"<W>\a.txt", r"<W>\A.TXT"), DONE, {}, ROLLBACK),
                     ("a file replaced under other letters comes back under its own", {"a.txt": "A", "b.old.txt": "B"},
                      move(r"<W>\a.txt", r"<W>\B.OLD.TXT", name="Prep") + copy(r"<W>\no", r"<W>\app\no"),
                      (8, r"<W>\no", r"<W>\app\no"), {}, ROLLBACK),
                     *[(f"what a run cut short left is back after the undo: {what}", before,
                        body + copy(r"<W>\no", r"<W>\app\no"), (8, r"<W>\no", r"<W>\app\no"), {}, ROLLBACK)
                       for what, before, body in [
                           ("a copy's .~upd", {"a.txt": "A", "b.txt": "B", "b.txt.~upd": "left"},
                            copy(r"<W>\a.txt", r"<W>\b.txt", name="Prep")),
                           ("a SHELL's .tmp", {"n/x.txt": "x", "o/y.txt": "y", "o.tmp/z.txt": "left"},
                            shell("COPY", r"<W>\n", r"<W>\o", name="Prep")),
                           ("and the folder the shell made", {"a.txt": "A"},
                            shell("COPY", r"<W>\a.txt", r"<W>\made\n.dat", name="Prep"))]],
                     ("a file the run moved under a copy's own name is back after the undo",
                      {"a.txt": "A", "b.txt": "B", "d/foo": "F"},
                      copy(r"<W>\a.txt", r"<W>\d\y.txt", name="P1") + move(r"<W>\d\foo", r"<W>\d\x.txt.~upd", name="P2")
                      + copy(r"<W>\b.txt", r"<W>\d\x.txt", name="P3") + copy(r"<W>\no", r"<W>\app\no"),
                      (8, r"<W>\no", r"<W>\app\no"), {}, ROLLBACK),
                     ("a source folder that holds one name in two letter cases, copied onto its old file, is undone",
                      {"s/A.txt": "1", "s/a.txt": "2", "d/a.txt": "old"},
                      copy(r"<W>\s", r"<W>\d", name="Prep") + copy(r"<W>\no", r"<W>\x"), (8, r"<W>\no", r"<W>\x"), {},
                      ROLLBACK),
                     ("what a step kept is no part of the tree a later step copies", {"a/b/x.txt": "x", "a/y.txt": "y"},
                      delete(r"<W>\a\b", name="Prep") + copy(r"<W>\a", r"<W>\c"), DONE,
                      {"a/b/x.txt": GONE, "c/y.txt": "y"}, ROLLBACK),
                     ("... nor of a folder a later SHELL COPY copies", {"a.txt": "A", "n/x.txt": "x", "n/d/y.txt": "y"},
                      copy(r"<W>\a.txt", r"<W>\n\x.txt", name="P1") + delete(r"<W>\n\d", name="P2")
                      + shell("COPY", r"<W>\n", r"<W>\o", name="Step"), DONE,
                      {"n/x.txt": "A", "n/d/y.txt": GONE, "o/x.txt": "A"}, ROLLBACK),
                     *[(f"... nor of a folder a later SHELL MOVE moves: {what}", {"a.txt": "A", "n/x.txt": "x", "n/d/y.txt": "y"},
                        copy(r"<W>\a.txt", r"<W>\n\x.txt", name="P1") + delete(r"<W>\n\d", name="P2")
                        + shell("MOVE", r"<W>\n", r"<W>\o", name="P3" if last else "Step") + last, outcome, changes,
                        ROLLBACK)
                       for what, last, outcome, changes in [
                           ("the commit deletes them where they went", "", DONE,
                            {"n/x.txt": GONE, "n/d/y.txt": GONE, "o/x.txt": "A"}),
                           ("the undo brings them back", copy(r"<W>\no", r"<W>\x"), (8, r"<W>\no", r"<W>\x"), {})]],
                     ("a folder that holds the current folder is not kept: the commit could not delete it",
                      {"a/in/x.txt": "x"}, delete(r"<W>\a"), (10, r"<W>\a"), {}, {**ROLLBACK, "directory": r"a\in"}),
                     ("... nor one named in Hangul, found by a pattern", {"a/한/in/x.txt": "x"}, delete(r"<W>\a\*"),
                      (10, r"<W>\a\*"), {}, {**ROLLBACK, "directory": "a\\한\\in", "note": '"<W>\\a\\한"'}),
                     ("a file never takes a folder's place", {"a.txt": "A", "d/x.txt": "x"},
                      copy(r"<W>\a.txt", r"<W>\d"), (8, r"<W>\a.txt", r"<W>\d"), {}, ROLLBACK),
                     ("a move past MAX_PATH is undone like any other", {"a.txt": "A"},
                      move(r"<W>\a.txt", FAR, name="Prep") + copy(r"<W>\no", r"<W>\app\no"), (8, r"<W>\no", r"<W>\app\no"),
                      {}, ROLLBACK),
                     *WIDE_ROLLBACK,
                     *[(f"the temporary folder in a folder named in Hangul holds the journal{later}",
                        {"a.txt": "new", "b.txt": "old", "한국/": D}, copy(r"<W>\a.txt", r"<W>\b.txt", name=name) + tail,
                        outcome, changes, {**ROLLBACK, "temp": "한국", "log": 'journal "<W>\\<U+D55C><U+AD6D>\\updater-'})
                       for later, name, tail, outcome, changes in (
                           ("", "Step", "", DONE, {"b.txt": "new"}),
                           (": a later step fails, undone", "Prep", copy(r"<W>\no", r"<W>\x"), (8, r"<W>\no", r"<W>\x"), {}))],
                     ("a killed run with names outside the code page is undone at the next start", KILLED_WIDE,
                      makedir(r"<W>\app"), DONE, {"app/한.txt": "old", "app/한.txt.~upd1": GONE, "app/Résumé.~upd2/x.txt": GONE,
                                                   "app/Résumé/x.txt": "x", "app/😀/": GONE}, {"journal": KILLED_WIDE_JOURNAL}),
                     ("a killed run's journal of an earlier version, in the code page, is undone", KILLED_ANSI,
                      makedir(r"<W>\app"), DONE, {"app/表示.txt": "old", "app/表示.txt.~upd1": GONE},
                      {"journal": KILLED_ANSI_JOURNAL}),
                     ("a file moved by other letters comes back under its own", {"a/ソフト.dat": "s"},
                      move(r"<W>\A\ソフト.DAT", r"<W>\b.dat") + copy(r"<W>\none", r"<W>\x", name="Fail"),
                      (8, r"<W>\none", r"<W>\x"), {}, ROLLBACK),
                     ("a read-only file replaced: what was kept of it goes at the commit", {"a.txt": "new", "b.txt": "old"},
                      READ_ONLY_B + copy(r"<W>\a.txt", r"<W>\b.txt"), DONE, {"b.txt": "new"}, ROLLBACK),
                     ("a killed commit is finished", KILLED, makedir(r"<W>\app"), DONE,
                      {"app/app.exe.~upd1": GONE, "app/old.~upd1/plugin.dll": GONE}, {"journal": KILLED_JOURNAL + ["C"]}),
                     ("a kept file held at the commit stays with the journal; the run goes on", KILLED,
                      makedir(r"<W>\app"), DONE, {"app/old.~upd1/plugin.dll": GONE}, KEPT_HELD),
                     ("a kept file still held when the next update commits: one journal holds both", KILLED,
                      makedir(r"<W>\app\new"), DONE, {"app/old.~upd1/plugin.dll": GONE, "app/new/": D},
                      {**ROLLBACK, **KEPT_HELD}),
                     ("... and when it fails: undone down to the earlier commit", KILLED,
                      makedir(r"<W>\app\new", name="New") + copy(r"<W>\no", r"<W>\app\no"), (8, r"<W>\no", r"<W>\app\no"),
                      {"app/old.~upd1/plugin.dll": GONE}, {**ROLLBACK, **KEPT_HELD}),
                     ("an undo held up goes on with the rest: its file named, the changes left counted, the journal kept",
                      KILLED, makedir(r"<W>\app"), (18, r"<W>\app\app.exe"),
                      {"app/old.~upd1/plugin.dll": GONE, "app/old/plugin.dll": "p", "app/logs/": GONE},
                      {"journal": KILLED_JOURNAL, "journal_stays": True, "hold": ["app/app.exe"], "note": (109, 1),
                       "log": "undo not finished, changes left: 1;"}),
                     ("... held up at two: the newest named, both counted", {**KILLED, "app/app.exe.tmp": "t"},
                      makedir(r"<W>\app"), (18, r"<W>\app\app.exe"),
                      {"app/old.~upd1/plugin.dll": GONE, "app/old/plugin.dll": "p", "app/logs/": GONE},
                      {"journal": KILLED_JOURNAL, "journal_stays": True, "note": (109, 2),
                       "hold": ["app/app.exe", "app/app.exe.tmp"], "log": "undo not finished, changes left: 2;"})],
                  self.run_row)

    def test_progress_window(self):
        """PROGRESS=1 (or /progress): a window with the caption, the step, the file and a bar by bytes; its Cancel
        asks once, and Yes stops the run (exit 2, undone with ROLLBACK=1); none in a silent run or with /noprogress."""
        asked = Box(caption="進捗", text=PROGRESS_TEXTS[107], icon="question", buttons=["YES", "NO"], exit_code=2)
        self.each([("progress window: shown: the bar moves and the file changes", "PROGRESS=1", "", [], [], self.check_shown),
                   ("progress window: /progress turns it on for one run", "", "/progress", [], [], self.check_shown),
                   ("progress window: Cancel, Yes: the run stops, and ROLLBACK=1 puts the tree back", "PROGRESS=1\nROLLBACK=1", "",
                    ["STOP", "YES"], [asked], self.check_undone),
                   ("progress window: a silent run shows none", "PROGRESS=1", "/silent /progress", [], [], self.check_none),
                   ("progress window: /noprogress keeps it shut for one run", "PROGRESS=1", "/noprogress", [], [], self.check_none)],
                  self.run_progress)

    def run_progress(self, head, arguments, answers, boxes, check):
        s = self.scenario()
        for n in range(FILES):  # some seconds under Wine: its cost is per file
            s.write_bytes(f"s/{n // 100}/f{n:04}.bin", bytes([n % 256]) * 16384)
        s.write_text("d/0/f0000.bin", "old")
        before = s.tree(leave_out=(".log", ".ini"))
        result = self.run_script("Step", copy(s.win("s"), s.win("d")), answers, arguments,
                                 "NAME=進捗\nLOG=run.log\n" + head, s=s, screenshots=True, timeout=120)
        expect_boxes(result, boxes)
        check(s, result, before)

    def check_shown(self, s, result, before):
        seen = result.progress
        self.assertGreaterEqual(len(seen), 2, result.progress)
        self.assertEqual({(p["caption"], p["step"]) for p in seen}, {("進捗", PROGRESS_TEXTS[101])})
        self.assertTrue(all(p["item"].startswith(s.win("s") + "\\") for p in seen), seen)
        first, last = seen[0], seen[-1]
        self.assertTrue(first["item"] != last["item"] and first["bar"] < last["bar"] <= 1000, seen)
        shots = glob.glob(os.path.join(s.runs, f"{s.name}-*-shots", "progress.bmp"))
        self.assertEqual(len(shots), 1)
        with open(shots[0][:-3] + "png", "wb") as f:  # docs/progress-window.png is one of these
            f.write(png(trees.read(shots[0])))
        self.assertEqual(s.read_bytes(LAST), bytes([(FILES - 1) % 256]) * 16384)

    def check_undone(self, s, result, before):
        self.assertTrue(result.progress and 0 < result.progress[-1]["bar"] < 1000, result.progress)
        after = s.tree(leave_out=(".log", ".ini"))
        self.assertEqual({k for k in after.keys() ^ before.keys()} | {k for k in after if after[k] != before.get(k)}, set())

    def check_none(self, s, result, before):
        self.assertEqual(result.progress, [])
        self.assertEqual(s.read_bytes(LAST), bytes([(FILES - 1) % 256]) * 16384)

if __name__ == "__main__":
    main()
