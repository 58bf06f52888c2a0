// The keys of section UPDATER: the start-up reads each by its entry here,
// and the script checker knows them from the same table.
#pragma once

enum UpdaterKey { UpdaterName, UpdaterProc, UpdaterLog, UpdaterRollback, UpdaterProgress, UpdaterKeyCount };

inline constexpr const char* updaterKeys[UpdaterKeyCount] = {"NAME", "PROC", "LOG", "ROLLBACK", "PROGRESS"};
