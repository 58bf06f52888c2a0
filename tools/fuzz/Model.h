// Plain models of the text rules: byte loops over std::string, stepping a
// code page 932 lead byte and its trail together, with no cursor or cache.
#pragma once

#include <string>
#include <vector>

#include "foundation/Platform.h"

namespace model {

inline bool Lead(const std::string& s, size_t i) {
    return PlatformIsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size();
}

// Start of the first occurrence at or after `from` that begins a character.
inline size_t Find(const std::string& s, const std::string& pattern, size_t from) {
    size_t i = 0;
    while (i < from)
        i += Lead(s, i) ? 2 : 1;
    for (; i < s.size(); i += Lead(s, i) ? 2 : 1) {
        if (s.compare(i, pattern.size(), pattern) == 0)
            return i;
    }
    return std::string::npos;
}

inline int CountOf(const std::string& s, const std::string& pattern) {
    int count = 0;
    for (size_t at = Find(s, pattern, 0); at != std::string::npos; at = Find(s, pattern, at + pattern.size()))
        count++;
    return count;
}

inline std::vector<std::string> Split(const std::string& s, const std::string& separator) {
    std::vector<std::string> items;
    if (s.empty())
        return items;
    size_t start = 0;
    for (size_t at = Find(s, separator, 0); at != std::string::npos; at = Find(s, separator, start)) {
        items.push_back(s.substr(start, at - start));
        start = at + separator.size();
    }
    items.push_back(s.substr(start));
    return items;
}

inline std::string ReplaceAll(std::string s, const std::string& pattern, const std::string& text) {
    for (size_t at = Find(s, pattern, 0); at != std::string::npos; at = Find(s, pattern, 0))
        s.replace(at, pattern.size(), text);
    return s;
}

inline bool EqualNoCase(const char* a, const char* b, size_t n) {
    for (size_t i = 0; i < n; i++) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z')
            x -= 32;
        if (y >= 'a' && y <= 'z')
            y -= 32;
        if (x != y)
            return false;
    }
    return true;
}

inline bool IsBoundary(const std::string& s, size_t at) {
    size_t i = 0;
    while (i < at)
        i += Lead(s, i) ? 2 : 1;
    return i == at;
}

// Whole repeats at both ends; a trailing repeat must begin a character.
inline std::string Trim(const std::string& s, const std::string& leading, const std::string& trailing) {
    size_t first = 0, end = s.size();
    if (!leading.empty())
        while (end - first >= leading.size() && EqualNoCase(s.data() + first, leading.data(), leading.size()))
            first += leading.size();
    if (!trailing.empty())
        while (end - first >= trailing.size() &&
               EqualNoCase(s.data() + end - trailing.size(), trailing.data(), trailing.size()) &&
               IsBoundary(s, end - trailing.size()))
            end -= trailing.size();
    return s.substr(first, end - first);
}

// Words: a space separates when the quotes before it are even in number.
inline int WordCount(const std::string& s) {
    if (s.empty())
        return 0;
    int count = 1, quotes = 0;
    for (size_t i = 0; i < s.size(); i += Lead(s, i) ? 2 : 1) {
        if (s[i] == '"')
            quotes++;
        else if (s[i] == ' ' && quotes % 2 == 0)
            count++;
    }
    return count;
}

} // namespace model
