#include "Options.h"

#include <string.h>

#include "foundation/Cursors.h"

static String Unquoted(const char* text) {
    String value(text);
    int length = value.Length();
    if (length >= 2 && text[0] == '"' && text[length - 1] == '"')
        return value.Slice(value.Text() + 1, value.Text() + length - 2);
    return value;
}

static bool FindMarkedWord(const String& commandLine, const char* marker, String& value) {
    WordCursor words(commandLine);
    int count = commandLine.WordCount();
    for (int i = 0; i < count; i++) {
        String word = words.Word(i);
        if (strncmp(word.Text(), marker, 2) != 0)
            continue;
        value = Unquoted(word.Text() + 2);
        return !value.IsEmpty() || i + 1 < count;
    }
    return false;
}

bool GetOption(const String& commandLine, const char* letter, String& value) {
    char marker[3] = {'/', letter[0], 0};
    if (FindMarkedWord(commandLine, marker, value))
        return true;
    marker[0] = '-';
    if (FindMarkedWord(commandLine, marker, value))
        return true;
    value.Assign("");
    return false;
}

bool IsSwitch(const String& word, const char* name, String& value) {
    const unsigned length = static_cast<unsigned>(strlen(name));
    const bool takesValue = length > 0 && (name[length - 1] == '=' || name[length - 1] == ':');
    const char* text = word.Text();
    if (!EqualsNoCase(text, name, length) || (!takesValue && text[length] != 0))
        return false;
    value = Unquoted(text + length);
    return true;
}

bool GetSwitch(const String& commandLine, const char* name, String& value) {
    WordCursor words(commandLine);
    for (int i = 0, count = commandLine.WordCount(); i < count; i++) {
        if (IsSwitch(words.Word(i), name, value))
            return true;
    }
    value.Assign("");
    return false;
}

bool GetDefinition(const String& word, String& name, String& value) {
    String definition;
    // A line break would split the entry in the macro table.
    if (!IsSwitch(word, "/define:", definition) || strpbrk(definition.Text(), "\r\n"))
        return false;
    const char* equals = strchr(definition.Text(), '=');
    if (!equals || equals == definition.Text())
        return false;
    name = Unquoted(definition.Slice(definition.Text(), equals - 1).Text());
    value = Unquoted(equals + 1);
    return true;
}
