#include "ShellFileOperation.h"

#include <windows.h>
#include <shellapi.h>

bool ShellFileOperation(unsigned operation, const char* from, const char* to) {
    SHFILEOPSTRUCTA request;
    ZeroMemory(&request, sizeof(request));
    request.wFunc = operation;
    request.pFrom = from;
    request.pTo = to;
    request.fFlags = FOF_NOCONFIRMATION | FOF_SIMPLEPROGRESS | FOF_NOCONFIRMMKDIR;
    request.fAnyOperationsAborted = FALSE;
    return SHFileOperationA(&request) == 0 && !request.fAnyOperationsAborted;
}
