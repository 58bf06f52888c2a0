"""Start-up: where the script is looked for, the caption, and the missing-script box."""

import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
from updater import DEFAULT_CAPTION as D, UpdaterTest, error_box, expect_boxes, main, message  # noqa: E402

# name, arguments, program name, script looked for, caption, answer
MISSING = [
    ("no arguments", "", "updater.exe", "updater.ini", D, "OK"),
    ("caption option", "/tHello", "updater.exe", "updater.ini", "Hello", "OK"),
    ("caption with hyphen", "-tHello", "updater.exe", "updater.ini", "Hello", "OK"),
    ("japanese caption", "/t更新テスト", "updater.exe", "updater.ini", "更新テスト", "OK"),
    ("script option", r"/isub\run.ini", "updater.exe", r"sub\run.ini", D, "OK"),
    ("first caption wins", "/tA /tB", "updater.exe", "updater.ini", "A", "OK"),
    ("quoted caption and script", '/t"Hello World" /isetup.ini', "updater.exe", "setup.ini",
     "Hello World", "OK"),
    ("space after marker: empty caption", "/t Hello", "updater.exe", "updater.ini", "", "OK"),
    ("marker case matters", "/T Hello", "updater.exe", "updater.ini", D, "OK"),
    ("marker inside a value", "/imy-tool.ini", "updater.exe", "my-tool.ini", "ool.ini", "OK"),
    ("slash marker at end falls back to hyphen", "-tX /t", "updater.exe", "updater.ini", "X", "OK"),
    ("full path stays relative", r"/iD:\x.ini", "updater.exe", r"D:\x.ini", D, "OK"),
    ("only the last extension replaced", "", "a.b.exe", "a.b.ini", D, "OK"),
    ("closing the box ends the run", "", "updater.exe", "updater.ini", D, "CLOSE"),
]


class StartUp(UpdaterTest):
    def test_missing_script_is_reported(self):
        def check(arguments, exe_name, script, caption, answer):
            s = self.scenario()
            result = s.run(arguments, answers=[answer], exe_name=exe_name)
            expect_boxes(result, [error_box(message(1, s.win(script)), caption)])
        self.each(MISSING, check)


if __name__ == "__main__":
    main()
