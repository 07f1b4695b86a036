// The wizard of setup.exe driven as a user drives it: the folder texts, the free-space warning and Cancel by
// its buttons, a whole first installation by keyboard alone. D: is the build's CD image as a CD-ROM drive;
// r: to t: are small_drives.sh's: r: just under 20,000,000 free bytes, s: just over, t: over 4 GiB.
#include "wizard_driver.h"
#include "real_keys.h"
#include "startup/install_record.h"
#include "resources/resource.h"

#include <gtest/gtest.h>
#include <commctrl.h>
#include <algorithm>

namespace {

ULONGLONG FreeBytes(const char *root)
{
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
    GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters);
    return (ULONGLONG)freeClusters * bytesPerSector * sectorsPerCluster;
}

bool Exists(const std::string &path) { return FileExists(path) || FolderExists(path); }

// A path of `length` characters under base, in folders of up to 100 characters.
std::string PathOfLength(const std::string &base, size_t length)
{
    std::string path = base;
    for (char name = 'a'; path.size() < length; name++)
        path += "\\" + std::string(std::min<size_t>(length - path.size() - 1, 100), name);
    return path;
}

// A control of setup as the checks name it.
std::string NameOf(Wizard &wizard, HWND control)
{
    static const struct { bool onPage; int id; const char *name; } known[] = {
        { false, SHEET_BACK, "Back" }, { false, SHEET_NEXT, "Next" }, { false, SHEET_FINISH, "Finish" },
        { false, IDCANCEL, "Cancel" }, { true, IDC_INSTALL_DIR_EDIT, "folder-box" },
        { true, IDC_VIEW_README, "readme" }, { true, IDC_OPTION_CHECK, "run-game" },
    };
    HWND parent = GetParent(control);
    for (const auto &each : known)
        if (control && parent == (each.onPage ? wizard.Page() : wizard.Sheet()) && GetDlgCtrlID(control) == each.id)
            return each.name;
    if (parent && parent == wizard.CopyBox())
        return "copy:" + WindowText(control);
    if (parent && IsMessageBox(parent))
        return "question:" + WindowText(control);
    return control ? "control " + std::to_string(GetDlgCtrlID(control)) : "nothing";
}

std::string Focused(Wizard &wizard) { return NameOf(wizard, FocusOf(wizard.Sheet())); }

// Keys for whichever of setup's windows is active: the sheet, the copy box, a question.
bool Press(Wizard &wizard, const std::string &keys) { return PressKeys(ActiveOf(wizard.Sheet()), keys); }

// The answer of another process's window to a message without arguments; 0 when none comes.
DWORD_PTR Ask(HWND window, UINT message)
{
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(window, message, 0, 0, SMTO_NORMAL, 5000, &answer);
    return answer;
}

// The button Enter presses, ":disabled" behind it when it cannot act.
std::string EnterPresses(Wizard &wizard)
{
    HWND button = GetDlgItem(wizard.Sheet(), LOWORD(Ask(wizard.Sheet(), DM_GETDEFID)));
    return NameOf(wizard, button) + (IsWindowEnabled(button) && IsWindowVisible(button) ? "" : ":disabled");
}

bool WholeTextSelected(HWND box)
{
    DWORD_PTR selection = Ask(box, EM_GETSEL);
    return LOWORD(selection) == 0 && HIWORD(selection) == WindowText(box).size();
}

// What the key moves the focus to, waiting until it has moved.
std::string MoveFocus(Wizard &wizard, const std::string &keys, const std::string &from)
{
    std::string now = from;
    if (!Press(wizard, keys))
        return "<keys not sent>";
    WaitUntil([&] { return (now = Focused(wizard)) != from; }, 10000);
    return now;
}

// The controls that Tab visits from the focus until it is back there.
std::string TabCycle(Wizard &wizard)
{
    const std::string start = Focused(wizard);
    std::string cycle = start, now = start;
    for (int press = 0; press < 8; press++) {
        std::string before = now;
        if ((now = MoveFocus(wizard, "Tab", before)) == start)
            return cycle;
        if (now == before)
            return cycle + " (stuck)";
        cycle += " " + now;
    }
    return cycle + " ...";
}

