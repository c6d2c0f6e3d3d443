#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/Win32.h"

namespace {

TEST(PathFindExtensionA, FindsTheLastDotOfTheLastComponent) {
    const struct {
        const char* path;
        const char* extension;
    } cases[] = {
        {"file.txt", ".txt"},
        {"a.b.c", ".c"},
        {"out.", "."},
        {"out", ""},
        {"dir.d/file", ""},
        {"dir.d\\file", ""},
        {"a/b.c/d.e", ".e"},
        {"a\\b.c\\d.e", ".e"},
        {"dir.d\\out.zov", ".zov"},
        {"dir/", ""},
        {"", ""},
        {".hidden", ".hidden"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const char* found = PathFindExtensionA(c.path);
        ASSERT_NE(found, nullptr);
        // The result points into the path: at the dot, or at the terminating NUL.
        EXPECT_GE(found, c.path);
        EXPECT_LE(found, c.path + std::strlen(c.path));
        EXPECT_STREQ(found, c.extension);
    }
    EXPECT_EQ(PathFindExtensionA(nullptr), nullptr);
}

TEST(PathFindFileNameA, FindsTheLastComponent) {
    const struct {
        const char* path;
        const char* name;
    } cases[] = {
        {"a/b/c.txt", "c.txt"}, {"a\\b\\c", "c"}, {"a\\b/c", "c"}, {"c", "c"},    {"/usr/bin/genzov", "genzov"},
        {"dir/", "dir/"},       {"a/b/", "b/"},   {"/", "/"},      {"a//b", "b"}, {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const char* found = PathFindFileNameA(c.path);
        ASSERT_NE(found, nullptr);
        EXPECT_GE(found, c.path);
        EXPECT_STREQ(found, c.name);
    }
    EXPECT_EQ(PathFindFileNameA(nullptr), nullptr);
}

TEST(PathRenameExtensionA, ReplacesOrAppendsTheExtension) {
    const struct {
        const char* path;
        const char* extension;
        const char* expected;
    } cases[] = {
        {"out", ".zov", "out.zov"},
        {"out.txt", ".zov", "out.zov"},
        {"out.", ".zov", "out.zov"},
        {"a.b.c", ".rc", "a.b.rc"},
        {"dir.d\\out", ".zov", "dir.d\\out.zov"},
        {"dir.d/out", ".zov", "dir.d/out.zov"},
        {"/usr/bin/genzov", ".rc", "/usr/bin/genzov.rc"},
        {"name.exe", "", "name"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        char buffer[MAX_PATH];
        std::strcpy(buffer, c.path);
        EXPECT_TRUE(PathRenameExtensionA(buffer, c.extension));
        EXPECT_STREQ(buffer, c.expected);
    }
}

TEST(PathRenameExtensionA, RefusesAResultLongerThan259Characters) {
    const struct {
        std::string path;
        bool fits;
    } cases[] = {
        {std::string(255, 'p'), true},                // 259 characters with ".zov"
        {std::string(256, 'p'), false},               // 260
        {std::string(250, 'p') + ".abcdefgh", true},  // the old extension makes room
        {std::string(256, 'p') + ".x", false},        // the kept part alone leaves no room
        {std::string(200, 'd') + "/" + std::string(58, 'f'), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.size());
        char buffer[MAX_PATH];
        std::strcpy(buffer, c.path.c_str());
        EXPECT_EQ(PathRenameExtensionA(buffer, ".zov") != FALSE, c.fits);
        if (c.fits) {
            EXPECT_EQ(std::strlen(buffer), c.path.size() - std::strlen(PathFindExtensionA(c.path.c_str())) + 4);
        } else {
            EXPECT_EQ(std::string(buffer), c.path);
        }
    }
}

TEST(PathRenameExtensionA, RefusesNullArguments) {
    char buffer[MAX_PATH] = "out";
    EXPECT_FALSE(PathRenameExtensionA(nullptr, ".zov"));
    EXPECT_FALSE(PathRenameExtensionA(buffer, nullptr));
    EXPECT_STREQ(buffer, "out");
}

}  // namespace
