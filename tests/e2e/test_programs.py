"""LAUNCH, APPEXIST and WAITAPP with real processes: stand-in programs (harness/programs.py), stopped after
each row. A LAUNCH that waits for a program that ends at once (a marker) tells when the run went on."""

import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
import wineenv   # noqa: E402
from programs import Program, stop_programs   # noqa: E402
from sections import flag_boxes, info, section  # noqa: E402
from messages import PROGRESS_TEXTS  # noqa: E402
from updater import Box, UpdaterTest, error_box, expect_boxes, main, message   # noqa: E402

GATES = flag_boxes("Step")
FOREVER = dict(run=-1)
OTHER = 96 - wineenv.bits()  # the other build: programs of the other bitness


def launch(files, parameters="", wait="1", name="Step"):
    return section(name, "LAUNCH", FILE=files, PARAM=parameters, ISWAIT=wait)


class Programs(UpdaterTest):
    def setUp(self):
        self.programs, self.wine_failed = [], False
        self.addCleanup(self.stop_programs)

    def program(self, s, relative, gui=False, **plan):
        self.programs.append(Program(s, relative, gui=gui, plan=plan))
        return self.programs[-1]

    def stop_programs(self):
        programs, self.programs = self.programs, []
        stop_programs(programs)

    def each(self, rows, check):
        """A row's programs are stopped after it (after the test when it fails). Wine under load now and then ends
        a process it has just created, before it runs (CreateProcess fails with ERROR_INTERNAL_ERROR, which the
        run's log names), or fails to show a box (MessageBoxA returns 0: the log has the answer "none"; no row here
        hides its boxes). A row whose failure came with either, and only such a row, is tried once more."""
        def attempt(*case):
            self.wine_failed = False
            try:
                check(*case)
            except AssertionError:
                if not self.wine_failed:
                    raise
                sys.stderr.write("Wine lost a program's start or a box; the row is tried again\n")
                self.stop_programs()
                check(*case)
            finally:
                self.stop_programs()
        super().each(rows, attempt)

    def run_script(self, proc, sections="", answers=(), arguments="", head="NAME=", s=None, **options):
        """A run here starts up to four Wine processes, seconds each on a loaded machine: it gets a minute, not 20 s
        (the bound only tells a hang; it never times anything)."""
        s, options["timeout"] = s or self.scenario(), options.get("timeout", 60)
        result = super().run_script(proc, sections, answers, arguments, head + "\nLOG=<Src>\\run.log", s, **options)
        log = s.read_bytes("run.log") if s.exists("run.log") else b""
        self.wine_failed = self.wine_failed or b"failed, error 1359:" in log or b"  box none: " in log
        return result

    def expect_flag(self, s, proc, *sections, flag=1):
        """The procedure Step, then the gates; proc names what runs around it."""
        self.expect(proc + ",Set,Clear", "".join(sections) + GATES, [info(f"flag {flag}")], s=s)

    def test_command_line_and_current_directory(self):
        # FILE, PARAM -> for each program: the text after its path, its current directory; decoys planted where
        # an unquoted command line would end a program's name at a space. m.exe, named first, lets an item be quoted.
        # A failure (a fifth item, not waiting) reports message 9's program and parameters, nothing after it runs,
        # and what started before it runs on. The scenario's folder is the updater's current directory.
        rows = [
            ("one program", r"<Src>\app.exe", "a b", {"app.exe": ("a b", "")}, []),
            ("two programs, one parameter item", r"<Src>\app.exe,<Src>\sub\two.exe", "-x",
             {"app.exe": ("-x", ""), r"sub\two.exe": ("", "sub")}, []),
            ("quotes, tabs and Japanese kept", r"<Src>\アプリ\app.exe", '"x y"\t表示 ソフト',
             {r"アプリ\app.exe": ('"x y"\t表示 ソフト', "アプリ")}, []),
            ("two spaces in the path", r"<Src>\My Apps\New Version\app.exe", "a b",
             {r"My Apps\New Version\app.exe": ("a b", r"My Apps\New Version")}, ["My.exe", r"My Apps\New.exe"]),
            ("a path quoted already", r'<Src>\m.exe, "<Src>\Program Files\app.exe"', ",a b",
             {"m.exe": ("", ""), r"Program Files\app.exe": ("a b", "Program Files")}, ["Program.exe"]),
            ("switches in FILE, passed as written", r"<Src>\app.exe /S", "", {"app.exe": ("/S ", "")}, []),
            ("quoted with switches, a file where the space is", r'"<Src>\My App\app.exe" /S', "",
             {r"My App\app.exe": ("/S ", "My App")}, ["My"]),
            # A value is text: its parent step takes "\\.." only, and "/" stays.
            ("a parent step in PARAM, slashes kept", r"<Src>\app.exe", r"/S /D=<Src>\..\App",
             {"app.exe": (r"/S /D=<Up>\App", "")}, []),
            ("bare file name", "app.exe", "p", {}, ["app.exe"], message(9, "app.exe", "p")),
            ("backslash then name", r"\app.exe", "", {}, ["app.exe"], message(9, r"\app.exe", "")),
            ("no such program", r"<Src>\none.exe", "a b", {}, ["app.exe"], message(9, r"@\none.exe", "a b")),
            ("second of two", r"<Src>\app.exe,<Src>\none.exe", "x, y ", {"app.exe": ("x", "")}, [],
             message(9, r"@\none.exe", "y")),
        ]

        def check(files, parameters, expected, decoys, error=None):
            s = self.scenario()
            programs = {relative: self.program(s, relative, **FOREVER if error else {}) for relative in expected}
            planted = [self.program(s, decoy) for decoy in decoys]
            if error:
                self.expect("Step,Set,Clear", launch(files, parameters, "0") + GATES,
                            [error_box(error.replace("@", s.win()))], s=s)
            else:
                self.expect_flag(s, "Step", launch(files, parameters))
            for relative, (arguments, directory) in expected.items():
                start, path = programs[relative].only_start(), programs[relative].win()
                self.assertFalse(error and "ended" in start, "a program started before the failure has ended")
                quoted = f'"{path}"' if " " in path else path  # quoted once
                arguments = arguments.replace("<Up>", s.win().rsplit("\\", 1)[0])
                self.assertEqual((start["command"], start["directory"]), (f"{quoted} {arguments}", s.win(directory)))
            self.assertEqual([decoy.starts() for decoy in planted], [[]] * len(planted), "a decoy was started")
        self.each(rows, check)

    def test_launch_waiting(self):
        # ISWAIT, whether the first program is a GUI one, its plan -> the second program is created once the first
        # has "ended", once it is "ready" for input (it keeps running) or once it is "created" (console programs have
        # no message queue: not waited for, they count as started, running or ended, whatever their exit code; which
        # of the two then runs first is the system's choice). The GUI program is busy before it serves its messages
        # and ends 2.5 s later: the second program created once it was ready comes before its end, even on a loaded
        # machine.
        gui_ends, gui_runs = dict(window=1, busy=400, run=2500), dict(window=1, busy=400, run=-1)
        rows = [("1", "1", True, gui_ends, "ended"), ("-1", "-1", True, gui_ends, "ended"),
                ("0", "0", True, gui_runs, "ready"), ("empty", "", True, gui_runs, "ready"),
                ("console, keeps running", "0", False, FOREVER, "created"),
                ("console, ends at once", "0", False, dict(run=0), "created"),
                ("console with a window", "0", False, dict(window=1, run=-1), "created"),
                ("console, exit code 1", "0", False, dict(exit=1), "created"),
                *[(f"waited, exit code {code:#x}", "1", False, dict(exit=code), "ended") for code in (1, 259, 0xFFFFFFFF)]]

        def check(wait, gui, plan, until):
            s = self.scenario()
            first, second = self.program(s, "first.exe", gui=gui, **plan), self.program(s, "second.exe")
            self.expect_flag(s, "Step", launch(r"<Src>\first.exe,<Src>\second.exe", wait=wait))
            self.assertGreaterEqual(second.only_start()["created"], first.only_start().get(until, float("inf")),
                                    f"the second program was created before the first was {until}")
            if plan.get("run") == -1:
                self.assertNotIn("ended", first.only_start(), "the first program should still run")
        self.each(rows, check)

    def test_appexist_sets_the_flag_when_every_program_runs(self):
        # APP (<SRC>: the folder in upper case), the programs started beforehand (or by the run, with ISWAIT=0) -> flag.
        # g.exe is guarded: others may open it only to wait and to ask for its path, as other users' and elevated programs allow.
        rows = [
            ("running", r"<Src>\a.exe", ["a.exe"], 1), ("not running", r"<Src>\a.exe", [], 0),
            ("both running", r"<Src>\a.exe,<Src>\b.exe", ["a.exe", "b.exe"], 1),
            ("the second not running", r"<Src>\a.exe,<Src>\b.exe", ["a.exe"], 0),
            ("the first not running", r"<Src>\a.exe,<Src>\b.exe", ["b.exe"], 0),
            ("a path through ..", r"<Src>\sub\..\a.exe", ["a.exe"], 1), ("upper case", r"<SRC>\A.EXE", ["a.exe"], 1),
            ("'/' for '\\'", "<Src>/a.exe", ["a.exe"], 1),
            ("file name only", "a.exe", ["a.exe"], 0), ("other folder", r"<Src>\sub\a.exe", ["a.exe"], 0),
            ("never the updater itself", r"<Src>\UPDATER.EXE", [], 0), ("guarded", r"<Src>\g.exe", ["g.exe"], 1),
            ("another one guarded", r"<Src>\a.exe", ["g.exe"], 0), ("the other bitness", r"<Src>\o.exe", ["o.exe"], 1),
            ("started by the run", r"<Src>\a.exe", [], 1, "a.exe"),
        ]

        def check(apps, running, flag, launched=None):
            s = self.scenario()
            programs = {name: self.program(s, name, run=-1, guard=name == "g.exe", bits=OTHER * (name == "o.exe"))
                        for name in {"a.exe", "b.exe", *running}}
            for name in running:
                programs[name].start_outside()
            start = launch(rf"<Src>\{launched}", wait="0", name="Start") if launched else ""
            self.expect_flag(s, "Start," * bool(launched) + "Step", start,
                             section("Step", "APPEXIST", APP=apps.replace("<SRC>", s.win().upper())), flag=flag)
            if "g.exe" in programs:
                self.assertEqual(programs["g.exe"].only_start()["guarded"], "1", "the guard did not take")
        self.each(rows, check)

    def test_how_long_waitapp_waits(self):
        # APP, TICK, the plans of the programs running before the run (ms, -1 until stopped), what the run goes
        # on after: the "end" of a.exe (or b.exe) long before the tick, the "tick" (a.exe runs on), or "at once".
        # Lower bounds are exact; the upper bound leaves seconds of room for a loaded machine, less than 0x3000 ms.
        # A path is matched as APPEXIST matches it (its rows hold the path's rules).
        long = "20000"
        rows = [
            ("ends before its tick", r"<Src>\a.exe", long, {"a.exe": dict(run=1000)}, "end"),
            ("outlives its tick", r"<Src>\a.exe", "3000", {"a.exe": FOREVER}, "tick"),
            ("not running", r"<Src>\a.exe", long, {}, "at once"),
            ("-1 waits until it ends", r"<Src>\a.exe", "-1", {"a.exe": dict(run=1500)}, "end"),
            ("two programs, one tick item", r"<Src>\a.exe,<Src>\b.exe", long, {"a.exe": dict(run=1000), "b.exe": FOREVER}, "end"),
            ("the first not running", r"<Src>\a.exe,<Src>\b.exe", f"{long},{long}", {"b.exe": dict(run=800)}, "end b"),
            ("a guarded program", r"<Src>\a.exe", long, {"a.exe": dict(run=1000, guard=1)}, "end"),
            ("a program of the other bitness", r"<Src>\a.exe", "1000", {"a.exe": dict(run=-1, bits=OTHER)}, "tick"),
        ]

        def check(apps, ticks, running, until):
            s = self.scenario()
            programs = {app: self.program(s, app, **running.get(app, {})) for app in ("a.exe", "b.exe")}
            for app in running:
                programs[app].start_outside()
            before, after = self.program(s, "Before.exe"), self.program(s, "After.exe")
            self.expect_flag(s, "Before,Step,After", launch(r"<Src>\Before.exe", name="Before"),
                             section("Step", "WAITAPP", APP=apps, TICK=ticks), launch(r"<Src>\After.exe", name="After"))
            went_on = after.only_start()["created"]  # when the run went on, however late After then runs
            self.assertLess(went_on - before.ended(), 10000)
            if until.startswith("end"):
                self.assertGreaterEqual(went_on, programs["b.exe" if until == "end b" else "a.exe"].ended())
            if until == "tick":
                self.assertGreaterEqual(went_on - before.ended(), int(ticks) - 20)
            for app, plan in running.items():
                self.assertTrue(plan["run"] >= 0 or programs[app].running(), f"{app} should still run")
                self.assertEqual(programs[app].only_start().get("guarded"), "1" if "guard" in plan else None)
        self.each(rows, check)

    def test_progress_window_stops_a_wait(self):
        # PROGRESS=1: the window's Cancel, then Yes, ends a wait for a program that runs on (LAUNCH with ISWAIT=1,
        # WAITAPP with no time limit): exit 2, no other box, the program left running and the next step not run.
        asked = Box(text=PROGRESS_TEXTS[107], icon="question", buttons=["YES", "NO"], exit_code=2)
        rows = [("progress window: LAUNCH", lambda: launch(r"<Src>\a.exe")),
                ("progress window: WAITAPP", lambda: section("Step", "WAITAPP", APP=r"<Src>\a.exe", TICK="-1"))]

        def check(step):
            s = self.scenario()
            app, after = self.program(s, "a.exe", **FOREVER), self.program(s, "After.exe")
            if "WAITAPP" in step():
                app.start_outside()
            expect_boxes(self.run_script("Step,After", step() + launch(r"<Src>\After.exe", name="After"), ["STOP", "YES"],
                                         head="NAME=\nPROGRESS=1", s=s), [asked])
            self.assertTrue(app.running(), "the program should still run")
            self.assertEqual(after.starts(), [])
        self.each(rows, check)


if __name__ == "__main__":
    main()
