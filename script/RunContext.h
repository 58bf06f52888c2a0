// Where this run stands: filled once by start-up, read by the script
// readers (scriptPath), the macros (modulePath) and "?Param" (commandLine).
#pragma once

#include "foundation/String.h"

struct RunContext {
    String commandLine; // the arguments only, without the program's own path
    String caption;     // the title of every message box of the run
    String modulePath;  // the full path of this executable
    String scriptPath;  // the full path of the script
};

extern RunContext runContext;
