// The folding kernels on the stand-in intrinsics beside this file, so that
// every kernel runs on any processor. Target attributes go: the code is
// plain C++ here.
#include <stddef.h>
#include <stdint.h>
#include <string.h>
#define __attribute__(x)
#include "foundation/CrcFold.cpp"
