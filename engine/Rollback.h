// All or nothing: with ROLLBACK=1 in [UPDATER] every writing step keeps what
// it changes and notes it in the journal (system/Journal.h) before it acts.
// A run that ends with exit code 0 deletes what was kept, then the journal
// (the commit); any other end undoes every step in reverse order. A run
// that was killed is finished by the next start with the same script.
#pragma once

// Claims the script for this run; false (logged, no box) while another run
// of the same script is going on, which nothing of this run may disturb.
bool ClaimScript();

// Finishes what the last run of this script left in its journal: the
// commit when it had begun, else the undo. False after a box that names
// what could not be put back; the journal stays and nothing may run.
bool FinishLastRun();

// "/recover" on the command line: the run only finishes the journal a run
// cut short left (the run-once entry each journal has while it is open).
bool RecoveryOnly();

// Opens the journal when the script asks for it, and registers the program
// to run once at the next logon to finish it; false after a box.
bool BeginJournal();

// The commit when the run finished, else the undo, with a box that names
// the file that could not be put back; the run-once entry goes with the
// journal. Nothing when no journal is open.
void EndJournal(bool finished);
