"""LAUNCH, APPEXIST and WAITAPP with real processes.

The programs started are copies of the box driver under other names: such a
copy reads what to do from <copy>.plan and appends what it saw to <copy>.out
(see tools/boxdriver/Child.cpp). The times it records come from one system
clock, so the order of facts of different processes is exact; a marker
program launched with waiting after a step tells when the run went on.
Every program a test or the updater started is stopped after the test.
"""

import contextlib
import os
import shutil
import signal
import struct
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
import wineenv  # noqa: E402
from boxes import fail  # noqa: E402
from sections import info, msgbox, section  # noqa: E402
from updater import UpdaterTest, error_box, expect_boxes, main, message  # noqa: E402

GATES = msgbox("Set", "flag 1", flag="Step,1") + msgbox("Clear", "flag 0", flag="Step,0")
SUBSYSTEM_GUI = 2
SETTLE = 10  # seconds a program has to start or to stop when asked


def script(proc, *sections):
    return f"[UPDATER]\nNAME=\nPROC={proc}\n" + "".join(sections)


def marker(name):
    """A LAUNCH that waits for a program that ends at once: when the run got there."""
    return section(name, "LAUNCH", FILE=f"<Src>\\{name}.exe", PARAM="", ISWAIT="1")


class Program:
    """A copy of the test program in a scenario's folder."""

    def __init__(self, s, relative, gui=False, window=False, busy=0, run=0, exit=0, guard=False):
        self.s = s
        self.relative = relative
        self.path = s.copy_program(relative, os.path.join(wineenv.build_dir(), "boxdriver.exe"))
        if gui:
            # One program, two kinds: the subsystem field of the PE header alone
            # decides whether the system treats it as a GUI or a console program.
            with open(self.path, "r+b") as f:
                header = struct.unpack("<I", f.read(0x40)[0x3C:0x40])[0]
                f.seek(header + 24 + 68)
                f.write(struct.pack("<H", SUBSYSTEM_GUI))
        s.write_text(relative + ".plan", f"window={int(window)}\nbusy={busy}\nrun={run}\nexit={exit}\n"
                     f"guard={int(guard)}\n")
        self.popen = None

    def win(self):
        return self.s.win(self.relative)

    def starts(self):
        """What each process of this copy recorded, in the order they started."""
        if not self.s.exists(self.relative + ".out"):
            return []
        facts = {}
        for line in self.s.read_bytes(self.relative + ".out").decode("utf-8").splitlines():
            pid, fact, value = line.split(" ", 2)
            facts.setdefault(pid, {})[fact] = int(value) if fact in ("started", "ready", "ended") else value
        return sorted(facts.values(), key=lambda start: start["started"])

    def ended(self):
        start = self.only_start()
        if "ended" not in start:
            fail(f"{self.relative} has not ended", [repr(start)])
        return start["ended"]

    def wait_starts(self, count):
        """The starts, once `count` have been recorded (or the time is up): a
        program started without waiting may not have written yet when the run ends."""
        deadline = time.monotonic() + SETTLE
        while sum("directory" in start for start in self.starts()) < count and time.monotonic() < deadline:
            time.sleep(0.05)
        return self.starts()

    def only_start(self):
        starts = self.wait_starts(1)
        if len(starts) != 1:
            fail(f"{self.relative} started {len(starts)} times", [repr(starts)])
        return starts[0]

    def start_outside(self):
        """Starts it as the user would, and returns once it is ready."""
        log = open(self.s.path(self.relative + ".log"), "ab")
        self.popen = subprocess.Popen([wineenv.WINE, self.win()], env=wineenv.environment(), cwd=self.s.root,
                                      stdin=subprocess.DEVNULL, stdout=log, stderr=log, start_new_session=True)
        log.close()
        deadline = time.monotonic() + SETTLE * 3
        while not any("ready" in start for start in self.starts()):
            if time.monotonic() > deadline or self.popen.poll() is not None:
                fail(f"{self.relative} did not get ready", [repr(self.starts())])
            time.sleep(0.05)
        return self

    def stop(self):
        self.s.write_text(self.relative + ".stop", "")

    def running(self):
        return any("ended" not in start for start in self.starts()) or (
            self.popen is not None and self.popen.poll() is None)


