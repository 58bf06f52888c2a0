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
NAMED, ENGLISH = ("PAYLOAD", "SETTINGS", 1041), (RT_RCDATA, "ENGLISHONLY", 1033)
OTHER = 96 - wineenv.bits()  # the other build's module


def module_path(bits):
    path = os.path.join(wineenv.build_dir(bits), "resource_module.dll")
    if not os.path.exists(path):
        fail(f"{path} is missing", ["build resource_module of both targets and run the tests through ctest"])
    return path


def resources(path):
    """{(type, name, language): bytes}; ids as numbers, names as texts."""
    pe = pefile.PE(path)
    key = lambda entry: str(entry.name) if entry.name else entry.id  # noqa: E731
    found = {(key(kind), key(name), language.id): pe.get_data(language.data.struct.OffsetToData,
                                                             language.data.struct.Size)
             for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries for name in kind.directory.entries
             for language in name.directory.entries}
    pe.close()
    return found


class Resources(UpdaterTest):
    def prepare(self, source_bits=64, destination=None):
        """src.dll, and dst.exe: a copy of updater.exe unless given."""
        s = self.scenario()
        s.copy_program("src.dll", module_path(source_bits))
        s.copy_program("dst.exe", destination)
        return s

    def run_rsrc(self, s, types, names, source="src.dll", hold=(), destination="dst.exe"):
        s.write_script("[UPDATER]\nNAME=\nPROC=Test,Set,Clear\n"
                       + section("Test", "RSRC", FROM=source, TO=destination, TYPE=types, NAME=names) + GATES)
        return s.run(answers=["OK"], hold=hold)

    def expect_copied(self, s, types, names, copied, source="src.dll"):
        """The flag is set; dst.exe holds what it held and `copied` ({key: bytes}, or keys of the source's)."""
        expected, held = resources(s.path("dst.exe")), resources(s.path(source))
        expected.update(copied if isinstance(copied, dict) else {key: held[key] for key in copied})
        expect_boxes(self.run_rsrc(s, types, names, source), [info("flag 1")])
        self.assertEqual(resources(s.path("dst.exe")), expected)

    def test_copies_what_the_source_holds_under_its_language(self):
        self.each([
            ("numbers: an icon and a group icon", 64, "#3,#14", "#1,#7",
             [(RT_ICON, 1, 1041), (RT_GROUP_ICON, 7, 1041)]),
            ("names and numbers, items trimmed", 64, " #10 , PAYLOAD ", "ENGLISHONLY,SETTINGS", [ENGLISH, NAMED]),
            ("a source of the other bitness", OTHER, " #10 , PAYLOAD ", "ENGLISHONLY,SETTINGS", [ENGLISH, NAMED]),
            # The destination's own group icon 1 stays: a skipped item removes nothing.
            ("what the source lacks is skipped", 64, "#10,PAYLOAD,#14", "NOSUCH,SETTINGS,#1", [NAMED]),
            ("nothing found", 64, "#10", "NOSUCH", []),
        ], lambda bits, types, names, copied: self.expect_copied(self.prepare(bits), types, names, copied))

    def test_the_same_type_name_and_language_is_replaced(self):
        # The program's own messages (strings 0-15) over the module's. The
        # program holds them in 1033 and 1041: they go under the first language
        # the system lists (1033), with the bytes FindResourceA finds for the
        # type and name on this Japanese system (the 1041 strings).
        s = self.prepare(destination=module_path(32))
        theirs = resources(s.copy_program("program.exe"))[(RT_STRING, 1, 1041)]
        self.assertNotEqual(resources(s.path("dst.exe"))[(RT_STRING, 1, 1033)], theirs)
        self.expect_copied(s, "#6", "#1", {(RT_STRING, 1, 1033): theirs}, source="program.exe")

    def test_a_failure_leaves_the_destination_as_it_was(self):
        # The running updater.exe cannot be replaced: the update fails at its last step.
        def check(source, destination, hold, shown):
            s = self.prepare()
            original, files = s.read_bytes(destination), sorted(os.listdir(s.path()) + ["updater.ini"])
            result = self.run_rsrc(s, "PAYLOAD,#10", "SETTINGS,ENGLISHONLY", source, hold, destination)
            expect_boxes(result, [error_box(message(*shown))])
            self.assertEqual((s.read_bytes(destination), sorted(os.listdir(s.path()))), (original, files))
        self.each([("source not a module", "updater.ini", "dst.exe", [], (1, "updater.ini")),
                   ("destination held without sharing", "src.dll", "dst.exe", ["dst.exe"], (1, "dst.exe")),
                   ("destination replaced at the end", "src.dll", "updater.exe", [], (16, "src.dll", "updater.exe"))],
                  check)

    def test_reader(self):
        self.expect_reader("RSRC", {"FROM": "src.dll", "TO": "dst.exe", "TYPE": "PAYLOAD", "NAME": "SETTINGS"}, "TYPE")


if __name__ == "__main__":
    main()
