"""What expansion gets from the running program: its folder, its command line
and its script's DEFINE section, seen in the TEXT of MSGBOX boxes. The rules of
expansion themselves are unit-tested."""

import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
from sections import info, msgbox  # noqa: E402
from updater import Scenario, UpdaterTest, main  # noqa: E402

# name, TEXT, expected (with {src} for the program's folder), DEFINE lines, command line
ROWS = [
    ("<Src> is the program's folder; DEFINE, then a parent step", r"<Here>\..\x", r"{src}\x", r"<Here>=<Src>\data", ""),
    ("options are words too, quotes group", r"{?Param\-3\-1}", "/iupdater.ini, b c, d", "", '/iupdater.ini "b c" d'),
    ("a DEFINE value from the command line", "<Arg>", "second", r"<Arg>={?Param\1}", "first second"),
    ("App Paths entry by the 64-bit reg.exe", r"{?App\by64.exe} {?AppPath\by64.exe}", r"C:\T64\by64.exe C:\T64", "", ""),
    ("App Paths entry by the 32-bit reg.exe", r"{?App\by32.exe} {?AppPath\by32.exe}", r"C:\T32\by32.exe C:\T32", "", ""),
]


class Expansion(UpdaterTest):
    @classmethod
    def setUpClass(cls):
        # Each entry written by the reg.exe of its bitness; the key is one for both views.
        s = Scenario("macros.app-paths")
        for bits in (64, 32):
            s.reg_import(f"[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\by{bits}.exe]"
                         f'\r\n@="C:\\\\T{bits}\\\\by{bits}.exe"\r\n"PATH"="C:\\\\T{bits}"\r\n', bits)

    def test_values_expand_with_what_the_run_knows(self):
        def check(text, expected, define, arguments):
            s = self.scenario()
            self.expect("Box", f"[DEFINE]\n{define}\n" + msgbox("Box", text),
                        [info(expected.format(src=s.win()))], s=s, arguments=arguments)
        self.each(ROWS, check)


if __name__ == "__main__":
    main()
