"""updater-check on realistic scripts with planted mistakes, each row's lines exact (after "file:") and then the summary,
on an English system unless the row says ja; every example clean. "|" ends a script line; <Src> is the scenario's folder."""

import os
import subprocess
import sys

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
import wineenv  # noqa: E402
from boxes import fail  # noqa: E402
from examples import EXAMPLES, copy_example  # noqa: E402
from messages_en import MESSAGES_EN  # noqa: E402
from updater import UpdaterTest, main, message  # noqa: E402

CLEAN, WARNINGS, ERRORS, NO_SCRIPT = 0, 1, 2, 3
CLEAN_LINE = "no problems found"
LOCALES = {"en": ("en_US.UTF-8", "cp1252"), "ja": ("ja_JP.UTF-8", "cp932")}


def flat(text):
    return text.replace("\n\n", " ").replace("\n", " ")


def run_checker(s, *arguments, lang="en"):
    try:
        done = subprocess.run([wineenv.WINE, r"X:\updater-check.exe", *arguments], cwd=s.root, timeout=60,
                              env=dict(wineenv.environment(), LC_ALL=LOCALES[lang][0]), stdin=subprocess.DEVNULL,
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, start_new_session=True)
    except subprocess.TimeoutExpired:
        fail("updater-check hung", [" ".join(arguments)])
    return done.returncode, done.stdout.decode(LOCALES[lang][1]).splitlines()


def error(line, name, number, *arguments):
    return f"{line}: {name}: error: " + flat(message(number, *arguments, table=MESSAGES_EN))


def summary(lines, file):
    counts = [(n, word) for word in ("error", "warning") if (n := sum(f": {word}: " in x for x in lines))]
    return ", ".join(f"{n} {w}" + "s" * (n != 1) for n, w in counts) + f" in {file}" if counts else CLEAN_LINE


NUMBER = "is not a number; the program reads it as"
NOT_CRC = "is not a CRC-32 (at most 8 hexadecimal digits); the program compares with"
BOX = "is not ERROR, INFORMATION, WARNING or QUESTION; the run stops with message 6 when the box is reached"
CODE_PAGE = ": : warning: この行はシステムのコードページのテキストとして正しくありません"


