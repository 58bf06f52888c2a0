// Items, words and groups share one rule: a negative index counts from the
// end, by adding the number of pieces once.
#pragma once

// False when there are no pieces: nothing can be found then.
inline bool CountFromEnd(int& a, int& b, int count) {
    if (count == 0)
        return false;
    if (a < 0)
        a += count;
    if (b < 0)
        b += count;
    return true;
}
