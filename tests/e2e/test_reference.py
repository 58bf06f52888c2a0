"""docs/script-reference.md against the program: its key tables against the
keys each reader reads (updater-check --keys), its message and checker tables
against the catalogue, and every script in it run by the updater and the checker."""

import os
import re
import sys

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from messages import DEFAULT_CAPTION, DEFAULT_CAPTION_EN, MESSAGES, MESSAGES_EN  # noqa: E402
from test_checker import CHECKS, CLEAN, CLEAN_LINE, EXAMPLES, REFERENCE, chapter, flat, run_checker  # noqa: E402
from updater import UpdaterTest, main  # noqa: E402


class Reference(UpdaterTest):
    def test_key_tables_are_the_keys_each_reader_reads(self):
        code, lines = run_checker(self.scenario(), "--keys")
        readers = {mode: rest.split() if "(" not in rest else rest.strip() for mode, _, rest in (line.partition(":") for line in lines)}
        tables = {re.match(r"`(\w+)`", part).group(1): re.findall(r"^\| `([^`]+)` \|", part, flags=re.M)
                  for part in re.split(r"^### ", chapter("Procedure types"), flags=re.M)[1:]}
        self.assertEqual((code, tables), (CLEAN, readers))

    def test_message_table_is_the_catalogue(self):
        rows = {int(m.group(1)): (m.group(2), m.group(3)) for m in re.finditer(
            r"^\| (\d+) \| (.+?) \| (.+?) \| .+ \|$", chapter("Messages"), flags=re.M)}
        self.assertEqual(rows, {n: (flat(MESSAGES[n]), flat(MESSAGES_EN[n])) for n in MESSAGES})
        self.assertTrue(DEFAULT_CAPTION in REFERENCE and DEFAULT_CAPTION_EN in REFERENCE)

    def test_checker_table_is_the_catalogue(self):
        with open(os.path.join(EXAMPLES, "..", "resources", "messages.rc"), encoding="utf-8") as f:
            japanese, english = [dict(re.findall(r'^ +(2[2-9]\d) "(.*)"$', block.replace('""', '"').replace("\\\\", "\\"), re.M))
                                 for block in f.read().split("UPDATER_CHECKER")[1].split("LANGUAGE")[1:]]
        self.assertEqual({n: tuple(texts) for n, (_, *texts) in CHECKS.items()}, {int(n): (english[n], japanese[n]) for n in english})

    def test_every_script_runs_and_checks_clean(self):
        scripts = re.findall(r"```ini\n(.*?)```", REFERENCE, flags=re.S)
        self.assertGreaterEqual(len(scripts), 3)

        def check(text):
            (s := self.scenario()).write_script(text)
            result = s.run(answers=["DEFAULT"] * 5, timeout=30)
            self.assertTrue(result.boxes and not result.timed_out and all(b["icon"] != "error" for b in result.boxes),
                            result.describe())
            self.assertEqual(run_checker(s, s.win("updater.ini")), (CLEAN, [CLEAN_LINE]))
        self.each([(f"script {n}: {text.splitlines()[:3]}", text) for n, text in enumerate(scripts, 1)], check)


if __name__ == "__main__":
    main()
