"""The run as a whole: where the script is looked for, libraries taken only from the system folder, UPDATER and the
caption, lists loaded whole (a key missing stops the load) then run in order, SWITCH, MSGBOX (gates, types, answers,
stops), VERIFY, EXIST and DATE, what expansion gets from the running program, the run log. A row is a script and the
boxes it shows."""

import os
import re
import sys
import time
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
import wineenv  # noqa: E402
from programs import Program, stop_programs  # noqa: E402
from sections import info, msgbox, section, switch  # noqa: E402
from updater import DEFAULT_CAPTION, Box, Scenario, UpdaterTest, error_box, expect_boxes, main, message  # noqa: E402

# Every script has these sections. OSVER holds on Wine (Os, z); Not never holds; Set and Clear show Test's flag.
COMMON = msgbox("One", "one") + msgbox("Two", "two") + msgbox("Zero", "zero") + msgbox("After", "after") + \
    msgbox("Set", "flag 1", flag="Test,1") + msgbox("Clear", "flag 0", flag="Test,0") + \
    "\n[Os]\nMODE=OSVER\n\n[z]\nMODE=OSVER\n\n[Not]\nMODE=VERIFY\nARG1=a\nARG2=b\n\n[Bad]\nMODE=NOSUCHMODE\n"
Z, O, A = info("zero"), info("one"), info("after")
ASK = msgbox("Ask", "again?", "QUESTION")
Q = Box(text="again?", icon="question")
NOMODE, NONAME = message(6, "NOSUCHMODE"), message(2, "UPDATER", "NAME")
ALL = "Os,Not,Box,After"
SHOUT = msgbox("Shout", "x", "SHOUT")
REG_BITS = (64,) if wineenv.no_32_bits() else (64, 32)
# name, FLAG of the box Box, shown, PROC
GATES = [
    ("no gate", "", True, ALL), ("a single item is no gate", "ANY", True, ALL),
    ("closed on a set flag", "Os,0", False, ALL), ("name without regard to case and spaces", "  os ,1", True, ALL),
    ("z and Z are the same letter", "Z,1", True, "z,Box,After"), ("a value read as a number", "Not,x", True, ALL),
    ("the number itself is compared, not zero or not", "Os,2", False, ALL),
    ("a later procedure has not run", "Os,0", True, "Box,Os,After"), ("its own flag", "Box,0", True, "Box,After"),
]
# TYPE: icon, buttons, default
STYLES = {"ERROR": ("error", ["OK"], "OK"), "INFORMATION": ("information", ["OK"], "OK"),
          "WARNING": ("warning", ["YES", "NO"], "NO"), "QUESTION": ("question", ["YES", "NO"], "YES")}
# name, TYPE, ISABORT, answer, exit code (0: the run goes on; 2: it stops)
ANSWERS = [
    ("stop after YES", "QUESTION", "1,0", "YES", 2), ("stop after NO", "WARNING", "0,1", "NO", 2),
    ("no stop after NO when only YES stops, type in lower case", "question", "1,0", "NO", 0),
    ("no stop after YES when only NO stops, type in mixed case", "Warning", "0,1", "YES", 0),
    ("empty ISABORT goes on after NO", "QUESTION", "", "NO", 0),
    ("OK uses the first item: stop", "INFORMATION", "1,0", "OK", 2), ("OK uses the first item: go on", "ERROR", "0,1", "OK", 0),
    ("closing a box of OK alone is OK", "INFORMATION", "0,1", "CLOSE", 0),
    ("a stop after an ERROR box is a failure", "ERROR", "1,0", "OK", 1),
]


def answered(type_, abort, answer, code):
    """A box of the type, then IfSet, gated on its flag (OK and YES set it), then After."""
    icon, buttons, default = STYLES[type_.upper()]
    box = Box(caption=DEFAULT_CAPTION, text="asked", icon=icon, buttons=buttons, default=default, exit_code=code)
    after = [info("set")] * (answer in ("YES", "OK", "CLOSE")) + [A]
    return ("Box,IfSet,After", msgbox("Box", "asked", type_, abort=abort) + msgbox("IfSet", "set", flag="Box,1"),
            [box] + ([] if code else after), [answer, "OK", "OK"])


# name, ARG1, ARG2, flag. The profile reader drops the quotes around a value.
VERIFY = [
    ("position 1; case and spaces do not matter", "A,B", "x, b", 1), ("other positions do not count", "A,B", "B,A", 0),
    ("a trail byte is no letter: 83 41 is not 83 61", "ア", "ヂ", 0), ("further ARG2 items are not looked at", "A", "A,B", 1),
    ("an item meets the empty item beyond ARG2's end", "A,B", "C", 0), ("an empty item meets a missing one", "A,", "B", 1),
    ("both empty", "", "", 1), ("empty ARG1", "", "x", 0), ("an empty ARG1 is compared with the whole ARG2", "", '" "', 0),
]

