"""The same failing scripts under each code page and display language: the
boxes show the Japanese texts of the catalogue, caption included, exactly
when the code page is 932 (the boxes are ANSI), and the English table
otherwise, whatever the display language. Wine takes the code page from
LC_CTYPE and the display language from LC_MESSAGES."""

import os
import sys
import unittest.mock

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
import wineenv  # noqa: E402
from messages_en import DEFAULT_CAPTION_EN, message_en  # noqa: E402
from sections import section  # noqa: E402
from updater import DEFAULT_CAPTION, UpdaterTest, error_box, expect_boxes, main, message  # noqa: E402

JAPANESE, ENGLISH = "ja_JP.UTF-8", "en_US.UTF-8"
ATTR = "[UPDATER]\nNAME=\nPROC=Attr\n" + section("Attr", "ATTR", FILE="<Src>\\none.txt", ARG="21")
# name, script (None: no script at all, which ends the run with 3), command line, caption (None: the
# default), the message's number and arguments (a function of the scenario)
FAILURES = [
    ("script missing", None, "", None, lambda s: (1, s.win("updater.ini"))),
    ("attributes fail", ATTR, "/tSetup", "Setup", lambda s: (12, s.win("none.txt"), 0x21)),
]


class Languages(UpdaterTest):
    def test_each_failure_under_each_code_page_and_display_language(self):
        def check(ctype, messages, text, arguments, caption, failure):
            s = self.scenario()
            s.write_script(text) if text is not None else None
            environment = wineenv.environment
            locales = lambda: {**{k: v for k, v in environment().items() if k != "LC_ALL"},
                               "LC_CTYPE": ctype, "LC_MESSAGES": messages}
            with unittest.mock.patch.object(wineenv, "environment", locales):
                result = s.run(arguments, answers=["OK"])
            english = ctype != JAPANESE
            expect_boxes(result, [error_box((message, message_en)[english](*failure(s)),
                                            caption or (DEFAULT_CAPTION, DEFAULT_CAPTION_EN)[english],
                                            1 if text else 3)])
        self.each([(f"{name} ({ctype}, {messages})", ctype, messages, *row) for name, *row in FAILURES
                   for ctype in (JAPANESE, ENGLISH) for messages in (JAPANESE, ENGLISH)], check)


if __name__ == "__main__":
    main()
