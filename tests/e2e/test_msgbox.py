"""MSGBOX: styles, text markers, the gate on another procedure's flag, the
answers and the stops they ask for."""

import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
from sections import info, msgbox  # noqa: E402
from updater import (DEFAULT_CAPTION, Box, UpdaterTest, error_box, expect_boxes,  # noqa: E402
                     main, message)


# Procedures whose flag is known: OSVER holds on Wine (the NT platform),
# a VERIFY of two different texts does not.
FLAGS = """
[Set]
MODE=OSVER

[Clear]
MODE=VERIFY
ARG1=a
ARG2=b
"""


class MessageBoxTest(UpdaterTest):
    def run_script(self, proc, sections, answers):
        s = self.scenario()
        s.write_script(f"[UPDATER]\nNAME=\nPROC={proc}\n" + FLAGS + sections)
        return s.run(answers=answers)


class Styles(MessageBoxTest):
    def test_each_type_has_its_icon_buttons_and_default(self):
        cases = [
            ("ERROR", "error", ["OK"], "OK", "OK"),
            ("INFORMATION", "information", ["OK"], "OK", "OK"),
            ("WARNING", "warning", ["YES", "NO"], "NO", "NO"),
            ("QUESTION", "question", ["YES", "NO"], "YES", "YES"),
            ("question", "question", ["YES", "NO"], "YES", "YES"),
            ("Warning", "warning", ["YES", "NO"], "NO", "YES"),
        ]
        for type_, icon, buttons, default, answer in cases:
            with self.subTest(type=type_):
                result = self.run_script("Box", msgbox("Box", "styled", type_), [answer])
                expect_boxes(result, [Box(caption=DEFAULT_CAPTION, text="styled", icon=icon,
                                          buttons=buttons, default=default)])

    def test_unknown_type_is_reported_and_stops(self):
        result = self.run_script("Box,After", msgbox("Box", "x", "NOTE") + msgbox("After", "after"),
                                 ["OK"])
        expect_boxes(result, [error_box(message(6, "NOTE"))])

    def test_unknown_type_behind_a_closed_gate_is_never_examined(self):
        result = self.run_script("Set,Box,After", msgbox("Box", "x", "NOTE", flag="Set,0")
                                 + msgbox("After", "after"), ["OK"])
        expect_boxes(result, [info("after")])

    def test_line_break_and_tab_markers(self):
        result = self.run_script("Box", msgbox("Box", "Line1%nLine2%tEnd %N%T"), ["OK"])
        expect_boxes(result, [info("Line1\nLine2\tEnd %N%T")])

    def test_japanese_text(self):
        result = self.run_script("Box", msgbox("Box", "表示%n予定表"), ["OK"])
        expect_boxes(result, [info("表示\n予定表")])


class Gate(MessageBoxTest):
    def expect_gate(self, flag, shown, proc="Set,Clear,Box,After"):
        result = self.run_script(proc, msgbox("Box", "gated", flag=flag) + msgbox("After", "after"),
                                 ["OK", "OK"])
        boxes = ([info("gated")] if shown else []) + [info("after")]
        expect_boxes(result, boxes)

    def test_no_gate(self):
        self.expect_gate("", True)

    def test_single_item_is_no_gate(self):
        self.expect_gate("ANY", True)

    def test_open_on_a_set_flag(self):
        self.expect_gate("Set,1", True)

    def test_closed_on_a_set_flag(self):
        self.expect_gate("Set,0", False)

    def test_open_on_a_clear_flag(self):
        self.expect_gate("Clear,0", True)

    def test_closed_on_a_clear_flag(self):
        self.expect_gate("Clear,1", False)

    def test_name_without_regard_to_case_and_spaces(self):
        self.expect_gate("  set ,1", True)

    def test_value_that_is_no_number_reads_as_0(self):
        self.expect_gate("Set,x", False)
        self.expect_gate("Clear,x", True)

    def test_value_with_leading_space(self):
        self.expect_gate("Set, 1", True)

    def test_negative_value_never_matches(self):
        self.expect_gate("Clear,-1", False)

    def test_later_procedure_has_not_run(self):
        self.expect_gate("Set,0", True, proc="Box,Set,After")

    def test_own_flag(self):
        self.expect_gate("Box,0", True, proc="Box,After")

    def test_unknown_name_quotes_the_whole_flag_and_stops(self):
        result = self.run_script("Box,After", msgbox("Box", "x", flag="NOSUCH,1") + msgbox("After", "y"),
                                 ["OK"])
        expect_boxes(result, [error_box(message(6, "NOSUCH,1"))])

    def test_answer_sets_the_own_flag(self):
        sections = (msgbox("Ask", "go?", "QUESTION") + msgbox("IfYes", "said yes", flag="Ask,1")
                    + msgbox("IfNo", "said no", flag="Ask,0"))
        for answer, shown in [("YES", "said yes"), ("NO", "said no")]:
            with self.subTest(answer=answer):
                result = self.run_script("Ask,IfYes,IfNo", sections, [answer, "OK"])
                expect_boxes(result, [Box(text="go?"), info(shown)])


class Answers(MessageBoxTest):
    def expect_answer(self, type_, abort, answer, goes_on):
        result = self.run_script("Box,After", msgbox("Box", "asked", type_, abort=abort)
                                 + msgbox("After", "after"), [answer, "OK"])
        expect_boxes(result, [Box(text="asked")] + ([info("after")] if goes_on else []))

    def test_stop_after_yes(self):
        self.expect_answer("QUESTION", "1,0", "YES", False)
        self.expect_answer("QUESTION", "1,0", "NO", True)

    def test_stop_after_no(self):
        self.expect_answer("WARNING", "0,1", "NO", False)
        self.expect_answer("WARNING", "0,1", "YES", True)

    def test_empty_abort_always_goes_on(self):
        self.expect_answer("QUESTION", "", "YES", True)
        self.expect_answer("QUESTION", "", "NO", True)

    def test_ok_uses_the_first_abort_item(self):
        self.expect_answer("INFORMATION", "1,0", "OK", False)
        self.expect_answer("ERROR", "0,1", "OK", True)

    def test_closing_an_ok_box_counts_as_ok(self):
        self.expect_answer("INFORMATION", "1,0", "CLOSE", False)
        self.expect_answer("ERROR", "0,1", "CLOSE", True)
        result = self.run_script("Box,IfOk", msgbox("Box", "asked") + msgbox("IfOk", "ok", flag="Box,1"),
                                 ["CLOSE", "OK"])
        expect_boxes(result, [Box(text="asked"), info("ok")])

    def test_a_stop_by_answer_shows_no_further_box(self):
        result = self.run_script("Box,After,More", msgbox("Box", "asked", "QUESTION", abort="1,1")
                                 + msgbox("After", "a") + msgbox("More", "b"), ["NO"])
        expect_boxes(result, [Box(text="asked")])


if __name__ == "__main__":
    main()
