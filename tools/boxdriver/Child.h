// The box driver's second use: copied under any other name, it is a program
// that the tests have the updater start (see Child.cpp).
#pragma once

bool RunsAsChild();
int RunChild();
