#include "FileCalls.h"

#include <stdlib.h>
#include <string.h>

#include "Libraries.h"
#include "foundation/PathText.h"
#include "Shell.h"

namespace {

enum Call {
    GetAttributes, SetAttributes, DeleteFileCall, CreateFolderCall, RemoveFolderCall, MoveFileCall, CopyFileCall,
    CreateFileCall, FindFirst, FindNext, FullPath, LoadModuleCall, BeginUpdateCall, CreateProcessCall, TempPath,
    CurrentFolder, ModuleName, ShortPath, CallCount,
    LongPath = CallCount
};

const char* const CallNames[] = {
    "GetFileAttributesW", "SetFileAttributesW", "DeleteFileW", "CreateDirectoryW", "RemoveDirectoryW",
    "MoveFileExW", "CopyFileW", "CreateFileW", "FindFirstFileW", "FindNextFileW", "GetFullPathNameW",
    "LoadLibraryExW", "BeginUpdateResourceW", "CreateProcessW", "GetTempPathW", "GetCurrentDirectoryW",
    "GetModuleFileNameW", "GetShortPathNameW",
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

// A path as the call of this run takes it: wide (the long form where it
// is needed), or for the older family in the code page, where a name it
// cannot spell fails with ERROR_INVALID_NAME.
struct CallPath {
    WidePath longForm;
    const WCHAR* wide;
    char ansi[MAX_PATH * 2];
    bool Take(const WidePath& path);
};

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

bool UsesWideCalls() {
    Choose();
    return wide;
}

bool CallPath::Take(const WidePath& path) {
    wide = UsesWideCalls() ? SystemForm(path, longForm) : nullptr;
    String spelled;
    if (wide)
        return true;
    if (path.ToAnsi(spelled) && spelled.Length() < static_cast<int>(sizeof ansi)) {
        memcpy(ansi, spelled.Text(), spelled.Length() + 1);
        return true;
    }
    SetLastError(ERROR_INVALID_NAME);
    return false;
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

DWORD AttributesOf(const WidePath& path) {
    CallPath p;
    if (!p.Take(path))
        return INVALID_FILE_ATTRIBUTES;
    return p.wide ? Wide<DWORD(WINAPI*)(LPCWSTR)>(GetAttributes)(p.wide) : GetFileAttributesA(p.ansi);
}

bool SetAttributesOf(const WidePath& path, DWORD attributes) {
    CallPath p;
    return p.Take(path) && (p.wide ? Wide<BOOL(WINAPI*)(LPCWSTR, DWORD)>(SetAttributes)(p.wide, attributes)
                                   : SetFileAttributesA(p.ansi, attributes));
}

bool DeleteFileAt(const WidePath& path) {
    CallPath p;
    return p.Take(path) && (p.wide ? Wide<BOOL(WINAPI*)(LPCWSTR)>(DeleteFileCall)(p.wide) : DeleteFileA(p.ansi));
}

bool CreateFolderAt(const WidePath& path) {
    CallPath p;
    return p.Take(path) && (p.wide ? Wide<BOOL(WINAPI*)(LPCWSTR, LPSECURITY_ATTRIBUTES)>(CreateFolderCall)(p.wide, nullptr)
                                   : CreateDirectoryA(p.ansi, nullptr));
}

bool RemoveFolderAt(const WidePath& path) {
    CallPath p;
    return p.Take(path) && (p.wide ? Wide<BOOL(WINAPI*)(LPCWSTR)>(RemoveFolderCall)(p.wide) : RemoveDirectoryA(p.ansi));
}

bool MoveFileAt(const WidePath& from, const WidePath& to, DWORD flags) {
    CallPath f, t;
    if (!f.Take(from) || !t.Take(to))
        return false;
    if (f.wide)
        return Wide<BOOL(WINAPI*)(LPCWSTR, LPCWSTR, DWORD)>(MoveFileCall)(f.wide, t.wide, flags) != 0;
    if (flags & MOVEFILE_REPLACE_EXISTING)
        DeleteFileA(t.ansi);
    return MoveFileA(f.ansi, t.ansi) != 0;
}

SetInformationFunction SetInformation() {
    static SetInformationFunction function = reinterpret_cast<SetInformationFunction>(
        reinterpret_cast<void*>(KernelFunction("SetFileInformationByHandle")));
    return function;
}

// FILE_RENAME_INFO (the headers give it for Vista and later only).
struct RenameInformation {
    BOOL replaceIfExists;
    HANDLE rootDirectory;
    DWORD fileNameLength;
    WCHAR fileName[1];
};

bool RenameThrough(HANDLE file, const WidePath& to, bool replace) {
    WidePath longForm;
    const WCHAR* name = SystemForm(to, longForm);
    int units = 0;
    while (name[units])
        units++;
    DWORD size = static_cast<DWORD>(sizeof(RenameInformation) + units * sizeof(WCHAR));
    RenameInformation* rename = SetInformation() ? static_cast<RenameInformation*>(calloc(1, size)) : nullptr;
    if (!rename)
        return false;
    rename->replaceIfExists = replace;
    rename->fileNameLength = static_cast<DWORD>(units) * sizeof(WCHAR);
    memcpy(rename->fileName, name, (units + 1) * sizeof(WCHAR));
    enum { FileRenameInfoClass = 3 };
    bool renamed = units > 0 && SetInformation()(file, FileRenameInfoClass, rename, size);
    DWORD error = GetLastError();
    free(rename);
    SetLastError(error);
    return renamed;
}

bool CopyFileAt(const WidePath& from, const WidePath& to, bool failIfThere) {
    CallPath f, t;
    return f.Take(from) && t.Take(to) &&
           (f.wide ? Wide<BOOL(WINAPI*)(LPCWSTR, LPCWSTR, BOOL)>(CopyFileCall)(f.wide, t.wide, failIfThere)
                   : CopyFileA(f.ansi, t.ansi, failIfThere));
}

HANDLE OpenFileAt(const WidePath& path, DWORD access, DWORD share, DWORD disposition, DWORD flags) {
    CallPath p;
    if (!p.Take(path))
        return INVALID_HANDLE_VALUE;
    if (p.wide)
        return Wide<HANDLE(WINAPI*)(LPCWSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE)>(
            CreateFileCall)(p.wide, access, share, nullptr, disposition, flags, nullptr);
    return CreateFileA(p.ansi, access, share, nullptr, disposition, flags, nullptr);
}

HMODULE LoadModuleAt(const WidePath& path, DWORD flags) {
    CallPath p;
    if (!p.Take(path))
        return nullptr;
    return p.wide ? Wide<HMODULE(WINAPI*)(LPCWSTR, HANDLE, DWORD)>(LoadModuleCall)(p.wide, nullptr, flags)
                  : LoadLibraryExA(p.ansi, nullptr, flags);
}

HANDLE BeginUpdateAt(const WidePath& path) {
    CallPath p;
    if (!p.Take(path))
        return nullptr;
    return p.wide ? Wide<HANDLE(WINAPI*)(LPCWSTR, BOOL)>(BeginUpdateCall)(p.wide, FALSE)
                  : BeginUpdateResourceA(p.ansi, FALSE);
}

bool StartProcessAt(String& commandLine, const WidePath& folder, PROCESS_INFORMATION& created) {
    typedef BOOL(WINAPI * Function)(LPCWSTR, LPWSTR, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL, DWORD,
                                    LPVOID, LPCWSTR, LPSTARTUPINFOW, LPPROCESS_INFORMATION);
    CallPath p;
    // No system takes a current folder past MAX_PATH, with its separator.
    if (folder.Length() + 1 >= MAX_PATH) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    if (!p.Take(folder))
        return false;
    if (!p.wide) {
        STARTUPINFOA startup;
        ZeroMemory(&startup, sizeof(startup));
        startup.cb = sizeof(startup);
        return CreateProcessA(nullptr, commandLine.Text(), nullptr, nullptr, FALSE, 0, nullptr, p.ansi, &startup, &created);
    }
    // The system may write into the command line.
    WidePath line = Widened(commandLine);
    STARTUPINFOW startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    return !line.IsEmpty() && Wide<Function>(CreateProcessCall)(nullptr, const_cast<WCHAR*>(line.Text()), nullptr,
                                                                nullptr, FALSE, 0, nullptr, folder.Text(), &startup,
                                                                &created);
}

// The ANSI answer of the older family, widened.
static bool Widen(DWORD length, const char* buffer, WidePath& path) {
    return length > 0 && length < MAX_PATH * 2 && path.Assign(buffer);
}

// A folder the system names into a buffer it is given (the temporary
// folder, the current one): the wide call of `call`, or `ansi`.
static bool SystemFolder(Call call, DWORD(WINAPI* ansi)(DWORD, LPSTR), WidePath& folder) {
    typedef DWORD(WINAPI * Function)(DWORD, LPWSTR);
    char buffer[MAX_PATH * 2];
    if (!UsesWideCalls())
        return Widen(ansi(sizeof buffer, buffer), buffer, folder);
    DWORD size = Wide<Function>(call)(0, nullptr);
    WCHAR* wideBuffer = size ? static_cast<WCHAR*>(malloc(size * sizeof(WCHAR))) : nullptr;
    DWORD length = wideBuffer ? Wide<Function>(call)(size, wideBuffer) : 0;
    bool done = length > 0 && length < size && folder.Assign(wideBuffer, static_cast<int>(length));
    free(wideBuffer);
    return done;
}

bool TempFolderOf(WidePath& folder) { return SystemFolder(TempPath, GetTempPathA, folder); }

bool CurrentFolderOf(WidePath& folder) { return SystemFolder(CurrentFolder, GetCurrentDirectoryA, folder); }

// A path the system gives into a buffer of MAX_PATH units: a module's, a short one.
static bool WideAnswer(DWORD length, const WCHAR* buffer, WidePath& path) {
    return length > 0 && length < MAX_PATH && path.Assign(buffer, static_cast<int>(length));
}

GUARDED bool ProgramPathOf(String& path) {
    typedef DWORD(WINAPI * ModuleFunction)(HMODULE, LPWSTR, DWORD);
    typedef DWORD(WINAPI * ShortFunction)(LPCWSTR, LPWSTR, DWORD);
    WCHAR buffer[MAX_PATH];
    char ansi[MAX_PATH];
    WidePath full;
    if (UsesWideCalls() && WideAnswer(Wide<ModuleFunction>(ModuleName)(nullptr, buffer, MAX_PATH), buffer, full) &&
        (full.ToAnsi(path) ||
         (WideAnswer(Wide<ShortFunction>(ShortPath)(full.Text(), buffer, MAX_PATH), buffer, full) && full.ToAnsi(path))))
        return true;
    DWORD length = GetModuleFileNameA(nullptr, ansi, MAX_PATH);
    return length > 0 && length < MAX_PATH && path.Assign(ansi);
}

// Not in the "\\\\?\\" form: GetFullPathNameW takes a long path as it is, and
// gives a prefixed one back prefixed.
bool FullPathOf(const WidePath& path, WidePath& full) {
    typedef DWORD(WINAPI * Function)(LPCWSTR, DWORD, LPWSTR, LPWSTR*);
    char buffer[MAX_PATH * 2];
    char* ansiName;
    CallPath p;
    if (!p.Take(path))
        return false;
    if (!p.wide)
        return Widen(GetFullPathNameA(p.ansi, sizeof buffer, buffer, &ansiName), buffer, full);
    WCHAR* name;
    DWORD size = Wide<Function>(FullPath)(path.Text(), 0, nullptr, &name);
    WCHAR* wideBuffer = size ? static_cast<WCHAR*>(malloc(size * sizeof(WCHAR))) : nullptr;
    DWORD length = wideBuffer ? Wide<Function>(FullPath)(path.Text(), size, wideBuffer, &name) : 0;
    bool done = length > 0 && length < size && full.Assign(wideBuffer, static_cast<int>(length));
    free(wideBuffer);
    return done;
}

bool LongPathOf(const WidePath& path, WidePath& longPath) {
    typedef DWORD(WINAPI * Function)(LPCWSTR, LPWSTR, DWORD);
    // Windows 95 has no GetLongPathNameA, NT 4.0 no GetLongPathNameW: there
    // a path stays as written.
    typedef DWORD(WINAPI * AnsiFunction)(LPCSTR, LPSTR, DWORD);
    static AnsiFunction ansiLong =
        reinterpret_cast<AnsiFunction>(reinterpret_cast<void*>(KernelFunction("GetLongPathNameA")));
    char buffer[MAX_PATH * 2];
    CallPath p;
    if (!p.Take(path) || !(p.wide ? wideCalls[LongPath] != nullptr : ansiLong != nullptr))
        return false;
    if (!p.wide)
        return Widen(ansiLong(p.ansi, buffer, sizeof buffer), buffer, longPath);
    DWORD size = Wide<Function>(LongPath)(p.wide, nullptr, 0);
    WCHAR* wideBuffer = size ? static_cast<WCHAR*>(malloc(size * sizeof(WCHAR))) : nullptr;
    DWORD length = wideBuffer ? Wide<Function>(LongPath)(p.wide, wideBuffer, size) : 0;
    const WCHAR* text = wideBuffer;
    // What went in without the prefix comes back without it.
    if (length && p.wide != path.Text()) {
        bool share = p.wide[4] == L'U';
        text = share ? wideBuffer + 6 : wideBuffer + 4;
        if (share)
            wideBuffer[6] = L'\\';
        length -= static_cast<DWORD>(text - wideBuffer);
    }
    bool done = length > 0 && length < size && longPath.Assign(text, static_cast<int>(length));
    free(wideBuffer);
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
    found.nFileSizeHigh = ansi.nFileSizeHigh;
    found.nFileSizeLow = ansi.nFileSizeLow;
    return MultiByteToWideChar(CP_ACP, 0, ansi.cFileName, -1, found.cFileName, MAX_PATH) > 0;
}

bool FileSearch::First(const WidePath& pattern) {
    CallPath p;
    WIN32_FIND_DATAA data;
    if (!p.Take(pattern))
        return false;
    if (p.wide) {
        handle = Wide<HANDLE(WINAPI*)(LPCWSTR, LPWIN32_FIND_DATAW)>(FindFirst)(p.wide, &found);
        return handle != INVALID_HANDLE_VALUE;
    }
    handle = FindFirstFileA(p.ansi, &data);
    return handle != INVALID_HANDLE_VALUE && Took(TRUE, data);
}

bool FileSearch::Next() {
    if (UsesWideCalls())
        return Wide<BOOL(WINAPI*)(HANDLE, LPWIN32_FIND_DATAW)>(FindNext)(handle, &found) != 0;
    WIN32_FIND_DATAA data;
    return Took(FindNextFileA(handle, &data), data);
}