class ProgramTest(UpdaterTest):
    def setUp(self):
        self.programs = []
        self.addCleanup(self.stop_programs)

    def program(self, s, relative, **plan):
        program = Program(s, relative, **plan)
        self.programs.append(program)
        return program

    def stop_programs(self):
        """Asks every program to stop, then kills what is left and says so."""
        for program in self.programs:
            program.stop()
        deadline = time.monotonic() + SETTLE
        while any(program.running() for program in self.programs) and time.monotonic() < deadline:
            time.sleep(0.05)
        killed = kill_wine_processes({p.win().lower() for p in self.programs})
        for program in self.programs:
            if program.popen is not None and program.popen.poll() is None:
                os.killpg(program.popen.pid, signal.SIGKILL)
                killed.append(program.relative)
            if program.popen is not None:
                program.popen.wait()
        self.programs = []
        if killed:
            fail("programs did not stop when asked and were killed", killed)

    @contextlib.contextmanager
    def row(self, *args, **kwargs):
        """A subtest whose programs are stopped when it ends."""
        with self.subTest(*args, **kwargs):
            try:
                yield
            finally:
                self.stop_programs()

    def run_script(self, s, proc, *sections, answers=("OK",), **options):
        s.write_script(script(proc, *sections))
        return s.run(answers=list(answers), **options)

    def expect_flag(self, s, proc, *sections, flag=1):
        """The procedure Step, then the gates; proc names what runs around it."""
        expect_boxes(self.run_script(s, proc + ",Set,Clear", *sections, GATES), [info(f"flag {flag}")])


def kill_wine_processes(windows_paths):
    """Wine shows a process's Windows path as its first argument."""
    killed = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                first = f.read().split(b"\0")[0].decode("utf-8", "replace").strip('"').lower()
        except OSError:
            continue
        if first in windows_paths:
            try:
                os.kill(int(pid), signal.SIGKILL)
                killed.append(first)
            except OSError:
                pass
    return killed


