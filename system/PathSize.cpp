#include "PathSize.h"

#include <windows.h>

#include "FileCalls.h"
#include "foundation/PathText.h"

namespace {

struct Measure {
    unsigned long long bytes;
    unsigned long files;
    const volatile bool& stop;
};

// Through the same listing as the walks, so every name the folder holds is
// counted, whatever the code page can spell and however deep it lies.
GUARDED void MeasurePattern(const WidePath& prefix, const WidePath& pattern, Measure& measure, bool recursive) {
    FileSearch search;
    if (!search.First(pattern))
        return;
    do {
        const WCHAR* name = search.Name();
        DWORD attributes = search.Attributes();
        if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            measure.bytes += search.Size();
            measure.files++;
        } else if (recursive && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
                   !(name[0] == L'.' && (!name[1] || (name[1] == L'.' && !name[2])))) {
            WidePath folder = prefix + name + L"\\";
            MeasurePattern(folder, folder + L"*", measure, true);
        }
    } while (!measure.stop && search.Next());
}

} // namespace

void MeasurePath(const char* path, unsigned long long& bytes, unsigned long& files, const volatile bool& stop) {
    Measure measure = {0, 0, stop};
    WidePath text = Widened(path);
    DWORD attributes = AttributesOf(text);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        WidePath folder = WithoutTrailingSeparators(text) + L"\\";
        MeasurePattern(folder, folder + L"*", measure, true);
    } else {
        MeasurePattern(text.Left(PathPrefixLength(text.Text())), text, measure, false);
    }
    bytes = measure.bytes;
    files = measure.files;
}
