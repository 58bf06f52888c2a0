// Every unit test includes doctest through here. Rows compare and show their
// texts as std::string, so that a failing row shows texts, not addresses.
#pragma once

#include <doctest.h>

#include <string>

#include "foundation/String.h"

inline std::string S(const char* text) { return text; }
inline std::string S(const String& text) { return text.Text(); }
