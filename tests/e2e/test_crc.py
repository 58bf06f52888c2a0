"""CRC: compared files set the condition flag (seen through two gated boxes
after the test), measured files show their CRC and leave it on the clipboard.
Every CRC the tests expect comes from Python's zlib over the same bytes."""

import os
import sys
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
from holding import holding_clipboard  # noqa: E402
from sections import info, msgbox, section  # noqa: E402
from updater import Box, DEFAULT_CAPTION, UpdaterTest, error_box, expect_boxes, main, message  # noqa: E402,E501

GATES = msgbox("Set", "flag 1", flag="Test,1") + msgbox("Clear", "flag 0", flag="Test,0")

# Contents of the files the tests name; "-" stands for a file that is absent.
CONTENTS = {"a": b"abc", "b": b"second file\r\n", "c": bytes(range(256)) * 3, "e": b""}


def crc(data):
    return zlib.crc32(data) & 0xFFFFFFFF


def right(name):
    """The expected item that matches the file's contents."""
    return f"{crc(CONTENTS[name]):08x}"


def wrong(name):
    return f"{crc(CONTENTS[name]) ^ 1:08x}"


def measured_box(section_name, path, data):
    text = f"PROC\t: {section_name}\nFILE\t: {path}\nCRC32\t: 0x{crc(data):08X}"
    return Box(caption=DEFAULT_CAPTION, text=text, icon="information", buttons=["OK"])


def unreadable_box(section_name, path):
    text = f"PROC\t: {section_name}\nFILE\t: {path}\nCRC32\t: GetFileData Error."
    return Box(caption=DEFAULT_CAPTION, text=text, icon="error", buttons=["OK"])


def flag_box(flag):
    return info(f"flag {flag}")


class CrcTest(UpdaterTest):
    def scenario_with_files(self, names=CONTENTS):
        s = self.scenario()
        for name in names:
            s.write_bytes(name, CONTENTS[name])
        return s

    def run_crc(self, s, files, type_, crcs, answers=1, **run_options):
        s.write_script("[UPDATER]\nNAME=\nPROC=Test,Set,Clear\n"
                       + section("Test", "CRC", FILE=files, TYPE=type_, CRC=crcs) + GATES)
        return s.run(answers=["OK"] * answers, **run_options)

    def expect_flags(self, rows):
        """rows: (label, FILE, TYPE, CRC, flag) of compared files only."""
        for label, files, type_, crcs, flag in rows:
            with self.subTest(label):
                s = self.scenario_with_files()
                expect_boxes(self.run_crc(s, files, type_, crcs), [flag_box(flag)])


class Compared(CrcTest):
    def test_abc_in_both_spellings(self):
        self.expect_flags([
            ("0x upper case", "a", "AND", "0x352441C2", 1),
            ("bare lower case", "a", "AND", "352441c2", 1),
            ("spaces around", " a ", "", " 352441C2 ", 1),
            ("off by one", "a", "AND", "0x352441C3", 0),
            ("no hex digits reads as 0", "a", "AND", "zz", 0),
        ])

    def test_all_mode_needs_every_file(self):
        ra, rb, rc = right("a"), right("b"), right("c")
        wa, wb, wc = wrong("a"), wrong("b"), wrong("c")
        self.expect_flags([
            ("two match", "a,b", "AND", f"{ra},{rb}", 1),
            ("first differs", "a,b", "AND", f"{wa},{rb}", 0),
            ("second differs", "a,b", "AND", f"{ra},{wb}", 0),
            ("three match", "a,b,c", "AND", f"{ra},{rb},{rc}", 1),
            ("third differs", "a,b,c", "AND", f"{ra},{rb},{wc}", 0),
            ("second missing", "a,-,c", "AND", f"{ra},{rb},{rc}", 0),
            ("keyword in lower case", "a,b", "and", f"{ra},{rb}", 1),
            ("keyword mixed case", "a,b", "And", f"{ra},{wb}", 0),
        ])

    def test_any_mode_needs_one_file(self):
        ra, rb, rc = right("a"), right("b"), right("c")
        wa, wb, wc = wrong("a"), wrong("b"), wrong("c")
        self.expect_flags([
            ("first matches", "a,b", "", f"{ra},{wb}", 1),
            ("second matches", "a,b", "OR", f"{wa},{rb}", 1),
            ("neither", "a,b", "", f"{wa},{wb}", 0),
            ("third of three", "a,b,c", "ANY", f"{wa},{wb},{rc}", 1),
            ("none of three", "a,b,c", "", f"{wa},{wb},{wc}", 0),
            ("missing first, second matches", "-,b", "", f"{ra},{rb}", 1),
            ("empty file never matches", "e", "", "0", 0),
        ])

    def test_unreadable_compared_files_do_not_match(self):
        s = self.scenario_with_files()
        expect_boxes(self.run_crc(s, "a", "AND", right("a"), hold=["a"]), [flag_box(0)])
        expect_boxes(self.run_crc(s, "a", "AND", right("a")), [flag_box(1)])

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
        value, zeros, position = 0, bytes(64 << 20), 0
        for offset, data in sorted(marks.items()):
            while position < offset:
                step = min(len(zeros), offset - position)
                value = zlib.crc32(zeros[:step], value)
                position += step
            value = zlib.crc32(data, value)
            position += len(data)
        value = zlib.crc32(zeros[:size - position], value) & 0xFFFFFFFF
        self.assertEqual(os.path.getsize(path), size)
        # Taking the size's low 32 bits would read only the first 4099 bytes.
        self.assertNotEqual(value, crc(b"start" + bytes(4094)))
        result = self.run_crc(s, "huge.bin", "AND", f"{value:08X}", timeout=300)
        expect_boxes(result, [flag_box(1)])


