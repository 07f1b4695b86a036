// The launcher as a user meets it: setup.exe started by hand from a CD folder, a current installation recorded.
#include "resources/resource.h"
#include "startup/startup.h"
#include "pixels.h"
#include "real_keys.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <filesystem>
#include <memory>

namespace {

const char ReadmeLine[] = "Sample readme of the launcher test";
// Installed where a blank invites Windows to start C:\program.exe, where the stand-in MS-DOS game is planted.
const char InstalledFolder[] = "C:\\Program Files\\Starwake IV launcher test";
const char Planted[] = "C:\\program.exe";

class LauncherTest : public testing::Test {
protected:
    void SetUp() override
    {
        DeleteInstallRecord();
        cd_ = ScratchFolder("cd");
        installed_ = InstalledFolder;
        std::filesystem::create_directories(installed_);
        CopyFileA(StandinDosGamePath().c_str(), Planted, FALSE);
        WriteFileOfSize(cd_ + "\\sw4w.ex_", 4096);
        SetLastWriteTime(cd_ + "\\sw4w.ex_", CdTime);
        WriteBytes(cd_ + "\\readme.txt", std::string(ReadmeLine) + "\r\n");
        FillInstallFolder(installed_);
    }
    void TearDown() override
    {
        setup_.reset();
        CloseGame();
        EndProcesses("notepad.exe");
        EndProcesses("sw4.exe");
        DeleteInstallRecord();
        DeleteFileA(DesktopShortcut().c_str());
        RemoveTree(cd_);
        RemoveTree(installed_);
        EndProcesses("program.exe");
        DeleteFileA(Planted);
    }

    // Setup started in the CD folder, the record with this "autorun" byte, unquoted as earlier versions
    // wrote it or quoted; returned once it is in the foreground with the focus on Run.
    HWND Open(BYTE autorun, bool unquoted = false)
    {
        RecordInstallation(installed_, autorun, unquoted);
        setup_ = std::make_unique<ProgramRun>();
        if (!setup_->Start(SetupExePath(), "", cd_))
            return nullptr;
        HWND launcher = WaitForWindow(setup_->Id(), "Starwake IV Launch");
        if (launcher && !WaitUntil([&] {
                return GetForegroundWindow() == launcher && FocusOf(launcher) == FindControl(launcher, IDC_RUN_GAME);
            }))
            return nullptr;
        return launcher;
    }
    static bool BoxChecked(HWND launcher) { return IsDlgButtonChecked(launcher, IDC_OPTION_CHECK) == BST_CHECKED; }
    // Returns once the launcher has handled everything sent to it before.
    static void Settle(HWND launcher) { SendMessageTimeoutA(launcher, WM_NULL, 0, 0, SMTO_NORMAL, 10000, nullptr); }
    static testing::AssertionResult FocusComesTo(HWND launcher, int id)
    {
        if (WaitUntil([&] { return FocusOf(launcher) == FindControl(launcher, id); }))
            return testing::AssertionSuccess();
        return testing::AssertionFailure() << "focus on control " << GetDlgCtrlID(FocusOf(launcher));
    }
    // A button pressed by a click, or by real keys where there are keys.
    static bool Press(HWND window, int button, const char *keys)
    {
        if (keys)
            return PressKeys(window, keys);
        PressCommand(window, button);
        return true;
    }
    static LONG ButtonType(HWND top, int id) { return GetWindowLongA(FindControl(top, id), GWL_STYLE) & BS_TYPEMASK; }

