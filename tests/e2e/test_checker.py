"""updater-check on realistic scripts with planted mistakes, each row's lines exact (after "file:") and then the summary, on an
English system unless the row says ja. "|" ends a script line; <Src> is the scenario's folder. A problem (line, section, number,
arguments) is told with the severity and text of the reference's table, or as the updater's message of that number (an error)."""

import os
import re
import subprocess
import sys
import time

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
import wineenv  # noqa: E402
from examples import EXAMPLES  # noqa: E402
from messages import MESSAGES, MESSAGES_EN  # noqa: E402
from sections import msgbox  # noqa: E402
from updater import UpdaterTest, main, message  # noqa: E402

CLEAN, WARNINGS, ERRORS, NO_SCRIPT = 0, 1, 2, 3
CLEAN_LINE = "no problems found"
LOCALES = {"en": ("en_US.UTF-8", "cp1252"), "ja": ("ja_JP.UTF-8", "cp932")}
with open(os.path.join(EXAMPLES, "..", "docs", "script-reference.md"), encoding="utf-8") as _f:
    REFERENCE = _f.read()


def chapter(title):
    return REFERENCE.split(f"## {title}", 1)[1].split("\n## ", 1)[0]


# number: [severity, English, Japanese]
CHECKS = {int(n): t for n, *t in re.findall(r"^\| (\d+) \| (error|warning) \| (.+?) \| (.+?) \| .+ \|$", chapter("The checker"), flags=re.M)}


def flat(text):
    return text.replace("\n\n", " ").replace("\n", " ")


def run_checker(s, *arguments, lang="en", wait=True):
    """(exit code, lines) of the checker run in the scenario's folder; wait=False: a function that waits for them,
    so that the program can run meanwhile."""
    child = subprocess.Popen([wineenv.WINE, r"X:\updater-check.exe", *arguments], cwd=s.root, stdin=subprocess.DEVNULL,
                             env=dict(wineenv.environment(), LC_ALL=LOCALES[lang][0]), stdout=subprocess.PIPE,
                             stderr=subprocess.DEVNULL, start_new_session=True)

    def done():
        out = child.communicate(timeout=120)[0]
        return child.returncode, out.decode(LOCALES[lang][1]).splitlines()
    return done() if wait else done


def told(problem, lang):
    line, section, number, *arguments = problem
    if number in CHECKS:
        return f"{line}: {section}: {CHECKS[number][0]}: " + CHECKS[number][1 + (lang == "ja")] % tuple(arguments)
    return f"{line}: {section}: error: " + flat(message(number, *arguments, table=MESSAGES_EN if lang == "en" else MESSAGES))


def summary(lines, file):
    counts = [(n, word) for word in ("error", "warning") if (n := sum(f": {word}: " in x for x in lines))]
    return ", ".join(f"{n} {w}" + "s" * (n != 1) for n, w in counts) + f" in {file}" if counts else CLEAN_LINE


