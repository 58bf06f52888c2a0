#!/usr/bin/env python3
"""Crash trials: kill the updater at random moments while it replaces a file
and count what the destination's name holds afterwards.

Two kinds: a SHELL copy onto an existing file (through the temporary name,
then one replacing step) and a COPY onto an existing file (the platform's
copy, which writes the destination in place). Each trial restores the old
destination, starts updater.exe under Wine and kills the whole process with
SIGKILL at a moment drawn uniformly from the span in which the procedure
runs (measured first). The destination is then missing, partial (neither
file), old or new.

    UPDATER_WINE_STATE=... UPDATER_WIN64_BUILD=... tools/crash_trials.py [trials] [seed]

Needs the Wine prefix and display of the test fixture (ctest -R wine.setup).
"""

import hashlib
import os
import random
import shutil
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "harness"))
import wineenv  # noqa: E402

OLD_SIZE = 96 << 20
NEW_SIZE = 128 << 20
OUTCOMES = ("missing", "partial", "old", "new")
RUN_LIMIT = 60


def pattern(byte, size):
    block = bytes((byte + i) % 251 for i in range(4096))
    return block * (size // len(block))


OLD, NEW = pattern(1, OLD_SIZE), pattern(7, NEW_SIZE)
OLD_SUM, NEW_SUM = hashlib.sha1(OLD).hexdigest(), hashlib.sha1(NEW).hexdigest()

KINDS = {
    "SHELL": "[Step]\r\nMODE=SHELL\r\nFUNC=COPY\r\nFROM={src}\r\nTO={dst}\r\n",
    "COPY": "[Step]\r\nMODE=COPY\r\nFROM={src}\r\nTO={dst}\r\n",
    "IDLE": "[Step]\r\nMODE=OSVER\r\n",
}


class Trials:
    def __init__(self, kind):
        self.kind = kind
        self.name = "crash." + kind.lower()
        self.root = os.path.join(wineenv.paths()["scratch"], self.name)
        self.env = wineenv.environment()
        shutil.rmtree(self.root, ignore_errors=True)
        os.makedirs(self.root)
        shutil.copyfile(os.path.join(wineenv.build_dir(), "updater.exe"), self.path("updater.exe"))
        win = "T:\\" + self.name + "\\"
        step = KINDS[kind].format(src=win + "new.bin", dst=win + "dest.bin")
        with open(self.path("updater.ini"), "w", newline="") as f:
            f.write("[UPDATER]\r\nNAME=\r\nPROC=Step\r\n" + step)
        with open(self.path("new.bin"), "wb") as f:
            f.write(NEW)

    def path(self, name):
        return os.path.join(self.root, name)

    def prepare(self):
        for name in ("dest.bin", "dest.bin.tmp"):
            if os.path.exists(self.path(name)):
                os.remove(self.path(name))
        with open(self.path("dest.bin"), "wb") as f:
            f.write(OLD)

    def run(self, kill_after=None):
        """Runs the program; kills it after kill_after seconds. The seconds it ran."""
        args = [wineenv.WINE, "T:\\" + self.name + "\\updater.exe"]
        started = time.monotonic()
        child = subprocess.Popen(args, env=self.env, cwd=self.root, stdin=subprocess.DEVNULL,
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                 start_new_session=True)
        try:
            child.wait(timeout=RUN_LIMIT if kill_after is None else kill_after)
        except subprocess.TimeoutExpired:
            os.killpg(child.pid, signal.SIGKILL)
            child.wait()
        return time.monotonic() - started

    def outcome(self):
        path = self.path("dest.bin")
        if not os.path.exists(path):
            return "missing"
        with open(path, "rb") as f:
            digest = hashlib.sha1(f.read()).hexdigest()
        return {OLD_SUM: "old", NEW_SUM: "new"}.get(digest, "partial")


def measure(kind, runs=3):
    trials = Trials(kind)
    times = []
    for _ in range(runs):
        trials.prepare()
        times.append(trials.run())
    return min(times), trials


def run_trials(kind, count, rng, idle):
    """Counts of each outcome, and how often a temporary name was left."""
    busy, trials = measure(kind)
    if trials.outcome() != "new":
        raise SystemExit(f"{kind}: an uninterrupted run left {trials.outcome()}")
    # The procedure runs between the end of an idle run's start-up and the
    # end of a busy run; both are noisy, so a margin is taken on each side.
    low, high = idle * 0.5, max(busy, idle) * 1.2
    counts = dict.fromkeys(OUTCOMES, 0)
    left = 0
    for _ in range(count):
        trials.prepare()
        trials.run(rng.uniform(low, high))
        found = trials.outcome()
        # A process that outlived the kill would still be writing.
        time.sleep(0.05)
        if trials.outcome() != found:
            raise SystemExit(f"{kind}: the destination changed after the kill")
        counts[found] += 1
        left += os.path.exists(trials.path("dest.bin.tmp"))
    shutil.rmtree(trials.root, ignore_errors=True)
    return counts, left, (low, high)


def table(results):
    lines = ["kind   trials  missing  partial      old      new  tmp left  kill window (s)"]
    for kind, (counts, left, (low, high)) in results.items():
        lines.append(f"{kind:<6} {sum(counts.values()):>6} " +
                     " ".join(f"{counts[o]:>8}" for o in OUTCOMES) + f" {left:>9}  {low:.2f}-{high:.2f}")
    return "\n".join(lines)


def main():
    count = int(sys.argv[1]) if len(sys.argv) > 1 else 200
    seed = int(sys.argv[2]) if len(sys.argv) > 2 else 1
    rng = random.Random(seed)
    idle, idle_trials = measure("IDLE")
    shutil.rmtree(idle_trials.root, ignore_errors=True)
    results = {kind: run_trials(kind, count, rng, idle) for kind in ("SHELL", "COPY")}
    print(table(results))
    return 0 if results["SHELL"][0]["missing"] == results["SHELL"][0]["partial"] == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
