"""The bundled examples, each checked clean by updater-check and run end to end in a scenario
folder of its own, with its stand-in programs, answering its boxes as a user would."""

import datetime
import os
import shutil
import sys
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import wineenv  # noqa: E402
from examples import copy_example  # noqa: E402
from programs import run_closing, stop_programs  # noqa: E402
from test_checker import CLEAN, CLEAN_LINE, run_checker  # noqa: E402
from test_files import FileRows  # noqa: E402
from updater import Box, expect_boxes, main  # noqa: E402


def box(caption, text, icon):
    return Box(caption=caption, text=text, icon=icon, buttons=["YES", "NO"] if icon == "question" else ["OK"])


# The examples in a silent run with no display at all, against a run whose boxes are answered by default. The
# stand-in programs are console programs: without a display Wine never lets a GUI program reach its first idle
# moment, for which LAUNCH waits.
SILENT = [(name, name) for name in ("update", "install", "branch", "measure-crc")]
RECORDS = (".out", ".log", ".stop")  # the logs and the stand-in programs' own records


class Examples(FileRows):
    def example(self, name, gui=True):
        s = self.scenario()
        programs = copy_example(s, name, gui)
        self.addCleanup(stop_programs, list(programs.values()))
        self.assertEqual(run_checker(s, s.win("updater.ini")), (CLEAN, [CLEAN_LINE]))
        return s, programs

    def test_update(self):
        # Viewer runs: the user is asked to close it, the files are replaced once it has ended, and it starts again.
        s, programs = self.example("update")
        viewer, files = programs[r"Viewer\viewer.exe"], ("viewer.exe", "viewer.dat")
        viewer.start_outside()
        ask = "Viewer is running.\nPlease close Viewer, then press Yes to update it.\nNo cancels the update."
        expect_boxes(run_closing(s, [viewer], answers=["YES", "OK"], timeout=60), [
            box("Viewer Update", ask, "question"), box("Viewer Update", "Viewer has been updated to version 2.", "information")])
        self.assertEqual([s.read_bytes("Viewer/" + f) for f in files], [s.read_bytes("new/" + f) for f in files])
        first, again = viewer.wait_starts(2)
        self.assertEqual((again["command"], again["directory"], again["started"] >= first["ended"]),
                         (viewer.win() + " /updated", s.win("Viewer"), True))

    def test_install(self):
        s, _ = self.example("install")
        # The shortcuts go to the shell folders of all users.
        drive_c = os.path.join(wineenv.paths()["prefix"], "drive_c")
        made = {"Desktop": os.path.join(drive_c, "users", "Public", "Desktop", "Tally.LNK"),
                "Programs": os.path.join(drive_c, "ProgramData", "Microsoft", "Windows", "Start Menu", "Programs", "Tally")}

        def remove():
            for path in filter(os.path.exists, made.values()):
                shutil.rmtree(path) if os.path.isdir(path) else os.remove(path)
        remove()
        self.addCleanup(remove)
        target = s.win(r"Program Files\Tally")
        expect_boxes(s.run(answers=["YES", "OK"], timeout=60), [
            box("Tally Setup", f"Tally will be installed in\n{target}.\n\nInstall it now?", "question"),
            box("Tally Setup", "Tally has been installed.\nStart it from the desktop or the programs menu.", "information")])
        for relative in ("tally.exe", "license.txt", "Help/index.txt"):
            self.assertEqual(s.read_bytes("Program Files/Tally/" + relative), s.read_bytes("media/" + relative))
        self.assertEqual((os.path.isdir(s.path(r"Program Files\Tally\Data")),
                          s.attributes()["Program Files/Tally/license.txt"]), (True, "AR"))
        # Each shortcut: its target's path after the folder's, arguments, window state.
        links = {made["Desktop"]: "tally.exe||1", os.path.join(made["Programs"], "Tally.LNK"): "tally.exe|/new|3",
                 os.path.join(made["Programs"], "Tally Help.LNK"): r"Help\index.txt||1"}
        self.assertEqual({path: self.shortcut(s, path, "C:/") for path in links},
                         {path: f"LNK {target}\\{rest}" for path, rest in links.items()})

    def test_branch(self):
        s, _ = self.example("branch")
        s.set_times(r"installed\prices.csv", datetime.datetime(2024, 3, 31, 23).timestamp())
        expect_boxes(s.run(answers=["OK"], timeout=60), [
            box("Price List Update", "The price list of 2024/4/1 has been installed.", "information")])
        # Wine is a Windows NT system.
        self.assertEqual([s.read_bytes(r"installed\reader.dll"), s.read_bytes(r"installed\prices.csv")],
                         [s.read_bytes(r"nt\reader.dll"), s.read_bytes(r"data\prices.csv")])

    def test_measure_crc(self):
        s, _ = self.example("measure-crc")
        crc = {name: f"0x{zlib.crc32(s.read_bytes('release/' + name)):08X}" for name in ("viewer.dat", "readme.txt")}
        result = s.run(answers=["OK", "OK", "OK"], timeout=60, clipboard=True)
        measured = [f"PROC\t: Measure\nFILE\t: {s.win('release')}\\{name}\nCRC32\t: {crc[name]}" for name in crc]
        expect_boxes(result, [box("Measure CRCs", text, "information") for text in measured + ["Both files have the CRCs of the script."]])
        self.assertEqual(result.clipboard, crc["readme.txt"])

    def test_silent_run_does_what_the_default_answers_do(self):
        def check(name):
            shown, _ = self.example(name, gui=False)
            answered = shown.run(answers=["DEFAULT"] * 9, timeout=60)
            silent = self.scenario()
            self.addCleanup(stop_programs, list(copy_example(silent, name, gui=False).values()))
            result = silent.run(rf"/silent /log={silent.win('silent.log')}", timeout=60, display=False)
            self.assertEqual((result.exit_code, result.boxes), (answered.exit_code, []))
            self.assertEqual(silent.tree(RECORDS), shown.tree(RECORDS))
            log = [line[10:] for line in silent.read_bytes("silent.log").decode("cp932").split("\r\n")]
            self.assertEqual([line for line in log if line.startswith("  box ")], [
                f'  box {box["pressed"]} (silent run: the default button): {box["text"].replace(shown.win(), silent.win())}'
                .replace("\n", " ") for box in answered.boxes])
            self.assertEqual(log[-2], f"end, exit code {answered.exit_code}")
        self.each(SILENT, check)

if __name__ == "__main__":
    main()
