// The registry-key holder, App Paths lookups and the shell services.
#include <doctest.h>

#include <shlobj.h>
#include <string.h>
#include <windows.h>

#include <string>

#include "system/Registry.h"
#include "system/Shell.h"
#include "Folders.h"

namespace {

const char TestKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\c_unit_registry.exe";

// The App Paths entry of a program that does not exist, with values of
// several kinds; removed again when the object goes.
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
    void Set(const char* name, DWORD type, const void* data, DWORD size) {
        REQUIRE(RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS);
    }
    void SetText(const char* name, const char* text) {
        Set(name, REG_SZ, text, static_cast<DWORD>(strlen(text) + 1));
    }

private:
    HKEY key;
};

} // namespace

TEST_CASE("registry: a closed key answers nothing") {
    RegistryKey key(HKEY_LOCAL_MACHINE, TestKey);
    String target("kept");
    CHECK(key.ValueSize("") == 0);
    CHECK_FALSE(key.ReadString("", target));
    CHECK(std::string(target.Text()) == "kept");
}

TEST_CASE("registry: a key that does not exist does not open") {
    RegistryKey key(HKEY_LOCAL_MACHINE, "Software\\c_unit_no_such_key\\below");
    CHECK_FALSE(key.Open(KEY_READ));
    String target("kept");
    CHECK_FALSE(key.ReadValue("", target));
    CHECK(std::string(target.Text()) == "kept");
}

TEST_CASE("registry: a null root opens nothing") {
    TestEntry entry;
    RegistryKey key(nullptr, TestKey);
    CHECK_FALSE(key.Open(KEY_READ));
}

TEST_CASE("registry: values are read at their stored size, terminated") {
    TestEntry entry;
    entry.SetText("", "C:\\Prog\\p.exe");
    entry.SetText("PATH", "C:\\Prog;");
    entry.Set("RAW", REG_BINARY, "abc", 3);
    entry.Set("UNENDED", REG_SZ, "xyz", 3);
    RegistryKey key(HKEY_LOCAL_MACHINE, TestKey);
    REQUIRE(key.Open(KEY_READ));
    CHECK(key.ValueSize("") == 14);
    CHECK(key.ValueSize("RAW") == 3);
    CHECK(key.ValueSize("MISSING") == 0);
    String target;
    CHECK(key.ReadString("", target));
    CHECK(std::string(target.Text()) == "C:\\Prog\\p.exe");
    CHECK(key.ReadString("RAW", target));
    CHECK(std::string(target.Text()) == "abc");
    CHECK(key.ReadString("UNENDED", target));
    CHECK(std::string(target.Text()).compare(0, 3, "xyz") == 0);
    CHECK(target.Length() <= 4);
    target.Assign("kept");
    CHECK_FALSE(key.ReadString("MISSING", target));
    CHECK(std::string(target.Text()) == "kept");
    key.Close();
    CHECK_FALSE(key.ReadString("", target));
    CHECK(key.ReadValue("PATH", target));
    CHECK(std::string(target.Text()) == "C:\\Prog;");
    CHECK(key.ValueSize("PATH") == 0);
}

TEST_CASE("registry: FindAppPath reads the default value or PATH") {
    TestEntry entry;
    entry.SetText("", "C:\\Prog\\p.exe");
    String target("kept");
    CHECK_FALSE(FindAppPath("c_unit_registry.exe", target, false));
    CHECK(std::string(target.Text()) == "kept");
    CHECK(FindAppPath("c_unit_registry.exe", target, true));
    CHECK(std::string(target.Text()) == "C:\\Prog\\p.exe");
    entry.SetText("PATH", "C:\\Prog\\;D:\\");
    CHECK(FindAppPath("C_UNIT_REGISTRY.EXE", target, false));
    CHECK(std::string(target.Text()) == "C:\\Prog\\;D:\\");
    target.Assign("kept");
    CHECK_FALSE(FindAppPath("c_unit_not_registered.exe", target, true));
    CHECK(std::string(target.Text()) == "kept");
}

TEST_CASE("shell: the platform is the NT family") {
    OSVERSIONINFOA info;
    ZeroMemory(&info, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;
    REQUIRE(GetVersionExA(&info));
    CHECK(sizeof info == 148);
    CHECK(IsWindowsNT() == (info.dwPlatformId == VER_PLATFORM_WIN32_NT));
    CHECK(IsWindowsNT());
}

TEST_CASE("shell: a special folder gives its file-system path") {
    String target;
    REQUIRE(GetSpecialFolderPath(nullptr, target, CSIDL_APPDATA));
    CHECK(std::string(target.Text()) == FolderPath(CSIDL_APPDATA));
    REQUIRE(GetSpecialFolderPath(nullptr, target, CSIDL_COMMON_DESKTOPDIRECTORY));
    CHECK(std::string(target.Text()) == FolderPath(CSIDL_COMMON_DESKTOPDIRECTORY));
    CHECK(target.Text()[0] != 0);
}

TEST_CASE("shell: an unknown special folder leaves the target as it was") {
    String target("kept");
    CHECK_FALSE(GetSpecialFolderPath(nullptr, target, 0xff));
    CHECK(std::string(target.Text()) == "kept");
}

TEST_CASE("shell: a virtual folder without a path gives false and an empty target") {
    String target("kept");
    CHECK_FALSE(GetSpecialFolderPath(nullptr, target, CSIDL_DRIVES));
    CHECK(target.IsEmpty());
}
