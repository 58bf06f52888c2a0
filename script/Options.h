// Two kinds of option. The letter options "t" and "i" are found by marker
// anywhere in the command line ("/t", then "-t"), not parsed from an
// argument vector; the value is the first word that follows the marker
// immediately. The switches ("/silent", "/log=path") are whole words of
// the command line, compared without regard to case, so a marker inside
// another word ("/imy-silent.ini") never turns one on.
#pragma once

#include "foundation/String.h"

// False (value "") when the option is not given; true, possibly with an
// empty value, when it is.
bool GetOption(const String& commandLine, const char* letter, String& value);

// A switch `name` such as "/silent" is a word equal to it; one that ends
// with "=" such as "/log=" is a word that begins with it, and the rest of
// that word, without the quotes around it, is the value. The first such
// word counts. False (value "") when no word is the switch.
bool GetSwitch(const String& commandLine, const char* name, String& value);
