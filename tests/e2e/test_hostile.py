"""Hostile and broken scripts: garbage, encodings, cut values, huge counts, loops past the nesting bound, expansions
built to be slow or huge, lead bytes at the very end, paths over 260 bytes in every procedure type. Every run must end
by itself within BOUND seconds, show exactly the boxes of its row, and change no file the script does not name."""

import os
import pathlib
import random
import re
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
from sections import info, msgbox, section, switch  # noqa: E402
from updater import DEFAULT_CAPTION, Box, UpdaterTest, error_box, expect_boxes, fail, main, message  # noqa: E402
from test_checker import run_checker  # noqa: E402

# Seconds: the promise for any script of 64 KiB, the driver's start and the answering included, on an idle machine
# where the trivial script takes IDLE_TRIVIAL; a busy machine widens it by its own cost of the trivial script.
BOUND, IDLE_TRIVIAL = 10, 0.5
KEPT = 32766  # a value is cut to the reader's buffer of 32,767 bytes with its terminator
HELD, CLEAR = info("held"), info("clear")
NO_SECTION = [error_box(message(2, "UPDATER", "NAME"), exit_code=3)]


def script(proc, sections="", define=None):
    head = f"[UPDATER]\nNAME=\nPROC={proc}\n"
    return head + ("" if define is None else "[DEFINE]\n" + define + "\n") + sections


def judged(proc, tested, sections, define=None):
    """Runs proc, then a box says whether the section `tested` set its flag: HELD or CLEAR."""
    return script(f"{proc},Outcome", sections + switch("Outcome", tested, "Clear", "Held")
                  + msgbox("Held", "held") + msgbox("Clear", "clear"), define)


verify = lambda name, first="a", second="b": section(name, "VERIFY", ARG1=first, ARG2=second)  # noqa: E731
same = lambda first, second, define=None: judged("Same", "Same", verify("Same", first, second), define)  # noqa: E731
shown = lambda text, define=None: script("Box", msgbox("Box", text), define)  # noqa: E731
garbage = lambda seed, size, without=b"": bytes(  # noqa: E731
    random.Random(seed).choices([b for b in range(256) if b not in without], k=size))
crlf = lambda text, encoding="latin-1": text.replace("\n", "\r\n").encode(encoding)  # noqa: E731
# A PROC of 40,000 bytes: Box, spaces, and from offset cut_at on ",Bad...".
long_proc = lambda cut_at: ("Box" + " " * (cut_at - 3) + ",Bad").ljust(40000, "x")  # noqa: E731


def long_dir(s, length):
    """Folders that do not exist under the scenario's "l", `length` bytes long, each name under 255."""
    path = s.win("l")
    while len(path) < length:
        path += "\\" + "d" * min(200, length - len(path) - 1)
    return path[:length]


# A lead byte alone takes the byte after it (a line end, a ">") as its second
# half and arrives as "・"; the key after it, the next DEFINE line and the
# next entry must still arrive.
NAKAGURO = "\x81\x45"
# Two line ends, because a lead byte at the end of the garbage takes the byte after it along.
AFTER_GARBAGE = garbage(6, 65536, b"[\xff\xfe\xef") + b"\r\n\r\n" + crlf(shown("after garbage"), "cp932")
# A loop through one SWITCH nests one list deeper per pass.
LOOP = script("Ask,Loop,After", msgbox("Ask", "again?", "QUESTION") + switch("Loop", "Ask", "", "Ask,Loop")
              + msgbox("After", "after"))
ENDLESS = script("Os,Loop,After", section("Os", "OSVER") + switch("Loop", "Os", "", "Os,Loop")
                 + msgbox("After", "after"))
ASK = Box(caption=DEFAULT_CAPTION, text="again?", icon="question", buttons=["YES", "NO"])
SECTIONS = [f"S{i:05d}" for i in range(10000)]
PROCEDURES = [f"P{i:04d}" for i in range(2000)]
X30K = "<A>=" + "x" * 30000
huge = lambda name, count=10900: section(name, "EXIST", FILE="<A>" * count)  # noqa: E731
unreadable = lambda name, key="FILE": error_box(message(2, name, key))  # noqa: E731
failed = lambda number, *arguments: error_box(message(number, *arguments))  # noqa: E731


