"""CRC: compared files set the condition flag (seen through two gated boxes after the test), measured files show their
CRC and leave it on the clipboard. Every CRC expected comes from Python's zlib over the same bytes."""

import os
import sys
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
from messages import PROGRESS_TEXTS  # noqa: E402
from sections import flag_boxes, info, section  # noqa: E402
from updater import Box, CLIPBOARD_BEFORE, DEFAULT_CAPTION, UpdaterTest, expect_boxes, main   # noqa: E402

GATES = flag_boxes("Test")
# Contents of the files the tests name; "-" stands for a file that is absent, "e" (empty) cannot be measured.
CONTENTS = {"a": b"abc", "b": b"second file\r\n", "c": bytes(range(256)) * 3, "e": b"", "表示.txt": b"shift-jis"}
R = {name: f"{zlib.crc32(data):08x}" for name, data in CONTENTS.items()}  # the item that matches
W = {name: f"{zlib.crc32(data) ^ 1:08x}" for name, data in CONTENTS.items()}  # one that does not
SHOWN = {name: f"0x{zlib.crc32(data):08X}" for name, data in CONTENTS.items() if data}
SHOWN["<Src>\\表示.txt"] = SHOWN["表示.txt"]  # named by its full path

# name, FILE, TYPE, CRC (empty items measure their file), boxes of files measured, flag, the clipboard after the
# run (its text before: "", another program holds it: None; not looked at when left out)
ROWS = [
    ("all: two match; 0x, upper case, spaces around", " a ,b", "AND", f" 0x352441C2 ,{R['b']}", [], 1, ""),
    ("off by one", "a", "AND", "0x352441C3", [], 0),
    ("all: second differs, keyword in lower case", "a,b", "and", f"{R['a']},{W['b']}", [], 0),
    ("all: second missing", "a,-,c", "AND", f"{R['a']},{R['b']},{R['c']}", [], 0),
    ("any: second matches", "a,b", "OR", f"{W['a']},{R['b']}", [], 1),
    ("any: a differs, b measured", "a,b", "", f"{W['a']},", ["b"], 1),
    ("any: a matches, b not reached", "a,b", "", f"{R['a']},", [], 1),
    ("any: b measured, a last and differs", "b,a", "", f",{W['a']}", ["b"], 0),
    ("all: a differs, b not reached", "a,b", "AND", f"{W['a']},", [], 0),
    ("all: b measured, c differs", "b,c", "AND", f",{W['c']}", ["b"], 0),
    ("the last measure stays, Shift-JIS name", "a, b ,<Src>\\表示.txt", "AND", "", ["a", "b", "<Src>\\表示.txt"], 1,
     SHOWN["表示.txt"]),
    ("a missing file in the middle", "a,-,c", "AND", "", ["a", "-"], 0, SHOWN["a"]),
    ("an empty file first: nothing copied", "e,a", "AND", "", ["e"], 0, ""),
    ("a busy clipboard: the boxes all the same", "a,b", "AND", "", ["a", "b"], 1, None),
]


class Crc(UpdaterTest):
    def run_crc(self, files, type_, crcs, answers, s=None, **options):
        s = s or self.scenario()
        for name, data in CONTENTS.items():
            s.write_bytes(name, data)
        return s, self.run_script("Test,Set,Clear", section("Test", "CRC", FILE=files, TYPE=type_, CRC=crcs) + GATES,
                                  ["OK"] * answers, s=s, **options)

    def test_flag_measures_and_the_clipboard(self):
        """What the clipboard held before (in another format) goes at the first measure, and only then."""
        def check(files, type_, crcs, shown, flag, clipboard=False):
            look = isinstance(clipboard, str)
            s, result = self.run_crc(files, type_, crcs, len(shown) + 1, clipboard=look, hold_clipboard=clipboard is None)
            boxes = [Box(caption=DEFAULT_CAPTION, icon="information" if name in SHOWN else "error", buttons=["OK"],
                         text=f"PROC\t: Test\nFILE\t: {name.replace('<Src>', s.win())}\n"
                              f"CRC32\t: {SHOWN.get(name, 'GetFileData Error.')}") for name in shown]
            expect_boxes(result, boxes + [info(f"flag {flag}")])
            if look:
                self.assertEqual(result.clipboard, clipboard or CLIPBOARD_BEFORE)
        self.each(ROWS, check)

    def test_file_over_4_gib(self):
        """A sparse file of 4 GiB and a bit: bytes at both ends and across the 4 GiB mark. With PROGRESS=1 the window
        says it checks the file, its bar going by the bytes read."""
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
        result = self.run_crc("huge.bin", "AND", f"{value:08X}", 1, s=s, timeout=300, head="NAME=\nPROGRESS=1")[1]
        expect_boxes(result, [info("flag 1")])
        bars = [p["bar"] for p in result.progress]
        self.assertEqual({(p["step"], p["item"]) for p in result.progress}, {(PROGRESS_TEXTS[105], "huge.bin")})
        self.assertTrue(len(bars) >= 2 and bars == sorted(bars) and 0 < bars[-1] <= 1000, bars)


if __name__ == "__main__":
    main()