# name, FILE, files made, flag
EXIST = [
    ("every path exists; spaces are trimmed", r" <Src>\a.txt , b.txt,<Src>\c.txt", ["a.txt", "b.txt", "c.txt"], 1),
    ("the first is missing", r"<Src>\a.txt,<Src>\b.txt,<Src>\c.txt", ["b.txt", "c.txt"], 0),
    ("the last is missing", r"<Src>\a.txt,<Src>\b.txt,<Src>\c.txt", ["a.txt", "b.txt"], 0),
    ("a directory exists", r"<Src>\sub", [r"sub\only.txt"], 1), ("empty items do not exist", " , ", [], 0),
    ("a pattern that matches", r"<Src>\sub\*.txt", [r"sub\only.txt"], 1),
]

# name, {file: (year, month, day, hour, minute) of its last write}, DATE, flag, files held open
DATE = [
    ("the date itself at 23:59 passes", {"f": (2005, 11, 2, 23, 59)}, "2005/11/2", 0, []),
    ("the day before sets the flag", {"f": (2005, 11, 1, 22, 30)}, "2005/11/2", 1, []),
    ("a later year passes", {"f": (2006, 1, 1, 12, 0)}, "2005/12/31", 0, []),
    ("a later month passes", {"f": (2005, 12, 1, 12, 0)}, "2005/11/30", 0, []),
    ("an earlier year sets it", {"f": (2004, 12, 31, 12, 0)}, "2005/1/1", 1, []),
    ("only the low 16 bits count: 67541 is 2005", {"f": (2005, 11, 2, 12, 0)}, "67541/11/2", 0, []),
    ("an empty date passes every file that opens", {"f": (1990, 1, 1, 12, 0)}, "", 0, []),
    ("a missing file sets the flag", {}, "2005/11/2", 1, []),
    ("one old file of three", {"a": (2006, 1, 1, 12, 0), "b": (2007, 1, 1, 12, 0), "c": (2005, 1, 1, 12, 0)}, "2005/11/2", 1, []),
    ("a file held open elsewhere (opened without sharing)", {"f": (2006, 1, 1, 12, 0)}, "2005/11/2", 1, ["f"]),
]


def judged(mode, keys, flag, files=(), hold=()):
    """A condition test Test, seen through the gates Set and Clear after it; the files made, those held open."""
    return "Test,Set,Clear", section("Test", mode, **keys), [info(f"flag {flag}")], None, "", files, hold


# Readers: a mode, its keys, and the item list that may not be empty.
READERS = [("CRC", {"FILE": "a", "TYPE": "", "CRC": ""}, "FILE"),
           ("LINK", {"SRC": "a.exe", "PARAM": "", "SHOWCMD": "", "DST": "App"}, "SRC"),
           ("RSRC", {"FROM": "src.dll", "TO": "dst.exe", "TYPE": "PAYLOAD", "NAME": "SETTINGS"}, "TYPE")]


def unread(mode, keys, key, number):
    """A section Test of the mode, then Next: the load stops at Test's key with the message; Next never shows."""
    name = f"{mode} without {key}" if number == 2 else f"{mode} with {key} empty"
    return name, "Test,Next", section("Test", mode, **keys) + msgbox("Next", "ran"), [error_box(message(number, "Test", key))]


