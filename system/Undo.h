// Undoing the records of the journal one by one, and deleting what a run
// that ended well kept. Each is safe to repeat: a record that was undone
// before finds nothing left to do. The journal must be closed.
#pragma once

#include "Journal.h"

// Puts back what the record changed and logs it; false (the system's error
// kept) when that could not be done.
bool UndoRecord(const JournalRecord& record);

// Whether the record kept something aside (its `second`).
bool IsKeeping(const JournalRecord& record);
// Deletes a kept file or folder; true when it is gone or was never there
// (`missing`, where given, tells which), false when it stays.
bool DropKept(const WidePath& kept, bool* missing = nullptr);