# name, script, exit code, problems (a text: as it is); on a Japanese system (a fifth item "ja") they end with the summary.
ROWS = [
    ("the mistakes of a first update", r"[UPDATER]|NAME=Viewer update|PROC=Close, Copy, Check, Done|[Close]|MODE=WAITAPP|APP=<Src>\v.exe|"
     r"TICK=30s|[Copy]|MODE=COPY|FORM=<Src>\new\*.dll|TO=<Src>\bin|[Check]|MODE=CRC|FILE=<Src>\v.exe, <Src>\v.dll, <Src>\v.dat|TYPE=OR|"
     r"CRC=0x5E3A9BO2, 123456789, 0xD6B2DE07|[Done]|MODE=MSGBOX|FLAG=Check ,one|TYPE=INFO|TEXT=Done.|ISABORT=0,0", ERRORS,
     [(7, "Close", 244, "TICK", 1, "30s", 30), (8, "Copy", 2, "Copy", "FROM"), (10, "Copy", 226, "FORM", "COPY"),
      (16, "Check", 246, 1, "0x5E3A9BO2", 0x005E3A9B), (16, "Check", 246, 2, "123456789", 0x23456789),
      (19, "Done", 244, "FLAG", 2, "one", 0), (20, "Done", 231, "INFO")]),
    ("a section missing a key is read whole", r"[UPDATER]|NAME=Setup|PROC=Ask, Tools|[Ask]|MODE=MSGBOX|FLAG=Old,1|TYPE=LOUD|"
     r"TEXT=Install?|[Tools]|MODE=LAUNCH|FILE=<Src>\readme.txt, setup.exe, <Src>\setup|PARAM=|ISWAIT=yes", ERRORS,
     [(4, "Ask", 2, "Ask", "ISABORT"), (6, "Ask", 234, "Old"), (7, "Ask", 231, "LOUD"), (11, "Tools", 239, r"<Src>\readme.txt"),
      (11, "Tools", 238, "setup.exe"), (13, "Tools", 243, "ISWAIT", "yes", 0)]),
    ("an install's lists", r"[UPDATER]|NAME=Install|PROC=Dirs, Files, Attrs, Links, Old|[Dirs]|MODE=MAKEDIR|DIR=<Src>\a|DIR=<Src>\b|"
     r"[Files]|MODE=COPY|FROM=<Src>\a.exe, <Src>\b.dll, <Src>\c.txt|TO=<Src>\a\a.exe, <Src>\a\b.dll|[Attrs]|MODE=ATTR|"
     r"FILE=<Src>\a\a.exe, <Src>\a\b.dll|ARG=readonly|[Links]|MODE=LINK|SRC=<Src>\a\a.exe|PARAM=|SHOWCMD=max|"
     r"DST=<Src>\Viewer, <Src>\Viewer 2|[Old]|MODE=DELETE|FILE=<Src>\..\..", ERRORS,
     [(7, "Dirs", 220, "DIR", 6), (11, "Files", 228, "TO", 2, "FROM", 3, 8), (15, "Attrs", 227, "ARG", 1, "FILE", 2),
      (15, "Attrs", 245, 1, "readonly", 0), (20, "Links", 244, "SHOWCMD", 1, "max", 0), (21, "Links", 229, "DST", 2, "SRC", 1),
      (24, "Old", 240, "FILE", "T:\\..", 10)]),
    ("branches", r"[UPDATER]|NAME=Branch|PROC=Check, Sw, Sw2|[Check]|MODE=EXIST|FILE=<Src>\a.txt|FILES=<Src>\b.txt|[Sw]|MODE=SWITCH|"
     "PROC=Check|0=Zero|1=Finish|[Sw2]|MODE=SWITCH|PROC=Elsewhere|0=Finish|1=|[Zero]|MODE=FROB|[Finished]|MODE=OSVER", ERRORS,
     [(7, "Check", 226, "FILES", "EXIST"), (12, "Sw", 225, "1", "Finish"), (15, "Sw2", 233, "Elsewhere"),
      (16, "Sw2", 225, "0", "Finish"), (19, "Zero", 6, "FROB"),
      (20, "Finished", 224)]),
    ("a replace with a broken test", r"[UPDATER]|NAME=Replace|PROC=Replace, Stamp, Sum, Again|[Replace]|MODE=SHELL|FUNC=COPY, COPPY|"
     r"FROM=<Src>\a.dll, <Src>\b.dll|TO=<Src>\app\a.dll|[Stamp]|MODE=DATE|FILE=<Src>\app\a.dll|DATE=2023/2/29|[Sum]|MODE=CRC|"
     r"TYPE=ALL|CRC=12345678x|[Again]|MODE=SWITCH|PROC=Sum|0=|1=", ERRORS,
     [(6, "Replace", 230, 2, "COPPY"), (8, "Replace", 227, "TO", 1, "FROM", 2), (12, "Stamp", 247, "2023/2/29", 2023, 2, 29),
      (13, "Sum", 2, "Sum", "FILE"), (15, "Sum", 232, "ALL"), (16, "Sum", 246, 1, "12345678x", 0x12345678)]),
    ("patterns, roots, values", r"[UPDATER]|NAME=Plugins|PROC=Plugins, Clean, Note|[Plugins]|MODE=COPY|FROM=<Src>\new\*.dll|"
     r"TO=<Src>\app\plugins|[Clean]|MODE=MOVE|FROM=<Src>\..\.., <Src>\old|TO=<Src>\..\.., <Src>\x|[Note]|MODE=MSGBOX|FLAG=|"
     r"TYPE=ERROR|TEXT=<Nope> {?App\no-such-tool.exe}|ISABORT=yes,no", ERRORS,
     [(7, "Plugins", 242, r"<Src>\app\plugins", "<Src>\\app\\"), (10, "Clean", 240, "FROM", "T:\\..", 14),
      (16, "Note", 235, "TEXT", "<Nope>"), (16, "Note", 237, "TEXT", r"{?App\no-such-tool.exe}"),
      (17, "Note", 244, "ISABORT", 1, "yes", 0), (17, "Note", 244, "ISABORT", 2, "no", 0)]),
    ("empty values", r"[UPDATER]|NAME=Tidy|PROC=Gone, Dir, Copy|[DEFINE]|<Base>=|[Gone]|MODE=DELETE|FILE=|[Dir]|MODE=MAKEDIR|"
     r"DIR=<Base>\x|[Copy]|MODE=COPY|FROM=<Src>\a|TO=no_data", ERRORS,
     [(8, "Gone", 4, "Gone", "FILE"), (11, "Dir", 236, "DIR", "<Base>"),
      told((15, "Copy", 2, "Copy", "TO"), "en") + " (the value NO_DATA counts as absent)"]),
    ("empty PROC; a key before any section is no repeat", "NAME=|[UPDATER]|NAME=|PROC=", ERRORS,
     [(4, "UPDATER", 4, "UPDATER", "PROC")]),
    ("a loop is loaded once; ROLLBACK is known", "[UPDATER]|NAME=|ROLLBACK=1|PROC=Ask, Again|[Ask]|MODE=MSGBOX|FLAG=|TYPE=QUESTION|TEXT=again?|ISABORT=0,0|[Again]|"
     "MODE=SWITCH|PROC=Ask|0=|1=Ask, Again", CLEAN, []),
    ("value too long", "[UPDATER]|NAME=" + "y" * 32766 + "|PROC=Box|[Box]|MODE=MSGBOX|FLAG=|TYPE=ERROR|TEXT=" + "x" * 32767
     + "|ISABORT=0,0", WARNINGS, [(8, "Box", 221, "TEXT", 32767)]),
    ("the start-up's keys, blanks in a date, reading from roots", r"[UPDATER]|NAME=Log|PROC=Day, Roots, In, Dir, Bits|"
     r"LOG=<Src>\run.log|[Day]|MODE=DATE|FILE=<Src>\a.txt|DATE= 2099 / 1 / 1|[Roots]|MODE=SHELL|FUNC=COPY|FROM=T:\|TO=<Src>\t|"
     r"[In]|MODE=COPY|FROM=<Src>\*|TO=T:\*|[Dir]|MODE=MAKEDIR|DIR=T:\|[Bits]|MODE=ATTR|FILE=T:\*.*|ARG=0", CLEAN, []),
    ("a repeated section, quoted paths, roots taken away", r"[UPDATER]|NAME=Dup|PROC=Copy, Has, Away|[Copy]|MODE=COPY|"
     r'FROM=<Src>\a|[Has]|MODE=EXIST|FILE="<Src>\a","<Src>\b"|[COPY]|TO=<Src>\b|[Away]|MODE=SHELL|FUNC=COPY,MOVE|'
     r"FROM=T:\*,T:\|TO=<Src>\x,T:", ERRORS,
     [(4, "Copy", 2, "Copy", "TO"), (9, "Has", 249, "FILE", 1, '<Src>\\a"'), (9, "Has", 249, "FILE", 2, '"<Src>\\b'),
      (10, "COPY", 248, 4), (15, "Away", 240, "FROM", "T:\\", 17), (16, "Away", 240, "TO", "T:", 17)]),
    ("bytes outside the code page, a line feed alone", b"[UPDATER]\r\nNAME=\x82 \nPROC=Os\r\n[Os]\nMODE=OSVE\r\n",
     ERRORS, [(2, "", 223), (5, "Os", 6, "OSVE"), "エラー 1 件、警告 1 件 (<ini>)"], "ja"),
    *[(f"saved as UTF-8: {name}", data.replace("|", "\r\n").encode("utf-8"), WARNINGS, [(line, "", 252, page)] + [
        "警告 1 件 (<ini>)"] * (lang == "ja"), lang) for name, data, line, page, lang in [
        ("valid multi-byte UTF-8, read in 1252", "[UPDATER]|NAME=Willkommen|PROC=Hi|[Hi]|MODE=MSGBOX|FLAG=|TYPE=INFORMATION|"
         "TEXT=Willkommen in München|ISABORT=0,0", 8, 1252, "en"),
        ("the UTF-8 mark, read in 932; no line outside the code page is told", "\ufeff[UPDATER]|NAME=更新|PROC=Os|[Os]|MODE=OSVER",
         1, 932, "ja")]],
    *[(f"saved in the code page: {name}", data.replace("|", "\r\n").encode(page), CLEAN, ["問題は見つかりませんでした"] * (lang == "ja"), lang)
      for name, data, page, lang in [("1252", "[UPDATER]|NAME=München|PROC=Os|[Os]|MODE=OSVER", "cp1252", "en"),
                                     ("932", "[UPDATER]|NAME=更新のお知らせ|PROC=Os|[Os]|MODE=OSVER", "cp932", "ja")]],
    *[(f"a value from the caller: {name}", "[UPDATER]|NAME=|PROC=<First>|[DEFINE]|<First>=Nothere|[o k]|MODE=OSVER", code,
       problems, "en", arguments) for name, code, problems, arguments in [
        ("none", ERRORS, [(3, "UPDATER", 225, "PROC", "Nothere"), (6, "o k", 224)], []),
        ("--define: with a space", CLEAN, [], ["--DEFINE:<First>=o k", ""]),
        ("the updater's /define: after the script counts over --define:", CLEAN, [],
         ["--define:<First>=Nothere", "", "/define:<First>=o k"])]],
    ("resources with no names", r"[UPDATER]|NAME=|PROC=R|[R]|MODE=RSRC|FROM=<Src>\a.dll|TO=<Src>\b.exe|TYPE=#3|NAME=",
     WARNINGS, [(9, "R", 227, "NAME", 0, "TYPE", 1)]),
    ("a UTF-16 mark alone", b"\xff\xfe", ERRORS, [(1, "", 222), (1, "UPDATER", 2, "UPDATER", "NAME")]),
    # A run of items alike is told once; the run's bound and its nesting as the dry run meets them.
    ("2 million bad CRC items in one key", "[UPDATER]|NAME=|PROC=C|[DEFINE]|<M>=" + ",".join(["x"] * 16380) + r"|[C]|MODE=CRC|"
     r"FILE=<Src>\a|TYPE=AND|CRC=" + ",".join(["<M>"] * 127), ERRORS, [(10, "C", 229, "CRC", 2080260, "FILE", 1), told(
         (10, "C", 246, 1, "x", 0), "en") + " (and the 2080259 items after it alike, up to item 2080260)"]),
    ("32 KB of paths named 16,000 times", "[UPDATER]|NAME=|PROC=" + ",".join(["E"] * 16000) + "|[E]|MODE=EXIST|FILE="
     + ",".join(["."] * 16000), ERRORS, [(6, "E", 250, "FILE", 0)]),
    ("a loop on OSVER", "[UPDATER]|NAME=|PROC=Os,Loop|[Os]|MODE=OSVER|[Loop]|MODE=SWITCH|PROC=Os|0=|1=Os,Loop", ERRORS,
     [(10, "Loop", 251, "1", 256)]),
    ("a key without =", "[UPDATER]|NAME=|PROC=M|[M]|MODE=MSGBOX|FLAG|TYPE=ERROR|TEXT=x|ISABORT=0,0", ERRORS,
     [told((6, "M", 2, "M", "FLAG"), "en") + ' (a line without "=" counts as absent)']),
]