# name, PROC (or the lines of UPDATER), sections, boxes (@: the scenario's folder), answers (None: OK for
# each box), command line, files made (names, or {name: (year, month, day, hour, minute) of its last write}), files
# held open (read, no sharing). A script whose NAME or PROC cannot be read ends with 3.
ROWS = [
    ("NAME wins over the option", "NAME=From the script\nPROC=Bad", "", [error_box(NOMODE, "From the script")], None, "/tOpt"),
    ("empty NAME keeps the option", "NAME=\nPROC=Bad", "", [error_box(NOMODE, "Opt")], None, "/tOpt"),
    ("missing PROC under the option's caption", "NAME=No", "", [error_box(message(2, "UPDATER", "PROC"), "O", 3)], None, "/tO"),
    ("missing NAME", "PROC=One", "", [error_box(NONAME, exit_code=3)]),
    ("NAME of no_Data in any case is absent", "NAME=no_Data\nPROC=One", "", [error_box(NONAME, exit_code=3)]),
    ("empty PROC", "NAME=\nPROC=", "", [error_box(message(4, "UPDATER", "PROC"))]),
    ("names are trimmed of spaces", " Os ,  Sw,After ", switch("Sw", "Os", "Zero", "One"), [O, A]),
    ("unknown mode in the third runs nothing", "One,Two,Foo", "\n[Foo]\nMODE=FOO\n", [error_box(message(6, "FOO"))]),
    ("a name of spaces is an empty name", "One,  ,Two", "", [error_box(message(2, "", "MODE"))]),
    ("a missing section", "One,Nowhere", "", [error_box(message(2, "Nowhere", "MODE"))]),
    ("mode through a macro, in lower case", "Mac", "\n[DEFINE]\n<M>=msgBox\n" + section(
        "Mac", "<M>", FLAG="", TYPE="INFORMATION", TEXT="by macro", ISABORT=""), [info("by macro")]),
    ("the same section twice runs twice", "One,One", "", [O, O]),
    ("a text like a unit the code page lacks is shown as written", "Odd", msgbox("Odd", "<U+D55C>"), [info("<U+D55C>")]),
    ("a failure stops the run", "One,Shout,Two", msgbox("Shout", "x", "SHOUT"), [O, error_box(message(6, "SHOUT"))]),
    ("a run that ends well shows nothing more", "Os", "", []),
    ("SWITCH: a test that held runs key 1", "Os,Sw,After", switch("Sw", "Os", "Zero", "One"), [O, A]),
    ("SWITCH: a test that failed runs key 0", "Not,Sw,After", switch("Sw", "Not", "Zero", "One"), [Z, A]),
    ("SWITCH: target with spaces and other case", "Os,Sw,After", switch("Sw", '"  oS  "', "Zero", "One"), [O, A]),
    ("SWITCH: branch of several procedures", "Os,Sw,After", switch("Sw", "Os", "Zero", "One, Zero ,One"), [O, Z, O, A]),
    # Quoted, because the profile functions strip unquoted blanks.
    ("SWITCH: unknown target quotes PROC as read", "Sw,After", switch("Sw", '" Nobody "', "Zero", "One"),
     [error_box(message(6, " Nobody "))]),
    ("SWITCH: empty branch runs nothing, the other is not loaded", "Os,Sw,After", switch("Sw", "Os", "No,Such", ""), [A]),
    ("SWITCH: a branch with a missing MODE runs none of it", "Os,Sw,After",
     switch("Sw", "Os", "", "One,NoMode") + "\n[NoMode]\nTEXT=x\n", [error_box(message(2, "NoMode", "MODE"))]),
    ("SWITCH: a failure inside the branch stops the run", "Os,Sw,After",
     switch("Sw", "Os", "", "One,Shout") + msgbox("Shout", "x", type_="LOUD"), [O, error_box(message(6, "LOUD"))]),
    ("SWITCH: a branch looks up in itself, not the enclosing list", "Os,Outer,After",
     switch("Outer", "Os", "", "Inner") + switch("Inner", "Os", "Zero", "One"), [error_box(message(6, "Os"))]),
    # The branch is released after it ran: later lookups see the running list again.
    ("SWITCH: a gate and a SWITCH after it look in the running list", "Os,Sw,Gated,Sw2,After",
     switch("Sw", "Os", "", "Zero") + msgbox("Gated", "gated", flag="Os,1") + switch("Sw2", "Os", "", "One"),
     [Z, info("gated"), O, A]),
    # In the branch Ask is a new record whose flag starts at 0 again.
    ("SWITCH: a section of the enclosing list runs again as a new record", "Ask,Sw,After",
     ASK + switch("Sw", "Ask", "", "Ask,Said") + msgbox("Said", "yes", flag="Ask,1"), [Q, Q, A], ["YES", "NO", "OK"]),
    ("SWITCH: a retry loop runs three passes, then goes on", "One,Ask,Loop,After",
     ASK + switch("Loop", "Ask", "", "One,Ask,Loop"), [O, Q] * 3 + [A], ["OK", "YES", "OK", "YES", "OK", "NO", "OK"]),
    ("MSGBOX: the type behind a closed gate is never read", "Os,Box,After", msgbox("Box", "x", "NOTE", flag="Os,0"), [A]),
    ("MSGBOX: line break and tab markers", "Box", msgbox("Box", "表示%n予定表%tEnd %N%T"), [info("表示\n予定表\tEnd %N%T")]),
    ("MSGBOX: an unknown gate quotes FLAG", "Box,After", msgbox("Box", "x", flag="NOSUCH,1"), [error_box(message(6, "NOSUCH,1"))]),
    *[(f"gate: {name}", proc, msgbox("Box", "gated", flag=flag), [info("gated")] * shown + [A])
      for name, flag, shown, proc in GATES],
    *[(f"answer: {name}", *answered(*row)) for name, *row in ANSWERS],
    *[(f"VERIFY: {name}", *judged("VERIFY", dict(ARG1=first, ARG2=second), flag)) for name, first, second, flag in VERIFY],
    *[(f"EXIST: {name}", *judged("EXIST", dict(FILE=paths), flag, names)) for name, paths, names, flag in EXIST],
    *[(f"DATE: {name}", *judged("DATE", dict(FILE=",".join(files) or "missing", DATE=date), flag, files, hold))
      for name, files, date, flag, hold in DATE],
    ("a copy keeps its source's time of last writing", "Copy,Test,Set,Clear",
     section("Copy", "COPY", FROM=r"<Src>\f", TO=r"<Src>\g") + section("Test", "DATE", FILE=r"<Src>\g", DATE="2005/11/2"),
     [info("flag 1")], None, "", {"f": (2005, 11, 1, 22, 30)}),
    # Letter case tells names apart in a table's slots only from 32 slots on: the table has 27 entries.
    ("<Src> is the program's folder; DEFINE in other letter case, then a parent step", "Box", "[DEFINE]\n<Here>=<Src>\\data\n"
     + "".join(f"<M{i}>=m\n" for i in range(20)) + msgbox("Box", r"<HERE>\..\x"), [info(r"@\x")]),
    ("options are words too, quotes group", "Box", msgbox("Box", r"{?Param\-3\-1}"),
     [info("/iupdater.ini, b c, d")], None, '/iupdater.ini "b c" d'),
    # "=" ends the value that a lookup gives; the later entry sees the value at once, and the entries after it keep
    # their values whole (a place 7 bytes off reads <Last> into <Path>).
    ("a DEFINE value from the command line", "Box", "[DEFINE]\n<Arg>={?Param\\1}\n<Key>=<Arg>\n<Path>=<Src>\\g\n"
     "<Last>=last\n" + msgbox("Box", "<Key>|<Path>|<Last>"), [info(r"a|@\g|last")], None, "first a=b"),
    ("a value from the caller takes the place of DEFINE's; the entry after it sees it", "Box", "[DEFINE]\n<Shortcut>=1\n"
     "<Say>=shortcut <Shortcut>\n" + msgbox("Box", "<Say>"), [info("shortcut 0")], None, "/DEFINE:<Shortcut>=0"),
    ("values from the caller, quoted three ways, cut at a second '=' as in DEFINE; a built-in macro stays", "Box",
     msgbox("Box", "<A>|<B>|<C>|<Src>"), [info(r"a b|c d|e|@")], None,
     '/define:<A>="a b" "/define:<B>=c d" /define:"<C>=e=f" /define:<Src>=x'),
    ("a branch on a value from the caller", "Is,Sw,After", "[DEFINE]\n<Desk>=1\n" + section(
        "Is", "VERIFY", ARG1="<Desk>", ARG2="1") + switch("Sw", "Is", "Zero", "One"), [Z, A], None, "/define:<Desk>=0"),
    ("/define: glued to a longer word sets nothing", "Box", "[DEFINE]\n<A>=0\n" + msgbox("Box", "<A>"), [info("0")],
     None, "/defines:<A>=1 x/define:<A>=2"),
    *[(f"/log= that cannot be written: {name}; nothing runs", "One", "", [error_box(message(20, log), exit_code=5)],
       None, f'"/log={log}"', ["sub/only.txt"]) for name, log in [
        ("a folder", r"@\sub"), ("a name that ends in a separator", "@\\logs\\"), ("NUL", "NUL"),
        ("a path of 320 characters", "@\\" + "a" * 300 + ".log"), ("an empty value", "")]],
    ("/exitcodes=msi: a failure is 1603", "One,Shout", SHOUT, [O, error_box(message(6, "SHOUT"), exit_code=1603)], None,
     "/exitcodes=MSI"),
    ("/exitcodes=msi: a stop at a question is 1602", "Ask", msgbox("Ask", "again?", "QUESTION", abort="1,0"),
     [Box(1602, text="again?")], ["YES"], "/exitcodes=msi"),
    ("/exitcodes=msi: no script is 1620", "PROC=One", "", [error_box(NONAME, exit_code=1620)], None, "/exitcodes=msi"),
    ("/exitcodes=msi: no log is 1622", "One", "", [error_box(message(20, "NUL"), exit_code=1622)], None, "/exitcodes=msi /log=NUL"),
    ("/exitcodes= glued to a longer word: the program's own codes", "One,Shout", SHOUT, [O, error_box(message(6, "SHOUT"))],
     None, "/exitcodes=msix x/exitcodes=msi"),
    *[unread(mode, {k: v for k, v in keys.items() if k != key}, key, 2) for mode, keys, _ in READERS for key in keys],
    *[unread(mode, {**keys, empty: ""}, empty, 4) for mode, keys, empty in READERS],
    ("App Paths entries by the reg.exe of each bitness", "Box", msgbox("Box", " ".join(
        rf"{{?App\by{b}.exe}} {{?AppPath\by{b}.exe}}" for b in REG_BITS)),
     [info(" ".join(rf"C:\T{b}\by{b}.exe C:\T{b}" for b in REG_BITS))]),
]

