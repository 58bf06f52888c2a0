"""Scripts that are broken or far too large: each run ends by itself, within the
driver's time-out and with the exit code 0, after exactly the boxes the rules
give, and never a crash or a hang."""

import os
import random
import re
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
import boxes  # noqa: E402
from messages import MESSAGES  # noqa: E402
from sections import info, msgbox  # noqa: E402
from updater import (DEFAULT_CAPTION, Box, UpdaterTest, error_box, expect_boxes,  # noqa: E402
                     fail, main, message)

# A value read from the script is cut by the platform to what fits in the
# reader's buffer of 32,767 bytes with its terminator.
KEPT = 32766
BIG_TIMEOUT = 90


def long_box(text):
    """A box larger than the screen: its icon lies off the screen, where the
    driver cannot see its pixels."""
    return Box(caption=DEFAULT_CAPTION, text=text, buttons=["OK"])


def verify(name, first="a", second="b"):
    return f"\n[{name}]\nMODE=VERIFY\nARG1={first}\nARG2={second}\n"


def script(proc, sections="", define=None):
    head = f"[UPDATER]\nNAME=\nPROC={proc}\n"
    if define is not None:
        head += "[DEFINE]\n" + define + "\n"
    return head + sections


def garbage(seed, size, without=b""):
    rng = random.Random(seed)
    data = bytearray()
    while len(data) < size:
        data += bytes(b for b in rng.randbytes(size) if b not in without)
    return bytes(data[:size])


def catalogue_text(text):
    """Whether text is a message of the catalogue, filled in with anything."""
    for format_ in MESSAGES.values():
        parts = re.split(r"(%s|%08X)", format_)
        pattern = "".join(".*" if p == "%s" else "[0-9A-F]{8}" if p == "%08X" else re.escape(p)
                          for p in parts)
        if re.fullmatch(pattern, text, re.S):
            return True
    return False


def expect_sound(result, most):
    """The run ended by itself with the code 0, after at most `most` boxes, each
    an error box with a message of the catalogue, answered and closed."""
    problems = boxes.run_problems(result, 0)
    if len(result.boxes) > most:
        problems.append(f"{len(result.boxes)} boxes, at most {most} expected")
    for number, box in enumerate(result.boxes, 1):
        if box["icon"] != "error" or box["caption"] != DEFAULT_CAPTION:
            problems.append(f"box {number} is not an error box of the run")
        if not catalogue_text(box["text"]):
            problems.append(f"box {number} shows no message of the catalogue")
        if box["pressed"] != "OK" or not box["closed"]:
            problems.append(f"box {number} was not answered with OK and closed")
    if problems:
        fail("the run was not sound", problems, result)


class BadInputTest(UpdaterTest):
    def run_script(self, data, answers, timeout=20):
        s = self.scenario()
        if isinstance(data, str):
            s.write_script(data)
        else:
            s.write_bytes("updater.ini", data)
        return s.run(answers=answers, timeout=timeout)


class Garbage(BadInputTest):
    # Without the byte "[" no reading of the file, whatever its encoding, has a
    # section header, so there is no section UPDATER and NAME is the first key missing.
    NO_SECTION = [error_box(message(2, "UPDATER", "NAME"))]

    def test_binary_garbage_is_a_script_without_sections(self):
        expect_boxes(self.run_script(garbage(1, 65536, b"["), ["OK"]), self.NO_SECTION)

    def test_garbage_with_a_utf16_signature(self):
        data = b"\xff\xfe" + garbage(2, 65536, b"[")
        expect_boxes(self.run_script(data, ["OK"]), self.NO_SECTION)

    def test_zero_bytes_only(self):
        expect_boxes(self.run_script(bytes(4096), ["OK"]), self.NO_SECTION)

    def test_garbage_with_every_byte(self):
        # Sections with random names may appear; what they read as is the
        # platform's affair. Every failure stops the run, so one box at most.
        for seed in (3, 4, 5):
            with self.subTest(seed=seed):
                expect_sound(self.run_script(garbage(seed, 65536), ["OK"]), most=1)

    def test_garbage_before_a_script(self):
        # Garbage lines before the first section belong to no section the
        # program reads. Two line ends, because a lead byte at the end of the
        # garbage takes the byte after it as its second half.
        data = garbage(6, 65536, b"[\xff\xfe\xef") + b"\r\n\r\n" + \
            script("Box", msgbox("Box", "after garbage")).replace("\n", "\r\n").encode("cp932")
        expect_boxes(self.run_script(data, ["OK"]), [info("after garbage")])


