// The version block that the system shows in the program file's properties,
// and the icon it shows for the file.
// Every text, layout and picture the program shows is checked where it shows
// it; the icon file is checked with the artwork.

#include "resources/resource.h"
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

TEST(ProgramFile, IconIsTheOne32x32SixteenColourImageWindows95Shows)
{
    HRSRC group = FindResourceA(nullptr, MAKEINTRESOURCEA(IDI_SETUP), (LPCSTR)RT_GROUP_ICON);
    ASSERT_NE(nullptr, group);
    const BYTE *entries = (const BYTE *)LockResource(LoadResource(nullptr, group));
    EXPECT_EQ(1, *(const WORD *)(entries + 4)) << "images in the group";
    EXPECT_EQ(32, entries[6]);
    EXPECT_EQ(32, entries[7]);
    EXPECT_EQ(16, entries[8]) << "colours";
    EXPECT_NE(nullptr, LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_SETUP), IMAGE_ICON, 32, 32, 0));
}

}  // namespace
