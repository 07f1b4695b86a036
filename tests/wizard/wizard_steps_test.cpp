// The wizard's steps as a user meets them in setup.exe: the text, buttons
// and controls of each step, every way between them, and how it ends.
#include "wizard_run.h"
#include "resources/resource.h"

#include <gtest/gtest.h>

namespace {

class WizardStepsTest : public testing::Test {
protected:
    void SetUp() override
    {
        base_ = ScratchFolder("wizard");
        folder_ = base_ + "\\sw4";
    }
    void TearDown() override
    {
        CloseGame();
        DeleteInstallRecord();
        RemoveTree(base_);
    }

    // What the user sees: page text, usable sheet buttons, page controls, folder box.
    void ExpectStep(const WizardRun &wizard, const std::string &text, const char *buttons,
                    const char *controls, const std::string &box = "")
    {
        EXPECT_EQ(text, wizard.PageText());
        EXPECT_EQ(buttons, wizard.Buttons());
        EXPECT_EQ(controls, wizard.Controls());
        if (!box.empty()) {
            EXPECT_EQ(box, wizard.BoxText());
        }
    }
    void GoToConfirmation(WizardRun &wizard)
    {
        ASSERT_TRUE(wizard.Start());
        ASSERT_TRUE(wizard.NextToFolderChoice());
        wizard.TypeFolder(folder_);
        ASSERT_EQ(WizardRun::Accepted, wizard.NextFromFolderChoice());
    }
    void GoToCompletion(WizardRun &wizard)
    {
        GoToConfirmation(wizard);
        wizard.Press(SHEET_NEXT);
        ASSERT_TRUE(wizard.WaitForPageText(StringResource(IDS_COMPLETE)));
    }
    // A click on Run Game Now: the box toggles itself and tells the page.
    void ClickRunGameNow(const WizardRun &wizard)
    {
        HWND check = FindControl(wizard.Page(), IDC_OPTION_CHECK);
        bool checked = SendMessageA(check, BM_GETCHECK, 0, 0) == BST_CHECKED;
        SendMessageA(check, BM_SETCHECK, checked ? BST_UNCHECKED : BST_CHECKED, 0);
        PostMessageA(wizard.Page(), WM_COMMAND, MAKEWPARAM(IDC_OPTION_CHECK, BN_CLICKED), (LPARAM)check);
    }

