"""A sample of the allocation-failure sweep (tools/alloc_sweep.py): with
allocation N failing while every reader runs, each run ends by itself with the
code 0, with the boxes of the run without failure or one error box of the
catalogue (message 3 naming a record, or the failing layer's message)."""

import os
import sys
import unittest

here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(here, "..", "harness"))
sys.path.insert(0, os.path.join(here, "..", "..", "tools"))
import alloc_sweep  # noqa: E402

SAMPLES = 24


class AllocationSweep(unittest.TestCase):
    def test_each_failing_allocation_ends_with_a_sound_run(self):
        sweep = alloc_sweep.Sweep()
        reference, made = sweep.reference()
        self.assertGreater(made, 100, "the program's allocations were not counted")
        step = max(1, made // SAMPLES)
        seen = set()
        for n in list(range(1, made + 1, step)) + [made]:
            with self.subTest(n=n):
                result, _ = sweep.run(n)
                word = alloc_sweep.outcome(result, reference)
                seen.add(word)
                self.assertFalse(word.startswith("BAD"), f"N={n}: {word}\n{result.describe()}")
        # The sample reaches the readers: some record's message 3 was shown.
        self.assertTrue(any(w.startswith("message 3") for w in seen), seen)


if __name__ == "__main__":
    unittest.main(verbosity=2)
