// In this process: the installation record against the real registry, the
// paths derived from it and the up-to-date decision.
#include "startup/install_record.h"
#include "wizard/wizard_sheet.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>

namespace {

TEST(ThirtyTwoBitBuildOnly, WizardRecordsAndStartupInfoHaveTheWindows95Sizes)
{
#ifdef _WIN64
    printf("32-bit only, not checked in the x86_64 build: the 40-byte wizard records and the 68-byte STARTUPINFO\n");
#else
    InitWizardSheet();
    EXPECT_EQ(40u, WizardPageRecord.dwSize);
    EXPECT_EQ(40u, WizardSheetHeader.dwSize);
    EXPECT_EQ(68u, sizeof(STARTUPINFOA)) << "the record every launch hands to CreateProcessA";
#endif
}

class InstallRecordTest : public testing::Test {
protected:
    void SetUp() override
    {
        DeleteInstallRecord();
        strcpy(InstallDir, "c:\\sw4");
        MenuSuppressed = 0;
    }
    void TearDown() override { DeleteInstallRecord(); }
};

std::string KeyClass()
{
    HKEY key;
    char name[64] = "";
    DWORD length = sizeof name;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, RecordKeyPath, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        RegQueryInfoKeyA(key, name, &length, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr);
        RegCloseKey(key);
    }
    return name;
}

// The longest folders the record carries, with a blank (the program's path
// then quoted) and without, and one character more of each.
TEST_F(InstallRecordTest, BothWritersStoreTheThreeValuesAndRefuseAFolderTooLongToCarry)
{
    const std::string plain = "c:\\StarWake\\" + std::string(MAX_RECORDED_INSTALL_DIR - 12, 'a');
    const std::string blank = "c:\\Star Wake\\" + std::string(MAX_RECORDED_INSTALL_DIR_WITH_BLANK - 13, 'a');
    ASSERT_EQ(236u, plain.size());
    ASSERT_EQ(234u, blank.size());
    const struct { std::string folder, command, icon; } rows[] = {
        { plain, plain + "\\SW4.EXE -uninstall", plain + "\\SW4w.exe,0" },
        { blank, "\"" + blank + "\\SW4.EXE\" -uninstall", "\"" + blank + "\\SW4w.exe\",0" },
        { "U:\\", "U:\\\\SW4.EXE -uninstall", "U:\\\\SW4w.exe,0" },   // a drive root: the uninstaller reads it back
        { plain + "b", "", "" },
        { blank + "b", "", "" },
    };
    // The look before the copy leaves the registry as it found it.
    EXPECT_EQ(1, IsInstallRecordWritable());
    EXPECT_FALSE(RecordExists()) << "the look made a record";
    for (int (*write)() : { WriteInstallRecord, WriteInstallRecordChain }) {
        for (const auto &row : rows) {
            SCOPED_TRACE(std::string(write == WriteInstallRecord ? "WriteInstallRecord " : "WriteInstallRecordChain ")
                         + row.folder);
            MenuSuppressed = 1;   // an installation always records "show the menu"
            strcpy(InstallDir, row.folder.c_str());
            EXPECT_EQ(row.command.empty() ? 0 : 1, IsRecordableInstallDir(InstallDir));
            ASSERT_EQ(row.command.empty() ? 0 : 1, write());
            if (row.command.empty()) {
                EXPECT_FALSE(RecordExists()) << "a folder the record cannot carry must leave no record";
                continue;
            }
            DWORD type = 0;
            EXPECT_EQ(std::string("Starwake 4", 11), ReadRecordValue("DisplayName", &type));
            EXPECT_EQ((DWORD)REG_SZ, type);
            EXPECT_EQ(row.command + '\0', ReadRecordValue("UninstallString", &type));
            EXPECT_EQ((DWORD)REG_SZ, type);
            EXPECT_EQ(std::string(1, '\0'), ReadRecordValue("autorun", &type));
            EXPECT_EQ((DWORD)REG_BINARY, type);
            EXPECT_EQ("Vuzoduv", KeyClass());
            ExpectListing(row.folder, row.icon, 0);
            EXPECT_EQ(1, IsInstallRecordWritable());
            EXPECT_EQ(row.command + '\0', ReadRecordValue("UninstallString")) << "the look changed the record";
            DeleteInstallRecord();
        }
    }
}

