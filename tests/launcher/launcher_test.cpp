// The launcher as a user meets it: setup.exe started by hand from a CD folder
// with a current installation recorded, its menu read and clicked from here.
#include "installed_game.h"
#include "launcher/artwork_panel.h"
#include "resources/resource.h"
#include "startup/startup.h"
#include "pixels.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <memory>
#include <string.h>

namespace {

const char kLauncherCaption[] = "Starwake IV Launch";
const char kReadmeLine[] = "Sample readme of the launcher test";

bool GameMutexExists()
{
    HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, "Starwake 4 Mutex");
    if (mutex)
        CloseHandle(mutex);
    return mutex != nullptr;
}

HWND FocusOf(HWND window)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
    return info.hwndFocus;
}

// The screen's pixels under a rectangle.
std::vector<BYTE> ScreenPixels(const RECT &area)
{
    HDC screen = GetDC(nullptr);
    std::vector<BYTE> pixels = Render(area.right - area.left, area.bottom - area.top, [&](HDC target) {
        BitBlt(target, 0, 0, area.right - area.left, area.bottom - area.top, screen, area.left, area.top, SRCCOPY);
    });
    ReleaseDC(nullptr, screen);
    return pixels;
}

// Bitmap 105 as the panel should draw it over a client area of this size.
std::vector<BYTE> ExpectedPicture(int width, int height)
{
    HRSRC found = FindResourceA(AppInstance, MAKEINTRESOURCEA(IDB_LAUNCHER_ART), (LPCSTR)RT_BITMAP);
    const BITMAPINFOHEADER *dib = (const BITMAPINFOHEADER *)LockResource(LoadResource(AppInstance, found));
    const BYTE *bits = (const BYTE *)dib + dib->biSize + 256 * 4;   // 8 bits, a full colour table
    return Render(width, height, [&](HDC target) {
        StretchDIBits(target, 0, 0, width, height, 0, 0, dib->biWidth, dib->biHeight, bits,
                      (const BITMAPINFO *)dib, DIB_RGB_COLORS, SRCCOPY);
    });
}

// Kept in the test's folder of the build, for the README's picture.
void SaveScreenshot(const RECT &area, const char *path)
{
    BITMAPINFOHEADER header = RenderHeader(area.right - area.left, area.bottom - area.top);
    std::vector<BYTE> pixels = ScreenPixels(area);
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + (DWORD)pixels.size();
    std::string bytes((const char *)&file, sizeof file);
    bytes.append((const char *)&header, sizeof header);
    bytes.append((const char *)pixels.data(), pixels.size());
    WriteTextFile(path, bytes);
}

struct ViewerSearch {
    std::vector<HWND> found;
};

BOOL CALLBACK CollectViewer(HWND window, LPARAM lParam)
{
    if (IsWindowVisible(window) && WindowText(window).find("readme") != std::string::npos)
        ((ViewerSearch *)lParam)->found.push_back(window);
    return TRUE;
}

std::vector<HWND> ReadmeViewers()
{
    ViewerSearch search;
    EnumWindows(CollectViewer, (LPARAM)&search);
    return search.found;
}

BOOL CALLBACK FindEdit(HWND child, LPARAM lParam)
{
    char className[16];
    GetClassNameA(child, className, sizeof className);
    if (lstrcmpiA(className, "Edit") != 0)
        return TRUE;
    *(HWND *)lParam = child;
    return FALSE;
}

std::string ViewerText(HWND viewer)
{
    HWND edit = nullptr;
    EnumChildWindows(viewer, FindEdit, (LPARAM)&edit);
    return edit ? WindowText(edit) : "";
}

class LauncherTest : public testing::Test {
protected:
    void SetUp() override
    {
        DeleteInstallRecord();
        cd_ = ScratchFolder("cd");
        installed_ = ScratchFolder("sw4");
        WriteFileOfSize(cd_ + "\\sw4w.ex_", 4096);
        SetLastWriteTime(cd_ + "\\sw4w.ex_", cdTime_);
        WriteTextFile(cd_ + "\\readme.txt", std::string(kReadmeLine) + "\r\n");
        FillInstallFolder(installed_);
        SetLastWriteTime(installed_ + "\\SW4w.exe", cdTime_);
    }
    void TearDown() override
    {
        JoinMessageBoxAnswerer();
        setup_.reset();
        CloseGame();
        EndProcesses("notepad.exe");
        EndProcesses("sw4.exe");
        RemoveUninstallerCopies();
        DeleteInstallRecord();
        RemoveTree(cd_);
        RemoveTree(installed_);
        DeleteFileA(DesktopShortcutPath().c_str());
        RemoveDesktopFolderIfMade();
    }

