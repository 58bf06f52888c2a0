#!/usr/bin/env python3
"""Plants the faults of tools/faults.txt one at a time and runs the tests
that should catch each.

    tools/plant_faults.py [--quick] [NAME-OR-REGEX ...]   every fault, or those named
    tools/plant_faults.py --list [NAME-OR-REGEX ...]      is each pattern still found?

The faults go into a copy of the tree (WORK/src, refreshed from this tree at
every start; the tree itself is only read), built in WORK/build, which later
runs reuse: each fault costs an incremental build. Logs are in WORK/logs.
"""

import argparse
import fcntl
import os
import re
import subprocess
import sys
import time
from pathlib import Path

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
KEYS = ("name", "file", "find", "with", "tests", "expect", "note")
EXPECTED = ("caught", "not caught (as expected)")


def read_faults(path):
    faults, entry = [], {}
    for number, line in enumerate(Path(path).read_text(encoding="utf-8").split("\n") + [""], 1):
        if line.startswith("#"):
            continue
        if not line.strip():
            if entry:
                faults.append(dict({"with": ""}, **entry))
            entry = {}
            continue
        key, colon, value = line.partition(":")
        if key not in KEYS or not colon:
            sys.exit(f"{path}:{number}: a line starts with one of {', '.join(KEYS)} and ':'")
        value = value[1:] if value.startswith(" ") else value
        # Each further find: or with: line adds a line to the text.
        entry[key] = entry[key] + "\n" + value if key in entry and key in ("find", "with") else value
    for fault in faults:
        if not all(k in fault for k in ("name", "file", "find", "tests")):
            sys.exit(f"{path}: fault {fault.get('name', '?')} needs name, file, find and tests")
    if len({f["name"] for f in faults}) != len(faults):
        sys.exit(f"{path}: a name is used twice")
    return faults


def pattern_state(fault, root):
    """None when the fault's text occurs exactly once, otherwise what is wrong."""
    try:
        count = Path(os.path.join(root, fault["file"])).read_bytes().count(fault["find"].encode())
    except OSError:
        return "file not found"
    return None if count == 1 else "pattern not found" if count == 0 else f"pattern found {count} times"


def sync_tree(copy):
    """Copies the tree's files (committed or not, ignored ones left out),
    writing only those that differ so that builds stay incremental."""
    listed = subprocess.run(["git", "-C", TOP, "ls-files", "-co", "--exclude-standard", "-z"],
                            check=True, capture_output=True).stdout.decode().split("\0")
    wanted = {name for name in listed if name and os.path.isfile(os.path.join(TOP, name))}
    for name in wanted:
        source, target = os.path.join(TOP, name), os.path.join(copy, name)
        data = Path(source).read_bytes()
        if not os.path.exists(target) or Path(target).read_bytes() != data:
            os.makedirs(os.path.dirname(target), exist_ok=True)
            Path(target).write_bytes(data)
            os.chmod(target, os.stat(source).st_mode)
    for folder, _, files in os.walk(copy):
        for file in files:
            if os.path.relpath(os.path.join(folder, file), copy) not in wanted:
                os.remove(os.path.join(folder, file))


def run(args, work, log, cwd=None, **more):
    build = os.path.join(work, "build")
    env = dict(os.environ, **more, BUILD_DIR=build, UPDATER_SOURCE=os.path.join(work, "src"),
               UPDATER_WIN64_BUILD=os.path.join(build, "win64"),
               UPDATER_WINE_STATE=os.path.join(build, "native", "wine"))
    with open(os.path.join(work, "logs", log), "w") as out:
        return subprocess.run(args, stdout=out, stderr=subprocess.STDOUT, env=env, cwd=cwd).returncode


def build(work, log, whole=False, targets=None):
    """The whole tree at the start; then only what the 64-bit tests and the native ones run, or the
    targets named ({tree: [target, ...]}; a tree left out is not built)."""
    if whole:
        return run([os.path.join(work, "src", "tools", "build.sh")], work, log) == 0
    targets = targets or {"win64": [], "native": []}
    return all(run(["cmake", "--build", os.path.join(work, "build", tree), "-j2"] + ["--target"] * bool(names) + names,
                   work, f"{log}.{tree}") == 0 for tree, names in targets.items())


