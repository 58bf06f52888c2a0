#!/usr/bin/env python3
"""Crash trials: kill the updater at random moments while it replaces files
and count what the destination holds afterwards.

Kinds: COPY of one file onto an existing file, TREE (COPY of a tree onto an
older copy of it), MOVE of one file onto an existing file on another file
system (drive V:, a tmpfs, so the move copies), SHELL (FUNC=COPY onto an
existing file), SHELLTREE (FUNC=COPY of a tree onto an older copy of it,
which the program puts aside under `.~old` while the new one takes its
name: the old tree there, whole, counts as old), RSRC (resources copied into an executable) and LINK (40
shortcuts saved over older ones). Each trial
lays out the old state, starts updater.exe under Wine and kills the whole
process with SIGKILL at a moment drawn uniformly from the span in which the
procedure runs (measured first). The destination is then missing, partial
(neither old nor new; for RSRC: pefile cannot read it or it holds other
resources), old or new; for a tree or LINK, the worst of its files, and "old"
when some files are still old. "lost": the new content is nowhere (MOVE).
The kills of a kind come in a row, leftovers and all; a last run that is not
killed must then leave no temporary name behind ("after").

    UPDATER_WINE_STATE=... UPDATER_WIN64_BUILD=... tools/crash_trials.py [trials] [seed] [kind...]

Needs the Wine prefix and display of the test fixture (ctest -R wine.setup).
"""

import glob
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

OUTCOMES = ("missing", "partial", "old", "new", "lost")
RUN_LIMIT = 60
TREE_FILES = 200
LINKS = 40
WIDE = ["한국어.bin", "Résumé.bin", "😀.bin", "L" * 200 + "/" + "M" * 60 + "/deep.bin"]
PREFIX = "crash."  # of the kinds' folders on T: and V:; a short run beside a long one takes another


# An older shortcut: what matters is that it is not the new one.
OLD_LINK = bytes.fromhex("4c0000000114020000000000c000000000000046") + bytes(56)
OLD_LINK_SUM = hashlib.sha1(OLD_LINK).hexdigest()


