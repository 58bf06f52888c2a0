// One run of the program, from the command line to the release of every
// procedure list.
#pragma once

#include "foundation/String.h"

// Opens the log the caller names, finds the script, builds the macro table
// and reads the section UPDATER; true when the run may begin, else false
// with the exit code (after a box).
bool StartUp(const char* commandLineText, int& exitCode);
