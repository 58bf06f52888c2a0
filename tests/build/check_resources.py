"""The message catalogue in the executable, read back with pefile: a Japanese
(1041) string table holding exactly the numbered messages and the caption."""
import os
import sys

import pefile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
from messages import DEFAULT_CAPTION, MESSAGES  # noqa: E402

EXPECTED = {**MESSAGES, 100: DEFAULT_CAPTION}
RT_STRING = 6
LANG_JAPANESE = 1041


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
        found = {sid: text for (sid, lang), text in strings.items() if lang == LANG_JAPANESE}
        others = sorted(key for key in strings if key[1] != LANG_JAPANESE)
        problems = [f"ids {sorted(found)}, other languages {others}"] if set(found) != set(EXPECTED) or others else []
        problems += [f"text {sid} is {found.get(sid)!r}, expected {text!r}"
                     for sid, text in EXPECTED.items() if found.get(sid) != text]
        print("".join(f"{path}: {problem}\n" for problem in problems) + f"{path}: {len(found)} texts checked")
        failures += len(problems)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
