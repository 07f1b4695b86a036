// The installation record against the real registry, the paths derived from
// it, the up-to-date test on real files, and the programs started from it.
#include "startup/install_record.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <string.h>

namespace {

class InstallRecordTest : public testing::Test {
protected:
    void SetUp() override
    {
        DeleteInstallRecord();
        strcpy(InstallDir, "c:\\sw4");
        MenuSuppressed = 0;
        GameArgs[0] = '\0';
        startFolder_ = CurrentFolder();
    }
    void TearDown() override
    {
        JoinMessageBoxAnswerer();
        CloseGame();
        SetCurrentDirectoryA(startFolder_.c_str());
        DeleteInstallRecord();
    }
    std::string startFolder_;
};

std::string KeyClass()
{
    HKEY key;
    char name[64] = "";
    DWORD length = sizeof name;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, RecordKeyPath, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        RegQueryInfoKeyA(key, name, &length, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr, nullptr, nullptr);
        RegCloseKey(key);
    }
    return name;
}

void ExpectRecordOf(const std::string &folder)
{
    DWORD type = 0;
    EXPECT_EQ(std::string("Starwake 4", 11), ReadRecordString("DisplayName", &type));
    EXPECT_EQ((DWORD)REG_SZ, type);
    EXPECT_EQ(folder + "\\SW4.EXE -uninstall" + std::string(1, '\0'), ReadRecordString("UninstallString", &type));
    EXPECT_EQ((DWORD)REG_SZ, type);
    EXPECT_EQ(std::vector<BYTE>{ 0 }, ReadRecordBytes("autorun", &type));
    EXPECT_EQ((DWORD)REG_BINARY, type);
}

TEST_F(InstallRecordTest, BothWritersStoreTheThreeValues)
{
    MenuSuppressed = 1;   // an installation always records "show the menu"
    ASSERT_EQ(1, WriteInstallRecord());
    ExpectRecordOf("c:\\sw4");
    EXPECT_EQ("Vuzoduv", KeyClass());

    DeleteInstallRecord();
    strcpy(InstallDir, "D:\\Games\\Star Wake");
    ASSERT_EQ(1, WriteInstallRecordChain());
    ExpectRecordOf("D:\\Games\\Star Wake");
}

TEST_F(InstallRecordTest, LongestRecordableFolderIsStoredWholeAndLongerIsRefused)
{
    std::string longest = "c:\\" + std::string(MAX_RECORDED_INSTALL_DIR - 3, 'a');
    ASSERT_EQ(236u, longest.size());
    strcpy(InstallDir, longest.c_str());
    EXPECT_EQ(1, WriteInstallRecord());
    EXPECT_EQ(longest + "\\SW4.EXE -uninstall", ReadRecordString("UninstallString").c_str());
    DeleteInstallRecord();
    EXPECT_EQ(1, WriteInstallRecordChain());
    DeleteInstallRecord();

    std::string tooLong = longest + "b";
    strcpy(InstallDir, tooLong.c_str());
    EXPECT_EQ(0, WriteInstallRecord());
    EXPECT_EQ(0, WriteInstallRecordChain());
    EXPECT_FALSE(RecordExists()) << "a folder the record cannot carry must leave no record";
    EXPECT_EQ(tooLong, InstallDir);
}

TEST_F(InstallRecordTest, SaveAutorunSettingWritesTheLowByteAndMakesNoRecordOfItsOwn)
{
    MenuSuppressed = 0x102;
    ASSERT_EQ(1, SaveAutorunSetting());
    DWORD type = 0;
    EXPECT_EQ(std::vector<BYTE>{ 2 }, ReadRecordBytes("autorun", &type));
    EXPECT_EQ((DWORD)REG_BINARY, type);

    char buffer[RECORD_TEXT_SIZE];
    EXPECT_EQ(0, ReadInstallRecord(buffer)) << "a key with only \"autorun\" is no installation";
}

