"""CRC-32 of real files, read through the program's own file reader and
checked against Python's zlib."""

import os
import sys
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
import wineenv  # noqa: E402
from updater import UpdaterTest, main  # noqa: E402

SIZES = [0, 1, 4095, 4096, 1024 * 1024 + 7]


class Crc32OfFiles(UpdaterTest):
    def test_random_files_agree_with_zlib(self):
        s = self.scenario()
        data = {f"random-{size}.bin": os.urandom(size) for size in SIZES}
        s.write_text("manifest.txt", "".join(f"{s.win(name)}\t{zlib.crc32(d):08x}\t{len(d)}\n"
                                             for name, d in data.items() if s.write_bytes(name, d)))
        env = dict(wineenv.environment(), CRC_MANIFEST=s.win("manifest.txt"))
        code = wineenv.wine([r"X:\unit_tests.exe", "--no-skip", "-tc=*CRC-32 of the files*"],
                            env, s.path("unit.log"), 120, cwd=s.path())
        output = s.read_bytes("unit.log").decode("utf-8", "replace")
        self.assertEqual(code, 0, output)
        self.assertRegex(output, r"test cases:\s+1 \|\s+1 passed", output)


if __name__ == "__main__":
    main()
