#include "Options.h"

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
