"""A sample of the allocation-failure sweep (tools/alloc_sweep.py): with allocation N failing, each run ends by itself
with code 0 and the boxes of the run without failure or one error box of the catalogue, never a value emptied or cut."""

import os
import sys
import unittest

here = os.path.dirname(os.path.abspath(__file__))
sys.path[:0] = [os.path.join(here, "..", "harness"), os.path.join(here, "..", "..", "tools")]
import alloc_sweep  # noqa: E402


class AllocationSweep(unittest.TestCase):
    def test_each_failing_allocation_ends_with_a_sound_run(self):
        sweep = alloc_sweep.Sweep()
        reference, made = sweep.reference()
        self.assertGreater(made, 100, "the program's allocations were not counted")
        # Sixteen spread over the whole run, and the end (the lists run, the stop, the release) densely.
        for n in sorted(set(range(1, made + 1, max(1, made // 16))) | set(range(made - 60, made + 1, 4))):
            with self.subTest(n=n):
                result = sweep.run(n)[0]
                word = alloc_sweep.outcome(result, reference)
                self.assertFalse(word.startswith("BAD"), f"N={n}: {word}\n{result.describe()}")


if __name__ == "__main__":
    unittest.main(verbosity=2)
