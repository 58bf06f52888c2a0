// Facts and contents of files and modules, for the procedures. Nothing here
// shows anything; every answer is a result.
#pragma once

#include <windows.h>

#include "WidePath.h"
#include "foundation/ByteBuffer.h"
#include "foundation/String.h"

// True when FindFirstFileA finds an entry: a directory, or any match of a
// pattern, counts.
bool PathExists(const String& path);

// True when the name itself is there (a file, a folder, a root), never read
// as a pattern.
bool NameExists(const char* path);

// Writes all of `data`. A full disk takes a write in part first (Wine, as
// Linux does): the rest is written again, which then fails with the
// system's error. A write that takes nothing and tells no error counts as
// a full disk.
bool WriteWholly(HANDLE file, const void* data, DWORD size);

// A folder's time of last writing, read and set through the folder itself;
// false when it does not open.
bool FolderWriteTime(const WidePath& folder, FILETIME& written);
bool SetFolderWriteTime(const WidePath& folder, const FILETIME& written);

// True when the file opens (read, no sharing) and its last write, in local
// time, is on or after the date year/month/day.
bool FileDateReached(const String& path, const String& date);

// False for a file that cannot be opened or is empty. Others may read and
// write it meanwhile: the checker reads a script that a run may be reading
// through the profile calls at the same moment, which an open without
// sharing would make fail (message 2 in the run).
bool ReadWholeFile(const String& path, ByteBuffer& buffer);

// Read per step by FileCrc32. Of the ways tried under Wine, plain reads of
// 1 MiB came closest to a read-only pass: 4 MiB blocks fall out of the
// cache before their CRC, a reading thread pays two server calls a block,
// and views of a mapping pay for faults and for mapping each view.
const unsigned FileCrcBlockSize = 1024 * 1024;

// The CRC-32 of the file's bytes, read in blocks through `block`, so memory
// stays the same for a file of any size. False for a file that cannot be
// opened (read, no sharing), is empty or reads short.
bool FileCrc32(const String& path, ByteBuffer& block, unsigned& crc);

// The resource's bytes, valid while the module stays loaded; null when the
// resource is not there.
const void* LoadResourceData(HMODULE module, const char* name, const char* type,
                             HRSRC* foundResource = nullptr);
