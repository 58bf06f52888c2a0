"""A short run of the crash trials (tools/crash_trials.py): the updater killed at random moments of each kind of
replace leaves every destination old or new, never missing, partial or lost, and a last whole run after the kills
leaves no temporary name of theirs; a whole update with ROLLBACK=1 killed anywhere is undone or finished by the
next start (tools/update_trials.py). The long runs are in docs/reliability.md."""

import os
import random
import sys
import unittest

here = os.path.dirname(os.path.abspath(__file__))
sys.path[:0] = [os.path.join(here, "..", "harness"), os.path.join(here, "..", "..", "tools")]
import crash_trials  # noqa: E402
import update_trials  # noqa: E402

crash_trials.PREFIX = "crash.short."
T = "T:\\update.planted\\"
# The update of tools/update_trials.py with a failure planted at one step (the step's body replaced; the later items
# of a step fail after the first one acted): step, what fails, the step's body.
PLANTED = [
    ("Exe", "a missing source", f"MODE=SHELL\r\nFUNC=COPY\r\nFROM={T}new\\no.exe\r\nTO={T}app\\app.exe"),
    ("Lib", "a missing source after a tree", f"MODE=COPY\r\nFROM={T}new\\lib,{T}new\\no\r\nTO={T}app\\lib,{T}app\\no"),
    ("Old", "a root after a folder", f"MODE=DELETE\r\nFILE={T}app\\old,T:\\"),
    ("Data", "a missing file after a move", f"MODE=MOVE\r\nFROM={T}app\\data.txt,{T}app\\no.txt\r\n"
                                            f"TO={T}app\\data\\data.txt,{T}app\\no2.txt"),
    ("Ro", "a missing file", f"MODE=ATTR\r\nFILE={T}app\\readme.txt,{T}app\\no.txt\r\nARG=1,1"),
    ("Menu", "a file in the way of the second", f"MODE=LINK\r\nSRC={T}app\\app.exe,{T}app\\app.exe\r\nPARAM=,\r\n"
                                                f"SHOWCMD=1,1\r\nDST={T}menu\\App,{T}app\\readme.txt\\Safe"),
    ("Res", "a missing source module", f"MODE=RSRC\r\nFROM={T}no.dll\r\nTO={T}app\\app.exe\r\nTYPE=PAYLOAD\r\n"
                                       "NAME=SETTINGS"),
    ("Check", "a CRC that does not match", f"MODE=CRC\r\nFILE={T}app\\lib\\d0\\f0.bin\r\nTYPE=AND\r\nCRC=00000000"),
]


class CrashTrials(unittest.TestCase):
    def test_a_killed_replace_leaves_old_or_new(self):
        idle = crash_trials.measure("IDLE", runs=2)[0]
        for kind, count in {"COPY": 8, "MOVE": 6, "TREE": 4, "SHELL": 4, "SHELLTREE": 8, "RSRC": 4, "LINK": 6}.items():
            with self.subTest(kind):
                result = crash_trials.run_trials(kind, count, random.Random(11), idle, runs=2)
                counts, after = result[0], result[2]
                self.assertEqual([counts[o] for o in ("missing", "partial", "lost")] + [after], [0, 0, 0, 0],
                                 crash_trials.table({kind: result}))

    def test_a_killed_update_is_undone_or_finished(self):
        """ROLLBACK=1: after a kill anywhere in a whole update and a start that answers No, the tree is as before or,
        once the commit had begun, as after; no journal stays."""
        counts, _ = update_trials.trials(4, 11, update_trials.Update("update.short"))
        self.assertEqual((counts["mixed"], counts["journal"]), (0, 0), counts)

    def test_a_failure_at_any_step_undoes_the_update(self):
        """ROLLBACK=1: a failure planted at any step of the whole update (the user's No at its end is a trial above)
        stops the run (/silent: no box) and leaves the tree as before, with no journal."""
        update = update_trials.Update("update.planted")
        def tree():  # but the script, which differs in the planted step
            return {name: value for name, value in update.snapshot().items() if name != "./updater.ini"}
        update.prepare()
        before = tree()
        for step, what, body in PLANTED:
            with self.subTest(f"{step}: {what}"):
                update.prepare({step: body})
                update.run("QUESTION")
                self.assertNotEqual(update.exit_code, 0)
                self.assertEqual(tree(), before)
                self.assertEqual(update.journals(), [])


if __name__ == "__main__":
    unittest.main(verbosity=2)