    std::string cd_, installed_;
    std::unique_ptr<ProgramRun> setup_;
};

// Opened: centred, with its picture, every button usable. By real keys the readme's mnemonic keeps the
// menu; by key or click a declined uninstall keeps it too, and an accepted one hands over.
TEST_F(LauncherTest, OpensCentredTheReadmeAndADeclinedUninstallKeepItAndAnAcceptedOneHandsOver)
{
    HWND launcher, question, told, uninstaller, done;
    ASSERT_TRUE(launcher = Open(0)) << "the focus on Run";
    for (int id : { IDC_RUN_GAME, IDC_UNINSTALL, IDC_RECONFIGURE, IDC_VIEW_README, IDCANCEL, IDC_OPTION_CHECK }) {
        HWND control = FindControl(launcher, id);
        EXPECT_TRUE(IsWindowVisible(control) && IsWindowEnabled(control)) << "control " << id;
    }
    EXPECT_EQ(BS_DEFPUSHBUTTON, ButtonType(launcher, IDC_RUN_GAME)) << "Enter runs the game";
    EXPECT_TRUE(BoxChecked(launcher)) << "the menu is wanted";
    // Moved by its right and bottom edges: half its width left of the middle, two thirds of its height above.
    RECT frame;
    GetWindowRect(launcher, &frame);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN) / 2 - (frame.right - frame.left) / 2, frame.left);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN) / 2 - 2 * (frame.bottom - frame.top) / 3, frame.top);
    EXPECT_EQ(0u, BytesOffPicture(FindControl(launcher, IDC_ARTWORK), IDB_LAUNCHER_ART));

    // Tab takes the default frame along: Enter would press Reconfigure.
    ASSERT_TRUE(PressKeys(launcher, "Tab Tab"));
    ASSERT_TRUE(FocusComesTo(launcher, IDC_RECONFIGURE));
    ASSERT_TRUE(PressKeys(launcher, "alt+v"));
    ASSERT_TRUE(WaitUntil([] { return ReadmeViewers().size() == 1 && GetForegroundWindow() == ReadmeViewers()[0]; }));
    EXPECT_TRUE(WaitUntil([] { return ViewerText(ReadmeViewers()[0]).find(ReadmeLine) != std::string::npos; }))
        << "the viewer shows \"" << ViewerText(ReadmeViewers()[0]) << "\"";
    // Closed, the viewer hands the activation back; the menu puts the focus and the default frame on Run.
    ASSERT_TRUE(PressKeys(ReadmeViewers()[0], "alt+F4"));
    EXPECT_TRUE(WaitUntil([&] { return ReadmeViewers().empty() && GetForegroundWindow() == launcher; }));
    EXPECT_TRUE(FocusComesTo(launcher, IDC_RUN_GAME));
    EXPECT_EQ(BS_DEFPUSHBUTTON, ButtonType(launcher, IDC_RUN_GAME));
    EXPECT_EQ(BS_PUSHBUTTON, ButtonType(launcher, IDC_RECONFIGURE));

    // As Windows meets an MS-DOS program where it runs none: told, and the menu stays.
    const std::string notAProgram = installed_ + "\\NOTDOS.EXE";
    WriteBytes(notAProgram, "not a program\r\n");
    const struct { const char *what; int answer; const char *keys; std::string record; } declines[] = {
        { "No by its key", IDNO, "n", "" }, { "No", IDNO, nullptr, "" }, { "Cancel", IDCANCEL, nullptr, "" },
        { "Yes, with nothing recorded", IDYES, nullptr, "none" },
        { "Yes, with a quote never closed", IDYES, nullptr, "\"" + installed_ + "\\SW4.EXE -uninstall" },
        { "Yes, with a program that cannot be started", IDYES, nullptr, "\"" + notAProgram + "\" -uninstall" },
    };
    for (const auto &decline : declines) {
        SCOPED_TRACE(decline.what);
        if (decline.record == "none")
            DeleteInstallRecord();
        else if (!decline.record.empty())
            WriteRecordValue("UninstallString", REG_SZ, decline.record.c_str(), (DWORD)decline.record.size() + 1);
        ASSERT_TRUE(Press(launcher, IDC_UNINSTALL, decline.keys ? "alt+u" : nullptr));
        ASSERT_TRUE(question = WaitForMessageBox(setup_->Id(), "Do you really want"));
        EXPECT_EQ("Confirmation", WindowText(question));
        EXPECT_EQ("Do you really want to remove Starwake IV from your\nhard drive? (This will remove your save "
                  "games, too.)", MessageBoxText(question));
        EXPECT_EQ(BS_DEFPUSHBUTTON, ButtonType(question, IDNO)) << "Enter would remove the game";
        ASSERT_TRUE(Press(question, decline.answer, decline.keys));
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(question); }));   // the launcher has left its loop
        if (decline.record.find(notAProgram) != std::string::npos) {
            ASSERT_TRUE(told = WaitForMessageBox(setup_->Id(), "Setup could not start"));
            std::string text = MessageBoxText(told);
            const std::string start = "Setup could not start the uninstaller of Starwake IV:\n" + notAProgram + "\n\n";
            EXPECT_EQ(start, text.substr(0, start.size()));
            EXPECT_LT(start.size() + 10, text.size()) << "no reason given: " << text;
            // Only a 64-bit Windows is said to run no MS-DOS program.
            EXPECT_EQ(sizeof(void *) == 8, text.find("64-bit Windows cannot run MS-DOS") != text.npos) << text;
            PressCommand(told, IDOK);
            ASSERT_TRUE(WaitForWindowGone(told));
        }
        if (decline.keys) {
            EXPECT_TRUE(FocusComesTo(launcher, IDC_UNINSTALL)) << "the keyboard is back on the button pressed";
        }
        Settle(launcher);
        EXPECT_TRUE(IsWindowVisible(launcher));
        EXPECT_FALSE(ProcessRunning("sw4.exe")) << "the uninstaller was started";
        EXPECT_FALSE(ProcessRunning("program.exe"));
    }
    DeleteFileA(notAProgram.c_str());

    // Recorded as earlier versions did, unquoted: the program is found whole all the same.
    RecordInstallation(installed_, 0, true);
    PressCommand(launcher, IDC_UNINSTALL);
    ASSERT_TRUE(question = WaitForMessageBox(setup_->Id(), "Do you really want"));
    PressCommand(question, IDYES);
    EXPECT_TRUE(WaitForWindowGone(launcher));
    EXPECT_EQ(0, setup_->WaitForExit());
    EXPECT_FALSE(ProcessRunning("SW4w.exe")) << "the game was started after the uninstaller";
    // The installed folder's own uninstaller asks, and can take the folder: nobody holds it as current folder.
    ASSERT_TRUE(uninstaller = WaitForMessageBox(0, "Remove Starwake IV from " + installed_ + "?"))
        << "program.exe running: " << ProcessRunning("program.exe");
    PressCommand(uninstaller, IDYES);
    ASSERT_TRUE(done = WaitForMessageBox(0, "Starwake IV was removed"));
    PressCommand(done, IDOK);
    EXPECT_TRUE(WaitUntil([] { return !ProcessRunning("sw4.exe"); }));
    EXPECT_FALSE(ProcessRunning("program.exe"));
    EXPECT_FALSE(FolderExists(installed_));
}

