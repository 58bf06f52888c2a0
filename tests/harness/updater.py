"""End-to-end scenarios: the real updater.exe under Wine, its boxes answered by the box driver.
A rule is one test method; its cases are rows named in the failure (UpdaterTest.each). Each
scenario has its own folder T:\\<name>\\ (<state>/scratch/<name>) holding a copy of updater.exe."""

import fcntl
import glob
import hashlib
import inspect
import json
import os
import shutil
import sys
import time
import unittest

import trees
import wineenv
from boxes import Box, Result, error_box, expect_boxes, fail  # noqa: F401 (the tests take them from here)
from messages import DEFAULT_CAPTION, message  # noqa: F401

__unittest = True  # see boxes.py
FAILFAST = os.environ.get("UPDATER_FAILFAST") == "1"

DRIVER = r"X:\boxdriver.exe"
CLIPBOARD_BEFORE = "before the run"  # Unicode text only, as the box driver puts it there


class Scenario:
    """One test case's folder, its files and its runs."""

    def __init__(self, name):
        p = wineenv.paths()
        self.name, self.run_count = name, 0
        self.root, self.runs = os.path.join(p["scratch"], name), os.path.join(p["scratch"], "_runs")
        self.lock = os.path.join(p["state"], "clipboard.lock")
        # What an earlier session (ctest --repeat, or no set-up in between) left of this scenario's runs goes:
        # an old picture would tell run_closing that a box came, an old result that the driver wrote one.
        shutil.rmtree(self.root, ignore_errors=True)
        for old in glob.glob(os.path.join(glob.escape(self.runs), glob.escape(name) + "-*")):
            shutil.rmtree(old) if os.path.isdir(old) else os.remove(old)
        os.makedirs(self.runs, exist_ok=True)
        self.copy_program("updater.exe")

    def path(self, relative=""):
        """The Unix path of a path relative to the scenario's folder."""
        return os.path.join(self.root, *[part for part in relative.replace("\\", "/").split("/") if part])

    def win(self, relative=""):
        """The Windows path: T:\\<name>\\relative."""
        relative = relative.replace("/", "\\").strip("\\")
        return "T:\\" + self.name + ("\\" + relative if relative else "")

    def write_bytes(self, relative, data):
        os.makedirs(os.path.dirname(self.path(relative)), exist_ok=True)
        with open(self.path(relative), "wb") as f:
            f.write(data)
        return self.path(relative)

    def read_bytes(self, relative):
        with open(self.path(relative), "rb") as f:
            return f.read()

    def write_text(self, relative, text, encoding="cp932"):
        return self.write_bytes(relative, text.encode(encoding))

    def write_script(self, text, name="updater.ini", encoding="cp932"):
        """The script with CRLF line ends, as Windows editors write it."""
        return self.write_text(name, text.replace("\r\n", "\n").replace("\n", "\r\n"), encoding)

    def exists(self, relative):
        return os.path.lexists(self.path(relative))

    def tree(self, leave_out=()):
        """{relative path: "<dir>" or the file's SHA-1} of the scenario's folder, but files whose names end in
        leave_out."""
        return {os.path.join(*names): "<dir>" if os.path.isdir(path) else hashlib.sha1(trees.read(path)).hexdigest()
                for names, path, _ in trees.entries(self.root)
                if os.path.isdir(path) or not names[-1].endswith(tuple(leave_out))}

    def set_times(self, relative, modified):  # Unix seconds
        os.utime(self.path(relative), (modified, modified))

    def copy_program(self, name, source=None):
        """A copy of updater.exe (or of source, a Unix path) under another name."""
        os.makedirs(os.path.dirname(self.path(name)), exist_ok=True)
        return shutil.copyfile(source or os.path.join(wineenv.build_dir(), "updater.exe"), self.path(name))

    def run(self, arguments="", answers=(), exe_name="updater.exe", timeout=20, directory=None, screenshots=False,
            clipboard=False, hold=(), hold_clipboard=False, dlls="", display=True, temp=None):
        """The Result of a run with its boxes answered in order (OK, CANCEL, YES, NO, CLOSE; DEFAULT: the default
        button; further boxes are closed and reported). exe_name: copied from updater.exe when missing. directory:
        relative to the scenario's folder, or with a drive. screenshots: BMP files in _runs/<stem>-shots. clipboard:
        CLIPBOARD_BEFORE at the start, no other run touches it meanwhile, and Result.clipboard is what is left.
        hold: files of the scenario kept open (read, no sharing; "+name": all sharing) meanwhile; hold_clipboard:
        the clipboard too. dlls: more of WINEDLLOVERRIDES. display=False: no display, so no box can be shown. temp: the
        program's folder for temporary files, in Windows form."""
        if not os.path.exists(self.path(exe_name)):
            self.copy_program(exe_name)
        stem = self.next_stem("")
        os.makedirs(os.path.join(self.runs, stem + "-shots"), exist_ok=True)
        result = os.path.join(self.runs, stem + ".json")
        with open(self.lock, "a") as lock:
            fcntl.flock(lock, fcntl.LOCK_EX if clipboard or hold_clipboard else fcntl.LOCK_SH)
            # The driver has its own time-out; this one catches a driver that hangs.
            log = self.wine("the box driver", stem, [
                DRIVER, rf"T:\_runs\{stem}.json", self.win(exe_name), arguments,
                directory if directory and ":" in directory else self.win(directory or ""),
                rf"T:\_runs\{stem}-shots" if screenshots else "", str(int(timeout * 1000)),
                "hold" if hold_clipboard else CLIPBOARD_BEFORE if clipboard else "", " ".join(answers)] + [
                "+" * name.startswith("+") + self.win(name.lstrip("+")) for name in hold],
                timeout + 30, result, dlls=dlls, display=display, temp=temp)
        with open(result, encoding="utf-8") as f:
            return Result(json.load(f), log)

    def next_stem(self, kind):
        self.run_count += 1
        return f"{self.name}-{self.run_count}{kind}"

    def wine(self, what, stem, args, timeout=60, output=None, encoding="utf-8", dlls="", display=True, temp=None):
        """The output of a Wine program run in the scenario's folder, which must end with code 0. Wine was
        seen to end a program with code 1 at once, before it ran (and the box driver ends so when Wine refuses
        to start the program): a run that ended so, saying nothing and leaving no `output` file, is tried again."""
        log_path, env = os.path.join(self.runs, stem + ".log"), wineenv.environment()
        env["WINEDLLOVERRIDES"] += ";" + dlls
        env = env if display else {k: v for k, v in env.items() if k != "DISPLAY"}
        env.update({"BOXDRIVER_TEMP": temp} if temp else {})
        code = wineenv.wine(args, env, log_path, timeout, self.root, output)
        with open(log_path, "rb") as f:
            log = f.read().decode(encoding, "replace")
        if code != 0:
            fail(f"{what} hung" if code is None else f"{what} failed with code {code}", [f"log {log_path}:\n{log}"])
        return log

    def attributes(self):
        """{relative path: attribute letters} of the scenario's entries but the updater's, as attrib reads them."""
        listing = self.wine("attrib", self.next_stem("-attrib"), ["cmd", "/c", "attrib", "/s", "/d", self.win() + "\\*"],
                            encoding="cp932")
        lines = (line.partition(self.win() + "\\") for line in listing.splitlines())
        return {path.replace("\\", "/"): "".join(sorted(head.replace(" ", ""))) for head, _, path in lines
                if path and not path.lower().startswith("updater.")}

    def read_shortcut(self, relative):
        """{path, arguments, directory} as the shell link object reads the shortcut."""
        stem = self.next_stem("-link")
        output = os.path.join(self.runs, stem + ".txt")
        self.wine("reading the shortcut", stem, [DRIVER, "link", self.win(relative), rf"T:\_runs\{stem}.txt"],
                  output=output)
        with open(output, encoding="utf-8") as f:
            return dict(line.split("=", 1) for line in f.read().splitlines())

    def reg_import(self, body, bits=64):
        """Imports registry text (the body of a .reg file) with the reg.exe of the bitness."""
        # reg.exe's own arguments lose non-ASCII text on the way in; a file does not.
        if bits == 32 and wineenv.no_32_bits():
            raise unittest.SkipTest(wineenv.no_32_bits())
        stem = self.next_stem("-reg")
        with open(os.path.join(self.runs, stem + ".reg"), "wb") as f:
            f.write(("\ufeffWindows Registry Editor Version 5.00\r\n\r\n" + body).encode("utf-16-le"))
        reg = "reg" if bits == 64 else r"C:\windows\syswow64\reg.exe"
        self.wine(f"reg import of {body.strip()!r}", stem, [reg, "import", rf"T:\_runs\{stem}.reg"])


