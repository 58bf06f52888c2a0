"""The bundled examples, each run end to end in a scenario folder of its own,
with its stand-in programs, answering its boxes as a user would."""

import datetime
import os
import struct
import sys
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
import wineenv  # noqa: E402
from boxes import Box  # noqa: E402
from examples import copy_example  # noqa: E402
from programs import run_closing, stop_programs  # noqa: E402
from updater import UpdaterTest, expect_boxes, main  # noqa: E402

def box(caption, text, icon, exit_code=0):
    buttons = ["YES", "NO"] if icon in ("question", "warning") else ["OK"]
    return Box(caption=caption, text=text, icon=icon, buttons=buttons, exit_code=exit_code)


class ExampleTest(UpdaterTest):
    def example(self, name):
        s = self.scenario()
        programs = copy_example(s, name)
        self.addCleanup(stop_programs, list(programs.values()))
        return s, programs


class Update(ExampleTest):
    CAPTION = "Viewer Update"
    ASK_TEXT = "Viewer is running.\nPlease close Viewer, then press Yes to update it.\nNo cancels the update."
    ASK, STOPPED = box(CAPTION, ASK_TEXT, "question"), box(CAPTION, ASK_TEXT, "question", 2)
    UPDATED = box(CAPTION, "Viewer has been updated to version 2.", "information")
    DAMAGED = box(CAPTION, "The new viewer.dat does not have the expected contents.\n"
                           "Viewer is not started again.", "error", 2)

    # name, Viewer running first, the new data file damaged, answers, boxes, files replaced, Viewer started again
    ROWS = [
        ("running and closed", True, False, ["YES", "OK"], [ASK, UPDATED], True, True),
        ("running and kept", True, False, ["NO"], [STOPPED], False, False),
        ("not running", False, False, ["OK"], [UPDATED], True, True),
        ("damaged new data", False, True, ["OK"], [DAMAGED], True, False),
    ]

    def test_rows(self):
        def check(running, damaged, answers, boxes, replaced, restarted):
            s, programs = self.example("update")
            viewer = programs[r"Viewer\viewer.exe"]
            if damaged:
                s.write_bytes(r"new\viewer.dat", b"Viewer data, version 2\r\nzoom=1")
            old = {f: s.read_bytes(f) for f in (r"Viewer\viewer.exe", r"Viewer\viewer.dat")}
            new = {f: s.read_bytes(f.replace("Viewer", "new")) for f in old}
            if running:
                viewer.start_outside()
            expect_boxes(run_closing(s, [viewer] if answers[0] == "YES" else [], answers=answers, timeout=60), boxes)
            for f in old:
                self.assertEqual(s.read_bytes(f), (new if replaced else old)[f], f)
            self.assertFalse(s.exists(r"Viewer\viewer.dat.tmp") or s.exists(r"Viewer\viewer.exe.tmp"))
            starts = viewer.wait_starts(int(running) + int(restarted))
            self.assertEqual(len(starts), int(running) + int(restarted), starts)
            if restarted:
                self.assertEqual((starts[-1]["command"], starts[-1]["directory"]),
                                 (viewer.win() + " /updated", s.win("Viewer")))
            if running and restarted:
                self.assertGreaterEqual(starts[1]["started"], starts[0]["ended"])
        self.each(self.ROWS, check)


def point_shell_folders(s):
    """The all-users desktop and programs menu in the scenario (the system
    gives a special folder only when it exists)."""
    body = ""
    for sub, expand in (("User Shell Folders", True), ("Shell Folders", False)):
        body += f"[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\{sub}]\r\n"
        for name, folder in (("Common Desktop", "Desktop"), ("Common Programs", "Programs")):
            s.make_dir(folder)
            value = s.win(folder)
            if expand:
                data = "hex(2):" + ",".join(f"{b:02x}" for b in (value + "\0").encode("utf-16-le"))
            else:
                data = '"' + value.replace("\\", "\\\\") + '"'
            body += f'"{name}"={data}\r\n'
    s.reg_import(body)


