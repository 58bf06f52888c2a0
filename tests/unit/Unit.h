// Every unit test includes doctest through here, so that a failing row shows
// its texts rather than their addresses.
#pragma once

#define DOCTEST_CONFIG_TREAT_CHAR_STAR_AS_STRING
#include <doctest.h>

#include <string>
