// The script checker over a fuzzed script, natively: the input is the
// script's text, read through a stand-in of the system's profile (the first
// section of a name, its first key, values trimmed and their enclosing
// quotes taken off), and checked by the checker's own code with the
// program's readers, engine and value expansion. The type table is a
// stand-in whose readers read each type's keys (what `updater-check --keys`
// prints) through the common reader, as the real ones do. A finding is a
// crash, a sanitizer report, or an input past the time or memory bound that
// tools/fuzz.sh gives (the promise for a script of 64 KiB, scaled to native
// speed).
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <unordered_map>
#include <vector>

#include "FuzzInput.h"
#include "StandInTypes.h"
#include "checker/Checker.h"
#include "checker/KeyList.h"
#include "checker/Problems.h"
#include "script/RunContext.h"
#include "script/ScriptPlatform.h"

RunContext runContext;

namespace {

std::string Folded(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
    return text;
}

std::string Trimmed(const std::string& text) {
    size_t first = text.find_first_not_of(" \t"), last = text.find_last_not_of(" \t");
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

// The script as the profile sees it: sections by folded name, the first of
// each name only, with their lines and their keys by folded name.
struct Section {
    std::vector<std::string> lines; // "key=value" as a section read gives them
    std::unordered_map<std::string, std::string> values;
};
std::unordered_map<std::string, Section> profile;

void LoadProfile(const std::string& text) {
    profile.clear();
    Section* section = nullptr;
    std::unordered_map<std::string, bool> seen;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        start = end == std::string::npos ? text.size() + 1 : end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        line = Trimmed(line);
        // A section's name ends at the last "]"; a line without one is a key.
        if (!line.empty() && line[0] == '[' && line.rfind(']') != std::string::npos && line.rfind(']') > 0) {
            std::string name = Folded(Trimmed(line.substr(1, line.rfind(']') - 1)));
            section = seen[name] ? nullptr : &profile[name];
            seen[name] = true;
        } else if (section && !line.empty()) {
            size_t equals = line.find('=');
            std::string key = Folded(Trimmed(line.substr(0, equals)));
            // A key without "=" reads as absent.
            std::string value = equals == std::string::npos ? "NO_DATA" : Trimmed(line.substr(equals + 1));
            if (value.size() > 1 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
                value = value.substr(1, value.size() - 2);
            section->lines.push_back(line);
            section->values.emplace(key, value);
        }
    }
}

const StandInTable<ChargeStandIn, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17> table;

} // namespace

const ProcedureType* ProcedureTypeAt(int index) { return table.At(index); }

const ProcedureType* FindProcedureType(const String& mode) { return table.Find(mode); }

String ReaderKeyList() { return String(); }

bool KeysOfMode(const String& mode, String& keys) {
    const ProcedureType* type = FindProcedureType(mode);
    if (!type)
        return false;
    bool isSwitch = type == table.At(SwitchIndex);
    static const char* const switchKeys[] = {"PROC", "0", "1", nullptr};
    const char* const* names = isSwitch ? switchKeys : standIns[type - table.types].keys;
    keys.Assign("");
    for (int k = 0; k < 4 && names[k]; k++) {
        keys.Append(" ");
        keys.Append(names[k]);
    }
    return true;
}

bool ValidInCodePage(const char*, int) { return true; }

bool ValidUtf8(const char*, int) { return false; }

unsigned SystemCodePage() { return 1252; }

bool IsFolderHere(const String&) { return false; }

void ScriptReadProfileString(const char*, const char* section, const char* key, const char* absent,
                             char* buffer, unsigned size) {
    auto found = profile.find(Folded(section));
    const std::string* value = nullptr;
    if (found != profile.end()) {
        auto entry = found->second.values.find(Folded(key));
        if (entry != found->second.values.end())
            value = &entry->second;
    }
    snprintf(buffer, size, "%s", value ? value->c_str() : absent);
}

void ScriptReadProfileSection(const char*, const char* section, char* buffer, unsigned size) {
    if (size < 2)
        return;
    unsigned at = 0;
    auto found = profile.find(Folded(section));
    for (size_t i = 0; found != profile.end() && i < found->second.lines.size(); i++) {
        const std::string& line = found->second.lines[i];
        if (at + line.size() + 2 > size)
            break;
        memcpy(buffer + at, line.c_str(), line.size() + 1);
        at += static_cast<unsigned>(line.size()) + 1;
    }
    buffer[at] = 0;
    buffer[at + 1] = 0;
}

// A fixed machine without registered programs, as the other targets have.
static void Fixed(String& target, const char* path) { target.Assign(path); }
void ScriptWindowsDirectory(String& target) { Fixed(target, "C:\\WINDOWS"); }
void ScriptSystemDirectory(String& target) { Fixed(target, "C:\\WINDOWS\\system32"); }
void ScriptTempPath(String& target) { Fixed(target, "C:\\TEMP\\"); }
bool ScriptIsWindowsNT() { return true; }
bool ScriptSpecialFolder(String& target, int folderId) {
    char path[32];
    snprintf(path, sizeof path, "C:\\Folder%02X\\", static_cast<unsigned>(folderId & 0xFF));
    return folderId >= 0 && folderId <= 0x3F && target.Assign(path);
}
bool ScriptFindAppPath(const char*, String&, bool) { return false; }

static std::string told;
static void Tell(const String& lines) { told += lines.Text(); }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    LoadProfile(text);
    runContext.scriptPath.Assign("C:\\setup\\updater.ini");
    runContext.modulePath.Assign("C:\\setup\\updater.exe");
    runContext.commandLine.Assign("");
    scriptLines.Scan(text.data(), static_cast<int>(text.size()));
    told.clear();
    TellProblemsTo("s", true, Tell);
    CheckScript();
    FinishProblems();
    // Every problem names a line of the script: "s", the line, and more
    // fields, tab-separated, a problem a line.
    String report(told.c_str());
    int lines = 1 + static_cast<int>(std::count(text.begin(), text.end(), '\n'));
    for (const char* p = report.Text(); *p; p = strchr(p, '\n') + 1) {
        EXPECT(p[0] == 's' && p[1] == '\t' && strchr(p, '\n'));
        int line = atoi(p + 2);
        EXPECT(line >= 1 && line <= lines);
    }
    return 0;
}
