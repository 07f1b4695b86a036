// The version block that the system shows in the program file's properties.
// Every text, layout and picture the program shows is checked where it shows
// it; the icon file is checked with the artwork.

#include <windows.h>
#include <gtest/gtest.h>
#include <vector>

namespace {

TEST(ProgramFile, VersionIs2_0_0_7)
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    DWORD ignored;
    std::vector<BYTE> block(GetFileVersionInfoSizeA(path, &ignored));
    ASSERT_FALSE(block.empty());
    ASSERT_TRUE(GetFileVersionInfoA(path, 0, (DWORD)block.size(), block.data()));
    VS_FIXEDFILEINFO *fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", (void **)&fixed, &length));
    EXPECT_EQ(MAKELONG(0, 2), fixed->dwFileVersionMS);
    EXPECT_EQ(MAKELONG(7, 0), fixed->dwFileVersionLS);
    EXPECT_EQ(MAKELONG(0, 2), fixed->dwProductVersionMS);
    EXPECT_EQ(MAKELONG(7, 0), fixed->dwProductVersionLS);
    char *description = nullptr;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\StringFileInfo\\040904e4\\FileDescription",
                               (void **)&description, &length));
    EXPECT_STREQ("Setup program for SW4 upgrade", description);
}

}  // namespace
