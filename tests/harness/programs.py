"""Stand-in programs: copies of the box driver under other names (the child of tools/boxdriver).
Times come from one system clock, so facts of different processes order exactly."""

import os
import shutil
import signal
import struct
import threading
import unittest

import wineenv
from boxes import fail

TIMES = ("created", "started", "ready", "ended")  # the facts that are ms of the system clock


class Program:
    """A copy at relative in the scenario's folder. gui makes it a GUI program, tag gives it contents
    of its own; a plan of None keeps the plan file there. A plan's bits (64 or 32) picks the build it
    comes from; the build under test's by default."""

    def __init__(self, s, relative, gui=False, tag=False, plan=None):
        bits = (plan or {}).get("bits")
        driver = os.path.join(os.environ.get(f"UPDATER_WIN{bits}_BUILD", ""), "boxdriver.exe") if bits else None
        if bits and bits != wineenv.bits():
            # A machine that skips the other build's tests need not have built it.
            why = wineenv.no_32_bits() or (None if os.path.isfile(driver) else f"no box driver of {bits} bits ({driver})")
            if why:
                raise unittest.SkipTest(why)
        self.relative, self.path, self.windows, self.popen = relative, s.path(relative), s.win(), None
        os.makedirs(os.path.dirname(self.path), exist_ok=True)
        shutil.copyfile(driver or os.path.join(wineenv.build_dir(), "boxdriver.exe"), self.path)
        with open(self.path, "r+b") as f:
            if gui:  # the subsystem field of the PE header alone makes it a GUI program
                f.seek(struct.unpack("<I", f.read(0x40)[0x3C:0x40])[0] + 24 + 68)
                f.write(struct.pack("<H", 2))
            if tag:
                f.seek(0, os.SEEK_END)
                f.write(b"\0" + relative.encode())
        if plan is not None:
            with open(self.path + ".plan", "w") as f:
                f.write("".join(f"{key}={int(value)}\n" for key, value in plan.items()))

    def win(self):
        return self.windows.rstrip("\\") + "\\" + self.relative

    def starts(self):
        """What each process of this copy recorded, in the order they started."""
        facts = {}
        if os.path.exists(self.path + ".out"):
            with open(self.path + ".out", encoding="utf-8") as f:
                for pid, fact, value in (line.split(" ", 2) for line in f.read().splitlines()):
                    facts.setdefault(pid, {})[fact] = int(value) if fact in TIMES else value
        return sorted(facts.values(), key=lambda start: start["started"])

    def wait_starts(self, count):
        """The starts once `count` are recorded in full (or the time is up)."""
        wineenv.until(lambda: sum("directory" in start for start in self.starts()) >= count)
        return self.starts()

    def only_start(self):
        starts = self.wait_starts(1)
        if len(starts) != 1:
            fail(f"{self.relative} started {len(starts)} times", [repr(starts)])
        return starts[0]

    def ended(self):
        if "ended" not in self.only_start():
            fail(f"{self.relative} has not ended", [repr(self.starts())])
        return self.only_start()["ended"]

    def running(self):
        return any("ended" not in start for start in self.starts()) or (
            self.popen is not None and self.popen.poll() is None)

    def start_outside(self):
        """Starts it as the user would, and returns once it is ready."""
        self.popen = wineenv.start([wineenv.WINE, self.win()], wineenv.environment(), self.path + ".log",
                                   os.path.dirname(self.path))
        ready = lambda: any("ready" in start for start in self.starts())  # noqa: E731
        if not wineenv.until(lambda: ready() or self.popen.poll() is not None, 30) or not ready():
            fail(f"{self.relative} did not get ready", [repr(self.starts())])
        return self


def stop_programs(programs):
    """Asks every program to stop and takes the request back once they have (a copy started again must
    not see it); fails naming those still running after a while (they end by themselves within a minute)."""
    for program in programs:
        open(program.path + ".stop", "w").close()
    wineenv.until(lambda: not any(program.running() for program in programs), pause=0.02)
    left = [program.relative for program in programs if program.running()]
    for program in programs:
        if program.popen is not None and program.popen.poll() is None:
            os.killpg(program.popen.pid, signal.SIGKILL)
        if program.popen is not None:
            program.popen.wait()
        os.remove(program.path + ".stop")
    if left:
        fail("programs did not stop when asked", left)


def run_closing(s, programs, **options):
    """s.run(**options), while the user closes the programs once the run shows its first box
    (the box driver saves a picture of each box before it answers)."""
    picture = os.path.join(s.runs, f"{s.name}-{s.run_count + 1}-shots", "box-1.bmp")
    ran = threading.Event()

    def close():
        wineenv.until(lambda: ran.is_set() or os.path.exists(picture), 600)
        stop_programs(programs)
    closer = threading.Thread(target=close)
    closer.start()
    result = s.run(screenshots=True, **options)
    ran.set()
    closer.join()
    return result
