// The registry-key holder, App Paths lookups and the shell services.
#include "tests/unit/Unit.h"

#include <shlobj.h>
#include <string.h>
#include <windows.h>

#include "system/Registry.h"
#include "system/Shell.h"
#include "Folders.h"

namespace {

const char TestKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\c_unit_registry.exe";

// The App Paths entry of a program that does not exist, removed again when the object goes.
class TestEntry {
public:
    TestEntry() {
        REQUIRE(RegCreateKeyExA(HKEY_LOCAL_MACHINE, TestKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) ==
                ERROR_SUCCESS);
    }
    ~TestEntry() {
        RegCloseKey(key);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, TestKey);
    }
    void Set(const char* name, const char* data, DWORD type = REG_SZ, int size = -1) {
        DWORD bytes = size < 0 ? static_cast<DWORD>(strlen(data) + 1) : static_cast<DWORD>(size);
        REQUIRE(RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data), bytes) == ERROR_SUCCESS);
    }

private:
    HKEY key;
};

} // namespace

TEST_CASE("registry: keys that are closed, missing or without root answer nothing") {
    TestEntry entry;
    String target("kept");
    RegistryKey closed(HKEY_LOCAL_MACHINE, TestKey), missing(HKEY_LOCAL_MACHINE, "Software\\c_unit_none\\below"),
        rootless(nullptr, TestKey);
    CHECK((closed.ValueSize("") == 0 && !closed.ReadString("", target)));
    CHECK((!missing.Open(KEY_READ) && !missing.ReadValue("", target) && !rootless.Open(KEY_READ)));
    CHECK(S(target) == "kept");
}

TEST_CASE("registry: values are read at their stored size, terminated") {
    TestEntry entry;
    entry.Set("", "C:\\Prog\\p.exe");
    entry.Set("PATH", "C:\\Prog;");
    entry.Set("RAW", "abc", REG_BINARY, 3);
    entry.Set("UNENDED", "xyz", REG_SZ, 3);
    RegistryKey key(HKEY_LOCAL_MACHINE, TestKey);
    REQUIRE(key.Open(KEY_READ));
    CHECK((key.ValueSize("") == 14 && key.ValueSize("RAW") == 3 && key.ValueSize("MISSING") == 0));
    String target;
    CHECK((key.ReadString("", target) && S(target) == "C:\\Prog\\p.exe"));
    CHECK((key.ReadString("RAW", target) && S(target) == "abc"));
    CHECK((key.ReadString("UNENDED", target) && S(target).compare(0, 3, "xyz") == 0 && target.Length() <= 4));
    target.Assign("kept");
    CHECK((!key.ReadString("MISSING", target) && S(target) == "kept"));
    key.Close();
    CHECK(!key.ReadString("", target));
    CHECK((key.ReadValue("PATH", target) && S(target) == "C:\\Prog;" && key.ValueSize("PATH") == 0));
}

TEST_CASE("registry: FindAppPath reads the default value or PATH") {
    TestEntry entry;
    entry.Set("", "C:\\Prog\\p.exe");
    String target("kept");
    CHECK((!FindAppPath("c_unit_registry.exe", target, false) && S(target) == "kept"));
    CHECK((FindAppPath("c_unit_registry.exe", target, true) && S(target) == "C:\\Prog\\p.exe"));
    entry.Set("PATH", "C:\\Prog\\;D:\\");
    CHECK((FindAppPath("C_UNIT_REGISTRY.EXE", target, false) && S(target) == "C:\\Prog\\;D:\\"));
    target.Assign("kept");
    CHECK((!FindAppPath("c_unit_not_registered.exe", target, true) && S(target) == "kept"));
}

TEST_CASE("shell: the platform is the NT family") {
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    REQUIRE(GetVersionExA(&info));
    CHECK((sizeof info == 148 && IsWindowsNT() && info.dwPlatformId == VER_PLATFORM_WIN32_NT));
}

TEST_CASE("shell: special folders") {
    String target;
    for (int folder : {CSIDL_APPDATA, CSIDL_COMMON_DESKTOPDIRECTORY}) {
        INFO("folder " << folder);
        REQUIRE(GetSpecialFolderPath(nullptr, target, folder));
        CHECK((S(target) == FolderPath(folder) && !target.IsEmpty()));
    }
    target.Assign("kept"); // an unknown one leaves the target
    CHECK((!GetSpecialFolderPath(nullptr, target, 0xff) && S(target) == "kept"));
    // A virtual folder without a path empties it.
    CHECK((!GetSpecialFolderPath(nullptr, target, CSIDL_DRIVES) && target.IsEmpty()));
}
