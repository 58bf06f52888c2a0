"""Macros, value functions and parent steps, seen in the TEXT of MSGBOX boxes,
which show the expanded value exactly."""

import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
import wineenv  # noqa: E402
from sections import info, msgbox  # noqa: E402
from updater import (Scenario, UpdaterTest, error_box, expect_boxes, fail, main,  # noqa: E402
                     message)

APP_PATHS = r"HKLM\Software\Microsoft\Windows\CurrentVersion\App Paths"
SHELL_FOLDERS = r"Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders"


class Prefix:
    """What the prefix itself says, asked of Wine's own cmd and reg."""

    _known = None

    @classmethod
    def facts(cls):
        if cls._known is None:
            s = Scenario("macros._prefix")
            cls._known = {
                "windir": cls.echo(s, "windir"),
                "system": cls.echo(s, "ComSpec").rsplit("\\", 1)[0],
                "tmp": cls.echo(s, "TMP") or cls.echo(s, "TEMP"),
                "common desktop": cls.query(s, "HKLM", "Common Desktop"),
                "common programs": cls.query(s, "HKLM", "Common Programs"),
                "appdata": cls.query(s, "HKCU", "AppData"),
            }
            empty = [name for name, value in cls._known.items() if not value]
            if empty:
                fail("the prefix did not say", [", ".join(empty)])
        return cls._known

    @staticmethod
    def wine(s, name, args):
        log = s.path(name + ".txt")
        code = wineenv.wine(args, wineenv.environment(), log, 60, cwd=s.root)
        text = s.read_text(name + ".txt")
        if code != 0:
            fail(f"{' '.join(args)} failed with code {code}", [text])
        return text

    @classmethod
    def echo(cls, s, variable):
        text = cls.wine(s, "echo-" + variable, ["cmd", "/c", f"echo %{variable}%"]).strip()
        return "" if text == f"%{variable}%" else text

    @classmethod
    def query(cls, s, root, value):
        name = "reg-" + value.replace(" ", "-")
        text = cls.wine(s, name, ["reg", "query", root + "\\" + SHELL_FOLDERS, "/v", value])
        for line in text.splitlines():
            if line.strip().startswith(value + "    REG_SZ    "):
                return line.split("    REG_SZ    ", 1)[1].strip()
        fail(f"reg query gave no value {value}", [text])


class MacroTest(UpdaterTest):
    def expect_texts(self, texts, expected, define="", arguments="", s=None):
        """One MSGBOX per text, shown in order."""
        s = s or self.scenario()
        names = [f"Box{i}" for i in range(len(texts))]
        body = "".join(msgbox(n, t) for n, t in zip(names, texts))
        s.write_script(f"[UPDATER]\nNAME=\nPROC={','.join(names)}\n[DEFINE]\n{define}\n" + body)
        result = s.run(arguments, answers=["OK"] * len(texts))
        expect_boxes(result, [info(text) for text in expected])

    def expect_text(self, text, expected, define="", arguments="", s=None):
        self.expect_texts([text], [expected], define, arguments, s)

    @property
    def win(self):
        return Prefix.facts()["windir"]


class Definitions(MacroTest):
    def test_a_macro_sees_earlier_lines_expanded(self):
        define = "<A>=<Win>\\sub\n<B>=<A>\\x"
        self.expect_texts(["<B>", "<A>"], [self.win + r"\sub\x", self.win + r"\sub"], define)

    def test_a_macro_sees_later_lines_as_written(self):
        # <B> keeps "<Win>" from <A> as written. A value gets one pass per group it
        # holds as read: the one pass of <B> is used up by <B>; of the two of
        # <B>;<Win>, the second goes to the <Win> that <B> brought in.
        define = "<B>=<A>\\x\n<A>=<Win>\\sub"
        self.expect_texts(["<B>", "<A>", "<B>;<Win>"],
                          [r"<Win>\sub\x", self.win + r"\sub", self.win + r"\sub\x;<Win>"],
                          define)

    def test_names_ignore_case(self):
        define = "<Target>=here"
        self.expect_text("<win>|<WIN>|<Win>|<target>|<TARGET>",
                         "|".join([self.win] * 3 + ["here"] * 2), define)

    def test_a_built_in_macro_overrides_a_define_line(self):
        self.expect_text("<Win>", self.win, "<Win>=D:\\X")
        self.expect_text("<Win>|<Sys>", self.win + "|" + Prefix.facts()["system"],
                         "<WIN>=D:\\X\n<sys>=D:\\Y")

    def test_undefined_macros_stay(self):
        self.expect_texts(["<Nope>\\x", "<<Win>>", "a<b", "<Plain>"],
                          ["<Nope>\\x", "<<Win>>", "a<b", "<Plain>"],
                          "Plain=x\n;<Gone>=y")

    def test_a_comment_line_defines_nothing(self):
        self.expect_text("<Gone>|<Kept>", "<Gone>|kept", ";<Gone>=y\n<Kept>=kept")

    def test_a_value_ends_at_a_second_equals_sign(self):
        self.expect_text("<E>", "a", "<E>=a=b")

    def test_a_mode_given_through_a_macro(self):
        s = self.scenario()
        s.write_script("[UPDATER]\nNAME=\nPROC=Box\n[DEFINE]\n<M>=msgbox\n"
                       "[Box]\nMODE=<M>\nFLAG=\nTYPE=INFORMATION\nTEXT=by macro\nISABORT=\n")
        expect_boxes(s.run(answers=["OK"]), [info("by macro")])

    def test_an_undefined_mode_macro_is_a_symbol_nobody_knows(self):
        s = self.scenario()
        s.write_script("[UPDATER]\nNAME=\nPROC=Box\n"
                       "[Box]\nMODE=<M>\nFLAG=\nTYPE=INFORMATION\nTEXT=x\nISABORT=\n")
        expect_boxes(s.run(answers=["OK"]), [error_box(message(6, "<M>"))])


