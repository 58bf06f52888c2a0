"""The same failing scripts on a Japanese and on an English system: the boxes
show the Japanese texts of the catalogue on the first and the English table,
caption included, on the second. The system picks the table; the program
asks for no language."""

import os
import sys
import unittest.mock

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
import wineenv  # noqa: E402
from messages_en import DEFAULT_CAPTION_EN, message_en  # noqa: E402
from sections import section  # noqa: E402
from updater import DEFAULT_CAPTION, UpdaterTest, error_box, expect_boxes, main, message  # noqa: E402

LANGUAGES = {
    "ja_JP.UTF-8": (message, DEFAULT_CAPTION),
    "en_US.UTF-8": (message_en, DEFAULT_CAPTION_EN),
}


def script(proc, *sections):
    return f"[UPDATER]\nNAME=\nPROC={proc}\n" + "".join(sections)


# name, script (None: no script at all, which ends the run with 3), command
# line, caption (None: the default), the message's number and arguments (a
# function of the scenario)
FAILURES = [
    ("script missing", None, "", None, lambda s: (1, s.win("updater.ini"))),
    ("caption option", None, "/tSetup", "Setup", lambda s: (1, s.win("updater.ini"))),
    ("copy fails", script("Copy", section("Copy", "COPY", FROM="<Src>\\none.txt", TO="<Src>\\b.txt")), "", None,
     lambda s: (8, s.win("none.txt"), s.win("b.txt"))),
    ("attributes fail", script("Attr", section("Attr", "ATTR", FILE="<Src>\\none.txt", ARG="21")), "", None,
     lambda s: (12, s.win("none.txt"), 0x21)),
    ("shell fails", script("Sh", section("Sh", "SHELL", FUNC="COPY", FROM="<Src>\\none.txt", TO="<Src>\\b.txt")),
     "", None, lambda s: (17,)),
]


class Languages(UpdaterTest):
    def test_each_failure_in_both_languages(self):
        def check(locale, text, arguments, caption, failure):
            s = self.scenario()
            if text is not None:
                s.write_script(text)
            environment = wineenv.environment
            with unittest.mock.patch.object(wineenv, "environment", lambda: dict(environment(), LC_ALL=locale)):
                result = s.run(arguments, answers=["OK"])
            format_message, default = LANGUAGES[locale]
            expect_boxes(result, [error_box(format_message(*failure(s)), caption or default, 1 if text else 3)])
        self.each([(f"{name} ({locale})", locale, *row) for name, *row in FAILURES for locale in LANGUAGES], check)


if __name__ == "__main__":
    main()
