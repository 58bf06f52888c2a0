#!/usr/bin/env python3
"""Kill trials over a whole update with ROLLBACK=1: a 200-file application
updated in ten steps (WAITAPP, a SHELL replace of the main executable, a tree
COPY (names outside the code page and a branch past MAX_PATH among its files), a DELETE of an old folder, a MOVE, an ATTR, two LINKs, an RSRC into the
executable, a CRC check) and a last question. Each trial lays out the old
state, starts the update (/silent: the question's default, Yes) and kills it
with SIGKILL at a moment drawn uniformly from an uninterrupted run's span.
Then the program is started again with the same script and answers No at
the question (its TYPE comes from the command line: WARNING, default No);
every fourth trial instead runs Wine's logon (wineboot), whose run-once
entry the killed run left ("unregistered": a journal without one), and the
entry must be gone after it ("entry").
The tree, compared by an independent walk (bytes, read-only bit, DOS
attributes, every name, empty folders), must equal the state before the
update, or the updated state when the kill came after the commit began:
"mixed" is any other tree, "journal" a journal left behind, "times" a tree
as before whose folders' times of last writing are not.

    UPDATER_WINE_STATE=... UPDATER_WIN64_BUILD=... tools/update_trials.py [trials] [seed]

Needs the Wine prefix and display of the test fixture (ctest -R wine.setup).
"""

import glob
import hashlib
import os
import random
import shutil
import subprocess
import sys
import time
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import crash_trials  # noqa: E402
from crash_trials import OLD_LINK, pattern, wineenv  # noqa: E402
import trees  # noqa: E402

FILES = 200
# Names outside the code page (an emoji beyond the basic plane among them) and a branch past MAX_PATH, in the lib
# tree the update copies onto its older self, and in the folder it deletes.
WIDE = ["한국어.bin", "Résumé.bin", "😀.bin", "L" * 200 + "/" + "M" * 60 + "/deep.bin"]
NAME = "update.trials"
RUN_ONCE = r"\Software\Microsoft\Windows\CurrentVersion\RunOnce"


def script(t):
    steps = {
        "Wait": "MODE=WAITAPP\r\nAPP=" + t + "app\\viewer.exe\r\nTICK=100",
        "Exe": f"MODE=SHELL\r\nFUNC=COPY\r\nFROM={t}new\\app.exe\r\nTO={t}app\\app.exe",
        "Lib": f"MODE=COPY\r\nFROM={t}new\\lib\r\nTO={t}app\\lib",
        "Old": f"MODE=DELETE\r\nFILE={t}app\\old",
        "Data": f"MODE=MOVE\r\nFROM={t}app\\data.txt\r\nTO={t}app\\data\\data.txt",
        "Ro": f"MODE=ATTR\r\nFILE={t}app\\readme.txt\r\nARG=1",
        "Menu": f"MODE=LINK\r\nSRC={t}app\\app.exe,{t}app\\app.exe\r\nPARAM=,/safe\r\nSHOWCMD=1,1\r\n"
                f"DST={t}menu\\App,{t}menu\\Safe",
        "Res": f"MODE=RSRC\r\nFROM={t}src.dll\r\nTO={t}app\\app.exe\r\nTYPE=PAYLOAD,#10\r\nNAME=SETTINGS,ENGLISHONLY",
        "Check": f"MODE=CRC\r\nFILE={t}app\\lib\\d0\\f0.bin\r\nTYPE=AND\r\nCRC={zlib.crc32(lib_file(0, True)):08x}",
        "IfBad": "MODE=SWITCH\r\nPROC=Check\r\n0=Bad\r\n1=",
        "Ask": "MODE=MSGBOX\r\nFLAG=\r\nTYPE={?Param\\1}\r\nTEXT=Finish the update?\r\nISABORT=0,1",
        "Bad": "MODE=MSGBOX\r\nFLAG=\r\nTYPE=ERROR\r\nTEXT=Damaged.\r\nISABORT=1,1",
    }
    order = "Wait,Exe,Lib,Old,Data,Ro,Menu,Res,Check,IfBad,Ask"
    return "[UPDATER]\r\nNAME=\r\nROLLBACK=1\r\nPROC=" + order + "\r\n" + "".join(
        f"[{name}]\r\n{body}\r\n" for name, body in steps.items())


def lib_file(i, new):
    return pattern(i % 250 + (100 if new else 0), 8192) + str(i).encode()


