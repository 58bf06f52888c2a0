#include "FileReplace.h"

#include "Shell.h"
#include "foundation/PathText.h"

void PutAttributesBack(const char* path, DWORD attributes) {
    DWORD error = GetLastError();
    SetFileAttributesA(path, attributes);
    SetLastError(error);
}

bool ReplaceFileInOneStep(const char* replacement, const String& target) {
    // MoveFileExA refuses to replace a read-only file. Where there is no
    // target, the attribute calls fail and change nothing.
    DWORD attributes = GetFileAttributesA(target.Text());
    SetFileAttributesA(target.Text(), attributes & ~FILE_ATTRIBUTE_READONLY);
    if (MoveFileExA(replacement, target.Text(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    PutAttributesBack(target.Text(), attributes);
    return false;
}

bool ReplaceThroughCopy(const String& source, const String& target, CopyChange change, void* context) {
    char copy[MAX_PATH];
    String folder = PathPrefix(target);
    if (!GetTempFileNameA(folder.IsEmpty() ? "." : folder.Text(), "", 0, copy))
        return false;
    if (CopyFileA(source.Text(), copy, FALSE) && (!change || change(copy, context)) &&
        ReplaceFileInOneStep(copy, target))
        return true;
    // A copy of a read-only file is read-only too.
    PutAttributesBack(copy, FILE_ATTRIBUTE_NORMAL);
    DWORD error = GetLastError();
    DeleteFileA(copy);
    SetLastError(error);
    return false;
}

bool CopyFileReplacing(const String& source, const String& destination) {
    if (!IsWindowsNT())
        return CopyFileA(source.Text(), destination.Text(), FALSE) != 0;
    return ReplaceThroughCopy(source, destination);
}