# Scripts of up to 64 KiB built to read, look up, hold or build much: every one ends within the promise, past the
# run's bound with message 2 at the key that passes it. V: a value of 30,000 bytes through the macro <A>.
V = lambda name: section(name, "EXIST", FILE="<A>")  # noqa: E731
found = lambda name: pathlib.Path(__file__).parents[2].joinpath("tools", "fuzz", "corpus", "script", name).read_bytes()  # noqa: E731
ASK_AGAIN = lambda name, branch: section(name, "SWITCH", PROC="Os", **{"0": "", "1": branch})  # noqa: E731
FAMILIES = [
    ("3,600 lookups that find nothing, loaded 200 times", script(",".join(["L"] * 200), verify(
        "L", "{?App\\q}" * 3600)), []),
    ("a lookup that finds nothing, loaded 16,000 times", script(",".join(["L"] * 16000), verify(
        "L", "{?App\\q}" * 3000)), [unreadable("L", "ARG1")]),
    ("30,000 bytes loaded 12,000 times", script(",".join(["V"] * 12000), V("V"), X30K), [unreadable("V")]),
    ("a loop of 40 values of 30,000 bytes", script("Os,Loop", section("Os", "OSVER") + ASK_AGAIN(
        "Loop", "Os," + "V," * 40 + "Loop") + V("V"), X30K), [unreadable("V")]),
    ("a macro table of 2,400 entries of 1,300 bytes", same("<B2399>", "x" * 1300, "<A>=" + "x" * 1300 + "".join(
        f"\n<B{i}>=<A>" for i in range(2400))), [HELD]),
    # 40 lists of 100 values of 5,000 bytes: 40 MB expanded, but their 16,000 key reads pass the bound.
    ("many lists that each add little", script(",".join(["Os"] + ["Sw"] * 40), ASK_AGAIN("Sw", ",".join(["L"] * 100))
                                                + section("Os", "OSVER") + verify("L", "<A>"), "<A>=" + "x" * 5000),
     [unreadable("L", "ARG2")]),
    # Items that do nothing yet cost: each is charged to the run, which stops at the item that passes the bound.
    ("16,380 programs waited for without a tick", script("W", section("W", "WAITAPP", APP=",".join(["a"] * 16380),
                                                                     TICK="")), [unreadable("W", "APP")]),
    ("running programs tested by a section named 1,000 times", script(",".join(["A"] * 1000), section(
        "A", "APPEXIST", APP="a")), [unreadable("A", "APP")]),
    ("16,380 paths tested, the section named 50 times", script(",".join(["E"] * 50), section(
        "E", "EXIST", FILE=",".join(["."] * 16380))), [unreadable("E")]),
    # A file of its own: one that CRC holds (read, no sharing) cannot be loaded by the tests beside it.
    ("a file of 14.8 MB read 4,000 times", script("C", section("C", "CRC", FILE=",".join(["<B>"] * 4000), TYPE="OR",
                                                               CRC=",".join(["1"] * 4000)), "<B>=#\\big.bin"),
     [unreadable("C")]),
    # The slowest and the largest scripts that an hour of fuzz_script found (tools/fuzz/corpus/script).
    ("the slowest script found", found("slowest-found-50-kb-lookups"), [unreadable("L", "ARG1")]),
    ("the largest script found", found("largest-found-63-kb-named-values"), [unreadable("Ex")]),
]


def step(mode, **keys):
    """A step of the mode; a test shows HELD or CLEAR after it."""
    tested = mode in ("DELETE", "CRC", "EXIST", "DATE", "APPEXIST", "WAITAPP", "VERIFY")
    return judged("Step", "Step", section("Step", mode, **keys)) if tested else script("Step", section("Step", mode, **keys))