TEST_F(InstallRecordTest, ReadTakesOnlyAPlainStringThatFitsItsBuffer)
{
    char buffer[RECORD_TEXT_SIZE + 8];
    memset(buffer, 'G', sizeof buffer);

    WriteRecordString("UninstallString", REG_EXPAND_SZ, "c:\\sw4\\SW4.EXE -uninstall");
    MenuSuppressed = 7;
    EXPECT_EQ(0, ReadInstallRecord(buffer));
    EXPECT_EQ(7, MenuSuppressed) << "a refused record leaves the setting alone";

    WriteRecordString("UninstallString", REG_SZ, std::string(256, 'x'));   // 257 bytes
    EXPECT_EQ(0, ReadInstallRecord(buffer));

    std::string unterminated(256, 'y');   // fills the buffer with no room for the end
    WriteRecordBytes("UninstallString", REG_SZ, unterminated.data(), 256);
    EXPECT_EQ(0, ReadInstallRecord(buffer));
    EXPECT_EQ('G', buffer[RECORD_TEXT_SIZE]) << "written past the buffer";

    std::string fits(255, 'z');
    WriteRecordString("UninstallString", REG_SZ, fits);
    EXPECT_EQ(1, ReadInstallRecord(buffer));
    EXPECT_EQ(fits, buffer);

    WriteRecordBytes("UninstallString", REG_SZ, "c:\\a b.c", 8);   // stored without its end
    EXPECT_EQ(1, ReadInstallRecord(buffer));
    EXPECT_STREQ("c:\\a b.c", buffer);
}

TEST_F(InstallRecordTest, AutorunValueOfAnyTypeUpToFourBytesSetsMenuSuppressed)
{
    char buffer[RECORD_TEXT_SIZE];
    RecordInstallation("c:\\sw4", 0);
    MenuSuppressed = 5;
    ASSERT_EQ(1, ReadInstallRecord(buffer));
    EXPECT_EQ(0, MenuSuppressed);

    DWORD one = 1;
    WriteRecordBytes("autorun", REG_DWORD, &one, 4);
    ASSERT_EQ(1, ReadInstallRecord(buffer));
    EXPECT_EQ(1, MenuSuppressed);

    BYTE two = 2;
    WriteRecordBytes("autorun", REG_BINARY, &two, 1);
    ASSERT_EQ(1, ReadInstallRecord(buffer));
    EXPECT_EQ(2, MenuSuppressed);

    BYTE five[5] = { 1, 1, 1, 1, 1 };
    WriteRecordBytes("autorun", REG_BINARY, five, 5);
    ASSERT_EQ(1, ReadInstallRecord(buffer));
    EXPECT_EQ(0, MenuSuppressed) << "a value longer than 4 bytes counts as missing";

    HKEY key;
    RegOpenKeyExA(HKEY_LOCAL_MACHINE, RecordKeyPath, 0, KEY_ALL_ACCESS, &key);
    RegDeleteValueA(key, "autorun");
    RegCloseKey(key);
    MenuSuppressed = 3;
    ASSERT_EQ(1, ReadInstallRecord(buffer));
    EXPECT_EQ(0, MenuSuppressed);
}

struct Derived {
    int result;
    std::string command;
    std::string folder;
};

Derived Derive(const std::string &uninstallString)
{
    char command[RECORD_TEXT_SIZE + 8];
    char folder[RECORD_TEXT_SIZE + 8];
    memset(command, 'G', sizeof command);
    memset(folder, 'G', sizeof folder);
    strcpy(command, uninstallString.c_str());
    Derived derived;
    derived.result = DeriveGamePaths(command, RECORD_TEXT_SIZE, folder, RECORD_TEXT_SIZE);
    EXPECT_EQ('G', command[RECORD_TEXT_SIZE]) << "command written past its buffer";
    EXPECT_EQ('G', folder[RECORD_TEXT_SIZE]) << "folder written past its buffer";
    derived.command = command;
    if (derived.result)
        derived.folder = folder;
    return derived;
}