class Launch(ProgramTest):
    def test_command_line_and_current_directory(self):
        # FILE, PARAM -> for each program: the text after its path, its current directory.
        cases = [
            ("one program", r"<Src>\app.exe", "a b", {"app.exe": ("a b", "")}),
            ("two programs, one parameter item", r"<Src>\app.exe,<Src>\sub\two.exe", "-x",
             {"app.exe": ("-x", ""), r"sub\two.exe": ("", "sub")}),
            ("items trimmed of spaces", r"<Src>\app.exe ,  <Src>\sub\two.exe", '" p q ,  r "',
             {"app.exe": ("p q", ""), r"sub\two.exe": ("r", "sub")}),
            ("quotes and tabs kept", r"<Src>\app.exe", '"x y"\tz', {"app.exe": ('"x y"\tz', "")}),
            ("Japanese parameters", r"<Src>\アプリ\app.exe", "表示 ソフト", {r"アプリ\app.exe": ("表示 ソフト", "アプリ")}),
        ]
        for name, files, parameters, expected in cases:
            with self.row(name):
                s = self.scenario()
                programs = {relative: self.program(s, relative) for relative in expected}
                step = section("Step", "LAUNCH", FILE=files, PARAM=parameters, ISWAIT="1")
                self.expect_flag(s, "Step", step)
                for relative, (arguments, directory) in expected.items():
                    start = programs[relative].only_start()
                    self.assertEqual(start["command"], programs[relative].win() + " " + arguments)
                    self.assertEqual(start["directory"], s.win(directory))

    def test_a_program_in_the_root_of_a_drive(self):
        s = self.scenario()
        name = s.name + ".exe"  # U: is shared between tests; the name is the scenario's own
        root = wineenv.paths()["drive_u"]
        files = [os.path.join(root, name + suffix) for suffix in ("", ".plan", ".out")]
        self.addCleanup(lambda: [os.remove(path) for path in files if os.path.exists(path)])
        shutil.copyfile(os.path.join(wineenv.build_dir(), "boxdriver.exe"), files[0])
        with open(files[1], "w") as f:
            f.write("run=0\n")
        self.expect_flag(s, "Step", section("Step", "LAUNCH", FILE=f"U:\\{name}", PARAM="r", ISWAIT="1"))
        with open(files[2], encoding="utf-8") as f:
            facts = dict(line.split(" ", 2)[1:] for line in f.read().splitlines())
        self.assertEqual(facts["command"], f"U:\\{name} r")
        self.assertEqual(facts["directory"], "U:\\")

    def test_a_program_path_with_spaces_starts_that_program(self):
        # The program (relative to the scenario), how FILE names it, decoys
        # planted where an unquoted command line would end the program's name
        # at a space. m.exe, when named first, is there to let the item be quoted.
        cases = [
            (r"Program Files\App\app.exe", None, ["Program.exe"]),
            (r"My Apps\New Version\app.exe", None, ["My.exe", r"My Apps\New.exe"]),
            (r"dir\two  spaces.exe", None, [r"dir\two.exe"]),
            (r"Program Files\app.exe", r'<Src>\m.exe, "<Src>\Program Files\app.exe"', ["Program.exe"]),
        ]
        for relative, files, decoys in cases:
            with self.row(relative, FILE=files):
                s = self.scenario()
                app = self.program(s, relative)
                planted = [self.program(s, decoy) for decoy in decoys]
                self.program(s, "m.exe")
                parameters = ",a b" if files else "a b"
                self.expect_flag(s, "Step", section("Step", "LAUNCH", FILE=files or f"<Src>\\{relative}",
                                                    PARAM=parameters, ISWAIT="1"))
                start = app.only_start()
                self.assertEqual(start["command"], f'"{app.win()}" a b')  # quoted once
                self.assertEqual(start["directory"], s.win(os.path.dirname(relative.replace("\\", "/"))))
                for decoy in planted:
                    self.assertEqual(decoy.starts(), [], f"{decoy.relative} was started")

    def test_waiting(self):
        # ISWAIT -> the run goes on when the first program has "ended", or
        # when it is "ready" for input (it keeps running). A value that is no
        # number counts as 0.
        cases = [("1", "ended"), ("-1", "ended"), ("2x", "ended"),
                 ("0", "ready"), ("", "ready"), ("yes", "ready")]
        for iswait, until in cases:
            with self.row(ISWAIT=iswait):
                s = self.scenario()
                # A GUI program with a window, busy for a while before it serves its messages.
                first = self.program(s, "first.exe", gui=True, window=True, busy=400,
                                     run=600 if until == "ended" else -1)
                second = self.program(s, "second.exe")
                step = section("Step", "LAUNCH", FILE=r"<Src>\first.exe,<Src>\second.exe", PARAM="",
                               ISWAIT=iswait)
                self.expect_flag(s, "Step", step)
                first_start, second_start = first.only_start(), second.only_start()
                self.assertGreaterEqual(second_start["started"], first_start[until])
                if until == "ready":
                    self.assertNotIn("ended", first_start, "the first program should still run")

    def test_programs_that_never_become_ready_for_input(self):
        # Console programs have no message queue; they count as started
        # whether they still run or have ended, and the run does not wait.
        cases = [("console, keeps running", dict(run=-1)),
                 ("console, ends at once", dict(run=0)),
                 ("console with a window", dict(window=True, run=-1)),
                 ("console, exit code 1", dict(run=0, exit=1))]
        for name, plan in cases:
            with self.row(name):
                s = self.scenario()
                app = self.program(s, "app.exe", **plan)
                self.program(s, "After.exe")
                self.expect_flag(s, "Step,After", section("Step", "LAUNCH", FILE=r"<Src>\app.exe", PARAM="",
                                                           ISWAIT="0"), marker("After"))
                if plan["run"] < 0:
                    self.assertNotIn("ended", app.only_start())
                    self.assertTrue(app.running())

    def test_the_exit_code_does_not_matter(self):
        for code in [0, 1, 259, 0xFFFFFFFF]:
            with self.row(exit=code):
                s = self.scenario()
                self.program(s, "app.exe", exit=code)
                self.expect_flag(s, "Step", section("Step", "LAUNCH", FILE=r"<Src>\app.exe", PARAM="", ISWAIT="1"))

    def test_failures_report_message_9_and_stop(self):
        # FILE, PARAM -> message 9's program and parameters. app.exe lies in
        # the scenario's folder, which is the updater's current directory.
        cases = [
            ("bare file name", "app.exe", "p", "app.exe", "p"),
            ("backslash then name", r"\app.exe", "", r"\app.exe", ""),
            ("no such program", r"<Src>\none.exe", "a b", "{}\\none.exe", "a b"),
            ("a directory", r"<Src>\folder", "", "{}\\folder", ""),
            ("second of two", r"<Src>\app.exe,<Src>\none.exe", "x, y ", "{}\\none.exe", "y"),
        ]
        for name, files, parameters, program, shown in cases:
            with self.row(name):
                s = self.scenario()
                s.make_dir("folder")
                app = self.program(s, "app.exe", run=-1)
                result = self.run_script(s, "Step,Set,Clear", section("Step", "LAUNCH", FILE=files,
                                         PARAM=parameters, ISWAIT="0"), GATES)
                # Nothing after the failing item runs: the gates show no box.
                expect_boxes(result, [error_box(message(9, program.format(s.win()), shown))])
                if name == "second of two":
                    self.assertNotIn("ended", app.only_start(), "the first program should still run")
                else:
                    self.assertEqual(app.starts(), [])

    def test_an_empty_file_value_stops_the_run(self):
        s = self.scenario()
        result = self.run_script(s, "Step,Set,Clear", section("Step", "LAUNCH", FILE="", PARAM="x", ISWAIT="0"),
                                 GATES)
        expect_boxes(result, [error_box(message(4, "Step", "FILE"))])


