// The command line's options. Every option is a whole word of the command
// line (words are separated by spaces; quotes group, and a word in quotes
// loses them), so the value of one option, quoted or not, is never read for
// another: "/log=C:\Logs\acme-install.log" holds no "-i". Two kinds:
// - the letter options "t" and "i": a word that begins with the marker
//   ("/t", or else "-t"; case counts), the rest of the word its value;
// - the switches ("/silent", "/log=path", "/define:<Name>=value"),
//   compared without regard to case: "/silently" is not "/silent".
#pragma once

#include "foundation/String.h"

// False (value "") when the option is not given; true, possibly with an
// empty value, when it is. A marker alone as the last word gives nothing,
// and the hyphen form is looked for.
bool GetOption(const String& commandLine, const char* letter, String& value);

// Whether the word is the switch `name`: "/silent" is a word equal to it;
// one that ends with "=" or ":", such as "/log=", is a word that begins
// with it, and the rest of that word, without the quotes around it, is the
// value.
bool IsSwitch(const String& word, const char* name, String& value);

// The first word of the command line that is the switch; false (value "")
// when none is.
bool GetSwitch(const String& commandLine, const char* name, String& value);

// The word "/define:<Name>=value": the name before the first "=" and the
// value after it, each without the quotes around it. False for any other
// word.
bool GetDefinition(const String& word, String& name, String& value);
