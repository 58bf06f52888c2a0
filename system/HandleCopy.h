// A copy that takes the place of its target through the handle that wrote
// it. Under Wine MoveFileExA opens the new file again and searches the
// folder for both names; a rename through the open handle costs half of
// that, and a tree of thousands of small files is mostly such renames.
#pragma once

#include "WidePath.h"

// True where the system renames through a handle (SetFileInformationByHandle,
// Vista and later); elsewhere CopyFileA and MoveFileExA do the work.
bool CanCopyThroughHandle();

// Copies `source` into the new file `name` (which must not be there: a name
// that is there may be another name of some file, never written through)
// with the source's attributes and time of last writing, as CopyFileA gives
// them, and renames it onto `target` in one step, replacing what is there;
// a read-only target is made writable just for the rename. `beforePut`
// (when given) acts just before the rename, with the copy whole. False with
// the system's error; `name` may then be left for the caller to delete.
typedef bool (*BeforePut)(const void* context);
bool CopyThroughHandle(const WidePath& source, const WidePath& name, const WidePath& target,
                       BeforePut beforePut = nullptr, const void* context = nullptr);

// A batch of such copies with the journal open: each put's record is
// written as its copy ends, and the new file waits, open, in place of
// `beforePut` and the rename. Every 64 files and at each flush the records
// go to the disk at once, then the old files are kept aside and the new
// ones renamed, one by one: one flush for many files. Nothing when the
// journal is closed.
void OpenPutBatch();
// False with the system's error of the first put that failed; the new
// files of the rest are deleted.
bool FlushPutBatch();
// The batch put in place first where a copy onto `target` meets it: a
// target a waiting put has (a source folder under Wine may hold "A.txt" and
// "a.txt"), or a name under the program's own suffix, which may be the
// name a waiting new file holds. Before anything of that copy is noted, so
// the undo, newest first, meets the puts one after the other.
bool FlushPutBatchFor(const WidePath& target);
bool ClosePutBatch();
