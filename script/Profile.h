// Every read of the script goes through here, over the platform's
// private-profile functions; the script is never parsed or written by us.
#pragma once

#include "foundation/String.h"

// Raw reads. A key whose value is "NO_DATA" (any case) counts as absent;
// then they return false and leave the out value unchanged.
bool ReadProfileString(const char* file, const char* section, const char* key, String& value);
bool ReadProfileInt(const char* file, const char* section, const char* key, int& value);
// Appends the section's lines that do not begin with ";", separated by
// line feeds; returns how many it appended.
int ReadProfileSection(const char* file, const char* section, String& lines);

// Reads from the script and expands the value; message 2 when absent or
// when the value cannot be expanded.
bool ReadKey(const char* section, const char* key, String& value);
// Like ReadKey, but a key that is absent is simply not there: false, and
// nothing is shown.
bool ReadOptionalKey(const char* section, const char* key, String& value);
// Not expanded; message 2 when absent.
bool ReadIntKey(const char* section, const char* key, int& value);

// Message 2 with the section and the key: a key that is absent or cannot be
// read, or an item of that list key that would pass the run's bound.
void ReportUnreadable(const char* section, const char* key);

// The script checker watches every key the readers ask for: called with the
// value as written and as expanded, or with two nulls when the key is absent
// or unreadable (before message 2 is shown). Null (the default) watches nothing.
typedef void (*KeyReadObserver)(const char* section, const char* key, const char* written,
                                const char* expanded);
void SetKeyReadObserver(KeyReadObserver observer);
