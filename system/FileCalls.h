// The calls that touch a file or a folder, given a wide path. This is the
// one place that chooses, once per run, between the wide calls and the ANSI
// ones: the NT family takes the wide calls (looked up at run time, as
// Windows 95 lacks most and has stubs of others that fail); Windows 95, 98
// and Me take the ANSI ones, where every name is in the code page anyway (a
// path that is not fails with ERROR_INVALID_NAME).
//
// Past MAX_PATH: a full path longer than the plain calls take goes to the
// wide calls in the "\\\\?\\" form ("\\\\?\\UNC\\server\\share\\..." for a
// share), so a tree is reached however deep it lies. Such a path is never
// changed further by the system: the program gives only full paths with
// "\\" between their levels, as ResolvePath and the walks make them.
#pragma once

#include <windows.h>

#include "WidePath.h"

// The form a wide call is given: `path` itself, or (in `longForm`) with the
// "\\?\" prefix when it is a full path of a drive or a share too long for
// the plain form.
const WCHAR* SystemForm(const WidePath& path, WidePath& longForm);

// False (ERROR_FILENAME_EXCED_RANGE) for a path no file system takes, even
// in the "\\?\" form: a level past 255 units, or the whole past 32,000.
bool FitsFileSystem(const WidePath& path);

// True when this run uses the wide calls.
bool UsesWideCalls();

DWORD AttributesOf(const WidePath& path);
bool SetAttributesOf(const WidePath& path, DWORD attributes);
bool DeleteFileAt(const WidePath& path);
bool CreateFolderAt(const WidePath& path);
bool RemoveFolderAt(const WidePath& path);
// MoveFileExW with `flags`; the older family has MoveFileA alone, and a
// flag that asks to replace an existing file makes it delete that first.
bool MoveFileAt(const WidePath& from, const WidePath& to, DWORD flags);
bool CopyFileAt(const WidePath& from, const WidePath& to, bool failIfThere);
// SetFileInformationByHandle (Vista and later; null before it).
typedef BOOL(WINAPI* SetInformationFunction)(HANDLE, int, void*, DWORD);
SetInformationFunction SetInformation();
// The open `file` renamed to `to` (FILE_RENAME_INFO), an existing `to`
// replaced only when `replace`. The handle needs DELETE access.
bool RenameThrough(HANDLE file, const WidePath& to, bool replace);
// CreateFileW with no security attributes and no template; INVALID_HANDLE_VALUE on failure.
HANDLE OpenFileAt(const WidePath& path, DWORD access, DWORD share, DWORD disposition, DWORD flags);

// LoadLibraryExW with `flags`; null on failure.
HMODULE LoadModuleAt(const WidePath& path, DWORD flags);
// BeginUpdateResourceW, keeping the resources there; null on failure.
HANDLE BeginUpdateAt(const WidePath& path);
// CreateProcessW of `commandLine` (the script's text, widened) in `folder`,
// with the default start-up facts; false on failure.
bool StartProcessAt(String& commandLine, const WidePath& folder, PROCESS_INFORMATION& created);

// The system's folder for temporary files, with a separator at its end;
// false when there is none.
bool TempFolderOf(WidePath& folder);
// The process's current folder; false when the system cannot say.
bool CurrentFolderOf(WidePath& folder);
// The program's own path in the code page, as the script's name and <Src>
// are made from it: where a level of its folder has no spelling there (a
// user's folder named in Hangul on a Japanese system), the short name the
// system gives that level, in letters every code page has. Where it gives
// none, the ANSI form, which then names nothing.
bool ProgramPathOf(String& path);

// The full path against the current folder ("/" read as "\\", "." and ".."
// taken out, trailing dots and spaces dropped); false when it fails.
bool FullPathOf(const WidePath& path, WidePath& full);
// The long name of every level, for a path whose levels all exist; false
// when one is missing or where the system cannot say (NT 4.0, Windows 95).
bool LongPathOf(const WidePath& path, WidePath& longPath);

// A listing of a folder (FindFirstFile), each entry's name wide. The
// search is closed on every path (FindClose; the API's "none" is
// INVALID_HANDLE_VALUE).
class FileSearch {
public:
    FileSearch() : handle(INVALID_HANDLE_VALUE) {}
    ~FileSearch();
    // False when nothing matches; then the last error is the system's.
    bool First(const WidePath& pattern);
    // False at the end (ERROR_NO_MORE_FILES) or on an error.
    bool Next();
    const WCHAR* Name() const { return found.cFileName; }
    DWORD Attributes() const { return found.dwFileAttributes; }
    unsigned long long Size() const {
        return (static_cast<unsigned long long>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
    }
    FileSearch(const FileSearch&) = delete;
    FileSearch& operator=(const FileSearch&) = delete;

private:
    bool Took(BOOL ok, const WIN32_FIND_DATAA& ansi);
    HANDLE handle;
    WIN32_FIND_DATAW found;
};
