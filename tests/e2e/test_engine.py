"""The run as a whole: the section UPDATER, the caption, loading a list whole
before anything runs, stopping at the first failure."""

import os
import sys
import textwrap

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
from sections import info, msgbox, section  # noqa: E402
from updater import UpdaterTest, error_box, expect_boxes, expect_no_boxes, main, message  # noqa: E402


def script(text):
    return textwrap.dedent(text).lstrip()


# Three boxes that show which procedures ran.
STEPS = msgbox("One", "one") + msgbox("Two", "two") + msgbox("Three", "three")

# Types whose procedures are not built in yet: loading one must fail loudly.
# The first key each type's reader asks for after MODE.
FIRST_KEYS = {"EXIST": "FILE", "DATE": "FILE", "SWITCH": "PROC", "MSGBOX": "FLAG", "COPY": "FROM",
              "LAUNCH": "FILE", "DELETE": "FILE", "LINK": "SRC", "MAKEDIR": "DIR", "ATTR": "FILE",
              "CRC": "FILE", "MOVE": "FROM", "WAITAPP": "APP", "APPEXIST": "APP", "VERIFY": "ARG1",
              "RSRC": "FROM", "SHELL": "FUNC"}


class Caption(UpdaterTest):
    def run_failing(self, name_line, arguments):
        """A run whose only procedure has a mode nobody knows: one error box."""
        s = self.scenario()
        s.write_script(script(f"""
            [UPDATER]
            {name_line}
            PROC=Bad

            [Bad]
            MODE=NOSUCHMODE
        """))
        return s.run(arguments, answers=["OK"])

    def test_name_wins_over_the_option(self):
        result = self.run_failing("NAME=From the script", "/tFromOption")
        expect_boxes(result, [error_box(message(6, "NOSUCHMODE"), "From the script")])

    def test_empty_name_keeps_the_option(self):
        result = self.run_failing("NAME=", "/tFromOption")
        expect_boxes(result, [error_box(message(6, "NOSUCHMODE"), "FromOption")])

    def test_empty_name_without_option_keeps_the_default(self):
        result = self.run_failing("NAME=", "")
        expect_boxes(result, [error_box(message(6, "NOSUCHMODE"))])

    def test_japanese_name(self):
        result = self.run_failing("NAME=表示テスト", "")
        expect_boxes(result, [error_box(message(6, "NOSUCHMODE"), "表示テスト")])

    def test_missing_proc_is_reported_under_the_option_caption(self):
        s = self.scenario()
        s.write_script("[UPDATER]\r\nNAME=Never shown\r\n")
        result = s.run("/tFromOption", answers=["OK"])
        expect_boxes(result, [error_box(message(2, "UPDATER", "PROC"), "FromOption")])

    def test_message_boxes_carry_the_name(self):
        s = self.scenario()
        s.write_script(script("""
            [UPDATER]
            NAME=Setup
            PROC=One
        """) + STEPS)
        expect_boxes(s.run("/tOther", answers=["OK"]), [info("one", caption="Setup")])


class UpdaterSection(UpdaterTest):
    def expect_only(self, text, boxes):
        s = self.scenario()
        s.write_script(script(text) + STEPS)
        expect_boxes(s.run(answers=["OK"] * len(boxes)), boxes)

    def test_missing_name(self):
        self.expect_only("""
            [UPDATER]
            PROC=One
        """, [error_box(message(2, "UPDATER", "NAME"))])

    def test_name_no_data_in_any_case_is_absent(self):
        self.expect_only("""
            [UPDATER]
            NAME=no_Data
            PROC=One
        """, [error_box(message(2, "UPDATER", "NAME"))])

    def test_empty_proc(self):
        self.expect_only("""
            [UPDATER]
            NAME=
            PROC=
        """, [error_box(message(4, "UPDATER", "PROC"))])

    def test_proc_of_spaces_is_one_empty_name(self):
        self.expect_only("""
            [UPDATER]
            NAME=
            PROC=" "
        """, [error_box(message(2, "", "MODE"))])

    def test_no_updater_section(self):
        self.expect_only("""
            [Other]
            NAME=x
        """, [error_box(message(2, "UPDATER", "NAME"))])


class Loading(UpdaterTest):
    """A list is read whole before its first procedure runs."""

    def expect_only(self, proc, extra, boxes):
        s = self.scenario()
        s.write_script(script(f"""
            [UPDATER]
            NAME=
            PROC={proc}
        """) + STEPS + extra)
        expect_boxes(s.run(answers=["OK"] * len(boxes)), boxes)

    def test_names_are_trimmed_of_spaces(self):
        self.expect_only(" One ,  Two,Three ", "", [info("one"), info("two"), info("three")])

    def test_unknown_mode_in_the_third_section_runs_nothing(self):
        self.expect_only("One,Two,Foo", "\n[Foo]\nMODE=FOO\n", [error_box(message(6, "FOO"))])

    def test_two_commas_give_an_empty_section_name(self):
        self.expect_only("One,,Two", "", [error_box(message(2, "", "MODE"))])

    def test_a_missing_section(self):
        self.expect_only("One,Nowhere", "", [error_box(message(2, "Nowhere", "MODE"))])

    def test_a_missing_key_stops_the_load(self):
        extra = section("NoText", "MSGBOX", FLAG="", TYPE="INFORMATION", ISABORT="0,0")
        self.expect_only("One,NoText", extra, [error_box(message(2, "NoText", "TEXT"))])

    def test_a_key_of_no_data_is_missing(self):
        extra = msgbox("NoData", "x", flag="NO_DATA")
        self.expect_only("One,NoData", extra, [error_box(message(2, "NoData", "FLAG"))])

    def test_mode_in_lower_case(self):
        extra = section("Lower", "msgbox", FLAG="", TYPE="INFORMATION", TEXT="lower", ISABORT="0,0")
        self.expect_only("Lower", extra, [info("lower")])

    def test_mode_through_a_macro(self):
        extra = "\n[DEFINE]\n<M>=MsgBox\n" + section("ByMacro", "<M>", FLAG="", TYPE="INFORMATION",
                                                       TEXT="by macro", ISABORT="0,0")
        self.expect_only("ByMacro", extra, [info("by macro")])

    def test_the_same_section_twice_runs_twice(self):
        self.expect_only("One,One", "", [info("one"), info("one")])

    def test_every_type_is_built_in(self):
        # Its reader runs: a section of the type without keys lacks the first one.
        for mode, key in FIRST_KEYS.items():
            with self.subTest(mode=mode):
                self.expect_only("One,Other", section("Other", mode), [error_box(message(2, "Other", key))])


class Running(UpdaterTest):
    def test_second_procedure_fails_the_third_does_not_run(self):
        s = self.scenario()
        s.write_script(script("""
            [UPDATER]
            NAME=
            PROC=One,BadType,Three

            [BadType]
            MODE=MSGBOX
            FLAG=
            TYPE=SHOUT
            TEXT=never
            ISABORT=0,0
        """) + STEPS)
        result = s.run(answers=["OK", "OK"])
        expect_boxes(result, [info("one"), error_box(message(6, "SHOUT"))])

    def test_a_run_that_ends_well_shows_nothing_more(self):
        s = self.scenario()
        s.write_script(script("""
            [UPDATER]
            NAME=
            PROC=Platform

            [Platform]
            MODE=OSVER
        """))
        expect_no_boxes(s.run())


if __name__ == "__main__":
    main()
