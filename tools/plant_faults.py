#!/usr/bin/env python3
"""Plants the faults of tools/faults.txt one at a time and runs the tests
that should catch each.

    tools/plant_faults.py [NAME-OR-REGEX ...]   every fault, or those whose name matches
    tools/plant_faults.py --list [...]          the faults and whether each pattern is found

The faults go into a copy of the tree (WORK/src, refreshed from this tree at
every start), built in WORK/build, which later runs reuse, so each fault
costs an incremental build. The tree itself is only read. Logs: WORK/logs.
"""

import argparse
import os
import re
import shutil
import subprocess
import sys
import time

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
KEYS = ("name", "file", "find", "with", "tests", "expect", "note")


def read_faults(path):
    faults, entry = [], {}
    for number, line in enumerate(open(path, encoding="utf-8").read().split("\n") + [""], 1):
        if line.startswith("#"):
            continue
        if not line.strip():
            if entry:
                faults.append(entry)
            entry = {}
            continue
        key, sep, value = line.partition(":")
        if key not in KEYS or not sep:
            sys.exit(f"{path}:{number}: expected one of {', '.join(KEYS)}, then ':'")
        value = value[1:] if value.startswith(" ") else value
        # find: and with: lines add up to a text of several lines.
        entry[key] = entry[key] + "\n" + value if key in entry and key in ("find", "with") else value
    for fault in faults:
        missing = [k for k in ("name", "file", "find", "tests") if k not in fault]
        if missing:
            sys.exit(f"{path}: fault {fault.get('name', '?')} lacks {', '.join(missing)}")
        fault.setdefault("with", "")
    names = [f["name"] for f in faults]
    if len(set(names)) != len(names):
        sys.exit(f"{path}: a name is used twice")
    return faults


def pattern_state(fault, root):
    try:
        count = open(os.path.join(root, fault["file"]), encoding="utf-8").read().count(fault["find"])
    except OSError:
        return "file not found"
    return None if count == 1 else "pattern not found" if count == 0 else f"pattern found {count} times"


def sync_tree(work_src):
    """Copies the tree's files (committed or not, ignored ones left out) to
    work_src, writing only what differs so that builds stay incremental."""
    listed = subprocess.run(["git", "-C", TOP, "ls-files", "-co", "--exclude-standard", "-z"],
                            check=True, capture_output=True).stdout.decode().split("\0")
    wanted = {name for name in listed if name and os.path.isfile(os.path.join(TOP, name))}
    for name in wanted:
        source, target = os.path.join(TOP, name), os.path.join(work_src, name)
        data = open(source, "rb").read()
        if not os.path.exists(target) or open(target, "rb").read() != data:
            os.makedirs(os.path.dirname(target), exist_ok=True)
            with open(target, "wb") as f:
                f.write(data)
            shutil.copymode(source, target)
    for folder, _, files in os.walk(work_src):
        for file in files:
            if os.path.relpath(os.path.join(folder, file), work_src) not in wanted:
                os.remove(os.path.join(folder, file))


def run(args, log, env=None, cwd=None):
    with open(log, "w") as out:
        return subprocess.run(args, stdout=out, stderr=subprocess.STDOUT, env=env, cwd=cwd).returncode


def environment(work):
    env = dict(os.environ, BUILD_DIR=os.path.join(work, "build"), UPDATER_SOURCE=os.path.join(work, "src"),
               UPDATER_WIN64_BUILD=os.path.join(work, "build", "win64"),
               UPDATER_WINE_STATE=os.path.join(work, "build", "native", "wine"))
    return env


def build(work, log):
    return run([os.path.join(work, "src", "tools", "build.sh")], log, environment(work)) == 0


def run_tests(work, regex, log, quick):
    """The names of the tests that failed, or None when none matched."""
    args = ["ctest", "--output-on-failure", "-j2", "--no-tests=error", "-R", regex]
    run(args + (["--stop-on-failure"] if quick else []), log, environment(work),
        os.path.join(work, "build", "native"))
    text = open(log, errors="replace").read()
    if "No tests were found" in text:
        return None
    tail = text.partition("The following tests FAILED:")[2]
    return re.findall(r"^\s*\d+ - (\S+) \(", tail, re.M)


def try_fault(fault, work, quick):
    path = os.path.join(work, "src", fault["file"])
    problem = pattern_state(fault, os.path.join(work, "src"))
    if problem:
        return problem, ""
    original = open(path, encoding="utf-8").read()
    logs = os.path.join(work, "logs", fault["name"])
    try:
        with open(path, "w", encoding="utf-8") as f:
            f.write(original.replace(fault["find"], fault["with"]))
        if not build(work, logs + ".build.log"):
            return "build failed", ""
        failed = run_tests(work, fault["tests"], logs + ".test.log", quick)
    finally:
        with open(path, "w", encoding="utf-8") as f:
            f.write(original)
    if failed is None:
        return "no test matches", ""
    if "wine.setup" in failed:
        return "wine.setup failed", ""
    survives = fault.get("expect") == "survives"
    if failed:
        return ("caught, expected to survive" if survives else "caught"), " ".join(failed)
    return ("not caught (as expected)" if survives else "NOT CAUGHT"), ""


def print_table(rows):
    width = max([len(r[0]) for r in rows] + [5])
    print(f"\n{'fault':<{width}}  {'result':<27}  {'s':>5}  failed tests")
    for name, result, seconds, failed in rows:
        print(f"{name:<{width}}  {result:<27}  {seconds:5.0f}  {failed}")
    timed = [r[2] for r in rows if r[2] >= 1]
    if timed:
        print(f"\n{len(rows)} faults, {sum(timed) / len(timed):.0f} s on average for each one built and tested")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("select", nargs="*", help="fault names or regular expressions")
    parser.add_argument("--list", action="store_true", help="list the faults, plant nothing")
    parser.add_argument("--faults", default=os.path.join(TOP, "tools", "faults.txt"))
    parser.add_argument("--work", default=os.path.join(TOP, "build", "faults"))
    parser.add_argument("--quick", action="store_true", help="stop each run at its first failing test")
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
    work = os.path.abspath(options.work)
    os.makedirs(os.path.join(work, "logs"), exist_ok=True)
    sync_tree(os.path.join(work, "src"))
    if not build(work, os.path.join(work, "logs", "baseline.build.log")):
        sys.exit(f"the unchanged tree does not build: see {work}/logs/baseline.build.log")
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
        # The Wine fixture normally stops its display and wineserver itself.
        run([sys.executable, os.path.join(work, "src", "tests", "harness", "wineenv.py"), "cleanup"],
            os.path.join(work, "logs", "cleanup.log"), environment(work))
    print_table(rows)
    expected = ("caught", "not caught (as expected)")
    return 0 if len(rows) == len(faults) and all(r[1] in expected for r in rows) else 1


if __name__ == "__main__":
    sys.exit(main())
