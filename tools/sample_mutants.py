#!/usr/bin/env python3
"""Plants random mutants of the program's and the checker's code, one at a time, and runs the
tests that cover the mutated file: a measure of the suite that nobody's list of faults bends.

    tools/sample_mutants.py [--count N] [--seed S] [--only REGEX]   a sample (the seed is printed)
    tools/sample_mutants.py --list [--only REGEX]                   how many mutants each file offers

A mutant is one small change on one line: a comparison or an operator swapped, a bound moved by
one, a condition flipped, dropped or forced, a call dropped, two arguments swapped, a constant
changed, a return forced, an early return. Mutants that do not build are skipped and others
drawn; one whose objects come out byte for byte the same is reported as equivalent without
running a test. The rest are "caught" when a covering test fails, otherwise "SURVIVED": read
each survivor and judge it (equivalent, or a blind spot of the suite).

The copy, its builds and the test runs are those of tools/plant_faults.py (WORK/src, WORK/build,
WORK/logs); every result is appended to WORK/logs/mutants-<seed>.jsonl as it comes.
"""

import argparse
import hashlib
import json
import os
import random
import re
import sys
import threading
import time
from pathlib import Path

import plant_faults

FOLDERS = ("engine", "script", "foundation", "procedures", "system", "checker")

# The tests that cover a file: the first pattern (a regex on the path) that matches. The checker runs the
# engine's readers, the type table and the script reader of system/FileData, so their files run its tests too;
# the reference's key tables are the checker's list of the keys each reader reads.
COVER = [
    (r"foundation/Crc", r"native\.unit|native\.crc_emulated|e2e\.crc"),
    (r"foundation/RunLog", r"e2e\.(engine|programs|files)"),
    (r"foundation/(Multibyte|PathText)", r"native\.unit|wine\.unit|e2e\.(engine|files|hostile)"),
    (r"foundation/", r"native\.unit|wine\.unit|native\.alloc_sweep|e2e\.(engine|hostile|checker)"),
    (r"script/", r"native\.unit|wine\.unit|native\.alloc_sweep|e2e\.(engine|hostile|checker)"),
    (r"engine/Rollback", r"e2e\.(engine|hostile|examples|files|crash_trials)"),
    (r"engine/", r"e2e\.(engine|hostile|examples|checker)"),
    (r"procedures/Programs|system/Process", r"wine\.unit|e2e\.(programs|examples)"),
    (r"system/Keep", r"e2e\.(files|examples|crash_trials|programs)"),  # LAUNCH notes itself there
    (r"procedures/Resources|system/(Resources|Libraries)", r"e2e\.(resources|engine|checker)"),
    (r"procedures/Shortcut|system/Shell\.", r"e2e\.(files|examples)"),
    (r"procedures/Crc", r"e2e\.crc"),
    (r"procedures/(Conditions|MessageBox)|system/(Registry|Clipboard)", r"e2e\.engine"),
    (r"procedures/(Procedure|TypeTable)", r"e2e\.(engine|files|hostile|checker)"),
    (r"system/FileData", r"e2e\.(files|examples|crash_trials|checker)"),
    (r"procedures/|system/", r"e2e\.(files|examples|crash_trials)"),
    (r"checker/(KeyList|CheckMain)", r"e2e\.(checker|reference)"),  # updater-check --keys
    (r"checker/", r"e2e\.checker"),
]

SWAPS = [(" == ", " != "), (" != ", " == "), (" < ", " <= "), (" <= ", " < "), (" > ", " >= "),
         (" >= ", " > "), (" && ", " || "), (" || ", " && "), (" + ", " - "), (" - ", " + "),
         (" += ", " -= "), ("++", "--"), (" + 1", ""), (" - 1", ""), ("true", "false"), ("false", "true")]
