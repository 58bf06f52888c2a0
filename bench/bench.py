"""The benchmark: builds nothing itself (bench/run.sh does), measures every
figure side by side in one run, best of interleaved rounds, prints one table
and keeps it in bench/RESULTS.md beside the latest of the other kinds.

    bench.py SOURCE BUILD     SOURCE: the source tree; BUILD: the build folder
                              holding win64/, win32/ and bench/

Environment: BENCH_ROUNDS (default 3), BENCH_CRC_MIB (in-memory buffer,
default 256), BENCH_FILE_MIB (file for the whole-file CRC, default 2048),
BENCH_ONLY=crc (the CRC rows, start-up, memory and sizes only; the
table says so), BENCH_ONLY=hostile (the hostile scripts, start-up, memory
and sizes only), BENCH_ONLY=copy (the COPY rows, start-up and sizes only).
"""

import datetime
import os
import re
import shutil
import subprocess
import sys
import zlib

SOURCE, BUILD = (os.path.abspath(a) for a in sys.argv[1:3])
BENCH = os.path.join(BUILD, "bench")
ROUNDS = int(os.environ.get("BENCH_ROUNDS", "3"))
CRC_MIB = int(os.environ.get("BENCH_CRC_MIB", "256"))
FILE_MIB = int(os.environ.get("BENCH_FILE_MIB", "2048"))
CRC_ONLY = os.environ.get("BENCH_ONLY") == "crc"
HOSTILE_ONLY = os.environ.get("BENCH_ONLY") == "hostile"
COPY_ONLY = os.environ.get("BENCH_ONLY") == "copy"
FULL = not CRC_ONLY and not HOSTILE_ONLY and not COPY_ONLY
COPY = FULL or COPY_ONLY

os.environ.update(UPDATER_SOURCE=SOURCE, UPDATER_WIN64_BUILD=os.path.join(BUILD, "win64"),
                  UPDATER_WINE_STATE=os.path.join(BENCH, "wine"))
sys.path.insert(0, os.path.join(SOURCE, "tests", "harness"))
import wineenv  # noqa: E402

sys.path.insert(0, os.path.join(SOURCE, "tests", "e2e"))
import test_hostile as hostile  # noqa: E402

rows = []    # (group, measure, value, unit, note)
notes = []


def row(group, measure, value, unit, note=""):
    rows.append((group, measure, value, unit, note))


def ratio(a, b):
    return f"{a / b:.2f}x" if a and b else "-"


# Native: CRC in memory and the hostile values.

def native():
    out = subprocess.run([os.path.join(BENCH, "native_bench"), str(CRC_MIB), str(max(ROUNDS, 5))],
                         check=True, capture_output=True, text=True, timeout=900).stdout
    crc, values = {"crc": {}, "crccache": {}, "crclen": {}}, []
    for line in out.splitlines():
        kind, name, value = line.split("\t")
        if kind in crc:
            crc[kind][name] = float(value)
        else:
            values.append((name, float(value)))
    for kind, group in (("crc", f"CRC-32 in memory ({CRC_MIB} MiB, native -O2)"),
                        ("crccache", "CRC-32 in cache (1 MiB, native -O2)")):
        rates = crc[kind]
        read, zlib_rate = rates.pop("read"), rates.pop("zlib")
        row(group, "plain read of the buffer (the limit)", f"{read:.2f}", "GB/s", "1.00x of the limit")
        row(group, "zlib crc32 (Debian zlib1g)", f"{zlib_rate:.2f}", "GB/s", f"{ratio(zlib_rate, read)} of the limit")
        for name, rate in rates.items():
            row(group, f"ours: {name}", f"{rate:.2f}", "GB/s",
                f"{ratio(rate, zlib_rate)} zlib, {ratio(rate, read)} of the limit")
    for name, rate in crc["crclen"].items():
        row("CRC-32 by length in cache (each repeated to 1 MiB, native -O2)", name, f"{rate:.2f}", "GB/s")
    for name, ms in values:
        row("hostile 32 KiB values (native -O2)", name, f"{ms:.2f}", "ms",
            "over 50 ms" if ms > 50 else "")


# Under Wine.

