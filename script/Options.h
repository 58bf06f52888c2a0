// Options are found by marker anywhere in the command line ("/t", then
// "-t"), not parsed from an argument vector; the value is the first word
// that follows the marker immediately.
#pragma once

#include "foundation/String.h"

// False (value "") when the option is not given; true, possibly with an
// empty value, when it is.
bool GetOption(const String& commandLine, const char* letter, String& value);
