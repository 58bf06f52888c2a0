"""docs/script-reference.md against the program: its key tables against the
keys each reader reads (updater-check --keys), its message table against the
catalogue, and every script in it run by the updater and the checker."""

import os
import re
import sys

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from messages import DEFAULT_CAPTION, MESSAGES  # noqa: E402
from messages_en import DEFAULT_CAPTION_EN, MESSAGES_EN  # noqa: E402
from test_checker import CLEAN, run_checker  # noqa: E402
from updater import UpdaterTest, main  # noqa: E402

SOURCE = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
REFERENCE = os.path.join(SOURCE, "docs", "script-reference.md")


def reference():
    with open(REFERENCE, encoding="utf-8") as f:
        return f.read()


def key_tables(text):
    """{MODE: [keys in table order]} of the chapter on the procedure types."""
    chapter = text.split("## Procedure types", 1)[1].split("\n## ", 1)[0]
    tables = {}
    for part in re.split(r"^### ", chapter, flags=re.M)[1:]:
        mode = re.match(r"`(\w+)`", part).group(1)
        rows = re.findall(r"^\| `([^`]+)` \|", part, flags=re.M)
        tables[mode] = rows
    return tables


def reader_keys(s):
    code, lines = run_checker(s, "--keys")
    if code != 0:
        raise AssertionError(f"updater-check --keys gave {code}: {lines}")
    keys = {}
    for line in lines:
        mode, _, rest = line.partition(":")
        keys[mode] = rest.split() if "(" not in rest else rest.strip()
    return keys


def flat(text):
    return text.replace("\n\n", " ").replace("\n", " ")


class Reference(UpdaterTest):
    def test_key_tables_are_the_keys_each_reader_reads(self):
        s = self.scenario()
        readers = reader_keys(s)
        tables = key_tables(reference())
        self.assertEqual(sorted(tables), sorted(readers))
        for mode, keys in readers.items():
            with self.subTest(mode=mode):
                self.assertEqual(tables[mode], keys)

    def test_message_table_is_the_catalogue(self):
        rows = {int(m.group(1)): (m.group(2), m.group(3)) for m in re.finditer(
            r"^\| (\d+) \| (.+?) \| (.+?) \| .+ \|$", reference(), flags=re.M)}
        self.assertEqual(sorted(rows), sorted(MESSAGES))
        for number, texts in rows.items():
            with self.subTest(message=number):
                self.assertEqual(texts, (flat(MESSAGES[number]), flat(MESSAGES_EN[number])))
        for caption in (DEFAULT_CAPTION, DEFAULT_CAPTION_EN):
            self.assertIn(caption, reference())

    def test_every_script_runs_and_checks_clean(self):
        scripts = re.findall(r"```ini\n(.*?)```", reference(), flags=re.S)
        self.assertGreaterEqual(len(scripts), 3)
        for number, text in enumerate(scripts, 1):
            with self.subTest(script=number, starts=text.splitlines()[0:3]):
                s = self.scenario()
                s.write_script(text)
                result = s.run(answers=["DEFAULT"] * 5, timeout=30)
                self.assertFalse(result.timed_out, result.describe())
                self.assertEqual([b for b in result.boxes if b["icon"] == "error"], [], result.describe())
                self.assertGreater(len(result.boxes), 0, result.describe())
                code, lines = run_checker(s, s.win("updater.ini"))
                self.assertEqual((code, lines), (CLEAN, []))


if __name__ == "__main__":
    main()