# name, script (text or bytes), boxes (None: one error box at most), answers (OK for each box by default).
# In a text script and in the boxes "@" stands for a folder 300 bytes long, "$" one of 1,000, "#" the scenario's.
ROWS = FAMILIES + [
    ("binary garbage is a script without sections", garbage(1, 65536, b"["), NO_SECTION),
    ("garbage with every byte", garbage(2, 65536), None),
    ("garbage with a UTF-16 signature", b"\xff\xfe" + garbage(2, 65536, b"["), NO_SECTION),
    ("garbage lines before a script belong to no section", AFTER_GARBAGE, [info("after garbage")]),
    ("UTF-16 with a signature", b"\xff\xfe" + crlf(shown("ユニコード"), "utf-16-le"), [info("ユニコード")]),
    # The signature makes the platform read UTF-8; the text arrives in the program's code page.
    ("UTF-8 with a signature", b"\xef\xbb\xbf" + crlf(shown("ユーティーエフ"), "utf-8"), [info("ユーティーエフ")]),
    ("PROC is cut to 32766 bytes", script(long_proc(KEPT), msgbox("Box", "shown")), [info("shown")]),
    # The last byte kept is the comma: the second name is empty.
    ("PROC cut just after a comma", script(long_proc(KEPT - 1), msgbox("Box", "x")), [error_box(message(2, "", "MODE"))]),
    # A box larger than the screen: its icon lies off it, where the driver cannot see it.
    ("TEXT of 20000 markers", shown("%t" * 20000), [Box(caption=DEFAULT_CAPTION, text="\t" * (KEPT // 2))]),
    ("10,000 sections", judged(SECTIONS[-1], SECTIONS[-1], "".join(verify(n) for n in SECTIONS[:-1])
                                + verify(SECTIONS[-1], "a", "A")), [HELD]),
    ("2,000 procedures in one list", judged(",".join(PROCEDURES), PROCEDURES[-1], "".join(
        verify(n) for n in PROCEDURES[:-1]) + verify(PROCEDURES[-1], "z", "Z")), [HELD]),
    # Every YES nests one list deeper; NO ends it.
    ("a loop 40 lists deep", LOOP, [ASK] * 40 + [info("after")], ["YES"] * 39 + ["NO", "OK"]),
    # A test that always holds nests up to the bound of 256 lists; the next is refused.
    ("a loop that never ends", ENDLESS, [error_box(message(3, "ProcListArray"))]),
    ("a script with no sections", b"", NO_SECTION),
    ("a macro that grows to 480,000 bytes, twice", same("<A>" * 10000, "<A>" * 10000, "<A>=<A><A><A><A>"), [HELD]),
    ("a lead byte ending a value", crlf(same("abc\x82", "abc" + NAKAGURO)), [HELD]),
    ("a lead byte ending a DEFINE line", crlf(shown("<L>|<M>", "<L>=ab\x82\n<M>=next")), [info("ab・|next")]),
    ("a lead byte before a group's end", crlf(shown("x<A\x82>", "<A\x82>=no")), [info("x<A・")]),
    # Expansion is bounded at 4 MiB a value: past it the key is unreadable, and nothing runs.
    ("500,000 line-feed markers", shown("<A>" * 100, "<A>=" + "%n" * 5000), [Box(caption=DEFAULT_CAPTION)]),
    ("a value of 327 MB, named eight times", script(",".join(["Ex"] * 8), huge("Ex"), X30K), [unreadable("Ex")]),
    ("3.9 MB named 80 times: the 17th passes 64 MiB a run", script(",".join(["Ex"] * 80), huge("Ex", 130), X30K),
     [unreadable("Ex")]),
    ("4.2 MB, just past the limit of a value", script("Ex", huge("Ex", 140), X30K), [unreadable("Ex")]),
    ("a DEFINE entry past the limit", shown("<C>", X30K + "\n<B>=" + "<A>" * 100 + "\n<C>=<B><B>"), [unreadable("Box", "TEXT")]),
    ("4,600 lookups in 3,000 entries", same("<M2999>" * 4600, "v" * 4600, "\n".join(f"<M{i}>=v" for i in range(3000))), [HELD]),
    ("groups nested 16,000 deep", same("<" * 16000 + ">" * 16000, "<" * 16000 + ">" * 16000), [HELD]),
    ("a parent step in a text with slashes", shown("see http://host/a/../b"), [info("see http://host/a/../b")]),
    ("10,000 parent steps", same("C:\\a" + "\\b\\.." * 5000, "C:\\a"), [HELD]),
    ("?Param ranges of 64 KB each", same("{?Param\\0\\32767}" * 1500, "x"), [unreadable("Same", "ARG1")]),
    ("4,000 unregistered programs", same("{?App\\x}" * 4000, "{?App\\x}" * 4000), [HELD]),
    ("2,700 unknown special folders", same("{?SpFolder\\ff}" * 2700, "{?SpFolder\\ff}" * 2700), [HELD]),
    # Paths over 260 bytes in every procedure type (long destinations of COPY, SHELL, LINK: test_files.py), in messages.
    # Past 260 the file calls take the long form: a missing source is missing, a folder is made.
    ("long: MOVE", step("MOVE", FROM="@\\a", TO="@\\b"), [failed(14, "@\\a", "@\\b")]),
    ("long: DELETE", step("DELETE", FILE="@\\a"), [HELD]), ("long: MAKEDIR", step("MAKEDIR", DIR="@"), []),
    ("long: ATTR", step("ATTR", FILE="@\\a", ARG="1"), [failed(12, "@\\a", 1)]),
    ("long: RSRC from", step("RSRC", FROM="@\\a.exe", TO="#\\updater.exe", TYPE="3", NAME="1"), [failed(1, "@\\a.exe")]),
    ("long: CRC", step("CRC", FILE="@\\a", TYPE="AND", CRC="0"), [CLEAR]),
    ("long: DATE", step("DATE", FILE="@\\a", DATE="1990/1/1"), [HELD]),
    ("long: EXIST", step("EXIST", FILE="@\\a"), [CLEAR]), ("long: APPEXIST", step("APPEXIST", APP="@\\a.exe"), [CLEAR]),
    ("long: WAITAPP", step("WAITAPP", APP="@\\a.exe", TICK="100"), [HELD]),
    ("long: VERIFY", step("VERIFY", ARG1="@", ARG2="@"), [HELD]),
    ("long: MSGBOX", script("Step", msgbox("Step", "@")), [info("@")]),
    ("two paths of 1,000 bytes in message 8", step("COPY", FROM="$\\a", TO="$\\b"), [failed(8, "$\\a", "$\\b")]),
    ("two paths of 1,000 bytes in message 9", step("LAUNCH", FILE="$\\a", PARAM="$\\b", ISWAIT="1"), [failed(9, "$\\a", "$\\b")]),
]


class Hostile(UpdaterTest):
    def test_every_hostile_script_ends_with_its_boxes(self):
        """Checks the time, the files not under "l"; then the boxes, or one error box at most."""
        def check(data, boxes, answers=None):
            s = self.scenario()
            fill = lambda text: text.replace("@", long_dir(s, 300)).replace("$", long_dir(s, 1000)).replace(  # noqa: E731
                "#", s.win())
            s.write_bytes("src.txt", b"source")
            s.write_bytes("big.bin", bytes(14800000)) if "big.bin" in str(data) else None
            s.write_script(fill(data)) if isinstance(data, str) else s.write_bytes("updater.ini", data)
            before = s.tree()
            started = time.monotonic()
            result = s.run(answers=answers or ["OK"] * len(boxes or [1]), timeout=BOUND * 12)
            took = time.monotonic() - started
            if any(data is row[1] for row in FAMILIES):  # the checker finds where the run passes its bound, as fast
                started = time.monotonic()
                told = [p.split("\t") for p in run_checker(s, "--tsv", s.win("updater.ini"))[1]]
                took = max(took, time.monotonic() - started)
                self.assertEqual({(p[2], p[5].split(":")[0]) for p in told if p[4] == "250"}, {place for box in boxes or [] for
                                 place in re.findall(r'"(.*)"\n.*"(.*)"', box.expected.get("text", "")) if box.exit_code == 1})
            sys.stderr.write(f"{took:6.1f} s  {data[:60]!r}\n" if os.environ.get("HOSTILE_TIMES") else "")
            after = s.tree()
            self.assertEqual(sorted(k for k in set(before) | set(after) if before.get(k) != after.get(k)
                                    and k.split(os.sep)[0] != "l"), [], "files the script did not name changed")
            if took >= BOUND:
                started = time.monotonic()
                self.run_script("Os", section("Os", "OSVER"))
                trivial = time.monotonic() - started
                self.assertLess(took, BOUND * max(1, trivial / IDLE_TRIVIAL), f"the run took {took:.1f} s, a trivial "
                                f"one {trivial:.1f} s")
            if boxes is not None:
                expect_boxes(result, [Box(box.exit_code, **dict(box.expected, text=fill(box.expected["text"])))
                                      if "text" in box.expected else box for box in boxes])
            elif result.timed_out or result.exit_code not in ((1, 3) if result.boxes else (0,)) or \
                    len(result.boxes) > 1 or any(b["icon"] != "error" for b in result.boxes):
                fail("not one error box at most, or no end with its code (0, or 1 or 3 after it)", [], result)
        self.each(ROWS, check)


if __name__ == "__main__":
    main()