int ProgressOf(HWND copyBox) { return (int)Ask(FindControl(copyBox, IDC_PROGRESS_BAR), PBM_GETPOS); }

class WizardTest : public testing::Test {
protected:
    void SetUp() override
    {
        DeleteInstallRecord();
        DeleteFileA(DesktopShortcut().c_str());
        cd_ = ScratchFolder("cd");
        MakeSmallCd(cd_, 16 << 20);   // long enough a copy for keys pressed while it runs, even at full speed
        base_ = ScratchFolder("folder");
    }
    void TearDown() override
    {
        CloseGame();
        EndProcesses("notepad.exe");
        DeleteInstallRecord();
        DeleteFileA(DesktopShortcut().c_str());
        RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\DirectX Setup Stand-in");
        RemoveTree(cd_);
        RemoveTree(base_);
    }
    std::string cd_, base_;
};

// Each text typed in the folder step, Next, then Back: what the wizard made of it, and what is on disk.
TEST_F(WizardTest, FolderTextsAndTheFreeSpaceWarningInOneSession)
{
    ASSERT_EQ(19996672u, FreeBytes("R:\\")) << "small_drives.sh has not made r:";
    ASSERT_EQ(20000768u, FreeBytes("S:\\"));
    ASSERT_EQ(4294971392u, FreeBytes("T:\\"));
    ASSERT_EQ((UINT)DRIVE_CDROM, GetDriveTypeA("D:\\")) << "the CD drive is not mounted";
    const std::string b = base_;
    CreateDirectoryA((b + "\\games").c_str(), nullptr);
    WriteFileOfSize(b + "\\games\\save.dat", 16);
    CreateDirectoryA((b + "\\empty").c_str(), nullptr);
    WriteFileOfSize(b + "\\blocker", 16);
    std::string cut = b + "\\cut";
    cut.resize(240, '\\');   // only the first 240 characters count
    const std::string longest = PathOfLength(b, MAX_RECORDED_INSTALL_DIR), tooLong = PathOfLength(b, 237);
    ASSERT_EQ(236u, longest.size());
    // With a blank the record quotes the program's path: two characters fewer.
    const std::string longestBlank = PathOfLength(b + "\\a b", MAX_RECORDED_INSTALL_DIR_WITH_BLANK);
    const std::string tooLongBlank = PathOfLength(b + "\\a b", 235);
    ASSERT_EQ(234u, longestBlank.size());

    // warning: the answer to the free-space warning, or 0 when none may show; gone, kept: after Back.
    const struct Row { std::string what, text; int warning; const char *step; std::string shown;
                       std::vector<std::string> gone, kept; } rows[] = {
        { "a new chain", b + "\\new\\sw4", 0, "confirm", b + "\\new\\sw4", { b + "\\new" }, { b } },
        { "a trailing backslash", b + "\\new\\sw4\\", 0, "confirm", b + "\\new\\sw4", { b + "\\new" }, {} },
        { "under a folder with a file", b + "\\games\\sw4", 0, "confirm", b + "\\games\\sw4", { b + "\\games\\sw4" },
          { b + "\\games\\save.dat" } },
        { "under an empty folder", b + "\\empty\\sw4", 0, "confirm", b + "\\empty\\sw4", { b + "\\empty\\sw4" },
          { b + "\\empty" } },
        { "a folder that is there", b + "\\empty", 0, "confirm", b + "\\empty", {}, { b + "\\empty" } },
        { "a drive", "c:", 0, "confirm", "C:\\", {}, { "C:\\windows" } },
        { "a drive root", "c:\\", 0, "confirm", "C:\\", {}, { "C:\\windows" } },
        { "below the drive's current folder", "c:games", 0, "refused", "c:games", { "C:\\games" }, {} },
        { "forward slashes", "c:/games/sw4", 0, "confirm", "C:\\games\\sw4", { "C:\\games" }, {} },
        { "both separators", "c:\\games/sw4/", 0, "confirm", "C:\\games\\sw4", { "C:\\games" }, {} },
        { "relative", "sw4", 0, "refused", "sw4", { cd_ + "\\sw4" }, {} },
        { "relative, a backslash third", "sw\\x", 0, "refused", "sw\\x", { "S:\\x", cd_ + "\\sw" }, {} },
        { "no drive", "\\sw4", 0, "refused", "\\sw4", {}, {} },
        { "the CD drive's root", "D:\\", 0, "refused", "D:\\", {}, {} },
        { "the CD drive", "d:", 0, "refused", "d:", {}, {} },
        { "a folder on the CD drive", "D:\\sw4", 0, "refused", "D:\\sw4", {}, {} },
        { "a network path", "\\\\server\\share\\sw4", 0, "refused", "\\\\server\\share\\sw4", {}, {} },
        { "nothing", "", 0, "refused", "", {}, {} },
        { "a file in the way", b + "\\blocker\\sw4", 0, "refused", b + "\\blocker\\sw4", {}, { b + "\\blocker" } },
        { "a name the file system rejects", b + "\\new\\deeper\\bad|name", 0, "refused",
          b + "\\new\\deeper\\bad|name", { b + "\\new" }, {} },
        { "a leaf that walks back up", b + "\\new\\..\\sw4", 0, "refused", b + "\\new\\..\\sw4",
          { b + "\\new", b + "\\sw4" }, {} },
        // Leaves that would lead the chain off the path the rollback walks back up: only dots and blanks,
        // which mean "here" or "up" once their trailing dots and blanks go.
        { "a doubled separator", b + "\\new\\/", 0, "confirm", b + "\\new", { b + "\\new" }, {} },
        { "three dots", b + "\\new\\...", 0, "refused", b + "\\new\\...", { b + "\\new" }, {} },
        { "up with a blank", b + "\\new\\.. \\x", 0, "refused", b + "\\new\\.. \\x", { b + "\\new" }, {} },
        { "here after a slash", b + "\\new\\x/.", 0, "refused", b + "\\new\\x/.", { b + "\\new" }, {} },
        { "here with a blank", b + "\\new\\. ", 0, "refused", b + "\\new\\. ", { b + "\\new" }, {} },
        { "250 characters", cut + "\\zzzzzzzzz", 0, "confirm", b + "\\cut", { b + "\\cut" }, {} },
        { "the longest the record carries", longest, 0, "confirm", longest, { b + "\\a" }, {} },
        { "one more", tooLong, 0, "refused", tooLong, { b + "\\a" }, {} },
        { "one more, counted as read back", tooLong + "\\", 0, "refused", tooLong + "\\", { b + "\\a" }, {} },
        { "the longest with a backslash", longest + "\\", 0, "confirm", longest, { b + "\\a" }, {} },
        { "the longest with a blank", longestBlank, 0, "confirm", longestBlank, { b + "\\a b" }, {} },
        { "one more with a blank", tooLongBlank, 0, "refused", tooLongBlank, { b + "\\a b" }, {} },
        { "too little space, No", "r:\\sw4", IDNO, "refused", "r:\\sw4", { "R:\\sw4" }, {} },
        { "too little space, Yes", "r:\\sw4", IDYES, "confirm", "R:\\sw4", { "R:\\sw4" }, {} },
        { "a small drive's root, Yes", "r:", IDYES, "confirm", "R:\\", {}, {} },
        { "just enough space", "s:\\sw4", 0, "confirm", "S:\\sw4", { "S:\\sw4" }, {} },
        { "free bytes beyond 32 bits", "t:\\sw4", 0, "confirm", "T:\\sw4", { "T:\\sw4" }, {} },
    };
    Wizard wizard;
    ASSERT_TRUE(wizard.Start(cd_));
    ASSERT_EQ("folder", wizard.Press(SHEET_NEXT));
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what + ": \"" + row.text + "\"");
        wizard.Type(row.text);
        std::string step = wizard.Press(SHEET_NEXT);
        if (row.warning) {
            ASSERT_EQ("box", step);
            HWND box = wizard.Box();
            EXPECT_EQ("Warning!!", WindowText(box));
            EXPECT_EQ("The drive you have selected does not currently have enough space to install the "
                      "game.\n(20 MEGS required) Continue anyway?", MessageBoxText(box));
            EXPECT_EQ(wizard.Sheet(), GetWindow(box, GW_OWNER));
            EXPECT_TRUE(IsWindowVisible(FindControl(box, IDYES)));
            EXPECT_EQ(BS_DEFPUSHBUTTON, GetWindowLongA(FindControl(box, IDNO), GWL_STYLE) & BS_TYPEMASK)
                << "No is the default button";
            step = wizard.Answer(row.warning);
        }
        ASSERT_EQ(row.step, step);
        EXPECT_EQ(row.shown, wizard.Folder());
        bool accepted = step == "confirm";
        if (accepted) {
            EXPECT_TRUE(FolderExists(row.shown));
        }
        ASSERT_EQ("folder", wizard.Press(SHEET_BACK));
        EXPECT_EQ(accepted ? row.shown : "c:\\sw4", wizard.Folder()) << "the folder step after Back";
        for (const std::string &path : row.gone)
            EXPECT_FALSE(Exists(path)) << path;
        for (const std::string &path : row.kept)
            EXPECT_TRUE(Exists(path)) << path;
    }
    // Back removed T:\sw4; made again since, it is not the wizard's to remove.
    CreateDirectoryA("T:\\sw4", nullptr);
    EXPECT_EQ(0, wizard.Close(IDCANCEL));
    EXPECT_TRUE(FolderExists("T:\\sw4"));
    RemoveTree("T:\\sw4");
}

