#include "ShellFileOperation.h"

#include <windows.h>
#include <shellapi.h>

#include "DirectoryTree.h"
#include "Journal.h"
#include "Keep.h"
#include "foundation/Platform.h"

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
    return SHFileOperationA(&request) == 0 && !request.fAnyOperationsAborted;
}
