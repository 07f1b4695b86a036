// The whole installation, from the real setup.exe under Wine, driven through
// the wizard as a user would: the copy, the record, the shortcut, DirectX,
// and every way an installation can end.
#include "resources/resource.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <memory>
#include <string.h>

namespace {

const int NextButton = 0x3024;
const int FinishButton = 0x3025;

const char WelcomeText[] = "Setup will help you install Starwake IV";
const char FolderText[] = "Please choose a directory";
const char ConfirmText[] = "Setup is about to install the game";
const char CompleteText[] = "Installation complete.";
const char Troubleshooting[] = "\nPlease consult the \"Troubleshooting\" section of the readme.txt file.";

struct CdFile {
    std::string source;   // name on the CD
    std::string dest;     // name in the install folder
};

std::vector<CdFile> AllCdFiles()
{
    std::vector<CdFile> files;
    for (const char *name : CdGameFiles)
        files.push_back({ name, name });
    files.push_back({ "KorLib.DL_", "KorLib.dll" });
    files.push_back({ "SW4w.ex_", "SW4w.exe" });
    return files;
}

std::string DirectXRecord(const char *name)
{
    HKEY key;
    BYTE data[512] = {};
    DWORD size = sizeof data - 1;
    DWORD type = 0;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\DirectX Setup Stand-in", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "<not called>";
    RegQueryValueExA(key, name, nullptr, &type, data, &size);
    RegCloseKey(key);
    if (type == REG_DWORD) {
        DWORD number;
        memcpy(&number, data, sizeof number);
        return std::to_string(number);
    }
    return (const char *)data;
}

class InstallationTest : public testing::Test {
protected:
    void SetUp() override
    {
        DeleteInstallRecord();
        RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\DirectX Setup Stand-in");
        char windows[MAX_PATH];
        GetWindowsDirectoryA(windows, sizeof windows);
        desktop_ = std::string(windows) + "\\Desktop";
        link_ = desktop_ + "\\Starwake IV.lnk";
        desktopExisted_ = FolderExists(desktop_);
        CreateDirectoryA(desktop_.c_str(), nullptr);
        base_ = ScratchFolder("target");
        cd_ = ScratchFolder("cd");
        MakeSmallCd(cd_, cdTime_);
    }
    void TearDown() override
    {
        setup_.reset();
        CloseGame();
        DeleteInstallRecord();
        DeleteFileA(link_.c_str());
        if (!desktopExisted_)
            RemoveDirectoryA(desktop_.c_str());
        RemoveTree(base_);
        RemoveTree(cd_);
    }

    // Starts setup from the CD and goes through welcome and folder choice to
    // the confirmation; the folder as the wizard accepted it.
    std::string StartAndChoose(const std::string &folder, const std::string &environment = "")
    {
        setup_ = std::make_unique<ProgramRun>();
        EXPECT_TRUE(setup_->Start(SetupExePath(), "", cd_, environment));
        sheet_ = WaitForWindow(setup_->Id(), "Starwake IV Setup", 20000);
        if (!sheet_ || !WaitForPageText(WelcomeText))
            return "<no wizard>";
        PressCommand(sheet_, NextButton);
        if (!WaitForPageText(FolderText))
            return "<no folder step>";
        SendMessageA(FindControl(sheet_, IDC_INSTALL_DIR_EDIT), WM_SETTEXT, 0, (LPARAM)folder.c_str());
        PressCommand(sheet_, NextButton);
        if (!WaitForPageText(ConfirmText))
            return "<refused>";
        return ControlText(sheet_, IDC_INSTALL_DIR_EDIT);
    }
    bool WaitForPageText(const std::string &start, DWORD timeoutMs = 20000)
    {
        return WaitUntil([&] { return ControlText(sheet_, IDC_PAGE_TEXT).rfind(start, 0) == 0; }, timeoutMs);
    }
    // Next on the confirmation: the installation runs up to its completion step.
    bool Install()
    {
        PressCommand(sheet_, NextButton);
        return WaitForPageText(CompleteText, 60000);
    }
    bool RunGameNowShownChecked()
    {
        return ControlVisible(sheet_, IDC_OPTION_CHECK)
            && SendMessageA(FindControl(sheet_, IDC_OPTION_CHECK), BM_GETCHECK, 0, 0) == BST_CHECKED;
    }

