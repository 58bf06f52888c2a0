"""Hostile scripts, one table: garbage, huge values and counts, loops past the
nesting bound, macros that grow, huge word numbers, lead bytes at the very end,
long paths in every procedure type, messages with two 1,000-byte paths, and
scripts in UTF-8 and UTF-16.

A row: name, the files before (relative path -> bytes), the script (a function
of the scenario, giving text or bytes), the command line, the boxes expected
and the files the script names (relative paths that may change). Every run
must end by itself with the code 0 within BOUND seconds, show exactly the
boxes of its row, and leave every other file of its folder as it was.
"""

import hashlib
import os
import random
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
from sections import info, msgbox, section, switch  # noqa: E402
from updater import (DEFAULT_CAPTION, Box, UpdaterTest, error_box, expect_boxes,  # noqa: E402
                     fail, main, message)

BOUND = 10  # seconds a run may take
HELD, CLEAR = info("held"), info("clear")


def script(proc, sections="", define=None):
    head = f"[UPDATER]\nNAME=\nPROC={proc}\n"
    if define is not None:
        head += "[DEFINE]\n" + define + "\n"
    return head + sections


def verify(name, first, second):
    return section(name, "VERIFY", ARG1=first, ARG2=second)


def outcome(tested):
    """Sections Held and Clear: a box says whether `tested` set its flag."""
    return switch("Outcome", tested, "Clear", "Held") + msgbox("Held", "held") + msgbox("Clear", "clear")


def garbage(seed, size, without=b""):
    rng = random.Random(seed)
    data = bytes(b for b in rng.randbytes(size * 2) if b not in without)
    return data[:size]


def long_dir(s, length):
    """A Windows path in the scenario's folder, `length` bytes long, of
    folders that do not exist (each name under 255 bytes)."""
    path = s.win("l")
    while len(path) < length:
        path += "\\" + "d" * min(200, length - len(path) - 1)
    return path[:length]


class Row:
    def __init__(self, name, make, boxes, answers=None, files=None, named=(), arguments="", bound=BOUND):
        self.name, self.make, self.boxes, self.bound = name, make, boxes, bound
        self.answers = answers if answers is not None else \
            ["OK"] * (len(boxes) if isinstance(boxes, list) else 1)
        self.files, self.named, self.arguments = files or {}, set(named), arguments


def snapshot(root):
    """Every file and folder under root, with a digest of each file."""
    seen = {}
    for folder, dirs, files in os.walk(root):
        for d in dirs:
            seen[os.path.relpath(os.path.join(folder, d), root)] = "<dir>"
        for f in files:
            path = os.path.join(folder, f)
            with open(path, "rb") as handle:
                seen[os.path.relpath(path, root)] = hashlib.sha1(handle.read()).hexdigest()
    return seen


# Garbage and encodings.
def utf16(s):
    return b"\xff\xfe" + script("Box", msgbox("Box", "ユニコード")).replace("\n", "\r\n").encode("utf-16-le")


def utf8(s):
    # The signature makes the platform read the file as UTF-8; the text
    # reaches the program in its own code page.
    return b"\xef\xbb\xbf" + script("Box", msgbox("Box", "ユーティーエフ")).replace("\n", "\r\n").encode("utf-8")


# Sizes.
VALUE_32K = "v" * 32766


def value_32k(s):
    return script("Same,Outcome", verify("Same", VALUE_32K, VALUE_32K) + outcome("Same"))


def macros_32k(s):
    # 10,922 macros in one value, each one pass.
    return script("Same,Outcome", verify("Same", "<A>" * 10922, "x" * 10922) + outcome("Same"), "<A>=x")


def sections_10000(s):
    names = [f"S{i:05d}" for i in range(10000)]
    body = "".join(verify(n, "a", "b") for n in names[:-1]) + verify(names[-1], "a", "A")
    return script(f"{names[-1]},Outcome", body + outcome(names[-1]))


