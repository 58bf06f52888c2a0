#pragma once

#include "foundation/String.h"

// "UPDATER: NAME PROC ..." for the start-up's keys, then "MODE: KEY KEY ..."
// per type of the type table, in its order, with the keys in the order its
// reader reads them. Leaves the run context as it was.
String ReaderKeyList();

// The keys of `mode`, each after a space; false when the type table has no
// working reader of that name.
bool KeysOfMode(const String& mode, String& keys);

// The keys of section UPDATER, each after a space (Checker.cpp).
String UpdaterKeyList();