    // Setup started by hand in the CD folder, with the record's "autorun" byte.
    HWND OpenLauncher(BYTE autorun)
    {
        RecordInstallation(installed_, autorun);
        setup_ = std::make_unique<ProgramRun>();
        if (!setup_->Start(SetupExePath(), "", cd_))
            return nullptr;
        return WaitForWindow(setup_->Id(), kLauncherCaption);
    }

    static bool BoxChecked(HWND launcher)
    {
        return SendMessageA(FindControl(launcher, IDC_OPTION_CHECK), BM_GETCHECK, 0, 0) == BST_CHECKED;
    }
    // As a user's click: the box toggles itself and tells the dialog.
    static bool ClickBox(HWND launcher)
    {
        bool was = BoxChecked(launcher);
        PostMessageA(FindControl(launcher, IDC_OPTION_CHECK), BM_CLICK, 0, 0);
        return WaitUntil([&] { return BoxChecked(launcher) != was; });
    }
    // Returns once the launcher has handled everything sent to it before.
    static void Settle(HWND launcher)
    {
        DWORD_PTR result;
        SendMessageTimeoutA(launcher, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result);
    }
    static int SavedAutorun()
    {
        std::vector<BYTE> bytes = ReadRecordBytes("autorun");
        return bytes.size() == 1 ? bytes[0] : -1;
    }

    std::string cd_, installed_;
    FILETIME cdTime_ = MakeFileTime(1997, 10, 15);
    std::unique_ptr<ProgramRun> setup_;
};

TEST_F(LauncherTest, OpensCentredWithItsPictureAndButtonsAndTheBoxCheckedWhenTheMenuIsWanted)
{
    HWND launcher = OpenLauncher(0);
    ASSERT_NE(nullptr, launcher);
    const struct { int id; const char *text; } buttons[] = {
        { IDC_RUN_GAME, "&Run Starwake IV" }, { IDC_UNINSTALL, "&Uninstall Game" },
        { IDC_RECONFIGURE, "R&econfigure Game" }, { IDC_VIEW_README, "&View Readme File" },
        { IDCANCEL, "&Cancel" }, { IDC_OPTION_CHECK, "Show this menu on startup" },
    };
    for (const auto &button : buttons) {
        EXPECT_EQ(button.text, ControlText(launcher, button.id));
        EXPECT_TRUE(ControlVisible(launcher, button.id) && ControlEnabled(launcher, button.id)) << button.text;
    }
    EXPECT_TRUE(BoxChecked(launcher)) << "MenuSuppressed 0: the menu is shown";
    EXPECT_TRUE(WaitUntil([&] { return FocusOf(launcher) == FindControl(launcher, IDC_RUN_GAME); }))
        << "focus on control " << GetDlgCtrlID(FocusOf(launcher));

    RECT frame;
    GetWindowRect(launcher, &frame);
    RECT opened = { 0, 0, frame.right - frame.left, frame.bottom - frame.top };
    POINT centred = CenteredPosition(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), &opened);
    EXPECT_EQ(centred.x, frame.left);
    EXPECT_EQ(centred.y, frame.top);

    HWND artwork = FindControl(launcher, IDC_ARTWORK);
    RECT client;
    GetClientRect(artwork, &client);
    MapWindowPoints(artwork, nullptr, (POINT *)&client, 2);
    std::vector<BYTE> expected = ExpectedPicture(client.right - client.left, client.bottom - client.top);
    size_t wrong = 0;
    WaitUntil([&] { return (wrong = DifferentBytes(ScreenPixels(client), expected)) == 0; }, 5000);
    EXPECT_EQ(0u, wrong) << "bytes of the artwork control that are not the stretched picture";
    SaveScreenshot(frame, "launcher-screenshot.bmp");

    PressCommand(launcher, IDCANCEL);
    EXPECT_EQ(0, setup_->WaitForExit());
}

