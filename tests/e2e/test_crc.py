"""CRC: compared files set the condition flag (seen through two gated boxes
after the test), measured files show their CRC and leave it on the clipboard.
Every CRC the tests expect comes from Python's zlib over the same bytes; the
arithmetic itself and the block reads are unit-tested."""

import os
import sys
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
from sections import info, msgbox, section  # noqa: E402
from updater import Box, DEFAULT_CAPTION, UpdaterTest, expect_boxes, main  # noqa: E402

GATES = msgbox("Set", "flag 1", flag="Test,1") + msgbox("Clear", "flag 0", flag="Test,0")

# Contents of the files the tests name; "-" stands for a file that is absent.
CONTENTS = {"a": b"abc", "b": b"second file\r\n", "c": bytes(range(256)) * 3, "e": b""}


def crc(data):
    return zlib.crc32(data) & 0xFFFFFFFF


R = {name: f"{crc(data):08x}" for name, data in CONTENTS.items()}  # the item that matches
W = {name: f"{crc(data) ^ 1:08x}" for name, data in CONTENTS.items()}  # one that does not


def crc_box(path, data=None):
    """The box of a measured file; data None: of a file that cannot be read."""
    value = "GetFileData Error." if data is None else f"0x{crc(data):08X}"
    return Box(caption=DEFAULT_CAPTION, text=f"PROC\t: Test\nFILE\t: {path}\nCRC32\t: {value}",
               icon="error" if data is None else "information", buttons=["OK"])


# name, FILE, TYPE, CRC (empty items measure their file), files measured, flag
FLAGS = [
    ("0x, upper case, spaces around", " a ", "AND", " 0x352441C2 ", [], 1),
    ("off by one", "a", "AND", "0x352441C3", [], 0),
    ("all: two match", "a,b", "AND", f"{R['a']},{R['b']}", [], 1),
    ("all: first differs", "a,b", "AND", f"{W['a']},{R['b']}", [], 0),
    ("all: second differs, keyword in lower case", "a,b", "and", f"{R['a']},{W['b']}", [], 0),
    ("all: second missing", "a,-,c", "AND", f"{R['a']},{R['b']},{R['c']}", [], 0),
    ("any: first matches", "a,b", "", f"{R['a']},{W['b']}", [], 1),
    ("any: second matches", "a,b", "OR", f"{W['a']},{R['b']}", [], 1),
    ("any: neither", "a,b", "", f"{W['a']},{W['b']}", [], 0),
    ("any: a differs, b measured", "a,b", "", f"{W['a']},", ["b"], 1),
    ("any: a matches, b not reached", "a,b", "", f"{R['a']},", [], 1),
    ("any: b measured, a last and differs", "b,a", "", f",{W['a']}", ["b"], 0),
    ("all: a differs, b not reached", "a,b", "AND", f"{W['a']},", [], 0),
    ("all: b measured, c differs", "b,c", "AND", f",{W['c']}", ["b"], 0),
    ("all: only measured files", "a,b", "AND", "", ["a", "b"], 1),
]

# name, FILE, files shown before the error box, the unreadable file
UNREADABLE = [
    ("a missing file in the middle", "a,-,c", ["a"], "-"),
    ("an empty file first: nothing copied", "e,a", [], "e"),
]


class Crc(UpdaterTest):
    def run_crc(self, files, type_, crcs, answers, s=None, **options):
        if s is None:
            s = self.scenario()
            for name, data in CONTENTS.items():
                s.write_bytes(name, data)
        test = section("Test", "CRC", FILE=files, TYPE=type_, CRC=crcs)
        return self.run_script("Test,Set,Clear", test + GATES, ["OK"] * answers, s=s, **options)

    def test_flag_and_measured_files(self):
        def check(files, type_, crcs, shown, flag):
            result = self.run_crc(files, type_, crcs, len(shown) + 1)
            expect_boxes(result, [crc_box(name, CONTENTS[name]) for name in shown] + [info(f"flag {flag}")])
        self.each(FLAGS, check)

    def test_an_unreadable_measured_file_stops_the_loop(self):
        def check(files, shown, unreadable):
            result = self.run_crc(files, "AND", "", len(shown) + 2, clipboard=True)
            boxes = [crc_box(name, CONTENTS[name]) for name in shown]
            expect_boxes(result, boxes + [crc_box(unreadable), info("flag 0")])
            self.assertEqual(result.clipboard or None, f"0x{crc(CONTENTS[shown[-1]]):08X}" if shown else None)
        self.each(UNREADABLE, check)

    def test_the_last_measured_crc_stays_on_the_clipboard(self):
        s = self.scenario()
        for name, data in {**CONTENTS, "表示.txt": b"shift-jis name"}.items():
            s.write_bytes(name, data)
        result = self.run_crc(r"a, b ,<Src>\表示.txt", "", "", 4, s=s, clipboard=True)
        expect_boxes(result, [crc_box("a", CONTENTS["a"]), crc_box("b", CONTENTS["b"]),
                              crc_box(s.win("表示.txt"), b"shift-jis name"), info("flag 1")])
        self.assertEqual(result.clipboard, f"0x{crc(b'shift-jis name'):08X}")

    def test_a_busy_clipboard_still_shows_the_box(self):
        # Another program keeps the clipboard open for the whole run.
        result = self.run_crc("a,b", "", "", 3, hold_clipboard=True)
        expect_boxes(result, [crc_box("a", CONTENTS["a"]), crc_box("b", CONTENTS["b"]), info("flag 1")])

    def test_file_over_4_gib(self):
        """A sparse file of 4 GiB and a bit, with bytes near both ends and at
        the 4 GiB mark; its CRC is zlib's over the whole of it."""
        s = self.scenario()
        size = (4 << 30) + 4099
        marks = {0: b"start", (4 << 30) - 2: b"across the mark", size - 4: b"end!"}
        path = s.path("huge.bin")
        self.addCleanup(os.remove, path)
        with open(path, "wb") as f:
            f.truncate(size)
            for offset, data in marks.items():
                f.seek(offset)
                f.write(data)
        zeros = memoryview(bytes(64 << 20))
        value, position = 0, 0
        for offset, data in sorted(marks.items()) + [(size, b"")]:
            for start in range(position, offset, len(zeros)):
                value = zlib.crc32(zeros[:min(len(zeros), offset - start)], value)
            value, position = zlib.crc32(data, value), offset + len(data)
        value &= 0xFFFFFFFF
        # Taking the size's low 32 bits would read only the first 4099 bytes.
        self.assertNotEqual(value, crc(b"start" + bytes(4094)))
        expect_boxes(self.run_crc("huge.bin", "AND", f"{value:08X}", 1, s=s, timeout=300), [info("flag 1")])

    def test_reader(self):
        self.expect_reader("CRC", {"FILE": "a", "TYPE": "", "CRC": ""}, "FILE")


if __name__ == "__main__":
    main()
