"""The resources of both executables of each target, read back with pefile:
the message catalogue (a Japanese (1041) and an English (1033) string table,
each exactly the numbered messages and the caption), the manifest (parsed as
XML) and the version information, from the version number of CMakeLists.txt."""
import os
import re
import sys
import xml.etree.ElementTree as ET

import pefile

SOURCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
sys.path.insert(0, os.path.join(SOURCE, "tests", "harness"))
from messages import DEFAULT_CAPTION, MESSAGES  # noqa: E402
from messages_en import DEFAULT_CAPTION_EN, MESSAGES_EN  # noqa: E402

RT_STRING, RT_VERSION, RT_MANIFEST = 6, 16, 24
TABLES = {1041: {**MESSAGES, 100: DEFAULT_CAPTION}, 1033: {**MESSAGES_EN, 100: DEFAULT_CAPTION_EN}}
with open(os.path.join(SOURCE, "CMakeLists.txt")) as f:
    VERSION = re.search(r"project\(updater VERSION (\S+)", f.read())[1]
V1, V3 = "{urn:schemas-microsoft-com:asm.v1}", "{urn:schemas-microsoft-com:asm.v3}"
SYSTEMS = {"{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  # Vista, 7
           "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  # 8, 8.1
           "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}  # 10 and 11


def resources(pe, kind):
    """{(id, language): data} of one resource type."""
    found = {}
    for entry in [e for e in pe.DIRECTORY_ENTRY_RESOURCE.entries if e.id == kind]:
        for name in entry.directory.entries:
            for language in name.directory.entries:
                data = language.data.struct
                found[name.id, language.id] = pe.get_data(data.OffsetToData, data.Size)
    return found


def string_tables(pe):
    """{language: {id: text}}: each RT_STRING block holds 16 counted UTF-16 texts."""
    tables = {}
    for (block, language), data in resources(pe, RT_STRING).items():
        offset = 0
        for index in range(16):
            end = offset + 2 + 2 * int.from_bytes(data[offset:offset + 2], "little")
            if end > offset + 2:
                tables.setdefault(language, {})[(block - 1) * 16 + index] = data[offset + 2:end].decode("utf-16-le")
            offset = end
    return tables


def identity(pe):
    """What the manifest and the version information say, as text, to compare."""
    (manifest,) = resources(pe, RT_MANIFEST).values()
    root = ET.fromstring(manifest)
    controls = root.find(f"{V1}dependency/{V1}dependentAssembly/{V1}assemblyIdentity")
    strings = {k.decode(): v.decode() for info in pe.FileInfo[0] if info.Key == b"StringFileInfo"
               for table in info.StringTable for k, v in table.entries.items()}
    fixed = pe.VS_FIXEDFILEINFO[0]
    return {"level": root.find(f".//{V3}requestedExecutionLevel").get("level"),
            "controls": (controls.get("name"), controls.get("version")),
            "dpi": [e.text for e in root.iter() if e.tag.endswith("}dpiAware")],
            "systems": {e.get("Id") for e in root.iter("{urn:schemas-microsoft-com:compatibility.v1}supportedOS")},
            "numbers": "%d.%d.%d" % (fixed.FileVersionMS >> 16, fixed.FileVersionMS & 0xFFFF, fixed.FileVersionLS >> 16),
            "strings": {k: strings.get(k) for k in ("FileVersion", "ProductVersion", "OriginalFilename", "ProductName")}}


def main():
    failures = []
    for program in sys.argv[1:]:
        with open(os.path.join(os.path.dirname(program), "CMakeCache.txt")) as f:
            level = re.search(r"UPDATER_EXECUTION_LEVEL:STRING=(\S+)", f.read())[1]
        for path, level in ((program, level), (os.path.join(os.path.dirname(program), "updater-check.exe"), "asInvoker")):
            pe = pefile.PE(path)
            found = string_tables(pe)
            failures += [f"{path}: text {sid} of language {language} is {found.get(language, {}).get(sid)!r}"
                         for language, texts in TABLES.items() for sid in set(texts) | set(found.get(language, {}))
                         if found.get(language, {}).get(sid) != texts.get(sid)]
            got = identity(pe)
            want = {"level": level, "controls": ("Microsoft.Windows.Common-Controls", "6.0.0.0"), "dpi": ["true/pm"],
                    "systems": SYSTEMS, "numbers": VERSION, "strings": {"FileVersion": VERSION, "ProductVersion": VERSION,
                    "OriginalFilename": os.path.basename(path), "ProductName": "updater"}}
            failures += [f"{path}: {key} is {got[key]!r}, expected {want[key]!r}" for key in want if got[key] != want[key]]
            print(f"{path}: {sum(map(len, found.values()))} texts, {got['level']}, version {got['numbers']}")
    print("\n".join(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
