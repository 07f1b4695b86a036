// Folder texts whose pieces would lead the folder chain off the path that
// the rollback walks back up: refused before anything is made or entered.
#include "wizard_run.h"
#include "../copy/host_shell.h"

#include <gtest/gtest.h>

namespace {

TEST(FolderLeaves, LeavesThatLeadOffThePathAreRefused)
{
    WizardRun wizard;
    ASSERT_TRUE(wizard.Start());
    ASSERT_TRUE(wizard.NextToFolderChoice());
    std::string base = ScratchFolder("leaves");
    // The user's own empty folder, which a rollback must never take.
    std::string own = base + "\\own";
    CreateDirectoryA(own.c_str(), nullptr);
    // Wine names it through dosdevices/c:, whose colon alone would refuse it.
    std::string ownUnix = UnixPath(own);
    size_t drive = ownUnix.find("/dosdevices/c:/");
    ASSERT_NE(std::string::npos, drive) << ownUnix;
    ownUnix.replace(drive, 15, "/drive_c/");

    // A leaf that starts with a slash is rooted (under Wine, a Unix path),
    // and one of dots and blanks only means "here" or "up" once the system
    // has stripped its trailing dots and blanks.
    const std::string leaves[] = {
        "new\\" + ownUnix, "new\\/", "new\\...", "new\\.. \\x", "new\\x/.", "new\\. ",
    };
    for (const std::string &leaf : leaves) {
        std::string text = base + "\\" + leaf;
        SCOPED_TRACE(text);
        wizard.TypeFolder(text);
        WizardRun::Outcome outcome = wizard.NextFromFolderChoice();
        EXPECT_EQ(WizardRun::Refused, outcome) << "went to " << wizard.BoxText();
        ASSERT_TRUE(wizard.BackToFolderChoice());
        EXPECT_TRUE(FolderExists(own)) << "the rollback took a folder it did not make";
        EXPECT_FALSE(FolderExists(base + "\\new")) << "what the check made stayed";
        RemoveTree(base + "\\new");
        CreateDirectoryA(own.c_str(), nullptr);
    }
    RemoveTree(base);
}

}  // namespace