def scratch(*parts):
    return os.path.join(wineenv.paths()["scratch"], "bench", *parts)


def win(*parts):
    return "T:\\bench" + "".join("\\" + p for p in parts)


def ram(*parts):
    """On V:, a folder in memory (tmpfs): no disk beneath, so what is measured is the program's own work."""
    return os.path.join(wineenv.paths()["drive_v"], "bench", *parts)


def ram_win(*parts):
    return "V:\\bench" + "".join("\\" + p for p in parts)


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data if isinstance(data, bytes) else data.replace("\n", "\r\n").encode("cp932"))


def program(name, script):
    """A copy of updater.exe named name.exe beside its script name.ini."""
    shutil.copyfile(os.path.join(BUILD, "win64", "updater.exe"), scratch(name + ".exe"))
    write(scratch(name + ".ini"), script)
    return win(name + ".exe")


def verify_script(count):
    names = [f"p{i:04x}" for i in range(count)]
    body = "".join(f"[{n}]\nMODE=VERIFY\nARG1=a, b, c\nARG2=x, y, c\n\n" for n in names)
    # PROC and a branch hold at most 32,767 bytes: 5,000 names a list.
    lists = [names[i:i + 5000] for i in range(0, count, 5000)]
    if len(lists) == 1:
        return f"[UPDATER]\nNAME=bench\nPROC={','.join(names)}\n\n" + body
    head = f"[UPDATER]\nNAME=bench\nPROC=Yes,{','.join(f'Branch{k}' for k in range(len(lists)))}\n\n"
    head += "[Yes]\nMODE=VERIFY\nARG1=a\nARG2=a\n\n"
    for k, names_k in enumerate(lists):
        head += f"[Branch{k}]\nMODE=SWITCH\nPROC=Yes\n0=\n1={','.join(names_k)}\n\n"
    return head + body


def crc_script(path, crc):
    return f"[UPDATER]\nNAME=bench\nPROC=Check\n\n[Check]\nMODE=CRC\nFILE={path}\nTYPE=AND\nCRC=0x{crc:08X}\n"


# The whole-file CRC's rows: the program (views of the file) and plain passes
# of winbench over the same file.
CRC_BLOCKS = (256, 1024)


def crc_commands():
    bench = win("winbench.exe")
    return ([("crc:read", lambda f: f"{bench} read {f} 1024"),
             ("crc:updater", lambda f: win("crcfile.exe") if f.endswith("big.bin") else win("crcprobe.exe"))] +
            [(f"crc:block{kib}", lambda f, kib=kib: f"{bench} crc {f} {kib}") for kib in CRC_BLOCKS])


def make_tree():
    for d in range(20):
        for f in range(100):
            write(scratch("tree", f"d{d:02}", f"f{f:03}.bin"), os.urandom(4096))


# The long work the progress window is for: 8,000 small files and 8 large
# ones (288 MiB), on the RAM drive.
LARGE_FILES, LARGE_BIG, LARGE_MIB = 8000, 8, 32


def make_large_tree():
    for f in range(LARGE_FILES):
        write(ram("large", f"d{f % 40:02}", f"f{f:04}.bin"), os.urandom(4096))
    block = os.urandom(1 << 20)
    for f in range(LARGE_BIG):
        with open(ram("large", f"big{f}.bin"), "wb") as out:
            for _ in range(LARGE_MIB):
                out.write(block)


def ram_copy_script(head, r):
    return (f"[UPDATER]\nNAME=bench\n{head}PROC=Tree\n\n[Tree]\nMODE=COPY\n"
            f"FROM={ram_win('tree')}\nTO={ram_win('out', f'upd{r}')}\n")


def count_files(path):
    return sum(len(files) for _, _, files in os.walk(path))