def pattern(byte, size):
    block = bytes((byte + i) % 251 for i in range(4096))
    return block * (size // len(block))


def digest(path):
    if not os.path.exists(path):
        return None
    with open(path, "rb") as f:
        return hashlib.sha1(f.read()).hexdigest()


class Trials:
    """One kind: its script, the state before each trial and what a trial left."""

    def __init__(self, kind):
        self.kind, self.name = kind, PREFIX + kind.lower()
        self.root = os.path.join(wineenv.paths()["scratch"], self.name)
        self.far = os.path.join(wineenv.paths()["drive_v"], self.name)
        self.env = wineenv.environment()
        for folder in (self.root, self.far):
            shutil.rmtree(folder, ignore_errors=True)
            os.makedirs(folder)
        shutil.copyfile(os.path.join(wineenv.build_dir(), "updater.exe"), self.path("updater.exe"))
        t, v = "T:\\" + self.name + "\\", "V:\\" + self.name + "\\"
        big_old, big_new = pattern(1, 32 << 20), pattern(7, 48 << 20)
        small_old, small_new = pattern(3, 64 << 10), pattern(5, 96 << 10)
        self.files = {}  # destination -> (old bytes, new bytes)
        if kind == "LINK":
            # A shortcut holds the times of its target's folders: only the shortcuts' own folder changes.
            self.write(self.path("app/new.exe"), b"MZ")
            step = (f"MODE=LINK\r\nSRC=" + ",".join([t + "app\\new.exe"] * LINKS) + "\r\nPARAM=/new\r\nSHOWCMD="
                    + ",".join(["3"] * LINKS) + "\r\nDST=" + ",".join(f"{t}links\\l{i}" for i in range(LINKS)))
            self.files.update({self.path(f"links/l{i}.LNK"): None for i in range(LINKS)})
        elif kind == "RSRC":
            shutil.copyfile(os.path.join(wineenv.build_dir(), "resource_module.dll"), self.path("src.dll"))
            step = f"MODE=RSRC\r\nFROM={t}src.dll\r\nTO={t}dest.exe\r\nTYPE=PAYLOAD,#10\r\nNAME=SETTINGS,ENGLISHONLY"
            self.files[self.path("dest.exe")] = None
        elif kind in ("TREE", "SHELLTREE"):
            step = ("MODE=COPY\r\n" if kind == "TREE" else "MODE=SHELL\r\nFUNC=COPY\r\n") + f"FROM={t}new\r\nTO={t}dest"
            for i in range(TREE_FILES):
                # A COPY's tree holds names outside the code page and a branch past MAX_PATH too.
                wide = kind == "TREE" and i < len(WIDE)
                relative = os.path.join(f"d{i % 10}", *(WIDE[i].split("/") if wide else [f"f{i}.bin"]))
                self.write(os.path.join(self.root, "new", relative), small_new)
                self.files[os.path.join(self.root, "dest", relative)] = (small_old, small_new)
        else:
            destination = (v if kind == "MOVE" else t) + "dest.bin"
            self.files[os.path.join(self.far if kind == "MOVE" else self.root, "dest.bin")] = (big_old, big_new)
            step = {"COPY": "MODE=COPY\r\n", "MOVE": "MODE=MOVE\r\n", "SHELL": "MODE=SHELL\r\nFUNC=COPY\r\n",
                    "IDLE": "MODE=OSVER\r\n"}[kind] + f"FROM={t}new.bin\r\nTO={destination}"
            self.new_bin = big_new
        self.sums = {path: pair and tuple(hashlib.sha1(b).hexdigest() for b in pair) for path, pair in self.files.items()}
        with open(self.path("updater.ini"), "w", newline="") as f:
            f.write("[UPDATER]\r\nNAME=\r\nPROC=Step\r\n[Step]\r\n" + step + "\r\n")

    def clear(self):
        for folder in (self.root, self.far):
            shutil.rmtree(folder, ignore_errors=True)

    def path(self, name):
        return os.path.join(self.root, name)

    @staticmethod
    def write(path, data):
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)

    def leftovers(self):
        return [p for folder in (self.root, self.far) for end in ("*.tmp", "*~", "*.~upd", "*.~old")
                for p in glob.glob(os.path.join(folder, "**", end), recursive=True)]

    def prepare(self):
        """The old state; what killed runs left under temporary names stays, for the next run to clear."""
        if self.kind == "RSRC":
            shutil.copyfile(os.path.join(wineenv.build_dir(), "updater.exe"), self.path("dest.exe"))
        for path, pair in self.files.items():
            if self.aside(path) != path:  # the old tree put aside: the next run puts it back
                continue
            if pair and digest(path) != self.sums[path][0]:
                self.write(path, pair[0])
            elif self.kind == "LINK" and digest(path) != OLD_LINK_SUM:
                self.write(path, OLD_LINK)
        if self.kind in ("COPY", "MOVE", "SHELL", "IDLE") and digest(self.path("new.bin")) is None:
            self.write(self.path("new.bin"), self.new_bin)

    def run(self, kill_after=None, arguments=()):
        """Runs the program; kills it after kill_after seconds. The seconds it ran."""
        started = time.monotonic()
        child = subprocess.Popen([wineenv.WINE, "T:\\" + self.name + "\\updater.exe", *arguments], env=self.env,
                                 cwd=self.root,
                                 stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                 start_new_session=True)
        try:
            child.wait(timeout=RUN_LIMIT if kill_after is None else kill_after)
        except subprocess.TimeoutExpired:
            os.killpg(child.pid, signal.SIGKILL)
            child.wait()
        return time.monotonic() - started

    def rsrc_outcome(self, path):
        import pefile
        try:
            pe = pefile.PE(path)
            names = {str(n.name) for t in pe.DIRECTORY_ENTRY_RESOURCE.entries for n in t.directory.entries if n.name}
            pe.close()
        except Exception:
            return "partial"
        return {frozenset(): "old", frozenset({"SETTINGS", "ENGLISHONLY"}): "new"}.get(
            frozenset(names & {"SETTINGS", "ENGLISHONLY"}), "partial")

    def aside(self, path):
        """Where a file of the SHELLTREE destination is while the old tree is put aside."""
        dest = self.path("dest")
        missing = self.kind == "SHELLTREE" and not os.path.exists(dest) and os.path.exists(dest + ".~old")
        return dest + ".~old" + path[len(dest):] if missing else path

    def outcome(self):
        found = set()
        for key in self.files:
            path = self.aside(key)
            if not os.path.exists(path):
                found.add("missing")
            elif self.kind == "RSRC":
                found.add(self.rsrc_outcome(path))
            elif self.kind == "LINK":
                found.add({OLD_LINK_SUM: "old", self.new_links[key]: "new"}.get(digest(path), "partial"))
            else:
                found.add({self.sums[key][0]: "old", self.sums[key][1]: "new"}.get(digest(path), "partial"))
        if self.kind == "SHELLTREE" and {"old", "new"} <= found:  # the shell's tree is replaced whole or not at all
            return "partial"
        if self.kind == "MOVE" and found == {"old"} and digest(self.path("new.bin")) is None:
            return "lost"
        return next(o for o in ("missing", "partial", "old", "new") if o in found)