class Measured(CrcTest):
    def test_each_file_is_shown_and_the_last_stays_on_the_clipboard(self):
        s = self.scenario_with_files()
        result = self.run_crc(s, "a, b ,c", "", "", answers=4, clipboard=True)
        expect_boxes(result, [measured_box("Test", "a", CONTENTS["a"]),
                              measured_box("Test", "b", CONTENTS["b"]),
                              measured_box("Test", "c", CONTENTS["c"]),
                              flag_box(1)])
        self.assertEqual(result.clipboard, f"0x{crc(CONTENTS['c']):08X}")

    def test_unreadable_file_stops_the_loop(self):
        rows = [
            # label, FILE, hold, boxes before the error box, unreadable file
            ("missing", "a,-,c", [], ["a"], "-"),
            ("empty", "e,a", [], [], "e"),
            ("held open", "a,b,c", ["b"], ["a"], "b"),
        ]
        for label, files, hold, shown, unreadable in rows:
            with self.subTest(label):
                s = self.scenario_with_files()
                result = self.run_crc(s, files, "AND", "", answers=len(shown) + 2,
                                      hold=hold, clipboard=True)
                boxes = [measured_box("Test", name, CONTENTS[name]) for name in shown]
                expect_boxes(result, boxes + [unreadable_box("Test", unreadable), flag_box(0)])
                last = f"0x{crc(CONTENTS[shown[-1]]):08X}" if shown else None
                self.assertEqual(result.clipboard or None, last)

    def test_mixed_lists(self):
        ra, wa, rb = right("a"), wrong("a"), right("b")
        rows = [
            # label, FILE, TYPE, CRC, files measured (in order), flag
            ("any: a differs, b measured", "a,b", "", f"{wa},", ["b"], 1),
            ("any: a matches, b not reached", "a,b", "", f"{ra},", [], 1),
            ("all: a differs, b not reached", "a,b", "AND", f"{wa},", [], 0),
            ("all: a matches, b measured", "a,b", "AND", f"{ra}", ["b"], 1),
            ("all: b measured, c differs", "b,c", "AND", f",{wrong('c')}", ["b"], 0),
            ("any: b measured, a last and differs", "b,a", "", f",{wa}", ["b"], 0),
            ("any: b measured, a last and matches", "b,a", "", f",{ra}", ["b"], 1),
            ("all: b measured then matches", "b,b", "AND", f",{rb}", ["b"], 1),
            ("all: only measured files", "a,b", "AND", "", ["a", "b"], 1),
            ("any: only measured files", "b,a", "OR", " , ", ["b", "a"], 1),
        ]
        for label, files, type_, crcs, shown, flag in rows:
            with self.subTest(label):
                s = self.scenario_with_files()
                result = self.run_crc(s, files, type_, crcs, answers=len(shown) + 1)
                boxes = [measured_box("Test", name, CONTENTS[name]) for name in shown]
                expect_boxes(result, boxes + [flag_box(flag)])

    def test_a_busy_clipboard_still_shows_the_box(self):
        # Another program keeps the clipboard open for the whole run (no other
        # module of the tests uses the clipboard, so this one blocks nobody).
        s = self.scenario_with_files()
        with holding_clipboard(s):
            result = self.run_crc(s, "a,b", "", "", answers=3)
        expect_boxes(result, [measured_box("Test", "a", CONTENTS["a"]),
                              measured_box("Test", "b", CONTENTS["b"]), flag_box(1)])
        # Left as it was, and the program did not wait for it.
        self.assertIsNone(result.clipboard)
        result = self.run_crc(s, "c", "", "", answers=2, clipboard=True)
        self.assertEqual(result.clipboard, f"0x{crc(CONTENTS['c']):08X}")

    def test_japanese_path(self):
        s = self.scenario()
        s.write_bytes("表示.txt", b"shift-jis name")
        result = self.run_crc(s, r"<Src>\表示.txt", "", "", answers=2, clipboard=True)
        expect_boxes(result, [measured_box("Test", s.win("表示.txt"), b"shift-jis name"),
                              flag_box(1)])
        self.assertEqual(result.clipboard, f"0x{crc(b'shift-jis name'):08X}")


class Failures(CrcTest):
    def test_an_empty_file_value_stops_the_run(self):
        s = self.scenario_with_files()
        expect_boxes(self.run_crc(s, "", "AND", ""), [error_box(message(4, "Test", "FILE"))])

    def test_missing_keys(self):
        for key in ["FILE", "TYPE", "CRC"]:
            with self.subTest(key):
                s = self.scenario_with_files()
                keys = {"FILE": "a", "TYPE": "", "CRC": ""}
                del keys[key]
                s.write_script("[UPDATER]\nNAME=\nPROC=Test,Set\n" + section("Test", "CRC", **keys)
                               + GATES)
                expect_boxes(s.run(answers=["OK"]), [error_box(message(2, "Test", key))])


if __name__ == "__main__":
    main()
