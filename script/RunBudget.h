// What a whole run reads from the script, expands and looks up, counted in
// bytes against one bound. Time and memory follow from what is counted:
// every byte held was counted when it was expanded, and every key read,
// group looked up and byte expanded is work of a bounded cost. So a script
// of 64 KiB that would read, expand or hold without end stops with message
// 2 at the key that passes the bound, however it is written.
#pragma once

#include <stddef.h>

// 64 MiB. Under Wine a key read costs about 50 us on an idle machine, a
// registry or shell call of a value function about 250 us, and expanding a
// megabyte a few milliseconds; with the costs below, a run that spends the
// whole bound reads at most 16,384 keys and asks at most 4,096 functions,
// and holds less than 100 MiB (docs/reliability.md has the measures).
const size_t RunWorkBound = 64u << 20;
// A key read: the platform's walk through the script to the key, and the
// part of a procedure's record that holds it.
const size_t KeyReadCost = 4096;
// A group looked up in the macro table or among the functions' answers.
const size_t LookupCost = 64;
// A value function asked for the first time: a registry or shell call.
const size_t FunctionCallCost = 16384;

// A new run: nothing counted yet.
void StartRunWork();
// Counts `bytes`; false once the run has passed the bound (and ever after).
bool ChargeRunWork(size_t bytes);
// What may still be counted before the bound.
size_t RunWorkLeft();