def run_plan(lines, name, display=True):
    plan = scratch(name + ".txt")
    write(plan, "\n".join("\t".join(line) for line in lines) + "\n")
    log = os.path.join(BENCH, name + ".log")
    if os.path.exists(log):
        os.remove(log)
    env = wineenv.environment()
    if not display:  # a box then fails at once, so a run that stops with one ends by itself
        env.pop("DISPLAY")
    code = wineenv.wine([win("winbench.exe"), "plan", win(name + ".txt")], env, log, 3600, cwd=scratch())
    with open(log, "rb") as f:
        text = f.read().decode("utf-8", "replace")
    if code != 0:
        sys.exit(f"winbench plan {name} failed ({code}):\n{text}")
    results = {}
    for line in text.splitlines():
        fields = line.split("\t")
        if len(fields) >= 3 and fields[1] != "FAILED":
            results.setdefault(fields[0], []).append(
                (float(fields[1]), int(fields[2]), int(fields[3]) if len(fields) > 3 else 0))
    return results


def best(results, label):
    return min(t for t, _, _ in results.get(label, [(0.0, 0, 0)]))


def median_of(values):
    values = sorted(values)
    half = len(values) // 2
    return (values[half] + values[~half]) / 2 if values else 0.0


def paired(results, over, under):
    """The median of the rounds' own ratios, the product of the labels in `over` to that of `under`: each round's
    runs are neighbours in time, so a swing of the machine's moves both sides of a round alike."""
    def product(labels, r):
        value = 1.0
        for label in labels:
            value *= results[label][r][0]
        return value
    rounds = min(len(results.get(label, [])) for label in over + under)
    return median_of([product(over, r) / product(under, r) for r in range(rounds)])


