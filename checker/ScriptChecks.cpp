// What the script's lines show that the readers cannot: text outside the
// code page, keys set twice, values longer than a read keeps, keys no reader
// reads, sections nothing reaches.
#include "Checker.h"

#include <stdlib.h>

#include "CheckTexts.h"
#include "Problems.h"

// Keys of the section that its type's reader never reads.
void CheckUnknownKeys(const String& section, const String& mode, const String& keys) {
    for (int i = 0; i < scriptLines.Count(); i++) {
        const ScriptLine& line = scriptLines.At(i);
        if (line.key.IsEmpty() || !line.section.EqualsNoCase(section.Text()) ||
            line.key.EqualsNoCase("MODE"))
            continue;
        bool known = false;
        for (int k = 0, n = keys.ItemCount(" "); k < n && !known; k++)
            known = keys.Item(k, " ").EqualsNoCase(line.key.Text());
        if (!known)
            Report(Warning, line.number, section.Text(), CheckUnknownKey, line.key.Text(),
                   mode.Text());
    }
}

void CheckFileText() {
    if (scriptLines.hasByteOrderMark)
        Report(Warning, 1, "", CheckByteOrderMark);
    for (int i = 0, n = scriptLines.badLines.ItemCount(","); i < n; i++)
        Report(Warning, atoi(scriptLines.badLines.Item(i, ",").Text()), "", CheckCodePage);
}

// The platform reads the first of two equal keys; the second is never seen.
void CheckRepeatedKeys() {
    for (int i = 0; i < scriptLines.Count(); i++) {
        const ScriptLine& line = scriptLines.At(i);
        if (line.key.IsEmpty())
            continue;
        int first = scriptLines.KeyLine(line.section.Text(), line.key.Text());
        if (first != line.number)
            Report(Error, line.number, line.section.Text(), CheckRepeatedKey, line.key.Text(),
                   first);
        if (line.valueLength > 32766)
            Report(Warning, line.number, line.section.Text(), CheckLongValue, line.key.Text(),
                   line.valueLength);
    }
}

void ReportUnreached() {
    for (int i = 0; i < scriptLines.Count(); i++) {
        const ScriptLine& line = scriptLines.At(i);
        if (!line.key.IsEmpty() || line.section.EqualsNoCase("UPDATER") ||
            line.section.EqualsNoCase("DEFINE") || IsReached(line.section))
            continue;
        Report(Warning, line.number, line.section.Text(), CheckUnreached);
    }
}

