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
        """ROLLBACK=1: a whole run answered No at the end undoes every step; after a kill anywhere and a start that
        answers No (or the next logon, through the run-once entry the killed run left), the tree is as before, its
        folders' times too, or, once the commit had begun, as after; no journal and no entry stay."""
        counts, _ = update_trials.trials(4, 11, update_trials.Update("update.short"))
        self.assertEqual([counts[k] for k in ("mixed", "journal", "times", "unregistered", "entry")], [0] * 5, counts)


if __name__ == "__main__":
    unittest.main(verbosity=2)
