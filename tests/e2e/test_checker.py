"""updater-check: one broken script per diagnostic, each expected line exact,
and every example clean. The checker runs under Wine on the files of a
scenario folder and loads the script with the updater's own readers."""

import os
import subprocess
import sys

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
import wineenv  # noqa: E402
from boxes import fail  # noqa: E402
from examples import EXAMPLES, copy_example  # noqa: E402
from sections import msgbox, section, switch  # noqa: E402
from updater import UpdaterTest, main, message  # noqa: E402

CHECKER = r"X:\updater-check.exe"
CLEAN, WARNINGS, ERRORS, NO_SCRIPT = 0, 1, 2, 3


def flat(text):
    """A catalogue message as the checker prints it, on one line."""
    return text.replace("\n\n", " ").replace("\n", " ")


def run_checker(s, *arguments, timeout=60):
    """(exit code, output lines) of the checker run in the scenario's folder."""
    args = [wineenv.WINE, CHECKER] + list(arguments)
    try:
        done = subprocess.run(args, env=wineenv.environment(), cwd=s.root, stdin=subprocess.DEVNULL,
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=timeout,
                              start_new_session=True)
    except subprocess.TimeoutExpired:
        fail("updater-check hung", [" ".join(arguments)])
    return done.returncode, done.stdout.decode("cp932").splitlines()


def ini(proc, *sections):
    """A script whose line 3 is PROC and whose first section begins on line 4."""
    return f"[UPDATER]\nNAME=\nPROC={proc}\n" + "".join(sections)


def error(line, name, number, *arguments):
    return f"{line}: {name}: error: " + flat(message(number, *arguments))


DONE = msgbox("Done", "done")