def procedures_2000(s):
    names = [f"P{i:04d}" for i in range(2000)]
    body = "".join(verify(n, "a", "b") for n in names[:-1]) + verify(names[-1], "z", "Z")
    return script(",".join(names + ["Outcome"]), body + outcome(names[-1]))


# Nesting: a loop through one SWITCH nests one list deeper per pass.
def loop(s):
    """A loop that runs as long as its MSGBOX is answered YES; after NO it
    ends and "after" shows."""
    return script("Ask,Loop,After", msgbox("Ask", "again?", "QUESTION")
                  + switch("Loop", "Ask", "", "Ask,Loop") + msgbox("After", "after"))


def endless_loop(s):
    return script("Os,Loop,After", section("Os", "OSVER") + switch("Loop", "Os", "", "Os,Loop")
                  + msgbox("After", "after"))


ASK = Box(caption=DEFAULT_CAPTION, text="again?")


# Growth.
def growing_macro(count):
    def make(s):
        return script("Box", msgbox("Box", "<A>" * count), "<A>=<A><A><A><A>")
    return make


def growing_macro_compared(s):
    # 10,000 uses of a macro worth sixteen of itself: 480,000 bytes, twice.
    return script("Same,Outcome", verify("Same", "<A>" * 10000, "<A>" * 10000) + outcome("Same"),
                  "<A>=<A><A><A><A>")


def params(s):
    calls = ["{?Param\\2147483647}", "{?Param\\-2147483648}", "{?Param\\99999999999}",
             "{?Param\\2147483647\\-2147483648}", "{?Param\\-1}"]
    return script("Box", msgbox("Box", "|".join(calls)))


def param_ranges(s):
    # Ranges of two thousand million words are cut to 32,768 words, all but
    # three of them empty; position 3 of both lists is empty, so they match.
    return script("Same,Outcome", verify("Same", "{?Param\\0\\2147483647}", "{?Param\\-2147483648\\-1}")
                  + outcome("Same"))


# Lead bytes at the end. The platform reads a script in the ANSI code page
# and hands the program whole characters only: a lead byte alone takes the
# byte after it (a line end, a ">") as its second half and arrives as "・".
# The key after it, the next DEFINE line and the next entry must still arrive.
NAKAGURO = "\x81\x45"  # "・" in code page 932, as latin-1 text


def crlf_bytes(text):
    return text.replace("\n", "\r\n").encode("latin-1")


def lead_byte_value(s):
    return crlf_bytes(script("Same,Outcome", verify("Same", "abc\x82", "abc" + NAKAGURO) + outcome("Same")))


def lead_byte_define(s):
    return crlf_bytes(script("Box", msgbox("Box", "<L>|<M>"), "<L>=ab\x82\n<M>=next"))


def lead_byte_at_the_end(s):
    # The last DEFINE line, and the file, end in the lead byte.
    text = script("Box", msgbox("Box", "<L>|<M>")) + "\n[DEFINE]\n<M>=next\n<L>=ab\x82"
    return crlf_bytes(text)


def lead_byte_group(s):
    return crlf_bytes(script("Box", msgbox("Box", "x<A\x82>"), "<A\x82>=no"))


# Long paths: every procedure type given a path of 300 bytes.
def long_type(mode, **keys):
    def make(s):
        long = long_dir(s, 300)
        values = {k: v.replace("@", long).replace("#", s.win()) for k, v in keys.items()}
        return script("Step,Outcome", section("Step", mode, **values) + outcome("Step"))
    return make


def long_box(mode, number, *arguments):
    def boxes(s):
        long = long_dir(s, 300)
        args = [a.replace("@", long).replace("#", s.win()) if isinstance(a, str) else a for a in arguments]
        return [error_box(message(number, *args))]
    return boxes


# Two paths of 1,000 bytes in one message.
def two_paths(mode, first_key, second_key, extra=None):
    def make(s):
        values = {first_key: long_dir(s, 1000) + "\\a", second_key: long_dir(s, 1000) + "\\b"}
        values.update(extra or {})
        return script("Step", section("Step", mode, **values))
    return make


