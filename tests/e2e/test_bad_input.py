"""Scripts that are broken or far too large: each run ends by itself, within the
driver's time-out and with the exit code 0, after exactly the boxes the rules
give, and never a crash or a hang."""

import os
import random
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
from sections import info, msgbox  # noqa: E402
from updater import DEFAULT_CAPTION, Box, UpdaterTest, error_box, expect_boxes, main, message  # noqa: E402

# A value read from the script is cut by the platform to what fits in the
# reader's buffer of 32,767 bytes with its terminator.
KEPT = 32766
BIG = 90  # seconds


def long_box(text):
    """A box larger than the screen: its icon lies off it, where the driver cannot see it."""
    return Box(caption=DEFAULT_CAPTION, text=text, buttons=["OK"])


def verify(name, first="a", second="b"):
    return f"\n[{name}]\nMODE=VERIFY\nARG1={first}\nARG2={second}\n"


def script(proc, sections="", define=""):
    return f"[UPDATER]\nNAME=\nPROC={proc}\n[DEFINE]\n{define}\n" + sections


def garbage(seed, size, without=b""):
    return bytes(random.Random(seed).choices([b for b in range(256) if b not in without], k=size))


def long_proc(cut_at):
    """A PROC of 40,000 bytes: Box, spaces, and from offset cut_at on ",Bad..."."""
    value = "Box" + " " * (cut_at - 3) + ",Bad"
    return value + "x" * (40000 - len(value))


TEXT = "".join(f"{i:09d}." for i in range(4000))
# Without the byte "[" no reading of the file has a section header, so NAME is the first key missing.
NO_SECTION = [error_box(message(2, "UPDATER", "NAME"))]
# Two line ends, because a lead byte at the end of the garbage takes the byte after it along.
AFTER_GARBAGE = garbage(6, 65536, b"[\xff\xfe\xef") + b"\r\n\r\n" + \
    script("Box", msgbox("Box", "after garbage")).replace("\n", "\r\n").encode("cp932")

# name, script (text or bytes), boxes
ROWS = [
    ("binary garbage is a script without sections", garbage(1, 65536, b"["), NO_SECTION),
    ("garbage with a UTF-16 signature", b"\xff\xfe" + garbage(2, 65536, b"["), NO_SECTION),
    ("zero bytes only", bytes(4096), NO_SECTION),
    ("garbage lines before a script belong to no section", AFTER_GARBAGE, [info("after garbage")]),
    ("PROC is cut to 32766 bytes", script(long_proc(KEPT), msgbox("Box", "shown")), [info("shown")]),
    # The last byte kept is the comma: the second name is empty.
    ("PROC cut just after a comma", script(long_proc(KEPT - 1), msgbox("Box", "shown")),
     [error_box(message(2, "", "MODE"))]),
    ("TEXT is cut to 32766 bytes", script("Box", msgbox("Box", TEXT)), [long_box(TEXT[:KEPT])]),
    ("TEXT of 20000 markers", script("Box", msgbox("Box", "%t" * 20000)), [long_box("\t" * (KEPT // 2))]),
    ("2000 sections", script(",".join(f"S{i:04d}" for i in range(1, 2001)) + ",Box",
                             "".join(verify(f"S{i:04d}") for i in range(1, 2000)) + verify("S2000", "x", "X")
                             + msgbox("Box", "last read", flag="S2000,1")), [info("last read")]),
    ("PROC of 2000 names", script(",".join(["Same"] * 1999 + ["Last", "Box"]), verify("Same")
                                  + verify("Last", "x", "X") + msgbox("Box", "all ran", flag="Last,1")),
     [info("all ran")]),
    ("2000 names, the last missing: nothing runs", script(",".join(["Box"] + ["Same"] * 1998 + ["Missing"]),
                                                          verify("Same") + msgbox("Box", "ran")),
     [error_box(message(2, "Missing", "MODE"))]),
    ("a thousand uses in one value", script("Box", msgbox("Box", "<A>" * 1000), "<A>=<A><A>"),
     [long_box("<A>" * 4000)]),
]


class BadInput(UpdaterTest):
    def run_data(self, data, answers, s=None):
        s = s or self.scenario()
        s.write_script(data) if isinstance(data, str) else s.write_bytes("updater.ini", data)
        return s.run(answers=answers, timeout=BIG)

    def test_broken_and_large_scripts(self):
        self.each(ROWS, lambda data, want: expect_boxes(self.run_data(data, ["OK"] * len(want)), want))

    def test_large_define_sections_are_cut_not_overrun(self):
        # 2,000 lines of 32 bytes with terminator, twice the buffer: lines up to 1,021
        # arrive whole, 1,022 and 1,023 whole, cut or not at all, none from 1,024 on.
        lines = [f"<M{i:04d}>=value-{i:04d}-{'v' * 12}" for i in range(2000)]
        picks = [0, 1021, 1022, 1023, 1024, 1999]
        text = "|".join(f"<M{i:04d}>" for i in picks)
        result = self.run_data(script("Box", msgbox("Box", text), "\n".join(lines)), ["OK"])
        expect_boxes(result, [Box(caption=DEFAULT_CAPTION, icon="information")])
        for i, got in zip(picks, result.boxes[0]["text"].split("|")):
            value = lines[i].split("=", 1)[1]
            self.assertIn(got, [value] if i <= 1021 else [f"<M{i:04d}>"] if i >= 1024 else
                          [f"<M{i:04d}>", value[:len(got)] or None], f"line {i}")

    def test_a_define_value_of_40000_bytes(self):
        # <L> may be a prefix of its value or not defined at all; <After> cannot have
        # arrived. (Wine shows garbage in a box of 32,767 characters or more.)
        result = self.run_data(script("Box,After", msgbox("Box", "<L>") + msgbox("After", "<After>"),
                                      f"<L>={TEXT}\n<After>=after"), ["OK", "OK"])
        expect_boxes(result, [Box(caption=DEFAULT_CAPTION), info("<After>")])
        shown = result.boxes[0]["text"]
        self.assertTrue(shown == "<L>" or TEXT.startswith(shown) and 0 < len(shown) <= KEPT - 4,
                        f"<L> gave {len(shown)} bytes: {shown[:40]!r}...")


if __name__ == "__main__":
    main()