class AppExist(ProgramTest):
    def test_the_flag_is_set_when_every_program_runs(self):
        # APP, the programs started beforehand -> flag.
        cases = [
            (r"<Src>\a.exe", ["a.exe"], 1),
            (r"<Src>\a.exe", [], 0),
            (r"<Src>\a.exe,<Src>\b.exe", ["a.exe", "b.exe"], 1),
            (r"<Src>\a.exe,<Src>\b.exe", ["a.exe"], 0),
            (r"<Src>\a.exe,<Src>\b.exe", ["b.exe"], 0),
            (r" <Src>\a.exe , <Src>\b.exe ", ["a.exe", "b.exe"], 1),
            (r"<Src>\sub\..\a.exe", ["a.exe"], 1),
        ]
        for apps, running, flag in cases:
            with self.row(APP=apps, running=running):
                s = self.scenario()
                programs = {name: self.program(s, name, run=-1) for name in ("a.exe", "b.exe")}
                for name in running:
                    programs[name].start_outside()
                self.expect_flag(s, "Step", section("Step", "APPEXIST", APP=apps), flag=flag)

    def test_names_compare_as_whole_paths_without_regard_to_case(self):
        cases = [("upper case", lambda s: s.win("App Dir\\a.exe").upper(), 1),
                 ("lower case", lambda s: s.win("App Dir\\a.exe").lower(), 1),
                 ("file name only", lambda s: "a.exe", 0),
                 ("other folder", lambda s: s.win("a.exe"), 0),
                 ("forward slashes", lambda s: s.win("App Dir\\a.exe").replace("\\", "/"), 0)]
        for name, app, flag in cases:
            with self.row(name):
                s = self.scenario()
                self.program(s, "App Dir\\a.exe", run=-1).start_outside()
                self.expect_flag(s, "Step", section("Step", "APPEXIST", APP=app(s)), flag=flag)

    def test_programs_that_cannot_be_read_are_found(self):
        # Guarded programs let others open them only to wait and to ask for
        # their path, as programs of other users and elevated ones do.
        cases = [(r"<Src>\a.exe", {"a.exe"}, 1),
                 (r"<Src>\a.exe,<Src>\b.exe", {"a.exe", "b.exe"}, 1),
                 (r"<Src>\b.exe", {"a.exe"}, 0)]
        for apps, guarded, flag in cases:
            with self.row(APP=apps, guarded=sorted(guarded)):
                s = self.scenario()
                programs = [self.program(s, name, run=-1, guard=name in guarded).start_outside()
                            for name in sorted(guarded)]
                self.expect_flag(s, "Step", section("Step", "APPEXIST", APP=apps), flag=flag)
                for program in programs:
                    self.assertEqual(program.only_start()["guarded"], "1", "the guard did not take")

    def test_the_updater_never_finds_itself(self):
        for name in ["updater.exe", "UPDATER.EXE"]:
            with self.row(name):
                s = self.scenario()
                self.expect_flag(s, "Step", section("Step", "APPEXIST", APP=f"<Src>\\{name}"), flag=0)

    def test_it_finds_a_program_the_run_started(self):
        s = self.scenario()
        self.program(s, "a.exe", gui=True, window=True, run=-1)
        self.expect_flag(s, "Start,Step", section("Start", "LAUNCH", FILE=r"<Src>\a.exe", PARAM="", ISWAIT="0"),
                         section("Step", "APPEXIST", APP=r"<Src>\a.exe"))

    def test_an_empty_app_value_stops_the_run(self):
        s = self.scenario()
        result = self.run_script(s, "Step,Set,Clear", section("Step", "APPEXIST", APP=""), GATES)
        expect_boxes(result, [error_box(message(4, "Step", "APP"))])


