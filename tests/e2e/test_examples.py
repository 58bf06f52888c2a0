"""The bundled examples, each run end to end in a scenario folder of its own,
with its stand-in programs, answering its boxes as a user would."""

import datetime
import os
import struct
import sys
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
import wineenv  # noqa: E402
from examples import copy_example  # noqa: E402
from programs import run_closing, stop_programs  # noqa: E402
from updater import Box, UpdaterTest, expect_boxes, main  # noqa: E402


def box(caption, text, icon, exit_code=0):
    return Box(caption=caption, text=text, icon=icon, buttons=["YES", "NO"] if icon in ("question", "warning") else ["OK"],
               exit_code=exit_code)


class Examples(UpdaterTest):
    def example(self, name, **changes):
        """The example's files with changes {relative: bytes, or None to delete}."""
        s = self.scenario()
        programs = copy_example(s, name)
        self.addCleanup(stop_programs, list(programs.values()))
        for relative, data in changes.items():
            os.remove(s.path(relative)) if data is None else s.write_bytes(relative, data)
        return s, programs

    def test_update(self):
        ask = "Viewer is running.\nPlease close Viewer, then press Yes to update it.\nNo cancels the update."
        updated = box("Viewer Update", "Viewer has been updated to version 2.", "information")

        def check(running, changes, answers, boxes, replaced, restarted):
            s, programs = self.example("update", **changes)
            viewer, files = programs[r"Viewer\viewer.exe"], (r"Viewer\viewer.exe", r"Viewer\viewer.dat")
            expected = [s.read_bytes(f.replace("Viewer", "new") if replaced else f) for f in files]
            if running:
                viewer.start_outside()
            expect_boxes(run_closing(s, [viewer] if answers[0] == "YES" else [], answers=answers, timeout=60), boxes)
            self.assertEqual([s.read_bytes(f) for f in files], expected)
            starts = viewer.wait_starts(running + restarted)
            self.assertEqual(len(starts), running + restarted, starts)
            if restarted:  # once the Viewer that ran has ended
                self.assertEqual((starts[-1]["command"], starts[-1]["directory"], [x["started"] >= starts[0]["ended"] for x in starts[1:]]),
                                 (viewer.win() + " /updated", s.win("Viewer"), [True] * running))
        # name, Viewer running first, changed files, answers, boxes, files replaced, Viewer started again
        self.each([("running and closed", True, {}, ["YES", "OK"], [box("Viewer Update", ask, "question"), updated], True, True),
                   ("running and kept", True, {}, ["NO"], [box("Viewer Update", ask, "question", 2)], False, False),
                   ("not running", False, {}, ["OK"], [updated], True, True),
                   ("damaged new data", False, {r"new\viewer.dat": b"Viewer data, version 2\r\nzoom=1"}, ["OK"], [box(
                       "Viewer Update", "The new viewer.dat does not have the expected contents.\nViewer is not started again.",
                       "error", 2)], True, False)], check)

    def test_install(self):
        # In a prefix of its own: the tests running meanwhile must not see the shell folders moved.
        shared = os.environ["UPDATER_WINE_STATE"]
        os.environ["UPDATER_WINE_STATE"] = os.path.normpath(shared) + "-shell-folders"
        self.addCleanup(os.environ.update, UPDATER_WINE_STATE=shared)
        wineenv.setup()
        self.addCleanup(wineenv.stop_all)
        s, _ = self.example("install")
        body = "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders]\r\n"
        for name, folder in (("Common Desktop", "Desktop"), ("Common Programs", "Programs")):
            s.make_dir(folder)
            body += f'"{name}"="{s.win(folder)}"\r\n'.replace("\\", "\\\\")
        s.reg_import(body, wineenv.bits())  # into the registry view of the build under test
        target = s.win(r"Program Files\Tally")
        welcome = box("Tally Setup", f"Tally will be installed in\n{target}.\n\nInstall it now?", "question")
        expect_boxes(s.run(answers=["NO"], timeout=60), [welcome], exit_code=2)
        self.assertFalse(s.exists("Program Files"))
        expect_boxes(s.run(answers=["YES", "OK"], timeout=60), [welcome, box(
            "Tally Setup", "Tally has been installed.\nStart it from the desktop or the programs menu.", "information")])
        for relative in ("tally.exe", "license.txt", "Help/index.txt"):
            self.assertEqual(s.read_bytes("Program Files/Tally/" + relative), s.read_bytes("media/" + relative))
        self.assertEqual((os.path.isdir(s.path(r"Program Files\Tally\Data")),
                          s.attributes()["Program Files/Tally/license.txt"]), (True, "AR"))
        # shortcut, its target, arguments, window state (the header's ShowCommand)
        for link, path, arguments, show in ((r"Desktop\Tally.LNK", target + r"\tally.exe", "", 1),
                                            (r"Programs\Tally\Tally.LNK", target + r"\tally.exe", "/new", 3),
                                            (r"Programs\Tally\Tally Help.LNK", target + r"\Help\index.txt", "", 1)):
            self.assertEqual(dict(s.read_shortcut(link), show=struct.unpack_from("<I", s.read_bytes(link), 60)[0]),
                             {"path": path, "directory": path.rsplit("\\", 1)[0], "arguments": arguments, "show": show}, link)

    def test_branch(self):
        replaced = "The price list of 2024/4/1 has been installed."

        def check(date, shown):
            s, _ = self.example("branch", **({} if date else {r"installed\prices.csv": None}))
            installed = s.read_bytes(r"installed\prices.csv") if date else None
            if date:
                s.set_times(r"installed\prices.csv", date.timestamp())
            expect_boxes(s.run(answers=["OK"], timeout=60), [box("Price List Update", shown, "information")])
            # Wine is a Windows NT system.
            self.assertEqual([s.read_bytes(r"installed\reader.dll"), s.read_bytes(r"installed\prices.csv")],
                             [s.read_bytes(r"nt\reader.dll"), s.read_bytes(r"data\prices.csv") if shown == replaced else installed])
        # name, date of the installed price list (None: no list installed), box
        self.each([("older list", datetime.datetime(2024, 3, 31, 23, 0), replaced), ("no list", None, replaced),
                   ("list of that day", datetime.datetime(2024, 4, 1, 0, 30), "The installed price list is current; it was kept.")],
                  check)

    def test_measure_crc(self):
        caption = "Measure CRCs"

        def check(changes, answers, last):
            s, _ = self.example("measure-crc", **changes)
            crc = {name: f"0x{zlib.crc32(s.read_bytes('release/' + name)):08X}" for name in ("viewer.dat", "readme.txt")}
            result = s.run(answers=answers, timeout=60, clipboard=True)
            expect_boxes(result, [box(caption, f"PROC\t: Measure\nFILE\t: {s.win('release')}\\{name}\nCRC32\t: "
                                      f"{crc[name]}", "information") for name in crc] + [last])
            self.assertEqual(result.clipboard, crc["readme.txt"])
        # name, changed files, answers, last box
        self.each([("release as in the script", {}, ["OK", "OK", "OK"],
                    box(caption, "Both files have the CRCs of the script.", "information")),
                   ("a changed file", {"release/readme.txt": b"Viewer 2.0, changed\r\n"}, ["OK", "OK", "YES"],
                    box(caption, "A file differs from the CRC in the script.\nGo on all the same?", "warning"))], check)


if __name__ == "__main__":
    main()