def under_wine():
    shutil.rmtree(scratch(), ignore_errors=True)
    os.makedirs(scratch())
    for exe in ("winbench.exe", "trivial.exe"):
        shutil.copyfile(os.path.join(BENCH, exe), scratch(exe))
    lines = []

    def add(label, command, options=""):
        lines.append((label, command, win(), options) if options else (label, command, win()))

    # The CRC procedure: known to this build?
    write(scratch("abc.bin"), b"abc")
    probe = program("crcprobe", crc_script(win("abc.bin"), 0x352441C2))
    probed = run_plan([("probe", probe, win(), "limit=20")], "probe").get("probe", [(0, "not run", 0)])[0]
    crc_known = probed[1] == 0
    if not crc_known:
        notes.append(f"The CRC probe (CRC of \"abc\") ended with exit code {probed[1]}: the whole-file CRC "
                     "rows are skipped.")
    # The 2 GiB file only where its rows are asked for; the sparse file's peak always.
    crc_file = crc_known and (FULL or CRC_ONLY)

    start = program("start", "[UPDATER]\nNAME=bench\nPROC=One\n\n[One]\nMODE=VERIFY\nARG1=a\nARG2=b\n")
    for count in (500, 2000, 3000) if FULL else ():
        program(f"v{count}", verify_script(count))
    if COPY:
        make_tree()
        os.makedirs(scratch("out"))
        shutil.rmtree(ram(), ignore_errors=True)
        shutil.copytree(scratch("tree"), ram("tree"))
        os.makedirs(ram("out"))
        make_large_tree()
    big_size = FILE_MIB << 20
    if crc_file:
        data = os.urandom(1 << 20)
        with open(scratch("big.bin"), "wb") as f:
            for _ in range(FILE_MIB):
                f.write(data)
        crc = 0
        for _ in range(FILE_MIB):
            crc = zlib.crc32(data, crc)
        program("crcfile", crc_script(win("big.bin"), crc))
    if crc_known:
        with open(scratch("sparse.bin"), "wb") as f:
            f.truncate(5 << 30)
        program("crc5g", crc_script(win("sparse.bin"), 0))

    # The first run of each program pays for loading it from disk.
    add("warm:trivial", win("trivial.exe"))
    add("warm:start", start)
    if COPY:
        # The large tree's copy is made once; the rounds copy onto it.
        large = {kind: program(f"large{kind}", f"[UPDATER]\nNAME=bench\n{'PROGRESS=1' * (kind == 'progress')}\n"
                                                f"PROC=Tree\n\n[Tree]\nMODE=COPY\nFROM={ram_win('large')}\n"
                                                f"TO={ram_win('out', 'large')}\n")
                 for kind in ("onto", "progress")}
        add("warm:large", large["onto"])
    if crc_file:
        add("warm:crc", win("crcfile.exe"))
        add("warm:read", f"{win('winbench.exe')} read {win('big.bin')} 1024")
    for r in range(ROUNDS):
        add("trivial", win("trivial.exe"))
        add("start", start)
        for count in (500, 2000, 3000) if FULL else ():
            add(f"v{count}", win(f"v{count}.exe"))
            add(f"profile{count}", f"{win('winbench.exe')} profile {win(f'v{count}.ini')}")
        if FULL:
            add("profile0", f"{win('winbench.exe')} profile {win('start.ini')}")
        if COPY:
            copy = program(f"copy{r}", f"[UPDATER]\nNAME=bench\nPROC=Tree\n\n[Tree]\nMODE=COPY\n"
                                       f"FROM={win('tree')}\nTO={win('out', f'upd{r}')}\n")
            add("copy:updater", copy)
            # Again onto the tree just made, without and with the journal: every file replaced.
            add("copy:onto", copy)
            # Onto it once more with the progress window, which shows after half a second.
            add("copy:progress", program(f"progress{r}", f"[UPDATER]\nNAME=bench\nPROGRESS=1\nPROC=Tree\n\n[Tree]\n"
                                         f"MODE=COPY\nFROM={win('tree')}\nTO={win('out', f'upd{r}')}\n"))
            # The window's cost on the RAM drive, where the disk's swings (a tenth and more from run to run)
            # do not hide a goal of 2%: made once, then onto it without and with the window, in turns.
            add("copy:ram-new", program(f"ramnew{r}", ram_copy_script("", r)))
            for kind in ("onto", "progress")[::1 if r % 2 == 0 else -1]:
                add(f"copy:ram-{kind}", program(f"ram{kind}{r}", ram_copy_script("PROGRESS=1\n" * (kind == "progress"), r)))
            # And on a copy long enough for the window to be what it is for: shown for seconds, not a moment.
            for kind in ("onto", "progress")[::1 if r % 2 == 0 else -1]:
                add(f"copy:large-{kind}", large[kind])
            # The key's cost there too, and its floor: the files in memory, the journal in the Temp folder on the
            # disk (41 flushes, 0.09 s together).
            add("copy:ram-rollback", program(f"ramrollback{r}", ram_copy_script("ROLLBACK=1\n", r)))
            add("copy:ram-own", f"{win('winbench.exe')} own {ram_win('tree')} {ram_win('out', f'upd{r}')}")
            add("copy:ram-ownkeep", f"{win('winbench.exe')} ownkeep {ram_win('tree')} {ram_win('out', f'upd{r}')}")
            add("copy:rollback", program(f"rollback{r}", f"[UPDATER]\nNAME=bench\nROLLBACK=1\nPROC=Tree\n\n[Tree]\n"
                                         f"MODE=COPY\nFROM={win('tree')}\nTO={win('out', f'upd{r}')}\n"))
            add("copy:xcopy", f"C:\\windows\\system32\\xcopy.exe {win('tree')} {win('out', f'xc{r}')} /E /I /Q /Y")
            add("copy:loop", f"{win('winbench.exe')} copy {win('tree')} {win('out', f'loop{r}')}")
            add("copy:loop-onto", f"{win('winbench.exe')} copy {win('tree')} {win('out', f'loop{r}')}")
            add("copy:keep", f"{win('winbench.exe')} keep {win('tree')} {win('out', f'loop{r}')}")
            # The floor of keeping: the program's own way of copying, with exactly one rename and one delete more.
            add("copy:own-onto", f"{win('winbench.exe')} own {win('tree')} {win('out', f'upd{r}')}")
            add("copy:ownkeep", f"{win('winbench.exe')} ownkeep {win('tree')} {win('out', f'upd{r}')}")
        if crc_file:
            # Each also on 3 bytes: its start-up and exit, taken off.
            for label, command in crc_commands():
                add(label, command(win("big.bin")))
                add(label + "0", command(win("abc.bin")))
    add("peak:trivial", win("trivial.exe"), "peak")
    add("peak:start", start, "peak")
    if crc_known:
        add("peak", win("crc5g.exe"), "peak")
    if FULL or HOSTILE_ONLY:
        checker_plan(add)
    results = run_plan(lines, "plan")
    # The hostile scripts of 64 KiB, one row a family, each once with its peak.
    families = [(f"family{k}", program(f"family{k}", text), win(), "peak")
                for k, (_, text, _) in enumerate(hostile.FAMILIES if FULL or HOSTILE_ONLY else [])]
    results.update(run_plan(families, "families", display=False) if families else {})

    trivial, startup = best(results, "trivial"), best(results, "start")
    group = "start-up under Wine (whole process)"
    row(group, "trivial Windows program", f"{trivial * 1e3:.0f}", "ms", "")
    row(group, "updater.exe, one VERIFY", f"{startup * 1e3:.0f}", "ms", f"{ratio(startup, trivial)} the trivial one")

    if FULL:
        scripts(results, startup)
    if COPY:
        copy_rows(results)
    if FULL or HOSTILE_ONLY:
        checker_rows(results)
        for k, (name, _, _) in enumerate(hostile.FAMILIES):
            for t, code, peak in results.get(f"family{k}", []):
                row("hostile scripts of up to 64 KiB under Wine (x86_64, whole process; the promise: 10 s, 256 MiB)",
                    name, f"{t * 1e3:.0f}", "ms", f"peak {peak / 2**20:.1f} MiB, exit code {code}")
    if crc_file:
        group = (f"CRC of a {FILE_MIB} MiB file under Wine (whole processes less their runs on 3 bytes; "
                 f"the file in the page cache)")
        net = {label: best(results, label) - best(results, label + "0") for label, _ in crc_commands()}
        measures = [("crc:read", "read-only pass, ReadFile in 1 MiB blocks"),
                    ("crc:updater", "updater.exe CRC with the expected value")]
        measures += [(f"crc:block{kib}", f"ReadFile in {kib} KiB blocks + Crc32Update") for kib in CRC_BLOCKS]
        for label, measure in measures:
            row(group, measure, f"{net[label] * 1e3:.0f}", "ms",
                f"{big_size / net[label] / 1e9:.2f} GB/s, {ratio(net['crc:read'], net[label])} the read's speed")
    for label, measure in (("peak:trivial", "trivial Windows program"),
                           ("peak:start", "updater.exe, one VERIFY"),
                           ("peak", "updater.exe checking a 5 GiB sparse file")):
        base = min((p for _, _, p in results.get("peak:start", [])), default=0)
        for _, code, peak in results.get(label, []):
            row("peak working set under Wine", measure, f"{peak / 2**20:.1f}", "MiB",
                (f"{(peak - base) / 2**20:+.1f} MiB over one VERIFY" if label == "peak" and base else "") +
                ("" if code == 0 else f"exit code {code}"))


