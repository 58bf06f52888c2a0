#define DOCTEST_CONFIG_IMPLEMENT
#include "tests/unit/Unit.h"

#include <stdio.h>

int main(int argc, char** argv) {
    // Unbuffered, so a run killed at its time-out still shows how far it got.
    setvbuf(stdout, nullptr, _IONBF, 0);
    return doctest::Context(argc, argv).run();
}
