// The expansion of a value read from the script: macros in angle brackets,
// then value functions in braces, then parent steps. Each returns whether
// it changed the text; a name or function it does not know stays as written.
#pragma once

#include "foundation/String.h"
#include "foundation/TextBuilders.h"

// What one step did to a value: failed is a value that would pass
// ExpansionLimit, or an allocation that failed on the way (the value is
// then as it was before the step).
enum ExpandStep { StepUnchanged, StepChanged, StepFailed };

// The three steps in order; false when one failed, and the key then counts
// as unreadable.
bool ExpandValue(String& value, size_t limit = ExpansionLimit);
// A step fails rather than let the text pass `limit` bytes.
ExpandStep ExpandMacrosStep(String& text, size_t limit = ExpansionLimit);
ExpandStep ExpandFunctionsStep(String& text, size_t limit = ExpansionLimit);
ExpandStep CollapseParentsStep(String& text);

// One pass per group counted at the start, so a macro whose value holds
// macros of its own uses up passes: the expansion always ends.
bool ExpandMacros(String& text);
// "?App", "?AppPath", "?SpFolder" and "?Param", likewise one pass per group.
bool ExpandFunctions(String& text);
// Removes a directory and the ".." after it, never reaching the first two
// items, and stops after resolving one at the third item.
bool CollapseParents(String& text);