def scripts(results, startup):
    group = "VERIFY scripts under Wine (whole process)"
    row(group, "1 procedure", f"{startup * 1e3:.0f}", "ms", "")
    last = None
    for count in (500, 2000, 3000):
        t = best(results, f"v{count}")
        note = f"{(t - startup) / count * 1e6:.0f} us a procedure"
        if last:
            note += f"; {ratio(t - startup, last[1] - startup)} the cost of {last[0]}"
        row(group, f"{count} procedures", f"{t * 1e3:.0f}", "ms", note)
        last = (count, t)
    # Where the platform's profile reads dominate.
    group = "the same scripts' profile reads alone under Wine (3 keys a section)"
    base, last = best(results, "profile0"), None
    for count in (500, 2000, 3000):
        t = best(results, f"profile{count}")
        note = f"{(t - base) / count * 1e6:.0f} us a section"
        if last:
            note += f"; {ratio(t - base, last[1] - base)} the cost of {last[0]}"
        note += f"; {ratio(t - base, best(results, f'v{count}') - startup)} of the program's cost"
        row(group, f"{count} sections", f"{t * 1e3:.0f}", "ms", note)
        last = (count, t)


def copy_rows(results):
    group = "COPY of 2,000 files of 4 KiB in 20 folders under Wine"
    floor = best(results, "copy:loop")
    for label, measure in (("copy:loop", "bare CopyFileA loop (the floor)"),
                           ("copy:xcopy", "Wine's xcopy /E"), ("copy:updater", "updater.exe COPY")):
        t = best(results, label)
        row(group, measure, f"{t * 1e3:.0f}", "ms",
            f"{ratio(t, best(results, 'copy:xcopy'))} xcopy, {ratio(t, floor)} the floor")
    onto = best(results, "copy:onto")
    row(group, "updater.exe COPY onto the tree it made", f"{onto * 1e3:.0f}", "ms", "every file replaced")
    shown = best(results, "copy:progress")
    row(group, "the same with the progress window (PROGRESS=1)", f"{shown * 1e3:.0f}", "ms",
        f"{ratio(shown, onto)} without it, the median of the rounds' own "
        f"{paired(results, ['copy:progress'], ['copy:onto']):.2f}x; the disk's swings hide 2%: see the RAM drive")
    ram_onto, ram_shown = best(results, "copy:ram-onto"), best(results, "copy:ram-progress")
    group_ram = "COPY of the same 2,000 files onto the tree it made, on a RAM drive (tmpfs) under Wine"
    row(group_ram, "updater.exe COPY onto the tree", f"{ram_onto * 1e3:.0f}", "ms", "")
    row(group_ram, "the same with the progress window (PROGRESS=1)", f"{ram_shown * 1e3:.0f}", "ms",
        f"{ratio(ram_shown, ram_onto)} without it (goal: at most 1.02x); the median of the rounds' own ratios "
        f"{paired(results, ['copy:ram-progress'], ['copy:ram-onto']):.2f}x")
    large_onto, large_shown = best(results, "copy:large-onto"), best(results, "copy:large-progress")
    if large_onto:
        group_large = (f"COPY of {LARGE_FILES:,} files of 4 KiB and {LARGE_BIG} of {LARGE_MIB} MiB onto the tree it "
                       "made, on a RAM drive under Wine")
        row(group_large, "updater.exe COPY onto the tree", f"{large_onto * 1e3:.0f}", "ms", "")
        row(group_large, "the same with the progress window (PROGRESS=1)", f"{large_shown * 1e3:.0f}", "ms",
            f"{ratio(large_shown, large_onto)} without it (goal: at most 1.02x); the median of the rounds' own "
            f"ratios {paired(results, ['copy:large-progress'], ['copy:large-onto']):.2f}x")
    ram_rollback, ram_own, ram_ownkeep = (best(results, f"copy:ram-{k}") for k in ("rollback", "own", "ownkeep"))
    row(group_ram, "the same with ROLLBACK=1", f"{ram_rollback * 1e3:.0f}", "ms",
        f"{ratio(ram_rollback, ram_onto)} without it; {ratio(ram_rollback * ram_own, ram_onto * ram_ownkeep)} "
        f"the floor's ratio (goal: at most 1.10x); the median of the rounds' own "
        f"{paired(results, ['copy:ram-rollback', 'copy:ram-own'], ['copy:ram-onto', 'copy:ram-ownkeep']):.2f}x")
    row(group_ram, "our own copy loop onto the tree", f"{ram_own * 1e3:.0f}", "ms", "")
    row(group_ram, "the same, one rename aside and one delete a file more", f"{ram_ownkeep * 1e3:.0f}", "ms",
        f"{ratio(ram_ownkeep, ram_own)} our own loop: the floor of keeping old files")
    rollback, own, ownkeep = best(results, "copy:rollback"), best(results, "copy:own-onto"), best(results, "copy:ownkeep")
    row(group, "the same with ROLLBACK=1", f"{rollback * 1e3:.0f}", "ms",
        f"{ratio(rollback, onto)} without it (goal: at most 1.5x); "
        f"{ratio(rollback * own, onto * ownkeep)} the floor's ratio (goal: at most 1.10x); the median of the rounds' "
        f"own {paired(results, ['copy:rollback', 'copy:own-onto'], ['copy:onto', 'copy:ownkeep']):.2f}x")
    row(group, "our own copy loop onto the tree (as updater.exe writes a file)", f"{own * 1e3:.0f}", "ms",
        f"{ratio(own, onto)} updater.exe COPY onto the tree")
    row(group, "the same, one rename aside and one delete a file more", f"{ownkeep * 1e3:.0f}", "ms",
        f"{ratio(ownkeep, own)} our own loop: the floor of keeping old files")
    loop_onto, keep = best(results, "copy:loop-onto"), best(results, "copy:keep")
    row(group, "bare CopyFileA loop onto the tree it made", f"{loop_onto * 1e3:.0f}", "ms", "every file written over")
    row(group, "the same, each old file renamed aside first, deleted after", f"{keep * 1e3:.0f}", "ms",
        f"{ratio(keep, loop_onto)} the loop onto the tree: the least that keeping old files adds")
    # Round by round, in the order run: a trend shows as later rounds slower.
    for label, measure in (("copy:updater", "updater.exe COPY"), ("copy:onto", "updater.exe COPY onto"),
                           ("copy:rollback", "the same with ROLLBACK=1"), ("copy:xcopy", "Wine's xcopy /E"),
                           ("copy:own-onto", "our own copy loop onto"),
                           ("copy:ram-onto", "updater.exe COPY onto, RAM drive"),
                           ("copy:ram-progress", "the same with the progress window, RAM drive"),
                           ("copy:large-onto", "updater.exe COPY onto the large tree, RAM drive"),
                           ("copy:large-progress", "the same with the progress window"),
                           ("copy:ram-rollback", "the same with ROLLBACK=1, RAM drive")):
        times = [t for t, _, _ in results.get(label, [])]
        if len(times) >= 4:
            half = len(times) // 2
            trend = (sum(times[half:]) / (len(times) - half)) / (sum(times[:half]) / half)
            row("COPY round by round (ms, in the order run)", measure, " ".join(f"{t * 1e3:.0f}" for t in times),
                "ms", f"later half {trend:.2f}x the earlier half")
    for r in range(ROUNDS):
        for prefix in ("upd", "xc", "loop"):
            found = count_files(scratch("out", f"{prefix}{r}"))
            if found != 2000:
                notes.append(f"COPY check: {prefix}{r} holds {found} files, not 2000")
        found = count_files(ram("out", f"upd{r}"))
        if found != 2000:
            notes.append(f"COPY check: V:\\bench\\out\\upd{r} holds {found} files, not 2000")
    shutil.rmtree(ram(), ignore_errors=True)


