// One run of the program, from the command line to the release of every
// procedure list.
#pragma once

#include "foundation/String.h"

// Finds the script, builds the macro table and reads the section UPDATER;
// true when the run may begin.
bool StartUp(const char* commandLineText);
