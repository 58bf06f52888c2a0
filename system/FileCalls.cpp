#include "FileCalls.h"

#include <stdlib.h>

#include "Libraries.h"
#include "foundation/PathText.h"
#include "Shell.h"

namespace {

enum Call {
    GetAttributes, SetAttributes, DeleteFileCall, CreateFolderCall, RemoveFolderCall, MoveFileCall, CopyFileCall,
    CreateFileCall, FindFirst, FindNext, FullPath, CallCount, LongPath = CallCount
};

const char* const CallNames[] = {
    "GetFileAttributesW", "SetFileAttributesW", "DeleteFileW", "CreateDirectoryW", "RemoveDirectoryW",
    "MoveFileExW", "CopyFileW", "CreateFileW", "FindFirstFileW", "FindNextFileW", "GetFullPathNameW",
    "GetLongPathNameW",
};

// Looked up once; all null where the run takes the ANSI calls.
FARPROC wideCalls[CallCount + 1];
bool chosen, wide;

void Choose() {
    if (chosen)
        return;
    chosen = true;
    wide = IsWindowsNT();
    for (int i = 0; i <= CallCount; i++) {
        wideCalls[i] = KernelFunction(CallNames[i]);
        // GetLongPathNameW may be missing (NT 4.0); the others never are.
        wide = wide && (i == LongPath || wideCalls[i]);
    }
}

template <class Function>
Function Wide(Call call) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(wideCalls[call]));
}

// Below this many units every call takes the plain form; from it on the
// "\\\\?\\" form (CreateDirectoryW stops 12 units short of MAX_PATH).
const int PlainLimit = MAX_PATH - 12;

// The ANSI form for the older family; false (ERROR_INVALID_NAME) for a
// name outside the code page.
bool Ansi(const WidePath& path, String& ansi) { return path.ToAnsi(ansi); }

} // namespace

const WCHAR* SystemForm(const WidePath& path, WidePath& longForm) {
    const WCHAR* text = path.Text();
    if (path.Length() < PlainLimit)
        return text;
    bool drive = text[1] == L':' && IsPathSeparator(text[2]);
    bool share = IsPathSeparator(text[0]) && IsPathSeparator(text[1]) && text[2] != L'?' && text[2] != L'.';
    if (!drive && !share)
        return text;
    if (!longForm.Assign(drive ? L"\\\\?\\" : L"\\\\?\\UNC") || !longForm.Append(drive ? text : text + 1))
        return text;
    return longForm.Text();
}

bool FitsFileSystem(const WidePath& path) {
    const WCHAR* text = path.Text();
    int level = 0;
    for (int i = 0; i < path.Length() && level <= 255; i++)
        level = IsPathSeparator(text[i]) ? 0 : level + 1;
    if (level <= 255 && path.Length() < 32000)
        return true;
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return false;
}

bool UsesWideCalls() {
    Choose();
    return wide;
}

DWORD AttributesOf(const WidePath& path) {
    WidePath longForm;
    String ansi;
    if (UsesWideCalls())
        return Wide<DWORD(WINAPI*)(LPCWSTR)>(GetAttributes)(SystemForm(path, longForm));
    return Ansi(path, ansi) ? GetFileAttributesA(ansi.Text()) : INVALID_FILE_ATTRIBUTES;
}

bool SetAttributesOf(const WidePath& path, DWORD attributes) {
    WidePath longForm;
    String ansi;
    if (UsesWideCalls())
        return Wide<BOOL(WINAPI*)(LPCWSTR, DWORD)>(SetAttributes)(SystemForm(path, longForm), attributes) != 0;
    return Ansi(path, ansi) && SetFileAttributesA(ansi.Text(), attributes);
}

bool DeleteFileAt(const WidePath& path) {
    WidePath longForm;
    String ansi;
    if (UsesWideCalls())
        return Wide<BOOL(WINAPI*)(LPCWSTR)>(DeleteFileCall)(SystemForm(path, longForm)) != 0;
    return Ansi(path, ansi) && DeleteFileA(ansi.Text());
}

bool CreateFolderAt(const WidePath& path) {
    WidePath longForm;
    String ansi;
    if (UsesWideCalls())
        return Wide<BOOL(WINAPI*)(LPCWSTR, LPSECURITY_ATTRIBUTES)>(CreateFolderCall)(SystemForm(path, longForm),
                                                                                   nullptr) != 0;
    return Ansi(path, ansi) && CreateDirectoryA(ansi.Text(), nullptr);
}

bool RemoveFolderAt(const WidePath& path) {
    WidePath longForm;
    String ansi;
    if (UsesWideCalls())
        return Wide<BOOL(WINAPI*)(LPCWSTR)>(RemoveFolderCall)(SystemForm(path, longForm)) != 0;
    return Ansi(path, ansi) && RemoveDirectoryA(ansi.Text());
}

bool MoveFileAt(const WidePath& from, const WidePath& to, DWORD flags) {
    WidePath longFrom, longTo;
    String ansiFrom, ansiTo;
    if (UsesWideCalls())
        return Wide<BOOL(WINAPI*)(LPCWSTR, LPCWSTR, DWORD)>(MoveFileCall)(SystemForm(from, longFrom),
                                                                         SystemForm(to, longTo), flags) != 0;
    if (!Ansi(from, ansiFrom) || !Ansi(to, ansiTo))
        return false;
    if (flags & MOVEFILE_REPLACE_EXISTING)
        DeleteFileA(ansiTo.Text());
    return MoveFileA(ansiFrom.Text(), ansiTo.Text()) != 0;
}