# The checker beside the program, on scripts of the shapes that once made
# the checker quadratic (each keeps the program free of boxes).
def checker_families():
    n = 700
    return [
        ("700 sections", "[UPDATER]\nNAME=\nPROC=" + ",".join(f"S{i}" for i in range(n)) + "\n"
         + "".join(f"[S{i}]\nMODE=EXIST\nFILE=<Src>\\f{i}.txt\n" for i in range(n))),
        ("a chain of 250 SWITCH", "[UPDATER]\nNAME=\nPROC=W0\n" + "".join(
            f"[W{i}]\nMODE=SWITCH\nPROC=W{i}\n0=W{i + 1}\n1=W{i + 1}\n" for i in range(250)) + "[W250]\nMODE=OSVER\n"),
        ("a problem in every key", "[UPDATER]\nNAME=\nPROC=" + ",".join(f"S{i}" for i in range(n)) + "\n" + "".join(
            f'[S{i}]\nMODE=EXIST\nFILE=<Src>\\f{i}.txt,"<Src>\\f{i}.txt"\nFORM=x\n' for i in range(n))),
        ("200 lists of 3,600 lookups", "[UPDATER]\nNAME=\nPROC=" + ",".join(["V"] * 200)
         + "\n[V]\nMODE=VERIFY\nARG1=" + "{?App\\q}" * 3600 + "\nARG2=\n"),
    ]


