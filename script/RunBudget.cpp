#include "RunBudget.h"

static size_t runWork;

void StartRunWork() { runWork = 0; }

bool ChargeRunWork(size_t bytes) {
    runWork = runWork <= RunWorkBound && bytes <= RunWorkBound - runWork ? runWork + bytes : RunWorkBound + 1;
    return runWork <= RunWorkBound;
}

size_t RunWorkLeft() { return runWork < RunWorkBound ? RunWorkBound - runWork : 0; }

bool RunWorkPassed() { return runWork > RunWorkBound; }