// Each way out of the menu by a click or by real keys (Enter, Esc, Alt+F4, a mnemonic), the box toggled
// first where a row says so: what is saved, and the game started or not.
TEST_F(LauncherTest, EachWayOutByMouseOrKeysSavesTheBoxAndStartsTheGameOrNot)
{
    const struct { const char *what; BYTE autorun; bool unquoted, toggle; int button; const char *keys;
                   const char *gameArgs; int saved; } rows[] = {
        { "Run, box unchecked", 0, false, true, IDC_RUN_GAME, nullptr, "", 1 },
        { "Reconfigure, box checked, an earlier record", 2, true, true, IDC_RECONFIGURE, nullptr, " -i", 0 },
        { "Run, box untouched, an earlier record", 2, true, false, IDC_RUN_GAME, nullptr, "", 2 },
        { "Cancel", 0, false, true, IDCANCEL, nullptr, nullptr, 0 },
        { "Enter", 0, false, false, 0, "Return", "", 0 },
        { "Space on the box, Alt+E", 0, false, true, 0, "alt+e", " -i", 1 },
        { "Alt+R", 1, false, false, 0, "alt+r", "", 1 },
        { "Space on the box, Enter from there", 1, false, true, 0, "Return", "", 0 },
        { "Space on the box, Alt+C", 1, false, true, 0, "alt+c", nullptr, 1 },
        { "Space on the box, Esc", 0, false, true, 0, "Escape", nullptr, 0 },
        { "Space on the box, the close box by Alt+F4", 0, false, true, 0, "alt+F4", nullptr, 0 },
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        HWND launcher;
        ASSERT_TRUE(launcher = Open(row.autorun, row.unquoted));
        const bool shown = BoxChecked(launcher);
        EXPECT_EQ(row.autorun == 0, shown);
        if (row.toggle && row.keys) {   // the box has no mnemonic; it is the last stop of the Tab order
            ASSERT_TRUE(PressKeys(launcher, "shift+Tab"));
            EXPECT_TRUE(FocusComesTo(launcher, IDC_OPTION_CHECK));
            ASSERT_TRUE(PressKeys(launcher, "space"));
        } else if (row.toggle) {   // as a user's click: the box toggles itself and tells the dialog
            PostMessageA(FindControl(launcher, IDC_OPTION_CHECK), BM_CLICK, 0, 0);
        }
        EXPECT_TRUE(WaitUntil([&] { return (BoxChecked(launcher) != shown) == row.toggle; })) << "the box toggled";
        ASSERT_TRUE(Press(launcher, row.button, row.keys));
        if (row.gameArgs) {
            GameSighting game = WaitForGame();
            ASSERT_NE(nullptr, game.window) << (setup_->HasExited() ? "setup ended" : "the menu stays, focus on "
                                                + std::to_string(GetDlgCtrlID(FocusOf(launcher))));
            EXPECT_FALSE(IsWindow(launcher) && IsWindowVisible(launcher)) << "the game started under the menu";
            EXPECT_EQ("\"" + installed_ + "\\SW4w.exe\"" + row.gameArgs, game.commandLine);
            EXPECT_EQ(installed_, game.folder);
        }
        EXPECT_EQ(0, setup_->WaitForExit());
        EXPECT_EQ(row.gameArgs != nullptr, ProcessRunning("SW4w.exe")) << "the game";
        DWORD type = 0;
        EXPECT_EQ(std::string(1, (char)row.saved), ReadRecordValue("autorun", &type)) << "the low byte";
        EXPECT_EQ((DWORD)REG_BINARY, type);
        CloseGame();
    }
}

