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
    def test_each_failure_under_each_code_page(self):
        def check(ctype, messages, text, arguments, caption, failure):
            s, environment = self.scenario(), wineenv.environment
            s.write_script(text) if text else None
            locales = lambda: dict({k: v for k, v in environment().items() if k != "LC_ALL"}, LC_CTYPE=ctype, LC_MESSAGES=messages)
            with unittest.mock.patch.object(wineenv, "environment", locales):
                result = s.run(arguments, answers=["OK"])
            table, default = (MESSAGES, DEFAULT_CAPTION) if ctype == JAPANESE else (MESSAGES_EN, DEFAULT_CAPTION_EN)
            expect_boxes(result, [error_box(message(*failure(s), table=table), caption or default, 1 if text else 3)])
        # script (None: none at all, which ends the run with 3), command line, caption (None: the default),
        # the message's number and arguments (a function of the scenario)
        failures = [("script missing", None, "", None, lambda s: (1, s.win("updater.ini"))),
                    ("attributes fail", ATTR, "/tSetup", "Setup", lambda s: (12, s.win("none.txt"), 0x21))]
        self.each([(f"{name} ({ctype}, {messages})", ctype, messages, *row) for name, *row in failures
                   for ctype, messages in ((JAPANESE, ENGLISH), (ENGLISH, JAPANESE))], check)


if __name__ == "__main__":
    main()
