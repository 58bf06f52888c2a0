#include "Clipboard.h"

#include <string.h>
#include <windows.h>

#include "Handles.h"

// The text in movable global memory, as CF_TEXT wants it.
static HGLOBAL CopyToGlobal(const String& text) {
    SIZE_T size = static_cast<SIZE_T>(text.Length()) + 1;
    GlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size));
    if (!memory.IsValid())
        return nullptr;
    void* bytes = GlobalLock(memory.Get());
    if (!bytes)
        return nullptr;
    memcpy(bytes, text.Text(), size);
    GlobalUnlock(memory.Get());
    return memory.Release();
}

bool PutClipboardText(const String& text) {
    if (!OpenClipboard(nullptr))
        return false;
    GlobalMemory memory(CopyToGlobal(text));
    bool handedOver = false;
    if (memory.IsValid() && EmptyClipboard() && SetClipboardData(CF_TEXT, memory.Get())) {
        // From here on the clipboard owns the memory.
        memory.Release();
        handedOver = true;
    }
    CloseClipboard();
    return handedOver;
}
