#include "Rollback.h"

#include <windows.h>

#include "UpdaterKeys.h"
#include "foundation/Messages.h"
#include "foundation/Numbers.h"
#include "foundation/PathText.h"
#include "foundation/RunLog.h"
#include "script/Options.h"
#include "script/Profile.h"
#include "script/RunContext.h"
#include "system/FileCalls.h"
#include "system/FileData.h"
#include "system/Identity.h"
#include "system/Journal.h"
#include "system/PathGate.h"
#include "system/Registry.h"
#include "system/Undo.h"

static WidePath journalPath;

// The run-once entry that finishes the journal at the next logon, should
// the run be cut short and the application start before the updater: the
// journal's own name ("updater-XXXXXXXX"), so each script has its own.
static String RecoveryName() {
    return JournalName(journalPath).Items(0, -2, ".");
}

// The program and the script as this run found them, "/recover" and
// "/silent" (no one may be there to answer), and the caller's log.
static void RegisterRecovery() {
    String command, script, log;
    Format(command, "\"%s\" /recover /silent", runContext.modulePath.Text());
    if (GetOption(runContext.commandLine, "i", script))
        command = command + " \"-i" + script + "\"";
    if (GetSwitch(runContext.commandLine, "/log=", log))
        command = command + " \"/log=" + log + "\"";
    if (SetRunOnce(RecoveryName().Text(), command.Text()))
        LogLine("run once at the next logon: %s", command.Text());
    else
        LogLine("no run-once entry: %s", SystemErrorText().Text());
}

static void RemoveRecovery() {
    if (!RemoveRunOnce(RecoveryName().Text()))
        LogLine("the run-once entry stays: %s", SystemErrorText().Text());
}

bool RecoveryOnly() {
    String unused;
    return GetSwitch(runContext.commandLine, "/recover", unused);
}

static bool FindJournalPath() {
    String script;
    return ResolvePath(runContext.scriptPath, script) && JournalPathFor(script, journalPath);
}

// Newest first; each record leaves the journal once it is undone, so a
// second attempt starts where this one stopped. A record that cannot be
// undone (a file held) stays, and the undo goes on with the older ones, so
// the tree comes as near to its start as the system lets it: from there on
// the journal keeps everything from that record back, each record safe to
// undo again, for the next start. The undo ends at the commit of an earlier
// run whose kept files stayed (held): that run is done and never undone.
// `end`: where the journal ends afterwards; `failed`: the first record's
// path that stayed; `left`: how many records stayed.
static bool UndoAll(const JournalText& text, unsigned& end, String& failed, unsigned& left) {
    JournalRecord record;
    unsigned start = 0;
    while (RecordBefore(text, end, record, start) && record.kind != JournalCommit) {
        if (!UndoRecord(record) && left++ == 0)
            failed = record.path.Readable();
        if (left == 0 && !CutJournal(journalPath, start)) {
            failed = journalPath.Readable();
            return false;
        }
        end = start;
    }
    return left == 0;
}

// Where a kept name lies now that is gone from its place: a later step
// that moved a folder (SHELL MOVE: a put that kept nothing, then its
// temporary name put in place) took it along. `moves` holds where each put
// that kept nothing after the record ends, newest first; they are followed
// oldest first. The paths are compared as noted (full, long names): a move
// whose source was named through a link is not followed.
static WidePath WhereMovesTook(const JournalText& text, const ByteBuffer& moves, WidePath kept) {
    const unsigned* ends = reinterpret_cast<const unsigned*>(moves.Data());
    for (unsigned i = moves.Size() / sizeof(unsigned); i-- > 0;) {
        JournalRecord move;
        unsigned start = 0;
        if (RecordBefore(text, ends[i], move, start) && IsPathInside(kept.Text(), move.third.Text()))
            kept = move.path + (kept.Text() + move.third.Length());
    }
    return kept;
}

