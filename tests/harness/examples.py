"""The bundled examples (examples/<name>/) in a scenario folder: their files,
the stand-in programs they need, the programs that run before the updater,
and what a run changed on disk.

An example's file X.exe.plan stands for the program X.exe: a copy of the
box driver, which runs as a test program under any other name and reads
what to do from that plan (tools/boxdriver/Child.cpp). Each copy is made a
GUI program and carries its own path as trailing bytes, so two copies never
have the same contents. The example's running.txt names the programs
(relative paths) that are started, as the user would have them, before the
updater runs; the user closes them when the first box of the run asks."""

import os
import shutil
import signal
import struct
import subprocess
import threading
import time
import zlib

import wineenv
from boxes import fail

SOURCE = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
EXAMPLES = os.path.join(SOURCE, "examples")
SETTLE = 30  # seconds a program has to start or to stop
SUBSYSTEM_GUI = 2


def example_files(name):
    """Relative paths of the example's files."""
    root = os.path.join(EXAMPLES, name)
    found = []
    for top, _, files in os.walk(root):
        found += [os.path.relpath(os.path.join(top, f), root) for f in files]
    return sorted(found)


def copy_example(s, name):
    """The example's files and stand-in programs in the scenario's folder."""
    root = os.path.join(EXAMPLES, name)
    for relative in example_files(name):
        with open(os.path.join(root, relative), "rb") as f:
            s.write_bytes(relative, f.read())
        if relative.endswith(".exe.plan"):
            program = relative[:-len(".plan")]
            path = s.copy_program(program, os.path.join(wineenv.build_dir(), "boxdriver.exe"))
            with open(path, "r+b") as f:
                # The subsystem field of the PE header alone makes it a GUI program.
                header = struct.unpack("<I", f.read(0x40)[0x3C:0x40])[0]
                f.seek(header + 24 + 68)
                f.write(struct.pack("<H", SUBSYSTEM_GUI))
                f.seek(0, os.SEEK_END)
                f.write(b"\0" + program.encode())


def running_list(name):
    path = os.path.join(EXAMPLES, name, "running.txt")
    if not os.path.exists(path):
        return []
    with open(path) as f:
        return [line.strip() for line in f if line.strip()]


def starts(s, program):
    """What each process of a stand-in program recorded, oldest first."""
    out = program.replace("\\", "/") + ".out"
    if not s.exists(out):
        return []
    facts = {}
    for line in s.read_bytes(out).decode("utf-8").splitlines():
        pid, fact, value = line.split(" ", 2)
        facts.setdefault(pid, {})[fact] = value
    return sorted(facts.values(), key=lambda start: int(start["started"]))


class RunningPrograms:
    """Starts the example's running programs (start=False: none); stop()
    ends every stand-in, also those the updater started."""

    def __init__(self, s, name, start=True):
        self.s = s
        self.children = []
        self.programs = [p[:-len(".plan")] for p in example_files(name) if p.endswith(".exe.plan")]
        for program in running_list(name) if start else []:
            self.start(program)

    def close_when_asked(self):
        """Closes the running programs, as the user would, once the next run
        has shown its first box (the box driver saves a picture of each box
        before it answers it). Run with screenshots=True; join the thread."""
        pictures = os.path.join(self.s.runs, f"{self.s.name}-{self.s.run_count + 1}-shots")
        shutil.rmtree(pictures, ignore_errors=True)
        self.cancelled = threading.Event()
        closer = threading.Thread(target=self._close_when_seen, args=(os.path.join(pictures, "box-1.bmp"),))
        closer.start()
        return closer

    def cancel_closing(self):
        """The run showed no box after all (it did not start)."""
        self.cancelled.set()

    def _close_when_seen(self, picture):
        deadline = time.monotonic() + SETTLE * 2
        while not os.path.exists(picture) and time.monotonic() < deadline:
            if self.cancelled.is_set():
                return
            time.sleep(0.05)
        running = [p for p in self.programs if any("ended" not in st for st in starts(self.s, p))]
        for program in running:
            self.s.write_bytes(program + ".stop", b"")
        for program in running:
            while (any("ended" not in st for st in starts(self.s, program))
                   and time.monotonic() < deadline):
                time.sleep(0.02)
            # A program the update starts again must not see the request.
            os.remove(self.s.path(program + ".stop"))

    def wait_starts(self, program, count):
        """The starts of a program once there are `count` of them (or the time is up)."""
        deadline = time.monotonic() + SETTLE
        while len(starts(self.s, program)) < count and time.monotonic() < deadline:
            time.sleep(0.05)
        return starts(self.s, program)

    def start(self, program):
        log = open(self.s.path(program + ".log"), "ab")
        child = subprocess.Popen([wineenv.WINE, self.s.win(program)], env=wineenv.environment(),
                                 cwd=self.s.root, stdin=subprocess.DEVNULL, stdout=log,
                                 stderr=log, start_new_session=True)
        log.close()
        self.children.append(child)
        deadline = time.monotonic() + SETTLE
        while not any("ready" in start for start in starts(self.s, program)):
            if time.monotonic() > deadline or child.poll() is not None:
                self.stop()
                fail(f"{program} did not get ready", [repr(starts(self.s, program))])
            time.sleep(0.05)

    def stop(self):
        for program in self.programs:
            self.s.write_bytes(program + ".stop", b"")
        deadline = time.monotonic() + SETTLE
        for program in self.programs:
            while (any("ended" not in start for start in starts(self.s, program))
                   and time.monotonic() < deadline):
                time.sleep(0.05)
        for child in self.children:
            try:
                child.wait(timeout=max(0.1, deadline - time.monotonic()))
            except subprocess.TimeoutExpired:
                os.killpg(child.pid, signal.SIGKILL)
                child.wait()
        for program in self.programs:
            if self.s.exists(program + ".stop"):
                os.remove(self.s.path(program + ".stop"))


def snapshot(root):
    """{relative path: (size, CRC-32)} of every file under root."""
    files = {}
    for top, _, names in os.walk(root):
        for name in names:
            path = os.path.join(top, name)
            with open(path, "rb") as f:
                data = f.read()
            files[os.path.relpath(path, root)] = (len(data), zlib.crc32(data))
    return files


def changes(before, after, ignore=(".out", ".log")):
    """Lines telling which files a run added, changed or removed."""
    lines = []
    for path in sorted(set(before) | set(after)):
        if path.endswith(ignore):
            continue
        if path not in before:
            lines.append(f"added    {path} ({after[path][0]} bytes, CRC 0x{after[path][1]:08X})")
        elif path not in after:
            lines.append(f"removed  {path}")
        elif before[path] != after[path]:
            lines.append(f"changed  {path} ({before[path][0]} -> {after[path][0]} bytes, "
                         f"CRC 0x{after[path][1]:08X})")
    return lines