// The size the list shows is the installed files' total rounded up to KB,
// not each file's: 1 + 1025 + 2047 bytes are 4 KB.
TEST_F(InstallRecordTest, EstimatedSizeIsTheInstalledFilesTotalInKilobytes)
{
    const std::string folder = ScratchFolder("sized");
    WriteFileOfSize(folder + "\\sw4.exe", 1);
    WriteFileOfSize(folder + "\\music1.pak", 1025);
    WriteFileOfSize(folder + "\\SW4w.exe", 2047);
    WriteFileOfSize(folder + "\\notours.txt", 5000);
    strcpy(InstallDir, folder.c_str());
    ASSERT_EQ(1, WriteInstallRecord());
    ExpectListing(folder, folder + "\\SW4w.exe,0", 4);
    RemoveTree(folder);
}

TEST_F(InstallRecordTest, ReadTakesOnlyAPlainStringThatFitsItsBuffer)
{
    const struct { const char *what; DWORD type; std::string bytes; int result; std::string text; } rows[] = {
        { "expandable", REG_EXPAND_SZ, std::string("c:\\sw4\\SW4.EXE -uninstall", 26), 0, "" },
        { "257 bytes", REG_SZ, std::string(256, 'x') + '\0', 0, "" },
        { "256 bytes, no room for the end", REG_SZ, std::string(256, 'y'), 0, "" },
        { "255 characters", REG_SZ, std::string(255, 'z') + '\0', 1, std::string(255, 'z') },
        { "stored without its end", REG_SZ, "c:\\a b.c", 1, "c:\\a b.c" },
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        WriteRecordValue("UninstallString", row.type, row.bytes.data(), (DWORD)row.bytes.size());
        char buffer[RECORD_TEXT_SIZE + 8];
        memset(buffer, 'G', sizeof buffer);
        MenuSuppressed = 7;
        ASSERT_EQ(row.result, ReadInstallRecord(buffer));
        EXPECT_EQ('G', buffer[RECORD_TEXT_SIZE]) << "written past the buffer";
        if (row.result) {
            EXPECT_EQ(row.text, buffer);
        } else {
            EXPECT_EQ(7, MenuSuppressed) << "a refused record leaves the setting alone";
        }
    }
}

TEST_F(InstallRecordTest, MenuSettingIsAnyValueOfUpToFourBytes)
{
    RecordInstallation("c:\\sw4");
    const DWORD one = 1;
    const BYTE two = 2, five[5] = { 1, 1, 1, 1, 1 };
    const struct { const char *what; DWORD type; const void *bytes; DWORD size; int expected; } rows[] = {
        { "REG_DWORD 1", REG_DWORD, &one, 4, 1 },
        { "one byte 2", REG_BINARY, &two, 1, 2 },
        { "five bytes count as missing", REG_BINARY, five, 5, 0 },
        { "missing", REG_NONE, nullptr, 0, 0 },
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        if (row.bytes) {
            WriteRecordValue("autorun", row.type, row.bytes, row.size);
        } else {
            HKEY key;
            RegOpenKeyExA(HKEY_LOCAL_MACHINE, RecordKeyPath, 0, KEY_ALL_ACCESS, &key);
            RegDeleteValueA(key, "autorun");
            RegCloseKey(key);
        }
        MenuSuppressed = 9;
        char buffer[RECORD_TEXT_SIZE];
        ASSERT_EQ(1, ReadInstallRecord(buffer));
        EXPECT_EQ(row.expected, MenuSuppressed);
    }
}