    void ExpectInstalled(const std::string &folder, const std::string &cd)
    {
        for (const CdFile &file : AllCdFiles()) {
            std::string dest = folder + "\\" + file.dest;
            SCOPED_TRACE(dest);
            ASSERT_TRUE(FileExists(dest));
            EXPECT_TRUE(ReadWholeFile(cd + "\\" + file.source) == ReadWholeFile(dest)) << "content differs";
            FILETIME copied = LastWriteTime(dest);
            FILETIME source = LastWriteTime(cd + "\\" + file.source);
            EXPECT_EQ(0, CompareFileTime(&source, &copied)) << "not the source's time";
        }
        DWORD type = 0;
        EXPECT_EQ(std::string("Starwake 4", 11), ReadRecordString("DisplayName", &type));
        EXPECT_EQ(folder + "\\SW4.EXE -uninstall", ReadRecordString("UninstallString", &type).c_str());
        EXPECT_EQ((DWORD)REG_SZ, type);
        EXPECT_EQ(std::vector<BYTE>{ 0 }, ReadRecordBytes("autorun", &type));
        EXPECT_EQ((DWORD)REG_BINARY, type);
        EXPECT_TRUE(FileExists(link_));
    }
    void ExpectNothingLeft(const std::string &folder)
    {
        for (const CdFile &file : AllCdFiles())
            EXPECT_FALSE(FileExists(folder + "\\" + file.dest)) << file.dest;
        EXPECT_FALSE(RecordExists());
        EXPECT_FALSE(FileExists(link_));
        EXPECT_EQ("<not called>", DirectXRecord("Calls"));
    }