DATA = "新しい版".encode("cp932")
CRC = zlib.crc32(DATA)
VERSION = re.search(r"project\(updater VERSION (\S+)", open(os.path.join(wineenv.setting(
    "UPDATER_SOURCE"), "CMakeLists.txt")).read())[1]
COPY = section("Copy", "COPY", FROM=r"@\データ.txt", TO=r"@\copy.txt")
COPIED = ["run Copy (COPY)", r'  item 1: "@\データ.txt", "@\copy.txt": done', "  flag 1"]
SILENT = " (silent run: the default button)"
ASKED, MADE = msgbox("Ask", "made"), ["run Ask (MSGBOX)", "  box OK: made", "  flag 1", "end, exit code 0"]
HANGUL_AT = '\n\n"@\\app\\한국어.txt"'
UNDO_COPIED = r'  undo: take away "@\copy.txt", back to "@\copy.txt.~upd": done'
TEMP_GONE = r'  undo: remove "@\copy.txt.~upd", made by the run: done'
# While a journal is open the next logon finishes it; an undo sets back the times of the folders it changed.
RECOVERY = r'run once at the next logon: "@\updater.exe" /recover /silent'
TIME_BACK = r'  undo: set back the time of last writing of "@": done'


def copy_failed(name, source, target, error, answer="OK"):
    """The log of a COPY whose one item failed with the system's error (its text whatever the language: <text>)."""
    return [f"run {name} (COPY)", f'  box {answer}: {message(8, source, target)}'.replace("\n", " "),
            f'  item 1: "{source}", "{target}": failed, error {error}: <text>', "end, exit code 1"]


