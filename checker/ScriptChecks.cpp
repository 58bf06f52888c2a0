// What the script's lines show that the readers cannot: text outside the
// code page, keys and sections set twice, values longer than a read keeps,
// keys no reader reads, sections nothing reaches.
#include "Checker.h"

#include "CheckTexts.h"
#include "Problems.h"

// Keys of the section that its type's reader never reads.
void CheckUnknownKeys(const String& section, const String& mode, const String& keys) {
    int first, end;
    scriptLines.SectionKeys(section.Text(), first, end);
    for (int i = first; i < end; i++) {
        const ScriptLine& line = scriptLines.At(i);
        if (line.key.IsEmpty() || line.key.EqualsNoCase("MODE"))
            continue;
        bool known = false;
        ItemCursor words(keys, " ");
        for (int k = 0, n = keys.ItemCount(" "); k < n && !known; k++)
            known = words.Next().EqualsNoCase(line.key.Text());
        if (!known)
            Report(Warning, line.number, section.Text(), CheckUnknownKey, line.key.Text(),
                   mode.Text());
    }
}

void CheckFileText() {
    // A script saved as UTF-8 is told once: its lines outside the code page
    // and its mark follow from it.
    if (scriptLines.utf8Line) {
        Report(Warning, scriptLines.utf8Line, "", CheckUtf8, SystemCodePage());
        return;
    }
    if (scriptLines.hasByteOrderMark)
        Report(Warning, 1, "", CheckByteOrderMark);
    for (int i = 0; i < scriptLines.Count(); i++)
        if (scriptLines.At(i).badText)
            Report(Warning, scriptLines.At(i).number, "", CheckCodePage);
}

// The platform reads the first of two equal keys, and the first of two
// equal sections; the second is never seen.
void CheckRepeats() {
    for (int i = 0; i < scriptLines.Count(); i++) {
        const ScriptLine& line = scriptLines.At(i);
        if (line.header && line.repeats)
            Report(Error, line.number, line.section.Text(), CheckRepeatedSection, line.repeats);
        if (line.key.IsEmpty() || line.repeats)
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
        if (!line.header || line.repeats || line.section.EqualsNoCase("UPDATER") ||
            line.section.EqualsNoCase("DEFINE") || IsReached(line.section))
            continue;
        Report(Warning, line.number, line.section.Text(), CheckUnreached);
    }
}
