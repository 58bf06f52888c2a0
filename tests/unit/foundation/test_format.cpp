#include <doctest.h>

#include <string.h>

#include "foundation/Messages.h"

TEST_CASE("Format follows printf rules") {
    String text;
    Format(text, "%s=%d", "a", 5);
    CHECK(strcmp(text.Text(), "a=5") == 0);
    Format(text, "0x%08X", 33u);
    CHECK(strcmp(text.Text(), "0x00000021") == 0);
}

TEST_CASE("Format grows for long results instead of overrunning") {
    char path[301];
    memset(path, 'p', 300);
    path[300] = 0;
    String text;
    Format(text, "from \"%s\"\nto \"%s\"\n%s%s", path, path, path, path);
    CHECK(text.Length() == 4 * 300 + 14);
    CHECK(text.Text()[text.Length() - 1] == 'p');
}

TEST_CASE("Format cuts a result beyond its largest area") {
    static char huge[100 * 1024];
    memset(huge, 'h', sizeof huge - 1);
    String text;
    Format(text, "%s", huge);
    CHECK(text.Length() == 64 * 1024 - 1);
}
