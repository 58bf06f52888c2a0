"""The condition tests VERIFY, EXIST, DATE and OSVER, each seen through the flag
it leaves: two MSGBOX procedures after it, gated on flag 1 and on flag 0, show
which way the test went."""

import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
from sections import info, msgbox, section  # noqa: E402
from updater import UpdaterTest, error_box, expect_boxes, main, message  # noqa: E402

GATES = msgbox("Set", "flag 1", flag="Test,1") + msgbox("Clear", "flag 0", flag="Test,0")


def local(year, month, day, hour, minute):
    """Unix seconds of a local time. Wine converts file times with the machine's
    time zone too; it applies today's offset where mktime applies the date's,
    so the times below keep an hour away from midnight."""
    return time.mktime((year, month, day, hour, minute, 0, 0, 0, -1))


class ConditionTest(UpdaterTest):
    def run_test(self, test_section, s=None, **run_options):
        s = s or self.scenario()
        s.write_script("[UPDATER]\nNAME=\nPROC=Test,Set,Clear\n" + test_section + GATES)
        return s.run(answers=["OK"], **run_options)

    def expect_flag(self, test_section, flag, s=None, **run_options):
        expect_boxes(self.run_test(test_section, s, **run_options), [info(f"flag {flag}")])

    def expect_stop(self, test_section, key):
        # The gated boxes after the test never come: the run has stopped.
        expect_boxes(self.run_test(test_section), [error_box(message(4, "Test", key))])


class Verify(ConditionTest):
    def check(self, cases):
        for arg1, arg2, flag in cases:
            with self.subTest(ARG1=arg1, ARG2=arg2):
                self.expect_flag(section("Test", "VERIFY", ARG1=arg1, ARG2=arg2), flag)

    def test_items_compare_by_position(self):
        self.check([
            ("A,B", "x, b", 1),   # position 1; case and spaces do not matter
            ("A,B", "B,A", 0),    # equal items at other positions do not count
            ("A", "A,B", 1),      # further ARG2 items are never looked at
            ("A,B", "C", 0),      # B meets the empty item beyond ARG2's end
            ("x,y,z", "a,b,z", 1),
        ])

    def test_case_and_spaces(self):
        self.check([
            ("abc", "ABC", 1),
            ("A , B ", "c,  b", 1),
            ("a\t,z", "a,y", 0),  # only spaces are trimmed; the tab stays
            ("Ａ", "ａ", 0),      # full-width letters are not ASCII: their case counts
            ("表示", "表示", 1),
        ])

    def test_an_empty_item_meets_a_missing_one(self):
        self.check([
            ("A,", "B", 1),       # item 1 of ARG1 is empty, ARG2 has no item 1
            (",", "x", 1),
            ("A,,B", "x", 1),     # item 1 is empty on both sides
            ("A,,B", "x,y", 0),   # item 1 meets y, item 2 meets a missing item
        ])

    def test_empty_values(self):
        # The profile reader drops the quotes around a value, which keeps its spaces.
        self.check([
            ("", "", 1),
            ("", "x", 0),
            ('" "', "", 1),       # one item that trims to empty
            ('" "', "x", 0),
            ("", '" "', 0),       # an empty ARG1 is compared with the whole ARG2
        ])


class Exist(ConditionTest):
    def exist(self, files, names, flag):
        s = self.scenario()
        for name in names:
            s.write_text(name, "x")
        self.expect_flag(section("Test", "EXIST", FILE=files), flag, s)

    def test_every_path_must_exist(self):
        three = r"<Src>\a.txt,<Src>\b.txt,<Src>\c.txt"
        for names, flag in [(["a.txt", "b.txt", "c.txt"], 1), (["a.txt", "c.txt"], 0),
                            (["b.txt", "c.txt"], 0), (["a.txt", "b.txt"], 0)]:
            with self.subTest(present=names):
                self.exist(three, names, flag)

    def test_paths_are_trimmed_of_spaces(self):
        self.exist(r"  a.txt ,   b.txt  ", ["a.txt", "b.txt"], 1)

    def test_a_directory_exists(self):
        s = self.scenario()
        s.make_dir("folder")
        self.expect_flag(section("Test", "EXIST", FILE=r"<Src>\folder"), 1, s)

    def test_wildcards(self):
        for pattern, flag in [(r"<Src>\sub\*.txt", 1), (r"<Src>\sub\*.doc", 0),
                              (r"<Src>\sub\only.tx?", 1), (r"<Src>\sub\*.txt,<Src>\none\*", 0)]:
            with self.subTest(pattern=pattern):
                self.exist(pattern, [r"sub\only.txt"], flag)

    def test_empty_items_do_not_exist(self):
        self.exist(" , ", [], 0)

    def test_an_empty_file_value_stops_the_run(self):
        self.expect_stop(section("Test", "EXIST", FILE=""), "FILE")


