// The allocation-failure sweep of the foundation and the script layer,
// natively under ASan/UBSan/LSan: a workload of macro-table building,
// expansion, item edits, the list stack's buffer and formatting runs once
// for every N with allocation N failing. No run may crash, read freed or
// unowned memory, or (at exit) leak. An expanded value is either the one
// without failure or reported unreadable, never emptied or cut; other
// results are the one without failure or shorter, and the sweep prints how
// many of each.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "foundation/ByteBuffer.h"
#include "foundation/Messages.h"
#include "foundation/String.h"
#include "script/Expand.h"
#include "script/Macros.h"
#include "script/RunContext.h"
#include "script/ScriptPlatformNative.h"

RunContext runContext;

extern "C" void* __real_malloc(size_t size);
extern "C" void* __real_calloc(size_t count, size_t size);
extern "C" void* __real_realloc(void* block, size_t size);

static long allocations, failAt;

static bool FailsNow() { return ++allocations == failAt; }

extern "C" void* __wrap_malloc(size_t size) { return FailsNow() ? nullptr : __real_malloc(size); }
extern "C" void* __wrap_calloc(size_t count, size_t size) {
    return FailsNow() ? nullptr : __real_calloc(count, size);
}
extern "C" void* __wrap_realloc(void* block, size_t size) {
    return FailsNow() ? nullptr : __real_realloc(block, size);
}

static const char Define[] = "<A>=<Win>\\sub\0<B>=<A>\\x\\..\\y\0;c=1\0<C>={?Param\\0\\-1}\0<Win>=D:\\X\0";

static bool emptied;

// The value of a key, as ReadKey expands it.
static std::string Expanded(const char* written, const std::string& reference) {
    String value;
    // As the reader does: a value it cannot hold is unreadable.
    if (!value.Assign(written) || !ExpandValue(value))
        return "(unreadable)";
    if (!reference.empty() && reference != value.Text()) {
        emptied = true;
        printf("N=%ld: a value expanded to %s\n", failAt, value.Text());
    }
    return value.Text();
}

static std::string expandedReference;

static std::string Workload() {
    macroTable.entries.Assign("");
    macroTable.entryCount = 0;
    macroTable.lost = false; // a process builds its table once, from nothing
    SetNativeProfile(Define, sizeof Define);
    BuildMacroTable();
    std::string expanded = Expanded("<B>|<C>|{?SpFolder\\1a}|C:\\a\\b\\..\\..\\c|<Nope>", expandedReference);
    String value(expanded.c_str());
    String items("a, b ,,c");
    items.ReplaceItems(1, 1, ",", items.Item(1, ",").Text());
    items.Trim(" ", " ");
    items.ReplaceAll("%n", "\n");
    String words("a \"b c\" d");
    String word = words.Words(1, 1);
    ByteBuffer stack;
    for (unsigned i = 1; i <= 4; i++)
        stack.Append(&i, sizeof i);
    stack.Remove(4, 4);
    String formatted;
    Format(formatted, "%s|%s|%s|%u|%s", value.Text(), items.Text(), word.Text(), stack.Size(),
           macroTable.entries.Text());
    return formatted.Text();
}

int main(int argc, char** argv) {
    bool verbose = argc > 1 && strcmp(argv[1], "-v") == 0;
    runContext.modulePath.Assign("C:\\App\\updater.exe");
    // "d=e" makes <C> a value holding "=", which goes into the table at once.
    runContext.commandLine.Assign("/tTitle a \"b c\" d=e");
    failAt = 0;
    allocations = 0;
    std::string reference = Workload();
    expandedReference = Expanded("<B>|<C>|{?SpFolder\\1a}|C:\\a\\b\\..\\..\\c|<Nope>", "");
    allocations = 0;
    reference = Workload();
    long count = allocations;
    long same = 0, other = 0;
    for (long n = 1; n <= count; n++) {
        failAt = n;
        allocations = 0;
        std::string got = Workload();
        failAt = 0;
        (got == reference ? same : other)++;
        if (verbose && got != reference)
            printf("N=%ld: %s\n", n, got.c_str());
    }
    printf("allocations: %ld; N tried: %ld; result as without failure: %ld; result changed: %ld;"
           " a value emptied or cut: %s\n", count, count, same, other, emptied ? "yes" : "no");
    // The statics are released before the leak check runs at exit.
    macroTable.entries.Assign("");
    expandedReference.clear();
    return count > 50 && !emptied ? 0 : 1;
}