// Cancel before the installation leaves nothing the wizard made: from the confirmation, the check's folders go.
TEST_F(WizardTest, CancelBeforeTheInstallationLeavesNothingBehind)
{
    for (const char *step : { "refused", "confirm" }) {
        SCOPED_TRACE(step);
        Wizard wizard;
        ASSERT_TRUE(wizard.Start(cd_));
        ASSERT_EQ("folder", wizard.Press(SHEET_NEXT));
        wizard.Type(base_ + (step == std::string("refused") ? "\\new\\sw4\\..\\x" : "\\new\\sw4"));
        ASSERT_EQ(step, wizard.Press(SHEET_NEXT));
        EXPECT_EQ(0, wizard.Close(IDCANCEL));
        EXPECT_FALSE(FolderExists(base_ + "\\new"));
        EXPECT_TRUE(FolderExists(base_));
    }
}

// After each key, which control has setup's focus, what Enter would press, and what the step shows.
TEST_F(WizardTest, AWholeFirstInstallationByKeyboardAlone)
{
    Wizard wizard;
    ASSERT_TRUE(wizard.Start(cd_));
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == wizard.Sheet() && Focused(wizard) == "Next"; }))
        << "the welcome step's focus: " << Focused(wizard);
    EXPECT_EQ("Next Cancel", TabCycle(wizard));

    const std::string folder = base_ + "\\sw4";
    // Keys pressed, or else a text typed into the focus; tabs: the Tab cycle from the focus, where it is checked.
    const char *editable = "label box:editable,tab", *readOnly = "label box:read-only";
    const struct Row { const char *keys; std::string typed; const char *step, *focus, *enter, *buttons, *controls;
                       const char *tabs; } walk[] = {
        { "Return", "", "folder", "folder-box", "Next", "Next Cancel", editable, "folder-box Next Cancel" },
        { nullptr, "Y", "folder", "folder-box", "Next", "Next Cancel", editable, nullptr },
        { "Return", "", "refused", "Back", "Back", "Back Cancel", readOnly, "Back Cancel" },
        { "alt+b", "", "folder", "folder-box", "Next", "Next Cancel", editable, nullptr },
        { nullptr, folder, "folder", "folder-box", "Next", "Next Cancel", editable, nullptr },
        { "Return", "", "confirm", "Next", "Next", "Back Next Cancel", readOnly, "Next Cancel Back" },
    };
    for (const Row &row : walk) {
        SCOPED_TRACE((row.keys ? std::string("key ") + row.keys : "typed " + row.typed) + " -> " + row.step);
        ASSERT_TRUE(row.keys ? Press(wizard, row.keys) : TypeText(ActiveOf(wizard.Sheet()), row.typed));
        ASSERT_TRUE(WaitUntil([&] {
            return wizard.Step() == row.step && Focused(wizard) == row.focus
                   && (row.keys || wizard.Folder() == row.typed);
        }, 20000)) << "step " << wizard.Step() << ", focus " << Focused(wizard) << ", box " << wizard.Folder();
        EXPECT_EQ(row.enter, EnterPresses(wizard));
        EXPECT_EQ(row.buttons, wizard.Buttons());
        EXPECT_EQ(row.controls, wizard.Controls());
        if (row.keys && wizard.Step() == "folder") {
            EXPECT_EQ("c:\\sw4", wizard.Folder());
            EXPECT_TRUE(WholeTextSelected(FindControl(wizard.Page(), IDC_INSTALL_DIR_EDIT))) << "typing replaces it";
        }
        if (wizard.Step() == "refused") {
            EXPECT_EQ("Y", wizard.Folder());
        }
        HWND focus = FocusOf(wizard.Sheet());
        if (GetParent(focus) == wizard.Sheet()) {
            EXPECT_EQ(BS_DEFPUSHBUTTON, GetWindowLongA(focus, GWL_STYLE) & BS_TYPEMASK) << "framed as default";
        }
        if (row.tabs) {
            EXPECT_EQ(row.tabs, TabCycle(wizard));
        }
    }
    EXPECT_EQ(folder, wizard.Folder());

    // Enter on the confirmation copies; keys pressed meanwhile neither end the box nor reach the sheet. Tab
    // stays on Cancel, the only control; Esc, Enter and Space on Cancel ask, and Enter answers No.
    ASSERT_TRUE(Press(wizard, "Return"));
    HWND copyBox = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (copyBox = wizard.CopyBox()) && Focused(wizard) == "copy:Cancel"; }, 20000))
        << "focus " << Focused(wizard);
    for (const char *keys : { "Tab Escape", "Return", "space" }) {
        SCOPED_TRACE(std::string("during the copy: ") + keys);
        ASSERT_TRUE(IsWindow(copyBox)) << "the copy ended too soon for the test";
        ASSERT_TRUE(Press(wizard, keys));
        HWND question;
        ASSERT_TRUE(question = WaitForMessageBox(wizard.Setup().Id(), "Abort installation?"));
        EXPECT_EQ("Confirmation", WindowText(question));
        EXPECT_TRUE(WaitUntil([&] { return Focused(wizard) == "question:&No"; })) << Focused(wizard);
        EXPECT_TRUE(IsWindowVisible(copyBox));
        int position = ProgressOf(copyBox);
        ASSERT_TRUE(Press(wizard, "Return"));
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(question); }));
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(copyBox) || ProgressOf(copyBox) > position; }, 20000))
            << "the copy went on";
    }

    ASSERT_TRUE(WaitUntil([&] { return wizard.Step() == "complete" && Focused(wizard) == "Finish"; }, 60000))
        << "step " << wizard.Step() << ", focus " << Focused(wizard);
    EXPECT_EQ("Finish", EnterPresses(wizard));
    EXPECT_EQ("Finish", wizard.Buttons());
    EXPECT_EQ("readme run-game:checked", wizard.Controls());
    EXPECT_EQ("Finish readme run-game", TabCycle(wizard));
    // Back by Shift+Tab, Space on "Run Game Now", then Enter on Finish.
    ASSERT_EQ("run-game", MoveFocus(wizard, "shift+Tab", "Finish"));
    ASSERT_TRUE(Press(wizard, "space"));
    EXPECT_TRUE(WaitUntil([&] { return wizard.Controls() == "readme run-game:unchecked"; })) << wizard.Controls();
    ASSERT_EQ("Finish", MoveFocus(wizard, "Tab", "run-game"));
    ASSERT_TRUE(Press(wizard, "Return"));
    EXPECT_EQ(0, wizard.Setup().WaitForExit());

    EXPECT_TRUE(FileExists(folder + "\\SW4w.exe"));
    EXPECT_TRUE(RecordExists());
    EXPECT_FALSE(ProcessRunning("SW4w.exe")) << "the game started with \"Run Game Now\" unchecked";
}

}  // namespace
