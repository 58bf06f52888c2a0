#pragma once

#include "foundation/String.h"

// "MODE: KEY KEY ..." per type of the type table, in its order, with the
// keys in the order its reader reads them. Leaves the run context as it was.
String ReaderKeyList();

// The keys of `mode` in such a list, each after a space; false when the
// list has no working reader of that name.
bool KeysOfMode(const String& list, const String& mode, String& keys);
