"""MSGBOX: styles, text markers, the gate on another procedure's flag, the
answers and the stops they ask for."""

import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
from sections import info, msgbox  # noqa: E402
from updater import DEFAULT_CAPTION, Box, UpdaterTest, error_box, main, message  # noqa: E402

# OSVER holds on Wine (the NT platform), a VERIFY of two different texts does not.
FLAGS = "\n[Set]\nMODE=OSVER\n\n[Clear]\nMODE=VERIFY\nARG1=a\nARG2=b\n" + msgbox("After", "after")

ASK = msgbox("Ask", "go?", "QUESTION") + msgbox("IfYes", "yes", flag="Ask,1") + msgbox("IfNo", "no", flag="Ask,0")

# name, TYPE, icon, buttons, default, answer
STYLES = [
    ("ERROR", "ERROR", "error", ["OK"], "OK", "OK"),
    ("INFORMATION", "INFORMATION", "information", ["OK"], "OK", "OK"),
    ("WARNING in mixed case", "Warning", "warning", ["YES", "NO"], "NO", "YES"),
    ("QUESTION in lower case", "question", "question", ["YES", "NO"], "YES", "NO"),
]

# name, PROC, Box sections, answers (None: OK for each), boxes
ROWS = [
    ("unknown type is reported and stops", "Box,After", msgbox("Box", "x", "NOTE"), None,
     [error_box(message(6, "NOTE"))]),
    ("unknown type behind a closed gate is never examined", "Set,Box,After",
     msgbox("Box", "x", "NOTE", flag="Set,0"), None, [info("after")]),
    ("line break and tab markers, japanese text", "Box", msgbox("Box", "表示%n予定表%tEnd %N%T"), None,
     [info("表示\n予定表\tEnd %N%T")]),
    ("unknown gate name quotes the whole FLAG", "Box,After", msgbox("Box", "x", flag="NOSUCH,1"), None,
     [error_box(message(6, "NOSUCH,1"))]),
    ("an answer of YES sets the own flag", "Ask,IfYes,IfNo", ASK, ["YES", "OK"], [Box(text="go?"), info("yes")]),
    ("an answer of NO leaves it clear", "Ask,IfYes,IfNo", ASK, ["NO", "OK"], [Box(text="go?"), info("no")]),
    ("closing an OK box counts as OK", "Box,IfOk", msgbox("Box", "asked") + msgbox("IfOk", "ok", flag="Box,1"),
     ["CLOSE", "OK"], [Box(text="asked"), info("ok")]),
]

# name, FLAG, shown, PROC
ALL = "Set,Clear,Box,After"
GATES = [
    ("no gate", "", True, ALL),
    ("a single item is no gate", "ANY", True, ALL),
    ("open on a set flag", "Set,1", True, ALL),
    ("closed on a set flag", "Set,0", False, ALL),
    ("open on a clear flag", "Clear,0", True, ALL),
    ("name without regard to case and spaces", "  set ,1", True, ALL),
    ("z and Z are the same letter", "Z,1", True, "z,Box,After"),
    ("a value that is no number reads as 0", "Clear,x", True, ALL),
    ("a value with a leading space", "Set, 1", True, ALL),
    ("the number itself is compared, not zero or not", "Set,2", False, ALL),
    ("a value in hexadecimal is the 0 before the x", "Clear,0x1", True, ALL),
    ("a later procedure has not run", "Set,0", True, "Box,Set,After"),
    ("its own flag", "Box,0", True, "Box,After"),
]

# name, TYPE, ISABORT, answer, exit code (0: the run goes on; 2: it stops)
ANSWERS = [
    ("stop after YES", "QUESTION", "1,0", "YES", 2),
    ("no stop after NO when only YES stops", "QUESTION", "1,0", "NO", 0),
    ("stop after NO", "WARNING", "0,1", "NO", 2),
    ("no stop after YES when only NO stops", "WARNING", "0,1", "YES", 0),
    ("empty ISABORT goes on after NO", "QUESTION", "", "NO", 0),
    ("OK uses the first item: stop", "INFORMATION", "1,0", "OK", 2),
]


class MessageBox(UpdaterTest):
    def test_each_type_has_its_icon_buttons_and_default(self):
        self.each(STYLES, lambda type_, icon, buttons, default, answer: self.expect(
            "Box", msgbox("Box", "styled", type_),
            [Box(caption=DEFAULT_CAPTION, text="styled", icon=icon, buttons=buttons, default=default)],
            [answer]))

    def test_boxes_and_answers(self):
        self.each(ROWS, lambda proc, sections, answers, boxes: self.expect(
            proc, FLAGS + sections, boxes, answers))

    def test_gate_on_a_flag(self):
        z = "\n[z]\nMODE=OSVER\n"
        self.each(GATES, lambda flag, shown, proc: self.expect(
            proc, FLAGS + z + msgbox("Box", "gated", flag=flag),
            ([info("gated")] if shown else []) + [info("after")]))

    def test_isabort_stops_on_the_answer(self):
        self.each(ANSWERS, lambda type_, abort, answer, code: self.expect(
            "Box,After", FLAGS + msgbox("Box", "asked", type_, abort=abort),
            [Box(text="asked", exit_code=code)] + ([] if code else [info("after")]), [answer, "OK"]))


if __name__ == "__main__":
    main()