class Update:
    def __init__(self, name=NAME):
        self.root = os.path.join(wineenv.paths()["scratch"], name)
        self.pristine = self.root + ".before"
        self.env = wineenv.environment()
        self.name = name
        for folder in (self.root, self.pristine):
            shutil.rmtree(folder, ignore_errors=True)
        build = wineenv.build_dir()
        lay = {"app/app.exe": open(os.path.join(build, "updater.exe"), "rb").read(),
               "new/app.exe": open(os.path.join(build, "boxdriver.exe"), "rb").read(),
               "src.dll": open(os.path.join(build, "resource_module.dll"), "rb").read(),
               "app/data.txt": b"data", "app/readme.txt": b"read me", "menu/App.LNK": OLD_LINK}
        for i in range(FILES):
            where = f"lib/d{i % 10}/f{i}.bin"
            if i < FILES * 3 // 4:
                lay["app/" + where] = lib_file(i, False)
            lay["new/" + where] = lib_file(i, True)
        for i, wide in enumerate(WIDE):
            lay["app/lib/wide/" + wide], lay["new/lib/wide/" + wide] = lib_file(FILES + i, False), lib_file(FILES + i, True)
        lay["app/old/폴더/😀.dll"] = b"old"
        for i in range(10):
            lay[f"app/old/plugin{i}.dll"] = bytes(64) + bytes([i])
        for relative, data in lay.items():
            crash_trials.Trials.write(os.path.join(self.pristine, relative), data)
        crash_trials.Trials.write(os.path.join(self.pristine, "updater.ini"), script("T:\\" + name + "\\").encode())
        shutil.copyfile(os.path.join(build, "updater.exe"), os.path.join(self.pristine, "updater.exe"))

    def prepare(self):
        shutil.rmtree(self.root, ignore_errors=True)
        shutil.copytree(self.pristine, self.root)

    def run(self, answer, kill_after=None):
        return crash_trials.Trials.run(self, kill_after, ["/silent", answer])

    def journals(self):
        """The journal of this script, where the reference says it lives, when there is one."""
        crc = zlib.crc32(("T:\\" + self.name + "\\updater.ini").upper().encode())
        return glob.glob(os.path.join(wineenv.paths()["prefix"], "drive_c", "users", "*", "Temp",
                                      f"updater-{crc:08X}.journal"))

    def recovery_entry(self):
        """Whether the run-once entry of this script's journal is in the registry (the machine's or the user's; a
        32-bit program's in the 32-bit view, which wineboot runs too)."""
        crc = zlib.crc32(("T:\\" + self.name + "\\updater.ini").upper().encode())
        for root in ("HKLM", "HKCU"):
            found = subprocess.run([wineenv.WINE, "reg", "query", root + RUN_ONCE, "/v", f"updater-{crc:08X}",
                                    f"/reg:{wineenv.bits()}"], env=self.env, capture_output=True, timeout=60)
            if found.returncode == 0:
                return True
        return False

    def logon(self):
        subprocess.run([wineenv.WINE, "wineboot"], env=self.env, capture_output=True, timeout=300)

    def folder_times(self):
        """Each folder's time of last writing, to the 100 ns that Windows keeps."""
        return {"/".join(names): os.stat(path).st_mtime_ns // 100 for names, path, kind in trees.entries(self.root)
                if kind == "d"}

    def snapshot(self):
        """{relative name: bytes' digest and attributes}; shortcuts as old or new (their bytes hold times)."""
        found = {}
        for names, path, kind in trees.entries(self.root):
            data = trees.read(path) if kind == "f" else b""
            found["/".join(names)] = "folder" if kind == "d" else (("old" if data == OLD_LINK else "new")
                if names[-1].endswith(".LNK") else hashlib.sha1(data).hexdigest(), trees.attributes(path, "RHSA"))
        return found


def trials(count, seed, update=None):
    """{before, after, mixed, journal} counts and the kill window."""
    update = update or Update()
    for journal in update.journals():  # an earlier session's, which would spoil the first trial
        os.remove(journal)
    update.prepare()
    before, times = update.snapshot(), update.folder_times()
    spans = []
    for _ in range(2):
        update.prepare()
        spans.append(update.run("QUESTION"))
    after = update.snapshot()
    if after == before or update.journals():
        raise SystemExit("an uninterrupted update did not commit")
    update.prepare()
    update.run("WARNING")
    if update.snapshot() != before or update.journals():
        raise SystemExit("an update answered No did not undo")
    rng = random.Random(seed)
    high = max(spans) * 1.1
    counts = dict.fromkeys(("before", "after", "mixed", "journal", "times", "unregistered", "entry"), 0)
    for trial in range(count):
        update.prepare()
        update.run("QUESTION", rng.uniform(0, high))
        time.sleep(0.1)
        if trial % 4 == 3:
            counts["unregistered"] += bool(update.journals()) and not update.recovery_entry()
            update.logon()
            counts["entry"] += update.recovery_entry()
        else:
            update.run("WARNING")
        state = update.snapshot()
        counts["before" if state == before else "after" if state == after else "mixed"] += 1
        counts["times"] += state == before and update.folder_times() != times
        print(f"trial {trial + 1}: {counts}", file=sys.stderr, flush=True)
        if update.journals():
            counts["journal"] += 1
            for journal in update.journals():
                os.remove(journal)
    shutil.rmtree(update.root, ignore_errors=True)
    shutil.rmtree(update.pristine, ignore_errors=True)
    return counts, high


def main():
    count = int(sys.argv[1]) if len(sys.argv) > 1 else 200
    counts, high = trials(count, int(sys.argv[2]) if len(sys.argv) > 2 else 1)
    print("trials  " + "  ".join(f"{k:>7}" for k in counts) + "  kill window (s)")
    print(f"{count:>6}  " + "  ".join(f"{v:>7}" for v in counts.values()) + f"  0-{high:.2f}")
    return 0 if sum(counts[k] for k in ("mixed", "journal", "times", "unregistered", "entry")) == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