def two_paths_box(number, suffixes=("\\a", "\\b")):
    def boxes(s):
        return [error_box(message(number, *(long_dir(s, 1000) + x for x in suffixes)))]
    return boxes


SOURCE = {"src.txt": b"source"}

ROWS = [
    Row("binary garbage", lambda s: garbage(1, 65536, b"["), [error_box(message(2, "UPDATER", "NAME"))]),
    Row("garbage with every byte", lambda s: garbage(2, 65536), None),
    Row("UTF-16 with a signature", utf16, [info("ユニコード")]),
    Row("UTF-8 with a signature", utf8, [info("ユーティーエフ")]),
    Row("a value of 32 KiB", value_32k, [HELD]),
    Row("32 KiB of macros", macros_32k, [HELD]),
    Row("10,000 sections", sections_10000, [HELD]),
    Row("2,000 procedures in one list", procedures_2000, [HELD]),
    # The user's loop: every YES nests one list deeper; NO ends it.
    Row("a loop 40 lists deep", loop, [ASK] * 40 + [info("after")],
        answers=["YES"] * 39 + ["NO", "OK"]),
    # A loop whose test always holds nests up to the bound of 256 lists; the
    # next list is refused (without boxes on the way, so the time is the
    # program's own).
    Row("a loop that never ends", endless_loop, [error_box(message(3, "ProcListArray"))]),
    Row("a macro that grows, shown", growing_macro(500), [Box(caption=DEFAULT_CAPTION, text="<A>" * 8000)]),
    Row("a macro that grows, 480,000 bytes", growing_macro_compared, [HELD]),
    Row("?Param with huge numbers", params, [info("||||c")], arguments="a b c"),
    Row("?Param ranges to the ends of the numbers", param_ranges, [HELD], arguments="a b c"),
    Row("a lead byte ending a value", lead_byte_value, [HELD]),
    Row("a lead byte ending a DEFINE line", lead_byte_define, [info("ab・|next")]),
    Row("a lead byte ending the file", lead_byte_at_the_end, [info("ab・|next")]),
    Row("a lead byte before a group's end", lead_byte_group, [info("x<A・")]),
]


LONG_PATHS = [
    Row("COPY from a long path", long_type("COPY", FROM="@\\a", TO="#\\b"), long_box("COPY", 8, "@\\a", "#\\b")),
    Row("COPY to a long path", long_type("COPY", FROM="#\\src.txt", TO="@\\b"),
        long_box("COPY", 8, "#\\src.txt", "@\\b"), files=SOURCE),
    Row("MOVE to a long path", long_type("MOVE", FROM="#\\src.txt", TO="@\\b"),
        long_box("MOVE", 14, "#\\src.txt", "@\\b"), files=SOURCE),
    Row("DELETE of a long path", long_type("DELETE", FILE="@\\a"), [HELD]),
    Row("SHELL to a long path", long_type("SHELL", FUNC="COPY", FROM="#\\src.txt", TO="@\\b"),
        [error_box(message(17))], files=SOURCE),
    Row("ATTR of a long path", long_type("ATTR", FILE="@\\a", ARG="1"), long_box("ATTR", 12, "@\\a", 1)),
    Row("MAKEDIR of a long path", long_type("MAKEDIR", DIR="@"), long_box("MAKEDIR", 13, "@")),
    Row("LAUNCH of a long path", long_type("LAUNCH", FILE="@\\a.exe", PARAM="p", ISWAIT="1"),
        long_box("LAUNCH", 9, "@\\a.exe", "p")),
    Row("LINK to a long path", long_type("LINK", SRC="#\\src.txt", PARAM="", SHOWCMD="", DST="@\\a"),
        long_box("LINK", 15, "#\\src.txt", "@\\a"), files=SOURCE),
    Row("RSRC from a long path", long_type("RSRC", FROM="@\\a.exe", TO="#\\updater.exe", TYPE="3", NAME="1"),
        long_box("RSRC", 1, "@\\a.exe")),
    Row("CRC of a long path", long_type("CRC", FILE="@\\a", TYPE="AND", CRC="0"), [CLEAR]),
    Row("EXIST of a long path", long_type("EXIST", FILE="@\\a"), [CLEAR]),
    Row("DATE of a long path", long_type("DATE", FILE="@\\a", DATE="1990/1/1"), [HELD]),
    Row("APPEXIST of a long path", long_type("APPEXIST", APP="@\\a.exe"), [CLEAR]),
    Row("WAITAPP of a long path", long_type("WAITAPP", APP="@\\a.exe", TICK="100"), [HELD]),
    Row("VERIFY of long paths", long_type("VERIFY", ARG1="@", ARG2="@"), [HELD]),
    Row("MSGBOX of a long path", lambda s: script("Box", msgbox("Box", long_dir(s, 300))),
        lambda s: [info(long_dir(s, 300))]),
]