    std::string base_, folder_;
};

TEST_F(WizardStepsTest, EveryStepShowsItsTextButtonsAndControls)
{
    const std::string choose = StringResource(IDS_CHOOSE_FOLDER);
    WizardRun wizard;
    ASSERT_TRUE(wizard.Start());
    ExpectStep(wizard, StringResource(IDS_WELCOME), "Next Cancel", "");

    ASSERT_TRUE(wizard.NextToFolderChoice());
    ExpectStep(wizard, choose, "Next Cancel", "label box:editable,tab", "c:\\sw4");

    wizard.TypeFolder("sw4");
    ASSERT_EQ(WizardRun::Refused, wizard.NextFromFolderChoice());
    ExpectStep(wizard, StringResource(IDS_FOLDER_REJECTED), "Back Cancel", "label box:read-only", "sw4");

    ASSERT_TRUE(wizard.BackToFolderChoice());
    ExpectStep(wizard, choose, "Next Cancel", "label box:editable,tab", "c:\\sw4");

    wizard.TypeFolder(folder_);
    ASSERT_EQ(WizardRun::Accepted, wizard.NextFromFolderChoice());
    ExpectStep(wizard, StringResource(IDS_CONFIRM) + "\nClick Next > to complete the installation process.",
               "Back Next Cancel", "label box:read-only", folder_);
    EXPECT_TRUE(FolderExists(folder_));

    // Back from the confirmation leads to the folder choice, never to the refused step.
    ASSERT_TRUE(wizard.BackToFolderChoice());
    ExpectStep(wizard, choose, "Next Cancel", "label box:editable,tab", folder_);
    EXPECT_FALSE(FolderExists(folder_)) << "Back removes the folder the check made";

    ASSERT_EQ(WizardRun::Accepted, wizard.NextFromFolderChoice());
    wizard.Press(SHEET_NEXT);
    ASSERT_TRUE(wizard.WaitForPageText(StringResource(IDS_COMPLETE)));
    ExpectStep(wizard, StringResource(IDS_COMPLETE), "Finish", "readme run-game:checked");

    EXPECT_EQ(0, wizard.CloseWith(SHEET_FINISH));
    EXPECT_NE(nullptr, WaitForGame().window) << "Run Game Now was checked";
    EXPECT_TRUE(FolderExists(folder_)) << "a finished installation keeps its folder";
}

TEST_F(WizardStepsTest, RunGameNowLeftUncheckedStartsNoGame)
{
    WizardRun wizard;
    GoToCompletion(wizard);
    ClickRunGameNow(wizard);
    ClickRunGameNow(wizard);
    ClickRunGameNow(wizard);
    ASSERT_TRUE(WaitUntil([&] { return wizard.Controls() == "readme run-game:unchecked"; }));

    EXPECT_EQ(0, wizard.CloseWith(SHEET_FINISH));
    EXPECT_FALSE(WaitUntil(GameWindowShown, 3000)) << "the box was left unchecked";
}

// The installation disables the box when DirectX wants a restart first.
TEST_F(WizardStepsTest, DisabledRunGameNowStaysHiddenAndStartsNoGame)
{
    WizardRun wizard;
    GoToConfirmation(wizard);
    EnableWindow(FindControl(wizard.Page(), IDC_OPTION_CHECK), FALSE);
    wizard.Press(SHEET_NEXT);
    ASSERT_TRUE(wizard.WaitForPageText(StringResource(IDS_COMPLETE)));
    ExpectStep(wizard, StringResource(IDS_COMPLETE), "Finish", "readme");

    EXPECT_EQ(0, wizard.CloseWith(SHEET_FINISH));
    EXPECT_FALSE(WaitUntil(GameWindowShown, 3000));
}

TEST_F(WizardStepsTest, ReadmeButtonOpensTheReadmeAndLeavesTheWizardAsItWas)
{
    WizardRun wizard;
    GoToCompletion(wizard);
    // The installation copies it there; the viewer looks in the current folder.
    WriteFileOfSize(folder_ + "\\readme.txt", 64);

    PostMessageA(wizard.Page(), WM_COMMAND, MAKEWPARAM(IDC_VIEW_README, BN_CLICKED),
                 (LPARAM)FindControl(wizard.Page(), IDC_VIEW_README));
    HWND viewer = WaitForWindowContaining("readme");
    ASSERT_NE(nullptr, viewer) << "no readme viewer showed";
    PostMessageA(viewer, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitForWindowGone(viewer));

    ExpectStep(wizard, StringResource(IDS_COMPLETE), "Finish", "readme run-game:checked");
    EXPECT_EQ(0, wizard.CloseWith(SHEET_FINISH));
    EXPECT_NE(nullptr, WaitForGame().window) << "Run Game Now was checked";
}

// Cancel on steps 0 to 3 closes the sheet and leaves nothing the wizard made.
TEST_F(WizardStepsTest, CancelFromEveryStepLeavesNothingBehind)
{
    for (int step = 0; step <= 3; step++) {
        SCOPED_TRACE("step " + std::to_string(step));
        WizardRun wizard;
        ASSERT_TRUE(wizard.Start());
        if (step >= 1) {
            ASSERT_TRUE(wizard.NextToFolderChoice());
        }
        if (step >= 2) {
            // Refused after making sw4 and new: the rollback walks up, never back down.
            wizard.TypeFolder(step == 2 ? folder_ + "\\new\\..\\x" : folder_);
            ASSERT_EQ(step == 2 ? WizardRun::Refused : WizardRun::Accepted, wizard.NextFromFolderChoice());
        }
        EXPECT_EQ(0, wizard.CloseWith(SHEET_CANCEL));
        EXPECT_FALSE(FolderExists(folder_));
        EXPECT_TRUE(FolderExists(base_));
    }
}

// Back already removed it; the folder made again since is not the wizard's.
TEST_F(WizardStepsTest, CancelAfterBackRemovesNothingMore)
{
    WizardRun wizard;
    GoToConfirmation(wizard);
    ASSERT_TRUE(wizard.BackToFolderChoice());
    ASSERT_FALSE(FolderExists(folder_));
    CreateDirectoryA(folder_.c_str(), nullptr);
    EXPECT_EQ(0, wizard.CloseWith(SHEET_CANCEL));
    EXPECT_TRUE(FolderExists(folder_));
}

}  // namespace
