// How an installation from the real wizard ends when the game does not
// arrive from the CD, when the user tries to leave while DirectX installs,
// and when the copy box cannot be made at all.
#include "resources/resource.h"
#include "startup/startup.h"
#include "wizard/wizard_sheet.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <commctrl.h>
#include <memory>
#include <set>

namespace {

const int BackButton = 0x3023;
const int NextButton = 0x3024;
const int FinishButton = 0x3025;
const char FolderText[] = "Please choose a directory";
const char ConfirmText[] = "Setup is about to install the game";
const char CompleteText[] = "Installation complete.";
const char MissingFile[] = "Setup could not find the following file on the installation CD : ";
const char Aborted[] = "\nInstallation aborted.";
const char StandinWindow[] = "DirectX Setup (stand-in)";
// Set in the copy of this program that runs the wizard itself.
const char WizardHere[] = "SW4_TEST_WIZARD_HERE";

bool DirectXCalled()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\DirectX Setup Stand-in", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

class InstallationOutcomesTest : public testing::Test {
protected:
    void SetUp() override
    {
        if (EnvText(WizardHere) == "1")
            return;   // the copy that runs the wizard makes nothing of its own
        DeleteInstallRecord();
        RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\DirectX Setup Stand-in");
        char windows[MAX_PATH];
        GetWindowsDirectoryA(windows, sizeof windows);
        desktop_ = std::string(windows) + "\\Desktop";
        desktopMade_ = CreateDirectoryA(desktop_.c_str(), nullptr) != 0;
        link_ = desktop_ + "\\Starwake IV.lnk";
        base_ = ScratchFolder("target");
        cd_ = ScratchFolder("cd");
        MakeSmallCd(cd_, MakeFileTime(1997, 10, 15));
    }
    void TearDown() override
    {
        if (base_.empty())
            return;
        setup_.reset();
        CloseGame();
        DeleteInstallRecord();
        RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\DirectX Setup Stand-in");
        DeleteFileA(link_.c_str());
        if (desktopMade_)
            RemoveDirectoryA(desktop_.c_str());
        RemoveTree(base_);
        RemoveTree(cd_);
    }

    // Starts the program from the CD folder and takes the wizard to the
    // confirmation of folder; false when it does not get there.
    bool StartAndChoose(const std::string &folder, const std::string &exe, const std::string &arguments = "",
                        const std::string &environment = "")
    {
        setup_ = std::make_unique<ProgramRun>();
        if (!setup_->Start(exe, arguments, cd_, environment))
            return false;
        sheet_ = WaitForWindow(setup_->Id(), "Starwake IV Setup", 20000);
        if (!sheet_ || !WaitForPageText("Setup will help you"))
            return false;
        PressCommand(sheet_, NextButton);
        if (!WaitForPageText(FolderText))
            return false;
        SendMessageA(FindControl(sheet_, IDC_INSTALL_DIR_EDIT), WM_SETTEXT, 0, (LPARAM)folder.c_str());
        PressCommand(sheet_, NextButton);
        return WaitForPageText(ConfirmText);
    }
    bool WaitForPageText(const std::string &start, DWORD timeoutMs = 20000)
    {
        return WaitUntil([&] { return ControlText(sheet_, IDC_PAGE_TEXT).rfind(start, 0) == 0; }, timeoutMs);
    }
    // Answers the missing-file warnings with OK; the first other box of the
    // run, or null when the wizard completed or the program ended first.
    HWND BoxAfterWarnings(int *warnings)
    {
        std::set<HWND> answered;
        HWND other = nullptr;
        WaitUntil([&] {
            for (HWND box : VisibleTopWindows(setup_->Id())) {
                std::string text = MessageBoxText(box);
                if (box == sheet_ || answered.count(box) || text.empty() || WindowText(box) == "Copy Progress")
                    continue;
                if (text.rfind(MissingFile, 0) != 0) {
                    other = box;
                    return true;
                }
                PostMessageA(box, WM_COMMAND, IDOK, 0);
                answered.insert(box);
            }
            return setup_->HasExited() || ControlText(sheet_, IDC_PAGE_TEXT).rfind(CompleteText, 0) == 0;
        }, 60000);
        *warnings = (int)answered.size();
        return other;
    }

