// The expansion of a value read from the script: macros in angle brackets,
// then value functions in braces, then parent steps. Each returns whether
// it changed the text; a name or function it does not know stays as written.
#pragma once

#include "foundation/String.h"

// One pass per group counted at the start, so a macro whose value holds
// macros of its own uses up passes: the expansion always ends.
bool ExpandMacros(String& text);
// "?App", "?AppPath", "?SpFolder" and "?Param", likewise one pass per group.
bool ExpandFunctions(String& text);
// Removes a directory and the ".." after it, never reaching the first two
// items, and stops after resolving one at the third item.
bool CollapseParents(String& text);
