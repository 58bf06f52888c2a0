"""updater-check: broken scripts, each expected line exact, and every
example clean. The checker runs under Wine like the updater, on the files of
a scenario folder, and loads the script with the updater's own readers."""

import os
import subprocess
import sys

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
import wineenv  # noqa: E402
from boxes import fail  # noqa: E402
from examples import copy_example  # noqa: E402
from sections import msgbox, section, switch  # noqa: E402
from updater import UpdaterTest, main, message  # noqa: E402

SOURCE = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
CHECKER = r"X:\updater-check.exe"
CLEAN, WARNINGS, ERRORS = 0, 1, 2


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


OK_TAIL = msgbox("Done", "done")

# name, script lines (joined with CRLF; line 1 is [UPDATER]), expected exit code,
# expected lines without the "file:" prefix.
BROKEN = [
    ("clean", ["[UPDATER]", "NAME=", "PROC=Done", msgbox("Done", "done")], CLEAN, []),
    ("missing key", ["[UPDATER]", "NAME=", "PROC=Copy", "[Copy]", "MODE=COPY", "FROM=a.txt"],
     ERRORS, ["4: Copy: error: " + flat(message(2, "Copy", "TO"))]),
    ("NO_DATA is absent", ["[UPDATER]", "NAME=", "PROC=Copy", "[Copy]", "MODE=COPY", "FROM=a",
                           "TO=no_data"], ERRORS,
     ["7: Copy: error: " + flat(message(2, "Copy", "TO")) + " (the value NO_DATA counts as absent)"]),
    ("no NAME", ["[UPDATER]", "PROC=Done", msgbox("Done", "done")], ERRORS,
     ["1: UPDATER: error: " + flat(message(2, "UPDATER", "NAME"))]),
    ("empty PROC", ["[UPDATER]", "NAME=", "PROC="], ERRORS,
     ["3: UPDATER: error: " + flat(message(4, "UPDATER", "PROC"))]),
    ("unknown mode", ["[UPDATER]", "NAME=", "PROC=Odd", "[Odd]", "MODE=FROB"], ERRORS,
     ["5: Odd: error: " + flat(message(6, "FROB"))]),
    ("missing section", ["[UPDATER]", "NAME=", "PROC=Done, Nowhere", msgbox("Done", "done")], ERRORS,
     ["3: Nowhere: error: " + flat(message(2, "Nowhere", "MODE"))]),
    ("empty list key", ["[UPDATER]", "NAME=", "PROC=Gone", "[Gone]", "MODE=DELETE", "FILE="], ERRORS,
     ["6: Gone: error: " + flat(message(4, "Gone", "FILE"))]),
    ("repeated key", ["[UPDATER]", "NAME=", "PROC=Dir", "[Dir]", "MODE=MAKEDIR", r"DIR=<Src>\a",
                      r"DIR=<Src>\b"], ERRORS,
     ["7: Dir: error: DIR is already set at line 6, which hides this line"]),
    ("every section of a list is read", ["[UPDATER]", "NAME=", "PROC=A, B", "[A]", "MODE=FROB",
                                         "[B]", "MODE=COPY", "FROM=x"], ERRORS,
     ["5: A: error: " + flat(message(6, "FROB")), "6: B: error: " + flat(message(2, "B", "TO"))]),
    ("unknown FUNC", ["[UPDATER]", "NAME=", "PROC=Sh", "[Sh]", "MODE=SHELL", "FUNC=COPY,COPPY",
                      r"FROM=<Src>\a,<Src>\b", r"TO=<Src>\c,<Src>\d"], WARNINGS,
     ['6: Sh: warning: FUNC item "COPPY" is not COPY, DELETE, MOVE or RENAME']),
    ("unknown box type", ["[UPDATER]", "NAME=", "PROC=Box", "[Box]", "MODE=MSGBOX", "FLAG=",
                          "TYPE=INFO", "TEXT=x", "ISABORT=0,0"], WARNINGS,
     ['7: Box: warning: TYPE "INFO" is not ERROR, INFORMATION, WARNING or QUESTION']),
    ("unknown CRC type", ["[UPDATER]", "NAME=", "PROC=Sum", "[Sum]", "MODE=CRC", r"FILE=<Src>\a",
                          "TYPE=ALL", "CRC=1"], WARNINGS,
     ['7: Sum: warning: TYPE "ALL" is not AND or OR; one matching file will be enough']),
    ("SWITCH target outside the list", ["[UPDATER]", "NAME=", "PROC=Sw", "[Sw]", "MODE=SWITCH",
                                        "PROC=Elsewhere", "0=", "1="], WARNINGS,
     ['6: Sw: warning: PROC names "Elsewhere", which is not in the running list']),
    ("gate outside the list", ["[UPDATER]", "NAME=", "PROC=Box", msgbox("Box", "x", flag="Other,1")],
     WARNINGS, ['6: Box: warning: FLAG names "Other", which is not in the running list']),
    ("short parallel list", ["[UPDATER]", "NAME=", "PROC=Copy", "[Copy]", "MODE=COPY",
                             r"FROM=<Src>\a, <Src>\b", r"TO=<Src>\c"], WARNINGS,
     ["7: Copy: warning: TO has 1 item, FROM has 2"]),
    ("unexpanded macro", ["[UPDATER]", "NAME=", "PROC=Dir", "[Dir]", "MODE=MAKEDIR",
                          r"DIR=<Nope>\x"], WARNINGS,
     ["6: Dir: warning: DIR: the macro <Nope> stays unexpanded"]),
    ("empty macro", ["[UPDATER]", "NAME=", "PROC=Dir", "[DEFINE]", "<Base>=", "[Dir]", "MODE=MAKEDIR",
                     r"DIR=<Base>\x"], WARNINGS, ["8: Dir: warning: DIR: the macro <Base> is empty on this machine"]),
    ("unresolved value function", ["[UPDATER]", "NAME=", "PROC=Dir", "[Dir]", "MODE=MAKEDIR",
                                   r"DIR={?App\no-such-tool.exe}\x"], WARNINGS,
     [r"6: Dir: warning: DIR: {?App\no-such-tool.exe} does not resolve on this machine"]),
    ("launch without directory", ["[UPDATER]", "NAME=", "PROC=Run", "[Run]", "MODE=LAUNCH",
                                  "FILE=tool.exe", "PARAM=", "ISWAIT=0"], WARNINGS,
     ['6: Run: warning: FILE item "tool.exe" has no directory; LAUNCH cannot start it']),
    ("delete a root", ["[UPDATER]", "NAME=", "PROC=Gone", "[Gone]", "MODE=DELETE", "FILE=C:\\"],
     WARNINGS, ['6: Gone: warning: FILE item "C:\\" is a root; it is never deleted']),
    ("move a root", ["[UPDATER]", "NAME=", "PROC=Mv", "[Mv]", "MODE=MOVE", "FROM=<Src>\\..\\..",
                     r"TO=<Src>\x"], WARNINGS, ['6: Mv: warning: FROM item "T:\\.." is a root; it is never moved']),
    ("never reached", ["[UPDATER]", "NAME=", "PROC=Done", msgbox("Done", "done"), "[Lost]",
                       "MODE=OSVER"], WARNINGS,
     ["10: Lost: warning: the section is never reached from PROC or a SWITCH branch"]),
    ("branches are loaded", ["[UPDATER]", "NAME=", "PROC=Os, Sw", "[Os]", "MODE=OSVER",
                             switch("Sw", "Os", "Zero", "One"), "[Zero]", "MODE=OSVER"], ERRORS,
     ["10: One: error: " + flat(message(2, "One", "MODE"))]),
    ("a loop is loaded once", ["[UPDATER]", "NAME=", "PROC=Ask, Again",
                               msgbox("Ask", "again?", type_="QUESTION"),
                               switch("Again", "Ask", "", "Ask, Again")], CLEAN, []),
    ("value too long", ["[UPDATER]", "NAME=", "PROC=Box", "[Box]", "MODE=MSGBOX", "FLAG=",
                        "TYPE=INFORMATION", "TEXT=" + "x" * 32767, "ISABORT=0,0"], WARNINGS,
     ["8: Box: warning: the value of TEXT has 32767 bytes; a read keeps only the first 32766"]),
]

