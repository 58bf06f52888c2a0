// The box driver's second use: copied under any other name, it is the
// program that the tests have the updater start.
#pragma once

// True when this copy of the program is not named boxdriver.exe.
bool RunsAsChild();

// Records how it was started, waits and exits as <own path>.plan says.
int RunChild();
