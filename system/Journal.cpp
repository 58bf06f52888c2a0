#include "Journal.h"

#include <stdlib.h>
#include <string.h>
#include <windows.h>

#include "FileCalls.h"
#include "FileData.h"
#include "Handles.h"
#include "Identity.h"
#include "foundation/PathText.h"
#include "foundation/Crc32.h"
#include "foundation/Messages.h"

static HANDLE journalFile = INVALID_HANDLE_VALUE;

bool JournalPathFor(const String& scriptPath, WidePath& journalPath) {
    String key(scriptPath), name;
    if (!TempFolderOf(journalPath) || key.IsEmpty())
        return false;
    key.FoldCase();
    Format(name, "updater-%08X.journal", Crc32(key.Text(), static_cast<unsigned>(key.Length())));
    return journalPath.Append(Widened(name).Text());
}

String JournalName(const WidePath& journalPath) {
    String readable = journalPath.Readable();
    return String(readable.Text() + PathPrefix(readable).Length());
}

// A named mutex for the journal's file name (no separators in it), never
// closed: the system releases it with the process, also a killed one.
bool ClaimJournal(const WidePath& path) {
    String name = JournalName(path);
    name.Append(".run");
    HANDLE claim = CreateMutexA(nullptr, FALSE, name.Text());
    return claim != nullptr && GetLastError() != ERROR_ALREADY_EXISTS;
}

// The mark a journal of this form starts with: the UTF-8 byte-order mark.
static const char Mark[] = "\xEF\xBB\xBF";

static bool MarkAt(const char* base, unsigned at, unsigned size) {
    return at + 3 <= size && memcmp(base + at, Mark, 3) == 0 && (at == 0 || base[at - 1] == '\n');
}

