#pragma once

#include "foundation/String.h"

// "MODE: KEY KEY ..." per type of the type table, in its order, with the
// keys in the order its reader reads them.
String ReaderKeyList();
