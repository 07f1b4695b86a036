// In this process: the installation record against the real registry, the
// paths derived from it and the up-to-date decision.
#include "startup/install_record.h"
#include "wizard/wizard_sheet.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <string.h>

namespace {

// Windows 95's common controls take only the 40-byte wizard records.
TEST(ThirtyTwoBitBuildOnly, WizardRecordsHaveTheWindows95Sizes)
{
#ifndef _WIN64
    InitWizardSheet();
    EXPECT_EQ(40u, WizardPageRecord.dwSize);
    EXPECT_EQ(40u, WizardSheetHeader.dwSize);
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

// The longest folders the record carries, with a blank (the program's path
// then quoted) and without, and one character more of each. The size listed
// is the installed files' total rounded up to KB: 1 + 1025 + 2047 bytes are 4.
TEST_F(InstallRecordTest, BothWritersStoreTheValuesAndRefuseAFolderTooLongToCarry)
{
    const std::string plain = "c:\\StarWake\\" + std::string(MAX_RECORDED_INSTALL_DIR - 12, 'a');
    const std::string blank = "c:\\Star Wake\\" + std::string(MAX_RECORDED_INSTALL_DIR_WITH_BLANK - 13, 'a');
    const std::string sized = ScratchFolder("sized");
    ASSERT_EQ(236u, plain.size());
    ASSERT_EQ(234u, blank.size());
    ASSERT_EQ(std::string::npos, sized.find(' '));
    const struct { const char *name; size_t size; } files[] = {
        { "sw4.exe", 1 }, { "music1.pak", 1025 }, { "SW4w.exe", 2047 }, { "notours.txt", 5000 } };
    for (const auto &file : files)
        WriteFileOfSize(sized + "\\" + file.name, file.size);
    const struct { std::string folder, command, icon; DWORD kilobytes; } rows[] = {
        { plain, plain + "\\SW4.EXE -uninstall", plain + "\\SW4w.exe,0", 0 },
        { blank, "\"" + blank + "\\SW4.EXE\" -uninstall", "\"" + blank + "\\SW4w.exe\",0", 0 },
        { "U:\\", "U:\\\\SW4.EXE -uninstall", "U:\\\\SW4w.exe,0", 0 },   // a drive root: the uninstaller reads it back
        { sized, sized + "\\SW4.EXE -uninstall", sized + "\\SW4w.exe,0", 4 },
        { plain + "b", "", "", 0 },
        { blank + "b", "", "", 0 },
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
            ExpectListing(row.folder, row.icon, row.kilobytes);
            EXPECT_EQ(1, IsInstallRecordWritable());
            EXPECT_EQ(row.command + '\0', ReadRecordValue("UninstallString")) << "the look changed the record";
            DeleteInstallRecord();
        }
    }
    RemoveTree(sized);
}

// The path only from a plain string that fits, the menu setting from any
// value of up to four bytes; a refused record leaves the setting alone.
TEST_F(InstallRecordTest, ReadTakesAPlainStringThatFitsAndAMenuSettingOfUpToFourBytes)
{
    const std::string plain = std::string("c:\\sw4\\SW4.EXE -uninstall") + '\0';
    const struct {
        const char *what;
        DWORD type;
        std::string bytes;   // the UninstallString as stored
        DWORD menuType;      // of the autorun value, REG_NONE for none
        std::string menuBytes;
        int result, menu;    // what the read gives, and the setting after it
    } rows[] = {
        { "expandable", REG_EXPAND_SZ, plain, REG_NONE, "", 0, 7 },
        { "257 bytes", REG_SZ, std::string(256, 'x') + '\0', REG_NONE, "", 0, 7 },
        { "256 bytes, no room for the end", REG_SZ, std::string(256, 'y'), REG_NONE, "", 0, 7 },
        { "255 characters, no menu setting", REG_SZ, std::string(255, 'z') + '\0', REG_NONE, "", 1, 0 },
        { "stored without its end", REG_SZ, "c:\\a b.c", REG_NONE, "", 1, 0 },
        { "menu REG_DWORD 1", REG_SZ, plain, REG_DWORD, std::string("\1\0\0\0", 4), 1, 1 },
        { "menu one byte 2", REG_SZ, plain, REG_BINARY, "\2", 1, 2 },
        { "menu of five bytes counts as missing", REG_SZ, plain, REG_BINARY, "\1\1\1\1\1", 1, 0 },
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        DeleteInstallRecord();
        WriteRecordValue("UninstallString", row.type, row.bytes.data(), (DWORD)row.bytes.size());
        if (row.menuType != REG_NONE)
            WriteRecordValue("autorun", row.menuType, row.menuBytes.data(), (DWORD)row.menuBytes.size());
        char buffer[RECORD_TEXT_SIZE + 8];
        memset(buffer, 'G', sizeof buffer);
        MenuSuppressed = 7;
        ASSERT_EQ(row.result, ReadInstallRecord(buffer));
        EXPECT_EQ('G', buffer[RECORD_TEXT_SIZE]) << "written past the buffer";
        if (row.result)
            EXPECT_STREQ(row.bytes.c_str(), buffer);
        EXPECT_EQ(row.menu, MenuSuppressed);
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

// Started in the CD folder, as setup is. FAT keeps times to 2 s, in local
// time: 2 s older, or an hour give or take 2 s (daylight saving), is current.
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
    const struct { LONGLONG gameMinusCd; int current; } rows[] = {   // in FILETIME units
        { 0, 1 }, { -2 * Second, 1 }, { -2 * Second - 1, 0 }, { -hour + 3 * Second, 0 }, { -hour + 2 * Second, 1 },
        { -hour, 1 }, { -hour - 2 * Second, 1 }, { -hour - 2 * Second - 1, 0 }, { -2 * hour, 0 },
        { hour + 3 * Second, 1 }, { 2 * hour, 1 },   // newer is never stale
    };
    for (const auto &row : rows) {
        SCOPED_TRACE("the game " + std::to_string(row.gameMinusCd) + " units after the CD's");
        SetLastWriteTime(game, FileTimePlus(CdTime, row.gameMinusCd));
        EXPECT_EQ(row.current, IsInstallCurrent());
    }
    // Across a change of the high half, where the low halves alone say otherwise.
    SetLastWriteTime(cdGame, { 0x00000010, 0x01BC0000 });
    SetLastWriteTime(game, { 0x80000000, 0x01BBFFFF });
    EXPECT_EQ(0, IsInstallCurrent()) << "the CD's copy newer by its high half";

    SetCurrentDirectoryA(start);
    RemoveTree(cd);
    RemoveTree(installed);
}

}  // namespace
