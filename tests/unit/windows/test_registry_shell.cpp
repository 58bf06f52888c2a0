// The registry-key holder, below what ?App and ?AppPath show.
#include "tests/unit/Unit.h"

#include <string.h>
#include <windows.h>

#include "system/Registry.h"

TEST_CASE("registry: values are read at their stored size, terminated; a closed key answers nothing") {
    const char name[] = "Software\\c_unit_registry";
    HKEY key;
    REQUIRE(RegCreateKeyExA(HKEY_CURRENT_USER, name, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) == 0);
    RegSetValueExA(key, "", 0, REG_SZ, reinterpret_cast<const BYTE*>("C:\\Prog\\p.exe"), 14);
    RegSetValueExA(key, "RAW", 0, REG_BINARY, reinterpret_cast<const BYTE*>("abc"), 3);
    RegSetValueExA(key, "UNENDED", 0, REG_SZ, reinterpret_cast<const BYTE*>("xyz"), 3);
    RegCloseKey(key);
    RegistryKey entry(HKEY_CURRENT_USER, name), missing(HKEY_CURRENT_USER, "Software\\c_unit_none\\below");
    String target("kept");
    CHECK((!entry.ReadString("", target) && entry.ValueSize("") == 0 && !missing.Open(KEY_READ)));
    REQUIRE(entry.Open(KEY_READ));
    CHECK((entry.ValueSize("") == 14 && entry.ValueSize("RAW") == 3 && entry.ValueSize("MISSING") == 0));
    CHECK((!entry.ReadString("MISSING", target) && S(target) == "kept"));
    CHECK((entry.ReadString("RAW", target) && S(target) == "abc"));
    CHECK((entry.ReadString("UNENDED", target) && S(target).compare(0, 3, "xyz") == 0 && target.Length() <= 4));
    entry.Close();
    CHECK((!entry.ReadString("", target) && entry.ReadValue("", target) && S(target) == "C:\\Prog\\p.exe"));
    RegDeleteKeyA(HKEY_CURRENT_USER, name);
}