# name, script, exit code, lines; on a Japanese system (a fifth item "ja") the lines end with the summary.
ROWS = [
    ("the mistakes of a first update", r"[UPDATER]|NAME=Viewer update|PROC=Close, Copy, Check, Done|[Close]|MODE=WAITAPP|"
     r"APP=<Src>\v.exe|TICK=30s|[Copy]|MODE=COPY|FORM=<Src>\new\*.dll|TO=<Src>\bin|[Check]|MODE=CRC|FILE=<Src>\v.exe, "
     r"<Src>\v.dll|TYPE=OR|CRC=0x5E3A9BO2, 123456789|[Done]|MODE=MSGBOX|FLAG=Check ,one|TYPE=INFO|TEXT=Done.|ISABORT=0,0",
     ERRORS, [f'7: Close: warning: TICK item 1 "30s" {NUMBER} 30', error(8, "Copy", 2, "Copy", "FROM"),
              "10: Copy: warning: FORM is not a key of COPY; the program never reads it",
              f'16: Check: error: CRC item 1 "0x5E3A9BO2" {NOT_CRC} 0x005E3A9B',
              f'16: Check: error: CRC item 2 "123456789" {NOT_CRC} 0x23456789',
              f'19: Done: warning: FLAG item 2 "one" {NUMBER} 0', f'20: Done: error: TYPE "INFO" {BOX}']),
    ("a section missing a key is read whole", r"[UPDATER]|NAME=Setup|PROC=Ask, Tools|[Ask]|MODE=MSGBOX|FLAG=Old,1|"
     r"TYPE=LOUD|TEXT=Install?|[Tools]|MODE=LAUNCH|FILE=<Src>\readme.txt, setup.exe|PARAM=|ISWAIT=yes", ERRORS,
     [error(4, "Ask", 2, "Ask", "ISABORT"), '6: Ask: error: FLAG names "Old", which is not in the running list; the run '
      "stops with message 6 when the box is reached", f'7: Ask: error: TYPE "LOUD" {BOX}',
      r'11: Tools: error: FILE item "<Src>\readme.txt" is not a program; LAUNCH fails with message 9',
      '11: Tools: error: FILE item "setup.exe" has no folder; LAUNCH fails with message 9',
      f'13: Tools: warning: ISWAIT "yes" {NUMBER} 0']),
    ("an install's lists", r"[UPDATER]|NAME=Install|PROC=Dirs, Files, Attrs, Links, Old|[Dirs]|MODE=MAKEDIR|DIR=<Src>\a|"
     r"DIR=<Src>\b|[Files]|MODE=COPY|FROM=<Src>\a.exe, <Src>\b.dll, <Src>\c.txt|TO=<Src>\a\a.exe, <Src>\a\b.dll|[Attrs]|"
     r"MODE=ATTR|FILE=<Src>\a\a.exe, <Src>\a\b.dll|ARG=readonly|[Links]|MODE=LINK|SRC=<Src>\a\a.exe|PARAM=|SHOWCMD=max|"
     r"DST=<Src>\Viewer, <Src>\Viewer 2|[Old]|MODE=DELETE|FILE=<Src>\..\..", ERRORS,
     ["7: Dirs: error: DIR is already set at line 6, which hides this line",
      "11: Files: error: TO has fewer items (2) than FROM (3); an empty item stops the run with message 8",
      "15: Attrs: warning: ARG has fewer items (1) than FILE (2); the missing items are empty",
      '15: Attrs: warning: ARG item 1 "readonly" is not a hexadecimal number; the program reads it as 0x0',
      f'20: Links: warning: SHOWCMD item 1 "max" {NUMBER} 0',
      "21: Links: warning: DST has more items (2) than SRC (1); the extra items are never used",
      '24: Old: error: FILE item "T:\\.." is a drive or share root; the run stops with message 10']),
    ("branches", r"[UPDATER]|NAME=Branch|PROC=Check, Sw, Sw2|[Check]|MODE=EXIST|FILE=<Src>\a.txt|FILES=<Src>\b.txt|[Sw]|"
     "MODE=SWITCH|PROC=Check|0=Zero|1=Finish|[Sw2]|MODE=SWITCH|PROC=Elsewhere|0=|1=|[Zero]|MODE=FROB|[Finished]|MODE=OSVER",
     ERRORS, ["7: Check: warning: FILES is not a key of EXIST; the program never reads it",
              '12: Sw: error: 1 names the section "Finish", which the script does not have; the run stops with message 2',
              '15: Sw2: error: PROC names "Elsewhere", which is not in the running list; the run stops with message 6',
              error(19, "Zero", 6, "FROB"), "20: Finished: warning: the section is never reached from PROC or a SWITCH branch"]),
    ("a replace with a broken test", r"[UPDATER]|NAME=Replace|PROC=Replace, Stamp, Sum, Again|[Replace]|MODE=SHELL|"
     r"FUNC=COPY, COPPY|FROM=<Src>\a.dll, <Src>\b.dll|TO=<Src>\app\a.dll|[Stamp]|MODE=DATE|FILE=<Src>\app\a.dll|"
     r"DATE=2023/2/29|[Sum]|MODE=CRC|TYPE=ALL|CRC=12345678x|[Again]|MODE=SWITCH|PROC=Sum|0=|1=", ERRORS,
     ['6: Replace: error: FUNC item 2 "COPPY" is not COPY, DELETE, MOVE or RENAME; the run stops with message 17',
      "8: Replace: warning: TO has fewer items (1) than FROM (2); the missing items are empty",
      '12: Stamp: error: DATE "2023/2/29" is not a real date (year/month/day); the program compares with 2023/2/29',
      error(13, "Sum", 2, "Sum", "FILE"), '15: Sum: warning: TYPE "ALL" is not AND or OR; one matching file will be enough',
      f'16: Sum: error: CRC item 1 "12345678x" {NOT_CRC} 0x12345678']),
    ("patterns, roots, values", r"[UPDATER]|NAME=Plugins|PROC=Plugins, Clean, Note|[Plugins]|MODE=COPY|FROM=<Src>\new\*.dll|"
     r"TO=<Src>\app\plugins|[Clean]|MODE=MOVE|FROM=<Src>\..\.., <Src>\old|TO=<Src>\..\.., <Src>\x|"
     r"[Note]|MODE=MSGBOX|FLAG=|TYPE=ERROR|TEXT=<Nope> {?App\no-such-tool.exe}|ISABORT=yes,no", ERRORS,
     [r'7: Plugins: warning: TO item "<Src>\app\plugins" receives a pattern: its last part is ignored and the files go '
      r'into "<Src>\app\"; end it with "\" to put them in it',
      '10: Clean: error: FROM item "T:\\.." is a drive or share root; the run stops with message 14',
      '11: Clean: warning: TO item "T:\\.." is a drive or share root; the program writes there',
      "16: Note: warning: TEXT: the macro <Nope> stays unexpanded",
      r"16: Note: warning: TEXT: {?App\no-such-tool.exe} does not resolve on this machine",
      f'17: Note: warning: ISABORT item 1 "yes" {NUMBER} 0', f'17: Note: warning: ISABORT item 2 "no" {NUMBER} 0']),
    ("empty values", r"[UPDATER]|NAME=Tidy|PROC=Gone, Dir, Copy|[DEFINE]|<Base>=|[Gone]|MODE=DELETE|FILE=|[Dir]|"
     r"MODE=MAKEDIR|DIR=<Base>\x|[Copy]|MODE=COPY|FROM=<Src>\a|TO=no_data", ERRORS,
     [error(8, "Gone", 4, "Gone", "FILE"), "11: Dir: warning: DIR: the macro <Base> is empty on this machine",
      error(15, "Copy", 2, "Copy", "TO") + " (the value NO_DATA counts as absent)"]),
    ("empty PROC", "[UPDATER]|NAME=|PROC=", ERRORS, [error(3, "UPDATER", 4, "UPDATER", "PROC")]),
    ("a loop is loaded once", "[UPDATER]|NAME=|PROC=Ask, Again|[Ask]|MODE=MSGBOX|FLAG=|TYPE=QUESTION|TEXT=again?|"
     "ISABORT=0,0|[Again]|MODE=SWITCH|PROC=Ask|0=|1=Ask, Again", CLEAN, []),
    ("value too long", "[UPDATER]|NAME=" + "y" * 32766 + "|PROC=Box|[Box]|MODE=MSGBOX|FLAG=|TYPE=ERROR|"
     "TEXT=" + "x" * 32767 + "|ISABORT=0,0",
     WARNINGS, ["8: Box: warning: the value of TEXT has 32767 bytes; a read keeps only the first 32766"]),
    ("byte-order mark, bytes outside the code page", b"\xef\xbb\xbf[UPDATER]\r\nNAME=\x82\r\nPROC=Os\r\n[Os]\r\nMODE=OSVE\r\n",
     ERRORS, ["1: : warning: スクリプトの先頭にバイトオーダーマークがあります。マークなしでシステムのコードページで保存してください", "1" + CODE_PAGE,
              "2" + CODE_PAGE, '5: Os: error: シンボルが正しくありません。 シンボル："OSVE"', "エラー 1 件、警告 3 件 (<ini>)"], "ja"),
]


