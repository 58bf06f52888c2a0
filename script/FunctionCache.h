// The answers of the value functions, kept for the whole run: a function
// gives the same answer every time its text is met, and a script that names
// "{?App\x}" thousands of times asks the registry once.
#pragma once

#include "Expand.h"
#include "foundation/String.h"

// The answer kept for the function text `group` (braces included): true
// with the step and the value it gave, false when it was never asked.
bool FindFunctionAnswer(const char* group, ExpandStep& step, String& value);
// Keeps an answer; an answer that cannot be kept (no memory) is asked
// again next time.
void KeepFunctionAnswer(const char* group, ExpandStep step, const String& value);
// Forgets every answer (a new run in the same process: tests and fuzzing).
void ForgetFunctionAnswers();
