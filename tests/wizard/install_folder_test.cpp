// Folder texts typed into the wizard of setup.exe: which are accepted as
// what folder, which are refused, and what is left on disk after Back.
#include "wizard_run.h"
#include "startup/install_record.h"

#include <gtest/gtest.h>

namespace {

class InstallFolderTest : public testing::Test {
protected:
    void SetUp() override
    {
        base_ = ScratchFolder("folder");
        ASSERT_TRUE(wizard_.Start());
        ASSERT_TRUE(wizard_.NextToFolderChoice());
    }
    void TearDown() override { RemoveTree(base_); }

    // Types the text and goes Next; on acceptance, the folder the box then shows.
    WizardRun::Outcome Try(const std::string &text, std::string *shown = nullptr)
    {
        wizard_.TypeFolder(text);
        WizardRun::Outcome outcome = wizard_.NextFromFolderChoice();
        if (shown)
            *shown = wizard_.BoxText();
        return outcome;
    }
    void Back() { ASSERT_TRUE(wizard_.BackToFolderChoice()); }

    std::string base_;
    WizardRun wizard_;
};

TEST_F(InstallFolderTest, NewFolderChainIsMadeAndBackRemovesItAgain)
{
    for (const char *tail : { "\\games\\sw4", "\\games\\sw4\\" }) {
        SCOPED_TRACE(tail);
        std::string shown;
        ASSERT_EQ(WizardRun::Accepted, Try(base_ + tail, &shown));
        EXPECT_EQ(base_ + "\\games\\sw4", shown) << "a trailing backslash changes nothing";
        EXPECT_TRUE(FolderExists(base_ + "\\games\\sw4"));
        Back();
        EXPECT_FALSE(FolderExists(base_ + "\\games"));
        EXPECT_TRUE(FolderExists(base_));
    }
}

// Back removes only what the check made: folders that were there stay,
// whether they hold anything or not.
TEST_F(InstallFolderTest, BackKeepsFoldersThatWereThereBefore)
{
    CreateDirectoryA((base_ + "\\games").c_str(), nullptr);
    WriteFileOfSize(base_ + "\\games\\save.dat", 16);
    CreateDirectoryA((base_ + "\\empty").c_str(), nullptr);

    ASSERT_EQ(WizardRun::Accepted, Try(base_ + "\\games\\sw4"));
    Back();
    EXPECT_FALSE(FolderExists(base_ + "\\games\\sw4"));
    EXPECT_TRUE(FileExists(base_ + "\\games\\save.dat"));

    ASSERT_EQ(WizardRun::Accepted, Try(base_ + "\\empty\\sw4"));
    Back();
    EXPECT_FALSE(FolderExists(base_ + "\\empty\\sw4"));
    EXPECT_TRUE(FolderExists(base_ + "\\empty"));

    std::string shown;
    ASSERT_EQ(WizardRun::Accepted, Try(base_ + "\\empty", &shown)) << "an existing folder is accepted";
    EXPECT_EQ(base_ + "\\empty", shown);
    Back();
    EXPECT_TRUE(FolderExists(base_ + "\\empty"));
}

// No backslash after the drive: the text counts as its drive part alone.
TEST_F(InstallFolderTest, DriveRootsAreAcceptedAndNeverRemoved)
{
    for (const char *text : { "c:", "c:\\", "c:games", "c:/games/sw4" }) {
        SCOPED_TRACE(text);
        std::string shown;
        ASSERT_EQ(WizardRun::Accepted, Try(text, &shown));
        EXPECT_EQ("C:\\", shown);
        Back();
        EXPECT_TRUE(FolderExists("C:\\windows"));
    }
    EXPECT_FALSE(FolderExists("C:\\games"));
}

TEST_F(InstallFolderTest, PathsWithoutADriveLetterAreRefusedWithoutAMessage)
{
    for (const char *text : { "sw4", "\\sw4", "\\\\server\\share\\sw4", "" }) {
        SCOPED_TRACE(text);
        ASSERT_EQ(WizardRun::Refused, Try(text));
        EXPECT_EQ(1u, VisibleTopWindows(wizard_.ProcessId()).size()) << "only the sheet shows";
        EXPECT_EQ(text, wizard_.BoxText());
        Back();
        EXPECT_EQ("c:\\sw4", wizard_.BoxText());
    }
    EXPECT_FALSE(FolderExists(wizard_.CdFolder() + "\\sw4")) << "nothing made beside setup";
}

// What stops the chain halfway refuses the folder and takes away what the
// check had made on the way.
TEST_F(InstallFolderTest, ChainThatCannotBeFinishedIsRefusedAndLeavesNothing)
{
    WriteFileOfSize(base_ + "\\blocker", 16);
    const std::string texts[] = {
        base_ + "\\blocker\\sw4",          // a file stands where a folder should be
        base_ + "\\new\\deeper\\bad|name", // a name the file system rejects
        base_ + "\\new\\..\\sw4",          // the rollback walks up, never back down
    };
    for (const std::string &text : texts) {
        SCOPED_TRACE(text);
        ASSERT_EQ(WizardRun::Refused, Try(text));
        EXPECT_FALSE(FolderExists(base_ + "\\new"));
        EXPECT_FALSE(FolderExists(base_ + "\\sw4"));
        Back();
    }
    EXPECT_TRUE(FileExists(base_ + "\\blocker"));
}

// Only the first 240 characters count: past them, backslashes that end in a
// name which would otherwise become a folder.
TEST_F(InstallFolderTest, TextIsCutAt240Characters)
{
    std::string text = base_ + "\\cut";
    text.resize(240, '\\');
    text += "\\zzzzzzzzz";
    ASSERT_EQ(250u, text.size());

    std::string shown;
    ASSERT_EQ(WizardRun::Accepted, Try(text, &shown));
    EXPECT_EQ(base_ + "\\cut", shown);
    EXPECT_FALSE(FolderExists(base_ + "\\cut\\zzzzzzzzz"));
}

// A path of `length` characters under base, in folders of up to 100 characters.
std::string PathOfLength(const std::string &base, size_t length)
{
    std::string path = base;
    char name = 'a';
    while (path.size() < length) {
        size_t room = length - path.size() - 1;
        path += "\\" + std::string(room > 100 ? 100 : room, name++);
    }
    return path;
}

// The installation record carries a folder of at most 236 characters.
TEST_F(InstallFolderTest, LongestFolderTheRecordCanCarryIsAcceptedOneMoreIsRefused)
{
    std::string longest = PathOfLength(base_, MAX_RECORDED_INSTALL_DIR);
    ASSERT_EQ(236u, longest.size());
    std::string shown;
    ASSERT_EQ(WizardRun::Accepted, Try(longest, &shown));
    EXPECT_EQ(longest, shown);
    EXPECT_TRUE(FolderExists(longest));
    Back();
    EXPECT_FALSE(FolderExists(base_ + "\\a"));

    std::string tooLong = PathOfLength(base_, MAX_RECORDED_INSTALL_DIR + 1);
    ASSERT_EQ(WizardRun::Refused, Try(tooLong));
    EXPECT_FALSE(FolderExists(base_ + "\\a")) << "the folders made for it are gone again";
    Back();

    ASSERT_EQ(WizardRun::Refused, Try(tooLong + "\\")) << "counted as read back, not as typed";
    Back();
    ASSERT_EQ(WizardRun::Accepted, Try(longest + "\\", &shown));
    EXPECT_EQ(longest, shown);
}

}  // namespace
