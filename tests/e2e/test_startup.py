"""Start-up: where the script is looked for, the caption, the missing-script
box, and libraries taken only from the system folder."""

import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
import wineenv  # noqa: E402
from sections import info, msgbox, section  # noqa: E402
from updater import DEFAULT_CAPTION as D, UpdaterTest, error_box, expect_boxes, main, message  # noqa: E402

# name, arguments, script looked for, caption, program name, answer
MISSING = [
    ("no arguments", "", "updater.ini", D),
    ("caption with hyphen", "-tHello", "updater.ini", "Hello"),
    ("japanese caption", "/t更新テスト", "updater.ini", "更新テスト"),
    ("script option", r"/isub\run.ini", r"sub\run.ini", D),
    ("first caption wins", "/tA /tB", "updater.ini", "A"),
    ("quoted caption and script", '/t"Hello World" /isetup.ini', "setup.ini", "Hello World"),
    ("space after marker: empty caption", "/t Hello", "updater.ini", ""),
    ("marker case matters", "/T Hello", "updater.ini", D),
    ("marker inside a value", "/imy-tool.ini", "my-tool.ini", "ool.ini"),
    ("slash marker at end falls back to hyphen", "-tX /t", "updater.ini", "X"),
    ("full path stays relative", r"/iD:\x.ini", r"D:\x.ini", D),
    ("only the last extension replaced", "", "a.b.ini", D, "a.b.exe"),
    ("closing the box ends the run", "", "updater.ini", D, "updater.exe", "CLOSE"),
]

# name, libraries planted beside the program (Wine told to prefer them to its
# own), PROC, sections (@: the program's folder), the flag that says the run
# did what it does without them (it opens the gate of Done). Wine's user32 loads
# imm32, and its comctl32 msimg32, from the program's folder whatever the
# program asks for: they are left out.
PLANTED = [
    ("psapi, for APPEXIST", ["psapi"], "App", section("App", "APPEXIST", APP=r"C:\none.exe"), "App,0"),
    ("what a box pulls in (the box of Done)", ["uxtheme", "comctl32"], "Os", "[Os]\nMODE=OSVER\n", "Os,1"),
    ("what the shell and the link object pull in", ["oleaut32", "propsys", "windowscodecs", "actxprxy"], "Link,Shell",
     section("Link", "LINK", SRC=r"@\src.txt", PARAM="", SHOWCMD="1", DST=r"@\a.lnk")
     + section("Shell", "SHELL", FUNC="COPY", FROM=r"@\src.txt", TO=r"@\copy.txt"), "Shell,1"),
]


class StartUp(UpdaterTest):
    def test_missing_script_is_reported(self):
        def check(arguments, script, caption, exe_name="updater.exe", answer="OK"):
            s = self.scenario()
            result = s.run(arguments, answers=[answer], exe_name=exe_name)
            expect_boxes(result, [error_box(message(1, s.win(script)), caption, exit_code=3)])
        self.each(MISSING, check)

    def test_planted_libraries_are_never_loaded(self):
        def check(libraries, proc, sections, flag):
            s = self.scenario()
            s.write_text(r"app\src.txt", "source")
            for name in libraries:
                s.copy_program(rf"app\{name}.dll", os.path.join(wineenv.build_dir(), "planted_library.dll"))
            s.write_script(f"[UPDATER]\nNAME=\nPROC={proc},Done\n" + sections.replace("@", s.win("app")) + msgbox(
                "Done", "done", flag=flag), r"app\updater.ini")
            result = s.run(exe_name=r"app\updater.exe", answers=["OK"], dlls=",".join(libraries) + "=n,b")
            expect_boxes(result, [info("done")])
            self.assertEqual([f for f in os.listdir(s.path("app")) if f.endswith(".ran")], [], "planted code ran")
        self.each(PLANTED, check)


if __name__ == "__main__":
    main()
