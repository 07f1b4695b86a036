// How an installation from the real wizard ends when the game does not
// arrive from the CD, when the user tries to leave while DirectX installs,
// and when the copy box cannot be made at all.
#include "../wizard/wizard_run.h"
#include "resources/resource.h"
#include "startup/startup.h"
#include "wizard/wizard_sheet.h"

#include <gtest/gtest.h>
#include <commctrl.h>
#include <set>

namespace {

const char MissingFile[] = "Setup could not find the following file on the installation CD : ";
const char Aborted[] = "\nInstallation aborted.";
const char DirectXKey[] = "Software\\DirectX Setup Stand-in";   // made by each call of the stand-in
// Set in the copy of this program that runs the wizard itself.
const char WizardHere[] = "SW4_TEST_WIZARD_HERE";

bool DirectXCalled()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, DirectXKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

long ExitCodeOf(DWORD processId)
{
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, processId);
    DWORD code = (DWORD)-1;
    if (process && WaitForSingleObject(process, 15000) == WAIT_OBJECT_0)
        GetExitCodeProcess(process, &code);
    if (process)
        CloseHandle(process);
    return (long)code;
}

// Answers the missing-file warnings with OK and counts them; the first other
// message box, or null once the wizard completed or the program ended.
HWND BoxAfterWarnings(const WizardRun &wizard, int *warnings)
{
    const std::string complete = StringResource(IDS_COMPLETE);
    std::set<HWND> answered;
    HWND other = nullptr;
    WaitUntil([&] {
        for (HWND box : VisibleTopWindows(wizard.ProcessId())) {
            // The copy box, alive or just gone, is passed over: it has a
            // bar while it lives, no text once it is gone.
            if (box == wizard.Sheet() || answered.count(box) || FindControl(box, IDC_PROGRESS_BAR))
                continue;
            std::string text = MessageBoxText(box);
            if (text.empty())
                continue;
            if (text.rfind(MissingFile, 0) != 0) {
                other = box;
                return true;
            }
            PostMessageA(box, WM_COMMAND, IDOK, 0);
            answered.insert(box);
        }
        return !IsWindow(wizard.Sheet()) || wizard.PageText() == complete;
    }, 60000);
    *warnings = (int)answered.size();
    return other;
}

// The game's files go to InstallDir or the installation fails, as a copy
// failure does; one file missing from the CD is still only warned about.
TEST(InstallationOutcomes, GameThatDidNotArriveFromTheCdIsAFailedInstallation)
{
    const struct { const char *missing; int warnings; const char *failedOn; } rows[] = {
        { "*", 19, "sw4.exe" },          // not started from the CD: nothing there
        { "SW4w.ex_", 1, "SW4w.ex_" },   // the Windows game did not arrive
        { "xmem.ovl", 1, nullptr },      // one DOS file: warned, skipped, installed
    };
    std::string base = ScratchFolder("target");
    int run = 0;
    for (const auto &row : rows) {
        SCOPED_TRACE(std::string("missing on the CD: ") + row.missing);
        RegDeleteKeyA(HKEY_CURRENT_USER, DirectXKey);
        WizardRun wizard;
        if (row.missing[0] == '*') {
            RemoveTree(wizard.CdFolder());
            CreateDirectoryA(wizard.CdFolder().c_str(), nullptr);
        }
        DeleteFileA((wizard.CdFolder() + "\\" + row.missing).c_str());
        std::string made = base + "\\new" + std::to_string(run++);
        ASSERT_TRUE(wizard.Start());
        ASSERT_TRUE(wizard.NextToFolderChoice());
        wizard.TypeFolder(made + "\\sw4");
        ASSERT_EQ(WizardRun::Accepted, wizard.NextFromFolderChoice());
        wizard.Press(SHEET_NEXT);
        int warnings = 0;
        HWND box = BoxAfterWarnings(wizard, &warnings);
        EXPECT_EQ(row.warnings, warnings);

        if (row.failedOn == nullptr) {
            EXPECT_EQ(nullptr, box) << MessageBoxText(box);
            ASSERT_TRUE(wizard.WaitForPageText(StringResource(IDS_COMPLETE)));
            EXPECT_TRUE(FileExists(made + "\\sw4\\SW4w.exe"));
            EXPECT_TRUE(RecordExists());
            EXPECT_EQ(0, wizard.CloseWith(SHEET_FINISH));
            EXPECT_NE(nullptr, WaitForGame().window);
            CloseGame();
            continue;
        }
        ASSERT_NE(nullptr, box) << "no failure message";
        EXPECT_EQ(std::string("Copy Failed on file: ") + row.failedOn + Aborted, MessageBoxText(box));
        PressCommand(box, IDOK);
        EXPECT_EQ(1, ExitCodeOf(wizard.ProcessId()));
        EXPECT_FALSE(RecordExists()) << "and so no shortcut either: it comes after the record";
        EXPECT_FALSE(DirectXCalled());
        EXPECT_FALSE(FolderExists(made)) << "the copied files and the new folders stay";
    }
    DeleteInstallRecord();
    RemoveTree(base);
}

