"""RSRC: resources copied from a module into an executable, read back with
pefile. The source modules are resource_module.dll of both builds: its entry
point refuses to load, so every copy also shows that the source is read as
data (and the 32-bit one that either bitness can be read)."""

import os
import sys

import pefile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
import wineenv  # noqa: E402
from sections import info, msgbox, section  # noqa: E402
from updater import UpdaterTest, error_box, expect_boxes, fail, main, message  # noqa: E402

GATES = msgbox("Set", "flag 1", flag="Test,1") + msgbox("Clear", "flag 0", flag="Test,0")
RT_ICON, RT_STRING, RT_RCDATA, RT_GROUP_ICON = 3, 6, 10, 14


def module_path(bits):
    if bits == 64:
        folder = wineenv.build_dir()
    else:
        folder = os.environ.get("UPDATER_WIN32_BUILD")
        if not folder:
            fail("UPDATER_WIN32_BUILD is not set", ["run the tests through ctest"])
    path = os.path.join(folder, "resource_module.dll")
    if not os.path.exists(path):
        fail(f"{path} is missing", ["build the resource_module target (tools/build.sh)"])
    return path


def resources(path):
    """{(type, name, language): bytes}; ids as numbers, names as texts."""
    pe = pefile.PE(path)
    try:
        found = {}
        for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries:
            for name in kind.directory.entries:
                for language in name.directory.entries:
                    entry = language.data.struct
                    key = (str(kind.name) if kind.name else kind.id,
                           str(name.name) if name.name else name.id, language.id)
                    found[key] = pe.get_data(entry.OffsetToData, entry.Size)
        return found
    finally:
        pe.close()


class ResourceTest(UpdaterTest):
    def prepare(self, bits=64, destination=None):
        """A scenario with the source module src.dll and the destination dst.exe
        (a copy of updater.exe unless given)."""
        s = self.scenario()
        s.copy_program("src.dll", module_path(bits))
        s.copy_program("dst.exe", destination)
        return s

    def run_rsrc(self, s, types, names, source="src.dll", destination="dst.exe", answers=1,
                 **run_options):
        s.write_script("[UPDATER]\nNAME=\nPROC=Test,Set,Clear\n" + section(
            "Test", "RSRC", FROM=source, TO=destination, TYPE=types, NAME=names) + GATES)
        return s.run(answers=["OK"] * answers, **run_options)

    def expect_copied(self, s, types, names, copied, source="src.dll"):
        """The run sets the flag, and the destination holds what it held before
        plus exactly `copied`: keys of the source's resources, or key: bytes."""
        before = resources(s.path("dst.exe"))
        held = resources(s.path(source))
        expect_boxes(self.run_rsrc(s, types, names, source), [info("flag 1")])
        expected = dict(before)
        for key in copied:
            expected[key] = copied[key] if isinstance(copied, dict) else held[key]
        self.assertEqual(resources(s.path("dst.exe")), expected)


class Copying(ResourceTest):
    def test_copies_under_the_source_language(self):
        rows = [
            # label, TYPE, NAME, keys copied
            ("named type and name", "PAYLOAD", "SETTINGS", [("PAYLOAD", "SETTINGS", 1041)]),
            ("held in 1033 only", "#10", "ENGLISHONLY", [(RT_RCDATA, "ENGLISHONLY", 1033)]),
            ("icon by number", "#3", "#1", [(RT_ICON, 1, 1041)]),
            ("group icon by number", "#14", "#7", [(RT_GROUP_ICON, 7, 1041)]),
            ("two types, two names", " #10 , PAYLOAD ", "ENGLISHONLY,SETTINGS",
             [(RT_RCDATA, "ENGLISHONLY", 1033), ("PAYLOAD", "SETTINGS", 1041)]),
        ]
        for bits in (64, 32):
            for label, types, names, copied in rows:
                with self.subTest(f"{bits}-bit source: {label}"):
                    self.expect_copied(self.prepare(bits), types, names, copied)

    def test_the_same_type_name_and_language_is_replaced(self):
        # The program's own messages (strings 0-15) over the module's. The
        # program holds them in 1033 and 1041: they go under the first language
        # the system lists (1033), with the bytes FindResourceA finds for the
        # type and name on this Japanese system (the 1041 strings).
        s = self.prepare(destination=module_path(32))
        s.copy_program("program.exe")
        held = resources(s.path("program.exe"))
        self.assertEqual(sorted(key[2] for key in held if key[:2] == (RT_STRING, 1)), [1033, 1041])
        theirs = held[(RT_STRING, 1, 1041)]
        self.assertNotEqual(resources(s.path("dst.exe"))[(RT_STRING, 1, 1033)], theirs)
        self.expect_copied(s, "#6", "#1", {(RT_STRING, 1, 1033): theirs}, source="program.exe")

    def test_resources_the_source_does_not_hold_are_skipped(self):
        rows = [
            # label, TYPE, NAME, keys copied
            ("two types, one name", "#10,#10", "ENGLISHONLY", [(RT_RCDATA, "ENGLISHONLY", 1033)]),
            ("missing before found", "#10,PAYLOAD", "NOSUCH,SETTINGS",
             [("PAYLOAD", "SETTINGS", 1041)]),
            # The destination's own group icon 1 stays: a skipped item removes nothing.
            ("found, then one the destination has", "PAYLOAD,#14", "SETTINGS,#1",
             [("PAYLOAD", "SETTINGS", 1041)]),
            ("a number without #", "10", "ENGLISHONLY", []),
            ("nothing found", "#10", "NOSUCH", []),
        ]
        for label, types, names, copied in rows:
            with self.subTest(label):
                self.expect_copied(self.prepare(), types, names, copied)


class Failures(ResourceTest):
    def expect_failure(self, s, text, source="src.dll", destination="dst.exe", hold=()):
        original = s.read_bytes("dst.exe") if s.exists("dst.exe") else None
        result = self.run_rsrc(s, "PAYLOAD,#10", "SETTINGS,ENGLISHONLY", source, destination,
                               hold=hold)
        expect_boxes(result, [error_box(text)])
        if original is not None:
            self.assertEqual(s.read_bytes("dst.exe"), original, "the destination changed")

    def test_files_that_cannot_be_opened(self):
        rows = [
            # label, FROM, TO, hold, message
            ("source missing", "none.dll", "dst.exe", [], message(1, "none.dll")),
            ("source not a module", "updater.ini", "dst.exe", [], message(1, "updater.ini")),
            ("destination missing", "src.dll", "none.exe", [], message(1, "none.exe")),
            ("destination held without sharing", "src.dll", "dst.exe", ["dst.exe"],
             message(1, "dst.exe")),
        ]
        for label, source, destination, hold, text in rows:
            with self.subTest(label):
                self.expect_failure(self.prepare(), text, source, destination, hold)

    def test_reader(self):
        self.expect_reader("RSRC", {"FROM": "src.dll", "TO": "dst.exe", "TYPE": "PAYLOAD", "NAME": "SETTINGS"},
                           "TYPE")


if __name__ == "__main__":
    main()
