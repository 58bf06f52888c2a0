#include "LogFile.h"

#include <windows.h>

#include "DirectoryTree.h"
#include "FileData.h"
#include "Handles.h"
#include "PathGate.h"
#include "foundation/PathText.h"

static bool Refuse(DWORD error) {
    SetLastError(error);
    return false;
}

// The deepest level of the folder that is there.
static String ExistingLevel(String folder) {
    while (!NameExists(folder.Text()) && DirectoryOf(folder, folder)) {
    }
    return folder;
}

// Empty folders below `kept`, deepest first; a level that is not there or
// not empty stays.
static void RemoveLevelsBelow(String folder, const String& kept) {
    DWORD error = GetLastError();
    while (folder.Length() > kept.Length()) {
        RemoveDirectoryA(folder.Text());
        if (!DirectoryOf(folder, folder))
            break;
    }
    SetLastError(error);
}

bool PrepareLogFile(const String& path, const String& script, String& full) {
    GatedPath gated;
    // Refuses an empty path, a device, a root and a folder link.
    if (!PassGate(path, PathRole::DestinationReplaced, gated))
        return false;
    if (gated.full.Length() >= MAX_PATH)
        return Refuse(ERROR_FILENAME_EXCED_RANGE);
    if (gated.kind == PathKind::Folder || EndsInSeparator(path) || SharedLinkCount(gated.full.Text(), script.Text()) != 0)
        return Refuse(ERROR_ACCESS_DENIED);
    String folder, existing;
    bool inFolder = DirectoryOf(gated.full, folder);
    if (inFolder) {
        existing = ExistingLevel(folder);
        if (!MakeDirectoryPath(folder)) {
            RemoveLevelsBelow(folder, existing);
            return false;
        }
    }
    FileHandle file(CreateFileA(gated.full.Text(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE |
                                FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) {
        if (inFolder)
            RemoveLevelsBelow(folder, existing);
        return false;
    }
    if (GetFileType(file.Get()) != FILE_TYPE_DISK)
        return Refuse(ERROR_ACCESS_DENIED);
    full = gated.full;
    return true;
}
