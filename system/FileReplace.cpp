#include "FileReplace.h"

#include <string.h>

#include "Shell.h"
#include "foundation/PathText.h"

void PutAttributesBack(const char* path, DWORD attributes) {
    DWORD error = GetLastError();
    SetFileAttributesA(path, attributes);
    SetLastError(error);
}

bool ReplaceFileInOneStep(const char* replacement, const String& target) {
    // MoveFileExA refuses to replace a read-only file. With no target there,
    // the attribute calls fail and change nothing.
    const char* name = target.Text();
    DWORD attributes = GetFileAttributesA(name);
    if (attributes & FILE_ATTRIBUTE_READONLY)
        SetFileAttributesA(name, attributes & ~FILE_ATTRIBUTE_READONLY);
    if (MoveFileExA(replacement, name, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    PutAttributesBack(name, attributes);
    return false;
}

// The copy goes beside the target under its name and "~" when nothing has
// that name (it never overwrites), otherwise under a name that
// GetTempFileNameA makes: one file created less for every copy.
static bool CopyBeside(const String& source, const String& target, char (&copy)[MAX_PATH]) {
    unsigned length = target.Length();
    if (length + 2 <= MAX_PATH) {
        memcpy(copy, target.Text(), length);
        copy[length] = '~';
        copy[length + 1] = 0;
        if (CopyFileA(source.Text(), copy, TRUE))
            return true;
    }
    String folder = PathPrefix(target);
    if (!GetTempFileNameA(folder.IsEmpty() ? "." : folder.Text(), "", 0, copy))
        return false;
    return CopyFileA(source.Text(), copy, FALSE) || (DeleteFileA(copy), false);
}

bool ReplaceThroughCopy(const String& source, const String& target, CopyChange change, void* context) {
    char copy[MAX_PATH];
    if (!CopyBeside(source, target, copy))
        return false;
    if ((!change || change(copy, context)) && ReplaceFileInOneStep(copy, target))
        return true;
    // A copy of a read-only file is read-only too.
    DWORD error = GetLastError();
    SetFileAttributesA(copy, FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(copy);
    SetLastError(error);
    return false;
}

bool CopyFileReplacing(const String& source, const String& destination) {
    if (!IsWindowsNT())
        return CopyFileA(source.Text(), destination.Text(), FALSE) != 0;
    return ReplaceThroughCopy(source, destination);
}
