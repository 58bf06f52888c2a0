"""The run as a whole: the section UPDATER, the caption, loading a list whole
before anything runs, stopping at the first failure."""

import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
from sections import info, msgbox, section  # noqa: E402
from updater import UpdaterTest, error_box, main, message  # noqa: E402

# Three boxes that show which procedures ran.
STEPS = msgbox("One", "one") + msgbox("Two", "two") + msgbox("Three", "three")
BAD = "\n[Bad]\nMODE=NOSUCHMODE\n"

# The first key each type's reader asks for after MODE.
FIRST_KEYS = {"EXIST": "FILE", "DATE": "FILE", "SWITCH": "PROC", "MSGBOX": "FLAG", "COPY": "FROM",
              "LAUNCH": "FILE", "DELETE": "FILE", "LINK": "SRC", "MAKEDIR": "DIR", "ATTR": "FILE",
              "CRC": "FILE", "MOVE": "FROM", "WAITAPP": "APP", "APPEXIST": "APP", "VERIFY": "ARG1",
              "RSRC": "FROM", "SHELL": "FUNC"}

# name, UPDATER lines, command line, boxes
CAPTIONS = [
    ("NAME wins over the option", "NAME=From the script\nPROC=Bad", "/tOpt",
     [error_box(message(6, "NOSUCHMODE"), "From the script")]),
    ("empty NAME keeps the option", "NAME=\nPROC=Bad", "/tOpt",
     [error_box(message(6, "NOSUCHMODE"), "Opt")]),
    ("empty NAME, no option: default", "NAME=\nPROC=Bad", "", [error_box(message(6, "NOSUCHMODE"))]),
    ("japanese NAME", "NAME=表示テスト\nPROC=Bad", "", [error_box(message(6, "NOSUCHMODE"), "表示テスト")]),
    ("missing PROC under the option caption", "NAME=Never shown", "/tOpt",
     [error_box(message(2, "UPDATER", "PROC"), "Opt")]),
    ("message boxes carry NAME", "NAME=Setup\nPROC=One", "/tOther", [info("one", caption="Setup")]),
    ("missing NAME", "PROC=One", "", [error_box(message(2, "UPDATER", "NAME"))]),
    ("NAME of no_Data in any case is absent", "NAME=no_Data\nPROC=One", "",
     [error_box(message(2, "UPDATER", "NAME"))]),
    ("empty PROC", "NAME=\nPROC=", "", [error_box(message(4, "UPDATER", "PROC"))]),
    ("PROC of spaces is one empty name", 'NAME=\nPROC=" "', "", [error_box(message(2, "", "MODE"))]),
]

# name, PROC, further sections, boxes
LISTS = [
    ("names are trimmed of spaces", " One ,  Two,Three ", "", [info("one"), info("two"), info("three")]),
    ("unknown mode in the third runs nothing", "One,Two,Foo", "\n[Foo]\nMODE=FOO\n",
     [error_box(message(6, "FOO"))]),
    ("two commas give an empty name", "One,,Two", "", [error_box(message(2, "", "MODE"))]),
    ("a missing section", "One,Nowhere", "", [error_box(message(2, "Nowhere", "MODE"))]),
    ("a missing key stops the load", "One,NoText",
     section("NoText", "MSGBOX", FLAG="", TYPE="INFORMATION", ISABORT="0,0"),
     [error_box(message(2, "NoText", "TEXT"))]),
    ("a key of NO_DATA is missing", "One,NoData", msgbox("NoData", "x", flag="NO_DATA"),
     [error_box(message(2, "NoData", "FLAG"))]),
    ("mode in lower case", "Lower", section("Lower", "msgbox", FLAG="", TYPE="INFORMATION", TEXT="lower",
                                            ISABORT="0,0"), [info("lower")]),
    ("mode through a macro", "Mac", "\n[DEFINE]\n<M>=MsgBox\n" + section(
        "Mac", "<M>", FLAG="", TYPE="INFORMATION", TEXT="by macro", ISABORT=""), [info("by macro")]),
    ("an undefined mode macro is unknown", "Mac", section("Mac", "<M>"), [error_box(message(6, "<M>"))]),
    ("the same section twice runs twice", "One,One", "", [info("one"), info("one")]),
    ("a failure stops the run", "One,Shout,Three", msgbox("Shout", "never", type_="SHOUT"),
     [info("one"), error_box(message(6, "SHOUT"))]),
    ("a run that ends well shows nothing more", "Os", "\n[Os]\nMODE=OSVER\n", []),
] + [(f"{mode} is built in: its reader asks for {key}", "One,Other", section("Other", mode),
       [error_box(message(2, "Other", key))]) for mode, key in FIRST_KEYS.items()]


class Run(UpdaterTest):
    def test_caption_and_updater_section(self):
        self.each(CAPTIONS, lambda head, arguments, boxes: self.expect(
            None, STEPS + BAD, boxes, head=head, arguments=arguments))

    def test_a_list_is_loaded_whole_then_run_in_order(self):
        self.each(LISTS, lambda proc, extra, boxes: self.expect(proc, STEPS + extra, boxes))


if __name__ == "__main__":
    main()
