// What a whole run reads from the script, expands and looks up, and what
// its steps' items cost before their own work, counted in bytes against one
// bound. Time and memory follow from what is counted: every byte held was
// counted when it was expanded, and every key read, group looked up, byte
// expanded and item run is work of a bounded cost. So a script of 64 KiB
// that would read, expand, hold or test without end stops with message 2 at
// the key (or the list key of the item) that passes the bound, however it
// is written. The script checker charges the same in its dry run.
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
// An item of a step, before its own work (a copy, a wait, a program
// started): the few system calls every item makes, such as a search for a
// name, an open, a path made whole, and its log line; under Wine an EXIST
// item with its log line took the time of one or two key reads.
const size_t ItemCost = 8192;
// A look at the running processes (APPEXIST, WAITAPP): a snapshot and each
// process's program path read, taken once a step and again only after a
// wait; about 40 key reads under Wine, more where many processes run.
const size_t ProcessListCost = 160u << 10;
// The bytes CRC reads count one in 2^ReadByteShift (a whole bound is 8 GiB,
// about as long to read from the cache as the reads of a whole bound).
const unsigned ReadByteShift = 7;

// A new run: nothing counted yet.
void StartRunWork();
// Counts `bytes`; false once the run has passed the bound (and ever after).
bool ChargeRunWork(size_t bytes);
// What may still be counted before the bound.
size_t RunWorkLeft();
// Whether the run has passed the bound.
bool RunWorkPassed();
