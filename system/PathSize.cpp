#include "PathSize.h"

#include <windows.h>

#include "Handles.h"
#include "foundation/PathText.h"
#include "foundation/String.h"

namespace {

struct Measure {
    unsigned long long bytes;
    unsigned long files;
    const volatile bool& stop;
};

void MeasurePattern(const String& prefix, const String& pattern, Measure& measure, bool recursive) {
    WIN32_FIND_DATAA found;
    FindHandle search(FindFirstFileA(pattern.Text(), &found));
    if (!search.IsValid())
        return;
    do {
        const char* name = found.cFileName;
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            measure.bytes += (static_cast<unsigned long long>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
            measure.files++;
        } else if (recursive && !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
                   !(name[0] == '.' && (!name[1] || (name[1] == '.' && !name[2])))) {
            String folder = prefix + name + "\\";
            MeasurePattern(folder, folder + "*.*", measure, true);
        }
    } while (!measure.stop && FindNextFileA(search.Get(), &found));
}

} // namespace

void MeasurePath(const char* path, unsigned long long& bytes, unsigned long& files, const volatile bool& stop) {
    Measure measure = {0, 0, stop};
    String text(path);
    DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        String folder = WithoutTrailingSeparators(text) + "\\";
        MeasurePattern(folder, folder + "*.*", measure, true);
    } else {
        MeasurePattern(PathPrefix(text), text, measure, false);
    }
    bytes = measure.bytes;
    files = measure.files;
}
