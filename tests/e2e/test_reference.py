"""docs/script-reference.md and the message catalogue against the program: the key tables against the keys each reader
reads (updater-check --keys), the message and checker tables against the catalogue, every script in it run by the updater
and the checker; and the catalogue's Japanese texts in the boxes, caption included, exactly when the code page is 932 (the
boxes are ANSI), its English ones otherwise, whatever the display language (Wine takes them from LC_CTYPE and LC_MESSAGES)."""

import os
import re
import sys
import unittest.mock

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import wineenv  # noqa: E402
from messages import DEFAULT_CAPTION, DEFAULT_CAPTION_EN, MESSAGES, MESSAGES_EN  # noqa: E402
from test_checker import CHECKS, CLEAN, CLEAN_LINE, EXAMPLES, REFERENCE, chapter, flat, run_checker  # noqa: E402
from updater import UpdaterTest, error_box, expect_boxes, main, message  # noqa: E402


class Reference(UpdaterTest):
    def test_key_tables_are_the_keys_each_reader_reads(self):
        code, lines = run_checker(self.scenario(), "--keys")
        readers = {mode: rest.split() if "(" not in rest else rest.strip() for mode, _, rest in (line.partition(":") for line in lines)}
        tables = {re.match(r"`(\w+)`", part).group(1): re.findall(r"^\| `([^`]+)` \|", part, flags=re.M)
                  for part in re.split(r"^### ", chapter("Procedure types"), flags=re.M)[1:]}
        keys = re.search(r"^\|.*?\n(?!\|)", chapter("UPDATER"), flags=re.M | re.S).group(0)  # its first table
        tables["UPDATER"] = re.findall(r"^\| `([^`]+)` \|", keys, flags=re.M)
        self.assertEqual((code, tables), (CLEAN, readers))

    def test_message_table_is_the_catalogue(self):
        rows = {int(n): (ja, en) for n, ja, en in re.findall(r"^\| (\d+) \| (.+?) \| (.+?) \| .+ \|$", chapter("Messages"), flags=re.M)}
        self.assertEqual(rows, {n: (flat(MESSAGES[n]), flat(MESSAGES_EN[n])) for n in MESSAGES})
        self.assertTrue(DEFAULT_CAPTION in REFERENCE and DEFAULT_CAPTION_EN in REFERENCE)

    def test_checker_table_is_the_catalogue(self):
        with open(os.path.join(EXAMPLES, "..", "resources", "messages.rc"), encoding="utf-8") as f:
            japanese, english = [dict(re.findall(r'^ +(2[2-9]\d) "(.*)"$', block.replace('""', '"').replace("\\\\", "\\"), re.M))
                                 for block in f.read().split("UPDATER_CHECKER")[1].split("LANGUAGE")[1:]]
        self.assertEqual({n: (en, ja) for n, (_, en, ja) in CHECKS.items()}, {int(n): (english[n], japanese[n]) for n in english})

    def test_every_script_runs_and_checks_clean(self):
        scripts = re.findall(r"```ini\n(.*?)```", REFERENCE, flags=re.S)
        self.assertGreaterEqual(len(scripts), 3)
        for n, text in enumerate(scripts, 1):
            (s := self.scenario()).write_script(text)
            result = s.run(answers=["DEFAULT"] * 5, timeout=30)
            self.assertTrue(result.boxes and not result.timed_out and all(b["icon"] != "error" for b in result.boxes), f"{n}: {result.describe()}")
            self.assertEqual(run_checker(s, s.win("updater.ini")), (CLEAN, [CLEAN_LINE]), f"script {n}")

    def test_failures_under_a_code_page_and_a_display_language_that_disagree(self):
        def check(ctype, messages, table, caption):
            s, environment = self.scenario(), wineenv.environment
            locales = lambda: dict({k: v for k, v in environment().items() if k != "LC_ALL"}, LC_CTYPE=ctype, LC_MESSAGES=messages)
            with unittest.mock.patch.object(wineenv, "environment", locales):
                # No script, which ends the run with 3; then a failing step, under the caption of /t.
                expect_boxes(s.run(answers=["OK"]), [error_box(message(1, s.win("updater.ini"), table=table), caption, 3)])
                s.write_script("[UPDATER]\nNAME=\nPROC=Attr\n[Attr]\nMODE=ATTR\nFILE=<Src>\\none.txt\nARG=21\n")
                expect_boxes(s.run("/tSetup", answers=["OK"]), [error_box(message(12, s.win("none.txt"), 0x21, table=table), "Setup")])
        self.each([("code page 932, English display", "ja_JP.UTF-8", "en_US.UTF-8", MESSAGES, DEFAULT_CAPTION),
                   ("code page 1252, Japanese display", "en_US.UTF-8", "ja_JP.UTF-8", MESSAGES_EN, DEFAULT_CAPTION_EN)], check)


if __name__ == "__main__":
    main()