NOT_A_STATEMENT = re.compile(r"\s*(return|if|for|while|switch|case|else|do|break|continue|goto|delete|"
                             r"[A-Za-z_][\w:<>]*[*&]?\s+[*&]?[A-Za-z_]\w*\s*[({=])\b")
CALL = re.compile(r"\b([A-Za-z_][\w:.>-]*)\(([\w.>-]+), ([\w.>-]+)\)")
FUNCTION_START = re.compile(r"^(bool|void)\s+[\w:]+\(.*\)( const)? \{$")


def covering_tests(path):
    return next(tests for pattern, tests in COVER if re.search(pattern, path))


def stages(tests):
    """The covering tests in the order they run: the unit tests together (quick), then each
    end-to-end module alone, so that a caught mutant stops early."""
    names = []
    for part in re.findall(r"[^|(]+(?:\([^)]*\))?", tests):
        head, _, group = part.partition("(")
        names += [head + name for name in group.rstrip(")").split("|")] if group else [head]
    quick = [name for name in names if not name.startswith("e2e")]
    return (["|".join(quick)] if quick else []) + [name for name in names if name.startswith("e2e")]


def targets_for(tests):
    """What must be rebuilt for those tests: {tree: [target, ...]}."""
    native = {"native.unit": "unit_tests_native", "native.crc_emulated": "unit_crc_emulated",
              "native.alloc_sweep": "alloc_sweep_native"}
    tests = tests.replace("\\", "")
    wanted = {"win64": ["updater", "updater-check"] + ["unit_tests"] * ("wine.unit" in tests),
              "native": [target for test, target in native.items() if test in tests]}
    return {tree: names for tree, names in wanted.items() if names}


def code_part(line):
    """The line with string and character literals blanked and a // comment cut, same length."""
    out, quote, i = [], None, 0
    while i < len(line):
        c = line[i]
        if quote:
            out.append(" " if c != quote else c)
            if c == "\\":
                out.append(" ")
                i += 1
            elif c == quote:
                quote = None
        elif c in "\"'":
            quote = c
            out.append(c)
        elif line.startswith("//", i):
            break
        else:
            out.append(c)
        i += 1
    return "".join(out)


def closing(code, start):
    """The index of the parenthesis that closes the one at start, or None."""
    depth = 0
    for i in range(start, len(code)):
        depth += {"(": 1, ")": -1}.get(code[i], 0)
        if depth == 0:
            return i
    return None


def line_mutants(line, code):
    """(kind, new line) for each mutant of one line of code."""
    stripped = code.strip()
    if not stripped or stripped.startswith(("#", "/*", "*", "static_assert")) or "operator" in code:
        return
    for old, new in SWAPS:
        for m in re.finditer(re.escape(old) if old[0] == " " or old == "++" else rf"\b{old}\b", code):
            yield f"'{old.strip()}' -> '{new.strip()}'", line[:m.start()] + new + line[m.end():]
    for m in re.finditer(r"(?<![\w.])(\d+)(?![\w.])", code):
        value = int(m.group(1))
        yield f"{value} -> {value + 1 if value else 1}", line[:m.start()] + str(value + 1 if value else 1) + line[m.end():]
    for m in re.finditer(r"!(?!=)", code):
        yield "'!' dropped", line[:m.start()] + line[m.end():]
    for m in re.finditer(r"\b(if|while) \(", code):
        end = closing(code, m.end() - 1)
        if end is None:
            continue
        condition = line[m.end():end]
        yield f"{m.group(1)} condition negated", line[:m.end()] + f"!({condition})" + line[end:]
        if m.group(1) == "if":
            for forced in ("true", "false"):
                yield f"if condition -> {forced}", line[:m.end()] + forced + line[end:]
    m = re.match(r"(\s*return )(.+);$", code)
    if m and m.group(2) not in ("true", "false", "0", "nullptr") and "bool" not in m.group(2):
        for forced in ("true", "false"):
            yield f"return -> {forced}", m.group(1) + forced + ";"
    if re.match(r"\s*[A-Za-z_][\w:.>-]*\(.*\);$", code) and not NOT_A_STATEMENT.match(code):
        yield "call dropped", re.match(r"\s*", line).group(0) + ";"
    for m in CALL.finditer(code):
        if m.group(2) != m.group(3):
            yield "arguments swapped", line[:m.start(2)] + m.group(3) + ", " + m.group(2) + line[m.end(3):]