DEEP_LOG = "L" * 200 + "\\" + "M" * 60 + "\\run.log"
GONE = section("Gone", "COPY", FROM=r"@\gone.txt", TO=r"@\x.txt")
# name, PROC, sections (@: the scenario's folder), LOG, answers, the lines after the header (None: no log), exit
# code (None: killed while the last step waits), options: arguments after /tLog (@ too), no display, files held open
LOGS = [
    ("a full run", "Copy,Crc,Ex,Quick,Ask,Sw,Wait", COPY + section("Crc", "CRC", FILE=r"@\copy.txt", TYPE="AND", CRC=f"{CRC:x}")
     + section("Ex", "EXIST", FILE=r"@\copy.txt,@\none.txt")
     + section("Quick", "LAUNCH", FILE=r"@\quick.exe", PARAM="", ISWAIT="1") + msgbox("Ask", "更新?", "QUESTION")
     + switch("Sw", "Ask", "Zero", "") + section("Wait", "WAITAPP", APP=r"@\quick.exe", TICK="0"),
     r"@\run.log", ["YES"], COPIED + [
        "run Crc (CRC)", rf'  crc of "@\copy.txt": expected {CRC:08X}, measured {CRC:08X}: match', "  flag 1",
        "run Ex (EXIST)", r'  item 1: "@\copy.txt": held', r'  item 2: "@\none.txt": not held', "  flag 0",
        "run Quick (LAUNCH)", r"  @\quick.exe ended with exit code 7", r'  item 1: "@\quick.exe", "": done', "  flag 1",
        "run Ask (MSGBOX)", "  box YES: 更新?", "  flag 1", "run Sw (SWITCH)", '  branch 1: ""',
        "run Wait (WAITAPP)", r'  wait for "@\quick.exe": not running', r'  item 1: "@\quick.exe", "0": done',
        "  flag 1", "end, exit code 0"], 0),
    ("a failing run", "Gone,Copy", GONE + COPY, r"@\run.log", ["OK"],
     copy_failed("Gone", r"@\gone.txt", r"@\x.txt", 2), 1),
    ("a denied write (a file in use)", "Copy", section("Copy", "COPY", FROM=r"@\データ.txt", TO=r"@\app\old.txt"),
     r"@\run.log", ["OK"], copy_failed("Copy", r"@\データ.txt", r"@\app\old.txt", 5), 1, dict(hold=[r"+app\old.txt"])),
    ("RSRC: a source that is missing", "Res", section("Res", "RSRC", FROM=r"@\no.exe", TO=r"@\x.exe", TYPE="3", NAME="1"),
     r"@\run.log", ["OK"], ["run Res (RSRC)", "  box OK: " + message(1, r"@\no.exe").replace("\n", " "),
                             r'  item 1: "@\no.exe", "@\x.exe": failed, error 2: <text>', "end, exit code 1"], 1),
    ("LAUNCH: a program in a folder past MAX_PATH, where no system starts one: refused", "Go", section(
        "Go", "LAUNCH", FILE="@\\" + DEEP_LOG, PARAM="", ISWAIT="1"), r"@\run.log", ["OK"], ["run Go (LAUNCH)",
        "  box OK: " + message(9, "@\\" + DEEP_LOG, "").replace("\n", " "),
        f'  item 1: "@\\{DEEP_LOG}", "": failed, error 206: <text>', "end, exit code 1"], 1),
    ("a missing folder: the system's error", "Crc,Sw", section("Crc", "CRC", FILE=r"@\no\x.txt", TYPE="AND", CRC="1")
     + switch("Sw", "Crc", "Zero", "") + msgbox("Zero", "zero"), r"@\run.log", ["OK"], [
        "run Crc (CRC)", r'  crc of "@\no\x.txt": expected 00000001, measured unreadable (error 3: <text>): differs',
        "  flag 0", "run Sw (SWITCH)", '  branch 0: "Zero"', "run Zero (MSGBOX)", "  box OK: zero", "  flag 1",
        "end, exit code 0"], 0),
    ("WAITAPP: the wait ran out, the program ended", "Start,Wait", section(
        "Start", "LAUNCH", FILE=r"@\forever.exe,@\soon.exe", PARAM="", ISWAIT="0") + section(
        "Wait", "WAITAPP", APP=r"@\forever.exe,@\soon.exe", TICK="200,20000"), r"@\run.log", [], [
        "run Start (LAUNCH)", r'  item 1: "@\forever.exe", "": done', r'  item 2: "@\soon.exe", "": done', "  flag 1",
        "run Wait (WAITAPP)", r'  wait for "@\forever.exe": the wait ran out', r'  item 1: "@\forever.exe", "200": done',
        r'  wait for "@\soon.exe": ended', r'  item 2: "@\soon.exe", "20000": done', "  flag 1", "end, exit code 0"], 0),
    ("the log's folder deleted by the run", "Gone", section("Gone", "DELETE", FILE=r"@\app"), r"@\app\run.log", [],
     None, 0),
    ("LOG= of a folder: no log, the run goes on", "Ask", msgbox("Ask", "asked", abort="1,0"), r"@\app", ["OK"], None, 2),
    ("a question no one can see stops the run", "Ask,Copy", msgbox("Ask", "更新?", "QUESTION") + COPY, r"@\run.log",
     [], ["run Ask (MSGBOX)", "  box none: 更新?", "end, exit code 1"], 1, dict(display=False)),
    ("a notice no one can see goes on", "Ask,Copy", msgbox("Ask", "更新?") + COPY, r"@\run.log", [],
     ["run Ask (MSGBOX)", "  box none: 更新?", "  flag 0"] + COPIED + ["end, exit code 0"], 0, dict(display=False)),
    ("ROLLBACK=1: kept, then undone newest first", "Copy,Copy,Ask", COPY + msgbox("Ask", "更新?", "QUESTION", abort="0,1"),
     "@\\run.log\nROLLBACK=1", ["NO"], [RECOVERY, 'journal "<journal>"'] + COPIED + [COPIED[0], r'  keep "@\copy.txt" as "@\copy.txt.~upd1"']
     + COPIED[1:] + ["run Ask (MSGBOX)", "  box NO: 更新?", "the run is undone: the user stopped it", 'undo "<journal>"',
        r'  undo: put back "@\copy.txt" from "@\copy.txt.~upd1" (the new file back to "@\copy.txt.~upd"): done', TEMP_GONE,
        UNDO_COPIED, TEMP_GONE, TIME_BACK, "undone", "end, exit code 2"], 2),
    ("a silent run takes each default button", "Ask,Warn", msgbox("Ask", "更新?", "QUESTION")
     + msgbox("Warn", "続行?", "WARNING", abort="0,1"), "", [], ["run Ask (MSGBOX)", "  box YES" + SILENT + ": 更新?",
        "  flag 1", "run Warn (MSGBOX)", "  box NO" + SILENT + ": 続行?", "end, exit code 2"], 2,
     dict(display=False, arguments='/Silent "/log=@\\run.log"')),
    ("LOG= in a folder that is not there: the folder is made", "Ask", ASKED, r"@\new\deeper\run.log", ["OK"], MADE, 0,
     dict(at=r"new\deeper\run.log")),
    ("LOG= in a folder past MAX_PATH: the folder is made, the log written in the long form", "Ask", ASKED,
     "@\\" + DEEP_LOG, ["OK"], MADE, 0, dict(at=DEEP_LOG)),
    ("/log= takes the place of LOG=; a hyphen, a space, an equals sign and markers in its quoted value", "Ask", ASKED,
     r"@\run.log", ["OK"], MADE, 0,
     dict(arguments=r'"/log=@\Deploy Logs\acme-install -ix =1 -tx.log"', at=r"Deploy Logs\acme-install -ix =1 -tx.log")),
    ("/log= unquoted, -i in its value", "Ask", ASKED, "", ["OK"], MADE, 0, dict(arguments=r"/log=@\acme-install.log", at="acme-install.log")),
    ("/log= glued to a longer word is no log", "Ask", ASKED, "", ["OK"], None, 0, dict(arguments=r"x/log=@\run.log")),
    ("/log= naming the script under another name: nothing runs", "Ask", ASKED, "", ["OK"], None, 5,
     dict(arguments=r"/log=@\link.ini", link="link.ini")),
    ("LOG= naming the script under another name: no log, the run goes on", "Ask", ASKED, r"@\link.ini", ["OK"], None, 0,
     dict(link="link.ini")),
    ("a stop at an ERROR box is a failure, and the undo says why", "Copy,Bad", COPY + msgbox("Bad", "壊れています", "ERROR",
     abort="1,0"), "@\\run.log\nROLLBACK=1", ["OK"], [RECOVERY, 'journal "<journal>"'] + COPIED + ["run Bad (MSGBOX)", "  box OK: 壊れています",
        "the run is undone: a failure stopped it", 'undo "<journal>"', UNDO_COPIED, TEMP_GONE, TIME_BACK, "undone",
        "end, exit code 1"], 1),
    ("/exitcodes=msi: the log's last line has both codes", "Gone", GONE, r"@\run.log", ["OK"],
     copy_failed("Gone", r"@\gone.txt", r"@\x.txt", 2)[:-1] + ["end, exit code 1, returned as 1603"], 1603,
     dict(arguments="/exitcodes=msi")),
    ("/log= quoted inside, a failure answered in silence", "Gone", GONE, "", [],
     copy_failed("Gone", r"@\gone.txt", r"@\x.txt", 2, "OK" + SILENT), 1,
     dict(display=False, arguments='/log="@\\run.log" /SILENT')),
    ("a second run of the script while the first goes on changes nothing", "Again{?Param\\2}", section(
        "Again", "LAUNCH", FILE=r"@\updater.exe", PARAM=r"/silent second /log=@\second.log", ISWAIT="1"), r"@\run.log",
     [], ["run Again (LAUNCH)", r"  @\updater.exe ended with exit code 4",
          r'  item 1: "@\updater.exe", "/silent second /log=@\second.log": done', "  flag 1", "end, exit code 0"], 0),
    # Past 1 MiB of this run's log a step's item lines are counted, not written (258 items of 4 KB, each line with
    # its time, fill it).
    ("a log past 1 MiB", "W", "[DEFINE]\n<Z>=" + "0" * 4000 + "\n" + section("W", "WAITAPP", APP=",".join(["a"] * 300),
     TICK=",".join(["<Z>"] * 300)), r"@\run.log", [], ["run W (WAITAPP)"] + [line for n in range(1, 259) for line in (
        '  wait for "a": not running', f'  item {n}: "a", "{"0" * 4000}": done')] + [
        "  84 more item lines, not logged: the log of this run passed 1048576 bytes", "  flag 1", "end, exit code 0"], 0),
    ("a killed run", "Copy,Wait,Ask", COPY + section("Wait", "LAUNCH", FILE=r"@\forever.exe", PARAM="", ISWAIT="1")
     + msgbox("Ask", "never"), r"@\run.log", [], COPIED + ["run Wait (LAUNCH)"], None),
    # A name code page 932 cannot spell, where a walk stopped: the box shows it (MessageBoxW), the log escapes it.
    ("a Hangul name a walk stopped at", "Tree", section("Tree", "COPY", FROM=r"@\app", TO=r"@\dst"), r"@\run.log",
     ["OK"], ["run Tree (COPY)", "  box OK: " + (message(8, r"@\app", r"@\dst") + HANGUL_AT).replace("\n", " ")
              .replace("한국어", "<U+D55C><U+AD6D><U+C5B4>"), r'  item 1: "@\app", "@\dst": failed, error 32: <text>',
              "end, exit code 1"], 1, dict(hold=["app\\한국어.txt"], box=message(8, r"@\app", r"@\dst") + HANGUL_AT)),
]

