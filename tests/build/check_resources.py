"""The message catalogue in the executable, read back with pefile: a Japanese
(1041) and an English (1033) string table, each holding exactly the numbered
messages and the caption."""
import os
import sys

import pefile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
from messages import DEFAULT_CAPTION, MESSAGES  # noqa: E402
from messages_en import DEFAULT_CAPTION_EN, MESSAGES_EN  # noqa: E402

EXPECTED = {**MESSAGES, 100: DEFAULT_CAPTION}

EXPECTED_EN = {**MESSAGES_EN, 100: DEFAULT_CAPTION_EN}
RT_STRING = 6
LANG_JAPANESE = 1041
LANG_ENGLISH = 1033
TABLES = {LANG_JAPANESE: EXPECTED, LANG_ENGLISH: EXPECTED_EN}


def string_table(path):
    """{(id, language): text} of every RT_STRING entry, decoded from the blocks."""
    pe = pefile.PE(path)
    strings = {}
    for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if kind.id != RT_STRING:
            continue
        for block in kind.directory.entries:
            for language in block.directory.entries:
                rva, size = language.data.struct.OffsetToData, language.data.struct.Size
                data = pe.get_data(rva, size)
                offset = 0
                for index in range(16):
                    length = int.from_bytes(data[offset:offset + 2], "little")
                    offset += 2
                    if length:
                        text = data[offset:offset + 2 * length].decode("utf-16-le")
                        strings[((block.id - 1) * 16 + index, language.id)] = text
                    offset += 2 * length
    return strings


def main():
    failures = 0
    for path in sys.argv[1:]:
        strings = string_table(path)
        others = sorted(key for key in strings if key[1] not in TABLES)
        if others:
            print(f"{path}: other languages {others}")
            failures += 1
        for language, expected in TABLES.items():
            found = {sid: text for (sid, lang), text in strings.items() if lang == language}
            if set(found) != set(expected):
                print(f"{path}: language {language} ids {sorted(found)}")
                failures += 1
            for sid, text in expected.items():
                if found.get(sid) != text:
                    print(f"{path}: text {sid} ({language}) is {found.get(sid)!r}, expected {text!r}")
                    failures += 1
            print(f"{path}: {len(found)} texts of language {language} checked")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
