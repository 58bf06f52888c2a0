"""The bundled examples, each run end to end in a scenario folder of its own,
with its stand-in programs, answering its boxes as a user would."""

import datetime
import os
import struct
import subprocess
import sys
import zlib

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
import wineenv  # noqa: E402
from boxes import Box, fail  # noqa: E402
from examples import RunningPrograms, copy_example  # noqa: E402
from updater import UpdaterTest, expect_boxes, main  # noqa: E402


def box(caption, text, icon):
    buttons = ["YES", "NO"] if icon in ("question", "warning") else ["OK"]
    return Box(caption=caption, text=text, icon=icon, buttons=buttons)


def crc(data):
    return f"0x{zlib.crc32(data):08X}"


class Update(UpdaterTest):
    CAPTION = "Viewer Update"
    ASK = box(CAPTION, "Viewer is running.\nPlease close Viewer, then press Yes to update it.\n"
                       "No cancels the update.", "question")
    UPDATED = box(CAPTION, "Viewer has been updated to version 2.", "information")
    DAMAGED = box(CAPTION, "The new viewer.dat does not have the expected contents.\n"
                           "Viewer is not started again.", "error")

    # name, Viewer running first, the new data file damaged, answers, boxes,
    # files replaced, Viewer started again.
    ROWS = [
        ("running and closed", True, False, ["YES", "OK"], [ASK, UPDATED], True, True),
        ("running and kept", True, False, ["NO"], [ASK], False, False),
        ("not running", False, False, ["OK"], [UPDATED], True, True),
        ("damaged new data", False, True, ["OK"], [DAMAGED], True, False),
    ]

    def test_rows(self):
        for name, running, damaged, answers, boxes, replaced, restarted in self.ROWS:
            with self.subTest(row=name):
                s = self.scenario()
                copy_example(s, "update")
                if damaged:
                    s.write_bytes("new/viewer.dat", b"Viewer data, version 2\r\nzoom=1")
                old = {f: s.read_bytes(f) for f in ("Viewer/viewer.exe", "Viewer/viewer.dat")}
                new = {f: s.read_bytes("new/" + f.split("/")[1]) for f in old}
                programs = RunningPrograms(s, "update", start=running)
                self.addCleanup(programs.stop)
                closer = programs.close_when_asked() if answers[0] == "YES" else None
                result = s.run(answers=answers, timeout=60, screenshots=True)
                if closer:
                    closer.join()
                expect_boxes(result, boxes)
                for f in old:
                    self.assertEqual(s.read_bytes(f), (new if replaced else old)[f], f)
                self.assertFalse(s.exists("Viewer/viewer.dat.tmp") or s.exists("Viewer/viewer.exe.tmp"))
                commands = [start["command"] for start in
                            programs.wait_starts("Viewer/viewer.exe", int(running) + int(restarted))]
                programs.stop()
                self.assertEqual(len(commands), int(running) + int(restarted), commands)
                if restarted:
                    self.assertEqual(commands[-1], s.win(r"Viewer\viewer.exe") + " /updated")


class ShellFolders:
    """Points the all-users desktop and programs menu into the scenario while
    a test runs, and puts the prefix's own values back afterwards."""

    KEY = r"HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Explorer"
    NAMES = {"Common Desktop": "Desktop", "Common Programs": "Programs"}

    def __init__(self, s):
        self.s = s
        # The system gives a special folder only when it exists.
        for folder in self.NAMES.values():
            s.make_dir(folder)
        self.saved = {(sub, name): self.query(sub, name)
                      for sub in ("User Shell Folders", "Shell Folders") for name in self.NAMES}
        self.write({(sub, name): (s.win(folder), sub == "User Shell Folders")
                    for sub in ("User Shell Folders", "Shell Folders")
                    for name, folder in self.NAMES.items()})

    def query(self, sub, name):
        log = os.path.join(wineenv.paths()["logs"], self.s.name + "-reg.txt")
        if os.path.exists(log):
            os.remove(log)
        code = wineenv.wine(["reg", "query", f"{self.KEY}\\{sub}", "/v", name], wineenv.environment(),
                            log, 60, cwd=self.s.root)
        with open(log, "rb") as f:
            for line in f.read().decode("utf-8", "replace").splitlines():
                parts = line.strip().split("    ")
                if code == 0 and len(parts) == 3 and parts[0] == name:
                    return parts[2], parts[1] == "REG_EXPAND_SZ"
        fail(f"cannot read {sub}\\{name}", [f"code {code}"])

    def write(self, values):
        body = ""
        for sub in ("User Shell Folders", "Shell Folders"):
            body += f"[{self.KEY}\\{sub}]\r\n"
            for (where, name), (value, expand) in values.items():
                if where != sub:
                    continue
                if expand:
                    data = "hex(2):" + ",".join(f"{b:02x}" for b in (value + "\0").encode("utf-16-le"))
                else:
                    data = '"' + value.replace("\\", "\\\\") + '"'
                body += f'"{name}"={data}\r\n'
        self.s.reg_import(body)

    def restore(self):
        self.write(self.saved)


def lnk(path):
    """What lnkinfo reads from a shortcut file, {field: value}, and the window
    state from the file's header at offset 60 (lnkinfo prints 0 for it)."""
    done = subprocess.run(["lnkinfo", "-c", "windows-932", path], stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT, timeout=60)
    fields = {}
    for line in done.stdout.decode("utf-8", "replace").splitlines():
        key, colon, value = line.strip().partition(":")
        if colon:
            fields.setdefault(key.strip(), value[1:])
    with open(path, "rb") as f:
        header = f.read(76)
    fields["show"] = struct.unpack_from("<I", header, 60)[0] if len(header) == 76 else None
    return fields


