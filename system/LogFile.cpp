#include "LogFile.h"

#include <windows.h>

#include "DirectoryTree.h"
#include "FileCalls.h"
#include "FileData.h"
#include "Handles.h"
#include "PathGate.h"
#include "foundation/PathText.h"
#include "foundation/Platform.h"

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
        RemoveFolderAt(Widened(folder));
        if (!DirectoryOf(folder, folder))
            break;
    }
    SetLastError(error);
}

static HANDLE OpenForAppending(const WidePath& path) {
    return OpenFileAt(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_ALWAYS,
                      FILE_ATTRIBUTE_NORMAL);
}

// Each line opens the file anew, through the run's file calls, by the path
// the gate resolved: the log may lie as deep as they reach, in folders the
// code page cannot spell.
static WidePath logFile;
static void* OpenLog(const char*) { return OpenForAppending(logFile); }

bool PrepareLogFile(const String& path, const String& script, String& full) {
    GatedPath gated;
    // Refuses an empty path, a device, a root and a folder link.
    if (!PassGate(path, PathRole::DestinationReplaced, gated))
        return false;
    if (!FitsFileSystem(gated.wide))
        return false;
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
    FileHandle file(OpenForAppending(gated.wide));
    if (!file.IsValid()) {
        if (inFolder)
            RemoveLevelsBelow(folder, existing);
        return false;
    }
    if (GetFileType(file.Get()) != FILE_TYPE_DISK)
        return Refuse(ERROR_ACCESS_DENIED);
    full = gated.full;
    logFile = gated.wide;
    SetLogOpener(OpenLog);
    return true;
}
