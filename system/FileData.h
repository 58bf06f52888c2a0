// Facts and contents of files and modules, for the procedures. Nothing here
// shows anything; every answer is a result.
#pragma once

#include <windows.h>

#include "foundation/ByteBuffer.h"
#include "foundation/String.h"

// True when FindFirstFileA finds an entry: a directory, or any match of a
// pattern, counts.
bool PathExists(const String& path);

// True when the file opens (read, no sharing) and its last write, in local
// time, is on or after the date year/month/day.
bool FileDateReached(const String& path, const String& date);

// False for a file that cannot be opened (read, no sharing) or is empty.
bool ReadWholeFile(const String& path, ByteBuffer& buffer);

// Mapped per step by FileCrc32: a multiple of the 64 KiB granularity of
// views, and small enough that memory stays flat on a file of any size.
const unsigned FileCrcViewSize = 4 * 1024 * 1024;

// The CRC-32 of the file's bytes, read in place through views of the file,
// one at a time, with no copy. False, like ReadWholeFile, for a file that
// cannot be opened (read, no sharing) or is empty, or when a view cannot be
// mapped.
bool FileCrc32(const String& path, unsigned& crc);

// The resource's bytes, valid while the module stays loaded; null when the
// resource is not there.
const void* LoadResourceData(HMODULE module, const char* name, const char* type,
                             HRSRC* foundResource = nullptr);
