"""SWITCH: which branch runs, where the flag is looked up, nesting and loops."""

import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
from sections import info, msgbox, switch  # noqa: E402
from updater import Box, UpdaterTest, error_box, main, message  # noqa: E402

BRANCHES = msgbox("Zero", "zero") + msgbox("One", "one") + msgbox("After", "after")
OS = "\n[Os]\nMODE=OSVER\n"  # always holds on Wine
NOT = "\n[Not]\nMODE=VERIFY\nARG1=a\nARG2=b\n"  # never holds
ASK = msgbox("Ask", "again?", "QUESTION")
Q = Box(text="again?", icon="question")

# name, PROC, sections, answers (None: OK for each box), boxes
ROWS = [
    ("a test that held runs key 1", "Os,Sw,After", OS + switch("Sw", "Os", "Zero", "One"), None,
     [info("one"), info("after")]),
    ("a test that failed runs key 0", "Not,Sw,After", NOT + switch("Sw", "Not", "Zero", "One"), None,
     [info("zero"), info("after")]),
    ("target with spaces and other case", "Os,Sw,After", OS + switch("Sw", '"  oS  "', "Zero", "One"),
     None, [info("one"), info("after")]),
    ("branch of several procedures", "Os,Sw,After", OS + switch("Sw", "Os", "Zero", "One, Zero ,One"),
     None, [info("one"), info("zero"), info("one"), info("after")]),
    # Quoted, because the profile functions strip unquoted blanks.
    ("unknown target quotes PROC as read", "Sw,After", switch("Sw", '" Nobody "', "Zero", "One"), None,
     [error_box(message(6, " Nobody "))]),
    ("empty branch runs nothing, the other is never loaded", "Os,Sw,After",
     OS + switch("Sw", "Os", "Missing,Sections", ""), None, [info("after")]),
    ("a branch with a missing MODE runs none of it", "Os,Sw,After",
     OS + switch("Sw", "Os", "", "One,NoMode") + "\n[NoMode]\nTEXT=x\n", None,
     [error_box(message(2, "NoMode", "MODE"))]),
    ("a failure inside the branch stops the run", "Os,Sw,After",
     OS + switch("Sw", "Os", "", "One,Bad") + msgbox("Bad", "x", type_="LOUD"), None,
     [info("one"), error_box(message(6, "LOUD"))]),
    ("a branch looks up in itself, not the enclosing list", "Os,Outer,After",
     OS + switch("Outer", "Os", "", "Inner") + switch("Inner", "Os", "Zero", "One"), None,
     [error_box(message(6, "Os"))]),
    # The branch is released after it ran: later lookups see the running list again.
    ("a gate after a SWITCH looks in the running list", "Os,Sw,Gated,After",
     OS + switch("Sw", "Os", "", "Zero") + msgbox("Gated", "gated", flag="Os,1"), None,
     [info("zero"), info("gated"), info("after")]),
    ("a SWITCH after a SWITCH looks in the running list", "Os,Sw,Sw2,After",
     OS + switch("Sw", "Os", "", "Zero") + switch("Sw2", "Os", "", "One"), None,
     [info("zero"), info("one"), info("after")]),
    # In the branch Ask is a new record whose flag starts at 0 again.
    ("a section of the enclosing list runs again as a new record", "Ask,Sw,After",
     ASK + switch("Sw", "Ask", "", "Ask,Said") + msgbox("Said", "said yes", flag="Ask,1"),
     ["YES", "NO", "OK"], [Q, Q, info("after")]),
    ("a retry loop runs three passes, then goes on", "Step,Ask,Loop,After",
     msgbox("Step", "step") + ASK + switch("Loop", "Ask", "", "Step,Ask,Loop"),
     ["OK", "YES", "OK", "YES", "OK", "NO", "OK"], [info("step"), Q] * 3 + [info("after")]),
    ("a loop that never ends meets the nesting bound", "Os,Loop,After",
     OS + switch("Loop", "Os", "", "Os,Loop"), None, [error_box(message(3, "ProcListArray"))]),
]


class Switch(UpdaterTest):
    def test_branches(self):
        self.each(ROWS, lambda proc, sections, answers, boxes: self.expect(proc, sections + BRANCHES, boxes, answers))


if __name__ == "__main__":
    main()
