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

# name, UPDATER lines, command line, boxes
CAPTIONS = [
    ("NAME wins over the option", "NAME=From the script\nPROC=Bad", "/tOpt",
     [error_box(message(6, "NOSUCHMODE"), "From the script")]),
    ("empty NAME keeps the option", "NAME=\nPROC=Bad", "/tOpt",
     [error_box(message(6, "NOSUCHMODE"), "Opt")]),
    ("missing PROC under the option caption", "NAME=Never shown", "/tOpt",
     [error_box(message(2, "UPDATER", "PROC"), "Opt")]),
    ("message boxes carry NAME", "NAME=Setup\nPROC=One", "/tOther", [info("one", caption="Setup")]),
    ("missing NAME", "PROC=One", "", [error_box(message(2, "UPDATER", "NAME"))]),
    ("NAME of no_Data in any case is absent", "NAME=no_Data\nPROC=One", "",
     [error_box(message(2, "UPDATER", "NAME"))]),
    ("empty PROC", "NAME=\nPROC=", "", [error_box(message(4, "UPDATER", "PROC"))]),
]

# name, PROC, further sections, boxes
LISTS = [
    ("names are trimmed of spaces", " One ,  Two,Three ", "", [info("one"), info("two"), info("three")]),
    ("unknown mode in the third runs nothing", "One,Two,Foo", "\n[Foo]\nMODE=FOO\n",
     [error_box(message(6, "FOO"))]),
    ("a name of spaces is an empty name", "One,  ,Two", "", [error_box(message(2, "", "MODE"))]),
    ("a missing section", "One,Nowhere", "", [error_box(message(2, "Nowhere", "MODE"))]),
    ("a key of NO_DATA is missing", "One,NoData", msgbox("NoData", "x", flag="NO_DATA"),
     [error_box(message(2, "NoData", "FLAG"))]),
    ("mode in lower case", "Lower", section("Lower", "msgbox", FLAG="", TYPE="INFORMATION", TEXT="lower",
                                            ISABORT="0,0"), [info("lower")]),
    ("mode through a macro", "Mac", "\n[DEFINE]\n<M>=MsgBox\n" + section(
        "Mac", "<M>", FLAG="", TYPE="INFORMATION", TEXT="by macro", ISABORT=""), [info("by macro")]),
    ("the same section twice runs twice", "One,One", "", [info("one"), info("one")]),
    ("a failure stops the run", "One,Shout,Three", msgbox("Shout", "never", type_="SHOUT"),
     [info("one"), error_box(message(6, "SHOUT"))]),
    ("a run that ends well shows nothing more", "Os", "\n[Os]\nMODE=OSVER\n", []),
]


class Run(UpdaterTest):
    def test_caption_and_updater_section(self):
        self.each(CAPTIONS, lambda head, arguments, boxes: self.expect(
            None, STEPS + BAD, boxes, head=head, arguments=arguments))

    def test_a_list_is_loaded_whole_then_run_in_order(self):
        self.each(LISTS, lambda proc, extra, boxes: self.expect(proc, STEPS + extra, boxes))


if __name__ == "__main__":
    main()
