#include "Cursors.h"

#include <string.h>

#include "Multibyte.h"

void ItemCursor::Start(const String& list, const char* itemSeparator) {
    at = list.Text();
    separator = itemSeparator;
    separatorLength = strlen(itemSeparator);
}

String ItemCursor::Next() {
    if (!at)
        return String();
    const char* hit = separatorLength ? FindText(at, separator) : nullptr;
    const char* end = hit ? hit : at + strlen(at);
    String item = end > at ? String().Slice(at, end - 1) : String();
    at = hit ? hit + separatorLength : nullptr;
    return item;
}
