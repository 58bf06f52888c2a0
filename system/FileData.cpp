#include "FileData.h"

#include "FileCalls.h"
#include "Handles.h"
#include "Progress.h"
#include "foundation/Crc32.h"
#include "foundation/Numbers.h"

GUARDED bool PathExists(const String& path) {
    FileSearch search;
    return search.First(Widened(path));
}

bool NameExists(const char* path) { return AttributesOf(Widened(path)) != INVALID_FILE_ATTRIBUTES; }

bool WriteWholly(HANDLE file, const void* data, DWORD size) {
    const char* next = static_cast<const char*>(data);
    while (size) {
        DWORD written = 0;
        if (!WriteFile(file, next, size, &written, nullptr))
            return false;
        if (written == 0 || written > size) {
            SetLastError(ERROR_DISK_FULL);
            return false;
        }
        next += written;
        size -= written;
    }
    return true;
}

static HANDLE OpenFolder(const WidePath& folder, DWORD access) {
    return OpenFileAt(folder, access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING,
                      FILE_FLAG_BACKUP_SEMANTICS);
}

bool FolderWriteTime(const WidePath& folder, FILETIME& written) {
    FileHandle handle(OpenFolder(folder, FILE_READ_ATTRIBUTES));
    return handle.IsValid() && GetFileTime(handle.Get(), nullptr, nullptr, &written);
}

bool SetFolderWriteTime(const WidePath& folder, const FILETIME& written) {
    FileHandle handle(OpenFolder(folder, FILE_WRITE_ATTRIBUTES));
    return handle.IsValid() && SetFileTime(handle.Get(), nullptr, nullptr, &written);
}

static HANDLE OpenForReading(const String& path, DWORD share = 0) {
    return OpenFileAt(Widened(path), GENERIC_READ, share, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
}

static bool DateReached(const SYSTEMTIME& written, const String& date) {
    unsigned short parts[3];
    ParseDate(date, parts);
    WORD year = parts[0], month = parts[1], day = parts[2];
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
    FileHandle file(OpenForReading(path, FILE_SHARE_READ | FILE_SHARE_WRITE));
    if (!file.IsValid())
        return false;
    DWORD size = GetFileSize(file.Get(), nullptr);
    if (size == 0 || size == INVALID_FILE_SIZE || !buffer.AllocBuffer(size))
        return false;
    DWORD read = 0;
    return ReadFile(file.Get(), buffer.Data(), size, &read, nullptr) && read == size;
}

bool FileCrc32(const String& path, ByteBuffer& block, unsigned& crc) {
    FileHandle file(OpenForReading(path));
    if (!file.IsValid())
        return false;
    // GetFileSize with the high part rather than GetFileSizeEx, which the
    // kernel of Windows 95, 98 and Me does not export.
    DWORD high = 0;
    DWORD low = GetFileSize(file.Get(), &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR)
        return false;
    unsigned long long left = (static_cast<unsigned long long>(high) << 32) | low;
    if (left == 0)
        return false;
    unsigned blockSize = left < FileCrcBlockSize ? static_cast<unsigned>(left) : FileCrcBlockSize;
    if (block.Size() != blockSize && !block.AllocBuffer(blockSize))
        return false;
    unsigned running = 0;
    while (left > 0) {
        DWORD wanted = left < blockSize ? static_cast<DWORD>(left) : blockSize;
        DWORD read = 0;
        if (!ReadFile(file.Get(), block.Data(), wanted, &read, nullptr) || read != wanted)
            return false;
        running = Crc32Update(running, block.Data(), read);
        left -= read;
        ProgressBytes(read);
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
