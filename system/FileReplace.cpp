#include "FileReplace.h"

#include "Shell.h"
#include "foundation/PathText.h"

void PutAttributesBack(const char* path, DWORD attributes) {
    DWORD error = GetLastError();
    SetFileAttributesA(path, attributes);
    SetLastError(error);
}

bool ReplaceFileInOneStep(const String& replacement, const String& target) {
    // MoveFileExA refuses to replace a read-only file.
    DWORD attributes = GetFileAttributesA(target.Text());
    bool readOnly = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
    if (readOnly)
        SetFileAttributesA(target.Text(), attributes & ~FILE_ATTRIBUTE_READONLY);
    if (MoveFileExA(replacement.Text(), target.Text(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    if (readOnly)
        PutAttributesBack(target.Text(), attributes);
    return false;
}

TemporaryFile::TemporaryFile(const String& target) : target(target) {
    String folder = PathPrefix(target);
    if (!GetTempFileNameA(folder.IsEmpty() ? "." : folder.Text(), "upd", 0, name))
        name[0] = 0;
}

TemporaryFile::~TemporaryFile() {
    if (!IsValid())
        return;
    DWORD error = GetLastError();
    // A copy of a read-only file is read-only too.
    SetFileAttributesA(name, FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(name);
    SetLastError(error);
}

bool TemporaryFile::ReplaceTarget() {
    if (!IsValid() || !ReplaceFileInOneStep(String(name), target))
        return false;
    name[0] = 0;
    return true;
}

bool CopyFileReplacing(const String& source, const String& destination) {
    if (!IsWindowsNT())
        return CopyFileA(source.Text(), destination.Text(), FALSE) != 0;
    TemporaryFile copy(destination);
    return copy.IsValid() && CopyFileA(source.Text(), copy.Name(), FALSE) && copy.ReplaceTarget();
}