bool CopyFileAt(const WidePath& from, const WidePath& to, bool failIfThere) {
    WidePath longFrom, longTo;
    String ansiFrom, ansiTo;
    if (UsesWideCalls())
        return Wide<BOOL(WINAPI*)(LPCWSTR, LPCWSTR, BOOL)>(CopyFileCall)(SystemForm(from, longFrom),
                                                                        SystemForm(to, longTo), failIfThere) != 0;
    return Ansi(from, ansiFrom) && Ansi(to, ansiTo) && CopyFileA(ansiFrom.Text(), ansiTo.Text(), failIfThere);
}

HANDLE OpenFileAt(const WidePath& path, DWORD access, DWORD share, DWORD disposition, DWORD flags) {
    WidePath longForm;
    String ansi;
    if (UsesWideCalls())
        return Wide<HANDLE(WINAPI*)(LPCWSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE)>(
            CreateFileCall)(SystemForm(path, longForm), access, share, nullptr, disposition, flags, nullptr);
    if (!Ansi(path, ansi))
        return INVALID_HANDLE_VALUE;
    return CreateFileA(ansi.Text(), access, share, nullptr, disposition, flags, nullptr);
}

bool FullPathOf(const WidePath& path, WidePath& full) {
    if (!UsesWideCalls()) {
        char buffer[MAX_PATH * 2];
        char* name;
        String ansi;
        if (!Ansi(path, ansi))
            return false;
        DWORD length = GetFullPathNameA(ansi.Text(), sizeof buffer, buffer, &name);
        return length > 0 && length < sizeof buffer && full.Assign(String(buffer));
    }
    typedef DWORD(WINAPI * Function)(LPCWSTR, DWORD, LPWSTR, LPWSTR*);
    WCHAR* name;
    DWORD size = Wide<Function>(FullPath)(path.Text(), 0, nullptr, &name);
    WCHAR* buffer = size ? static_cast<WCHAR*>(malloc(size * sizeof(WCHAR))) : nullptr;
    DWORD length = buffer ? Wide<Function>(FullPath)(path.Text(), size, buffer, &name) : 0;
    bool done = length > 0 && length < size && full.Assign(buffer, static_cast<int>(length));
    free(buffer);
    return done;
}

bool LongPathOf(const WidePath& path, WidePath& longPath) {
    typedef DWORD(WINAPI * Function)(LPCWSTR, LPWSTR, DWORD);
    if (!UsesWideCalls()) {
        // Windows 95 has no GetLongPathNameA: there a path stays as written.
        typedef DWORD(WINAPI * AnsiFunction)(LPCSTR, LPSTR, DWORD);
        static AnsiFunction ansiLong =
            reinterpret_cast<AnsiFunction>(reinterpret_cast<void*>(KernelFunction("GetLongPathNameA")));
        char buffer[MAX_PATH * 2];
        String ansi;
        DWORD length = ansiLong && Ansi(path, ansi) ? ansiLong(ansi.Text(), buffer, sizeof buffer) : 0;
        return length > 0 && length < sizeof buffer && longPath.Assign(String(buffer));
    }
    if (!wideCalls[LongPath])
        return false;
    WidePath longForm;
    const WCHAR* given = SystemForm(path, longForm);
    DWORD size = Wide<Function>(LongPath)(given, nullptr, 0);
    WCHAR* buffer = size ? static_cast<WCHAR*>(malloc(size * sizeof(WCHAR))) : nullptr;
    DWORD length = buffer ? Wide<Function>(LongPath)(given, buffer, size) : 0;
    const WCHAR* text = buffer;
    // What went in without the prefix comes back without it.
    if (length && given != path.Text()) {
        bool share = given[4] == L'U';
        text = share ? buffer + 6 : buffer + 4;
        if (share)
            buffer[6] = L'\\';
        length -= static_cast<DWORD>(text - buffer);
    }
    bool done = length > 0 && length < size && longPath.Assign(text, static_cast<int>(length));
    free(buffer);
    return done;
}

FileSearch::~FileSearch() {
    if (handle != INVALID_HANDLE_VALUE)
        FindClose(handle);
}

bool FileSearch::Took(BOOL ok, const WIN32_FIND_DATAA& ansi) {
    if (!ok)
        return false;
    found.dwFileAttributes = ansi.dwFileAttributes;
    return MultiByteToWideChar(CP_ACP, 0, ansi.cFileName, -1, found.cFileName, MAX_PATH) > 0;
}

bool FileSearch::First(const WidePath& pattern) {
    if (UsesWideCalls()) {
        WidePath longForm;
        handle = Wide<HANDLE(WINAPI*)(LPCWSTR, LPWIN32_FIND_DATAW)>(FindFirst)(SystemForm(pattern, longForm), &found);
        return handle != INVALID_HANDLE_VALUE;
    }
    String ansi;
    WIN32_FIND_DATAA data;
    if (!Ansi(pattern, ansi))
        return false;
    handle = FindFirstFileA(ansi.Text(), &data);
    return handle != INVALID_HANDLE_VALUE && Took(TRUE, data);
}

bool FileSearch::Next() {
    if (UsesWideCalls())
        return Wide<BOOL(WINAPI*)(HANDLE, LPWIN32_FIND_DATAW)>(FindNext)(handle, &found) != 0;
    WIN32_FIND_DATAA data;
    return Took(FindNextFileA(handle, &data), data);
}
