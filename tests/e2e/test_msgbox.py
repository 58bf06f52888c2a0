"""MSGBOX: styles, text markers, the gate on another procedure's flag, the
answers and the stops they ask for."""

import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
from sections import info, msgbox  # noqa: E402
from updater import DEFAULT_CAPTION, Box, UpdaterTest, error_box, main, message  # noqa: E402

# OSVER holds on Wine (the NT platform), a VERIFY of two different texts does not.
FLAGS = "\n[Set]\nMODE=OSVER\n\n[Clear]\nMODE=VERIFY\nARG1=a\nARG2=b\n" + msgbox("After", "after")

# name, PROC, Box sections, boxes
ROWS = [
    ("unknown type is reported and stops", "Box,After", msgbox("Box", "x", "NOTE"), [error_box(message(6, "NOTE"))]),
    ("unknown type behind a closed gate is never examined", "Set,Box,After", msgbox("Box", "x", "NOTE", flag="Set,0"),
     [info("after")]),
    ("line break and tab markers, japanese text", "Box", msgbox("Box", "表示%n予定表%tEnd %N%T"),
     [info("表示\n予定表\tEnd %N%T")]),
    ("unknown gate name quotes the whole FLAG", "Box,After", msgbox("Box", "x", flag="NOSUCH,1"),
     [error_box(message(6, "NOSUCH,1"))]),
]

# name, FLAG, shown, PROC
ALL = "Set,Clear,Box,After"
GATES = [
    ("no gate", "", True, ALL),
    ("a single item is no gate", "ANY", True, ALL),
    ("closed on a set flag", "Set,0", False, ALL),
    ("name without regard to case and spaces", "  set ,1", True, ALL),
    ("z and Z are the same letter", "Z,1", True, "z,Box,After"),
    ("a value that is no number reads as 0", "Clear,x", True, ALL),
    ("a value with a leading space", "Set, 1", True, ALL),
    ("the number itself is compared, not zero or not", "Set,2", False, ALL),
    ("a value in hexadecimal is the 0 before the x", "Clear,0x1", True, ALL),
    ("a later procedure has not run", "Set,0", True, "Box,Set,After"),
    ("its own flag", "Box,0", True, "Box,After"),
]

# TYPE: icon, buttons, default
STYLES = {"ERROR": ("error", ["OK"], "OK"), "INFORMATION": ("information", ["OK"], "OK"),
          "WARNING": ("warning", ["YES", "NO"], "NO"), "QUESTION": ("question", ["YES", "NO"], "YES")}
# name, TYPE, ISABORT, answer, exit code (0: the run goes on; 2: it stops). OK and
# YES set the box's own flag, which opens the gate of IfSet.
ANSWERS = [
    ("stop after YES", "QUESTION", "1,0", "YES", 2),
    ("no stop after NO when only YES stops, type in lower case", "question", "1,0", "NO", 0),
    ("stop after NO", "WARNING", "0,1", "NO", 2),
    ("no stop after YES when only NO stops, type in mixed case", "Warning", "0,1", "YES", 0),
    ("empty ISABORT goes on after NO", "QUESTION", "", "NO", 0),
    ("OK uses the first item: stop", "INFORMATION", "1,0", "OK", 2),
    ("OK uses the first item: no stop", "ERROR", "0,1", "OK", 0),
    ("closing a box of OK alone is OK", "INFORMATION", "0,1", "CLOSE", 0),
]


class MessageBox(UpdaterTest):
    def test_boxes_and_answers(self):
        self.each(ROWS, lambda proc, sections, boxes: self.expect(proc, FLAGS + sections, boxes))

    def test_gate_on_a_flag(self):
        z = "\n[z]\nMODE=OSVER\n"
        self.each(GATES, lambda flag, shown, proc: self.expect(
            proc, FLAGS + z + msgbox("Box", "gated", flag=flag),
            ([info("gated")] if shown else []) + [info("after")]))

    def test_each_type_and_the_stops_its_answers_ask_for(self):
        def check(type_, abort, answer, code):
            icon, buttons, default = STYLES[type_.upper()]
            box = Box(caption=DEFAULT_CAPTION, text="asked", icon=icon, buttons=buttons, default=default, exit_code=code)
            after = [info("set")] * (answer in ("YES", "OK", "CLOSE")) + [info("after")]
            self.expect("Box,IfSet,After", FLAGS + msgbox("Box", "asked", type_, abort=abort) + msgbox(
                "IfSet", "set", flag="Box,1"), [box] + ([] if code else after), [answer, "OK", "OK"])
        self.each(ANSWERS, check)


if __name__ == "__main__":
    main()