class BuiltIns(MacroTest):
    def test_the_six_built_in_macros(self):
        facts = Prefix.facts()
        s = self.scenario()
        self.expect_texts(
            ["<Win>", "<Sys>", "<Src>", "<Temp>", "<Desktop>", "<Programs>"],
            [facts["windir"], facts["system"], s.win(),
             facts["tmp"].rstrip("\\"), facts["common desktop"], facts["common programs"]],
            s=s)

    def test_built_ins_inside_define_values(self):
        s = self.scenario()
        self.expect_text("<Here>", s.win() + r"\data", r"<Here>=<Src>\data", s=s)


class Param(MacroTest):
    ARGUMENTS = 'a "b c" d'

    def test_words_of_the_command_line(self):
        texts = [r"{?Param\1}", r"{?Param\0\-1}", r"{?Param\-1}", r"[{?Param\5}]",
                 r"[{?Param\2\1}]", r"{?Param\0}", r"{?param\-3\-2}"]
        expected = ["b c", "a, b c, d", "d", "[]", "[]", "a", "a, b c"]
        self.expect_texts(texts, expected, arguments=self.ARGUMENTS)

    def test_several_functions_in_one_value(self):
        self.expect_text(r"{?Param\2}-{?Param\0}-{?Param\1}", "d-a-b c",
                         arguments=self.ARGUMENTS)

    def test_options_are_words_too(self):
        self.expect_text(r"{?Param\0}|{?Param\1}", "/iupdater.ini|a.txt",
                         arguments="/iupdater.ini a.txt")


class SpecialFolders(MacroTest):
    def test_a_folder_by_its_hexadecimal_number(self):
        appdata = Prefix.facts()["appdata"]
        self.expect_texts([r"{?SpFolder\1a}", r"{?SpFolder\0x1A}"], [appdata, appdata])

    def test_an_unknown_folder_stays(self):
        self.expect_text(r"{?SpFolder\ff}", r"{?SpFolder\ff}")


class AppPaths(MacroTest):
    def register(self, s, exe, path=None, kind="REG_SZ", **values):
        key = APP_PATHS + "\\" + exe
        s.reg_add(key, None, path, kind)
        for name, data in values.items():
            s.reg_add(key, name, data)

    def test_the_registered_path_and_search_path(self):
        s = self.scenario()
        self.register(s, "e2etool.exe", r"C:\Tools\e2etool.exe", PATH="C:\\Tools\\Bin\\\\")
        self.expect_texts([r"{?App\e2etool.exe}", r"{?AppPath\e2etool.exe}",
                           r"{?app\E2ETOOL.EXE}"],
                          [r"C:\Tools\e2etool.exe", r"C:\Tools\Bin", r"C:\Tools\e2etool.exe"], s=s)

    def test_backslashes_go_before_semicolons(self):
        # A backslash that only a removed semicolon uncovers stays.
        s = self.scenario()
        self.register(s, "e2etool.exe", r"C:\Tools\e2etool.exe", PATH="C:\\A;C:\\B\\;;")
        self.expect_text(r"{?AppPath\e2etool.exe}", "C:\\A;C:\\B\\", s=s)

    def test_the_data_is_taken_unexpanded(self):
        s = self.scenario()
        self.register(s, "e2etool.exe", r"%SystemRoot%\e2etool.exe", kind="REG_EXPAND_SZ")
        self.expect_text(r"{?App\e2etool.exe}", r"%SystemRoot%\e2etool.exe", s=s)

    def test_unregistered_names_stay(self):
        s = self.scenario()
        self.register(s, "e2epathless.exe", r"C:\Tools\e2epathless.exe")
        self.expect_texts([r"{?App\e2enone.exe}", r"{?AppPath\e2epathless.exe}", r"{?Nope\x}"],
                          [r"{?App\e2enone.exe}", r"{?AppPath\e2epathless.exe}", r"{?Nope\x}"],
                          s=s)

    def test_a_macro_holding_a_function(self):
        s = self.scenario()
        self.register(s, "e2etool.exe", r"C:\Tools\e2etool.exe")
        self.expect_texts(["<Tool>", r"<Tool>\..\x"], [r"C:\Tools\e2etool.exe", r"C:\Tools\x"],
                          r"<Tool>={?App\e2etool.exe}", s=s)


class ParentSteps(MacroTest):
    def test_parent_steps(self):
        cases = [
            (r"C:\a\b\..\..\c", r"C:\c"),
            (r"C:\a\..\b\..\c", r"C:\b\..\c"),   # the scan ends after the third item
            (r"C:\..\x", r"C:\..\x"),            # a step right after the drive stays
            (r"C:\a..b\c", r"C:\a..b\c"),
            (r"C:\a\b\..", r"C:\a"),
            (r"a\b\..\c", r"a\c"),
            (r"a\..\b", r"a\..\b"),
        ]
        self.expect_texts([c for c, _ in cases], [e for _, e in cases])

    def test_the_windows_directory_and_a_parent_step(self):
        drive = self.win.split("\\")[0]
        self.expect_text(r"<Win>\..\x", drive + r"\x")


if __name__ == "__main__":
    main()