# name, script (text, or the file's bytes), exit code, lines without the "file:" prefix
ROWS = [
    ("missing key", ini("Copy", section("Copy", "COPY", FROM="a.txt")), ERRORS, [error(4, "Copy", 2, "Copy", "TO")]),
    ("NO_DATA is absent", ini("Copy", section("Copy", "COPY", FROM="a", TO="no_data")), ERRORS,
     [error(7, "Copy", 2, "Copy", "TO") + " (the value NO_DATA counts as absent)"]),
    ("empty PROC", ini(""), ERRORS, [error(3, "UPDATER", 4, "UPDATER", "PROC")]),
    ("missing section", ini("Done, Nowhere", DONE), ERRORS, [error(3, "Nowhere", 2, "Nowhere", "MODE")]),
    ("empty list key", ini("Gone", section("Gone", "DELETE", FILE="")), ERRORS, [error(6, "Gone", 4, "Gone", "FILE")]),
    ("repeated key", ini("Dir", "[Dir]\nMODE=MAKEDIR\nDIR=<Src>\\a\nDIR=<Src>\\b\n"), ERRORS,
     ["7: Dir: error: DIR is already set at line 6, which hides this line"]),
    ("every section of a list is read", ini("A, B", section("A", "FROB"), section("B", "COPY", FROM="x")), ERRORS,
     [error(5, "A", 6, "FROB"), error(6, "B", 2, "B", "TO")]),
    ("unknown FUNC", ini("Sh", section("Sh", "SHELL", FUNC="COPY,COPPY", FROM=r"<Src>\a,<Src>\b",
                                       TO=r"<Src>\c,<Src>\d")), WARNINGS,
     ['6: Sh: warning: FUNC item "COPPY" is not COPY, DELETE, MOVE or RENAME']),
    ("unknown box type", ini("Box", msgbox("Box", "x", "INFO")), WARNINGS,
     ['7: Box: warning: TYPE "INFO" is not ERROR, INFORMATION, WARNING or QUESTION']),
    ("unknown CRC type", ini("Sum", section("Sum", "CRC", FILE=r"<Src>\a", TYPE="ALL", CRC="1")), WARNINGS,
     ['7: Sum: warning: TYPE "ALL" is not AND or OR; one matching file will be enough']),
    ("SWITCH target outside the list", ini("Sw", switch("Sw", "Elsewhere", "", "")), WARNINGS,
     ['6: Sw: warning: PROC names "Elsewhere", which is not in the running list']),
    ("gate outside the list", ini("Box", msgbox("Box", "x", flag="Other,1")), WARNINGS,
     ['6: Box: warning: FLAG names "Other", which is not in the running list']),
    ("short parallel list", ini("Copy", section("Copy", "COPY", FROM=r"<Src>\a, <Src>\b", TO=r"<Src>\c")),
     WARNINGS, ["7: Copy: warning: TO has 1 item, FROM has 2"]),
    ("unexpanded macro", ini("Dir", section("Dir", "MAKEDIR", DIR=r"<Nope>\x")), WARNINGS,
     ["6: Dir: warning: DIR: the macro <Nope> stays unexpanded"]),
    ("empty macro", ini("Dir", "[DEFINE]\n<Base>=\n", section("Dir", "MAKEDIR", DIR=r"<Base>\x")), WARNINGS,
     ["8: Dir: warning: DIR: the macro <Base> is empty on this machine"]),
    ("unresolved value function", ini("Dir", section("Dir", "MAKEDIR", DIR=r"{?App\no-such-tool.exe}\x")),
     WARNINGS, [r"6: Dir: warning: DIR: {?App\no-such-tool.exe} does not resolve on this machine"]),
    ("launch without directory", ini("Run", section("Run", "LAUNCH", FILE="tool.exe", PARAM="", ISWAIT="0")),
     WARNINGS, ['6: Run: warning: FILE item "tool.exe" has no directory; LAUNCH cannot start it']),
    ("move a root", ini("Mv", section("Mv", "MOVE", FROM="<Src>\\..\\..", TO=r"<Src>\x")), WARNINGS,
     ['6: Mv: warning: FROM item "T:\\.." is a root; it is never moved']),
    ("never reached", ini("Done", DONE, section("Lost", "OSVER")), WARNINGS,
     ["10: Lost: warning: the section is never reached from PROC or a SWITCH branch"]),
    ("branches are loaded", ini("Os, Sw", section("Os", "OSVER"), switch("Sw", "Os", "Zero", "One"),
                                section("Zero", "OSVER")), ERRORS, [error(10, "One", 2, "One", "MODE")]),
    ("a loop is loaded once", ini("Ask, Again", msgbox("Ask", "again?", "QUESTION"),
                                  switch("Again", "Ask", "", "Ask, Again")), CLEAN, []),
    ("value too long", ini("Box", msgbox("Box", "x" * 32767)), WARNINGS,
     ["8: Box: warning: the value of TEXT has 32767 bytes; a read keeps only the first 32766"]),
    ("byte-order mark", b"\xef\xbb\xbf" + ini("Done", DONE).replace("\n", "\r\n").encode(), WARNINGS,
     ["1: : warning: the script begins with a byte-order mark; save it in the system's code page "
      "without one", "1: : warning: the line is not valid text in the system's code page"]),
    ("outside the code page", ini("Done", DONE).replace("NAME=", "NAME=\x82").replace("\n", "\r\n").encode("latin-1"), WARNINGS,
     ["2: : warning: the line is not valid text in the system's code page"]),
]


class Checker(UpdaterTest):
    def check(self, data, *arguments):
        """(exit code, lines) for the script, each line without the script's path and ":"."""
        s = self.scenario()
        s.write_script(data.replace("\n\n", "\n")) if isinstance(data, str) else s.write_bytes("updater.ini", data)
        code, lines = run_checker(s, s.win("updater.ini"), *arguments)
        prefix = s.win("updater.ini") + ":"
        return code, [line[len(prefix):] if line.startswith(prefix) else "(no path) " + line for line in lines]

    def test_each_diagnostic(self):
        self.each(ROWS, lambda data, code, lines: self.assertEqual(self.check(data), (code, lines)))

    def test_command_line_words_reach_the_script(self):
        rows = [("no words", [], ERRORS), ("the word named", ["/tX", "ok"], CLEAN)]
        data = ini("{?Param\\1}", msgbox("ok", "fine"))
        self.each(rows, lambda arguments, code: self.assertEqual(self.check(data, *arguments)[0], code))

    def test_missing_script(self):
        s = self.scenario()
        got = run_checker(s, s.win("none.ini"))
        self.assertEqual(got, (NO_SCRIPT, [s.win("none.ini") + ": the script cannot be read"]))

    def test_examples_are_clean(self):
        def check(name):
            s = self.scenario()
            copy_example(s, name)
            self.assertEqual(run_checker(s, s.win("updater.ini")), (CLEAN, []))
        self.each([(n, n) for n in sorted(os.listdir(EXAMPLES)) if os.path.isdir(os.path.join(EXAMPLES, n))], check)


if __name__ == "__main__":
    main()