// The kept files of the records that end at `end`, where they lie now. Only
// a kept name that is gone is looked for along the moves.
static bool DropAllKept(const JournalText& text, unsigned end) {
    ByteBuffer moves;
    JournalRecord record;
    unsigned start = 0;
    bool dropped = true;
    while (RecordBefore(text, end, record, start)) {
        bool missing = false;
        if (IsKeeping(record)) {
            if (!DropKept(record.second, &missing) ||
                (missing && moves.Size() && !DropKept(WhereMovesTook(text, moves, record.second))))
                dropped = false;
        } else if (record.kind == JournalPut && !record.third.IsEmpty()) {
            moves.Append(&end, sizeof end);
        }
        end = start;
    }
    return dropped;
}

// The undo, or the end of a commit that had begun; false with the file that
// stays in the way of the undo and how many changes stay. The journal goes
// only when all is done.
static bool Replay(String& failed, unsigned& left) {
    JournalText text;
    JournalRecord last;
    unsigned start = 0;
    if (!ReadJournal(journalPath, text)) {
        failed = journalPath.Readable();
        return false;
    }
    bool committing = RecordBefore(text, text.bytes.Size(), last, start) && last.kind == JournalCommit;
    LogLine(committing ? "commit \"%s\"" : "undo \"%s\"", journalPath.Readable().Text());
    unsigned end = text.bytes.Size();
    if (!committing && !UndoAll(text, end, failed, left)) {
        LogLine("undo not finished, changes left: %u; the next start tries again", left);
        return false;
    }
    // What is left was committed (this run, or one before it). A kept file
    // that cannot be deleted (held) is no reason to stop: the update is
    // complete, and the journal stays for the next start, which adds to it.
    if (!DropAllKept(text, end)) {
        LogLine("commit not finished: the next start finishes it");
        return true;
    }
    DeleteFileAt(journalPath);
    RemoveRecovery();
    LogLine(committing ? "committed" : "undone");
    return true;
}

// The box names the first file in the way and counts the changes that
// stay (the log names each).
static bool ReplayOrReport() {
    String failed, note;
    unsigned left = 0;
    if (Replay(failed, left))
        return true;
    if (left)
        LoadMessage(note, TextUndoLeft, left);
    if (!failed.IsEmpty())
        ReportErrorNoted(note, MsgUndoFailed, failed.Text());
    return false;
}

bool ClaimScript() {
    if (!FindJournalPath() || ClaimJournal(journalPath))
        return true;
    LogLine("another run of this script is going on: nothing ran");
    return false;
}

bool FinishLastRun() {
    if (journalPath.IsEmpty() || AttributesOf(journalPath) == INVALID_FILE_ATTRIBUTES)
        return true;
    LogLine("journal of a run cut short found");
    // A journal whose name is a link is neither read nor deleted.
    if (IsLinkEntry(journalPath)) {
        ReportError(MsgJournalFailed, journalPath.Readable().Text());
        return false;
    }
    // The system deletes a run-once entry as it runs it: one that could not
    // finish the journal asks for the next logon again.
    if (ReplayOrReport())
        return true;
    RegisterRecovery();
    return false;
}

bool BeginJournal() {
    String value;
    if (!ReadOptionalKey("UPDATER", updaterKeys[UpdaterRollback], value) || ParseInt(value) != 1)
        return true;
    // Registered first: a run killed once its journal exists always has
    // its entry (an entry without a journal finds nothing to do).
    if (!journalPath.IsEmpty())
        RegisterRecovery();
    if (journalPath.IsEmpty() || !OpenJournal(journalPath)) {
        DWORD error = GetLastError();
        RemoveRecovery();
        SetLastError(error);
        ReportError(MsgJournalFailed, journalPath.Readable().Text());
        return false;
    }
    LogLine("journal \"%s\"", journalPath.Readable().Text());
    return true;
}

void EndJournal(bool finished) {
    if (!JournalActive())
        return;
    // Marked first: a run killed from here on is committed by the next start.
    bool marked = finished && NoteInJournal(JournalCommit, WidePath());
    CloseJournal();
    if (finished && !marked)
        LogLine("the commit could not be marked: undoing");
    ReplayOrReport();
}