TEST_F(LauncherTest, RunSavesTheUncheckedBoxAndStartsTheGameOnceTheMenuHasClosed)
{
    HWND launcher = OpenLauncher(0);
    ASSERT_NE(nullptr, launcher);
    ASSERT_TRUE(ClickBox(launcher));
    EXPECT_FALSE(BoxChecked(launcher));
    PressCommand(launcher, IDC_RUN_GAME);

    GameSighting game = WaitForGame();
    ASSERT_NE(nullptr, game.window);
    EXPECT_FALSE(IsWindow(launcher) && IsWindowVisible(launcher)) << "the game started under the menu";
    EXPECT_EQ(installed_ + "\\SW4w.exe", game.commandLine);
    EXPECT_EQ(installed_, game.folder);
    EXPECT_EQ(0, setup_->WaitForExit());
    EXPECT_EQ(1, SavedAutorun()) << "the menu is not to be shown at the next autorun start";
}

TEST_F(LauncherTest, ReconfigureSavesTheCheckedBoxAndStartsTheGameWithDashI)
{
    HWND launcher = OpenLauncher(2);
    ASSERT_NE(nullptr, launcher);
    EXPECT_FALSE(BoxChecked(launcher)) << "MenuSuppressed 2: the menu is not shown at autorun";
    ASSERT_TRUE(ClickBox(launcher));
    PressCommand(launcher, IDC_RECONFIGURE);

    GameSighting game = WaitForGame();
    ASSERT_NE(nullptr, game.window);
    EXPECT_EQ(installed_ + "\\SW4w.exe -i", game.commandLine);
    EXPECT_EQ(0, setup_->WaitForExit());
    EXPECT_EQ(0, SavedAutorun());
}

TEST_F(LauncherTest, CancelAndTheCloseBoxEndWithoutSavingOrStartingAnything)
{
    for (bool closeBox : { false, true }) {
        SCOPED_TRACE(closeBox ? "close box" : "Cancel");
        HWND launcher = OpenLauncher(0);
        ASSERT_NE(nullptr, launcher);
        ASSERT_TRUE(ClickBox(launcher));
        if (closeBox)
            PostMessageA(launcher, WM_SYSCOMMAND, SC_CLOSE, 0);
        else
            PressCommand(launcher, IDCANCEL);
        EXPECT_TRUE(WaitForWindowGone(launcher));
        EXPECT_EQ(0, setup_->WaitForExit());
        EXPECT_EQ(0, SavedAutorun()) << "the unchecked box was saved";
        EXPECT_FALSE(ProcessRunning("SW4w.exe")) << "the game was started";
    }
}

TEST_F(LauncherTest, ReadmeOpensTheViewerEachTimeAndTheMenuStays)
{
    HWND launcher = OpenLauncher(0);
    ASSERT_NE(nullptr, launcher);
    PressCommand(launcher, IDC_VIEW_README);
    ASSERT_TRUE(WaitUntil([] { return ReadmeViewers().size() == 1; }));
    HWND viewer = ReadmeViewers()[0];
    EXPECT_TRUE(WaitUntil([&] { return ViewerText(viewer).find(kReadmeLine) != std::string::npos; }))
        << "the viewer shows \"" << ViewerText(viewer) << "\"";

    PressCommand(launcher, IDC_VIEW_README);
    EXPECT_TRUE(WaitUntil([] { return ReadmeViewers().size() == 2; }));
    Settle(launcher);
    EXPECT_TRUE(IsWindowVisible(launcher));
    EXPECT_FALSE(setup_->HasExited());
}

