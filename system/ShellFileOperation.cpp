#include "ShellFileOperation.h"

#include <windows.h>
#include <shellapi.h>
#include <string.h>

#include "DirectoryTree.h"
#include "FileCalls.h"
#include "Journal.h"
#include "Keep.h"
#include "foundation/PathText.h"
#include "foundation/Platform.h"

// The name list of the wide call: the name, then two zero units; false
// when it passes the shell's MAX_PATH units.
static bool WideList(const char* name, WCHAR (&list)[MAX_PATH]) {
    ZeroMemory(list, sizeof list);
    return !name || MultiByteToWideChar(CP_ACP, 0, name, -1, list, MAX_PATH - 1) > 0;
}

// SHFileOperationW on the NT family (looked up: Windows 95 lacks it), the
// ANSI call on the older one. The two requests differ only in their lists.
GUARDED static bool CallShell(SHFILEOPSTRUCTA& request) {
    typedef int(WINAPI * Function)(SHFILEOPSTRUCTW*);
    if (!UsesWideCalls())
        return SHFileOperationA(&request) == 0;
    static Function wideCall = reinterpret_cast<Function>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("SHELL32.DLL"), "SHFileOperationW")));
    WCHAR from[MAX_PATH], to[MAX_PATH];
    if (!wideCall || !WideList(request.pFrom, from) || !WideList(request.pTo, to))
        return false;
    SHFILEOPSTRUCTW wide;
    memcpy(&wide, &request, sizeof wide);
    wide.pFrom = from;
    wide.pTo = request.pTo ? to : nullptr;
    bool done = wideCall(&wide) == 0;
    request.fAnyOperationsAborted = wide.fAnyOperationsAborted;
    return done;
}

namespace {

// The longest name an entry of a walk has past `base` UTF-16 units.
struct Deepest {
    int base, longest;
};

} // namespace

static bool NoteLength(const String& entry, WalkEvent, void* context) {
    Deepest& deepest = *static_cast<Deepest*>(context);
    int units = Widened(entry).Length();
    if (units > deepest.base && units - deepest.base > deepest.longest)
        deepest.longest = units - deepest.base;
    return true;
}

bool ShellFitsBelow(const String& source, const String& under) {
    bool isDirectory = IsDirectory(source);
    if (!isDirectory && !strpbrk(source.Text() + PathPrefix(source).Length(), "*?"))
        return true;
    Deepest deepest = {Widened(isDirectory ? source : PathPrefix(source)).Length() - (isDirectory ? 0 : 1), 0};
    WalkPath(source, NoteLength, true, &deepest);
    return Widened(under).Length() + deepest.longest < MAX_PATH;
}

bool ShellFileOperation(unsigned operation, const char* from, const char* to) {
    if (JournalActive()) {
        if (operation == FO_DELETE)
            return DeletePath(String(from));
        bool moves = operation == FO_MOVE || operation == FO_RENAME;
        WidePath source = Widened(moves ? from : ""), destination = Widened(to);
        if (!NoteFoldersOf(source, destination) ||
            !(moves ? NoteInJournal(JournalPut, destination, WidePath(), source) : NoteCreated(destination)))
            return false;
    }
    // Wine's shell was seen to delete a file of the current folder for an
    // entry past MAX_PATH that bears the same name.
    if (operation == FO_DELETE && !ShellFitsBelow(String(from), String(from))) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    SHFILEOPSTRUCTA request;
    ZeroMemory(&request, sizeof(request));
    request.wFunc = operation;
    request.pFrom = from;
    request.pTo = to;
    request.fFlags = FOF_NOCONFIRMATION | FOF_SIMPLEPROGRESS | FOF_NOCONFIRMMKDIR;
    // A silent run has no one to answer the shell's progress or error windows.
    if (SilentBoxes())
        request.fFlags |= FOF_SILENT | FOF_NOERRORUI;
    request.fAnyOperationsAborted = FALSE;
    return CallShell(request) && !request.fAnyOperationsAborted;
}
