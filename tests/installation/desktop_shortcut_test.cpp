// The desktop shortcut, saved through the platform's shell link object and
// read back through it.
#include "wizard/desktop_shortcut.h"
#include "startup/install_record.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <string.h>

namespace {

struct LinkContents {
    bool loaded = false;
    std::string target, folder, description;
};

LinkContents ReadLink(const std::string &path)
{
    LinkContents contents;
    IShellLinkA *link = nullptr;
    IPersistFile *file = nullptr;
    CoInitialize(nullptr);
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                (void **)&link)))
        return contents;
    WCHAR wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, (void **)&file))) {
        if (SUCCEEDED(file->Load(wide, STGM_READ))) {
            char text[MAX_PATH];
            contents.loaded = true;
            if (SUCCEEDED(link->GetPath(text, sizeof text, nullptr, SLGP_RAWPATH)))
                contents.target = text;
            if (SUCCEEDED(link->GetWorkingDirectory(text, sizeof text)))
                contents.folder = text;
            if (SUCCEEDED(link->GetDescription(text, sizeof text)))
                contents.description = text;
        }
        file->Release();
    }
    link->Release();
    return contents;
}

class DesktopShortcutTest : public testing::Test {
protected:
    void SetUp() override
    {
        char windows[MAX_PATH];
        GetWindowsDirectoryA(windows, sizeof windows);
        desktop_ = std::string(windows) + "\\Desktop";
        link_ = desktop_ + "\\Starwake IV.lnk";
        desktopExisted_ = FolderExists(desktop_);
        game_ = ScratchFolder("GAMES SW4");
        strcpy(InstallDir, game_.c_str());
    }
    void TearDown() override
    {
        DeleteFileA(link_.c_str());
        if (!desktopExisted_)
            RemoveDirectoryA(desktop_.c_str());
        RemoveTree(game_);
        strcpy(InstallDir, "c:\\sw4");
    }
    std::string desktop_, link_, game_;
    bool desktopExisted_ = false;
};

TEST_F(DesktopShortcutTest, LinkOnTheDesktopPointsAtTheInstalledGame)
{
    CreateDirectoryA(desktop_.c_str(), nullptr);
    ASSERT_EQ(1, CreateDesktopShortcut());
    LinkContents link = ReadLink(link_);
    ASSERT_TRUE(link.loaded) << link_;
    EXPECT_STRCASEEQ((game_ + "\\SW4w.exe").c_str(), link.target.c_str());
    EXPECT_STRCASEEQ(game_.c_str(), link.folder.c_str());
    EXPECT_EQ("Starwake 4", link.description);

    // COM is up on this thread now: a second shortcut is made all the same.
    DeleteFileA(link_.c_str());
    EXPECT_EQ(1, CreateDesktopShortcut());
    EXPECT_TRUE(FileExists(link_));
}

TEST_F(DesktopShortcutTest, NoDesktopFolderMeansNoShortcutAndNoMessage)
{
    if (desktopExisted_)
        GTEST_SKIP() << "this prefix has a Desktop folder already";
    EXPECT_EQ(0, CreateDesktopShortcut());
    EXPECT_FALSE(FileExists(link_));
    EXPECT_TRUE(VisibleTopWindows(GetCurrentProcessId()).empty());
}

TEST_F(DesktopShortcutTest, TargetTooLongForItsBufferIsRefusedNotCut)
{
    CreateDirectoryA(desktop_.c_str(), nullptr);
    std::string folder = "c:\\" + std::string(250, 'd');   // 253 + "\SW4w.exe" > 259
    strcpy(InstallDir, folder.c_str());
    EXPECT_EQ(0, CreateDesktopShortcut());
    EXPECT_FALSE(FileExists(link_));
}

}  // namespace