# name, arguments, script looked for, caption (D: the program's own), program name, answer
D = DEFAULT_CAPTION
MISSING = [
    ("japanese caption", "/t更新テスト", "updater.ini", "更新テスト"),
    ("script option", r"/isub\run.ini", r"sub\run.ini", D), ("first caption wins", "/tA /tB", "updater.ini", "A"),
    ("quoted caption and script", '/t"Hello World" /isetup.ini', "setup.ini", "Hello World"),
    ("space after marker: empty caption", "/t Hello", "updater.ini", ""),
    ("marker case matters", "/T Hello", "updater.ini", D),
    ("a marker inside a word is no option", "/imy-tool.ini", "my-tool.ini", D),
    ("a switch inside a word is no switch: the box shows", "/imy-silent-tool.ini", "my-silent-tool.ini", D),
    ("markers glued after a longer word are no options", r"x/tA y-isub\run.ini z-tB a/iq.ini", "updater.ini", D),
    ("/silent glued to a longer word is no switch: the box shows", "/silently x/silent", "updater.ini", D),
    ("a value in quotes is one word", r'/t"A /ix.ini" "/isub\my -tB.ini"', r"sub\my -tB.ini", "A /ix.ini"),
    ("-silent inside a value is no switch", "/t-silent", "updater.ini", "-silent"),
    ("slash marker at end falls back to hyphen", "-tX /t", "updater.ini", "X"),
    ("full path stays relative", r"/iD:\x.ini", r"D:\x.ini", D), ("only the last extension replaced", "", "a.b.ini", D, "a.b.exe"),
    ("no arguments; closing the box ends the run", "", "updater.ini", D, "updater.exe", "CLOSE"),
]