class Install(UpdaterTest):
    """Runs in a Wine prefix of its own: it points the all-users desktop and
    programs menu, machine-wide registry values, into its scenario, and the
    tests running meanwhile must not see that."""

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
        s = self.scenario()
        copy_example(s, "install")
        folders = ShellFolders(s)
        self.addCleanup(folders.restore)
        target = s.win(r"Program Files\Tally")
        result = s.run(answers=["YES", "OK"], timeout=60)
        expect_boxes(result, [
            box(self.CAPTION, f"Tally will be installed in\n{target}.\n\nInstall it now?", "question"),
            box(self.CAPTION, "Tally has been installed.\nStart it from the desktop or the programs menu.",
                "information")])
        for relative in ("tally.exe", "license.txt", "Help/index.txt"):
            self.assertEqual(s.read_bytes("Program Files/Tally/" + relative),
                             s.read_bytes("media/" + relative), relative)
        self.assertTrue(os.path.isdir(s.path("Program Files/Tally/Data")))
        self.assertEqual(self.attribute_letters(s, r"Program Files\Tally\license.txt"), "AR")
        # name, shortcut file, target, arguments, window state
        rows = [
            ("desktop", "Desktop/Tally.LNK", target + r"\tally.exe", "", 1),
            ("menu", "Programs/Tally/Tally.LNK", target + r"\tally.exe", "/new", 3),
            ("help", "Programs/Tally/Tally Help.LNK", target + r"\Help\index.txt", "", 1),
        ]
        for name, path, link_target, arguments, show in rows:
            with self.subTest(shortcut=name):
                self.assertTrue(s.exists(path), path)
                fields = lnk(s.path(path))
                self.assertEqual(fields.get("Local path"), link_target, fields)
                self.assertEqual(fields.get("Working directory"), link_target.rsplit("\\", 1)[0], fields)
                self.assertEqual(fields.get("Command line arguments"), arguments, fields)
                self.assertEqual(fields["show"], show, fields)

    def test_no_installs_nothing(self):
        s = self.scenario()
        copy_example(s, "install")
        result = s.run(answers=["NO"], timeout=60)
        self.assertEqual(len(result.boxes), 1)
        self.assertFalse(s.exists("Program Files"))

    @staticmethod
    def attribute_letters(s, relative):
        log = os.path.join(wineenv.paths()["logs"], s.name + "-attrib.txt")
        if os.path.exists(log):
            os.remove(log)
        code = wineenv.wine(["cmd", "/c", "attrib", s.win(relative)], wineenv.environment(), log, 60,
                            cwd=s.root)
        with open(log, "rb") as f:
            line = f.read().decode("cp932", "replace").strip()
        if code != 0 or s.win(relative) not in line:
            fail("attrib failed", [f"code {code}: {line}"])
        return "".join(sorted(line.partition(s.win(relative))[0].replace(" ", "")))


class Branch(UpdaterTest):
    CAPTION = "Price List Update"
    REPLACED = box(CAPTION, "The price list of 2024/4/1 has been installed.", "information")
    KEPT = box(CAPTION, "The installed price list is current; it was kept.", "information")

    # name, date of the installed price list (None: no list installed), box, list replaced
    ROWS = [
        ("older list", datetime.datetime(2024, 3, 31, 23, 0), REPLACED, True),
        ("list of that day", datetime.datetime(2024, 4, 1, 0, 30), KEPT, False),
        ("newer list", datetime.datetime(2025, 1, 10, 12, 0), KEPT, False),
        ("no list", None, REPLACED, True),
    ]

    def test_rows(self):
        for name, date, shown, replaced in self.ROWS:
            with self.subTest(row=name):
                s = self.scenario()
                copy_example(s, "branch")
                installed = s.read_bytes("installed/prices.csv")
                if date is None:
                    os.remove(s.path("installed/prices.csv"))
                else:
                    s.set_times("installed/prices.csv", date.timestamp())
                result = s.run(answers=["OK"], timeout=60)
                expect_boxes(result, [shown])
                # Wine is a Windows NT system.
                self.assertEqual(s.read_bytes("installed/reader.dll"), s.read_bytes("nt/reader.dll"))
                self.assertEqual(s.read_bytes("installed/prices.csv"),
                                 s.read_bytes("data/prices.csv") if replaced else installed)


class MeasureCrc(UpdaterTest):
    CAPTION = "Measure CRCs"
    FILES = ("viewer.dat", "readme.txt")

    def measured(self, s, name):
        data = s.read_bytes("release/" + name)
        text = f"PROC\t: Measure\nFILE\t: {s.win('release')}\\{name}\nCRC32\t: {crc(data)}"
        return box(self.CAPTION, text, "information")

    # name, the file changed after measuring (None: none), answers, last box
    ROWS = [
        ("release as in the script", None, ["OK", "OK", "OK"],
         box(CAPTION, "Both files have the CRCs of the script.", "information")),
        ("a changed file", "readme.txt", ["OK", "OK", "YES"],
         box(CAPTION, "A file differs from the CRC in the script.\nGo on all the same?", "warning")),
    ]

    def test_rows(self):
        for name, changed, answers, last in self.ROWS:
            with self.subTest(row=name):
                s = self.scenario()
                copy_example(s, "measure-crc")
                if changed:
                    s.write_bytes("release/" + changed, b"Viewer 2.0, changed\r\n")
                result = s.run(answers=answers, timeout=60, clipboard=True)
                expect_boxes(result, [self.measured(s, f) for f in self.FILES] + [last])
                self.assertEqual(result.clipboard, crc(s.read_bytes("release/readme.txt")))


if __name__ == "__main__":
    main()
