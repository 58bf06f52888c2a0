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


# name, script (None: no script at all), the message's number and arguments
# (a callable of the scenario, for paths), files to make first.
FAILURES = [
    ("script missing", None, lambda s: (1, s.win("updater.ini"))),
    ("key missing", script("Copy", section("Copy", "COPY", FROM="a.txt")),
     lambda s: (2, "Copy", "TO")),
    ("empty list", script("Gone", section("Gone", "DELETE", FILE="")),
     lambda s: (4, "Gone", "FILE")),
    ("unknown mode", script("Odd", section("Odd", "FROB")), lambda s: (6, "FROB")),
    ("copy fails", script("Copy", section("Copy", "COPY", FROM="<Src>\\none.txt", TO="<Src>\\b.txt")),
     lambda s: (8, s.win("none.txt"), s.win("b.txt"))),
    ("attributes fail", script("Attr", section("Attr", "ATTR", FILE="<Src>\\none.txt", ARG="21")),
     lambda s: (12, s.win("none.txt"), 0x21)),
    ("no procedures", script(""), lambda s: (4, "UPDATER", "PROC")),
    ("shell fails", script("Sh", section("Sh", "SHELL", FUNC="COPY", FROM="<Src>\\none.txt",
                                         TO="<Src>\\b.txt")), lambda s: (17,)),
]


class Languages(UpdaterTest):
    def run_in(self, locale, s, arguments=""):
        environment = wineenv.environment
        with unittest.mock.patch.object(wineenv, "environment",
                                        lambda: dict(environment(), LC_ALL=locale)):
            return s.run(arguments, answers=["OK"])

    def test_each_failure_in_both_languages(self):
        for name, text, arguments in FAILURES:
            for locale, (format_message, caption) in LANGUAGES.items():
                with self.subTest(failure=name, locale=locale):
                    s = self.scenario()
                    if text is not None:
                        s.write_script(text)
                    result = self.run_in(locale, s)
                    expect_boxes(result, [error_box(format_message(*arguments(s)), caption)])

    def test_caption_option_replaces_the_default_in_both_languages(self):
        for locale, (format_message, _) in LANGUAGES.items():
            with self.subTest(locale=locale):
                s = self.scenario()
                result = self.run_in(locale, s, "/tSetup")
                expect_boxes(result, [error_box(format_message(1, s.win("updater.ini")), "Setup")])


if __name__ == "__main__":
    main()