class WaitApp(ProgramTest):
    def test_how_long_the_run_waits(self):
        # The only timed checks: lower bounds are exact, upper bounds leave
        # seconds of room for a loaded machine. Each row: APP, TICK, the
        # programs running before the run (name -> run time in ms, -1 until
        # stopped), what the run goes on after: "end" of a.exe (and long
        # before the tick), the "tick" (a.exe still running), or "at once".
        long = "20000"
        cases = [
            ("ends before its tick", r"<Src>\a.exe", long, {"a.exe": 1000}, "end"),
            ("outlives its tick", r"<Src>\a.exe", "1000", {"a.exe": -1}, "tick"),
            ("not running", r"<Src>\a.exe", long, {}, "at once"),
            ("-1 waits until it ends", r"<Src>\a.exe", "-1", {"a.exe": 1500}, "end"),
            ("a tick that is no number", r"<Src>\a.exe", "soon", {"a.exe": -1}, "at once"),
            ("two programs, one tick item", r"<Src>\a.exe,<Src>\b.exe", long, {"a.exe": 1000, "b.exe": -1},
             "end"),
            ("the first not running", r"<Src>\a.exe,<Src>\b.exe", f"{long},{long}", {"b.exe": 800}, "end b"),
        ]
        for name, apps, ticks, running, until in cases:
            with self.row(name):
                s = self.scenario()
                programs = {app: self.program(s, app, run=running.get(app, 0)) for app in ("a.exe", "b.exe")}
                for app in running:
                    programs[app].start_outside()
                before_program, after_program = self.program(s, "Before.exe"), self.program(s, "After.exe")
                self.expect_flag(s, "Before,Step,After", marker("Before"),
                                 section("Step", "WAITAPP", APP=apps, TICK=ticks), marker("After"))
                before, after = before_program.only_start(), after_program.only_start()
                waited = after["started"] - before["ended"]
                if until.startswith("end"):
                    ended = programs["b.exe" if until == "end b" else "a.exe"].ended()
                    self.assertGreaterEqual(after["started"], ended)
                    self.assertLess(waited, 10000)
                elif until == "tick":
                    self.assertGreaterEqual(waited, 1000 - 20)
                    self.assertLess(waited, 10000)
                    self.assertNotIn("ended", programs["a.exe"].only_start())
                else:
                    self.assertLess(waited, 10000)
                for app, run in running.items():
                    if run < 0:
                        self.assertTrue(programs[app].running(), f"{app} should still run")

    def test_it_waits_for_a_guarded_program(self):
        s = self.scenario()
        app = self.program(s, "a.exe", run=1000, guard=True).start_outside()
        after = self.program(s, "After.exe")
        self.expect_flag(s, "Step,After", section("Step", "WAITAPP", APP=r"<Src>\a.exe", TICK="20000"),
                         marker("After"))
        self.assertEqual(app.only_start()["guarded"], "1", "the guard did not take")
        self.assertGreaterEqual(after.only_start()["started"], app.ended())

    def test_an_empty_app_value_stops_the_run(self):
        s = self.scenario()
        result = self.run_script(s, "Step,Set,Clear", section("Step", "WAITAPP", APP="", TICK="100"), GATES)
        expect_boxes(result, [error_box(message(4, "Step", "APP"))])


