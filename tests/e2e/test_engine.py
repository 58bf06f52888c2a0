"""The run as a whole: the section UPDATER, the caption, loading a list whole
before anything runs, stopping at the first failure, the run log."""

import os
import re
import sys
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
import wineenv  # noqa: E402
from programs import Program, stop_programs  # noqa: E402
from sections import info, msgbox, section  # noqa: E402
from updater import UpdaterTest, error_box, main, message  # noqa: E402

# Three boxes that show which procedures ran.
STEPS = msgbox("One", "one") + msgbox("Two", "two") + msgbox("Three", "three")
BAD = "\n[Bad]\nMODE=NOSUCHMODE\n"

NOMODE, NONAME = message(6, "NOSUCHMODE"), message(2, "UPDATER", "NAME")
# name, UPDATER lines, command line, boxes (a script whose NAME or PROC cannot be read ends with 3)
CAPTIONS = [
    ("NAME wins over the option", "NAME=From the script\nPROC=Bad", "/tOpt", [error_box(NOMODE, "From the script")]),
    ("empty NAME keeps the option", "NAME=\nPROC=Bad", "/tOpt", [error_box(NOMODE, "Opt")]),
    ("missing PROC under the option's caption", "NAME=No", "/tO", [error_box(message(2, "UPDATER", "PROC"), "O", 3)]),
    ("message boxes carry NAME", "NAME=Setup\nPROC=One", "/tOther", [info("one", caption="Setup")]),
    ("missing NAME", "PROC=One", "", [error_box(NONAME, exit_code=3)]),
    ("NAME of no_Data in any case is absent", "NAME=no_Data\nPROC=One", "", [error_box(NONAME, exit_code=3)]),
    ("empty PROC", "NAME=\nPROC=", "", [error_box(message(4, "UPDATER", "PROC"))]),
]

# name, PROC, further sections, boxes
LISTS = [
    ("names are trimmed of spaces", " One ,  Two,Three ", "", [info("one"), info("two"), info("three")]),
    ("unknown mode in the third runs nothing", "One,Two,Foo", "\n[Foo]\nMODE=FOO\n", [error_box(message(6, "FOO"))]),
    ("a name of spaces is an empty name", "One,  ,Two", "", [error_box(message(2, "", "MODE"))]),
    ("a missing section", "One,Nowhere", "", [error_box(message(2, "Nowhere", "MODE"))]),
    ("mode through a macro, in lower case", "Mac", "\n[DEFINE]\n<M>=msgBox\n" + section(
        "Mac", "<M>", FLAG="", TYPE="INFORMATION", TEXT="by macro", ISABORT=""), [info("by macro")]),
    ("the same section twice runs twice", "One,One", "", [info("one"), info("one")]),
    ("a failure stops the run", "One,Shout,Three", msgbox("Shout", "x", "SHOUT"),
     [info("one"), error_box(message(6, "SHOUT"))]),
    ("a run that ends well shows nothing more", "Os", "\n[Os]\nMODE=OSVER\n", []),
]

DATA = "新しい版".encode("cp932")
CRC = zlib.crc32(DATA)
VERSION = re.search(r"project\(updater VERSION (\S+)", open(os.path.join(wineenv.setting(
    "UPDATER_SOURCE"), "CMakeLists.txt")).read())[1]
COPY = section("Copy", "COPY", FROM=r"@\データ.txt", TO=r"@\copy.txt")
COPIED = ["run Copy (COPY)", r'  item 1: "@\データ.txt", "@\copy.txt": done', "  flag 1"]
# name, PROC, sections (@: the scenario's folder), LOG, answers, the lines after
# the header (None: no log), exit code (None: killed while the last step waits)
LOGS = [
    ("a full run", "Copy,Crc,Quick,Ask", COPY + section("Crc", "CRC", FILE=r"@\copy.txt", TYPE="AND", CRC=f"{CRC:x}")
     + section("Quick", "LAUNCH", FILE=r"@\quick.exe", PARAM="", ISWAIT="1") + msgbox("Ask", "更新?", "QUESTION"),
     r"@\run.log", ["YES"], COPIED + [
        "run Crc (CRC)", rf'  crc of "@\copy.txt": {CRC:08X}', "  flag 1", "run Quick (LAUNCH)",
        r"  @\quick.exe ended with exit code 7", r'  item 1: "@\quick.exe", "": done', "  flag 1",
        "run Ask (MSGBOX)", '  box "更新?": YES', "  flag 1", "end, exit code 0"], 0),
    ("a failing run", "Gone,Copy", section("Gone", "COPY", FROM=r"@\gone.txt", TO=r"@\x.txt") + COPY, r"@\run.log",
     ["OK"], ["run Gone (COPY)", "  box \"" + message(8, r"@\gone.txt", r"@\x.txt").replace("\n", " ") + "\": OK",
              r'  item 1: "@\gone.txt", "@\x.txt": failed', "end, exit code 1"], 1),
    ("a log that cannot be opened", "Ask", msgbox("Ask", "asked", abort="1,0"), r"@\no\run.log", ["OK"], None, 2),
    ("a killed run", "Copy,Wait,Ask", COPY + section("Wait", "LAUNCH", FILE=r"@\forever.exe", PARAM="", ISWAIT="1")
     + msgbox("Ask", "never"), r"@\run.log", [], COPIED + ["run Wait (LAUNCH)"], None),
]


class Run(UpdaterTest):
    def test_caption_and_updater_section(self):
        self.each(CAPTIONS, lambda head, arguments, boxes: self.expect(
            None, STEPS + BAD, boxes, head=head, arguments=arguments))

    def test_a_list_is_loaded_whole_then_run_in_order(self):
        self.each(LISTS, lambda proc, extra, boxes: self.expect(proc, STEPS + extra, boxes))

    def test_the_run_log(self):
        def check(proc, sections, log, answers, lines, code):
            s = self.scenario()
            w = s.win()
            s.write_bytes("データ.txt", DATA)
            s.write_text("run.log", "an earlier run\r\n")
            programs = [Program(s, "quick.exe", plan=dict(exit=7)), Program(s, "forever.exe", plan=dict(run=-1))]
            try:
                result = self.run_script(proc, sections.replace("@", w), answers, "/tLog",
                                         "NAME=\nLOG=" + log.replace("@", w), s, timeout=5 if code is None else 20)
            finally:
                stop_programs(programs)
            self.assertEqual((result.exit_code, result.timed_out), (code, code is None))
            written = s.read_bytes("run.log").decode("cp932").split("\r\n")
            if lines is not None:
                self.assertRegex(written.pop(1), r'^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d updater ' + re.escape(
                    f'{VERSION}, script "{s.win("updater.ini")}", command line "/tLog"'))
            self.assertEqual(written, ["an earlier run"] + [line.replace("@", w) for line in lines or []] + [""])
        self.each(LOGS, check)


if __name__ == "__main__":
    main()