# name, bytes of the file, expected lines.
RAW = [
    ("byte-order mark", b"\xef\xbb\xbf[UPDATER]\r\nNAME=\r\nPROC=\r\n",
     ["1: : warning: the script begins with a byte-order mark; save it in the system's code page "
      "without one"]),
    ("outside the code page", b"[UPDATER]\r\nNAME=\x82\r\nPROC=\r\n",
     ["2: : warning: the line is not valid text in the system's code page"]),
]


class Checker(UpdaterTest):
    def test_broken_scripts(self):
        for name, lines, code, expected in BROKEN:
            with self.subTest(script=name):
                s = self.scenario()
                s.write_script("\n".join(line.strip("\n") for line in lines).replace("\n\n", "\n"))
                got_code, got = run_checker(s, s.win("updater.ini"))
                self.assertEqual(got, [s.win("updater.ini") + ":" + line for line in expected])
                self.assertEqual(got_code, code)

    def test_raw_text(self):
        for name, data, expected in RAW:
            with self.subTest(script=name):
                s = self.scenario()
                s.write_bytes("updater.ini", data)
                got_code, got = run_checker(s, s.win("updater.ini"))
                start = [s.win("updater.ini") + ":" + line for line in expected]
                self.assertEqual(got[:len(start)], start)
                self.assertEqual(got_code, ERRORS)  # PROC is empty as well

    def test_command_line_words(self):
        for arguments, code in (([], ERRORS), (["/tX", "ok"], CLEAN)):
            with self.subTest(arguments=arguments):
                s = self.scenario()
                s.write_script("[UPDATER]\nNAME=\nPROC={?Param\\1}\n" + msgbox("ok", "fine"))
                got_code, _ = run_checker(s, s.win("updater.ini"), *arguments)
                self.assertEqual(got_code, code)

    def test_missing_script(self):
        s = self.scenario()
        code, got = run_checker(s, s.win("none.ini"))
        self.assertEqual((code, got), (3, [s.win("none.ini") + ": the script cannot be read"]))

    def test_examples_are_clean(self):
        examples = os.path.join(SOURCE, "examples")
        for name in sorted(n for n in os.listdir(examples) if os.path.isdir(os.path.join(examples, n))):
            with self.subTest(example=name):
                s = self.scenario()
                copy_example(s, name)
                code, got = run_checker(s, s.win("updater.ini"))
                self.assertEqual(got, [])
                self.assertEqual(code, CLEAN)


if __name__ == "__main__":
    main()