def checker_plan(add):
    shutil.copyfile(os.path.join(BUILD, "win64", "updater-check.exe"), scratch("updater-check.exe"))
    for k, (_, script) in enumerate(checker_families()):
        program(f"family{k}", script)
        for _ in range(ROUNDS):
            add(f"check{k}", f"{win('updater-check.exe')} {win(f'family{k}.ini')}", "peak limit=60")
            add(f"run{k}", win(f"family{k}.exe"), "peak limit=60")


def checker_rows(results):
    group = "updater-check beside updater.exe under Wine (whole processes, peak working set)"
    for k, (name, script) in enumerate(checker_families()):
        check, run = (min(results.get(f"{what}{k}", [(0.0, 0, 0)])) for what in ("check", "run"))
        row(group, f"{name} ({len(script) // 1024} KiB)", f"{check[0] * 1e3:.0f}", "ms",
            f"{check[2] / 2**20:.1f} MiB; the program {run[0] * 1e3:.0f} ms {run[2] / 2**20:.1f} MiB, "
            f"{ratio(check[0], run[0])} its time" + (" (stopped at the limit)" if run[0] >= 60 else ""))


def sizes():
    group = "size (stripped)"
    for target, tool in (("win64", "x86_64-w64-mingw32-objdump"), ("win32", "i686-w64-mingw32-objdump")):
        exe = os.path.join(BUILD, target, "updater.exe")
        dump = subprocess.run([tool, "-p", exe], check=True, capture_output=True, text=True).stdout
        dlls = sorted(set(re.findall(r"DLL Name: (\S+)", dump)), key=str.lower)
        size = os.path.getsize(exe)
        row(group, f"updater.exe ({'x86_64' if target == 'win64' else 'i686'})", f"{size / 1024:.1f}", "KiB",
            "imports " + ", ".join(dlls))