// The stand-in library shows a window and pumps the thread's messages, as
// the vendor's does: Cancel, the close box and Back reach the sheet then,
// and none may end the installation halfway or undo it.
TEST(InstallationOutcomes, NothingLeavesTheWizardWhileDirectXInstalls)
{
    std::string base = ScratchFolder("target");
    WizardRun wizard;
    SetEnvironmentVariableA("DXSETUP_STANDIN_WINDOW", "1");   // inherited by setup
    ASSERT_TRUE(wizard.Start());
    SetEnvironmentVariableA("DXSETUP_STANDIN_WINDOW", nullptr);
    ASSERT_TRUE(wizard.NextToFolderChoice());
    wizard.TypeFolder(base + "\\sw4");
    ASSERT_EQ(WizardRun::Accepted, wizard.NextFromFolderChoice());
    wizard.Press(SHEET_NEXT);
    HWND directx = WaitForWindow(wizard.ProcessId(), "DirectX Setup (stand-in)", 60000);
    ASSERT_NE(nullptr, directx);
    EXPECT_EQ(StringResource(IDS_INSTALLING_DIRECTX), wizard.PageText());

    wizard.Press(SHEET_CANCEL);
    PostMessageA(wizard.Sheet(), WM_CLOSE, 0, 0);
    PostMessageA(wizard.Sheet(), WM_SYSCOMMAND, SC_CLOSE, 0);
    wizard.Press(SHEET_BACK);
    // Posted last, so the sheet has had all of the above when the library returns.
    PostMessageA(directx, WM_CLOSE, 0, 0);

    ASSERT_TRUE(wizard.WaitForPageText(StringResource(IDS_COMPLETE), 20000));
    EXPECT_TRUE(FileExists(base + "\\sw4\\SW4w.exe"));
    EXPECT_TRUE(RecordExists());
    EXPECT_FALSE(GameWindowShown());
    EXPECT_EQ(0, wizard.CloseWith(SHEET_FINISH));
    EXPECT_NE(nullptr, WaitForGame().window);
    CloseGame();
    DeleteInstallRecord();
    RemoveTree(base);
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

bool WaitForPage(HWND sheet, const std::string &text)
{
    return WaitUntil([&] { return ControlText(sheet, IDC_PAGE_TEXT) == text; });
}

TEST(InstallationOutcomes, CopyBoxThatCannotBeMadeIsReportedAndUndone)
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
    std::string base = ScratchFolder("target");
    ProgramRun wizard;
    ASSERT_TRUE(wizard.Start(self, "--gtest_filter=InstallationOutcomes.CopyBoxThatCannotBeMadeIsReportedAndUndone",
                             base, std::string(WizardHere) + "=1"));
    HWND sheet = WaitForWindow(wizard.Id(), "Starwake IV Setup", 20000);
    ASSERT_NE(nullptr, sheet);
    PressCommand(sheet, SHEET_NEXT);
    ASSERT_TRUE(WaitForPage(sheet, StringResource(IDS_CHOOSE_FOLDER)));
    SendMessageA(FindControl(sheet, IDC_INSTALL_DIR_EDIT), WM_SETTEXT, 0, (LPARAM)(base + "\\new\\sw4").c_str());
    PressCommand(sheet, SHEET_NEXT);
    ASSERT_TRUE(WaitForPage(sheet, ConfirmText()));
    PressCommand(sheet, SHEET_NEXT);

    HWND box = WaitForMessageBox(wizard.Id(), "Copy Failed on file: ");
    ASSERT_NE(nullptr, box) << "exited without a word: " << wizard.HasExited();
    EXPECT_EQ(std::string("Copy Failed on file: sw4.exe") + Aborted, MessageBoxText(box));
    PressCommand(box, IDOK);
    EXPECT_EQ(1, wizard.WaitForExit());
    EXPECT_FALSE(FolderExists(base + "\\new"));
    EXPECT_FALSE(RecordExists());
    RemoveTree(base);
}

}  // namespace