TEST_F(InstallRecordTest, DerivedPathsFollowTheLastBlankDotAndBackslash)
{
    Derived standard = Derive("c:\\sw4\\SW4.EXE -uninstall");
    EXPECT_EQ(1, standard.result);
    EXPECT_EQ("c:\\sw4\\SW4w.exe", standard.command);
    EXPECT_EQ("c:\\sw4", standard.folder);
    EXPECT_STREQ("c:\\sw4", InstallDir);

    Derived blanks = Derive("D:\\Star Wake\\SW4.EXE -uninstall");
    EXPECT_EQ("D:\\Star Wake\\SW4w.exe", blanks.command);
    EXPECT_STREQ("D:\\Star Wake", InstallDir);

    // The dot replaced is the last of the whole text, even in a folder name.
    Derived dottedFolder = Derive("c:\\my.games\\SW4 -uninstall");
    EXPECT_EQ(1, dottedFolder.result);
    EXPECT_EQ("c:\\myw.exe", dottedFolder.command);
    EXPECT_EQ("c:", dottedFolder.folder);

    strcpy(InstallDir, "unchanged");
    EXPECT_EQ(0, Derive("c:\\sw4\\SW4.EXE").result) << "no blank";
    EXPECT_EQ(0, Derive("c:\\sw4\\SW4 -uninstall").result) << "no dot";
    EXPECT_EQ(0, Derive("SW4.EXE -uninstall").result) << "no backslash";
    EXPECT_STREQ("unchanged", InstallDir);
}

TEST_F(InstallRecordTest, DerivedPathThatWouldNotFitIsRefusedWithoutOverrun)
{
    // 253 characters ending in a dot: the new ending needs 5 more.
    std::string text = "c:\\" + std::string(249, 'a') + "." + " x";
    ASSERT_EQ(255u, text.size());
    strcpy(InstallDir, "unchanged");
    EXPECT_EQ(0, Derive(text).result);
    EXPECT_STREQ("unchanged", InstallDir);
}

class UpToDateTest : public InstallRecordTest {
protected:
    void SetUp() override
    {
        InstallRecordTest::SetUp();
        cd_ = ScratchFolder("cd");
        installed_ = ScratchFolder("installed");
        WriteFileOfSize(cd_ + "\\sw4w.ex_", 100);
        SetLastWriteTime(cd_ + "\\sw4w.ex_", cdTime_);
        SetCurrentDirectoryA(cd_.c_str());
    }
    void TearDown() override
    {
        InstallRecordTest::TearDown();
        RemoveTree(cd_);
        RemoveTree(installed_);
    }
    void Install(FILETIME time)
    {
        WriteFileOfSize(installed_ + "\\SW4w.exe", 50);
        SetLastWriteTime(installed_ + "\\SW4w.exe", time);
    }
    std::string cd_, installed_;
    FILETIME cdTime_ = MakeFileTime(1997, 10, 15);
};

TEST_F(UpToDateTest, NeedsCopyComparesLastWriteTimes)
{
    std::string source = cd_ + "\\sw4w.ex_";
    std::string dest = installed_ + "\\SW4w.exe";
    EXPECT_EQ(1, NeedsCopy(nullptr, source.c_str(), dest.c_str())) << "missing destination";
    Install(cdTime_);
    EXPECT_EQ(0, NeedsCopy(nullptr, source.c_str(), dest.c_str())) << "equal times";
    Install(FileTimePlus(cdTime_, -1));
    EXPECT_EQ(1, NeedsCopy(nullptr, source.c_str(), dest.c_str())) << "one unit older";
    Install(FileTimePlus(cdTime_, 1));
    EXPECT_EQ(0, NeedsCopy(nullptr, source.c_str(), dest.c_str())) << "newer";
    // Across a change of the high half: the low halves alone would say otherwise.
    FILETIME high = { 0x00000010, 0x01BC0000 };
    FILETIME lower = { 0xFFFFFFF0, 0x01BBFFFF };
    SetLastWriteTime(source, high);
    Install(lower);
    EXPECT_EQ(1, NeedsCopy(nullptr, source.c_str(), dest.c_str()));
}

TEST_F(UpToDateTest, MissingSourceWarnsWithItsNameAndNeedsNoCopy)
{
    std::string seen;
    AnswerOwnMessageBoxLater(IDOK, &seen);
    EXPECT_EQ(0, NeedsCopy(nullptr, "no-such.ex_", (installed_ + "\\SW4w.exe").c_str()));
    JoinMessageBoxAnswerer();
    EXPECT_EQ("Setup could not find the following file on the installation CD : no-such.ex_", seen);
}