def processor():
    with open("/proc/cpuinfo") as f:
        text = f.read()
    model = re.search(r"model name\s*:\s*(.*)", text).group(1).strip()
    flags = set(re.search(r"flags\s*:\s*(.*)", text).group(1).split())
    have = [f for f in ("pclmulqdq", "avx2", "vpclmulqdq", "avx512f") if f in flags]
    return f"{model}, {os.cpu_count()} cores, {' '.join(have)}"


def table():
    widths = [max(len(str(r[i])) for r in rows + [("Group", "Measure", "Value", "Unit", "Note")])
              for i in range(5)]
    lines = ["| " + " | ".join(h.ljust(w) for h, w in zip(("Group", "Measure", "Value", "Unit", "Note"), widths)) + " |",
             "|" + "|".join("-" * (w + 2) for w in widths) + "|"]
    for r in rows:
        lines.append("| " + " | ".join(str(c).ljust(w) for c, w in zip(r, widths)) + " |")
    return "\n".join(lines)


def main():
    subprocess.run([sys.executable, os.path.join(SOURCE, "tests", "harness", "wineenv.py"), "setup"], check=True)
    try:
        if not COPY_ONLY:
            native()
        under_wine()
    finally:
        subprocess.run([sys.executable, os.path.join(SOURCE, "tests", "harness", "wineenv.py"), "cleanup"])
        shutil.rmtree(scratch(), ignore_errors=True)
    sizes()
    when = datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d %H:%M UTC")
    head = (f"Run {when} on {processor()}; best of {ROUNDS} interleaved rounds "
            f"(native CRC: best of {max(ROUNDS, 5)}); load average {os.getloadavg()[1]:.1f} over the last 5 minutes"
            + ({"crc": "; the CRC rows only (BENCH_ONLY=crc).", "copy": "; the COPY rows only (BENCH_ONLY=copy)."}
               .get(os.environ.get("BENCH_ONLY"), ".")))
    text = head + "\n\n" + table() + "\n" + "".join(f"\n{n}" for n in notes) + "\n"
    print(text)
    keep(text)


def keep(text):
    """bench/RESULTS.md keeps the latest table of each kind of run (every row, or one BENCH_ONLY)."""
    path = os.path.join(SOURCE, "bench", "RESULTS.md")
    kinds = {}
    if os.path.exists(path):
        with open(path) as f:
            for part in re.split(r"^## ", f.read(), flags=re.M)[1:]:
                title, _, body = part.partition("\n")
                kinds[title] = body
    kinds[f"BENCH_ONLY={os.environ['BENCH_ONLY']}" if os.environ.get("BENCH_ONLY") else "Every row"] = "\n" + text + "\n"
    with open(path, "w") as f:
        f.write("# Benchmark results\n\nThe latest table of each kind of run of `bench/run.sh`.\n\n"
                + "".join(f"## {title}\n{body}" for title, body in sorted(kinds.items())))


if __name__ == "__main__":
    main()
