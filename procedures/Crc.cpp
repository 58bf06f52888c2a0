#include "Crc.h"

#include "foundation/Numbers.h"
#include "foundation/Platform.h"
#include "foundation/RunLog.h"
#include "system/Clipboard.h"
#include "system/FileData.h"
#include "system/Handles.h"
#include "system/Progress.h"

namespace {

struct CrcRecord : Procedure {
    String files;       // FILE
    String combination; // TYPE: AND, or any match is enough
    String expected;    // CRC: hex per file; empty measures the file
};

const unsigned MeasuredBoxStyle = 0x10040;   // MB_SETFOREGROUND | MB_ICONASTERISK
const unsigned UnreadableBoxStyle = 0x10010; // MB_SETFOREGROUND | MB_ICONHAND

// What reading the file costs the run: its size as its folder lists it
// (nothing for a file that is not there), counted before it is read; the
// checker's dry run counts it too, as the file is where the checker runs.
size_t ReadCost(const String& file) {
    WIN32_FIND_DATAA found;
    FindHandle find(FindFirstFileA(file.Text(), &found));
    if (!find.IsValid())
        return 0;
    unsigned long long size = (static_cast<unsigned long long>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
    size >>= ReadByteShift;
    return size < RunWorkBound ? static_cast<size_t>(size) : RunWorkBound + 1;
}

// The file's CRC, and one log line: what was expected ("none" when it is
// measured), what was measured or why not, and the verdict.
bool LoggedCrc(const String& file, const String& expected, ByteBuffer& block, unsigned& crc) {
    BeginStep();
    bool read = FileCrc32(file, block, crc);
    String measured, wanted("none");
    if (read)
        Format(measured, "%08X", crc);
    else
        Format(measured, "unreadable (%s)", SystemErrorText().Text());
    if (!expected.IsEmpty())
        Format(wanted, "%08X", ParseHex(expected));
    const char* verdict = expected.IsEmpty() ? "shown" : read && crc == ParseHex(expected) ? "match" : "differs";
    LogItemLine("  crc of \"%s\": expected %s, measured %s: %s", file.Text(), wanted.Text(), measured.Text(), verdict);
    return read;
}

// Shows the file's CRC (and copies it) or, when it cannot be read, says so.
// False when the file could not be read.
bool Measure(const CrcRecord& record, const String& file, ByteBuffer& block) {
    unsigned crc = 0;
    String text;
    if (!LoggedCrc(file, String(), block, crc)) {
        Format(text, "PROC\t: %s\nFILE\t: %s\nCRC32\t: GetFileData Error.",
               record.sectionName.Text(), file.Text());
        PlatformShowBox(text.Text(), ReportCaption(), UnreadableBoxStyle);
        return false;
    }
    String crcText;
    Format(crcText, "0x%08X", crc);
    // A clipboard that is busy or refuses the text costs only the copy.
    PutClipboardText(crcText);
    Format(text, "PROC\t: %s\nFILE\t: %s\nCRC32\t: %s", record.sectionName.Text(), file.Text(),
           crcText.Text());
    PlatformShowBox(text.Text(), ReportCaption(), MeasuredBoxStyle);
    return true;
}

bool Matches(const String& file, const String& expected, ByteBuffer& block) {
    unsigned crc = 0;
    return LoggedCrc(file, expected, block, crc) && crc == ParseHex(expected);
}

enum Checked { CheckedAll, StoppedEarly, PassedBound, UserStopped };

// Whether the loop ran through every item; `matched` when any mode found
// its match. Each file is charged to the run before it is read.
Checked CheckFiles(const CrcRecord& record, int count, bool& matched) {
    const bool all = record.combination.EqualsNoCase("AND");
    ByteBuffer block;
    ItemCursor files(record.files, ","), expectedValues(record.expected, ",");
    for (int i = 0; i < count; i++) {
        String file = NextListItem(files);
        String expected = NextListItem(expectedValues);
        if (!ChargeItem(record, "FILE", ItemCost + ReadCost(file)))
            return PassedBound;
        if (IsDryRun())
            continue;
        if (ProgressStopTaken())
            return UserStopped;
        ProgressListItem(i, count, file.Text());
        if (expected.IsEmpty()) {
            if (!Measure(record, file, block))
                return StoppedEarly;
            continue;
        }
        bool match = Matches(file, expected, block);
        if (all && !match)
            return StoppedEarly;
        if (!all && match) {
            matched = true;
            return StoppedEarly;
        }
        if (!all && i == count - 1)
            return StoppedEarly;
    }
    return CheckedAll;
}

} // namespace

Procedure* ReadCrc(const String& sectionName) {
    return ReadRecord<CrcRecord>(sectionName, "CRC_INFO", {
        {"FILE", &CrcRecord::files},
        {"TYPE", &CrcRecord::combination},
        {"CRC", &CrcRecord::expected},
    });
}

bool ExecuteCrc(Procedure& procedure) {
    CrcRecord& record = static_cast<CrcRecord&>(procedure);
    int count = CountItemsOrReport(record, record.files, "FILE");
    if (count == 0)
        return false;
    bool matched = false;
    Checked checked = CheckFiles(record, count, matched);
    if (checked == CheckedAll || matched)
        record.conditionFlag = 1;
    return checked != PassedBound && checked != UserStopped;
}
