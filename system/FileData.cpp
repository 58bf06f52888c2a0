#include "FileData.h"

#include "Handles.h"
#include "foundation/Crc32.h"
#include "foundation/Numbers.h"

bool PathExists(const String& path) {
    WIN32_FIND_DATAA found;
    FindHandle search(FindFirstFileA(path.Text(), &found));
    return search.IsValid();
}

static HANDLE OpenForReading(const String& path) {
    return CreateFileA(path.Text(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

// The date's parts keep only their low 16 bits, like SYSTEMTIME's fields.
static bool DateReached(const SYSTEMTIME& written, const String& date) {
    WORD year = static_cast<WORD>(ParseInt(date.Item(0, "/")));
    WORD month = static_cast<WORD>(ParseInt(date.Item(1, "/")));
    WORD day = static_cast<WORD>(ParseInt(date.Item(2, "/")));
    if (written.wYear != year)
        return written.wYear > year;
    if (written.wMonth != month)
        return written.wMonth > month;
    return written.wDay >= day;
}

bool FileDateReached(const String& path, const String& date) {
    FILETIME lastWrite;
    {
        FileHandle file(OpenForReading(path));
        if (!file.IsValid() || !GetFileTime(file.Get(), nullptr, nullptr, &lastWrite))
            return false;
    }
    FILETIME local;
    SYSTEMTIME written;
    if (!FileTimeToLocalFileTime(&lastWrite, &local) || !FileTimeToSystemTime(&local, &written))
        return false;
    return DateReached(written, date);
}

bool ReadWholeFile(const String& path, ByteBuffer& buffer) {
    FileHandle file(OpenForReading(path));
    if (!file.IsValid())
        return false;
    DWORD size = GetFileSize(file.Get(), nullptr);
    if (size == 0 || size == INVALID_FILE_SIZE || !buffer.AllocBuffer(size))
        return false;
    DWORD read = 0;
    return ReadFile(file.Get(), buffer.Data(), size, &read, nullptr) && read == size;
}

bool FileCrc32(const String& path, unsigned& crc) {
    FileHandle file(OpenForReading(path));
    LARGE_INTEGER size;
    if (!file.IsValid() || !GetFileSizeEx(file.Get(), &size) || size.QuadPart <= 0)
        return false;
    // Nobody else can write or cut the file while the handle, opened without
    // sharing, is held.
    KernelHandle mapping(CreateFileMappingA(file.Get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (!mapping.IsValid())
        return false;
    const unsigned long long total = static_cast<unsigned long long>(size.QuadPart);
    unsigned running = 0;
    for (unsigned long long offset = 0; offset < total; offset += FileCrcViewSize) {
        const unsigned long long left = total - offset;
        const DWORD length = left < FileCrcViewSize ? static_cast<DWORD>(left) : FileCrcViewSize;
        const void* view = MapViewOfFile(mapping.Get(), FILE_MAP_READ, static_cast<DWORD>(offset >> 32),
                                         static_cast<DWORD>(offset), length);
        if (!view)
            return false;
        running = Crc32Update(running, view, length);
        UnmapViewOfFile(view);
    }
    crc = running;
    return true;
}

const void* LoadResourceData(HMODULE module, const char* name, const char* type,
                             HRSRC* foundResource) {
    HRSRC found = FindResourceA(module, name, type);
    if (!found)
        return nullptr;
    HGLOBAL loaded = LoadResource(module, found);
    if (!loaded)
        return nullptr;
    if (foundResource)
        *foundResource = found;
    return LockResource(loaded);
}
