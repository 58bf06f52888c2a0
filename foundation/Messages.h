// The numbered message catalogue (a Japanese string table of the program)
// and the one way a failure is shown to the user.
#pragma once

#include <stdarg.h>
#include "String.h"

enum MessageId {
    MsgFileNotFound = 1,      // file path
    MsgKeyMissing = 2,        // section, key
    MsgOutOfMemory = 3,       // record name
    MsgNoItems = 4,           // section, key
    MsgNoPath = 5,            // file path (never shown)
    MsgBadSymbol = 6,         // the offending word
    MsgCopyFailed = 8,        // source, destination
    MsgLaunchFailed = 9,      // program, parameters
    MsgDeleteFailed = 10,     // file path
    MsgBadProcedureCount = 11,
    MsgAttributesFailed = 12, // file path, attribute value
    MsgMakeDirFailed = 13,    // directory path
    MsgMoveFailed = 14,       // source, destination
    MsgLinkFailed = 15,       // target, shortcut file
    MsgResourceFailed = 16,   // source, destination
    MsgShellFailed = 17,      // (source, destination: not shown)
    MsgUndoFailed = 18,       // the file that could not be put back
    MsgJournalFailed = 19,    // the journal's path
    MsgLogFailed = 20,        // the log's path, as "/log=" gives it
};

// Texts of the string table that are not messages.
enum {
    TextDefaultCaption = 100,
    TextProgressStep = 100, // + the step's kind (system/Progress.h), 1 to 6
    TextProgressQuestion = 107,
    TextProgressCancel = 108,
    TextUndoLeft = 109,     // the changes an undo left, below message 18
};

// MB_SETFOREGROUND | MB_ICONERROR
enum { ErrorBoxStyle = 0x00010010 };

// printf rules; never overruns: a long result grows the work area.
void FormatV(String& target, const char* format, va_list args);
void Format(String& target, const char* format, ...);
void LoadText(String& target, unsigned id);
void LoadMessage(String& target, int id, ...);

// The caption every box of the run carries; the run context owns it.
void SetReportCaption(const String* caption);
const char* ReportCaption();

// Shows message `id` in an error box and waits until it is closed.
void ReportError(int id, ...);
// The same with a line more below the message when `entry` is not empty:
// the entry of a tree, quoted, at which the item stopped.
void ReportErrorAt(const String& entry, int id, ...);
// The same with `note`, a text of the program's own, as that line.
void ReportErrorNoted(const String& note, int id, ...);