TEST_F(UpToDateTest, InstallationIsCurrentWhenItsGameIsAtLeastAsNewAsTheCd)
{
    EXPECT_EQ(0, IsInstallCurrent()) << "no record";

    RecordInstallation(installed_);
    strcpy(InstallDir, "c:\\sw4");
    EXPECT_EQ(0, IsInstallCurrent()) << "game missing while the CD has it";
    EXPECT_EQ(installed_, InstallDir) << "the recorded folder becomes the default";

    Install(FileTimePlus(cdTime_, -1));
    EXPECT_EQ(0, IsInstallCurrent()) << "CD copy newer";
    Install(cdTime_);
    EXPECT_EQ(1, IsInstallCurrent()) << "same time";

    WriteRecordString("UninstallString", REG_SZ, installed_ + "\\SW4.EXE");
    EXPECT_EQ(0, IsInstallCurrent()) << "no blank in the record";
}

TEST_F(UpToDateTest, InstallationCountsAsCurrentAfterWarningWhenTheCdLacksTheGame)
{
    RecordInstallation(installed_);
    DeleteFileA((cd_ + "\\sw4w.ex_").c_str());
    std::string seen;
    AnswerOwnMessageBoxLater(IDOK, &seen);
    EXPECT_EQ(1, IsInstallCurrent());
    JoinMessageBoxAnswerer();
    EXPECT_NE(std::string::npos, seen.find("sw4w.ex_")) << seen;
}

TEST_F(UpToDateTest, LaunchGameStartsTheRecordedGameInItsFolderWithGameArgs)
{
    EXPECT_EQ(0, LaunchGame()) << "nothing recorded";

    RecordInstallation(installed_);
    ASSERT_TRUE(CopyFileA(StandinGamePath().c_str(), (installed_ + "\\SW4w.exe").c_str(), FALSE));
    strcpy(GameArgs, " -i");
    ASSERT_EQ(1, LaunchGame());
    GameSighting game = WaitForGame();
    ASSERT_NE(nullptr, game.window);
    EXPECT_EQ(installed_ + "\\SW4w.exe -i", game.commandLine);
    EXPECT_EQ(installed_, game.folder);
}

TEST_F(UpToDateTest, LaunchGameFailsQuietlyWhenTheGameCannotStart)
{
    RecordInstallation(installed_);   // no SW4w.exe in the folder
    EXPECT_EQ(0, LaunchGame());
}

TEST_F(UpToDateTest, UninstallerStartsOnlyAfterYes)
{
    // The record's command runs as stored: here the stand-in game shows it.
    WriteRecordString("UninstallString", REG_SZ, StandinGamePath() + " -uninstall");

    for (int answer : { IDNO, IDCANCEL }) {
        std::string question;
        AnswerOwnMessageBoxLater(answer, &question);
        EXPECT_EQ(0, LaunchUninstaller(nullptr));
        JoinMessageBoxAnswerer();
        EXPECT_EQ("Do you really want to remove Starwake IV from your\nhard drive? (This will remove your save games, too.)",
                  question);
    }
    EXPECT_FALSE(GameWindowShown());

    AnswerOwnMessageBoxLater(IDYES);
    EXPECT_EQ(1, LaunchUninstaller(nullptr));
    JoinMessageBoxAnswerer();
    GameSighting uninstaller = WaitForGame();
    ASSERT_NE(nullptr, uninstaller.window);
    EXPECT_EQ(StandinGamePath() + " -uninstall", uninstaller.commandLine);
    EXPECT_EQ(cd_, uninstaller.folder) << "the current folder is inherited";
    CloseGame();

    DeleteInstallRecord();
    AnswerOwnMessageBoxLater(IDYES);
    EXPECT_EQ(0, LaunchUninstaller(nullptr)) << "yes, but nothing recorded";
}

TEST_F(UpToDateTest, ReadmeOpensInTheViewerFromTheCurrentFolder)
{
    WriteFileOfSize(cd_ + "\\readme.txt", 0);
    ASSERT_NE(0, ShowReadme());
    HWND viewer = WaitForWindowContaining("readme");
    ASSERT_NE(nullptr, viewer) << "no viewer window showed readme.txt";
    PostMessageA(viewer, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitForWindowGone(viewer));
}

}  // namespace
