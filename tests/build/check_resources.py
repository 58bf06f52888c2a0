"""Both executables of each target, read back with pefile: the DLLs they import, the message
catalogue (exactly the numbered messages and the caption in Japanese, 1041, and English, 1033; the
checker's own texts from 200 on are held to the reference by its test), the manifest parsed as XML,
and the version information from the version number of CMakeLists.txt."""
import os
import re
import sys
import xml.etree.ElementTree as ET

import pefile

SOURCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
sys.path.insert(0, os.path.join(SOURCE, "tests", "harness"))
from messages import DEFAULT_CAPTION, DEFAULT_CAPTION_EN, MESSAGES, MESSAGES_EN  # noqa: E402

VERSION = re.search(r"project\(updater VERSION (\S+)", open(os.path.join(SOURCE, "CMakeLists.txt")).read())[1]
WANT = {"imports": set(), "texts": {1041: {**MESSAGES, 100: DEFAULT_CAPTION}, 1033: {**MESSAGES_EN, 100: DEFAULT_CAPTION_EN}},
        "controls": [("Microsoft.Windows.Common-Controls", "6.0.0.0")], "dpi": ["true/pm"], "numbers": VERSION,
        "systems": {  # Vista, 7, 8, 8.1, 10 and 11
            "{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
            "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
            "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}}


def resources(pe, kind):
    """[(id, data, language)] of one resource type."""
    return [(name.id, pe.get_data(language.data.struct.OffsetToData, language.data.struct.Size), language.id)
            for entry in pe.DIRECTORY_ENTRY_RESOURCE.entries if entry.id == kind
            for name in entry.directory.entries for language in name.directory.entries]


def string_tables(pe):
    """{language: {id: text}} of the texts below 200: each RT_STRING block holds 16 counted UTF-16 texts."""
    tables = {}
    for block, data, language in resources(pe, 6):
        offset = 0
        for number in range((block - 1) * 16, block * 16):
            end = offset + 2 + 2 * int.from_bytes(data[offset:offset + 2], "little")
            if offset + 2 < end and number < 200:
                tables.setdefault(language, {})[number] = data[offset + 2:end].decode("utf-16-le")
            offset = end
    return tables


def described(pe):
    ((_, manifest, _),) = resources(pe, 24)
    root = ET.fromstring(manifest)
    strings = {k.decode(): v.decode() for info in pe.FileInfo[0] if info.Key == b"StringFileInfo"
               for table in info.StringTable for k, v in table.entries.items()}
    fixed = pe.VS_FIXEDFILEINFO[0]
    return {"imports": {i.dll.decode().upper() for i in pe.DIRECTORY_ENTRY_IMPORT} - {
                "KERNEL32.DLL", "USER32.DLL", "ADVAPI32.DLL", "SHELL32.DLL", "OLE32.DLL", "MSVCRT.DLL"},
            "texts": string_tables(pe),
            "level": root.find(".//{urn:schemas-microsoft-com:asm.v3}requestedExecutionLevel").get("level"),
            "controls": [(e.get("name"), e.get("version")) for e in root.iter() if e.tag.endswith("Identity")],
            "dpi": [e.text for e in root.iter() if e.tag.endswith("}dpiAware")],
            "systems": {e.get("Id") for e in root.iter() if e.tag.endswith("}supportedOS")},
            "numbers": f"{fixed.FileVersionMS >> 16}.{fixed.FileVersionMS & 0xFFFF}.{fixed.FileVersionLS >> 16}",
            "strings": {k: strings.get(k) for k in ("FileVersion", "ProductVersion", "OriginalFilename", "ProductName")}}


failures = []
for program in sys.argv[1:]:
    folder = os.path.dirname(program)
    level = re.search(r"EXECUTION_LEVEL:STRING=(\S+)", open(os.path.join(folder, "CMakeCache.txt")).read())[1]
    for path, level in ((program, level), (os.path.join(folder, "updater-check.exe"), "asInvoker")):
        got, want = described(pefile.PE(path)), dict(WANT, level=level, strings={
            "FileVersion": VERSION, "ProductVersion": VERSION, "OriginalFilename": os.path.basename(path),
            "ProductName": "updater"})
        failures += [f"{path}: {key} {got[key]!r}, expected {want[key]!r}" for key in want if got[key] != want[key]]
        print(f"{path}: {got['level']}, version {got['numbers']}")
sys.exit("\n".join(failures) or None)
