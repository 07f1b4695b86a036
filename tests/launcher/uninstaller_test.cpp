// The stand-in MS-DOS game as the installation record's uninstaller: run as
// "SW4.EXE -uninstall" from an install folder, answered from here.
#include "installed_game.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace {

const char kCaption[] = "Starwake IV Uninstall";

class UninstallerTest : public testing::Test {
protected:
    void SetUp() override
    {
        DeleteInstallRecord();
        folder_ = ScratchFolder("installed");
        FillInstallFolder(folder_);
        RecordInstallation(folder_);
        shortcut_ = DesktopShortcutPath();
        WriteFileOfSize(shortcut_, 300);
    }
    void TearDown() override
    {
        run_.reset();
        EndProcesses("sw4.exe");
        RemoveUninstallerCopies();
        DeleteInstallRecord();
        RemoveTree(folder_);
        DeleteFileA(shortcut_.c_str());
        RemoveDesktopFolderIfMade();
    }

    // Runs the folder's sw4.exe as the UninstallString does, from elsewhere.
    HWND StartUninstaller(const std::string &folder)
    {
        run_ = std::make_unique<ProgramRun>();
        if (!run_->Start(folder + "\\sw4.exe", "-uninstall", SampleCdPath()))
            return nullptr;
        return WaitForMessageBox(run_->Id(), "");
    }
    // Answers the box that holds this text, from whichever process shows it.
    static bool Answer(const std::string &textPart, int button)
    {
        HWND box = WaitForMessageBox(0, textPart);
        if (box == nullptr)
            return false;
        EXPECT_EQ(kCaption, WindowText(box));
        PressCommand(box, button);
        return WaitForWindowGone(box);
    }
    int FilesLeft() const
    {
        int count = 0;
        for (const char *name : InstalledFiles)
            count += FileExists(folder_ + "\\" + name);
        return count;
    }

    std::string folder_, shortcut_;
    std::unique_ptr<ProgramRun> run_;
};

TEST_F(UninstallerTest, YesRemovesTheFilesTheRecordTheShortcutAndTheFolder)
{
    ASSERT_NE(nullptr, StartUninstaller(folder_));
    ASSERT_TRUE(Answer("Remove Starwake IV from " + folder_ + "?", IDYES));
    EXPECT_EQ(0, run_->WaitForExit()) << "the program in the folder ends before the removal";
    ASSERT_TRUE(Answer("Starwake IV was removed from your computer.", IDOK));

    EXPECT_EQ(0, FilesLeft());
    EXPECT_FALSE(FolderExists(folder_));
    EXPECT_FALSE(RecordExists());
    EXPECT_FALSE(FileExists(shortcut_));
}

// Saved games and an installation recorded in another folder are not this
// installation's to remove.
TEST_F(UninstallerTest, KeepsWhatSetupDidNotPutThere)
{
    WriteFileOfSize(folder_ + "\\save1.sav", 500);
    RecordInstallation("C:\\elsewhere");
    ASSERT_NE(nullptr, StartUninstaller(folder_));
    ASSERT_TRUE(Answer("Remove Starwake IV", IDYES));
    ASSERT_TRUE(Answer("The folder " + folder_ + " was kept", IDOK));

    EXPECT_EQ(0, FilesLeft());
    EXPECT_TRUE(FileExists(folder_ + "\\save1.sav"));
    EXPECT_STREQ("C:\\elsewhere\\SW4.EXE -uninstall", ReadRecordString("UninstallString").c_str());
    EXPECT_TRUE(FileExists(shortcut_));
}

TEST_F(UninstallerTest, NamesTheFilesItCouldNotRemove)
{
    std::string inUse = folder_ + "\\common.iff";
    HANDLE file = CreateFileA(inUse.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    ASSERT_NE(nullptr, StartUninstaller(folder_));
    ASSERT_TRUE(Answer("Remove Starwake IV", IDYES));
    ASSERT_TRUE(Answer("Starwake IV was removed, except for these, which are in use or protected:\n\n    " +
                       inUse + "\n", IDOK));
    CloseHandle(file);
    EXPECT_EQ(1, FilesLeft());
    EXPECT_FALSE(RecordExists());
}

TEST_F(UninstallerTest, RemovesNothingWhenDeclinedWhileTheGameRunsOrOnTheCd)
{
    ASSERT_NE(nullptr, StartUninstaller(folder_));
    ASSERT_TRUE(Answer("Remove Starwake IV", IDNO));
    EXPECT_EQ(1, run_->WaitForExit());

    ProgramRun game;
    ASSERT_TRUE(game.Start(HoldMutexPath(), "\"Starwake 4 Mutex\"", ""));
    ASSERT_TRUE(WaitUntil([] {
        HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, "Starwake 4 Mutex");
        if (mutex)
            CloseHandle(mutex);
        return mutex != nullptr;
    }));
    ASSERT_NE(nullptr, StartUninstaller(folder_));
    ASSERT_TRUE(Answer("Starwake IV is running.", IDOK));
    EXPECT_EQ(1, run_->WaitForExit());

    EXPECT_EQ(19, FilesLeft());
    EXPECT_TRUE(RecordExists());
    EXPECT_TRUE(FileExists(shortcut_));

    // The CD's own sw4.exe, run with the switch from the CD folder.
    ASSERT_NE(nullptr, StartUninstaller(SampleCdPath()));
    ASSERT_TRUE(Answer("This is the Starwake IV CD.", IDOK));
    EXPECT_EQ(1, run_->WaitForExit());
    EXPECT_TRUE(FileExists(SampleCdPath() + "\\music1.pak"));
}

TEST(StandinDosGame, SaysItCannotRunUnderWindows)
{
    ProgramRun run;
    ASSERT_TRUE(run.Start(SampleCdPath() + "\\sw4.exe", "", SampleCdPath()));
    HWND box = WaitForMessageBox(run.Id(), "This is the MS-DOS version of Starwake IV; it cannot run under Windows.");
    ASSERT_NE(nullptr, box);
    PressCommand(box, IDOK);
    EXPECT_EQ(1, run.WaitForExit());
}

}  // namespace