# name, libraries planted beside the program (Wine told to prefer them to its
# own), PROC, sections (@: the program's folder), the flag that says the run
# did what it does without them (it opens the gate of Done). Wine's user32 loads
# imm32, and its comctl32 msimg32, from the program's folder whatever the
# program asks for: they are left out.
PLANTED = [
    ("psapi, for APPEXIST", ["psapi"], "App", section("App", "APPEXIST", APP=r"C:\none.exe"), "App,0"),
    ("what a box pulls in (the box of Done)", ["uxtheme", "comctl32"], "Os", "[Os]\nMODE=OSVER\n", "Os,1"),
    ("what the shell and the link object pull in", ["oleaut32", "propsys", "windowscodecs", "actxprxy"], "Link,Shell",
     section("Link", "LINK", SRC=r"@\src.txt", PARAM="", SHOWCMD="1", DST=r"@\a.lnk")
     + section("Shell", "SHELL", FUNC="COPY", FROM=r"@\src.txt", TO=r"@\copy.txt"), "Shell,1"),
]


class Run(UpdaterTest):
    @classmethod
    def setUpClass(cls):
        # Each App Paths entry written by the reg.exe of its bitness; the key is one for both views.
        s = Scenario("engine.app-paths")
        for bits in REG_BITS:
            s.reg_import(f"[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\by{bits}.exe]"
                         f'\r\n@="C:\\\\T{bits}\\\\by{bits}.exe"\r\n"PATH"="C:\\\\T{bits}"\r\n', bits)

    def test_scripts_show_their_boxes(self):
        def check(proc, sections, boxes, answers=None, arguments="", files=(), hold=()):
            s = self.scenario()
            for name in files:
                s.write_text(name, "x")
                if isinstance(files, dict):
                    # Unix seconds of a local time (Wine converts with today's offset, mktime with the date's:
                    # keep off midnight).
                    s.set_times(name, time.mktime((*files[name], 0, 0, 0, -1)))
            head, arguments = proc if "=" in proc else f"NAME=\nPROC={proc}", arguments.replace("@", s.win())
            boxes = [Box(box.exit_code, **dict(box.expected, text=box.expected["text"].replace("@", s.win())))
                     for box in boxes]
            self.expect(None, sections + COMMON, boxes, answers, head=head, arguments=arguments, s=s, hold=hold)
        self.each(ROWS, check)

    def test_the_run_log(self):
        def check(proc, sections, log, answers, lines, code, options={}):
            s, at = self.scenario(), options.get("at", "run.log")
            w = s.win()
            s.write_bytes("データ.txt", DATA)
            s.write_text("run.log", "an earlier run\r\n")
            s.write_text(r"app\old.txt", "x")
            for name in options.get("hold", ()):
                if not os.path.exists(s.path(name.lstrip("+"))):
                    s.write_text(name.lstrip("+"), "held")
            if "link" in options:  # another name of the script, which the script's writing keeps
                os.link(s.write_text("updater.ini", ""), s.path(options["link"]))
            arguments = ("/tLog " + options.get("arguments", "")).strip().replace("@", w)
            programs = [Program(s, "quick.exe", plan=dict(exit=7)), Program(s, "forever.exe", plan=dict(run=-1)),
                        Program(s, "soon.exe", plan=dict(run=1500))]
            try:
                result = self.run_script(proc, sections.replace("@", w), answers, arguments,
                                         "NAME=\nLOG=" + log.replace("@", w), s, timeout=5 if code is None else 20,
                                         display=options.get("display", True), hold=options.get("hold", ()))
            finally:
                stop_programs(programs)
            self.assertEqual((result.exit_code, result.timed_out), (code, code is None))
            self.assertEqual(os.path.exists(s.path("app")), "DELETE" not in sections)
            if "box" in options:
                expect_boxes(result, [error_box(options["box"].replace("@", w), caption="Log")])  # /tLog
            self.assertNotIn(b"exit code", s.read_bytes("updater.ini"), "the log went into the script")
            earlier = ["an earlier run"] * (at == "run.log")
            self.assertTrue(earlier or s.read_bytes("run.log") == b"an earlier run\r\n", "LOG= was written")
            written = s.read_bytes(at).decode("cp932").split("\r\n")
            # Every line begins with the seconds since the start, in ten columns, never fewer than the line before.
            times = [float(line[:9]) for line in written[len(earlier):-1] if re.match(r"[ \d]{4}\d\.\d{3} ", line) or self.fail(line)]
            self.assertEqual(times, sorted(times))
            written = earlier + [re.sub(r'"C:\\users\\[^\\]+\\Temp\\updater-[0-9A-F]{8}\.journal"', '"<journal>"',
                                        re.sub(r"(error \d+): [^()]*[^() ]", r"\1: <text>", line[10:]))
                                 for line in written[len(earlier):-1]] + [""]
            if lines is not None:
                self.assertRegex(written.pop(len(earlier)), r'^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d updater ' + re.escape(
                    f'{VERSION}, code page 932, script "{s.win("updater.ini")}", command line "{arguments}"'
                    + ", silent" * ("silent" in arguments.lower())) + "$")
            self.assertEqual(written, earlier + [line.replace("@", w) for line in lines or []] + [""])
        self.each(LOGS, check)

    def test_missing_script_is_reported(self):
        def check(arguments, script, caption, exe_name="updater.exe", answer="OK"):
            s = self.scenario()
            result = s.run(arguments, answers=[answer], exe_name=exe_name)
            expect_boxes(result, [error_box(message(1, s.win(script)), caption, exit_code=3)])
        self.each(MISSING, check)

    def test_planted_libraries_are_never_loaded(self):
        def check(libraries, proc, sections, flag):
            s = self.scenario()
            s.write_text(r"app\src.txt", "source")
            for name in libraries:
                s.copy_program(rf"app\{name}.dll", os.path.join(wineenv.build_dir(), "planted_library.dll"))
            s.write_script(f"[UPDATER]\nNAME=\nPROC={proc},Done\n" + sections.replace("@", s.win("app")) + msgbox(
                "Done", "done", flag=flag), r"app\updater.ini")
            result = s.run(exe_name=r"app\updater.exe", answers=["OK"], dlls=",".join(libraries) + "=n,b")
            expect_boxes(result, [info("done")])
            self.assertEqual([f for f in os.listdir(s.path("app")) if f.endswith(".ran")], [], "planted code ran")
        self.each(PLANTED, check)


if __name__ == "__main__":
    main()
