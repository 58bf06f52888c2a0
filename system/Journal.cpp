#include "Journal.h"

#include <string.h>
#include <windows.h>

#include "FileData.h"
#include "Handles.h"
#include "Identity.h"
#include "foundation/PathText.h"
#include "foundation/Crc32.h"
#include "foundation/Messages.h"

static HANDLE journalFile = INVALID_HANDLE_VALUE;

bool JournalPathFor(const String& scriptPath, String& journalPath) {
    char folder[MAX_PATH];
    DWORD length = GetTempPathA(sizeof folder, folder);
    String key(scriptPath);
    if (length == 0 || length >= sizeof folder || key.IsEmpty())
        return false;
    key.FoldCase();
    Format(journalPath, "%supdater-%08X.journal", folder, Crc32(key.Text(), static_cast<unsigned>(key.Length())));
    return !journalPath.IsEmpty();
}

// A named mutex for the journal's file name (no separators in it), never
// closed: the system releases it with the process, also a killed one.
bool ClaimJournal(const String& path) {
    String name(path.Text() + PathPrefix(path).Length());
    name.Append(".run");
    HANDLE claim = CreateMutexA(nullptr, FALSE, name.Text());
    return claim != nullptr && GetLastError() != ERROR_ALREADY_EXISTS;
}

// A journal whose name is a link is never written through.
bool OpenJournal(const String& path) {
    if (IsLinkEntry(path)) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return false;
    }
    CloseJournal();
    journalFile = CreateFileA(path.Text(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (journalFile != INVALID_HANDLE_VALUE &&
        SetFilePointer(journalFile, 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR)
        CloseJournal();
    return journalFile != INVALID_HANDLE_VALUE;
}

bool JournalActive() { return journalFile != INVALID_HANDLE_VALUE; }

static String held;  // the records HoldForJournal keeps for the next flush

void CloseJournal() {
    held = String();
    if (journalFile != INVALID_HANDLE_VALUE)
        CloseHandle(journalFile);
    journalFile = INVALID_HANDLE_VALUE;
}

// Whether the file calls reach the path: MAX_PATH UTF-16 units with the
// terminator (a double-byte character is one unit). Wine's MoveFileExA was
// seen to move a file to a longer path that GetFileAttributesA then could
// not see: an undo would take it for never made.
static bool Reachable(const char* path) {
    return !*path || MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0) <= MAX_PATH;
}

static bool Line(String& line, char kind, const char* path, const char* second, const char* third) {
    if (!Reachable(path) || !Reachable(second) || !Reachable(third)) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    Format(line, "%c\t%s\t%s\t%s\r\n", kind, path, second, third);
    if (line.IsEmpty()) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    return true;
}

static bool Write(const String& text) {
    return WriteWholly(journalFile, text.Text(), static_cast<DWORD>(text.Length()));
}

bool AddToJournal(char kind, const char* path, const char* second, const char* third) {
    String line;
    return Line(line, kind, path, second, third) && Write(line);
}

bool HoldForJournal(char kind, const char* path, const char* second, const char* third) {
    String line;
    if (!Line(line, kind, path, second, third))
        return false;
    int length = held.Length();
    if (!held.Append(line.Text()) || held.Length() != length + line.Length()) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    return true;
}

bool FlushJournal() {
    bool written = Write(held);
    held = String();
    return written && FlushFileBuffers(journalFile);
}

// A record of something the run is about to create guards nothing that
// exists: the system has it once written, which a killed run cannot undo,
// and the next record that guards something takes it to the disk.
bool NoteInJournal(char kind, const char* path, const char* second, const char* third) {
    bool guards = kind != JournalCreated && kind != JournalMadeFolder;
    return AddToJournal(kind, path, second, third) && (!guards || FlushJournal());
}

bool ReadJournal(const String& path, ByteBuffer& text) {
    FileHandle file(CreateFileA(path.Text(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    DWORD size = file.IsValid() ? GetFileSize(file.Get(), nullptr) : INVALID_FILE_SIZE;
    DWORD read = 0;
    if (size == INVALID_FILE_SIZE)
        return false;
    text.Clear();
    return size == 0 || (text.AllocBuffer(size) && ReadFile(file.Get(), text.Data(), size, &read, nullptr) &&
                         read == size);
}

// The field that starts at `p` and ends at the next tab or at `end`.
static const char* NextField(const char* p, const char* end, String& field) {
    const char* stop = p;
    while (stop < end && *stop != '\t')
        stop++;
    unsigned length = static_cast<unsigned>(stop - p);
    field = String();
    if (length && field.AllocBuffer(length + 1)) {
        memcpy(field.Text(), p, length);
        field.Text()[length] = 0;
    }
    return stop < end ? stop + 1 : end;
}

bool RecordBefore(const ByteBuffer& text, unsigned end, JournalRecord& record, unsigned& start) {
    const char* base = reinterpret_cast<const char*>(text.Data());
    while (end > 0 && (base[end - 1] == '\n' || base[end - 1] == '\r'))
        end--;
    if (end == 0)
        return false;
    start = end;
    while (start > 0 && base[start - 1] != '\n')
        start--;
    const char* p = base + start;
    const char* stop = base + end;
    record.kind = *p;
    p = p + 1 < stop ? p + 2 : stop;
    p = NextField(p, stop, record.path);
    p = NextField(p, stop, record.second);
    NextField(p, stop, record.third);
    return true;
}

bool CutJournal(const String& path, unsigned size) {
    FileHandle file(CreateFileA(path.Text(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    return file.IsValid() && SetFilePointer(file.Get(), static_cast<LONG>(size), nullptr, FILE_BEGIN) == size &&
           SetEndOfFile(file.Get()) && FlushFileBuffers(file.Get());
}