    std::string cd_, base_, desktop_, link_;
    bool desktopMade_ = false;
    std::unique_ptr<ProgramRun> setup_;
    HWND sheet_ = nullptr;
};

// The game's files go to InstallDir or the installation fails, as a copy
// failure does; one file missing from the CD is still only warned about.
TEST_F(InstallationOutcomesTest, GameThatDidNotArriveFromTheCdIsAFailedInstallation)
{
    const struct { const char *missing; int warnings; const char *failedOn; } rows[] = {
        { "*", 19, "sw4.exe" },             // not started from the CD: nothing there
        { "SW4w.ex_", 1, "SW4w.ex_" },      // the Windows game did not arrive
        { "xmem.ovl", 1, nullptr },         // one DOS file: warned, skipped, installed
    };
    int run = 0;
    for (const auto &row : rows) {
        SCOPED_TRACE(std::string("missing on the CD: ") + row.missing);
        DeleteInstallRecord();
        DeleteFileA(link_.c_str());
        RemoveTree(cd_);
        cd_ = ScratchFolder("cd");
        if (row.missing[0] != '*') {
            MakeSmallCd(cd_, MakeFileTime(1997, 10, 15));
            DeleteFileA((cd_ + "\\" + row.missing).c_str());
        }
        std::string folder = base_ + "\\new" + std::to_string(run++) + "\\sw4";
        ASSERT_TRUE(StartAndChoose(folder, SetupExePath()));
        PressCommand(sheet_, NextButton);
        int warnings = 0;
        HWND box = BoxAfterWarnings(&warnings);
        EXPECT_EQ(row.warnings, warnings);

        if (row.failedOn == nullptr) {
            EXPECT_EQ(nullptr, box) << MessageBoxText(box);
            ASSERT_TRUE(WaitForPageText(CompleteText));
            EXPECT_TRUE(FileExists(folder + "\\SW4w.exe"));
            EXPECT_TRUE(RecordExists());
            PressCommand(sheet_, FinishButton);
            EXPECT_EQ(0, setup_->WaitForExit());
            EXPECT_NE(nullptr, WaitForGame().window);
            CloseGame();
            DeleteInstallRecord();
            continue;
        }
        ASSERT_NE(nullptr, box) << "no failure message";
        EXPECT_EQ(std::string("Copy Failed on file: ") + row.failedOn + Aborted, MessageBoxText(box));
        PressCommand(box, IDOK);
        EXPECT_EQ(1, setup_->WaitForExit());
        EXPECT_FALSE(RecordExists());
        EXPECT_FALSE(FileExists(link_));
        EXPECT_FALSE(DirectXCalled());
        EXPECT_FALSE(FolderExists(base_ + "\\new" + std::to_string(run - 1)))
            << "the copied files and the new folders stay";
    }
}

// The stand-in library shows a window and pumps the thread's messages, as
// the vendor's does: Cancel, the close box, Escape and Back reach the sheet
// then, and none may end the installation halfway or undo it.
TEST_F(InstallationOutcomesTest, NothingLeavesTheWizardWhileDirectXInstalls)
{
    std::string folder = base_ + "\\sw4";
    ASSERT_TRUE(StartAndChoose(folder, SetupExePath(), "", "DXSETUP_STANDIN_WINDOW=1"));
    PressCommand(sheet_, NextButton);
    HWND directx = WaitForWindow(setup_->Id(), StandinWindow, 60000);
    ASSERT_NE(nullptr, directx);
    EXPECT_EQ("Installing the DirectX Game Library...", ControlText(sheet_, IDC_PAGE_TEXT));

    PressCommand(sheet_, IDCANCEL);
    PostMessageA(sheet_, WM_CLOSE, 0, 0);
    PostMessageA(sheet_, WM_SYSCOMMAND, SC_CLOSE, 0);
    PressCommand(sheet_, BackButton);
    // Posted last, so the sheet has had all of the above when the library returns.
    PostMessageA(directx, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitForWindowGone(directx));

    ASSERT_TRUE(WaitForPageText(CompleteText)) << "exited: " << setup_->HasExited();
    EXPECT_TRUE(FileExists(folder + "\\SW4w.exe"));
    EXPECT_TRUE(RecordExists());
    EXPECT_FALSE(GameWindowShown());
    PressCommand(sheet_, FinishButton);
    EXPECT_EQ(0, setup_->WaitForExit());
    EXPECT_NE(nullptr, WaitForGame().window);
}

// ---- A copy box that cannot be made ------------------------------------------
// Only a system short of resources refuses to make a dialog. A copy of this
// program runs the wizard itself, with a hook that refuses the copy box.

LRESULT CALLBACK RefuseCopyBox(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND) {
        const CREATESTRUCTA *create = ((const CBT_CREATEWNDA *)lParam)->lpcs;
        if (!IS_INTRESOURCE(create->lpszName) && lstrcmpA(create->lpszName, "Copy Progress") == 0)
            return 1;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(InstallationOutcomesTest, CopyBoxThatCannotBeMadeIsReportedAndUndone)
{
    if (EnvText(WizardHere) == "1") {
        SetWindowsHookExA(WH_CBT, RefuseCopyBox, nullptr, GetCurrentThreadId());
        GetCurrentDirectoryA(sizeof SourceDir, SourceDir);
        InitWizardSheet();
        InitCommonControls();
        PropertySheetA(&WizardSheetHeader);
        FAIL() << "the wizard returned: the installation went on without its copy";
    }

    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string folder = base_ + "\\new\\sw4";
    ASSERT_TRUE(StartAndChoose(folder, self, "--gtest_filter=InstallationOutcomesTest.CopyBoxThatCannotBeMadeIsReportedAndUndone",
                               std::string(WizardHere) + "=1"));
    PressCommand(sheet_, NextButton);
    HWND box = WaitForMessageBox(setup_->Id(), "Copy Failed on file: ");
    ASSERT_NE(nullptr, box) << "exited without a word: " << setup_->HasExited();
    EXPECT_EQ(std::string("Copy Failed on file: sw4.exe") + Aborted, MessageBoxText(box));
    PressCommand(box, IDOK);
    EXPECT_EQ(1, setup_->WaitForExit());
    EXPECT_FALSE(FolderExists(base_ + "\\new"));
    EXPECT_FALSE(RecordExists());
}

}  // namespace
