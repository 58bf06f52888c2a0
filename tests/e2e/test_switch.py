"""SWITCH: which branch runs, where the flag is looked up, nesting and loops."""

import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
from sections import info, msgbox, switch  # noqa: E402
from updater import Box, UpdaterTest, error_box, expect_boxes, main, message  # noqa: E402


BRANCHES = msgbox("Zero", "zero") + msgbox("One", "one") + msgbox("After", "after")


class SwitchTest(UpdaterTest):
    def run_script(self, proc, sections, answers, files=()):
        s = self.scenario()
        for name in files:
            s.write_text(name, "x")
        s.write_script(f"[UPDATER]\nNAME=\nPROC={proc}\n" + sections)
        return s.run(answers=answers)


class Choice(SwitchTest):
    def exist_then_switch(self, files):
        sections = "\n[Have]\nMODE=EXIST\nFILE=<Src>\\here.txt\n" + switch("Sw", "Have", "Zero", "One")
        return self.run_script("Have,Sw,After", sections + BRANCHES, ["OK", "OK"], files)

    def test_a_test_that_held_runs_key_1(self):
        expect_boxes(self.exist_then_switch(["here.txt"]), [info("one"), info("after")])

    def test_a_test_that_failed_runs_key_0(self):
        expect_boxes(self.exist_then_switch([]), [info("zero"), info("after")])

    def test_a_later_procedure_has_flag_0(self):
        sections = switch("Sw", "Os", "Zero", "One") + "\n[Os]\nMODE=OSVER\n" + BRANCHES
        expect_boxes(self.run_script("Sw,Os,After", sections, ["OK", "OK"]), [info("zero"), info("after")])

    def test_its_own_section_has_flag_0(self):
        sections = switch("Sw", "Sw", "Zero", "One") + BRANCHES
        expect_boxes(self.run_script("Sw,After", sections, ["OK", "OK"]), [info("zero"), info("after")])

    def test_target_with_spaces_and_other_case(self):
        sections = "\n[Os]\nMODE=OSVER\n" + switch("Sw", "\"  oS  \"", "Zero", "One") + BRANCHES
        expect_boxes(self.run_script("Os,Sw,After", sections, ["OK", "OK"]), [info("one"), info("after")])

    def test_branch_of_several_procedures(self):
        sections = "\n[Os]\nMODE=OSVER\n" + switch("Sw", "Os", "Zero", "One, Zero ,One") + BRANCHES
        expect_boxes(self.run_script("Os,Sw,After", sections, ["OK"] * 4),
                     [info("one"), info("zero"), info("one"), info("after")])

    def test_unknown_target_quotes_proc_as_read_and_stops(self):
        # Quoted, because the profile functions strip unquoted blanks.
        sections = switch("Sw", "\" Nobody \"", "Zero", "One") + BRANCHES
        expect_boxes(self.run_script("Sw,After", sections, ["OK"]), [error_box(message(6, " Nobody "))])


class Branches(SwitchTest):
    def test_empty_branch_runs_nothing_and_the_other_is_never_loaded(self):
        sections = "\n[Os]\nMODE=OSVER\n" + switch("Sw", "Os", "Missing,Sections", "") + BRANCHES
        expect_boxes(self.run_script("Os,Sw,After", sections, ["OK"]), [info("after")])

    def test_branch_with_a_missing_mode_runs_none_of_it(self):
        sections = "\n[Os]\nMODE=OSVER\n" + switch("Sw", "Os", "", "One,NoMode") + BRANCHES
        sections += "\n[NoMode]\nTEXT=x\n"
        expect_boxes(self.run_script("Os,Sw,After", sections, ["OK"]),
                     [error_box(message(2, "NoMode", "MODE"))])

    def test_a_failure_inside_the_branch_stops_the_run(self):
        sections = ("\n[Os]\nMODE=OSVER\n" + switch("Sw", "Os", "", "One,Bad") + BRANCHES
                    + msgbox("Bad", "x", type_="LOUD"))
        expect_boxes(self.run_script("Os,Sw,After", sections, ["OK", "OK"]),
                     [info("one"), error_box(message(6, "LOUD"))])

    def test_a_branch_looks_up_in_itself_not_in_the_enclosing_list(self):
        sections = ("\n[Os]\nMODE=OSVER\n" + switch("Outer", "Os", "", "Inner")
                    + switch("Inner", "Os", "Zero", "One") + BRANCHES)
        expect_boxes(self.run_script("Os,Outer,After", sections, ["OK"]), [error_box(message(6, "Os"))])

    def test_a_section_of_the_enclosing_list_runs_again_as_a_new_record(self):
        # Ask runs twice: in the branch its flag starts at 0 again, so the
        # gated box shows what the second answer was.
        sections = (msgbox("Ask", "again?", "QUESTION") + switch("Sw", "Ask", "", "Ask,Said")
                    + msgbox("Said", "said yes", flag="Ask,1") + BRANCHES)
        expect_boxes(self.run_script("Ask,Sw,After", sections, ["YES", "NO", "OK"]),
                     [Box(text="again?"), Box(text="again?"), info("after")])


class Loops(SwitchTest):
    RETRY = (msgbox("Step", "step") + msgbox("Ask", "again?", "QUESTION")
             + switch("Loop", "Ask", "", "Step,Ask,Loop") + msgbox("After", "after"))

    def test_retry_loop_runs_three_passes_then_goes_on(self):
        result = self.run_script("Step,Ask,Loop,After", self.RETRY,
                                 ["OK", "YES", "OK", "YES", "OK", "NO", "OK"])
        expect_boxes(result, [info("step"), Box(text="again?", icon="question")] * 3 + [info("after")])

    def test_stop_inside_a_loop(self):
        sections = (msgbox("Step", "step") + msgbox("Ask", "again?", "QUESTION", abort="0,1")
                    + switch("Loop", "Ask", "", "Step,Ask,Loop") + msgbox("After", "after"))
        result = self.run_script("Step,Ask,Loop,After", sections, ["OK", "YES", "OK", "NO"])
        expect_boxes(result, [info("step"), Box(text="again?")] * 2)

    def test_a_loop_that_never_ends_is_stopped_by_the_nesting_bound(self):
        # OSVER always holds, so every pass takes the branch again.
        sections = "\n[Os]\nMODE=OSVER\n" + switch("Loop", "Os", "", "Os,Loop") + msgbox("After", "after")
        result = self.run_script("Os,Loop,After", sections, ["OK"])
        expect_boxes(result, [error_box(message(3, "ProcListArray"))])


if __name__ == "__main__":
    main()
