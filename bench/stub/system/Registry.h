// Native stand-in: the bench expands values without a registry.
#pragma once

#include "foundation/String.h"

bool FindAppPath(const char* fileName, String& target, bool fullPath);