# The differential table: name, P's section (keys of UPDATER before an "@"), the checker's check numbers, the run's exit
# code and boxes ("flag N" from the boxes after P, "message N" for the error box).
DIFFERENTIAL = [
    ("a date with blanks", r"MODE=DATE|FILE=<Src>\a.txt|DATE= 2020 / 6 / 16", [], (0, "flag 1")),
    ("a date with tabs", "MODE=DATE|FILE=<Src>\\a.txt|DATE=2020/\t6\t/15", [], (0, "flag 0")),
    ("a day letter read as its digits", r"MODE=DATE|FILE=<Src>\a.txt|DATE=2020/6/16x", [247], (0, "flag 1")),
    ("a date without its day", r"MODE=DATE|FILE=<Src>\a.txt|DATE=2020/7", [247], (0, "flag 1")),
    ("a year past 16 bits", r"MODE=DATE|FILE=<Src>\a.txt|DATE=67556/1/1", [247], (0, "flag 0")),
    ("a year past the system's last", r"MODE=DATE|FILE=<Src>\a.txt|DATE=30828/1/1", [247], (0, "flag 1")),
    ("a value in quotes, which the profile takes off", r'MODE=EXIST|FILE="<Src>\a.txt"', [], (0, "flag 1")),
    ("quoted paths", r'MODE=EXIST|FILE="<Src>\a.txt","<Src>\a.txt"', [249, 249], (0, "flag 0")),
    ("spaces around paths", r"MODE=EXIST|FILE= <Src>\a.txt , <Src>\a.txt ", [], (0, "flag 1")),
    ("a quoted second path", r'MODE=EXIST|FILE=<Src>\a.txt,"<Src>\a.txt"', [249], (0, "flag 0")),
    ("a CRC in quotes", r'MODE=CRC|FILE=<Src>\a.txt|TYPE=AND|CRC="352441C2"', [], (0, "flag 1")),
    ("a quoted CRC among others", r'MODE=CRC|FILE=<Src>\a.txt,<Src>\a.txt|TYPE=AND|CRC=352441C2,"352441C2"', [246],
     (0, "flag 0")),
    ("a CRC with blanks", "MODE=CRC|FILE=<Src>\\a.txt|TYPE=AND|CRC= 0x352441c2\t", [], (0, "flag 1")),
    ("a CRC a digit too long", r"MODE=CRC|FILE=<Src>\a.txt|TYPE=AND|CRC=3352441C2", [246], (0, "flag 1")),
    ("a second section of the name", r"MODE=EXIST|[P]|FILE=<Src>\a.txt", [2, 248], (1, "message 2")),
    ("a second section's keys", r"MODE=EXIST|FILE=<Src>\none|[P]|MODE=VERIFY|ARG1=|ARG2=", [248], (0, "flag 0")),
    ("a key written twice", r"MODE=EXIST|FILE=<Src>\a.txt|file=<Src>\none", [220], (0, "flag 1")),
    ("NO_DATA in any case", r"MODE=EXIST|FILE=no_Data", [2], (1, "message 2")),
    ("LOG and NAME of UPDATER", r"LOG=<Src>\run.log@MODE=OSVER", [], (0, "flag 1")),
    ("a key of another type", r"MODE=OSVER|FILE=x", [226], (0, "flag 1")),
    ("spaces around a key's name", r"MODE=EXIST| FILE = <Src>\a.txt", [], (0, "flag 1")),
    ("an empty item list", r"MODE=EXIST|FILE= , ", [], (0, "flag 0")),
    ("fewer destinations than sources", r"MODE=COPY|FROM=<Src>\a.txt,<Src>\a.txt|TO=<Src>\b.txt", [228], (1, "message 8")),
    ("a shortcut with no destination", r"MODE=LINK|SRC=<Src>\a.txt|PARAM=|SHOWCMD=|DST=", [228], (1, "message 15")),
    ("a DELETE of a root", r"MODE=DELETE|FILE=<Src>\..\..", [240], (1, "message 10")),
    ("a MOVE away from a root", r"MODE=MOVE|FROM=T:\|TO=<Src>\x", [240], (1, "message 14")),
    ("a file copied onto a root", "MODE=COPY|FROM=<Src>\\a.txt|TO=T:\\", [240], (1, "message 8")),
    ("a SHELL move of a root", r"MODE=SHELL|FUNC=MOVE|FROM=T:\*|TO=<Src>\x", [240], (1, "message 17")),
    ("an unknown box type", r"MODE=MSGBOX|FLAG=|TYPE=INFO|TEXT=x|ISABORT=0,0", [231], (1, "message 6")),
    ("a gate outside the list", r"MODE=MSGBOX|FLAG=Q,1|TYPE=ERROR|TEXT=x|ISABORT=0,0", [234], (1, "message 6")),
    ("a gate with no name", r"MODE=MSGBOX|FLAG=,1|TYPE=ERROR|TEXT=x|ISABORT=0,0", [234], (1, "message 6")),
    ("a SWITCH on a procedure outside the list", r"MODE=SWITCH|PROC=Q|0=|1=", [233], (1, "message 6")),
    ("a SWITCH without PROC", r"MODE=SWITCH|0=|1=", [2], (1, "message 2")),
    ("a number with blanks", "MODE=WAITAPP|APP=<Src>\\none.exe|TICK=\t1 ", [], (0, "flag 1")),
    ("a number with a letter a hexadecimal one would take", r"MODE=WAITAPP|APP=<Src>\none.exe|TICK=1a", [244], (0, "flag 1")),
    ("a FLAG of one item: no gate", r"MODE=MSGBOX|FLAG=Q|TYPE=INFORMATION|TEXT=x|ISABORT=0,0", [], (0, "x", "flag 1")),
    ("a section's name ends at its last ]", r"MODE=SWITCH|PROC=P|0=A]B|1=|[A]B] x|MODE=OSVER", [], (0, "flag 0")),
    ("a branch that nests without end", r"MODE=SWITCH|PROC=P|0=Os,P|1=|[Os]|MODE=OSVER", [251], (1, "message 3")),
]

