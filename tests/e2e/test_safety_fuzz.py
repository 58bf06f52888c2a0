"""A short run of the safety fuzzer (tools/safety_fuzz.py): 300 scripts of one seed, every promise kept. The long
run and what it found are in docs/reliability.md."""

import os
import sys
import unittest

here = os.path.dirname(os.path.abspath(__file__))
sys.path[:0] = [os.path.join(here, "..", "harness"), os.path.join(here, "..", "..", "tools")]
import safety_fuzz  # noqa: E402


class SafetyFuzz(unittest.TestCase):
    def test_no_script_breaks_a_promise(self):
        with open(os.devnull, "w") as quiet:
            # 30 s: a guard against a hang on a loaded machine; the long runs hold each run to 10 s.
            findings = safety_fuzz.fuzz(300, 27, [f for f in safety_fuzz.FORMS if f not in safety_fuzz.OPEN], quiet, limit=30)
        self.assertFalse(findings, "\n".join(findings[:3]) + f"\n({len(findings)} findings)")


if __name__ == "__main__":
    unittest.main(verbosity=2)
