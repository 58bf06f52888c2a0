// The calls through which the writing steps change files and folders. Each
// changes a name itself or fails: a link is never changed through (Identity.h). With
// the journal open (Journal.h) each notes its change there before it acts,
// and what a step would delete or replace is renamed aside in its own
// folder instead (one rename, no copy) and kept until the run ends. With
// the journal closed each is the plain system call.
#pragma once

#include <windows.h>

#include "WidePath.h"
#include "foundation/String.h"

// True for a name the keeping gives: ".~upd" and a number at its end. While
// the journal is open the walks pass such names over: what a run keeps is
// no part of the tree its later steps copy, move or delete.
bool IsKeptName(const WCHAR* name);

// Whether the folder of `name` held any name ending in ".~upd" when the run
// listed it (the run lists each folder for its kept names): where it held
// none, no new file of a run cut short can be in the way of `name`.
bool MayHoldLeftover(const WidePath& name);

// The name as its folder holds it (its letters as listed), for the journal:
// the undo puts an entry back under the letters it had, not the script's.
WidePath AsHeld(const WidePath& path);

// Renames `path` aside (a file, a folder with what it holds) under a name
// the program knows as its own: the path and ".~upd" with a number, or that
// alone in the path's folder where it would not fit.
bool KeepAside(const WidePath& path);

// Renames `from` onto `to` in one step, written through, the old `to` kept
// aside first. For the replacing calls of FileReplace.h only.
bool PutNoted(const WidePath& from, const WidePath& to);
// PutNoted up to the rename: noted, and the old `to` kept aside.
bool KeepForPut(const WidePath& from, const WidePath& to);
// KeepForPut in two halves, for a batch: the record (flushed when `flush`,
// else held for the next flush: HoldForJournal)
// with the name `kept` chosen for the old `to` (empty: nothing to keep),
// then the old `to` renamed aside. Where the test for a link opened the
// old `to`, `aside` gets that handle (the caller closes it) and the rename
// goes through it: the very file tested, one open fewer.
bool NotePut(const WidePath& from, const WidePath& to, WidePath& kept, bool flush, HANDLE* aside = nullptr);
bool SetAside(const WidePath& to, const WidePath& kept, HANDLE opened = INVALID_HANDLE_VALUE);

// A rename onto a free name, noted as a put.
bool MoveNoted(const WidePath& from, const WidePath& to);

// Notes the times of last writing of the folders of both paths (either may
// be empty) where the run has not yet, before a change inside them.
bool NoteFoldersOf(const WidePath& first, const WidePath& second);

// A file or folder the run is about to create.
bool NoteCreated(const WidePath& path);

// A folder made; one that was not there is noted first.
bool CreateFolder(const WidePath& path);
// A folder removed, noted first. A link goes itself, never what it leads
// to: where the system only reaches what it leads to, the link stays and
// the call fails.
bool RemoveFolder(const WidePath& path);
// Attributes set, the old ones noted first.
bool SetAttributesNoted(const WidePath& path, unsigned attributes);

// A program started: nothing can undo that; the journal and the log say so.
bool NoteLaunch(const String& program);

// Attributes set, the last error left as it was: for putting attributes
// back after a step failed.
void PutAttributesBack(const WidePath& path, DWORD attributes);
// The file deleted, read-only or not, without a record; where it stays it
// keeps `attributes` (as found).
bool DeleteFileWhole(const WidePath& path, DWORD attributes);

// One attempt to put a new file in the place of `target`; false with the
// system's error.
typedef bool (*PutAttempt)(const void* context);
// The system's rule for every put: a read-only target is not replaced. When
// `put` fails on one, its bit is cleared and `put` tried once more; the bit
// comes back when that fails too. A link's bit is never cleared: that
// would clear the bit of what it leads to.
bool PutOverReadOnly(const WidePath& target, PutAttempt put, const void* context);