// A journal whose name is a link is never written through. One that does
// not start with the mark (an earlier version's, whose commit stayed
// unfinished) gets it before the lines this run adds.
bool OpenJournal(const WidePath& path) {
    if (IsLinkEntry(path)) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return false;
    }
    CloseJournal();
    journalFile = OpenFileAt(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL);
    char start[3];
    DWORD read = 0;
    if (journalFile != INVALID_HANDLE_VALUE &&
        (!ReadFile(journalFile, start, sizeof start, &read, nullptr) ||
         (SetFilePointer(journalFile, 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) ||
         ((read < 3 || memcmp(start, Mark, 3) != 0) && !WriteWholly(journalFile, Mark, 3))))
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

// `text` in UTF-8 after `line`; a lone surrogate as three bytes of its own.
static bool AppendUtf8(String& line, const WidePath& text) {
    static const unsigned char leads[] = {0, 0xC0, 0xE0, 0xF0};
    const WCHAR* units = text.Text();
    char* bytes = static_cast<char*>(malloc(text.Length() * 3 + 1));
    if (!bytes)
        return false;
    char* out = bytes;
    for (int i = 0; i < text.Length(); i++) {
        unsigned c = units[i];
        if (c >= 0xD800 && c < 0xDC00 && units[i + 1] >= 0xDC00 && units[i + 1] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (units[++i] - 0xDC00);
        int tail = c < 0x80 ? 0 : c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
        *out++ = static_cast<char>(leads[tail] | (c >> (6 * tail)));
        while (tail--)
            *out++ = static_cast<char>(0x80 | ((c >> (6 * tail)) & 0x3F));
    }
    *out = 0;
    int length = line.Length();
    bool appended = line.Append(bytes) && line.Length() == length + (out - bytes);
    free(bytes);
    return appended;
}

// The bytes from `p` to `end`, UTF-8 as AppendUtf8 writes it.
static bool FromUtf8(const char* p, const char* end, WidePath& path) {
    WCHAR* units = static_cast<WCHAR*>(malloc((end - p + 1) * sizeof(WCHAR)));
    if (!units)
        return false;
    int count = 0;
    while (p < end) {
        unsigned c = static_cast<unsigned char>(*p++);
        int tail = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        c &= tail ? 0x3Fu >> tail : 0xFFu;
        for (; tail && p < end; tail--)
            c = (c << 6) | (*p++ & 0x3F);
        if (c >= 0x10000) {
            units[count++] = static_cast<WCHAR>(0xD800 + ((c - 0x10000) >> 10));
            c = 0xDC00 + (c & 0x3FF);
        }
        units[count++] = static_cast<WCHAR>(c);
    }
    bool done = path.Assign(units, count);
    free(units);
    return done;
}

// A path no file system takes could not be found again by the undo.
static bool Line(String& line, char kind, const WidePath& path, const WidePath& second, const WidePath& third) {
    if (!FitsFileSystem(path) || !FitsFileSystem(second) || !FitsFileSystem(third))
        return false;
    char head[3] = {kind, '\t', 0};
    line = String();
    if (!(line.Assign(head) && AppendUtf8(line, path) && line.Append("\t") && AppendUtf8(line, second) &&
          line.Append("\t") && AppendUtf8(line, third) && line.Append("\r\n"))) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    return true;
}

static bool Write(const String& text) {
    return WriteWholly(journalFile, text.Text(), static_cast<DWORD>(text.Length()));
}

bool AddToJournal(char kind, const WidePath& path, const WidePath& second, const WidePath& third) {
    String line;
    return Line(line, kind, path, second, third) && Write(line);
}

bool HoldForJournal(char kind, const WidePath& path, const WidePath& second, const WidePath& third) {
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
bool NoteInJournal(char kind, const WidePath& path, const WidePath& second, const WidePath& third) {
    bool guards = kind != JournalCreated && kind != JournalMadeFolder;
    return AddToJournal(kind, path, second, third) && (!guards || FlushJournal());
}

bool ReadJournal(const WidePath& path, JournalText& text) {
    FileHandle file(OpenFileAt(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0));
    DWORD size = file.IsValid() ? GetFileSize(file.Get(), nullptr) : INVALID_FILE_SIZE;
    DWORD read = 0;
    if (size == INVALID_FILE_SIZE)
        return false;
    text.bytes.Clear();
    if (size && !(text.bytes.AllocBuffer(size) && ReadFile(file.Get(), text.bytes.Data(), size, &read, nullptr) &&
                  read == size))
        return false;
    const char* base = reinterpret_cast<const char*>(text.bytes.Data());
    text.utf8From = 0;
    while (text.utf8From < size && !MarkAt(base, text.utf8From, size))
        text.utf8From++;
    return true;
}

// The field that starts at `p` and ends at the next tab or at `end`, in
// UTF-8 or in the ANSI code page.
static const char* NextField(const char* p, const char* end, bool utf8, WidePath& field) {
    const char* stop = p;
    while (stop < end && *stop != '\t')
        stop++;
    String ansi;
    if (utf8)
        FromUtf8(p, stop, field);
    else if (ansi.AllocBuffer(static_cast<unsigned>(stop - p) + 1)) {
        memcpy(ansi.Text(), p, stop - p);
        ansi.Text()[stop - p] = 0;
        field.Assign(ansi);
    }
    return stop < end ? stop + 1 : end;
}

// A mark at the start of a line belongs to no record.
bool RecordBefore(const JournalText& text, unsigned end, JournalRecord& record, unsigned& start) {
    const char* base = reinterpret_cast<const char*>(text.bytes.Data());
    unsigned size = text.bytes.Size();
    while (end > 0 && (base[end - 1] == '\n' || base[end - 1] == '\r' || (end >= 3 && MarkAt(base, end - 3, size))))
        end -= base[end - 1] == '\n' || base[end - 1] == '\r' ? 1 : 3;
    if (end == 0)
        return false;
    start = end;
    while (start > 0 && base[start - 1] != '\n')
        start--;
    bool utf8 = start >= text.utf8From;
    const char* p = base + start + (MarkAt(base, start, size) ? 3 : 0);
    const char* stop = base + end;
    record.kind = *p;
    p = p + 1 < stop ? p + 2 : stop;
    p = NextField(p, stop, utf8, record.path);
    p = NextField(p, stop, utf8, record.second);
    NextField(p, stop, utf8, record.third);
    return true;
}

bool CutJournal(const WidePath& path, unsigned size) {
    FileHandle file(OpenFileAt(path, GENERIC_WRITE, FILE_SHARE_READ, OPEN_EXISTING, 0));
    return file.IsValid() && SetFilePointer(file.Get(), static_cast<LONG>(size), nullptr, FILE_BEGIN) == size &&
           SetEndOfFile(file.Get()) && FlushFileBuffers(file.Get());
}
