// The run's journal: one line for each change a writing step is about to
// make, handed to the disk before the change acts, so that a run that
// fails, is stopped or is killed can be undone, and one that ended well
// can delete what it kept. A line is a kind and up to three paths, tab
// separated: a tab is never part of a name. The paths are UTF-16 as the
// file system holds them, written in UTF-8 (a lone surrogate, which a name
// may hold, as its own three bytes), and the file starts with the UTF-8
// byte-order mark. A journal without it was written by an earlier version
// of the program, in the ANSI code page, and is read as such: lines after
// a mark at the start of a line (added to such a journal) are UTF-8.
#pragma once

#include "WidePath.h"
#include "foundation/ByteBuffer.h"
#include "foundation/String.h"

enum JournalKind {
    JournalCreated = 'N',     // path: made by the run (a file, or a folder with what it holds)
    JournalMadeFolder = 'D',  // path: an empty folder made by the run
    JournalRemovedFolder = 'R', // path: an empty folder the run removed
    JournalKept = 'K',        // path, kept: renamed aside instead of deleted
    JournalPut = 'M',         // path, kept (may be empty), from: `from` renamed onto path after the old one went aside
    JournalAttributes = 'A',  // path, the old attributes in hexadecimal
    JournalFolderTime = 'T',  // folder, the high and low halves of its time of last writing in hexadecimal
    JournalLaunched = 'L',    // program: cannot be undone
    JournalCommit = 'C',      // the run ended well: what was kept may go
};

struct JournalRecord {
    char kind;
    WidePath path, second, third;
};

// The journal's text as read, and where its UTF-8 lines begin (its size
// where none is).
struct JournalText {
    ByteBuffer bytes;
    unsigned utf8From;
};

// Where the journal of a script lives: the system's folder for temporary
// files (in UTF-16: a user's folder may hold a name the code page cannot
// spell) and a name keyed by the script's full path (its ASCII letters in
// upper case), so it is found again when the script sits on read-only
// media. False when there is no such folder.
bool JournalPathFor(const String& scriptPath, WidePath& journalPath);
// Its file name, "updater-XXXXXXXX.journal".
String JournalName(const WidePath& journalPath);

// Claims the script whose journal this is for this process until it ends,
// so that a second run of the same script at the same time (in the same
// session) learns that it is not alone; false when another process has it.
bool ClaimJournal(const WidePath& path);

// Opens the journal, created empty or added to (what stays of a commit that
// could not delete every kept file), and makes every writing step note its
// changes in it from now on.
bool OpenJournal(const WidePath& path);
bool JournalActive();
// Ends the noting; the file stays.
void CloseJournal();

// Appends one record and, unless it only notes something to be created,
// flushes the journal to the disk; false (the system's error kept) when
// either failed, or when a path is one no file system takes (the undo could
// not find it): the step must then not act.
bool NoteInJournal(char kind, const WidePath& path, const WidePath& second = WidePath(), const WidePath& third = WidePath());
// NoteInJournal without the flush: the next record that guards something
// takes it to the disk.
bool AddToJournal(char kind, const WidePath& path, const WidePath& second = WidePath(), const WidePath& third = WidePath());
// A record of a batch: held in memory and written with the others and
// flushed by one FlushJournal (or the next NoteInJournal), before any of
// their changes acts; a run killed before that made none of them.
bool HoldForJournal(char kind, const WidePath& path, const WidePath& second = WidePath(), const WidePath& third = WidePath());
bool FlushJournal();

// The whole journal; false when it cannot be read.
bool ReadJournal(const WidePath& path, JournalText& text);
// The record that ends at byte `end` of the text, and where it starts;
// false at the start of the text.
bool RecordBefore(const JournalText& text, unsigned end, JournalRecord& record, unsigned& start);
// Cuts the journal to its first `size` bytes, on the disk.
bool CutJournal(const WidePath& path, unsigned size);