# Scripts of about 34 KB: name, script, the errors (and as many warnings) the checker finds.
SCALE = [
    ("750 sections", "[UPDATER]\nNAME=\nPROC=" + ",".join(f"S{i}" for i in range(750)) + "\n"
     + "".join(f"[S{i}]\nMODE=EXIST\nFILE=<Src>\\f{i}.txt\n" for i in range(750)), 0),
    ("a chain of 250 SWITCH", "[UPDATER]\nNAME=\nPROC=W0\n" + "".join(f"[W{i}]\nMODE=SWITCH\nPROC=W{i}\n0=W{i + 1}\n1=W{i + 1}\n"
     for i in range(250)) + "[W250]\nMODE=OSVER\n", 0),
    ("a problem in every key", "[UPDATER]\nNAME=\nPROC=" + ",".join(f"S{i}" for i in range(500)) + "\n" + "".join(
        f'[S{i}]\nMODE=EXIST\nFILE=<Src>\\f{i}.txt,"<Src>\\f{i}.txt"\nFORM=x\n' for i in range(500)), 500),
]


class Checker(UpdaterTest):
    def check(self, data, *arguments, lang="en"):
        s = self.scenario()
        s.write_script(data.replace("|", "\n")) if isinstance(data, str) else s.write_bytes("updater.ini", data)
        # A "" among the arguments stands for the script; without one, the script comes first.
        at = arguments.index("") if "" in arguments else 0
        code, lines = run_checker(s, *arguments[:at], s.win("updater.ini"), *arguments[at + ("" in arguments):], lang=lang)
        return s, code, [line.replace(s.win("updater.ini") + ":", "", 1) for line in lines]

    def test_each_row(self):
        def check(data, code, problems, lang="en", arguments=()):
            s, got_code, got = self.check(data, *arguments, lang=lang)
            lines = [(p if isinstance(p, str) else told(p, lang)).replace("<Src>", s.win()).replace("<ini>", s.win("updater.ini"))
                     for p in problems]
            self.assertEqual((got_code, got), (code, lines + [summary(lines, s.win("updater.ini"))] * (lang == "en")))
        self.each(ROWS, check)

    def test_options(self):
        s, _, lines = self.check(ROWS[0][1])
        code, tsv = run_checker(s, "--tsv", s.win("updater.ini"))
        # file, line, section, severity, check number, problem
        self.assertEqual((code, [line.split("\t") for line in tsv]), (ERRORS, [
            [s.win("updater.ini"), *x.split(": ", 3)[:3], str(p[2]), x.split(": ", 3)[3]] for p, x in zip(ROWS[0][3], lines)]))
        code, usage = run_checker(s, "--help")
        self.assertEqual((code, usage[0], run_checker(s, "--tsv"), run_checker(s, "-x")),
                         (CLEAN, "usage: updater-check [--tsv] [--define:<Name>=value ...] script.ini [the updater's command line]",
                          (NO_SCRIPT, usage),
                          (NO_SCRIPT, usage)))
        self.assertEqual(run_checker(s, s.win("none.ini")), (NO_SCRIPT, [s.win("none.ini") + ": the script cannot be read"]))
        # The words after the script are the updater's command line.
        words = "[UPDATER]|NAME=|PROC={?Param\\1}|[o k]|MODE=OSVER"
        self.assertEqual([self.check(words, *a)[1] for a in ([], ["/tX", "o k", "z"])], [ERRORS, CLEAN])

    def test_agrees_with_the_run(self):
        """Each borderline step P is checked and then run, followed by boxes that tell P's flag: the checker's verdict
        (its check numbers) and the run's outcome (exit code and boxes) are as the row says, and they agree: the run
        stops with message M exactly when the checker has an error that names M. <Src>\\a.txt holds "abc" and was
        last written on 2020-06-15."""
        def check(probe, checks, outcome):
            s = self.scenario()
            s.write_bytes("a.txt", b"abc")
            s.set_times("a.txt", 1592222400)  # 2020-06-15 12:00 UTC
            head, _, probe = probe.rpartition("@")
            s.write_script(f"[UPDATER]|NAME=|PROC=P, Set, Clear|{head}|[P]|{probe}".replace("|", "\n")
                           + msgbox("Set", "flag 1", flag="P,1") + msgbox("Clear", "flag 0", flag="P,0"))
            checked = run_checker(s, "--tsv", s.win("updater.ini"), wait=False)
            result = s.run(answers=["OK"] * 3)
            problems = [line.split("\t") for line in checked()[1]]
            stops = {int(p[4]) if int(p[4]) < 200 else int(re.findall(r"message (\d+)", p[5])[-1])
                     for p in problems if p[3] == "error" and (int(p[4]) < 200 or "message" in p[5])}
            boxes = [box["text"] if box["icon"] != "error" else
                     next(f"message {n}" for n, t in MESSAGES.items() if box["text"].split("\n")[0] == t.split("\n")[0])
                     for box in result.boxes]
            self.assertEqual(([int(p[4]) for p in problems], (result.exit_code, *boxes)), (checks, outcome))
            self.assertEqual({int(b.split()[1]) for b in boxes if b.startswith("message")}, stops)
        self.each(DIFFERENTIAL, check)

    def test_time_grows_like_the_program(self):
        """Scripts of about 34 KB that once took the checker minutes: it ends within twice the program's time on the same
        script and one start more (the time of a trivial script's check, in the same run)."""
        def timed(run):
            start = time.monotonic()
            outcome = run()
            return time.monotonic() - start, outcome
        s = self.scenario()
        s.write_script("[UPDATER]\nNAME=\nPROC=A\n[A]\nMODE=OSVER\n")
        start_cost, _ = timed(lambda: run_checker(s, s.win("updater.ini")))
        for name, script, problems in SCALE:
            with self.subTest(name):
                s.write_script(script)
                program, result = timed(lambda: s.run(timeout=120))
                checker, (code, lines) = timed(lambda: run_checker(s, s.win("updater.ini")))
                self.assertEqual((result.exit_code, result.boxes, code, lines[-1]), (0, [], ERRORS if problems else CLEAN,
                                 f"{problems} errors, {problems} warnings in {s.win('updater.ini')}" if problems else CLEAN_LINE))
                self.assertLess(checker, 2 * program + start_cost, f"checker {checker:.1f} s, program {program:.1f} s")


if __name__ == "__main__":
    main()