class TypicalUpdate(ProgramTest):
    def test_close_wait_replace_and_start_the_new_version(self):
        s = self.scenario()
        app = self.program(s, r"App\app.exe", gui=True, window=True, run=-1).start_outside()
        # The new version differs from the old one in its PE header.
        s.copy_program(r"New\app.exe", os.path.join(wineenv.build_dir(), "boxdriver.exe"))
        text = "アプリケーションを終了してください。"
        s.write_script(script(
            "Check,Ask,Wait,Replace,Start",
            section("Check", "APPEXIST", APP=r"<Src>\App\app.exe"),
            msgbox("Ask", text, flag="Check,1"),
            section("Wait", "WAITAPP", APP=r"<Src>\App\app.exe", TICK="20000"),
            section("Replace", "COPY", FROM=r"<Src>\New\app.exe", TO=r"<Src>\App\app.exe"),
            section("Start", "LAUNCH", FILE=r"<Src>\App\app.exe", PARAM="/updated", ISWAIT="0")))
        # The user closes the program once the box has asked for it: the box
        # driver saves a picture of each box before it answers.
        pictures = os.path.join(s.runs, f"{s.name}-{s.run_count + 1}-shots")
        shutil.rmtree(pictures, ignore_errors=True)  # left by an earlier run of the tests
        picture = os.path.join(pictures, "box-1.bmp")
        closer = threading.Thread(target=close_when_seen, args=(picture, app))
        closer.start()
        result = s.run(answers=["OK"], screenshots=True)
        closer.join()
        expect_boxes(result, [info(text)])
        old, new = app.wait_starts(2)
        self.assertEqual(old["command"].strip('"'), app.win())
        self.assertGreaterEqual(new["started"], old["ended"])
        self.assertLess(new["started"] - old["ended"], 10000)
        self.assertEqual(new["command"], app.win() + " /updated")
        self.assertEqual(new["directory"], s.win("App"))
        self.assertEqual(s.read_bytes(r"App\app.exe"), s.read_bytes(r"New\app.exe"))


def close_when_seen(picture, app):
    deadline = time.monotonic() + 30
    while not os.path.exists(picture) and time.monotonic() < deadline:
        time.sleep(0.05)
    app.stop()
    while app.popen.poll() is None and time.monotonic() < deadline:
        time.sleep(0.02)
    # The new version must not see the request to stop.
    os.remove(app.s.path(app.relative + ".stop"))


if __name__ == "__main__":
    main()