def measure(kind, runs=3):
    """The shortest of some uninterrupted runs, and the kind's trials."""
    trials = Trials(kind)
    times = []
    for _ in range(runs):
        trials.prepare()
        times.append(trials.run())
        # A shortcut's bytes are what the link object saves (the first of a run holds more); a whole run shows them.
        trials.new_links = {path: digest(path) for path in trials.files}
    if kind == "IDLE":
        trials.clear()
    return min(times), trials


def run_trials(kind, count, rng, idle, runs=3):
    """Counts of each outcome, and how often a temporary name was left."""
    busy, trials = measure(kind, runs)
    if trials.outcome() != "new" and kind != "IDLE":
        raise SystemExit(f"{kind}: an uninterrupted run left {trials.outcome()}")
    # The procedure runs between the end of an idle run's start-up and the
    # end of a busy run; both are noisy, so a margin is taken on each side.
    low, high = idle * 0.5, max(busy, idle) * 1.2
    counts = dict.fromkeys(OUTCOMES, 0)
    left = 0
    for path in trials.leftovers():
        os.remove(path)
    for _ in range(count):
        trials.prepare()
        trials.run(rng.uniform(low, high))
        # The wineserver finishes a request (a rename) that the killed process
        # had made: the outcome is read once that has settled. A process that
        # outlived the kill would still be writing after that.
        time.sleep(0.1)
        found = trials.outcome()
        time.sleep(0.05)
        if trials.outcome() != found:
            raise SystemExit(f"{kind}: the destination changed after the kill")
        counts[found] += 1
        left += bool(trials.leftovers())
    trials.prepare()
    trials.run()
    after = len(trials.leftovers())
    trials.clear()
    return counts, left, after, (low, high)


def table(results):
    lines = ["kind   trials  " + "  ".join(f"{o:>7}" for o in OUTCOMES) + "  tmp left  after  kill window (s)"]
    for kind, (counts, left, after, (low, high)) in results.items():
        lines.append(f"{kind:<6} {sum(counts.values()):>6}  " + "  ".join(f"{counts[o]:>7}" for o in OUTCOMES)
                     + f"  {left:>8}  {after:>5}  {low:.2f}-{high:.2f}")
    return "\n".join(lines)


def main():
    count = int(sys.argv[1]) if len(sys.argv) > 1 else 200
    seed = int(sys.argv[2]) if len(sys.argv) > 2 else 1
    kinds = sys.argv[3:] or ["COPY", "TREE", "MOVE", "SHELL", "RSRC", "LINK"]
    global PREFIX
    if sys.argv[3:]:  # runs of other kinds may go on beside this one
        PREFIX = "crash." + "-".join(kinds).lower() + "."
    rng = random.Random(seed)
    idle = measure("IDLE")[0]
    results = {}
    for kind in kinds:
        results[kind] = run_trials(kind, count, rng, idle)
        print(table({kind: results[kind]}).splitlines()[-1], flush=True)
    print(table(results))
    return 0 if all(c["missing"] == c["partial"] == c["lost"] == after == 0 for c, _, after, _ in results.values()) else 1


if __name__ == "__main__":
    sys.exit(main())
