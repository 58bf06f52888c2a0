"""Start-up: where the script is looked for, the caption, and the missing-script box."""

import os
import sys

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
from updater import (DEFAULT_CAPTION, UpdaterTest, error_box, expect_boxes,  # noqa: E402
                     main, message)


class MissingScript(UpdaterTest):
    def expect_missing(self, arguments, script, caption=DEFAULT_CAPTION, exe_name="updater.exe"):
        s = self.scenario()
        result = s.run(arguments, answers=["OK"], exe_name=exe_name)
        expect_boxes(result, [error_box(message(1, s.win(script)), caption)])

    def test_no_arguments(self):
        self.expect_missing("", "updater.ini")

    def test_caption_option(self):
        self.expect_missing("/tHello", "updater.ini", caption="Hello")

    def test_caption_option_with_hyphen(self):
        self.expect_missing("-tHello", "updater.ini", caption="Hello")

    def test_japanese_caption(self):
        self.expect_missing("/t更新テスト", "updater.ini", caption="更新テスト")

    def test_script_option(self):
        self.expect_missing(r"/isub\run.ini", r"sub\run.ini")

    def test_first_caption_wins(self):
        self.expect_missing("/tA /tB", "updater.ini", caption="A")

    def test_quoted_caption_and_script(self):
        self.expect_missing('/t"Hello World" /isetup.ini', "setup.ini", caption="Hello World")

    def test_space_after_marker_gives_empty_caption(self):
        self.expect_missing("/t Hello", "updater.ini", caption="")

    def test_marker_case_matters(self):
        self.expect_missing("/T Hello", "updater.ini")

    def test_marker_inside_a_value(self):
        self.expect_missing("/imy-tool.ini", "my-tool.ini", caption="ool.ini")

    def test_slash_marker_at_end_falls_back_to_hyphen(self):
        self.expect_missing("-tX /t", "updater.ini", caption="X")

    def test_quoted_script_with_space(self):
        self.expect_missing(r'/i"sub dir\run.ini"', r"sub dir\run.ini")

    def test_full_path_stays_relative(self):
        self.expect_missing(r"/iD:\x.ini", r"D:\x.ini")

    def test_only_last_extension_replaced(self):
        self.expect_missing("", "a.b.ini", exe_name="a.b.exe")

    def test_closing_the_box_ends_the_run(self):
        s = self.scenario()
        result = s.run(answers=["CLOSE"])
        expect_boxes(result, [error_box(message(1, s.win("updater.ini")))], exit_code=0)


class ScriptFound(UpdaterTest):
    def test_existing_script_is_read(self):
        # The script is there, so the next check speaks: the empty procedure list.
        s = self.scenario()
        s.write_script("[UPDATER]\nNAME=\nPROC=\n")
        result = s.run(answers=["OK"])
        expect_boxes(result, [error_box(message(4, "UPDATER", "PROC"))])


if __name__ == "__main__":
    main()
