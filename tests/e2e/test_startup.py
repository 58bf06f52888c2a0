"""Start-up: where the script is looked for, the caption, the missing-script
box, and libraries taken only from the system folder."""

import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
import wineenv  # noqa: E402
from sections import info, msgbox, section  # noqa: E402
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

# name, libraries planted beside the program (Wine told to prefer them to its
# own), PROC, sections (@: the program's folder), boxes. Wine's user32 loads
# imm32, and its comctl32 msimg32, from the program's folder whatever the
# program asks for: they are left out.
PLANTED = [
    ("psapi, for APPEXIST", ["psapi"], "App,Clear", section("App", "APPEXIST", APP=r"C:\none.exe")
     + msgbox("Clear", "not running", flag="App,0"), [info("not running")]),
    ("what a box pulls in", ["uxtheme", "comctl32"], "Box", msgbox("Box", "box"), [info("box")]),
    ("what the shell and the link object pull in", ["oleaut32", "propsys", "windowscodecs", "actxprxy"],
     "Link,Shell,Done", section("Link", "LINK", SRC=r"@\src.txt", PARAM="", SHOWCMD="1", DST=r"@\a.lnk")
     + section("Shell", "SHELL", FUNC="COPY", FROM=r"@\src.txt", TO=r"@\copy.txt") + msgbox("Done", "done"),
     [info("done")]),
]


class StartUp(UpdaterTest):
    def test_missing_script_is_reported(self):
        def check(arguments, exe_name, script, caption, answer):
            s = self.scenario()
            result = s.run(arguments, answers=[answer], exe_name=exe_name)
            expect_boxes(result, [error_box(message(1, s.win(script)), caption, exit_code=3)])
        self.each(MISSING, check)

    def test_planted_libraries_are_never_loaded(self):
        def check(libraries, proc, sections, boxes):
            s = self.scenario()
            s.write_text(r"app\src.txt", "source")
            for name in libraries:
                s.copy_program(rf"app\{name}.dll", os.path.join(wineenv.build_dir(), "planted_library.dll"))
            s.write_script(f"[UPDATER]\nNAME=\nPROC={proc}\n" + sections.replace("@", s.win("app")), r"app\updater.ini")
            expect_boxes(s.run(exe_name=r"app\updater.exe", answers=["OK"], dlls=",".join(libraries) + "=n,b"), boxes)
            self.assertEqual([f for f in os.listdir(s.path("app")) if f.endswith(".ran")], [], "planted code ran")
        self.each(PLANTED, check)


if __name__ == "__main__":
    main()