class Date(ConditionTest):
    def date(self, files, date, flag, **run_options):
        """files: name -> (year, month, day, hour, minute) of its last write."""
        s = self.scenario()
        for name, when in files.items():
            s.write_text(name, "x")
            s.set_times(name, local(*when))
        names = ",".join(files) or "missing.txt"
        self.expect_flag(section("Test", "DATE", FILE=names, DATE=date), flag, s, **run_options)

    def test_the_date_itself_passes_at_any_hour(self):
        for when in [(2005, 11, 2, 23, 59), (2005, 11, 2, 1, 30), (2005, 11, 2, 12, 0)]:
            with self.subTest(written=when):
                self.date({"new.txt": when}, "2005/11/2", 0)

    def test_the_day_before_sets_the_flag(self):
        self.date({"old.txt": (2005, 11, 1, 22, 30)}, "2005/11/2", 1)

    def test_later_year_or_month_passes(self):
        self.date({"new.txt": (2006, 1, 1, 12, 0)}, "2005/12/31", 0)
        self.date({"new.txt": (2005, 12, 1, 12, 0)}, "2005/11/30", 0)
        self.date({"old.txt": (2004, 12, 31, 12, 0)}, "2005/1/1", 1)

    def test_zero_padded_parts(self):
        self.date({"new.txt": (2005, 11, 2, 23, 59)}, "2005/11/02", 0)
        self.date({"old.txt": (2005, 11, 1, 22, 30)}, "2005/11/02", 1)

    def test_a_date_of_only_a_year(self):
        # Month and day count as 0: anything written in that year passes.
        self.date({"new.txt": (2005, 1, 1, 1, 30)}, "2005", 0)
        self.date({"old.txt": (2004, 12, 31, 22, 30)}, "2005", 1)

    def test_a_year_and_month(self):
        self.date({"new.txt": (2005, 11, 1, 1, 30)}, "2005/11", 0)
        self.date({"old.txt": (2005, 10, 31, 22, 30)}, "2005/11", 1)

    def test_only_the_low_16_bits_of_a_part_count(self):
        # 67541 is 2005 + 65536.
        self.date({"new.txt": (2005, 11, 2, 12, 0)}, "67541/11/2", 0)
        self.date({"old.txt": (2005, 11, 1, 12, 0)}, "67541/11/2", 1)

    def test_an_empty_date_passes_every_file_that_opens(self):
        self.date({"ancient.txt": (1990, 1, 1, 12, 0)}, "", 0)
        self.date({}, "", 1)

    def test_a_missing_file_sets_the_flag(self):
        self.date({}, "2005/11/2", 1)
        s = self.scenario()
        s.write_text("new.txt", "x")
        self.expect_flag(section("Test", "DATE", FILE=r"new.txt,missing.txt", DATE="1990/1/1"), 1, s)

    def test_every_file_must_pass(self):
        files = {"a.txt": (2006, 1, 1, 12, 0), "b.txt": (2007, 1, 1, 12, 0)}
        self.date(files, "2005/11/2", 0)
        files["c.txt"] = (2005, 1, 1, 12, 0)
        self.date(files, "2005/11/2", 1)

    def test_a_file_held_open_elsewhere_sets_the_flag(self):
        # The file is opened without sharing, so another reader makes it fail.
        new = {"new.txt": (2006, 1, 1, 12, 0)}
        self.date(new, "2005/11/2", 0)
        self.date(new, "2005/11/2", 1, hold=["new.txt"])

    def test_an_empty_file_value_stops_the_run(self):
        self.expect_stop(section("Test", "DATE", FILE="", DATE="2005/11/2"), "FILE")


class OsVersion(ConditionTest):
    def test_wine_reports_the_nt_platform(self):
        self.expect_flag(section("Test", "OSVER"), 1)


if __name__ == "__main__":
    main()