class UpdaterTest(unittest.TestCase):
    """Base of the end-to-end tests: self.scenario() gives a fresh folder."""

    def scenario(self):
        module = os.path.splitext(os.path.basename(inspect.getfile(type(self))))[0]
        name = module.removeprefix("test_") + "." + self._testMethodName.removeprefix("test_")
        self._scenarios = getattr(self, "_scenarios", 0) + 1
        return Scenario(name + (f"-{self._scenarios}" if self._scenarios > 1 else ""))

    def each(self, rows, check):
        """check(*row[1:]) for every row (those whose name holds $UPDATER_ROW, when set); a failure names the row by
        row[0]."""
        for name, *case in rows:
            if os.environ.get("UPDATER_ROW", "") not in name:
                continue
            if FAILFAST:  # the first failing row ends the module
                try:
                    check(*case)
                except self.failureException as failure:
                    raise self.failureException(f"{name}: {failure}") from None
                continue
            with self.subTest(name):
                check(*case)

    def run_script(self, proc, sections="", answers=(), arguments="", head="NAME=", s=None, **options):
        """Runs a script of [UPDATER] (head, and PROC=proc unless None) and the sections."""
        s = s or self.scenario()
        s.write_script(f"[UPDATER]\n{head}\n" + ("" if proc is None else f"PROC={proc}\n") + sections)
        return s.run(arguments, answers=answers, **options)

    def expect(self, proc, sections, boxes, answers=None, **options):
        """The run shows exactly these boxes; answers default to OK for each."""
        answers = ["OK"] * len(boxes) if answers is None else answers
        expect_boxes(self.run_script(proc, sections, answers, **options), boxes)


def main():
    """UPDATER_FAILFAST=1 (the fault and mutant tools): the module stops after the test that failed first."""
    unittest.main(verbosity=2, failfast=FAILFAST)
