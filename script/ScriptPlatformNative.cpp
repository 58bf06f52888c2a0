// Stand-ins for the native build: a fixed machine without registered
// programs, whose profile is the block that SetNativeProfile gave.
#include "ScriptPlatform.h"
#include "ScriptPlatformNative.h"

#include <stdio.h>
#include <string.h>

#include "foundation/String.h"

static const char* profileBlock = "";
static unsigned profileSize = 1;

void SetNativeProfile(const char* block, unsigned size) {
    profileBlock = block;
    profileSize = size;
}

void ScriptReadProfileString(const char*, const char*, const char*, const char* absent, char* buffer,
                             unsigned size) {
    snprintf(buffer, size, "%s", absent);
}

// The block stands for every section: lines ended by zero bytes, cut like
// the platform cuts, with two zero bytes at the end.
void ScriptReadProfileSection(const char*, const char*, char* buffer, unsigned size) {
    if (size < 2)
        return;
    unsigned length = profileSize < size - 2 ? profileSize : size - 2;
    memcpy(buffer, profileBlock, length);
    buffer[length] = 0;
    buffer[length + 1] = 0;
}

static void Fixed(String& target, const char* path) {
    if (target.AllocBuffer(260))
        snprintf(target.Text(), 260, "%s", path);
}

void ScriptWindowsDirectory(String& target) { Fixed(target, "C:\\WINDOWS"); }
void ScriptSystemDirectory(String& target) { Fixed(target, "C:\\WINDOWS\\system32"); }
void ScriptTempPath(String& target) { Fixed(target, "C:\\TEMP\\"); }

bool ScriptIsWindowsNT() { return true; }

bool ScriptSpecialFolder(String& target, int folderId) {
    if (folderId < 0 || folderId > 0x3F)
        return false;
    char path[32];
    snprintf(path, sizeof path, "C:\\Folder%02X\\", static_cast<unsigned>(folderId));
    return target.Assign(path);
}

bool ScriptFindAppPath(const char*, String&, bool) { return false; }