def failed_tests(work, regex, log, quick, more=(), jobs=2):
    """The names of the tests that failed (or timed out), or None when no test matches."""
    args = ["ctest", "--output-on-failure", f"-j{jobs}", "--no-tests=error", "-R", regex]
    run(args + ["--stop-on-failure"] * quick + list(more), work, log, os.path.join(work, "build", "native"),
        UPDATER_FAILFAST=str(int(quick)))
    text = Path(os.path.join(work, "logs", log)).read_bytes().decode(errors="replace")
    if "No tests were found" in text:
        return None
    return re.findall(r"^\s*\d+ - (\S+) \(", text.partition("The following tests FAILED:")[2], re.M)


def try_fault(fault, work, quick):
    """The result and the tests that failed."""
    problem = pattern_state(fault, os.path.join(work, "src"))
    if problem:
        return problem, ""
    path = os.path.join(work, "src", fault["file"])
    original = Path(path).read_bytes()
    try:
        Path(path).write_bytes(original.replace(fault["find"].encode(), fault["with"].encode()))
        if not build(work, fault["name"] + ".build.log"):
            return "build failed", ""
        failed = failed_tests(work, fault["tests"], fault["name"] + ".test.log", quick)
    finally:
        Path(path).write_bytes(original)
    survives = fault.get("expect") == "survives"
    if failed is None or "wine.setup" in failed:
        return ("no test matches" if failed is None else "wine.setup failed"), ""
    if failed:
        return ("caught, expected to survive" if survives else "caught"), " ".join(failed)
    return ("not caught (as expected)" if survives else "NOT CAUGHT"), ""


def prepare(work):
    """Takes the work folder for this run, refreshes its copy and builds it whole: (folder, lock)."""
    work = os.path.abspath(work)
    os.makedirs(os.path.join(work, "logs"), exist_ok=True)
    lock = open(os.path.join(work, "lock"), "w")
    try:
        fcntl.flock(lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
    except OSError:
        sys.exit(f"another run is using {work}: give this one a --work of its own")
    sync_tree(os.path.join(work, "src"))
    if not build(work, "baseline.build.log", whole=True):
        sys.exit(f"the unchanged tree does not build: see {work}/logs/baseline.build.log")
    return work, lock


def cleanup(work):
    """The Wine fixture stops its display and wineserver itself; this is the backstop."""
    run([sys.executable, os.path.join(work, "src", "tests", "harness", "wineenv.py"), "cleanup"], work, "cleanup.log")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("select", nargs="*", help="fault names or regular expressions")
    parser.add_argument("--list", action="store_true", help="list the faults, plant nothing")
    parser.add_argument("--faults", default=os.path.join(TOP, "tools", "faults.txt"))
    parser.add_argument("--work", default=os.path.join(TOP, "build", "faults"))
    parser.add_argument("--quick", action="store_true", help="stop a fault's tests at the first failure")
    options = parser.parse_args()
    faults = [f for f in read_faults(options.faults)
              if not options.select or any(re.fullmatch(s, f["name"]) for s in options.select)]
    if not faults:
        sys.exit("no fault matches")
    if options.list:
        for f in faults:
            state = pattern_state(f, TOP) or ("found, expected to survive" if f.get("expect") else "found")
            print(f"{f['name']:<32} {f['file']:<32} {state:<26} {f['tests']}")
        return 0
    work, lock = prepare(options.work)
    rows = []
    try:
        for fault in faults:
            print(f"{fault['name']} ...", end="", flush=True)
            start = time.monotonic()
            result, failed = try_fault(fault, work, options.quick)
            rows.append((fault["name"], result, time.monotonic() - start, failed))
            print(f" {result}", flush=True)
    except KeyboardInterrupt:
        print("\ninterrupted: the copy is restored; the table holds the faults tried so far")
    finally:
        cleanup(work)
    width = max([len(r[0]) for r in rows] + [5])
    print(f"\n{'fault':<{width}}  {'result':<27}  {'s':>5}  failed tests")
    for name, result, seconds, failed in rows:
        print(f"{name:<{width}}  {result:<27}  {seconds:5.0f}  {failed}")
    built = [r[2] for r in rows if r[1] in EXPECTED + ("NOT CAUGHT", "caught, expected to survive")]
    if built:
        print(f"\n{len(built)} faults built and tested, {sum(built) / len(built):.0f} s each on average")
    return 0 if len(rows) == len(faults) and all(r[1] in EXPECTED for r in rows) else 1


if __name__ == "__main__":
    sys.exit(main())