class Checker(UpdaterTest):
    def check(self, data, *arguments, lang="en"):
        s = self.scenario()
        s.write_script(data.replace("|", "\n")) if isinstance(data, str) else s.write_bytes("updater.ini", data)
        code, lines = run_checker(s, s.win("updater.ini"), *arguments, lang=lang)
        return s, code, [line.replace(s.win("updater.ini") + ":", "", 1) for line in lines]

    def test_each_row(self):
        def check(data, code, lines, lang="en"):
            s, got_code, got = self.check(data, lang=lang)
            lines = [line.replace("<Src>", s.win()).replace("<ini>", s.win("updater.ini")) for line in lines]
            lines += [summary(lines, s.win("updater.ini"))] if lang == "en" else []
            self.assertEqual((got_code, got), (code, lines))
        self.each(ROWS, check)

    def test_options(self):
        s, _, lines = self.check(ROWS[0][1], lang="en")
        code, tsv = run_checker(s, "--tsv", s.win("updater.ini"))
        self.assertEqual((code, [line.split("\t")[:5] for line in tsv][:2]), (ERRORS, [
            [s.win("updater.ini"), "7", "Close", "warning", "244"], [s.win("updater.ini"), "8", "Copy", "error", "2"]]))
        self.assertEqual([line.split("\t")[5] for line in tsv], [line.split(": ", 3)[3] for line in lines[:-1]])
        code, usage = run_checker(s, "--help")
        self.assertEqual((code, usage[0], run_checker(s, "--tsv")[0]),
                         (CLEAN, "usage: updater-check [--tsv] script.ini [the updater's command line]", NO_SCRIPT))
        self.assertEqual(run_checker(s, s.win("none.ini")), (NO_SCRIPT, [s.win("none.ini") + ": the script cannot be read"]))
        # The words after the script are the updater's command line.
        words = "[UPDATER]|NAME=|PROC={?Param\\1}|[ok]|MODE=OSVER"
        self.assertEqual([self.check(words, *a)[1] for a in ([], ["/tX", "ok"])], [ERRORS, CLEAN])

    def test_examples_are_clean(self):
        for name in sorted(n for n in os.listdir(EXAMPLES) if os.path.isdir(os.path.join(EXAMPLES, n))):
            with self.subTest(name):
                copy_example(s := self.scenario(), name)
                self.assertEqual(run_checker(s, s.win("updater.ini")), (CLEAN, [CLEAN_LINE]))


if __name__ == "__main__":
    main()
