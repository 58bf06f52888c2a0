// How much a path names, for the progress window's bar: measured by the
// window's own thread while the work goes on.
#pragma once

// The bytes and files of a file, of the matches of a pattern in its own
// folder, or of a whole folder tree (links not entered). What cannot be
// read counts nothing. `stop` (read as the walk goes) ends it early.
void MeasurePath(const char* path, unsigned long long& bytes, unsigned long& files, const volatile bool& stop);
