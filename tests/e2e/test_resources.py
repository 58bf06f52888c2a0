"""RSRC: resources copied from a module into an executable, read back with pefile. The source modules are
resource_module.dll of both builds: its entry point refuses to load, so every copy also shows that the source is read
as data (and the other build's that either bitness can be read)."""

import os
import sys

import pefile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
import wineenv   # noqa: E402
from sections import flag_boxes, info, section  # noqa: E402
from updater import UpdaterTest, error_box, expect_boxes, main, message   # noqa: E402

GATES = flag_boxes("Test")
RT_ICON, RT_STRING, RT_RCDATA, RT_GROUP_ICON = 3, 6, 10, 14
NAMED, ENGLISH = ("PAYLOAD", "SETTINGS", 1041), (RT_RCDATA, "ENGLISHONLY", 1033)
OTHER = 96 - wineenv.bits()  # the other build's module
DEEP_EXE = "L" * 200 + "/" + "M" * 60 + "/dst.exe"


def module_path(bits):
    return os.path.join(wineenv.build_dir(bits), "resource_module.dll")  # built for both targets


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
    def test_copies(self):
        """A row: the source (the module of the build of that bitness, or a file), TYPE, NAME, what is copied (keys of
        the source's, or pairs of the key written and the key taken) or a failure's message, the destination (dst.exe:
        a copy of updater.exe or of a build's module; a copy of updater.exe elsewhere; or the running updater.exe, which cannot be replaced: that update
        fails at its last step), files held. A failure leaves the destination as it was; no run leaves a file behind."""
        def check(source, types, names, outcome, destination=None, hold=()):
            s = self.scenario()
            s.copy_program("src.dll", module_path(source if isinstance(source, int) else 64))
            s.copy_program("program.exe")
            s.copy_program("dst.exe", module_path(destination) if isinstance(destination, int) else None)
            if isinstance(destination, str) and not s.exists(destination):
                s.copy_program(destination)
            source = "src.dll" if isinstance(source, int) else source
            target, failed = destination if isinstance(destination, str) else "dst.exe", isinstance(outcome, tuple)
            original, files, expected = s.read_bytes(target), sorted(os.listdir(s.path()) + ["updater.ini"]), {}
            if not failed:
                theirs, expected = resources(s.path(source)), resources(s.path(target))
                pairs = [key if isinstance(key[0], tuple) else (key, key) for key in outcome]
                expected.update({written: theirs[taken] for written, taken in pairs})
            result = self.run_script("Test,Set,Clear", GATES + section("Test", "RSRC", FROM=source, TO=target, TYPE=types,
                                                                       NAME=names), ["OK"], s=s, hold=hold)
            expect_boxes(result, [error_box(message(*outcome)) if failed else info("flag 1")])
            self.assertEqual(sorted(os.listdir(s.path())), files)
            self.assertEqual(s.read_bytes(target) if failed else resources(s.path(target)), original if failed else expected)
        self.each([
            ("numbers: an icon and a group icon", 64, "#3,#14", "#1,#7", [(RT_ICON, 1, 1041), (RT_GROUP_ICON, 7, 1041)]),
            ("names and numbers, items trimmed", 64, " #10 , PAYLOAD ", "ENGLISHONLY,SETTINGS", [ENGLISH, NAMED]),
            ("a source of the other bitness", OTHER, " #10 , PAYLOAD ", "ENGLISHONLY,SETTINGS", [ENGLISH, NAMED]),
            # The destination's own group icon 1 stays: a skipped item removes nothing.
            ("what the source lacks is skipped", 64, "#10,PAYLOAD,#14", "NOSUCH,SETTINGS,#1", [NAMED]),
            ("nothing found", 64, "#10", "NOSUCH", []),
            # The program's own messages (strings 0-15, in 1033 and 1041) over the module's: under the first language the
            # system lists (1033), with the bytes FindResourceA finds on this Japanese system (the 1041 strings).
            ("the same type, name and language is replaced", "program.exe", "#6", "#1",
             [((RT_STRING, 1, 1033), (RT_STRING, 1, 1041))], 32),
            ("source not a module", "updater.ini", "PAYLOAD", "SETTINGS", (1, "updater.ini")),
            ("destination held without sharing: found, not updatable", 64, "PAYLOAD", "SETTINGS",
             (16, "src.dll", "dst.exe"), None, ["dst.exe"]),
            ("a destination past MAX_PATH, in the long form", 64, "PAYLOAD", "SETTINGS", [NAMED], DEEP_EXE),
            ("destination replaced at the end", 64, "PAYLOAD", "SETTINGS", (16, "src.dll", "updater.exe"), "updater.exe"),
        ], check)


if __name__ == "__main__":
    main()
