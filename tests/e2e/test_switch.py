"""SWITCH: which branch runs, where the flag is looked up, nesting and loops."""

import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
from sections import info, msgbox, switch  # noqa: E402
from updater import Box, UpdaterTest, error_box, main, message  # noqa: E402

# Every script has these sections. OSVER always holds on Wine; Not never holds.
COMMON = msgbox("Zero", "zero") + msgbox("One", "one") + msgbox("After", "after") + "\n[Os]\nMODE=OSVER\n" + \
    "\n[Not]\nMODE=VERIFY\nARG1=a\nARG2=b\n"
Z, O, A = info("zero"), info("one"), info("after")
ASK = msgbox("Ask", "again?", "QUESTION")
Q = Box(text="again?", icon="question")

# name, PROC, sections, boxes, answers (default: OK for each box)
ROWS = [
    ("a test that held runs key 1", "Os,Sw,After", switch("Sw", "Os", "Zero", "One"), [O, A]),
    ("a test that failed runs key 0", "Not,Sw,After", switch("Sw", "Not", "Zero", "One"), [Z, A]),
    ("target with spaces and other case", "Os,Sw,After", switch("Sw", '"  oS  "', "Zero", "One"), [O, A]),
    ("branch of several procedures", "Os,Sw,After", switch("Sw", "Os", "Zero", "One, Zero ,One"), [O, Z, O, A]),
    # Quoted, because the profile functions strip unquoted blanks.
    ("unknown target quotes PROC as read", "Sw,After", switch("Sw", '" Nobody "', "Zero", "One"),
     [error_box(message(6, " Nobody "))]),
    ("empty branch runs nothing, the other is not loaded", "Os,Sw,After", switch("Sw", "Os", "No,Such", ""), [A]),
    ("a branch with a missing MODE runs none of it", "Os,Sw,After",
     switch("Sw", "Os", "", "One,NoMode") + "\n[NoMode]\nTEXT=x\n", [error_box(message(2, "NoMode", "MODE"))]),
    ("a failure inside the branch stops the run", "Os,Sw,After",
     switch("Sw", "Os", "", "One,Bad") + msgbox("Bad", "x", type_="LOUD"), [O, error_box(message(6, "LOUD"))]),
    ("a branch looks up in itself, not the enclosing list", "Os,Outer,After",
     switch("Outer", "Os", "", "Inner") + switch("Inner", "Os", "Zero", "One"), [error_box(message(6, "Os"))]),
    # The branch is released after it ran: later lookups see the running list again.
    ("a gate and a SWITCH after a SWITCH look in the running list", "Os,Sw,Gated,Sw2,After",
     switch("Sw", "Os", "", "Zero") + msgbox("Gated", "gated", flag="Os,1") + switch("Sw2", "Os", "", "One"),
     [Z, info("gated"), O, A]),
    # In the branch Ask is a new record whose flag starts at 0 again.
    ("a section of the enclosing list runs again as a new record", "Ask,Sw,After",
     ASK + switch("Sw", "Ask", "", "Ask,Said") + msgbox("Said", "yes", flag="Ask,1"), [Q, Q, A], ["YES", "NO", "OK"]),
    ("a retry loop runs three passes, then goes on", "Step,Ask,Loop,After",
     msgbox("Step", "step") + ASK + switch("Loop", "Ask", "", "Step,Ask,Loop"), [info("step"), Q] * 3 + [A],
     ["OK", "YES", "OK", "YES", "OK", "NO", "OK"]),
    ("a loop that never ends meets the nesting bound", "Os,Loop,After", switch("Loop", "Os", "", "Os,Loop"),
     [error_box(message(3, "ProcListArray"))]),
]


class Switch(UpdaterTest):
    def test_branches(self):
        self.each(ROWS, lambda proc, sections, boxes, answers=None: self.expect(
            proc, sections + COMMON, boxes, answers))


if __name__ == "__main__":
    main()
