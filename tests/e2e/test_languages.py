"""The same failing scripts under a code page and a display language that disagree: the
boxes show the Japanese texts of the catalogue, caption included, exactly when the code
page is 932 (the boxes are ANSI), and the English table otherwise, whatever the display
language. Wine takes the code page from LC_CTYPE and the display language from LC_MESSAGES."""

import os
import sys
import unittest.mock

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
import wineenv  # noqa: E402
from messages import DEFAULT_CAPTION, DEFAULT_CAPTION_EN, MESSAGES, MESSAGES_EN  # noqa: E402
from updater import UpdaterTest, error_box, expect_boxes, main, message  # noqa: E402

JAPANESE, ENGLISH = "ja_JP.UTF-8", "en_US.UTF-8"
ATTR = "[UPDATER]\nNAME=\nPROC=Attr\n[Attr]\nMODE=ATTR\nFILE=<Src>\\none.txt\nARG=21\n"


class Languages(UpdaterTest):
    def test_failures_under_each_code_page(self):
        def check(ctype, messages, table, caption):
            s, environment = self.scenario(), wineenv.environment
            locales = lambda: dict({k: v for k, v in environment().items() if k != "LC_ALL"}, LC_CTYPE=ctype, LC_MESSAGES=messages)
            with unittest.mock.patch.object(wineenv, "environment", locales):
                # No script, which ends the run with 3; then a failing step, under the caption of /t.
                expect_boxes(s.run(answers=["OK"]), [error_box(message(1, s.win("updater.ini"), table=table), caption, 3)])
                s.write_script(ATTR)
                expect_boxes(s.run("/tSetup", answers=["OK"]), [error_box(message(12, s.win("none.txt"), 0x21, table=table), "Setup")])
        self.each([("code page 932, English display", JAPANESE, ENGLISH, MESSAGES, DEFAULT_CAPTION),
                   ("code page 1252, Japanese display", ENGLISH, JAPANESE, MESSAGES_EN, DEFAULT_CAPTION_EN)], check)


if __name__ == "__main__":
    main()
