#include "Options.h"

#include <string.h>

static String TextAfterMarker(const String& commandLine, char sign, const char* letter) {
    String marker(sign == '/' ? "/" : "-");
    marker.Append(letter);
    return commandLine.Item(1, marker.Text());
}

bool GetOption(const String& commandLine, const char* letter, String& value) {
    value = TextAfterMarker(commandLine, '/', letter);
    if (value.IsEmpty())
        value = TextAfterMarker(commandLine, '-', letter);
    if (value.IsEmpty())
        return false;
    value = value.Words(0, 0);
    return true;
}

bool GetSwitch(const String& commandLine, const char* name, String& value) {
    const unsigned length = static_cast<unsigned>(strlen(name));
    const bool takesValue = length > 0 && name[length - 1] == '=';
    int count = commandLine.WordCount();
    for (int i = 0; i < count; i++) {
        String word = commandLine.Words(i, i);
        const char* text = word.Text();
        if (!EqualsNoCase(text, name, length) || (!takesValue && text[length] != 0))
            continue;
        value.Assign(text + length);
        if (value.Length() >= 2 && value.Text()[0] == '"' && value.Text()[value.Length() - 1] == '"')
            value = value.Slice(value.Text() + 1, value.Text() + value.Length() - 2);
        return true;
    }
    value.Assign("");
    return false;
}