class Install(ExampleTest):
    """Runs in a Wine prefix of its own: it points the all-users desktop and programs menu,
    machine-wide registry values, into its scenario, which the tests running meanwhile must not see."""

    CAPTION = "Tally Setup"

    @classmethod
    def setUpClass(cls):
        cls.shared_state = os.environ["UPDATER_WINE_STATE"]
        os.environ["UPDATER_WINE_STATE"] = os.path.normpath(cls.shared_state) + "-shell-folders"
        wineenv.setup()

    @classmethod
    def tearDownClass(cls):
        wineenv.cleanup()
        os.environ["UPDATER_WINE_STATE"] = cls.shared_state

    def test_first_installation(self):
        s, _ = self.example("install")
        point_shell_folders(s)
        target = s.win(r"Program Files\Tally")
        expect_boxes(s.run(answers=["YES", "OK"], timeout=60), [
            box(self.CAPTION, f"Tally will be installed in\n{target}.\n\nInstall it now?", "question"),
            box(self.CAPTION, "Tally has been installed.\nStart it from the desktop or the programs menu.",
                "information")])
        for relative in ("tally.exe", "license.txt", "Help/index.txt"):
            self.assertEqual(s.read_bytes("Program Files/Tally/" + relative), s.read_bytes("media/" + relative))
        self.assertTrue(os.path.isdir(s.path(r"Program Files\Tally\Data")))
        self.assertEqual(s.attributes()["Program Files/Tally/license.txt"], "AR")
        # name, shortcut file, target, arguments, window state
        rows = [
            ("desktop", r"Desktop\Tally.LNK", target + r"\tally.exe", "", 1),
            ("menu", r"Programs\Tally\Tally.LNK", target + r"\tally.exe", "/new", 3),
            ("help", r"Programs\Tally\Tally Help.LNK", target + r"\Help\index.txt", "", 1),
        ]

        def check(path, link_target, arguments, show):
            fields = s.read_shortcut(path)
            with open(s.path(path), "rb") as f:
                fields["show"] = struct.unpack_from("<I", f.read(76), 60)[0]  # the window state
            self.assertEqual(fields, {"path": link_target, "directory": link_target.rsplit("\\", 1)[0],
                                      "arguments": arguments, "show": show})
        self.each(rows, check)

    def test_no_installs_nothing(self):
        s, _ = self.example("install")
        self.assertEqual(len(s.run(answers=["NO"], timeout=60).boxes), 1)
        self.assertFalse(s.exists("Program Files"))


class Branch(ExampleTest):
    CAPTION = "Price List Update"
    REPLACED = box(CAPTION, "The price list of 2024/4/1 has been installed.", "information")
    KEPT = box(CAPTION, "The installed price list is current; it was kept.", "information")

    # name, date of the installed price list (None: no list installed), box, list replaced
    ROWS = [
        ("older list", datetime.datetime(2024, 3, 31, 23, 0), REPLACED, True),
        ("list of that day", datetime.datetime(2024, 4, 1, 0, 30), KEPT, False),
        ("no list", None, REPLACED, True),
    ]

    def test_rows(self):
        def check(date, shown, replaced):
            s, _ = self.example("branch")
            installed = s.read_bytes(r"installed\prices.csv")
            if date is None:
                os.remove(s.path(r"installed\prices.csv"))
            else:
                s.set_times(r"installed\prices.csv", date.timestamp())
            expect_boxes(s.run(answers=["OK"], timeout=60), [shown])
            # Wine is a Windows NT system.
            self.assertEqual(s.read_bytes(r"installed\reader.dll"), s.read_bytes(r"nt\reader.dll"))
            self.assertEqual(s.read_bytes(r"installed\prices.csv"),
                             s.read_bytes(r"data\prices.csv") if replaced else installed)
        self.each(self.ROWS, check)


class MeasureCrc(ExampleTest):
    CAPTION = "Measure CRCs"

    # name, the file changed after measuring (None: none), answers, last box
    ROWS = [
        ("release as in the script", None, ["OK", "OK", "OK"],
         box(CAPTION, "Both files have the CRCs of the script.", "information")),
        ("a changed file", "readme.txt", ["OK", "OK", "YES"],
         box(CAPTION, "A file differs from the CRC in the script.\nGo on all the same?", "warning")),
    ]

    def test_rows(self):
        def check(changed, answers, last):
            s, _ = self.example("measure-crc")
            if changed:
                s.write_bytes("release/" + changed, b"Viewer 2.0, changed\r\n")
            measured = [box(self.CAPTION, f"PROC\t: Measure\nFILE\t: {s.win('release')}\\{name}\nCRC32\t: "
                            f"0x{zlib.crc32(s.read_bytes('release/' + name)):08X}", "information")
                        for name in ("viewer.dat", "readme.txt")]
            result = s.run(answers=answers, timeout=60, clipboard=True)
            expect_boxes(result, measured + [last])
            self.assertEqual(result.clipboard, f"0x{zlib.crc32(s.read_bytes('release/readme.txt')):08X}")
        self.each(self.ROWS, check)


if __name__ == "__main__":
    main()
