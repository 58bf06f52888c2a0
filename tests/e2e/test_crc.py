"""CRC: compared files set the condition flag (seen through two gated boxes
after the test), measured files show their CRC and leave it on the clipboard.
Every CRC the tests expect comes from Python's zlib over the same bytes; the
arithmetic itself and the block reads are unit-tested."""

import os
import sys
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
from sections import info, msgbox, section  # noqa: E402
from updater import Box, CLIPBOARD_BEFORE, DEFAULT_CAPTION, UpdaterTest, expect_boxes, main  # noqa: E402

GATES = msgbox("Set", "flag 1", flag="Test,1") + msgbox("Clear", "flag 0", flag="Test,0")

# Contents of the files the tests name; "-" stands for a file that is absent.
CONTENTS = {"a": b"abc", "b": b"second file\r\n", "c": bytes(range(256)) * 3, "e": b"", "表示.txt": b"shift-jis"}
SRC = "<Src>\\"


def crc(data):
    return zlib.crc32(data) & 0xFFFFFFFF


R = {name: f"{crc(data):08x}" for name, data in CONTENTS.items()}  # the item that matches
W = {name: f"{crc(data) ^ 1:08x}" for name, data in CONTENTS.items()}  # one that does not


# name, FILE, TYPE, CRC (empty items measure their file), files measured, flag
FLAGS = [
    ("0x, upper case, spaces around", " a ", "AND", " 0x352441C2 ", [], 1),
    ("off by one", "a", "AND", "0x352441C3", [], 0),
    ("all: two match", "a,b", "AND", f"{R['a']},{R['b']}", [], 1),
    ("all: second differs, keyword in lower case", "a,b", "and", f"{R['a']},{W['b']}", [], 0),
    ("all: second missing", "a,-,c", "AND", f"{R['a']},{R['b']},{R['c']}", [], 0),
    ("any: second matches", "a,b", "OR", f"{W['a']},{R['b']}", [], 1),
    ("any: a differs, b measured", "a,b", "", f"{W['a']},", ["b"], 1),
    ("any: a matches, b not reached", "a,b", "", f"{R['a']},", [], 1),
    ("any: b measured, a last and differs", "b,a", "", f",{W['a']}", ["b"], 0),
    ("all: a differs, b not reached", "a,b", "AND", f"{W['a']},", [], 0),
    ("all: b measured, c differs", "b,c", "AND", f",{W['c']}", ["b"], 0),
    ("all: only measured files", "a,b", "AND", "", ["a", "b"], 1),
]

# name, FILE (every item measured), another program holds the clipboard, files
# shown, the unreadable file that stops the loop, the clipboard after the run
MEASURED = [
    ("the last stays, Shift-JIS name", f"a, b ,{SRC}表示.txt", False, ["a", "b", f"{SRC}表示.txt"], None, "表示.txt"),
    ("a missing file in the middle", "a,-,c", False, ["a"], "-", "a"),
    ("an empty file first: nothing copied", "e,a", False, [], "e", None),
    ("a busy clipboard: the boxes all the same", "a,b", True, ["a", "b"], None, "hold"),
]


class Crc(UpdaterTest):
    def run_crc(self, files, type_, crcs, answers, s=None, **options):
        s = s or self.scenario()
        for name, data in CONTENTS.items():
            s.write_bytes(name, data)
        return s, self.run_script("Test,Set,Clear", section("Test", "CRC", FILE=files, TYPE=type_, CRC=crcs) + GATES,
                                  ["OK"] * answers, s=s, **options)

    def test_flag_and_measured_files(self):
        def check(files, type_, crcs, shown, flag):
            s, result = self.run_crc(files, type_, crcs, len(shown) + 1)
            expect_boxes(result, [self.crc_box(s, name) for name in shown] + [info(f"flag {flag}")])
        self.each(FLAGS, check)

    def test_measured_files_and_the_clipboard(self):
        """What the clipboard held before (in another format) goes at the first measure, and only then."""
        def check(files, hold, shown, unreadable, last):
            s, result = self.run_crc(files, "AND", "", len(shown) + 2, clipboard=not hold, hold_clipboard=hold)
            boxes = [self.crc_box(s, name) for name in shown + ([unreadable] if unreadable else [])]
            expect_boxes(result, boxes + [info(f"flag {0 if unreadable else 1}")])
            if not hold:
                self.assertEqual(result.clipboard, f"0x{crc(CONTENTS[last]):08X}" if last else CLIPBOARD_BEFORE)
        self.each(MEASURED, check)

    def crc_box(self, s, name):
        """The box of a measured file, or of one that cannot be read."""
        data = CONTENTS.get(name.removeprefix(SRC))
        value = f"0x{crc(data):08X}" if data else "GetFileData Error."
        return Box(caption=DEFAULT_CAPTION, icon="information" if data else "error", buttons=["OK"],
                   text=f"PROC\t: Test\nFILE\t: {s.win(name[len(SRC):]) if name.startswith(SRC) else name}\nCRC32\t: {value}")

    def test_file_over_4_gib(self):
        """A sparse file of 4 GiB and a bit: bytes at both ends and across the 4 GiB mark."""
        s = self.scenario()
        marks = [(0, b"start"), ((4 << 30) - 2, b"across the mark"), ((4 << 30) + 4095, b"end!")]
        self.addCleanup(os.remove, s.path("huge.bin"))
        value, position, zeros = 0, 0, memoryview(bytes(64 << 20))
        with open(s.path("huge.bin"), "wb") as f:
            for offset, data in marks:
                f.seek(offset)
                f.write(data)
                for start in range(position, offset, len(zeros)):
                    value = zlib.crc32(zeros[:min(len(zeros), offset - start)], value)
                value, position = zlib.crc32(data, value), offset + len(data)
        self.assertNotEqual(value, crc(b"start" + bytes(4094)))  # what the size's low 32 bits would read
        _, result = self.run_crc("huge.bin", "AND", f"{value & 0xFFFFFFFF:08X}", 1, s=s, timeout=300)
        expect_boxes(result, [info("flag 1")])

    def test_reader(self):
        self.expect_reader("CRC", {"FILE": "a", "TYPE": "", "CRC": ""}, "FILE")


if __name__ == "__main__":
    main()
