// The stand-in MS-DOS game, which is also the installation record's
// uninstaller: run as "SW4.EXE -uninstall" from an install folder, as the
// launcher starts it, and answered from here.
#include "test_support.h"

#include <gtest/gtest.h>
#include <filesystem>
#include <memory>

namespace {

const char Caption[] = "Starwake IV Uninstall";

class UninstallerTest : public testing::Test {
protected:
    void SetUp() override { DeleteInstallRecord(); }
    void TearDown() override
    {
        EndProcesses("sw4.exe");
        DeleteInstallRecord();
        DeleteFileA(DesktopShortcut().c_str());
        // The copies it removes from ask the system to delete them at the next start.
        namespace fs = std::filesystem;
        for (const auto &entry : fs::directory_iterator(fs::temp_directory_path()))
            if (entry.path().filename().string().rfind("sw4", 0) == 0 && entry.path().extension() == ".tmp")
                WaitUntil([&] { return DeleteFileA(entry.path().string().c_str()) != 0; }, 5000);
    }

    // An install folder as setup leaves it, recorded, with its desktop shortcut.
    std::string Installed(std::string folder = ScratchFolder("installed"), std::string shortcut = DesktopShortcut())
    {
        FillInstallFolder(folder);
        RecordInstallation(folder == "U:" ? "U:\\" : folder);   // a drive root recorded as setup does
        WriteFileOfSize(shortcut, 300);
        return folder;
    }
    // Answers the box that holds the text, from whichever process shows it.
    static bool Answer(const std::string &textPart, int button, std::string *text = nullptr)
    {
        HWND box = WaitForMessageBox(0, textPart);
        if (!box)
            return false;
        EXPECT_EQ(textPart.rfind("This is the MS-DOS", 0) == 0 ? "Starwake IV" : Caption, WindowText(box));
        if (text)
            *text = MessageBoxText(box);
        PressCommand(box, button);
        return WaitForWindowGone(box);
    }
    static int FilesLeft(const std::string &folder)
    {
        int count = 0;
        for (const GameFile &file : GameFiles)
            count += FileExists(folder + "\\" + file.installed);
        return count;
    }

    // The other places setup may have put the shortcut.
    UserDesktop user_;
    DesktopFolder windows_{ true };
};

TEST_F(UninstallerTest, RemovesNothingOffTheCdWhileTheGameRunsOrWhenDeclined)
{
    std::string folder = Installed();
    const struct { const char *what; std::string folder; const char *arguments; bool gameRunning;
                   std::string box; int answer; } rows[] = {
        { "the CD's program", SampleCdPath(), "", false,
          "This is the MS-DOS version of Starwake IV; it cannot run under Windows.", IDOK },
        { "the CD's program as uninstaller", SampleCdPath(), "-uninstall", false, "This is the Starwake IV CD.", IDOK },
        { "while the game runs", folder, "-uninstall", true, "Starwake IV is running.", IDOK },
        { "declined", folder, "-uninstall", false, "Remove Starwake IV from " + folder + "?", IDNO },
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        std::unique_ptr<HeldMutex> game(row.gameRunning ? new HeldMutex("Starwake 4 Mutex") : nullptr);
        ProgramRun run;
        ASSERT_TRUE(run.Start(row.folder + "\\sw4.exe", row.arguments, SampleCdPath()));
        ASSERT_TRUE(Answer(row.box, row.answer));
        EXPECT_EQ(1, run.WaitForExit());
    }
    EXPECT_EQ(19, FilesLeft(folder));
    EXPECT_TRUE(RecordExists());
    EXPECT_TRUE(FileExists(DesktopShortcut()));
    EXPECT_TRUE(FileExists(SampleCdPath() + "\\music1.pak"));
    RemoveTree(folder);
}

// Saved games, files in use and another installation's record are not this
// installation's to remove; what stays is named. The shortcut goes from
// wherever setup put it.
TEST_F(UninstallerTest, RemovesWhatSetupInstalledAndNamesWhatStays)
{
    const struct { const char *what; bool saveGame, inUse, otherRecord, driveRoot; std::string folder, shortcut; }
        rows[] = {
        { "a save game and another installation's record", true, false, true, false, ScratchFolder("installed"),
          DesktopShortcut() },
        { "a file in use, under a blank, the shortcut on the user's desktop", false, true, false, false,
          ScratchFolder("installed here"), user_.Shortcut() },
        { "nothing else, the shortcut in the Windows folder's Desktop", false, false, false, false,
          ScratchFolder("installed"), windows_.Shortcut() },
        { "a drive root", false, false, false, true, "U:", DesktopShortcut() },   // u: is small_drives.sh's, empty
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        std::string folder = Installed(row.folder, row.shortcut);
        if (row.saveGame)
            WriteFileOfSize(folder + "\\save1.sav", 500);
        if (row.otherRecord)
            RecordInstallation("C:\\else where");
        std::string inUse = folder + "\\common.iff";
        HANDLE file = row.inUse ? CreateFileA(inUse.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)
                                : INVALID_HANDLE_VALUE;
        ProgramRun run;
        ASSERT_TRUE(run.Start(folder + "\\sw4.exe", "-uninstall", SampleCdPath()));
        ASSERT_TRUE(Answer("Remove Starwake IV from " + folder + (row.driveRoot ? "\\?" : "?"), IDYES));
        EXPECT_EQ(0, run.WaitForExit()) << "the program in the folder ends before the removal";
        std::string report;
        ASSERT_TRUE(Answer("Starwake IV was removed", IDOK, &report));
        CloseHandle(file);

        std::string expected = "Starwake IV was removed from your computer.";
        if (row.inUse)
            expected = "Starwake IV was removed, except for these, which are in use or protected:\n\n    " + inUse
                       + "\n\nClose the programs that use them, then remove them by hand.";
        if (row.saveGame)
            expected += "\n\nThe folder " + folder + " was kept: it holds files that Setup did not install.";
        if (row.otherRecord)
            expected += "\n\nThe Starwake IV installation in another folder stays listed.";
        EXPECT_EQ(expected, report);
        EXPECT_EQ(row.inUse ? 1 : 0, FilesLeft(folder));
        EXPECT_EQ(row.saveGame, FileExists(folder + "\\save1.sav"));
        EXPECT_EQ(row.saveGame || row.inUse || row.driveRoot, FolderExists(folder + "\\"));
        EXPECT_EQ(row.otherRecord, RecordExists());
        EXPECT_EQ(row.otherRecord, FileExists(row.shortcut));
        DeleteInstallRecord();
        if (!row.driveRoot)
            RemoveTree(folder);
    }
}

}  // namespace
