"""End-to-end scenarios: the real updater.exe under Wine, its boxes answered by
the box driver. A rule is one test; its cases are rows, each named:

    ROWS = [("caption option", "/tHello", "Hello"), ("no option", "", DEFAULT_CAPTION)]

    class StartUp(UpdaterTest):
        def test_missing_script(self):
            def check(arguments, caption):
                s = self.scenario()
                expect_boxes(s.run(arguments, answers=["OK"]),
                             [error_box(message(1, s.win("updater.ini")), caption)])
            self.each(ROWS, check)

Each scenario has its own folder T:\\<name>\\ (on the Unix side
<state>/scratch/<name>) holding a copy of updater.exe. Registry values a
test adds are removed after it.
"""

import fcntl
import inspect
import json
import os
import shutil
import unittest

import wineenv
from boxes import Box, Result, error_box, expect_boxes, expect_no_boxes, fail
from messages import DEFAULT_CAPTION, message

__all__ = ["Box", "DEFAULT_CAPTION", "Result", "Scenario", "UpdaterTest", "error_box",
           "expect_boxes", "expect_no_boxes", "main", "message"]

__unittest = True  # see boxes.py

ANSWERS = ("OK", "CANCEL", "YES", "NO", "CLOSE", "DEFAULT")
DRIVER = r"X:\boxdriver.exe"
REG_ROOTS = {"HKCU": "HKEY_CURRENT_USER", "HKLM": "HKEY_LOCAL_MACHINE",
             "HKCR": "HKEY_CLASSES_ROOT", "HKU": "HKEY_USERS"}


