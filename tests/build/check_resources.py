"""The message catalogue in the executable, read back with pefile: a Japanese
(1041) and an English (1033) string table, each holding exactly the numbered
messages and the caption."""
import os
import sys

import pefile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
from messages import DEFAULT_CAPTION, MESSAGES  # noqa: E402
from messages_en import DEFAULT_CAPTION_EN, MESSAGES_EN  # noqa: E402

RT_STRING = 6
TABLES = {1041: {**MESSAGES, 100: DEFAULT_CAPTION}, 1033: {**MESSAGES_EN, 100: DEFAULT_CAPTION_EN}}


def string_tables(path):
    """{language: {id: text}} of every RT_STRING block: 16 counted UTF-16 texts each."""
    pe = pefile.PE(path)
    tables = {}
    for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        for block in kind.directory.entries if kind.id == RT_STRING else []:
            for language in block.directory.entries:
                data = pe.get_data(language.data.struct.OffsetToData, language.data.struct.Size)
                offset = 0
                for index in range(16):
                    end = offset + 2 + 2 * int.from_bytes(data[offset:offset + 2], "little")
                    if end > offset + 2:
                        text = data[offset + 2:end].decode("utf-16-le")
                        tables.setdefault(language.id, {})[(block.id - 1) * 16 + index] = text
                    offset = end
    return tables


def main():
    failures = 0
    for path in sys.argv[1:]:
        found = string_tables(path)
        for language in sorted(set(found) | set(TABLES)):
            texts, expected = found.get(language, {}), TABLES.get(language, {})
            print(f"{path}: {len(texts)} texts of language {language}")
            for sid in sorted(set(texts) | set(expected)):
                if texts.get(sid) != expected.get(sid):
                    print(f"  text {sid} is {texts.get(sid)!r}, expected {expected.get(sid)!r}")
                    failures += 1
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
