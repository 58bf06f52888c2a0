// What a whole run reads from the script, expands and looks up, counted in
// bytes against one bound. Time and memory follow from what is counted:
// every byte held was counted when it was expanded, and every key read,
// group looked up and byte expanded is work of a bounded cost. So a script
// of 64 KiB that would read, expand or hold without end stops with message
// 2 at the key that passes the bound, however it is written.
#pragma once

#include <stddef.h>

// 64 MiB: measured under Wine on the project's machine, a run that spends
// all of it stays within a few seconds and 256 MiB (docs/reliability.md).
const size_t RunWorkBound = 64u << 20;
// A key read: the platform's walk through the script to the key, and the
// part of a procedure's record that holds it.
const size_t KeyReadCost = 1024;
// A group looked up in the macro table or among the functions' answers.
const size_t LookupCost = 64;
// A value function asked for the first time: a registry or shell call.
const size_t FunctionCallCost = 4096;

// A new run: nothing counted yet.
void StartRunWork();
// Counts `bytes`; false once the run has passed the bound (and ever after).
bool ChargeRunWork(size_t bytes);
// What may still be counted before the bound.
size_t RunWorkLeft();