// Quoted as setup records a folder with a blank, or not, as earlier versions did.
TEST_F(InstallRecordTest, GamePathsFollowTheQuotesOrTheLastBlankDotAndBackslashOrAreRefused)
{
    const struct { std::string record; int result; const char *command, *folder; } rows[] = {
        { "c:\\sw4\\SW4.EXE -uninstall", 1, "c:\\sw4\\SW4w.exe", "c:\\sw4" },
        { "D:\\Star Wake\\SW4.EXE -uninstall", 1, "D:\\Star Wake\\SW4w.exe", "D:\\Star Wake" },
        { "\"C:\\Program Files\\SW4\\SW4.EXE\" -uninstall", 1, "C:\\Program Files\\SW4\\SW4w.exe",
          "C:\\Program Files\\SW4" },
        { "\"C:\\Program Files\\SW4\\SW4.EXE -uninstall", 0, nullptr, nullptr },   // never closed
        { "c:\\my.games\\SW4 -uninstall", 1, "c:\\myw.exe", "c:" },   // the last dot, even in a folder
        { "c:\\sw4\\SW4.EXE", 0, nullptr, nullptr },
        { "c:\\sw4\\SW4 -uninstall", 0, nullptr, nullptr },
        { "SW4.EXE -uninstall", 0, nullptr, nullptr },
        { "c:\\" + std::string(249, 'a') + ". x", 0, nullptr, nullptr },   // "w.exe" would not fit
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.record);
        char command[RECORD_TEXT_SIZE + 8], folder[RECORD_TEXT_SIZE + 8];
        memset(command, 'G', sizeof command);
        memset(folder, 'G', sizeof folder);
        strcpy(command, row.record.c_str());
        strcpy(InstallDir, "unchanged");
        ASSERT_EQ(row.result, DeriveGamePaths(command, RECORD_TEXT_SIZE, folder, RECORD_TEXT_SIZE));
        EXPECT_EQ('G', command[RECORD_TEXT_SIZE]) << "written past the command";
        EXPECT_EQ('G', folder[RECORD_TEXT_SIZE]) << "written past the folder";
        if (row.result) {
            EXPECT_STREQ(row.command, command);
            EXPECT_STREQ(row.folder, folder);
        }
        EXPECT_STREQ(row.result ? row.folder : "unchanged", InstallDir);
    }
}

// Started in the CD folder, as setup is. FAT keeps times to 2 s and in local
// time, so a game up to 2 s older than the CD's, or an hour off give or take
// those 2 s after a change of daylight saving time, is current too.
TEST_F(InstallRecordTest, InstallationIsCurrentWhenItsGameIsAtLeastAsNewAsTheCdsAsFatKeepsTimes)
{
    char start[MAX_PATH];
    GetCurrentDirectoryA(sizeof start, start);
    std::string cd = ScratchFolder("cd"), installed = ScratchFolder("installed");
    std::string cdGame = cd + "\\sw4w.ex_", game = installed + "\\SW4w.exe";
    WriteFileOfSize(cdGame, 100);
    SetLastWriteTime(cdGame, CdTime);
    SetCurrentDirectoryA(cd.c_str());

    EXPECT_EQ(0, IsInstallCurrent()) << "no record";
    RecordInstallation(installed);
    EXPECT_EQ(0, IsInstallCurrent()) << "the game missing while the CD has it";
    EXPECT_EQ(installed, InstallDir) << "the recorded folder becomes the wizard's default";
    WriteFileOfSize(game, 50);
    const LONGLONG hour = 3600 * Second;
    const struct {
        LONGLONG gameMinusCd;   // in FILETIME units
        int current;
    } rows[] = {
        { 0, 1 }, { -1, 1 }, { -1 * Second, 1 }, { -2 * Second, 1 }, { -2 * Second - 1, 0 },
        { -3 * Second, 0 },
        { -hour + 3 * Second, 0 }, { -hour + 2 * Second, 1 }, { -hour + Second, 1 }, { -hour, 1 },
        { -hour - Second, 1 }, { -hour - 2 * Second, 1 }, { -hour - 2 * Second - 1, 0 }, { -hour - 3 * Second, 0 },
        { hour - 3 * Second, 1 }, { hour, 1 }, { hour + 3 * Second, 1 },   // newer is never stale
        { -2 * hour, 0 }, { 2 * hour, 1 },
    };
    for (const auto &row : rows) {
        SCOPED_TRACE("the game " + std::to_string(row.gameMinusCd) + " units after the CD's");
        SetLastWriteTime(game, FileTimePlus(CdTime, row.gameMinusCd));
        EXPECT_EQ(row.current, IsInstallCurrent());
        EXPECT_EQ(!row.current, NeedsCopy(nullptr, "sw4w.ex_", game.c_str()));
    }
    // Across a change of the high half, where the low halves alone say otherwise.
    SetLastWriteTime(cdGame, { 0x00000010, 0x01BC0000 });
    SetLastWriteTime(game, { 0x80000000, 0x01BBFFFF });
    EXPECT_EQ(0, IsInstallCurrent()) << "the CD's copy newer by its high half";
    std::string noBlank = installed + "\\SW4.EXE";
    WriteRecordValue("UninstallString", REG_SZ, noBlank.c_str(), (DWORD)noBlank.size() + 1);
    SetLastWriteTime(game, CdTime);
    EXPECT_EQ(0, IsInstallCurrent()) << "no blank in the record";

    SetCurrentDirectoryA(start);
    RemoveTree(cd);
    RemoveTree(installed);
}

}  // namespace
