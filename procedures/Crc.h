// CRC: compares the CRC-32 of files with expected values (a test: the
// outcome goes to the condition flag), or measures a file whose expected
// value is empty, shows its CRC and puts it on the clipboard.
#pragma once

#include "Procedure.h"

Procedure* ReadCrc(const String& sectionName);
bool ExecuteCrc(Procedure& procedure);
