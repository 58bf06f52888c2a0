"""A short run of the crash trials (tools/crash_trials.py): the updater killed
at random moments of a SHELL replace leaves the destination old or new, never
missing or partial. The long run, with COPY beside it, is in docs/reliability.md."""

import os
import random
import shutil
import sys
import unittest

here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(here, "..", "harness"))
sys.path.insert(0, os.path.join(here, "..", "..", "tools"))
import crash_trials  # noqa: E402

TRIALS = 20


class CrashTrials(unittest.TestCase):
    def test_a_killed_shell_replace_leaves_old_or_new(self):
        idle, trials = crash_trials.measure("IDLE")
        shutil.rmtree(trials.root, ignore_errors=True)
        counts, left, window = crash_trials.run_trials("SHELL", TRIALS, random.Random(11), idle)
        table = crash_trials.table({"SHELL": (counts, left, window)})
        self.assertEqual(sum(counts.values()), TRIALS, table)
        self.assertEqual((counts["missing"], counts["partial"]), (0, 0), table)


if __name__ == "__main__":
    unittest.main(verbosity=2)