class LongLines(BadInputTest):
    def long_proc(self, cut_at):
        """A PROC of 40,000 bytes: Box, spaces, and from offset cut_at on ",Bad...",
        which would name a section that does not exist."""
        value = "Box" + " " * (cut_at - 3) + ",Bad"
        return value + "x" * (40000 - len(value))

    def test_proc_is_cut_to_32766_bytes(self):
        # Everything from ",Bad" on lies beyond the cut: one name, Box.
        proc = self.long_proc(KEPT)
        result = self.run_script(script(proc, msgbox("Box", "shown")), ["OK"], BIG_TIMEOUT)
        expect_boxes(result, [info("shown")])

    def test_proc_cut_just_after_a_comma(self):
        # The last byte kept is the comma: the second name is empty, its MODE
        # cannot be read, and nothing of the list runs.
        proc = self.long_proc(KEPT - 1)
        result = self.run_script(script(proc, msgbox("Box", "shown")), ["OK"], BIG_TIMEOUT)
        expect_boxes(result, [error_box(message(2, "", "MODE"))])

    def test_msgbox_text_is_cut_to_32766_bytes(self):
        text = "".join(f"{i:09d}." for i in range(4000))
        result = self.run_script(script("Box", msgbox("Box", text)), ["OK"], BIG_TIMEOUT)
        expect_boxes(result, [long_box(text[:KEPT])])

    def test_msgbox_text_of_markers(self):
        # 16,383 "%t" survive the cut, each replaced by a tab.
        text = "%t" * 20000
        result = self.run_script(script("Box", msgbox("Box", text)), ["OK"], BIG_TIMEOUT)
        expect_boxes(result, [long_box("\t" * (KEPT // 2))])

    def test_define_value_of_40000_bytes(self):
        # The DEFINE section comes in one buffer of 32,767 bytes: how the platform
        # cuts a line that does not fit is its own affair, so <L> may be a prefix
        # of its value or not defined at all. <After> cannot have arrived.
        # (Wine shows garbage in a box of 32,767 characters or more, so <L>
        # has a box of its own.)
        value = "".join(f"{i:09d}." for i in range(4000))
        define = f"<L>={value}\n<After>=after"
        result = self.run_script(script("Box,After", msgbox("Box", "<L>") +
                                        msgbox("After", "<After>"), define),
                                 ["OK", "OK"], BIG_TIMEOUT)
        expect_boxes(result, [Box(caption=DEFAULT_CAPTION), info("<After>")])
        shown = result.boxes[0]["text"]
        if shown != "<L>":
            self.assertTrue(value.startswith(shown) and 0 < len(shown) <= KEPT - 4,
                            f"<L> gave {len(shown)} bytes: {shown[:40]!r}...")


class ManySections(BadInputTest):
    def test_2000_sections(self):
        names = [f"S{i:04d}" for i in range(1, 2001)]
        sections = "".join(verify(n) for n in names[:-1]) + verify(names[-1], "x", "X")
        proc = ",".join(names + ["Box"])
        result = self.run_script(script(proc, sections + msgbox("Box", "last read", flag="S2000,1")),
                                 ["OK"], BIG_TIMEOUT)
        expect_boxes(result, [info("last read")])

    def test_define_section_larger_than_32_kib(self):
        # 2,000 lines of 32 bytes each with its terminator: 64,000 bytes, twice the
        # buffer of 32,767. Lines 0 to 1,021 fit with room to spare and arrive
        # whole; 1,022 and 1,023 reach the end of the buffer and may arrive whole,
        # cut or not at all; line 1,024 starts beyond it, and none from there on arrives.
        lines = [f"<M{i:04d}>=value-{i:04d}-{'v' * 12}" for i in range(2000)]
        assert all(len(line) == 31 for line in lines)
        picks = [0, 1021, 1022, 1023, 1024, 1999]
        text = "|".join(f"<M{i:04d}>" for i in picks)
        result = self.run_script(script("Box", msgbox("Box", text), "\n".join(lines)),
                                 ["OK"], BIG_TIMEOUT)
        expect_boxes(result, [Box(caption=DEFAULT_CAPTION, icon="information")])
        shown = result.boxes[0]["text"].split("|")
        self.assertEqual(len(shown), len(picks), shown)
        for i, got in zip(picks, shown):
            value = lines[i].split("=", 1)[1]
            if i <= 1021:
                self.assertEqual(got, value, f"line {i} fits the buffer")
            elif i >= 1024:
                self.assertEqual(got, f"<M{i:04d}>", f"line {i} lies beyond the buffer")
            elif got != f"<M{i:04d}>":
                self.assertTrue(value.startswith(got) and got, f"line {i} gave {got!r}")

    def test_proc_of_2000_names(self):
        # One section named 1,999 times gives as many records; the 2,000th name
        # is the only one whose test holds, and the box after it shows that it ran.
        proc = ",".join(["Same"] * 1999 + ["Last", "Box"])
        sections = verify("Same") + verify("Last", "x", "X") + msgbox("Box", "all ran", flag="Last,1")
        result = self.run_script(script(proc, sections), ["OK"], BIG_TIMEOUT)
        expect_boxes(result, [info("all ran")])

    def test_proc_of_2000_names_with_the_last_missing(self):
        # The whole list is read before anything runs: the first box never shows.
        proc = ",".join(["Box"] + ["Same"] * 1998 + ["Missing"])
        sections = verify("Same") + msgbox("Box", "ran")
        result = self.run_script(script(proc, sections), ["OK"], BIG_TIMEOUT)
        expect_boxes(result, [error_box(message(2, "Missing", "MODE"))])


class SelfExpandingMacros(BadInputTest):
    # Each value is expanded in as many passes as it held groups when it was
    # read, so a macro that holds itself grows a bounded number of times.
    # <A>=<A><A> gets two passes in the table and becomes four <A>.
    def expect_texts(self, define, texts, expected):
        names = [f"Box{i}" for i in range(len(texts))]
        body = "".join(msgbox(n, t) for n, t in zip(names, texts))
        result = self.run_script(script(",".join(names), body, define), ["OK"] * len(texts))
        expect_boxes(result, [info(text) for text in expected])

    def test_a_macro_that_holds_itself_twice(self):
        self.expect_texts("<A>=<A><A>", ["<A>", "x<A>y<A>z"],
                          ["<A>" * 4, "x" + "<A>" * 7 + "y<A>z"])

    def test_macros_that_hold_each_other(self):
        # <A> becomes <A> (the value of <B> as written); <B> then receives that.
        self.expect_texts("<A>=<B>\n<B>=<A>", ["<A>", "<B>", "<A>|<B>"],
                          ["<A>", "<A>", "<A>|<B>"])

    def test_a_thousand_uses_in_one_value(self):
        # 1,000 passes, each putting four <A> in the place of the first.
        names = "Box0"
        result = self.run_script(script(names, msgbox(names, "<A>" * 1000), "<A>=<A><A>"), ["OK"])
        expect_boxes(result, [long_box("<A>" * 4000)])


if __name__ == "__main__":
    main()
