// A whole first installation by keyboard alone, with real key events on the
// virtual display: after each key, which control has setup's focus, what
// Enter would press, and what the step shows.
#include "wizard_driver.h"
#include "real_keys.h"
#include "resources/resource.h"

#include <gtest/gtest.h>
#include <commctrl.h>
#include <vector>

namespace {

HWND CopyBox(Wizard &wizard)
{
    for (HWND window : VisibleTopWindows(wizard.Setup().Id()))
        if (WindowText(window) == "Copy Progress")
            return window;
    return nullptr;
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
    if (parent && parent == CopyBox(wizard))
        return "copy:" + WindowText(control);
    if (parent && IsMessageBox(parent))
        return "question:" + WindowText(control);
    return control ? "control " + std::to_string(GetDlgCtrlID(control)) : "nothing";
}

std::string Focused(Wizard &wizard) { return NameOf(wizard, FocusOf(wizard.Sheet())); }

// Keys for whichever of setup's windows is active: the sheet, the copy box, a question.
bool Press(Wizard &wizard, const std::string &keys) { return PressKeys(ActiveOf(wizard.Sheet()), keys); }

// The button Enter presses, ":disabled" behind it when it cannot act.
std::string EnterPresses(Wizard &wizard)
{
    DWORD_PTR id = 0;
    SendMessageTimeoutA(wizard.Sheet(), DM_GETDEFID, 0, 0, SMTO_NORMAL, 5000, &id);
    HWND button = GetDlgItem(wizard.Sheet(), LOWORD(id));
    return NameOf(wizard, button) + (IsWindowEnabled(button) && IsWindowVisible(button) ? "" : ":disabled");
}

bool WholeTextSelected(HWND box)
{
    DWORD_PTR selection = 0;
    SendMessageTimeoutA(box, EM_GETSEL, 0, 0, SMTO_NORMAL, 5000, &selection);
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

int ProgressOf(HWND copyBox)
{
    DWORD_PTR position = 0;
    SendMessageTimeoutA(FindControl(copyBox, IDC_PROGRESS_BAR), PBM_GETPOS, 0, 0, SMTO_NORMAL, 5000, &position);
    return (int)position;
}

class KeyboardTest : public testing::Test {
protected:
    void SetUp() override
    {
        DeleteInstallRecord();
        DeleteFileA(DesktopShortcut().c_str());
        cd_ = ScratchFolder("cd");
        // Long enough a copy for keys pressed while it runs, even at full speed.
        MakeSmallCd(cd_, 16 << 20);
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

TEST_F(KeyboardTest, AWholeFirstInstallationByKeyboardAlone)
{
    Wizard wizard;
    ASSERT_TRUE(wizard.Start(cd_));
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == wizard.Sheet() && Focused(wizard) == "Next"; }))
        << "the welcome step's focus: " << Focused(wizard);
    EXPECT_EQ("Next Cancel", TabCycle(wizard));

    const std::string folder = base_ + "\\sw4";
    const struct Row {
        const char *keys;    // pressed, or else
        std::string typed;   // typed into the focus
        const char *step, *focus, *enter, *buttons, *controls;
        const char *tabs;    // the Tab cycle from the focus, when it is checked
    } walk[] = {
        { "Return", "", "folder", "folder-box", "Next", "Next Cancel", "label box:editable,tab",
          "folder-box Next Cancel" },
        { nullptr, "Y", "folder", "folder-box", "Next", "Next Cancel", "label box:editable,tab", nullptr },
        { "Return", "", "refused", "Back", "Back", "Back Cancel", "label box:read-only", "Back Cancel" },
        { "alt+b", "", "folder", "folder-box", "Next", "Next Cancel", "label box:editable,tab", nullptr },
        { nullptr, folder, "folder", "folder-box", "Next", "Next Cancel", "label box:editable,tab", nullptr },
        { "Return", "", "confirm", "Next", "Next", "Back Next Cancel", "label box:read-only",
          "Next Cancel Back" },
    };
    for (const Row &row : walk) {
        std::string what = row.keys ? std::string("key ") + row.keys : "typed " + row.typed;
        SCOPED_TRACE(what + " -> " + row.step);
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

    // Enter on the confirmation copies; keys pressed meanwhile neither end
    // the box nor reach the sheet behind it. Tab stays on Cancel, the only
    // control; Esc, Enter and Space on Cancel ask, and Enter answers No.
    ASSERT_TRUE(Press(wizard, "Return"));
    HWND copyBox = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (copyBox = CopyBox(wizard)) && Focused(wizard) == "copy:Cancel"; }, 20000))
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