    std::string cd_, base_, desktop_, link_;
    bool desktopExisted_ = false;
    FILETIME cdTime_ = MakeFileTime(1997, 10, 15);
    std::unique_ptr<ProgramRun> setup_;
    HWND sheet_ = nullptr;
};

// The road most users take: the sample CD, the default folder, Run Game Now.
TEST_F(InstallationTest, SampleCdIntoTheDefaultFolderThenTheGameStarts)
{
    RemoveTree(cd_);
    cd_ = ScratchFolder("cd");   // an empty folder; the sample CD itself is only read
    std::string sampleCd = SampleCdPath();
    RemoveTree("C:\\sw4");
    setup_ = std::make_unique<ProgramRun>();
    ASSERT_TRUE(setup_->Start(SetupExePath(), "", sampleCd));
    sheet_ = WaitForWindow(setup_->Id(), "Starwake IV Setup", 20000);
    ASSERT_NE(nullptr, sheet_);
    ASSERT_TRUE(WaitForPageText(WelcomeText));
    PressCommand(sheet_, NextButton);
    ASSERT_TRUE(WaitForPageText(FolderText));
    EXPECT_EQ("c:\\sw4", ControlText(sheet_, IDC_INSTALL_DIR_EDIT));
    PressCommand(sheet_, NextButton);
    ASSERT_TRUE(WaitForPageText(ConfirmText));
    std::string folder = ControlText(sheet_, IDC_INSTALL_DIR_EDIT);
    EXPECT_STRCASEEQ("C:\\sw4", folder.c_str());

    PressCommand(sheet_, NextButton);
    HWND copyBox = WaitForWindow(setup_->Id(), "Copy Progress", 20000);
    ASSERT_NE(nullptr, copyBox);
    EXPECT_EQ("Installing game files...", ControlText(sheet_, IDC_PAGE_TEXT));
    EXPECT_FALSE(ControlEnabled(sheet_, FinishButton)) << "a disabled Finish while it installs";
    ASSERT_TRUE(WaitForPageText(CompleteText, 60000));
    EXPECT_TRUE(RunGameNowShownChecked());

    ExpectInstalled(folder, sampleCd);
    EXPECT_EQ("1", DirectXRecord("Calls"));
    EXPECT_EQ(sampleCd, DirectXRecord("RootPath"));
    EXPECT_EQ("27", DirectXRecord("Flags")) << "ddraw, dsound and both drivers: 0x1B";
    EXPECT_EQ("Starwake IV Setup", DirectXRecord("WindowCaption")) << "owned by the sheet";

    PressCommand(sheet_, FinishButton);
    EXPECT_EQ(0, setup_->WaitForExit());
    GameSighting game = WaitForGame();
    ASSERT_NE(nullptr, game.window);
    EXPECT_EQ(folder + "\\SW4w.exe", game.commandLine);
    EXPECT_EQ(folder, game.folder);
    CloseGame();
    RemoveTree(folder);
}

TEST_F(InstallationTest, LongestAcceptedFolderInstallsWholeAndTheNextStartsFindIt)
{
    std::string folder = base_ + "\\";
    folder += std::string(236 - folder.size(), 'L');
    ASSERT_EQ(236u, folder.size());
    ASSERT_EQ(folder, StartAndChoose(folder));
    ASSERT_TRUE(Install());
    ExpectInstalled(folder, cd_);
    PressCommand(sheet_, FinishButton);
    EXPECT_EQ(0, setup_->WaitForExit());
    ASSERT_NE(nullptr, WaitForGame().window);
    CloseGame();

    // The next start finds the installation current and shows the launcher.
    ProgramRun again;
    ASSERT_TRUE(again.Start(SetupExePath(), "", cd_));
    HWND launcher = WaitForWindow(again.Id(), "Starwake IV Launch", 20000);
    ASSERT_NE(nullptr, launcher);
    PressCommand(launcher, IDCANCEL);
    EXPECT_EQ(0, again.WaitForExit());

    // With the menu switched off, autorun starts the game directly.
    BYTE suppressed = 1;
    WriteRecordBytes("autorun", REG_BINARY, &suppressed, 1);
    ProgramRun autorun;
    ASSERT_TRUE(autorun.Start(SetupExePath(), "autorun", cd_));
    EXPECT_EQ(0, autorun.WaitForExit());
    GameSighting game = WaitForGame();
    ASSERT_NE(nullptr, game.window);
    EXPECT_EQ(folder + "\\SW4w.exe", game.commandLine);
}

TEST_F(InstallationTest, ConfirmedCancelRemovesTheCopiedFilesAndTheNewFolders)
{
    std::string folder = base_ + "\\new\\sw4";
    MakeSmallCd(cd_, cdTime_, 8 * 1024 * 1024);   // long enough to cancel midway
    ASSERT_EQ(folder, StartAndChoose(folder));
    PressCommand(sheet_, NextButton);
    HWND copyBox = WaitForWindow(setup_->Id(), "Copy Progress", 20000);
    ASSERT_NE(nullptr, copyBox);
    ASSERT_TRUE(WaitUntil([&] { return FileExists(folder + "\\music1.pak"); }));
    PressCommand(copyBox, IDCANCEL);
    HWND question = WaitForMessageBox(setup_->Id(), "Abort installation?");
    ASSERT_NE(nullptr, question);
    PressCommand(question, IDYES);

    EXPECT_EQ(1, setup_->WaitForExit());
    ExpectNothingLeft(folder);
    EXPECT_FALSE(FolderExists(base_ + "\\new")) << "the folders the wizard made are gone";
    EXPECT_TRUE(FolderExists(base_));
}

TEST_F(InstallationTest, FailedCopyKeepsFilesThatWereThereAndNotTouched)
{
    std::string folder = base_ + "\\sw4";
    CreateDirectoryA(folder.c_str(), nullptr);
    // Up to date already, so never copied over: it must survive the undo.
    std::string kept = folder + "\\sw4.cds";
    WriteFileOfSize(kept, 777, 99);
    SetLastWriteTime(kept, cdTime_);
    // A folder where a game file goes: the copy cannot write it.
    std::string blocked = folder + "\\sw4lang.iff";
    CreateDirectoryA(blocked.c_str(), nullptr);

    ASSERT_EQ(folder, StartAndChoose(folder));
    PressCommand(sheet_, NextButton);
    HWND failure = WaitForMessageBox(setup_->Id(), "Copy Failed on file: ");
    ASSERT_NE(nullptr, failure);
    EXPECT_EQ("Copy Failed on file: " + blocked + "\nInstallation aborted.", MessageBoxText(failure));
    PressCommand(failure, IDOK);

    EXPECT_EQ(1, setup_->WaitForExit());
    EXPECT_EQ(777u, ReadWholeFile(kept).size()) << "an untouched file of the game's was deleted";
    EXPECT_TRUE(FolderExists(blocked));
    EXPECT_FALSE(FileExists(folder + "\\sw4.exe")) << "a file this run copied stayed";
    EXPECT_FALSE(FileExists(folder + "\\mkboot.exe"));
    EXPECT_FALSE(RecordExists());
    EXPECT_FALSE(FileExists(link_));
}

// DirectX results that end the installation: the message, exit code 1, and
// everything installed so far stays.
TEST_F(InstallationTest, DirectXFailuresAreReportedAndKeepTheInstallation)
{
    const struct { const char *forced; const char *text; } failures[] = {
        { "-1", "Incorrect Windows version detected. Installation halted." },
        { "-2", "DirectX files could not be found. Installation halted." },
        { "-3", "DirectX error:  Bad source size." },
        { "-4", "DirectX error: Bad source time." },
        { "-5", "DirectX error: Copy error." },
        { "-6", "DirectX error: Out of disk space." },
        { "-7", "DirectX error: Can't find INF file." },
        { "-8", "DirectX error: Can't find DirectX directory." },
        { "-9", "General DirectX installation failure. Install halted." },
        { "2", "General DirectX installation failure. Install halted." },
        { "", "DirectX error: Can't find INF file." },   // the library's own finding
    };
    DeleteFileA((cd_ + "\\DIRECTX\\DSETUP.INF").c_str());
    int run = 0;
    for (const auto &failure : failures) {
        SCOPED_TRACE(std::string("DirectX result ") + failure.forced);
        std::string folder = base_ + "\\dx" + std::to_string(run++);
        std::string environment = *failure.forced ? std::string("DXSETUP_STANDIN_RESULT=") + failure.forced : "";
        ASSERT_EQ(folder, StartAndChoose(folder, environment));
        PressCommand(sheet_, NextButton);
        HWND box = WaitForMessageBox(setup_->Id(), Troubleshooting, 30000);
        ASSERT_NE(nullptr, box);
        EXPECT_EQ(std::string(failure.text) + Troubleshooting, MessageBoxText(box));
        PressCommand(box, IDOK);
        EXPECT_EQ(1, setup_->WaitForExit());
        ExpectInstalled(folder, cd_);
        EXPECT_FALSE(GameWindowShown());
        // Recorded and current now: without this the next start is the launcher's.
        DeleteInstallRecord();
        DeleteFileA(link_.c_str());
    }
}

TEST_F(InstallationTest, DirectXAskingForARestartLeavesOutRunGameNowAndAsksForTheReboot)
{
    std::string folder = base_ + "\\sw4";
    ASSERT_EQ(folder, StartAndChoose(folder, "DXSETUP_STANDIN_RESULT=1"));
    ASSERT_TRUE(Install());
    EXPECT_FALSE(ControlVisible(sheet_, IDC_OPTION_CHECK));
    EXPECT_TRUE(ControlVisible(sheet_, IDC_VIEW_README));
    PressCommand(sheet_, FinishButton);

    HWND reboot = WaitForMessageBox(setup_->Id(), "require a reboot");
    ASSERT_NE(nullptr, reboot);
    EXPECT_EQ("Starwake IV Setup", WindowText(reboot));
    PressCommand(reboot, IDNO);
    EXPECT_EQ(0, setup_->WaitForExit());
    EXPECT_FALSE(WaitUntil(GameWindowShown, 3000));
    ExpectInstalled(folder, cd_);
}

TEST_F(InstallationTest, WithoutADesktopFolderTheInstallationCompletesWithoutShortcut)
{
    RemoveDirectoryA(desktop_.c_str());
    ASSERT_FALSE(FolderExists(desktop_));
    std::string folder = base_ + "\\sw4";
    ASSERT_EQ(folder, StartAndChoose(folder));
    ASSERT_TRUE(Install());
    EXPECT_EQ(1u, VisibleTopWindows(setup_->Id()).size()) << "only the sheet: no message";
    EXPECT_FALSE(FileExists(link_));
    EXPECT_TRUE(RecordExists());
    EXPECT_TRUE(RunGameNowShownChecked());
    PressCommand(sheet_, FinishButton);
    EXPECT_EQ(0, setup_->WaitForExit());
    EXPECT_NE(nullptr, WaitForGame().window);
}

}  // namespace
