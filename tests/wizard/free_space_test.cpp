// The free-space warning of setup.exe's wizard, on small drives that
// small_drives.sh made: r: just under 20,000,000 free bytes, s: just over,
// t: over 4 GiB.
#include "wizard_run.h"
#include "resources/resource.h"

#include <gtest/gtest.h>

namespace {

ULONGLONG FreeBytes(const char *root)
{
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
    GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters);
    return (ULONGLONG)freeClusters * bytesPerSector * sectorsPerCluster;
}

class FreeSpaceTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(19996672u, FreeBytes("R:\\")) << "small_drives.sh has not made r:";
        ASSERT_EQ(20000768u, FreeBytes("S:\\"));
        ASSERT_EQ(4294971392u, FreeBytes("T:\\"));
        ASSERT_TRUE(wizard_.Start());
        ASSERT_TRUE(wizard_.NextToFolderChoice());
    }
    void TearDown() override
    {
        for (const char *folder : { "R:\\sw4", "S:\\sw4", "T:\\sw4" })
            RemoveTree(folder);
    }

    WizardRun wizard_;
};

TEST_F(FreeSpaceTest, TooLittleSpaceWarnsAndOnlyYesGoesOn)
{
    wizard_.TypeFolder("r:\\sw4");
    ASSERT_EQ(WizardRun::Warned, wizard_.NextFromFolderChoice());
    HWND box = wizard_.Warning();
    EXPECT_EQ("Warning!!", WindowText(box));
    EXPECT_EQ("The drive you have selected does not currently have enough space to install the game.\n"
              "(20 MEGS required) Continue anyway?", MessageBoxText(box));
    EXPECT_EQ(wizard_.Sheet(), GetWindow(box, GW_OWNER));
    EXPECT_FALSE(IsWindowEnabled(wizard_.Sheet())) << "the box is modal to the sheet";
    EXPECT_TRUE(ControlVisible(box, IDYES));
    EXPECT_EQ(BS_DEFPUSHBUTTON, GetWindowLongA(FindControl(box, IDNO), GWL_STYLE) & BS_TYPEMASK)
        << "No is the default button";
    ASSERT_EQ(WizardRun::Refused, wizard_.AnswerWarning(IDNO));
    EXPECT_FALSE(FolderExists("R:\\sw4"));
    ASSERT_TRUE(wizard_.BackToFolderChoice());

    wizard_.TypeFolder("r:\\sw4");
    ASSERT_EQ(WizardRun::Warned, wizard_.NextFromFolderChoice());
    ASSERT_EQ(WizardRun::Accepted, wizard_.AnswerWarning(IDYES));
    EXPECT_EQ("R:\\sw4", wizard_.BoxText());
    EXPECT_TRUE(FolderExists("R:\\sw4"));
    ASSERT_TRUE(wizard_.BackToFolderChoice());
    EXPECT_FALSE(FolderExists("R:\\sw4"));

    wizard_.TypeFolder("r:");
    ASSERT_EQ(WizardRun::Warned, wizard_.NextFromFolderChoice()) << "the root of a small drive too";
    ASSERT_EQ(WizardRun::Accepted, wizard_.AnswerWarning(IDYES));
    EXPECT_EQ("R:\\", wizard_.BoxText());
}

// 20,000,768 bytes is as close to 20,000,000 as tmpfs comes; 4 GiB and a page
// would warn if the free bytes were counted in 32 bits.
TEST_F(FreeSpaceTest, EnoughSpaceGoesOnWithoutAWarning)
{
    for (const char *text : { "s:\\sw4", "t:\\sw4" }) {
        SCOPED_TRACE(text);
        wizard_.TypeFolder(text);
        ASSERT_EQ(WizardRun::Accepted, wizard_.NextFromFolderChoice());
        ASSERT_TRUE(wizard_.BackToFolderChoice());
    }
}

}  // namespace
