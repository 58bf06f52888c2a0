#include "Job.h"

#include <cstdlib>

std::string ToUtf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), nullptr, 0,
                                   nullptr, nullptr);
    std::string out(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), &out[0], size, nullptr,
                        nullptr);
    return out;
}

std::wstring FromUtf8(const std::string& text) {
    if (text.empty()) return std::wstring();
    int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), (int)text.size(), nullptr, 0);
    std::wstring out(size, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), (int)text.size(), &out[0], size);
    return out;
}

const char* ActionName(Action action) {
    switch (action) {
    case Action::Ok: return "OK";
    case Action::Cancel: return "CANCEL";
    case Action::Yes: return "YES";
    case Action::No: return "NO";
    case Action::Close: return "CLOSE";
    case Action::Default: return "DEFAULT";
    }
    return "?";
}

static bool ParseAction(const std::string& text, Action& action) {
    static const Action all[] = {Action::Ok, Action::Cancel, Action::Yes, Action::No,
                                 Action::Close, Action::Default};
    for (Action candidate : all) {
        if (text == ActionName(candidate)) {
            action = candidate;
            return true;
        }
    }
    return false;
}

static bool ReadWholeFile(const wchar_t* path, std::string& data) {
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) data.append(chunk, got);
    CloseHandle(file);
    return true;
}

static bool ApplyLine(const std::string& line, Job& job, std::string& error) {
    size_t equals = line.find('=');
    if (equals == std::string::npos) {
        error = "line without '=': " + line;
        return false;
    }
    std::string key = line.substr(0, equals);
    std::string value = line.substr(equals + 1);
    if (key == "program") job.program = FromUtf8(value);
    else if (key == "arguments") job.arguments = FromUtf8(value);
    else if (key == "directory") job.directory = FromUtf8(value);
    else if (key == "screenshots") job.screenshots = FromUtf8(value);
    else if (key == "hold") job.holds.push_back(FromUtf8(value));
    else if (key == "timeout") job.timeoutMs = (DWORD)strtoul(value.c_str(), nullptr, 10);
    else if (key == "answer") {
        Action action;
        if (!ParseAction(value, action)) {
            error = "unknown answer: " + value;
            return false;
        }
        job.answers.push_back(action);
    } else {
        error = "unknown key: " + key;
        return false;
    }
    return true;
}

bool ReadJob(const wchar_t* path, Job& job, std::string& error) {
    std::string data;
    if (!ReadWholeFile(path, data)) {
        error = "cannot read the job file";
        return false;
    }
    size_t start = 0;
    while (start < data.size()) {
        size_t end = data.find('\n', start);
        if (end == std::string::npos) end = data.size();
        std::string line = data.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && !ApplyLine(line, job, error)) return false;
        start = end + 1;
    }
    if (job.program.empty()) {
        error = "no program";
        return false;
    }
    return true;
}
