// The game and its uninstaller started from install folders whose paths
// other programs often get wrong: one with blanks under "c:\program files",
// where a planted c:\program.exe waits, and the root of a drive.
#include "installed_game.h"
#include "startup/install_record.h"
#include "startup/text_buffer.h"
#include "test_support.h"
#include "../copy/host_shell.h"

#include <gtest/gtest.h>

namespace {

const char kPlanted[] = "C:\\program.exe";

class InstallFolderPathsTest : public testing::Test {
protected:
    void SetUp() override
    {
        DeleteInstallRecord();
        shortcut_ = DesktopShortcutPath();
    }
    void TearDown() override
    {
        CloseGame();
        EndProcesses("program.exe");
        EndProcesses("sw4.exe");
        RemoveUninstallerCopies();
        DeleteFileA(kPlanted);
        if (!folder_.empty())
            RemoveTree(folder_);
        DeleteInstallRecord();
        DeleteFileA(shortcut_.c_str());
        RemoveDesktopFolderIfMade();
        TextCopy(InstallDir, sizeof InstallDir, "c:\\sw4");
    }

    // Records the installation in folder as the wizard does; the stored text.
    std::string Record(const std::string &folder)
    {
        TextCopy(InstallDir, sizeof InstallDir, folder.c_str());
        EXPECT_EQ(1, WriteInstallRecord());
        return ReadRecordString("UninstallString").c_str();
    }
    // LaunchUninstaller with its question answered Yes.
    int Uninstall()
    {
        AnswerOwnMessageBoxLater(IDYES);
        int started = LaunchUninstaller(nullptr);
        JoinMessageBoxAnswerer();
        return started;
    }

    std::string folder_, shortcut_;
};

TEST_F(InstallFolderPathsTest, FolderWithBlanksStartsItsOwnProgramsNotAPlantedOne)
{
    // Run in its place, the stand-in MS-DOS game would only say what it is.
    ASSERT_TRUE(CopyFileA(StandinDosGamePath().c_str(), kPlanted, FALSE));
    folder_ = "C:\\Program Files\\Starwake IV paths test";
    ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr));
    FillInstallFolder(folder_);
    const std::string stored = Record(folder_);
    EXPECT_EQ(folder_ + "\\SW4.EXE -uninstall", stored) << "composed as other tools read it";

    GameArgs[0] = '\0';
    ASSERT_EQ(1, LaunchGame());
    GameSighting game = WaitForGame();
    ASSERT_NE(nullptr, game.window) << "no game; program.exe running: " << ProcessRunning("program.exe");
    EXPECT_EQ("\"" + folder_ + "\\SW4w.exe\"", game.commandLine);
    EXPECT_EQ(folder_, game.folder);
    CloseGame();

    ASSERT_EQ(1, Uninstall());
    // The installed uninstaller asks about its own folder: it got its switch.
    HWND question = WaitForMessageBox(0, "Remove Starwake IV from " + folder_ + "?");
    ASSERT_NE(nullptr, question) << "program.exe running: " << ProcessRunning("program.exe");
    PressCommand(question, IDNO);
    EXPECT_TRUE(WaitForWindowGone(question));
    EXPECT_FALSE(ProcessRunning("program.exe"));
    EXPECT_EQ(stored, ReadRecordString("UninstallString").c_str()) << "the record is read, never rewritten";
}

TEST_F(InstallFolderPathsTest, UninstallingADriveRootInstallationTakesItOffTheList)
{
    SmallDrive drive(16 * 1024);
    ASSERT_TRUE(drive.Ready());
    FillInstallFolder(drive.Root().substr(0, 2));
    WriteFileOfSize(shortcut_, 300);
    EXPECT_EQ(drive.Root() + "\\SW4.EXE -uninstall", Record(drive.Root())) << "as setup records a drive root";

    ASSERT_EQ(1, Uninstall());
    HWND question = WaitForMessageBox(0, "Remove Starwake IV from " + drive.Root().substr(0, 2));
    ASSERT_NE(nullptr, question);
    EXPECT_EQ(0u, MessageBoxText(question).find("Remove Starwake IV from " + drive.Root() + "?"));
    PressCommand(question, IDYES);
    HWND done = WaitForMessageBox(0, "Starwake IV was removed");
    ASSERT_NE(nullptr, done);
    EXPECT_EQ("Starwake IV was removed from your computer.", MessageBoxText(done));
    PressCommand(done, IDOK);
    EXPECT_TRUE(WaitForWindowGone(done));

    EXPECT_FALSE(RecordExists());
    EXPECT_FALSE(FileExists(shortcut_));
    for (const char *name : InstalledFiles)
        EXPECT_FALSE(FileExists(drive.Root() + name)) << name;
    RemoveUninstallerCopies();
}

}  // namespace
