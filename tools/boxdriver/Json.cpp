#include "Job.h"

#include <cstdio>

static void AppendString(std::string& out, const std::string& utf8) {
    out += '"';
    for (unsigned char c : utf8) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                char escape[8];
                snprintf(escape, sizeof escape, "\\u%04x", c);
                out += escape;
            } else {
                out += (char)c;
            }
        }
    }
    out += '"';
}

static void AppendString(std::string& out, const std::wstring& text) {
    AppendString(out, ToUtf8(text));
}

// An empty text stands for null.
static void AppendOptional(std::string& out, const std::string& text) {
    if (text.empty()) out += "null";
    else AppendString(out, text);
}

static const char* Bool(bool value) { return value ? "true" : "false"; }

static void AppendBox(std::string& out, const BoxRecord& box) {
    out += "{\"caption\": ";
    AppendString(out, box.caption);
    out += ", \"text\": ";
    if (box.hasText) AppendString(out, box.text);
    else out += "null";
    out += ", \"icon\": ";
    AppendString(out, std::string(box.icon));
    out += ", \"buttons\": [";
    for (size_t i = 0; i < box.buttons.size(); ++i) {
        if (i) out += ", ";
        AppendString(out, box.buttons[i]);
    }
    out += "], \"default\": ";
    AppendOptional(out, box.defaultButton);
    out += ", \"answer\": ";
    AppendOptional(out, box.answer);
    out += ", \"pressed\": ";
    AppendOptional(out, box.pressed);
    out += ", \"expected\": ";
    out += Bool(box.expected);
    out += ", \"closed\": ";
    out += Bool(box.closed);
    out += "}";
}

bool WriteResult(const wchar_t* path, const RunResult& result) {
    std::string out = "{\"started\": ";
    out += Bool(result.started);
    if (!result.started) {
        out += ", \"start_error\": " + std::to_string(result.startError);
    }
    out += ", \"exit_code\": ";
    out += result.exited ? std::to_string(result.exitCode) : std::string("null");
    out += ", \"timed_out\": ";
    out += Bool(result.timedOut);
    out += ", \"too_many_boxes\": ";
    out += Bool(result.tooManyBoxes);
    out += ",\n \"boxes\": [";
    for (size_t i = 0; i < result.boxes.size(); ++i) {
        out += i ? ",\n  " : "\n  ";
        AppendBox(out, result.boxes[i]);
    }
    out += "],\n \"clipboard\": ";
    if (result.hasClipboard) AppendString(out, result.clipboard);
    else out += "null";
    out += "}\n";

    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = WriteFile(file, out.data(), (DWORD)out.size(), &written, nullptr) &&
              written == out.size();
    CloseHandle(file);
    return ok;
}