class Scenario:
    """One test case's folder, its files and its runs."""

    def __init__(self, name):
        p = wineenv.paths()
        self.name, self.run_count, self.keys_added = name, 0, []
        self.root, self.runs = os.path.join(p["scratch"], name), os.path.join(p["scratch"], "_runs")
        self.lock = os.path.join(p["state"], "clipboard.lock")
        shutil.rmtree(self.root, ignore_errors=True)
        os.makedirs(self.root)
        os.makedirs(self.runs, exist_ok=True)
        self.copy_program("updater.exe")

    def path(self, relative=""):
        """The Unix path of a path relative to the scenario's folder."""
        return os.path.join(self.root, *[part for part in relative.replace("\\", "/").split("/") if part])

    def win(self, relative=""):
        """The Windows path: T:\\<name>\\relative."""
        path = "T:\\" + self.name
        relative = relative.replace("/", "\\").strip("\\")
        return path + "\\" + relative if relative else path

    def windows_dir(self, directory):
        """A folder given relative to the scenario's, or as a Windows path with a drive."""
        return directory if directory and ":" in directory else self.win(directory or "")

    def write_bytes(self, relative, data):
        path = self.path(relative)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        return path

    def read_bytes(self, relative):
        with open(self.path(relative), "rb") as f:
            return f.read()

    def write_text(self, relative, text, encoding="cp932"):
        return self.write_bytes(relative, text.encode(encoding))

    def read_text(self, relative, encoding="cp932"):
        return self.read_bytes(relative).decode(encoding)

    def write_script(self, text, name="updater.ini", encoding="cp932"):
        """The script with CRLF line ends, as Windows editors write it."""
        return self.write_bytes(name, text.replace("\r\n", "\n").replace("\n", "\r\n").encode(encoding))

    def exists(self, relative):
        return os.path.lexists(self.path(relative))

    def make_dir(self, relative):
        os.makedirs(self.path(relative), exist_ok=True)

    def set_times(self, relative, modified, accessed=None):
        """Times as Unix seconds (datetime.timestamp())."""
        os.utime(self.path(relative), (modified if accessed is None else accessed, modified))

    def copy_program(self, name, source=None):
        """A copy of updater.exe (or of source, a Unix path) under another name."""
        source = source or os.path.join(wineenv.build_dir(), "updater.exe")
        target = self.path(name)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copyfile(source, target)
        return target

    def run(self, arguments="", answers=(), exe_name="updater.exe", timeout=20,
            directory=None, screenshots=False, clipboard=False, hold=()):
        """Runs the program with its boxes answered in order (one of ANSWERS each;
        DEFAULT presses the default button; further boxes are closed and reported)
        and returns the Result. exe_name: a program in the scenario's folder, copied
        from updater.exe when missing. directory: its current folder. screenshots:
        BMP files in <state>/scratch/_runs/. clipboard=True: no other run touches the
        clipboard meanwhile; it starts empty and Result.clipboard is what is left.
        hold: files of the scenario kept open elsewhere (read, no sharing) meanwhile."""
        if set(answers) - set(ANSWERS):
            fail(f"unknown answers {answers!r}", [f"use {', '.join(ANSWERS)}"])
        if not os.path.exists(self.path(exe_name)):
            self.copy_program(exe_name)
        self.run_count += 1
        stem = f"{self.name}-{self.run_count}"
        lines = [f"program={self.win(exe_name)}", f"arguments={arguments}",
                 f"directory={self.windows_dir(directory)}", f"timeout={int(timeout * 1000)}"]
        if screenshots:
            os.makedirs(os.path.join(self.runs, stem + "-shots"), exist_ok=True)
            lines.append(f"screenshots=T:\\_runs\\{stem}-shots")
        lines += [f"hold={self.win(name)}" for name in hold] + [f"answer={answer}" for answer in answers]
        with open(os.path.join(self.runs, stem + ".job"), "w", encoding="utf-8") as f:
            f.write("\n".join(lines) + "\n")
        return self._drive(stem, timeout, clipboard)

    def _drive(self, stem, timeout, clipboard):
        result_path, log_path = (os.path.join(self.runs, stem + ext) for ext in (".json", ".log"))
        for path in (result_path, log_path):
            if os.path.exists(path):
                os.remove(path)
        args = [wineenv.WINE, DRIVER, f"T:\\_runs\\{stem}.job", f"T:\\_runs\\{stem}.json"]
        with open(self.lock, "a") as lock:
            fcntl.flock(lock, fcntl.LOCK_EX if clipboard else fcntl.LOCK_SH)
            # The driver has its own time-out; this one catches a driver that hangs.
            code = wineenv.run_logged(args, wineenv.environment(), log_path, timeout + 30,
                                      cwd=self.root)
        with open(log_path, "rb") as f:
            log = f.read().decode("utf-8", "replace")
        if code != 0 or not os.path.exists(result_path):
            fail("the box driver hung" if code is None else f"the box driver failed with code {code}",
                 [f"log {log_path}:\n{log}"])
        with open(result_path, encoding="utf-8") as f:
            return Result(json.load(f), log)

    def reg_add(self, key, value, data, kind="REG_SZ"):
        """Sets a value (None: the key's default value) of a key of the test's
        own; the whole key is deleted after the test. kind: REG_SZ,
        REG_EXPAND_SZ or REG_DWORD."""
        kinds = {"REG_SZ": lambda: '"' + str(data).replace("\\", "\\\\").replace('"', '\\"') + '"',
                 "REG_EXPAND_SZ": lambda: "hex(2):" + ",".join(
                     f"{b:02x}" for b in (str(data) + "\0").encode("utf-16-le")),
                 "REG_DWORD": lambda: f"dword:{int(data):08x}"}
        if kind not in kinds:
            fail(f"unknown registry type {kind}", ["use REG_SZ, REG_EXPAND_SZ or REG_DWORD"])
        text = kinds[kind]()
        name = "@" if value is None else '"' + value.replace('"', '\\"') + '"'
        self.keys_added.append(key)
        self.reg_import(f"[{self.reg_key(key)}]\r\n{name}={text}\r\n")

    def reg_delete_key(self, key):
        self.reg_import(f"[-{self.reg_key(key)}]\r\n")

    def cleanup(self):
        while self.keys_added:
            self.reg_delete_key(self.keys_added.pop())

    @staticmethod
    def reg_key(key):
        root, _, rest = key.partition("\\")
        return REG_ROOTS.get(root.upper(), root) + ("\\" + rest if rest else "")

    def reg_import(self, body):
        # reg.exe's own arguments lose non-ASCII text on the way in; a file does not.
        self.run_count += 1
        stem = f"{self.name}-{self.run_count}-reg"
        with open(os.path.join(self.runs, stem + ".reg"), "wb") as f:
            text = "Windows Registry Editor Version 5.00\r\n\r\n" + body
            f.write(b"\xff\xfe" + text.encode("utf-16-le"))
        log_path = os.path.join(self.runs, stem + ".log")
        args = [wineenv.WINE, "reg", "import", f"T:\\_runs\\{stem}.reg"]
        code = wineenv.run_logged(args, wineenv.environment(), log_path, 60, cwd=self.root)
        if code != 0:
            with open(log_path, "rb") as f:
                fail("reg import failed", [f"{body.strip()}: code {code}",
                                           f.read().decode("utf-8", "replace")])


class UpdaterTest(unittest.TestCase):
    """Base of the end-to-end tests: self.scenario() gives a fresh folder."""

    def scenario(self):
        module = os.path.splitext(os.path.basename(inspect.getfile(type(self))))[0]
        name = module.removeprefix("test_") + "." + self._testMethodName.removeprefix("test_")
        self._scenarios = getattr(self, "_scenarios", 0) + 1
        scenario = Scenario(name + (f"-{self._scenarios}" if self._scenarios > 1 else ""))
        self.addCleanup(scenario.cleanup)
        return scenario

    def each(self, rows, check):
        """check(*row[1:]) for every row; a failure names the row by row[0]."""
        for name, *case in rows:
            with self.subTest(name):
                check(*case)

    def run_script(self, proc, sections="", answers=(), arguments="", head="NAME=", s=None,
                   **options):
        """Runs a script of [UPDATER] (head, and PROC=proc unless None) and the sections."""
        s = s or self.scenario()
        proc = "" if proc is None else f"PROC={proc}\n"
        s.write_script(f"[UPDATER]\n{head}\n{proc}" + sections)
        return s.run(arguments, answers=answers, **options)

    def expect(self, proc, sections, boxes, answers=None, **options):
        """The run shows exactly these boxes; answers default to OK for each."""
        answers = ["OK"] * len(boxes) if answers is None else answers
        expect_boxes(self.run_script(proc, sections, answers, **options), boxes)


def main():
    unittest.main(verbosity=2)
