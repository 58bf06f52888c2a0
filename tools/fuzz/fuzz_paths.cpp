// The path text rules by their properties: a path and the same path with "/"
// for "\\" have the same root, levels and prefix; whatever names the whole
// of a root is taken for a root; an entry's path never reaches above the
// folder that was walked.
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "foundation/Multibyte.h"
#include "foundation/PathText.h"

static const char* const Names[] = {"a", "x.txt", "\x95\x5C", "\x83\x41" "b"};
static const char* const Pieces[] = {"\\", "/", "C:", "\\\\", "?", ".", "..", " ", "*", "UNC", "a", "\x95\x5C", "\x95"};

static std::string Slashed(const std::string& text) {
    std::string slashed = text;
    for (const char* p = text.c_str(); *p; p = NextChar(p))
        slashed[p - text.c_str()] = *p == '\\' ? '/' : *p;
    return slashed;
}

static bool OnlyOf(const std::string& level, const char* set) {
    return level.find_first_not_of(set) == std::string::npos;
}

// The levels below the root as the system resolves them: empty and "."
// levels go, ".." (or a level of only dots and spaces that starts with it)
// takes one back but never above the root. Nothing left, or one level of
// wildcards, names the whole root.
static bool NamesWholeRoot(const std::string& text, size_t rootLength) {
    std::vector<std::string> kept;
    std::string level;
    const char* start = text.c_str();
    for (const char* p = start + rootLength;; p = NextChar(p)) {
        if (*p && *p != '\\' && *p != '/') {
            level.append(p, NextChar(p));
            continue;
        }
        if (!OnlyOf(level, ". "))
            kept.push_back(level);
        else if (level.compare(0, 2, "..") == 0 && !kept.empty())
            kept.pop_back();
        level.clear();
        if (!*p)
            break;
    }
    return kept.empty() || (kept.size() == 1 && OnlyOf(kept[0], "*?. "));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    std::string path;
    for (int n = in.Small(12); n > 0; n--)
        path += in.Small(3) ? Pieces[in.Small(13)] : in.Text();
    std::string slashed = Slashed(path);
    String text(path.c_str()), slashedText(slashed.c_str());
    int rootLength = PathRootLength(path.c_str());
    bool isRoot = IsRootPath(text);
    EXPECT(PathRootLength(slashed.c_str()) == rootLength);
    EXPECT(IsRootPath(slashedText) == isRoot);
    EXPECT(PathLevelCount(slashed.c_str()) == PathLevelCount(path.c_str()));
    std::string prefix = PathPrefix(text).Text();
    EXPECT(Slashed(prefix) == PathPrefix(slashedText).Text());
    if (rootLength > 0 && NamesWholeRoot(path, static_cast<size_t>(rootLength)))
        EXPECT(isRoot);

    // A walk of the prefix's folder: each entry's prefix is that folder. (A
    // share root without its share, "\\\\" or "\\\\server\\", is no folder.)
    std::string name = in.OneOf(Names, 4);
    std::string entry = prefix + name;
    if ((prefix.empty() || IsPathSeparator(prefix.back())) &&
        PathRootLength(entry.c_str()) <= static_cast<int>(prefix.size())) {
        EXPECT(PathPrefix(String(entry.c_str())).Text() == prefix);
        EXPECT(PathFromLevel(entry.c_str(), PathLevelCount(prefix.c_str()) - 1) == name);
    }
    // A walk of the whole tree: below the level count of the folder walked
    // there is nothing but the entry's own path inside it.
    std::string folder = WithoutTrailingSeparators(text).Text();
    std::string inner = name + "\\" + in.OneOf(Names, 4);
    entry = folder + "\\" + inner;
    if (!folder.empty() && IsCharBoundary(entry.c_str(), entry.c_str() + folder.size()) &&
        PathRootLength(entry.c_str()) <= static_cast<int>(folder.size()) + 1)
        EXPECT(PathFromLevel(entry.c_str(), PathLevelCount(folder.c_str())) == inner);
    return 0;
}