// The game is learned of only when the program becomes active or inactive.
TEST_F(LauncherTest, UninstallFollowsTheGameAtEachActivationChange)
{
    HWND launcher, uninstall;
    ASSERT_TRUE(launcher = Open(0));
    uninstall = FindControl(launcher, IDC_UNINSTALL);
    // The game's mutex, without a window that would change the activation.
    auto mutex = std::make_unique<HeldMutex>("Starwake 4 Mutex");
    Settle(launcher);
    EXPECT_TRUE(IsWindowEnabled(uninstall)) << "changed without an activation change";
    ProgramRun game;   // its window takes the activation
    ASSERT_TRUE(game.Start(installed_ + "\\SW4w.exe", "", installed_));
    ASSERT_NE(nullptr, WaitForGame().window);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowEnabled(uninstall); }));

    // The menu may be activated before the game's mutex goes; the activation change after that counts.
    CloseGame();
    ASSERT_TRUE(BringToForeground(launcher));
    Settle(launcher);
    EXPECT_FALSE(IsWindowEnabled(uninstall)) << "the mutex is still held";
    mutex.reset();
    ASSERT_FALSE(MutexExists("Starwake 4 Mutex"));
    Settle(launcher);
    EXPECT_FALSE(IsWindowEnabled(uninstall)) << "changed without an activation change";
    HWND other = CreateWindowExA(0, "STATIC", "Another program", WS_POPUP | WS_VISIBLE | WS_CAPTION, 0, 0, 200,
                                 100, nullptr, nullptr, AppInstance, nullptr);
    SetForegroundWindow(other);
    EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(uninstall); }));
    DestroyWindow(other);
}

}  // namespace