def mutants(top, only=None):
    """Every mutant of the program's and the checker's code: (file, line number, kind, new line)."""
    found = []
    for folder in FOLDERS:
        for path in sorted(Path(top, folder).glob("*")):
            relative = path.relative_to(top).as_posix()
            if path.suffix not in (".cpp", ".h", ".c") or "Native" in path.name or (only and not re.search(only, relative)):
                continue
            in_comment = False
            for number, line in enumerate(path.read_text(encoding="utf-8").split("\n"), 1):
                if in_comment or line.lstrip().startswith("/*"):
                    in_comment = "*/" not in line
                    continue
                for kind, new in line_mutants(line, code_part(line)):
                    found.append((relative, number, kind, new))
                m = FUNCTION_START.match(line)
                if m:
                    found.append((relative, number, "early return", line + (" return false;" if m.group(1) == "bool" else " return;")))
    return found


def objects_digest(work):
    """One digest of the 64-bit build's object files (every mutated file is built there, without debugging
    information that would tell a moved column)."""
    digest = hashlib.sha1()
    for path in sorted(Path(work, "build", "win64", "CMakeFiles").rglob("*.obj")):
        digest.update(path.read_bytes())
    return digest.hexdigest()


def try_mutant(work, mutant, baseline, timeout, jobs):
    """(result, failed tests)."""
    relative, number, kind, new = mutant
    path = Path(work, "src", relative)
    original = path.read_bytes()
    lines = original.decode("utf-8").split("\n")
    lines[number - 1] = new
    name = f"{relative.replace('/', '_')}-{number}"
    try:
        path.write_bytes("\n".join(lines).encode("utf-8"))
        if not plant_faults.build(work, name + ".build.log", targets=targets_for(covering_tests(relative))):
            return "build failed", ""
        if objects_digest(work) == baseline:
            return "equivalent (same code)", ""
        for number, regex in enumerate(stages(covering_tests(relative)), 1):
            # The Wine fixture was set up once for the whole sample (see main).
            failed = plant_faults.failed_tests(work, f"^({regex})$", f"{name}.test{number}.log", True,
                                               ["--timeout", str(timeout), "-FS", "wine", "-FC", "wine"], jobs)
            if failed is None or failed:
                break
    finally:
        path.write_bytes(original)
    if failed is None or "wine.setup" in failed:
        return ("no test matches" if failed is None else "wine.setup failed"), ""
    return ("caught", " ".join(failed)) if failed else ("SURVIVED", "")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--count", type=int, default=200, help="mutants that build (default 200)")
    parser.add_argument("--seed", type=int, help="the seed of a sample to repeat; by default a new one")
    parser.add_argument("--only", help="a regex: only files whose path (from the top) matches")
    parser.add_argument("--list", action="store_true", help="count the mutants of each file, run nothing")
    parser.add_argument("--timeout", type=int, default=300, help="seconds for each test (default 300)")
    parser.add_argument("--jobs", type=int, default=1, help="mutants tried side by side (default 1)")
    parser.add_argument("--work", default=os.path.join(plant_faults.TOP, "build", "mutants"))
    options = parser.parse_args()
    found = mutants(plant_faults.TOP, options.only)
    if options.list:
        counts = {}
        for mutant in found:
            counts[mutant[0]] = counts.get(mutant[0], 0) + 1
        for relative, count in counts.items():
            print(f"{relative:<36} {count:5}  {covering_tests(relative)}")
        print(f"{len(found)} mutants in {len(counts)} files")
        return 0
    seed = options.seed if options.seed is not None else int.from_bytes(os.urandom(4), "little")
    print(f"seed {seed}: {len(found)} mutants to draw from", flush=True)
    random.Random(seed).shuffle(found)
    # Each job has a work folder of its own (WORK, WORK-2, ...): its copy, its builds, its Wine fixture.
    works = []
    for k in range(options.jobs):
        work, lock = plant_faults.prepare(options.work + (f"-{k + 1}" if k else ""))
        if plant_faults.failed_tests(work, r"^wine\.setup$", "setup.test.log", False):
            sys.exit(f"the Wine fixture could not be set up: see {work}/logs/setup.test.log")
        works.append((work, lock, objects_digest(work)))
    # A sample taken again with its seed goes on where its journal ends.
    journal_path = os.path.join(works[0][0], "logs", f"mutants-{seed}.jsonl")
    done = {}
    for line in Path(journal_path).read_text().splitlines() if os.path.exists(journal_path) else []:
        entry = json.loads(line)
        done[(entry["file"], entry["line"], entry["kind"], entry["new"])] = (entry["result"], entry["failed"])
    journal = open(journal_path, "a")
    rows, unbuilt, pending, lock, stop = [], 0, iter(found), threading.Lock(), threading.Event()

    def add(row, note):
        rows.append(row)
        print(f"{len(rows):3} {row[0]}:{row[1]} {row[2]}: {row[4]} {note} {row[6]}", flush=True)

    def job(work, baseline):
        """Tries the next mutant in the drawn order until the sample is full; each test run uses one core."""
        nonlocal unbuilt
        while not stop.is_set():
            with lock:
                mutant = next(pending, None) if len(rows) < options.count else None
                if mutant is None:
                    return
                if mutant in done:
                    add(mutant + (done[mutant][0], 0, done[mutant][1]), "(journal)")
                    continue
            start = time.monotonic()
            result, failed = try_mutant(work, mutant, baseline, options.timeout, 2 // options.jobs or 1)
            with lock:
                if result == "build failed":
                    unbuilt += 1
                elif len(rows) < options.count:
                    add(mutant + (result, time.monotonic() - start, failed), f"({time.monotonic() - start:.0f} s)")
                    journal.write(json.dumps(dict(zip(("file", "line", "kind", "new", "result", "seconds", "failed"), rows[-1]))) + "\n")
                    journal.flush()

    began = time.monotonic()
    threads = [threading.Thread(target=job, args=(work, baseline)) for work, _, baseline in works]
    try:
        for thread in threads:
            thread.start()
        for thread in threads:
            while thread.is_alive():
                thread.join(1)
    except KeyboardInterrupt:
        print("\ninterrupted: the mutants being tried are finished, then the copies restored")
        stop.set()
        for thread in threads:
            thread.join()
    finally:
        for work, _, _ in works:
            plant_faults.cleanup(work)
            plant_faults.build(work, "restore.build.log")
    results = [row[4] for row in rows]
    print(f"\nseed {seed}: {len(rows)} mutants built ({unbuilt} more did not build): "
          f"{results.count('caught')} caught, {results.count('SURVIVED')} survived, "
          f"{results.count('equivalent (same code)')} equivalent (same code), "
          f"{len(rows) - len([r for r in results if r in ('caught', 'SURVIVED', 'equivalent (same code)')])} other")
    timed = [row[5] for row in rows if row[5]]
    if timed:
        print(f"{sum(timed) / len(timed):.0f} s per mutant tried in this run, on average, by each of "
              f"{options.jobs} job(s); {(time.monotonic() - began) / 60:.0f} min in all")
    print("\nsurvivors to judge by reading:")
    for relative, number, kind, new, result, _, _ in rows:
        if result not in ("caught", "equivalent (same code)"):
            print(f"  {relative}:{number} {kind} [{result}]\n      {new.strip()}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