TEST_F(LauncherTest, DecliningTheUninstallQuestionKeepsTheMenuAndStartsNothing)
{
    HWND launcher = OpenLauncher(0);
    ASSERT_NE(nullptr, launcher);
    for (int answer : { IDNO, IDCANCEL }) {
        SCOPED_TRACE(answer == IDNO ? "No" : "Cancel");
        PressCommand(launcher, IDC_UNINSTALL);
        HWND question = WaitForMessageBox(setup_->Id(), "Do you really want to remove Starwake IV");
        ASSERT_NE(nullptr, question);
        EXPECT_EQ("Confirmation", WindowText(question));
        PressCommand(question, answer);
        // Gone for good, so the launcher has left the question's loop.
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(question); }));
        Settle(launcher);
        EXPECT_TRUE(IsWindowVisible(launcher));
        EXPECT_FALSE(ProcessRunning("sw4.exe")) << "the uninstaller was started";
    }
    PressCommand(launcher, IDCANCEL);
    EXPECT_EQ(0, setup_->WaitForExit());
}

// From the menu to a removed installation, as the README's road describes.
TEST_F(LauncherTest, AcceptingTheUninstallQuestionClosesTheMenuAndTheUninstallerRemovesTheGame)
{
    WriteFileOfSize(DesktopShortcutPath(), 300);
    HWND launcher = OpenLauncher(0);
    ASSERT_NE(nullptr, launcher);
    PressCommand(launcher, IDC_UNINSTALL);
    HWND question = WaitForMessageBox(setup_->Id(), "Do you really want to remove Starwake IV");
    ASSERT_NE(nullptr, question);
    PressCommand(question, IDYES);

    EXPECT_TRUE(WaitForWindowGone(launcher));
    EXPECT_EQ(0, setup_->WaitForExit());
    EXPECT_FALSE(ProcessRunning("SW4w.exe")) << "the game was started after the uninstaller";

    HWND uninstall = WaitForMessageBox(0, "Remove Starwake IV from " + installed_ + "?");
    ASSERT_NE(nullptr, uninstall);
    PressCommand(uninstall, IDYES);
    HWND done = WaitForMessageBox(0, "Starwake IV was removed from your computer.");
    ASSERT_NE(nullptr, done);
    PressCommand(done, IDOK);
    EXPECT_FALSE(FolderExists(installed_));
    EXPECT_FALSE(RecordExists());
    EXPECT_FALSE(FileExists(DesktopShortcutPath()));
}

// The game is learned of only when the program becomes active or inactive.
TEST_F(LauncherTest, UninstallFollowsTheGameAtEachActivationChangeAndFocusReturnsToRun)
{
    HWND launcher = OpenLauncher(0);
    ASSERT_NE(nullptr, launcher);
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == launcher; }));
    ASSERT_TRUE(ClickBox(launcher));   // the click takes the focus to the box
    EXPECT_EQ(FindControl(launcher, IDC_OPTION_CHECK), FocusOf(launcher));

    // The game's mutex, without a window that would change the activation.
    auto holder = std::make_unique<ProgramRun>();
    ASSERT_TRUE(holder->Start(HoldMutexPath(), "\"Starwake 4 Mutex\"", ""));
    ASSERT_TRUE(WaitUntil(GameMutexExists));
    Settle(launcher);
    EXPECT_TRUE(ControlEnabled(launcher, IDC_UNINSTALL)) << "changed without an activation change";

    ProgramRun game;   // its window takes the activation
    ASSERT_TRUE(game.Start(installed_ + "\\SW4w.exe", "", installed_));
    ASSERT_NE(nullptr, WaitForGame().window);
    EXPECT_TRUE(WaitUntil([&] { return !ControlEnabled(launcher, IDC_UNINSTALL); }));

    // The menu may be activated again before the game's mutex goes; the
    // activation change after that is what counts.
    holder.reset();
    CloseGame();
    ASSERT_FALSE(GameMutexExists());

    // The user turns to another program, then back to the menu.
    HWND other = CreateWindowExA(0, "STATIC", "Another program", WS_POPUP | WS_VISIBLE | WS_CAPTION, 0, 0, 200,
                                 100, nullptr, nullptr, AppInstance, nullptr);
    SetForegroundWindow(other);
    EXPECT_TRUE(WaitUntil([&] { return ControlEnabled(launcher, IDC_UNINSTALL); }));
    SetForegroundWindow(launcher);
    EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == launcher; }));
    EXPECT_TRUE(WaitUntil([&] { return FocusOf(launcher) == FindControl(launcher, IDC_RUN_GAME); }))
        << "focus on control " << GetDlgCtrlID(FocusOf(launcher));
    DestroyWindow(other);
}

}  // namespace