TWO_PATHS = [
    Row("message 8", two_paths("COPY", "FROM", "TO"), two_paths_box(8)),
    Row("message 14", two_paths("MOVE", "FROM", "TO"), two_paths_box(14)),
    Row("message 9", two_paths("LAUNCH", "FILE", "PARAM", {"ISWAIT": "1"}), two_paths_box(9)),
    Row("message 15", two_paths("LINK", "SRC", "DST", {"PARAM": "", "SHOWCMD": ""}),
        two_paths_box(15)),
    # No name over 260 bytes exists, so RSRC stops at the missing destination.
    Row("message 1 of RSRC", lambda s: script("Step", section("Step", "RSRC", FROM=s.win("updater.exe"),
                                                        TO=long_dir(s, 1000) + "\\b", TYPE="3", NAME="1")),
        lambda s: [error_box(message(1, long_dir(s, 1000) + "\\b"))]),
]

# The long names all lie under the folder "l", which the scripts name.
for _row in LONG_PATHS + TWO_PATHS:
    _row.named.add("l")


class Hostile(UpdaterTest):
    def check_row(self, row):
        s = self.scenario()
        for relative, data in row.files.items():
            s.write_bytes(relative, data)
        data = row.make(s)
        if isinstance(data, str):
            s.write_script(data)
        else:
            s.write_bytes("updater.ini", data)
        before = snapshot(s.path())
        started = time.monotonic()
        result = s.run(row.arguments, answers=row.answers, timeout=row.bound * 3)
        took = time.monotonic() - started
        boxes = row.boxes(s) if callable(row.boxes) else row.boxes
        if boxes is None:
            # Whatever the platform makes of it: one error box at most.
            problems = [] if len(result.boxes) <= 1 and all(b["icon"] == "error" for b in result.boxes) \
                else ["more than one box, or not an error box"]
            if result.timed_out or result.exit_code != 0:
                problems.append("the run did not end by itself with the code 0")
            if problems:
                fail("the run was not sound", problems, result)
        else:
            expect_boxes(result, boxes)
        after = snapshot(s.path())
        changed = sorted(k for k in set(before) | set(after) if before.get(k) != after.get(k)
                         and not any(k == n or k.startswith(n + os.sep) for n in row.named))
        self.assertEqual(changed, [], "files the script did not name changed")
        # The driver's own start and the boxes' answering are in the time too.
        self.assertLess(took, row.bound, f"the run took {took:.1f} s")

    def test_every_hostile_script_ends_with_its_boxes(self):
        for row in ROWS:
            with self.subTest(row=row.name):
                self.check_row(row)

    def test_paths_over_260_bytes_in_every_type(self):
        for row in LONG_PATHS:
            with self.subTest(row=row.name):
                self.check_row(row)

    def test_messages_with_two_paths_of_1000_bytes(self):
        for row in TWO_PATHS:
            with self.subTest(row=row.name):
                self.check_row(row)


if __name__ == "__main__":
    main()
