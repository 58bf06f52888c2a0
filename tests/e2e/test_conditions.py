"""The condition tests VERIFY, EXIST and DATE, each seen through the flag it
leaves: two MSGBOX procedures after it, gated on flag 1 and on flag 0, show
which way the test went. (OSVER holds on Wine; the other modules rely on it.)"""

import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
from sections import info, msgbox, section  # noqa: E402
from updater import UpdaterTest, main  # noqa: E402

GATES = msgbox("Set", "flag 1", flag="Test,1") + msgbox("Clear", "flag 0", flag="Test,0")

# name, ARG1, ARG2, flag. The profile reader drops the quotes around a value.
VERIFY = [
    ("position 1; case and spaces do not matter", "A,B", "x, b", 1),
    ("equal items at other positions do not count", "A,B", "B,A", 0),
    ("a trail byte is no letter: 83 41 is not 83 61", "ア", "ヂ", 0),
    ("further ARG2 items are never looked at", "A", "A,B", 1),
    ("an item meets the empty item beyond ARG2's end", "A,B", "C", 0),
    ("an empty item meets a missing one", "A,", "B", 1), ("both empty", "", "", 1), ("empty ARG1", "", "x", 0),
    ("an empty ARG1 is compared with the whole ARG2", "", '" "', 0),
]

# name, FILE, files made, flag
EXIST = [
    ("every path exists; spaces are trimmed", r" <Src>\a.txt , b.txt,<Src>\c.txt", ["a.txt", "b.txt", "c.txt"], 1),
    ("the first is missing", r"<Src>\a.txt,<Src>\b.txt,<Src>\c.txt", ["b.txt", "c.txt"], 0),
    ("the last is missing", r"<Src>\a.txt,<Src>\b.txt,<Src>\c.txt", ["a.txt", "b.txt"], 0),
    ("a directory exists", r"<Src>\sub", [r"sub\only.txt"], 1), ("empty items do not exist", " , ", [], 0),
    ("a pattern that matches", r"<Src>\sub\*.txt", [r"sub\only.txt"], 1),
]

# name, {file: (year, month, day, hour, minute) of its last write}, DATE, flag, files held open
DATE = [
    ("the date itself at 23:59 passes", {"f": (2005, 11, 2, 23, 59)}, "2005/11/2", 0, []),
    ("the day before sets the flag", {"f": (2005, 11, 1, 22, 30)}, "2005/11/2", 1, []),
    ("a later year passes", {"f": (2006, 1, 1, 12, 0)}, "2005/12/31", 0, []),
    ("a later month passes", {"f": (2005, 12, 1, 12, 0)}, "2005/11/30", 0, []),
    ("an earlier year sets it", {"f": (2004, 12, 31, 12, 0)}, "2005/1/1", 1, []),
    ("only the low 16 bits count: 67541 is 2005", {"f": (2005, 11, 2, 12, 0)}, "67541/11/2", 0, []),
    ("an empty date passes every file that opens", {"f": (1990, 1, 1, 12, 0)}, "", 0, []),
    ("a missing file sets the flag", {}, "2005/11/2", 1, []),
    ("one old file of three", {"a": (2006, 1, 1, 12, 0), "b": (2007, 1, 1, 12, 0),
                               "c": (2005, 1, 1, 12, 0)}, "2005/11/2", 1, []),
    ("a file held open elsewhere (opened without sharing)", {"f": (2006, 1, 1, 12, 0)}, "2005/11/2", 1, ["f"]),
]


def local(year, month, day, hour, minute):
    """Unix seconds of a local time (Wine converts with today's offset, mktime with the date's: keep off midnight)."""
    return time.mktime((year, month, day, hour, minute, 0, 0, 0, -1))


class Conditions(UpdaterTest):
    def expect_flag(self, test, flag, files=(), hold=()):
        """files: names, or {name: time of its last write}."""
        s = self.scenario()
        for name in files:
            s.write_text(name, "x")
            if isinstance(files, dict):
                s.set_times(name, local(*files[name]))
        self.expect("Test,Set,Clear", test + GATES, [info(f"flag {flag}")], s=s, hold=hold)

    def test_verify_compares_items_by_position(self):
        self.each(VERIFY, lambda a1, a2, flag: self.expect_flag(section("Test", "VERIFY", ARG1=a1, ARG2=a2), flag))

    def test_exist_needs_every_path(self):
        self.each(EXIST, lambda files, names, flag: self.expect_flag(section("Test", "EXIST", FILE=files), flag, names))

    def test_date_needs_every_file_written_on_or_after_it(self):
        self.each(DATE, lambda files, date, flag, hold: self.expect_flag(
            section("Test", "DATE", FILE=",".join(files) or "missing", DATE=date), flag, files, hold))

    def test_readers(self):
        self.expect_reader("EXIST", {"FILE": "a"}, "FILE")
        self.expect_reader("DATE", {"FILE": "a", "DATE": ""}, "FILE")


if __name__ == "__main__":
    main()
