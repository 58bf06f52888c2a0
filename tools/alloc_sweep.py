#!/usr/bin/env python3
"""Allocation-failure sweep under Wine: updater_allocfail.exe runs a script
that loads one procedure of every type (so every reader runs) and then stops
at its first MSGBOX; run N makes allocation number N fail. Each run must end
by itself with the code 0 and either show what the run without a failure
shows, or one error box of the catalogue: message 3 with a record's name, or
the message of the layer whose false result the failure became.

    UPDATER_WINE_STATE=... UPDATER_WIN64_BUILD=... tools/alloc_sweep.py [step] [first] [last]

step 1 tries every N (slow: a second or so per run); the default 1 from 1
to the count of allocations of the run without failure.
"""

import collections
import os
import re
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "harness"))
import wineenv  # noqa: E402
from messages import MESSAGES  # noqa: E402
from sections import msgbox, section, switch  # noqa: E402
from updater import Scenario  # noqa: E402

RECORDS = ["SHELL_INFO", "RSRC_INFO", "VERIFY_INFO", "APPEXIST_INFO", "WAITAPP_INFO", "MOVE_INFO",
           "CRC_INFO", "ATTR_INFO", "MAKEDIR_INFO", "OSVER_INFO", "SHORTCUT_INFO", "DELETE_INFO",
           "LAUNCH_INFO", "COPY_INFO", "MSGBOX_INFO", "DATE_INFO", "EXIST_INFO", "ProcList",
           "ProcListArray", "SWITCH_INFO"]


def every_type(w):
    """One section of every type, none of which runs: Stop ends the run first,
    from inside a SWITCH branch (a second list on the stack)."""
    return ("[UPDATER]\nNAME=Sweep\nPROC=Go,Ex,Da,Sw,Co,La,De,Li,Os,Mk,At,Cr,Mo,Wa,Ap,Ve,Rs,Sh\n"
            "[DEFINE]\n<Here>=" + w + "\n<A>=<Here>\\a\n"
            + switch("Go", "Ve", "Stop", "Stop")
            + msgbox("Stop", "<A>|{?Param\\0}", abort="1,1")
            + section("Ex", "EXIST", FILE="<A>") + section("Da", "DATE", FILE="<A>", DATE="2000/1/1")
            + switch("Sw", "Ex", "", "Ex")
            + section("Co", "COPY", FROM="<A>", TO="<A>2") + section("La", "LAUNCH", FILE="<A>", PARAM="p", ISWAIT="1")
            + section("De", "DELETE", FILE="<A>") + section("Li", "LINK", SRC="<A>", PARAM="", SHOWCMD="1", DST="<A>")
            + section("Os", "OSVER") + section("Mk", "MAKEDIR", DIR="<A>") + section("At", "ATTR", FILE="<A>", ARG="1")
            + section("Cr", "CRC", FILE="<A>", TYPE="AND", CRC="0") + section("Mo", "MOVE", FROM="<A>", TO="<A>2")
            + section("Wa", "WAITAPP", APP="a.exe", TICK="1") + section("Ap", "APPEXIST", APP="a.exe")
            + section("Ve", "VERIFY", ARG1="a", ARG2="b") + section("Rs", "RSRC", FROM="<A>", TO="<A>", TYPE="3", NAME="1")
            + section("Sh", "SHELL", FUNC="COPY", FROM="<A>", TO="<A>2"))


def catalogue(text):
    """(number, arguments) of a catalogue message, or None."""
    for number, format_ in MESSAGES.items():
        pattern = "".join("(.*)" if p == "%s" else "([0-9A-F]{8})" if p == "%08X" else re.escape(p)
                          for p in re.split(r"(%s|%08X)", format_))
        m = re.fullmatch(pattern, text, re.S)
        if m:
            return number, m.groups()
    return None


class Sweep:
    def __init__(self):
        self.s = Scenario("allocsweep")
        self.s.copy_program("updater.exe", os.path.join(wineenv.build_dir(), "updater_allocfail.exe"))
        self.s.write_script(every_type(self.s.win()))

    def run(self, n):
        self.s.write_text("allocfail.txt", str(n))
        count = self.s.path("allocfail.count")
        if os.path.exists(count):
            os.remove(count)
        result = self.s.run("word", answers=["OK", "OK"], timeout=20)
        made = int(open(count).read()) if os.path.exists(count) else None
        return result, made

    def reference(self):
        result, made = self.run(0)
        boxes = [(b["caption"], b["text"], b["icon"]) for b in result.boxes]
        if result.exit_code != 2 or len(boxes) != 1 or made is None:
            raise SystemExit(f"the run without a failure went wrong: {result.describe()}")
        return boxes, made


def outcome(result, reference):
    """A word for what run N did; words starting with "BAD" are failures."""
    if not result.started or result.timed_out:
        return "BAD hang or no start"
    if result.too_many_boxes:
        return "BAD too many boxes"
    boxes = [(b["caption"], b["text"], b["icon"]) for b in result.boxes]
    # A failure report ends the run with 1, or 3 while the script is being read;
    # the stop box, the last step, with 2.
    if result.exit_code not in ((1, 3) if any(box[2] == "error" for box in boxes) else (2,)):
        return f"BAD exit code {result.exit_code:#x}"
    if boxes == reference:
        return "as without failure"
    if len(boxes) != 1 or boxes[0][2] not in ("error", "information"):
        return f"BAD boxes {boxes}"
    caption, text, icon = boxes[0]
    if icon == "information":
        # The stop box itself: its caption, or the command line that start-up
        # copies, may be lost where the engine lets a copy fail; the expanded
        # text never loses a part of its own (a failed expansion is message 2).
        if text == reference[0][1]:
            return "stop box, caption cut"
        if text == reference[0][1].rsplit("|", 1)[0] + "|":
            return "stop box, command line lost at start-up"
        return f"BAD stop box text {text!r}"
    found = catalogue(text)
    if not found:
        return f"BAD not a catalogue message: {text!r}"
    number, arguments = found
    if number == 3:
        return f"message 3 {arguments[0]}" if arguments[0] in RECORDS else f"BAD message 3 {arguments[0]!r}"
    return f"message {number}"




def main():
    step = int(sys.argv[1]) if len(sys.argv) > 1 else 1
    sweep_ = Sweep()
    reference, made = sweep_.reference()
    first = int(sys.argv[2]) if len(sys.argv) > 2 else 1
    last = int(sys.argv[3]) if len(sys.argv) > 3 else made
    outcomes = collections.Counter()
    bad = []
    for n in range(first, last + 1, step):
        result, _ = sweep_.run(n)
        word = outcome(result, reference)
        outcomes[word] += 1
        if word.startswith("BAD"):
            bad.append((n, word))
    print(f"allocations in the run without failure: {made}; N tried: {sum(outcomes.values())}")
    for word, count in sorted(outcomes.items(), key=lambda x: -x[1]):
        print(f"{count:6}  {word}")
    for n, word in bad:
        print(f"N={n}: {word}")
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
