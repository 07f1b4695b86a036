// Whole installations from the real setup.exe, driven as a user would, and every way one can end.
#include "copy/copy_job.h"
#include "copy/file_placement.h"
#include "wizard/desktop_shortcut.h"
#include "startup/startup.h"
#include "startup/install_record.h"
#include "startup/text_buffer.h"
#include "resources/resource.h"
#include "pixels.h"
#include "wizard_driver.h"

#include <gtest/gtest.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <filesystem>
#include <memory>

namespace {

const char MissingFile[] = "Setup could not find the following file on the installation CD : ";
const char Aborted[] = "\nInstallation aborted.";
const char Planted[] = "C:\\program.exe";   // where an unquoted c:\program files\... starts
const char Troubleshooting[] = "\nPlease consult the \"Troubleshooting\" section of the readme.txt file.";
const LONGLONG Day = 864000000000;   // in FILETIME units

// The shortcut as the shell reads it back: "target | working folder | description", or "".
std::string ReadLink(const std::string &path)
{
    std::string link;
    IShellLinkA *shellLink = nullptr;
    IPersistFile *file = nullptr;
    WCHAR wide[MAX_PATH];
    char target[MAX_PATH] = "", folder[MAX_PATH] = "", description[MAX_PATH] = "";
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
    CoInitialize(nullptr);
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, (void **)&shellLink)))
        return link;
    if (SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, (void **)&file))) {
        if (SUCCEEDED(file->Load(wide, STGM_READ))
            && SUCCEEDED(shellLink->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH))
            && SUCCEEDED(shellLink->GetWorkingDirectory(folder, MAX_PATH))
            && SUCCEEDED(shellLink->GetDescription(description, MAX_PATH)))
            link = std::string(target) + " | " + folder + " | " + description;
        file->Release();
    }
    shellLink->Release();
    return link;
}

// What the DirectX stand-in recorded of its last call.
std::string DirectXCall(const char *name)
{
    HKEY key;
    DWORD data[128] = {}, size = sizeof data - 1, type = 0;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\DirectX Setup Stand-in", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "<not called>";
    RegQueryValueExA(key, name, nullptr, &type, (BYTE *)data, &size);
    RegCloseKey(key);
    return type == REG_DWORD ? std::to_string(data[0]) : (const char *)data;
}

// The copy box's status line, "" while it does not show.
std::string CopyStatus(Wizard &wizard)
{
    HWND box = wizard.CopyBox();
    return box ? WindowText(FindControl(box, IDC_PROGRESS_TEXT)) : "";
}

// Where setup writes file (COPY_FILE_...) of folder, or keeps its earlier version.
std::string Staged(const std::string &folder, int file, int kind = STAGED_COPY)
{
    char path[MAX_PATH] = "";
    TextCopy(InstallDir, sizeof InstallDir, folder.c_str());
    StagedPath(file, kind, path, sizeof path);
    TextCopy(InstallDir, sizeof InstallDir, "c:\\sw4");
    return path;
}

bool HasTime(const std::string &path, FILETIME time)
{
    FILETIME found = LastWriteTime(path);
    return CompareFileTime(&found, &time) == 0;
}

// An earlier installation in folder, recorded, every file a day older than the CD's.
void InstallEarlier(const std::string &folder)
{
    std::filesystem::create_directories(folder);
    FillInstallFolder(folder);
    for (const GameFile &file : GameFiles)
        SetLastWriteTime(folder + "\\" + file.installed, FileTimePlus(CdTime, -Day));
    RecordInstallation(folder);
}

// While this lives the Uninstall key is volatile: the registry refuses the record as it refuses a user
// without administrator rights, which Wine does not. Only a key without subkeys is replaced.
struct RefusedRecord {
    RefusedRecord() : replaced(Replace(REG_OPTION_VOLATILE)) {}
    ~RefusedRecord() { Replace(REG_OPTION_NON_VOLATILE); }
    static bool Replace(DWORD option)
    {
        const char uninstall[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
        HKEY key;
        if (RegDeleteKeyA(HKEY_LOCAL_MACHINE, uninstall) != ERROR_SUCCESS
            || RegCreateKeyExA(HKEY_LOCAL_MACHINE, uninstall, 0, nullptr, option, KEY_ALL_ACCESS, nullptr, &key,
                               nullptr) != ERROR_SUCCESS)
            return false;
        RegCloseKey(key);
        return true;
    }
    const bool replaced;
};

class InstallationTest : public testing::Test {
protected:
    void SetUp() override
    {
        DeleteInstallRecord();
        DeleteFileA(DesktopShortcut().c_str());
        RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\DirectX Setup Stand-in");
        base_ = ScratchFolder("target");
        cd_ = ScratchFolder("cd");
        MakeSmallCd(cd_);
    }
    void TearDown() override
    {
        Forget("");
        EndProcesses("notepad.exe");
        EndProcesses("program.exe");
        DeleteFileA(Planted);
        RemoveTree(base_);
        RemoveTree(cd_);
    }
    // Nothing of an installation into folder left for the next row.
    static void Forget(const std::string &folder)
    {
        CloseGame();
        DeleteInstallRecord();
        DeleteFileA(DesktopShortcut().c_str());
        if (!folder.empty())
            RemoveTree(folder);
    }

    // From the start to the confirmation with this folder typed.
    void Choose(Wizard &wizard, const std::string &folder, const std::string &environment = "",
                const std::string &cd = "")
    {
        ASSERT_TRUE(wizard.Start(cd.empty() ? cd_ : cd, environment));
        ASSERT_EQ("folder", wizard.Press(SHEET_NEXT));
        wizard.Type(folder);
        ASSERT_EQ("confirm", wizard.Press(SHEET_NEXT));
        ASSERT_EQ(folder, wizard.Folder());
    }
    // Cancel once music1.pak copies: the question, answered Yes when yes.
    static HWND CancelTheCopy(Wizard &wizard, bool yes)
    {
        HWND question = nullptr;
        if (WaitUntil([&] { return CopyStatus(wizard).find("music1.pak") != std::string::npos; }, 60000)) {
            PressCommand(wizard.CopyBox(), IDCANCEL);
            question = WaitForMessageBox(wizard.Setup().Id(), "Abort installation?");
        }
        if (question && yes)
            PressCommand(question, IDYES);
        return question;
    }
    static void ExpectStep(const Wizard &wizard, const std::string &text, const char *buttons, const char *controls)
    {
        EXPECT_EQ(text, wizard.Text());
        EXPECT_EQ(buttons, wizard.Buttons());
        EXPECT_EQ(controls, wizard.Controls());
    }
    // Every file byte for byte with its source's time, the record, and the shortcut.
    static void ExpectInstalled(const std::string &folder, const std::string &cd)
    {
        long long bytes = 0;
        for (const GameFile &file : GameFiles) {
            std::string installed = folder + "\\" + file.installed;
            SCOPED_TRACE(installed);
            ASSERT_TRUE(FileExists(installed));
            EXPECT_TRUE(ReadBytes(cd + "\\" + file.cd) == ReadBytes(installed)) << "content differs";
            EXPECT_TRUE(HasTime(installed, LastWriteTime(cd + "\\" + file.cd))) << "not the source's time";
            bytes += SizeOf(installed);
        }
        EXPECT_EQ(19u, FolderState(folder).size()) << "files beside the game's";
        DWORD type = 0;
        std::string quote = folder.find(' ') == std::string::npos ? "" : "\"";
        ExpectListing(folder, quote + folder + "\\SW4w.exe" + quote + ",0", (DWORD)((bytes + 1023) / 1024));
        EXPECT_EQ(std::string("Starwake 4", 11), ReadRecordValue("DisplayName"));
        EXPECT_EQ(quote + folder + "\\SW4.EXE" + quote + " -uninstall" + '\0',
                  ReadRecordValue("UninstallString", &type));
        EXPECT_EQ((DWORD)REG_SZ, type);
        EXPECT_EQ(std::string(1, '\0'), ReadRecordValue("autorun", &type));
        EXPECT_EQ((DWORD)REG_BINARY, type);
        ExpectLink(DesktopShortcut(), folder);
    }
    static void ExpectLink(const std::string &path, const std::string &folder)
    {
        std::string link = folder.empty() ? "" : folder + "\\SW4w.exe | " + folder + " | Starwake 4";
        EXPECT_STRCASEEQ(link.c_str(), ReadLink(path).c_str()) << path;
    }
    // An installation that fails before its record: exit code 1, nothing left but what was there.
    static void ExpectUndone(Wizard &wizard, const std::string &made)
    {
        EXPECT_EQ(1, wizard.Setup().WaitForExit());
        EXPECT_FALSE(FolderExists(made)) << "the copied files and the new folders stay";
        EXPECT_FALSE(RecordExists());
        EXPECT_FALSE(FileExists(DesktopShortcut()));
        EXPECT_EQ("<not called>", DirectXCall("Calls"));
    }

    std::string cd_, base_;
};

// The road most users take, each step as they see it, with a wrong folder on the way.
TEST_F(InstallationTest, FromTheSampleCdIntoTheDefaultFolderStepByStep)
{
    RemoveTree("C:\\sw4");
    Wizard wizard;
    ASSERT_TRUE(wizard.Start(SampleCdPath()));
    ExpectStep(wizard, "Setup will help you install Starwake IV for Windows 95 -- the original DOS version and the "
                       "new native Windows 95 version.", "Next Cancel", "");
    EXPECT_EQ(0u, BytesOffPicture(FindControl(wizard.Page(), IDC_ARTWORK), IDB_WIZARD_ART)) << "the picture";
    ASSERT_EQ("folder", wizard.Press(SHEET_NEXT));
    ExpectStep(wizard, "Please choose a directory to install Starwake IV for Windows 95. To accept the default path, "
                       "click Next >.\n\nNOTE : To install Starwake IV for Windows 95, you must have at least 20 MB "
                       "free hard disk space.", "Next Cancel", "label box:editable,tab");
    EXPECT_EQ("c:\\sw4", wizard.Folder());
    EXPECT_TRUE(GetWindowLongA(FindControl(wizard.Page(), IDC_INSTALL_DIR_EDIT), GWL_STYLE) & ES_AUTOHSCROLL)
        << "a path longer than the box can be typed";
    wizard.Type("sw4");
    ASSERT_EQ("refused", wizard.Press(SHEET_NEXT));
    ExpectStep(wizard, "Either the install path was invalid, or the drive did not contain enough free space. Click "
                       "< Back to choose a new path, or click Cancel to exit Setup.", "Back Cancel",
               "label box:read-only");
    ASSERT_EQ("folder", wizard.Press(SHEET_BACK));
    ASSERT_EQ("confirm", wizard.Press(SHEET_NEXT));
    ExpectStep(wizard, "Setup is about to install the game to the location shown below. In addition, parts of the "
                       "Windows operating system will be updated.\nClick Next > to complete the installation "
                       "process.", "Back Next Cancel", "label box:read-only");
    const std::string folder = wizard.Folder();
    EXPECT_STRCASEEQ("C:\\sw4", folder.c_str());

    PressCommand(wizard.Sheet(), SHEET_NEXT);
    ASSERT_NE(nullptr, WaitForWindow(wizard.Setup().Id(), "Copy Progress"));
    EXPECT_EQ("Installing game files...", wizard.Text());
    EXPECT_FALSE(IsWindowEnabled(FindControl(wizard.Sheet(), SHEET_FINISH))) << "a disabled Finish while it installs";
    ASSERT_TRUE(WaitUntil([&] { return wizard.Step() == "complete"; }, 60000)) << wizard.Step();
    ExpectStep(wizard, "Installation complete. To run Starwake IV for Windows 95, double-click the new Starwake IV "
                       "icon on your desktop, or run the SW4W.EXE program in your installed game directory. ",
               "Finish", "readme run-game:checked");
    ExpectInstalled(folder, SampleCdPath());
    EXPECT_EQ(std::string("C:\\sw4\\SW4.EXE -uninstall") + '\0', ReadRecordValue("UninstallString"))
        << "without a blank, byte for byte as ever";
    EXPECT_EQ("1", DirectXCall("Calls"));
    EXPECT_EQ(SampleCdPath(), DirectXCall("RootPath"));
    EXPECT_EQ(SampleCdPath() + "\\DIRECTX", DirectXCall("DirectXFolder"));
    EXPECT_EQ("27", DirectXCall("Flags")) << "ddraw, dsound and both drivers: 0x1B";
    EXPECT_EQ("Starwake IV Setup", DirectXCall("WindowCaption")) << "owned by the sheet";
    EXPECT_EQ(std::to_string(SEM_FAILCRITICALERRORS), DirectXCall("ErrorMode"))
        << "a drive without its medium would show the system's box";

    // The readme shows and the step stays; Run Game Now unchecked starts nothing.
    PostMessageA(wizard.Page(), WM_COMMAND, MAKEWPARAM(IDC_VIEW_README, BN_CLICKED),
                 (LPARAM)FindControl(wizard.Page(), IDC_VIEW_README));
    ASSERT_TRUE(WaitUntil([] { return ReadmeViewers().size() == 1; }));
    EXPECT_TRUE(WaitUntil([] { return ViewerText(ReadmeViewers()[0]).find("Troubleshooting") != std::string::npos; }));
    EXPECT_EQ("complete", wizard.Step());
    PostMessageA(FindControl(wizard.Page(), IDC_OPTION_CHECK), BM_CLICK, 0, 0);   // toggles itself, tells the page
    EXPECT_TRUE(WaitUntil([&] { return wizard.Controls() == "readme run-game:unchecked"; }));
    EXPECT_EQ(0, wizard.Close(SHEET_FINISH));
    EXPECT_FALSE(ProcessRunning("SW4w.exe")) << "the box was left unchecked";
    RemoveTree(folder);
}

// With Run Game Now checked, the game starts from the recorded folder.
TEST_F(InstallationTest, LongestAcceptedFolderInstallsWholeAndItsGameStarts)
{
    std::string folder = base_ + "\\";
    folder += std::string(MAX_RECORDED_INSTALL_DIR - folder.size(), 'L');
    Wizard wizard;
    Choose(wizard, folder);
    ASSERT_EQ("complete", wizard.Press(SHEET_NEXT));
    ExpectInstalled(folder, cd_);
    EXPECT_EQ(0, wizard.Close(SHEET_FINISH));
    GameSighting game = WaitForGame();
    EXPECT_EQ(folder + "\\SW4w.exe", game.commandLine);
    EXPECT_EQ(folder, game.folder);
    CloseGame();

    // Recorded whole: with the menu switched off, autorun starts the game directly.
    BYTE suppressed = 1;
    WriteRecordValue("autorun", REG_BINARY, &suppressed, 1);
    ProgramRun autorun;
    ASSERT_TRUE(autorun.Start(SetupExePath(), "autorun", cd_));
    EXPECT_EQ(0, autorun.WaitForExit());
    EXPECT_EQ(folder + "\\SW4w.exe", WaitForGame().commandLine);
}

TEST_F(InstallationTest, ConfirmedCancelRemovesTheCopiedFilesAndTheNewFolders)
{
    MakeSmallCd(cd_, 8 * 1024 * 1024);   // long enough to cancel midway
    Wizard wizard;
    Choose(wizard, base_ + "\\new\\sw4");
    PressCommand(wizard.Sheet(), SHEET_NEXT);
    ASSERT_NE(nullptr, CancelTheCopy(wizard, true));
    ExpectUndone(wizard, base_ + "\\new");
    EXPECT_TRUE(FolderExists(base_));
}

TEST_F(InstallationTest, FailedCopyRemovesWhatItCopiedAndKeepsWhatItDidNotTouch)
{
    const std::string folder = base_ + "\\sw4", kept = folder + "\\sw4.cds", blocked = folder + "\\sw4lang.iff";
    CreateDirectoryA(folder.c_str(), nullptr);
    WriteFileOfSize(kept, 777, 99);   // up to date already, so never copied over: it must survive the undo
    SetLastWriteTime(kept, CdTime);
    CreateDirectoryA(blocked.c_str(), nullptr);   // where a game file goes: the copy cannot write it
    Wizard wizard;
    Choose(wizard, folder);
    ASSERT_EQ("box", wizard.Press(SHEET_NEXT));
    EXPECT_EQ(0u, MessageBoxText(wizard.Box()).find("Setup cannot write this file:\r\n" + blocked + "\r\n\r\n"))
        << MessageBoxText(wizard.Box());
    PressCommand(wizard.Box(), IDCANCEL);
    EXPECT_EQ(1, wizard.Setup().WaitForExit());
    EXPECT_EQ(777u, ReadBytes(kept).size()) << "an untouched file of the game's was deleted";
    EXPECT_TRUE(FolderExists(blocked));
    EXPECT_FALSE(FileExists(folder + "\\sw4.exe")) << "a file this run copied stayed";
    EXPECT_FALSE(FileExists(folder + "\\mkboot.exe"));
    EXPECT_FALSE(RecordExists());
    EXPECT_FALSE(FileExists(DesktopShortcut()));
}

// Killed at any moment, setup leaves each name with the old file, the whole new one or nothing; the next setup
// installs every file whole. An upgrade killed before its record is taken back as a cancel would have: that
// next setup cancelled, at its first step or at its copy, leaves the earlier installation whole.
TEST_F(InstallationTest, SetupKilledDuringTheCopyThenRunAgainInstallsWholeOrLeavesTheEarlierOne)
{
    MakeSmallCd(cd_, 4 << 20);
    // The last file long enough to be caught in the middle: the stand-in game with bytes behind it.
    WriteBytes(cd_ + "\\SW4w.ex_", ReadBytes(cd_ + "\\SW4w.ex_") + std::string(3 << 20, 'x'));
    SetLastWriteTime(cd_ + "\\SW4w.ex_", CdTime);
    const std::string folder = base_ + "\\sw4";
    const struct { const char *when; bool overOlder; std::function<bool(Wizard &)> reached; } rows[] = {
        { "early in a large file", false, [&](Wizard &) { return SizeOf(Staged(folder, 16)) >= 65536; } },
        { "between two files", true, [&](Wizard &) { return HasTime(folder + "\\sw4.cds", CdTime); } },
        { "during the last file", true, [&](Wizard &wizard) {
              return CopyStatus(wizard).find("SW4w.ex_") != std::string::npos
                  && SizeOf(Staged(folder, COPY_FILE_GAME_EXE)) >= 32768;
          } },
    };
    enum Then { COMPLETED, CANCELLED_AT_THE_COPY, CANCELLED_AT_THE_START };
    for (const auto &row : rows) {
        for (Then then : { COMPLETED, CANCELLED_AT_THE_COPY, CANCELLED_AT_THE_START }) {
            if (then != COMPLETED && !row.overOlder)
                continue;
            SCOPED_TRACE(std::string(row.when) + ", then " + std::to_string(then));
            if (row.overOlder)
                InstallEarlier(folder);
            const std::map<std::string, std::string> before = FolderState(folder);
            Wizard killed;
            Choose(killed, folder);
            PressCommand(killed.Sheet(), SHEET_NEXT);
            ASSERT_TRUE(WaitUntil([&] { return row.reached(killed); }, 60000))
                << killed.Step() << " " << MessageBoxText(killed.Box()) << " " << CopyStatus(killed);
            killed.Setup().Kill();

            Wizard again;
            if (then == CANCELLED_AT_THE_START) {
                ASSERT_TRUE(again.Start(cd_));
                EXPECT_EQ(0, again.Close(IDCANCEL));
                EXPECT_EQ(before, FolderState(folder));
            } else if (then == CANCELLED_AT_THE_COPY) {
                Choose(again, folder);
                PressCommand(again.Sheet(), SHEET_NEXT);
                ASSERT_NE(nullptr, CancelTheCopy(again, true));
                EXPECT_EQ(1, again.Setup().WaitForExit());
                EXPECT_EQ(before, FolderState(folder));
            } else {
                Choose(again, folder);
                ASSERT_EQ("complete", again.Press(SHEET_NEXT));
                ExpectInstalled(folder, cd_);
                EXPECT_EQ(0, again.Close(SHEET_FINISH));
            }
            Forget(folder);
        }
    }
}

// A file of the upgrade held without sharing: for a moment, the copy tries again by itself; held on,
// the box names it, Retry shows it again while held and completes the upgrade once it is free.
TEST_F(InstallationTest, FileHeldByAnotherProgramIsTriedAgainUntilItIsFree)
{
    const std::string folder = base_ + "\\sw4";
    const struct { const char *what; std::string held, told; } rows[] = {   // told: "" for a hold of about a second
        { "the installed game", folder + "\\SW4w.exe", "Setup cannot replace this file:" },
        { "a file on the CD", cd_ + "\\sw4.anm", "Setup cannot read this file from the installation CD:" },
        { "the installed game, for about a second", folder + "\\SW4w.exe", "" },
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        InstallEarlier(folder);
        HANDLE held = CreateFileA(row.held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, held);
        Wizard wizard;
        Choose(wizard, folder);
        PressCommand(wizard.Sheet(), SHEET_NEXT);
        if (row.told.empty()) {
            // The file before it in place: setup is at the held one now.
            ASSERT_TRUE(WaitUntil([&] { return HasTime(folder + "\\KorLib.dll", CdTime); }, 60000));
            Sleep(1000);   // the hold itself, shorter than the copy's own tries
            CloseHandle(held);
        }
        std::string first;
        for (int press = 0; press < 2 && !row.told.empty(); press++) {
            HWND box;
            ASSERT_TRUE(box = WaitForMessageBox(wizard.Setup().Id(), "Setup cannot", 60000)) << wizard.Step();
            std::string text = MessageBoxText(box);
            EXPECT_EQ(0u, text.find(row.told)) << text;
            EXPECT_NE(std::string::npos, text.find(row.held.substr(row.held.rfind('\\') + 1))) << text;
            EXPECT_EQ(row.held.find(folder) == 0, text.find("may be using it") != std::string::npos) << text;
            EXPECT_NE(nullptr, GetDlgItem(box, IDRETRY));
            if (press == 1) {
                EXPECT_EQ(first, text) << "the same box again";
                CloseHandle(held);
            }
            first = text;
            PressCommand(box, IDRETRY);
            ASSERT_TRUE(WaitForWindowGone(box));
        }
        ASSERT_TRUE(WaitUntil([&] { return wizard.Step() == "complete" || wizard.Box(); }, 60000));
        ASSERT_EQ("complete", wizard.Step()) << MessageBoxText(wizard.Box());
        ExpectInstalled(folder, cd_);
        EXPECT_EQ(0, wizard.Close(SHEET_FINISH));
        Forget(folder);
    }
}

// The second of two setups reaches its copy while the first asks whether to abort: it touches nothing.
TEST_F(InstallationTest, SecondSetupAtItsCopyWhileTheFirstCopiesTouchesNothing)
{
    const std::string folder = base_ + "\\sw4";
    MakeSmallCd(cd_, 4 << 20);
    InstallEarlier(folder);
    const std::map<std::string, std::string> before = FolderState(folder);
    Wizard first, second;
    Choose(first, folder);
    PressCommand(first.Sheet(), SHEET_NEXT);
    HWND question;
    ASSERT_TRUE(question = CancelTheCopy(first, false));
    Choose(second, folder);
    const std::map<std::string, std::string> during = FolderState(folder);
    ASSERT_EQ("box", second.Press(SHEET_NEXT));
    EXPECT_EQ(std::string("Another Setup is installing Starwake IV on this computer. Please let it finish, then "
                          "run Setup again.") + Aborted, MessageBoxText(second.Box()));
    PressCommand(second.Box(), IDOK);
    EXPECT_EQ(1, second.Setup().WaitForExit());
    EXPECT_EQ(during, FolderState(folder)) << "the second setup changed the first one's files";
    PressCommand(question, IDYES);
    EXPECT_EQ(1, first.Setup().WaitForExit());
    EXPECT_EQ(before, FolderState(folder));
}

// An upgrade that does not complete leaves the earlier installation, the user's file, record and shortcut.
TEST_F(InstallationTest, UpgradeThatDoesNotCompleteLeavesTheEarlierInstallationAsItWas)
{
    const std::string folder = base_ + "\\sw4";
    Wizard first;
    Choose(first, folder);
    ASSERT_EQ("complete", first.Press(SHEET_NEXT));
    EXPECT_EQ(0, first.Close(SHEET_FINISH));
    CloseGame();
    WriteBytes(folder + "\\mine.sav", "the user's own");
    const std::map<std::string, std::string> before = FolderState(folder);
    const std::string record = ReadRecordValue("UninstallString"), link = ReadLink(DesktopShortcut());
    ASSERT_NE("", link);

    // Other bytes and a later time for every file, and one long enough to cancel in.
    const std::string newer = ScratchFolder("newer-cd");
    MakeSmallCd(newer, 4 << 20);
    for (const GameFile &file : GameFiles) {
        std::string path = newer + "\\" + file.cd;
        if (path.find(".ex_") == std::string::npos)   // the stand-in game stays a program
            WriteFileOfSize(path, ReadBytes(path).size(), 77);
        SetLastWriteTime(path, FileTimePlus(CdTime, Day));
    }
    const std::string kept = Staged(folder, 0, STAGED_KEPT);
    const struct {
        const char *what;
        bool gameRuns;        // from the installation: its program cannot be replaced
        bool newFileInUse;    // the new sw4.exe, so that the old cannot come back
        std::string told;     // after the copy box's own messages
    } rows[] = {
        { "cancelled after a few files", false, false, "" },
        { "the game runs", true, false, "Setup cannot replace this file:\r\n" + folder + "\\SW4w.exe\r\n\r\n" },
        { "an earlier version that cannot be put back", false, true,
          "Setup could not put back the earlier version of this file:\n" + folder + "\\sw4.exe\nIt is kept as:\n"
              + kept },
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        ProgramRun game;
        if (row.gameRuns) {
            ASSERT_TRUE(game.Start(folder + "\\SW4w.exe", "", folder));
            ASSERT_NE(nullptr, WaitForGame().window);
        }
        Wizard wizard;
        Choose(wizard, folder, "", newer);
        PressCommand(wizard.Sheet(), SHEET_NEXT);
        HANDLE held = INVALID_HANDLE_VALUE;
        if (row.gameRuns) {
            // The Retry / Cancel box of the running game's file, before any file is replaced.
            HWND box;
            ASSERT_TRUE(box = WaitForMessageBox(wizard.Setup().Id(), row.told.substr(0, 20), 60000));
            EXPECT_EQ(row.told, MessageBoxText(box).substr(0, row.told.size()));
            EXPECT_EQ(before, FolderState(folder)) << "files were replaced before the box";
            PressCommand(box, IDCANCEL);
        } else {
            if (row.newFileInUse) {
                ASSERT_TRUE(WaitUntil([&] { return HasTime(folder + "\\sw4.exe", FileTimePlus(CdTime, Day)); }));
                held = CreateFileA((folder + "\\sw4.exe").c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   nullptr, OPEN_EXISTING, 0, nullptr);
            }
            ASSERT_NE(nullptr, CancelTheCopy(wizard, true));
        }
        if (row.newFileInUse) {
            HWND box;
            ASSERT_TRUE(box = WaitForMessageBox(wizard.Setup().Id(), row.told.substr(0, 20), 60000));
            EXPECT_EQ(row.told, MessageBoxText(box));
            PressCommand(box, IDOK);
        }
        EXPECT_EQ(1, wizard.Setup().WaitForExit());
        CloseGame();
        if (held != INVALID_HANDLE_VALUE) {   // the next setup puts it back, before its first step
            CloseHandle(held);
            Wizard next;
            ASSERT_TRUE(next.Start(newer));
            EXPECT_EQ(0, next.Close(IDCANCEL));
        }
        EXPECT_EQ(before, FolderState(folder));
        EXPECT_EQ(record, ReadRecordValue("UninstallString"));
        EXPECT_EQ(link, ReadLink(DesktopShortcut()));
    }
    RemoveTree(newer);
}

// Windows' shutdown or log-off during the copy: setup says no, the session goes on and so does the copy. A
// session that ends all the same (a forced shutdown) finds the copy undone as a cancel would leave it before
// setup has answered, since Windows may end setup at any moment after that.
TEST_F(InstallationTest, EndOfTheSessionDuringTheCopyIsRefusedOrFindsTheCopyUndone)
{
    MakeSmallCd(cd_, 8 << 20);   // long enough to end the session in
    const std::string made = base_ + "\\new", folder = made + "\\sw4";
    char wineboot[MAX_PATH];
    GetSystemDirectoryA(wineboot, MAX_PATH);
    TextAppend(wineboot, sizeof wineboot, "\\wineboot.exe");
    const struct { const char *what; bool upgrade, forced; } rows[] = {
        { "wineboot --end-session", false, false },
        { "ended all the same during an upgrade", true, true },
        { "ended all the same during a first installation", false, true },
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        if (row.upgrade)
            InstallEarlier(folder);
        const std::map<std::string, std::string> before = FolderState(folder);
        const std::string record = ReadRecordValue("UninstallString");
        Wizard wizard;
        Choose(wizard, folder);
        PressCommand(wizard.Sheet(), SHEET_NEXT);
        ASSERT_TRUE(WaitUntil([&] { return CopyStatus(wizard).find("music1.pak") != std::string::npos; }, 60000))
            << wizard.Step() << " " << MessageBoxText(wizard.Box());
        if (!row.forced) {
            // Asks every window of every process whether the session may end; it ends those that agree.
            // --shutdown: a session that ended does not start Wine's programs again.
            ProgramRun endSession;
            ASSERT_TRUE(endSession.Start(wineboot, "--end-session --shutdown", "C:\\"));
            EXPECT_EQ(1, endSession.WaitForExit(30000)) << "the end of the session was not cancelled";
            EXPECT_NE(nullptr, wizard.CopyBox()) << "setup ended, or the copy was over before the question";
            ASSERT_TRUE(WaitUntil([&] { return wizard.Step() == "complete" || wizard.Setup().HasExited(); }, 60000));
            ASSERT_EQ("complete", wizard.Step());
            ExpectInstalled(folder, cd_);
            EXPECT_EQ(0, wizard.Close(SHEET_FINISH));
        } else {
            DWORD_PTR answer = 0;
            SendMessageTimeoutA(wizard.CopyBox(), WM_ENDSESSION, TRUE, 0, SMTO_NORMAL, 30000, &answer);
            EXPECT_EQ(before, FolderState(folder)) << "not undone when setup answered";
            EXPECT_EQ(row.upgrade, FolderExists(made)) << "the new folders stay";
            EXPECT_EQ(1, wizard.Setup().WaitForExit());
            EXPECT_EQ(record, ReadRecordValue("UninstallString"));
            EXPECT_FALSE(FileExists(DesktopShortcut()));
        }
        Forget(made);
    }
}

// Each DirectX result that ends the installation: its message, exit code 1, the installation kept. A DirectX
// setup library that is not on the CD, or lacks its call, is as good as missing DirectX files.
TEST_F(InstallationTest, DirectXFailuresAreReportedAndKeepTheInstallation)
{
    enum Library { Kept, Removed, WithoutItsCall };
    const struct { const char *forced; const char *text; Library library = Kept; } rows[] = {
        { "-6", "DirectX error: Out of disk space." },
        { "-1", "Incorrect Windows version detected. Installation halted." },
        { "-2", "DirectX files could not be found. Installation halted." },
        { "-3", "DirectX error:  Bad source size." },
        { "-4", "DirectX error: Bad source time." },
        { "-5", "DirectX error: Copy error." },
        { "-7", "DirectX error: Can't find INF file." },
        { "-8", "DirectX error: Can't find DirectX directory." },
        { "-9", "General DirectX installation failure. Install halted." },
        { "2", "General DirectX installation failure. Install halted." },
        { "", "DirectX error: Can't find INF file." },   // the library's own finding
        { "", "DirectX files could not be found. Installation halted.", Removed },
        { "", "DirectX files could not be found. Installation halted.", WithoutItsCall },
    };
    DeleteFileA((cd_ + "\\DIRECTX\\DSETUP.INF").c_str());
    const std::string folder = base_ + "\\sw4";
    for (const auto &row : rows) {
        SCOPED_TRACE(std::string("DirectX result ") + row.forced + " library " + std::to_string(row.library));
        DeleteFileA((cd_ + "\\dsetup.dll").c_str());
        if (row.library != Removed)
            CopyFileA((row.library == Kept ? DirectXLibraryPath() : PlantedLibraryPath()).c_str(),
                      (cd_ + "\\dsetup.dll").c_str(), FALSE);
        Wizard wizard;
        Choose(wizard, folder, *row.forced ? std::string("DXSETUP_STANDIN_RESULT=") + row.forced : "");
        ASSERT_EQ("box", wizard.Press(SHEET_NEXT));
        EXPECT_EQ(std::string(row.text) + Troubleshooting, MessageBoxText(wizard.Box()));
        EXPECT_EQ("Installing the DirectX Game Library...", wizard.Text());
        PressCommand(wizard.Box(), IDOK);
        EXPECT_EQ(1, wizard.Setup().WaitForExit());
        if (&row == rows || row.library == Removed)
            ExpectInstalled(folder, cd_);
        EXPECT_TRUE(RecordExists());
        EXPECT_TRUE(FileExists(DesktopShortcut()));
        EXPECT_FALSE(ProcessRunning("SW4w.exe"));
        Forget("");   // recorded and current now: without this the next start is the launcher's
    }
}

// A restart wanted by DirectX leaves out Run Game Now and asks for the reboot.
TEST_F(InstallationTest, RestartWantedLeavesOutRunGameNowAndAsksForTheReboot)
{
    Wizard wizard;
    Choose(wizard, base_ + "\\sw4", "DXSETUP_STANDIN_RESULT=1");
    ASSERT_EQ("complete", wizard.Press(SHEET_NEXT));
    EXPECT_EQ("Finish", wizard.Buttons());
    EXPECT_EQ("readme", wizard.Controls());
    EXPECT_EQ(1u, VisibleTopWindows(wizard.Setup().Id()).size()) << "only the sheet: no message";
    ExpectInstalled(base_ + "\\sw4", cd_);
    PressCommand(wizard.Sheet(), SHEET_FINISH);
    HWND reboot;
    ASSERT_TRUE(reboot = WaitForMessageBox(wizard.Setup().Id(), "reboot"));
    EXPECT_EQ("Starwake IV Setup", WindowText(reboot));
    EXPECT_EQ("Changes made to your system require a reboot to take effect.\nYou will not be able to play SW4 until "
              "you have restarted\nyour computer. Do you want to restart your computer now?", MessageBoxText(reboot));
    PressCommand(reboot, IDNO);
    EXPECT_EQ(0, wizard.Setup().WaitForExit());
    EXPECT_FALSE(ProcessRunning("SW4w.exe"));
}

// Without the game the installation fails as a failed copy does; another missing file is only warned about.
TEST_F(InstallationTest, GameThatDidNotArriveFromTheCdIsAFailedInstallation)
{
    const struct { const char *missing; size_t warnings; const char *failedOn; } rows[] = {
        { "*", 19, "sw4.exe" },          // not started from the CD: nothing there
        { "SW4w.ex_", 1, "SW4w.ex_" },   // the Windows game did not arrive
        { "xmem.ovl", 1, nullptr },      // one MS-DOS file: warned, skipped, installed
    };
    const std::string made = base_ + "\\new";
    for (const auto &row : rows) {
        SCOPED_TRACE(std::string("missing on the CD: ") + row.missing);
        RemoveTree(cd_);
        std::filesystem::create_directory(cd_);
        if (row.missing[0] != '*') {
            MakeSmallCd(cd_);
            DeleteFileA((cd_ + "\\" + row.missing).c_str());
        }
        Wizard wizard;
        Choose(wizard, made + "\\sw4");
        // Each missing-file warning answered OK and kept, up to the step it comes to.
        PressCommand(wizard.Sheet(), SHEET_NEXT);
        std::vector<std::string> warnings;
        std::string step;
        WaitUntil([&] {
            if (HWND box = wizard.Box()) {
                if (MessageBoxText(box).rfind(MissingFile, 0) != 0)
                    return (step = "box"), true;
                warnings.push_back(MessageBoxText(box));
                PressCommand(box, IDOK);
                WaitForWindowGone(box);
                return false;
            }
            step = wizard.Step();   // a box that shows just now is looked at next time
            return step == "complete" || wizard.Setup().HasExited();
        }, 120000);
        ASSERT_EQ(row.warnings, warnings.size());
        if (row.warnings == 1) {
            EXPECT_EQ(MissingFile + std::string(row.missing), warnings[0]);
        }
        if (!row.failedOn) {
            ASSERT_EQ("complete", step);
            EXPECT_FALSE(FileExists(made + "\\sw4\\xmem.ovl"));
            for (const char *next : { "sw4lang.iff", "KorLib.dll", "SW4w.exe" })
                EXPECT_TRUE(FileExists(made + "\\sw4\\" + next)) << next << ": the files after it";
            EXPECT_TRUE(RecordExists());
            EXPECT_EQ(0, wizard.Close(SHEET_FINISH));
            EXPECT_NE(nullptr, WaitForGame().window);
            continue;
        }
        ASSERT_EQ("box", step) << "no failure message";
        EXPECT_EQ(std::string("Copy Failed on file: ") + row.failedOn + Aborted, MessageBoxText(wizard.Box()));
        PressCommand(wizard.Box(), IDOK);
        ExpectUndone(wizard, made);
    }
}

// The library pumps messages, as the vendor's does: Cancel, close and Back may not end the installation.
TEST_F(InstallationTest, NothingLeavesTheWizardWhileDirectXInstalls)
{
    const std::string folder = base_ + "\\sw4";
    Wizard wizard;
    Choose(wizard, folder, "DXSETUP_STANDIN_WINDOW=1");
    PressCommand(wizard.Sheet(), SHEET_NEXT);
    HWND directx;
    ASSERT_TRUE(directx = WaitForWindow(wizard.Setup().Id(), "DirectX Setup (stand-in)", 60000));
    EXPECT_EQ("Installing the DirectX Game Library...", wizard.Text());
    PressCommand(wizard.Sheet(), IDCANCEL);
    PostMessageA(wizard.Sheet(), WM_CLOSE, 0, 0);
    PostMessageA(wizard.Sheet(), WM_SYSCOMMAND, SC_CLOSE, 0);
    PressCommand(wizard.Sheet(), SHEET_BACK);
    PostMessageA(directx, WM_CLOSE, 0, 0);   // last, so the sheet has had all of the above when the library returns
    ASSERT_TRUE(WaitUntil([&] { return wizard.Step() == "complete"; })) << wizard.Step();
    ExpectInstalled(folder, cd_);
    EXPECT_FALSE(ProcessRunning("SW4w.exe"));
    EXPECT_EQ(0, wizard.Close(SHEET_FINISH));
    EXPECT_NE(nullptr, WaitForGame().window);
}

// From the CD image as the CD-ROM drive D: (mounted by the test command), started by its autorun entry.
TEST_F(InstallationTest, FromTheCdDriveAsItsAutorunEntryStartsIt)
{
    ASSERT_EQ((UINT)DRIVE_CDROM, GetDriveTypeA("D:\\"));
    EXPECT_EQ("[autorun]\r\nopen=setup.exe autorun\r\nicon=setup.exe\r\n", ReadBytes("D:\\autorun.inf"));
    Wizard wizard;
    ASSERT_TRUE(wizard.StartProgram("D:\\setup.exe", "autorun", "D:\\", ""));
    const std::string folder = base_ + "\\sw4";
    ASSERT_EQ("folder", wizard.Press(SHEET_NEXT));
    wizard.Type(folder);
    ASSERT_EQ("confirm", wizard.Press(SHEET_NEXT));
    ASSERT_EQ("complete", wizard.Press(SHEET_NEXT));
    ExpectInstalled(folder, "D:");
    EXPECT_EQ("D:\\", DirectXCall("RootPath"));
    EXPECT_EQ("D:\\DIRECTX", DirectXCall("DirectXFolder"));
    EXPECT_EQ(0, wizard.Close(SHEET_FINISH));
    EXPECT_NE(nullptr, WaitForGame().window);
    CloseGame();

    // The viewer reads readme.txt where setup stands, the drive's root.
    const std::string readme = ReadBytes("D:\\readme.txt");
    ProgramRun next;
    ASSERT_TRUE(next.Start("D:\\setup.exe", "autorun", "D:\\"));
    HWND launcher;
    ASSERT_TRUE(launcher = WaitForWindow(next.Id(), "Starwake IV Launch"));
    PressCommand(launcher, IDC_VIEW_README);
    ASSERT_TRUE(WaitUntil([] { return ReadmeViewers().size() == 1; }));
    EXPECT_TRUE(WaitUntil([&] {   // as much of it as the viewer's text is read
        std::string shown = ViewerText(ReadmeViewers()[0]);
        return shown.size() > 1000 && readme.rfind(shown, 0) == 0;
    })) << "the viewer shows: " << ViewerText(ReadmeViewers()[0]).substr(0, 200);
    PressCommand(launcher, IDCANCEL);
    EXPECT_EQ(0, next.WaitForExit());
}

// The CD taken out of drive D: while setup runs from it: at the confirmation or during the copy (while the
// copy waits in the Cancel question). The box asks for it, never blaming the CD for lacking files; put back,
// Retry installs every file whole; Cancel undoes what this run copied.
class CdOutTest : public InstallationTest {
protected:
    void SetUp() override
    {
        InstallationTest::SetUp();
        int inserted = CdDrive("insert");
        if (inserted == 3)
            GTEST_SKIP() << "drive D: is a folder here, as FUSE cannot mount: there is no disc to take out";
        ASSERT_EQ(0, inserted);
    }
    void TearDown() override
    {
        EXPECT_EQ(0, CdDrive("insert"));
        InstallationTest::TearDown();
    }
};

TEST_F(CdOutTest, TheCdIsAskedForThenRetryInstallsWholeOrCancelUndoes)
{
    const struct { bool duringTheCopy, retry; } rows[] = { { true, false }, { false, true }, { true, true } };
    const std::string folder = base_ + "\\new\\sw4";
    for (const auto &row : rows) {
        SCOPED_TRACE(std::string(row.duringTheCopy ? "during the copy, " : "at the confirmation, ")
                     + (row.retry ? "Retry" : "Cancel"));
        ASSERT_EQ(0, CdDrive("insert"));   // a disc of its own
        Wizard wizard;
        ASSERT_TRUE(wizard.StartProgram("D:\\setup.exe", "", "D:\\", ""));
        ASSERT_EQ("folder", wizard.Press(SHEET_NEXT));
        wizard.Type(folder);
        ASSERT_EQ("confirm", wizard.Press(SHEET_NEXT));
        if (row.duringTheCopy) {
            PressCommand(wizard.Sheet(), SHEET_NEXT);
            ASSERT_TRUE(WaitUntil([&] { return CopyStatus(wizard).find("sw4.anm") != std::string::npos; }, 60000));
            PressCommand(wizard.CopyBox(), IDCANCEL);
            HWND question;
            ASSERT_TRUE(question = WaitForMessageBox(wizard.Setup().Id(), "Abort installation?"));
            ASSERT_EQ(0, CdDrive("eject"));
            PressCommand(question, IDNO);
        } else {
            ASSERT_EQ(0, CdDrive("eject"));
            PressCommand(wizard.Sheet(), SHEET_NEXT);
        }
        HWND box = nullptr;
        ASSERT_TRUE(WaitUntil([&] { return (box = wizard.Box()) != nullptr; }, 60000));
        EXPECT_EQ("Please insert the Starwake IV CD into drive D: and click Retry, or click Cancel to stop the "
                  "installation.", MessageBoxText(box));
        EXPECT_EQ(row.duringTheCopy, wizard.CopyBox() != nullptr) << "the copy started without its CD";
        if (!row.retry) {
            PressCommand(box, IDCANCEL);
            ExpectUndone(wizard, base_ + "\\new");
            continue;
        }
        ASSERT_EQ(0, CdDrive("insert"));
        PressCommand(box, IDRETRY);
        ASSERT_TRUE(WaitUntil([&] { return wizard.Step() == "complete"; }, 120000))
            << wizard.Step() << ": " << (wizard.Box() ? MessageBoxText(wizard.Box()) : "");
        ExpectInstalled(folder, "D:");
        EXPECT_EQ(0, wizard.Close(SHEET_FINISH));
        Forget(base_ + "\\new");
    }
}

// Where most users of Windows 2000 and later install, with a program planted where an unquoted command
// line would start it instead.
TEST_F(InstallationTest, IntoProgramFilesTheGameIsRecordedStartedAndUninstalledByItsOwnName)
{
    const std::string folder = "C:\\Program Files\\SW4";
    RemoveTree(folder);
    DesktopFolder noWindowsDesktop(false);
    CopyFileA(StandinDosGamePath().c_str(), Planted, FALSE);
    // The CD's MS-DOS game is the stand-in, which is also the uninstaller.
    CopyFileA(StandinDosGamePath().c_str(), (cd_ + "\\sw4.exe").c_str(), FALSE);
    SetLastWriteTime(cd_ + "\\sw4.exe", CdTime);
    Wizard wizard;
    Choose(wizard, folder);
    ASSERT_EQ("complete", wizard.Press(SHEET_NEXT));
    ExpectInstalled(folder, cd_);
    EXPECT_EQ(0, wizard.Close(SHEET_FINISH));
    EXPECT_EQ("\"" + folder + "\\SW4w.exe\"", WaitForGame().commandLine) << "Run Game Now";
    CloseGame();

    // As the system's list of removable programs runs the record: a command line.
    std::string command = ReadRecordValue("UninstallString");
    STARTUPINFOA startup = { sizeof startup };
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    HWND question, done;
    ASSERT_TRUE(question = WaitForMessageBox(0, "Remove Starwake IV from " + folder + "?"))
        << "program.exe running: " << ProcessRunning("program.exe");
    PressCommand(question, IDYES);
    ASSERT_TRUE(done = WaitForMessageBox(0, "Starwake IV was removed"));
    EXPECT_EQ("Starwake IV was removed from your computer.", MessageBoxText(done));
    PressCommand(done, IDOK);
    EXPECT_TRUE(WaitUntil([] { return !ProcessRunning("sw4.exe"); }));
    EXPECT_FALSE(FolderExists(folder));
    EXPECT_FALSE(RecordExists());
    EXPECT_FALSE(FileExists(DesktopShortcut()));
    EXPECT_FALSE(ProcessRunning("program.exe"));
    RemoveTree(folder);
}

TEST_F(InstallationTest, RecordThatCannotBeWrittenIsReportedBeforeAnyFileIsWritten)
{
    RefusedRecord refused;
    ASSERT_TRUE(refused.replaced) << "the Uninstall key has subkeys, which this test may not delete";
    const std::string made = base_ + "\\new";
    Wizard wizard;
    Choose(wizard, made + "\\sw4");
    ASSERT_EQ("box", wizard.Press(SHEET_NEXT));
    EXPECT_EQ(std::string("Setup could not record the installation in the Windows registry. Please run Setup "
                          "again as an administrator.") + Aborted, MessageBoxText(wizard.Box()));
    EXPECT_EQ("Installing game files...", wizard.Text());
    EXPECT_EQ(nullptr, wizard.CopyBox()) << "the copy began";
    EXPECT_EQ((std::map<std::string, std::string>{}), FolderState(made + "\\sw4")) << "files written first";
    PressCommand(wizard.Box(), IDOK);
    ExpectUndone(wizard, made);
    EXPECT_TRUE(FolderExists(base_));
}

// In this process: the shortcut on the desktop of all users, the user's where the shell names none for all
// (Windows 95), the Windows folder's Desktop where it names none at all; without that, none and no message.
TEST_F(InstallationTest, ShortcutGoesWhereTheShellSaysAndElseIntoTheWindowsFoldersDesktop)
{
    const std::string folder = base_ + "\\sw4";
    CreateDirectoryA(folder.c_str(), nullptr);
    FillInstallFolder(folder);
    UserDesktop user;
    DesktopFolder windows(true);
    const struct { const char *shell; bool windowsDesktop, commonBlocked; std::string link; } rows[] = {
        { "", true, false, DesktopShortcut() },
        { "", true, true, user.Shortcut() },   // named, but the link cannot be saved there: the next place takes it
        { "no-common-desktop", true, false, user.Shortcut() },
        { "no-desktop", true, false, windows.Shortcut() },
        { "no-desktop", false, false, "" },
    };
    strcpy(InstallDir, folder.c_str());
    for (const auto &row : rows) {
        SCOPED_TRACE(std::string("shell: ") + row.shell + (row.windowsDesktop ? "" : ", no Windows Desktop folder")
                     + (row.commonBlocked ? ", a folder where the all-users link goes" : ""));
        std::unique_ptr<DesktopFolder> gone(row.windowsDesktop ? nullptr : new DesktopFolder(false));
        SetEnvironmentVariableA("SW4_TEST_SHELL", *row.shell ? row.shell : nullptr);
        if (row.commonBlocked) {
            ASSERT_TRUE(CreateDirectoryA(DesktopShortcut().c_str(), nullptr));
        }
        EXPECT_EQ(row.link.empty() ? 0 : 1, CreateDesktopShortcut());
        if (row.commonBlocked)
            RemoveDirectoryA(DesktopShortcut().c_str());
        for (const std::string &place : { DesktopShortcut(), user.Shortcut(), windows.Shortcut() }) {
            ExpectLink(place, place == row.link ? folder : "");
            DeleteFileA(place.c_str());
        }
    }
    SetEnvironmentVariableA("SW4_TEST_SHELL", nullptr);

    // An InstallDir that the wizard never lets through.
    strcpy(InstallDir, ("c:\\" + std::string(250, 'd')).c_str());   // 253 + "\SW4w.exe" > 259
    EXPECT_EQ(0, CreateDesktopShortcut());
    EXPECT_FALSE(FileExists(DesktopShortcut()));
    strcpy(InstallDir, "c:\\sw4");
}

// ---- Code pages ------------------------------------------------------------
// ctest runs this program again under LANG=ja_JP.UTF-8 and zh_TW.UTF-8 for the CodePage tests: Wine takes a
// process's ANSI code page from the Unix locale it starts in, and setup started from here keeps this one.
// Paths here are in that code page, so they are read through the ANSI calls as setup reads them.

bool PathThere(const std::string &path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void RemoveTreeInCodePage(const std::string &folder)
{
    WCHAR wide[MAX_PATH];
    std::error_code ignored;
    if (MultiByteToWideChar(CP_ACP, 0, folder.c_str(), -1, wide, MAX_PATH))
        std::filesystem::remove_all(wide, ignored);
}

// The code page of this run: the one its locale must give (a missing locale would give 1252 and skip silently).
UINT CodePage()
{
    const char *expected = getenv("SW4_TEST_ACP");
    EXPECT_EQ(expected ? (UINT)atoi(expected) : GetACP(), GetACP()) << "scripts/install-deps.sh makes the locale";
    return GetACP();
}
// Each folder made or gone, as expected.
void ExpectFolders(const std::vector<std::string> &folders, bool there)
{
    for (const std::string &folder : folders)
        EXPECT_EQ(there, PathThere(folder)) << folder;
}

// Folder names whose second byte of a character is 0x5C, a backslash: in 932 ソ and 表, in 950 許, 功 and 蓋.
const char So[] = "\x83\x5c", Soft[] = "\x83\x5c\x83\x74\x83\x67", Hyouji[] = "\x95\x5c\x8e\xa6";
const char KyoKou[] = "\xb3\x5c\xa5\x5c", Kou[] = "\xa5\x5c", Gai[] = "\xbb\x5c";
const char Ge[] = "\x83\x51";   // ゲ, no backslash in it

// Each made, shown as typed, taken back by Back, installed into, recorded, found by the next start, and the
// shortcut's target.
TEST_F(InstallationTest, CodePageFoldersWithABackslashByteInstallAsTyped)
{
    const UINT codePage = CodePage();
    // The folders made, from the top down; the last is typed.
    const struct { UINT codePage; std::vector<std::string> made; } rows[] = {
        { 932, { std::string("C:\\") + Soft } },
        { 932, { std::string("C:\\") + Soft, std::string("C:\\") + Soft + "\\" + Hyouji } },
        { 950, { std::string("C:\\") + KyoKou, std::string("C:\\") + KyoKou + "\\" + Gai } },
        { 950, { std::string("C:\\") + Kou } },
    };
    for (const auto &row : rows) {
        if (row.codePage != codePage)
            continue;
        const std::string folder = row.made.back();
        SCOPED_TRACE(folder);
        RemoveTreeInCodePage(row.made[0]);
        Wizard wizard;
        Choose(wizard, folder);
        ExpectFolders(row.made, true);
        ASSERT_EQ("folder", wizard.Press(SHEET_BACK));
        ExpectFolders(row.made, false);
        ASSERT_EQ("confirm", wizard.Press(SHEET_NEXT));
        EXPECT_EQ(folder, wizard.Folder());
        ASSERT_EQ("complete", wizard.Press(SHEET_NEXT));
        for (const GameFile &file : GameFiles)
            EXPECT_TRUE(PathThere(folder + "\\" + file.installed)) << "not installed: " << file.installed;
        EXPECT_EQ(folder + "\\SW4.EXE -uninstall" + '\0', ReadRecordValue("UninstallString"));
        ExpectLink(DesktopShortcut(), folder);
        EXPECT_EQ(0, wizard.Close(SHEET_FINISH));

        ProgramRun next;
        ASSERT_TRUE(next.Start(SetupExePath(), "", cd_));
        EXPECT_NE(nullptr, WaitForWindow(next.Id(), "Starwake IV Launch")) << "the next start did not find it";
        next.Kill();
        Forget("");
        RemoveTreeInCodePage(row.made[0]);
    }
}

// The box's first 240 characters are taken, never a cut inside one; a text that may not have fit is refused.
TEST_F(InstallationTest, CodePageLongFolderTextsAreNeverCutInsideACharacter)
{
    if (CodePage() != 932)
        GTEST_SKIP() << "a Japanese run only";
    std::string only = "C:\\", fits = "C:\\";
    for (int i = 0; i < 126; i++)
        only += Ge;   // 255 bytes: the whole buffer
    for (int i = 0; i < 116; i++)
        fits += Ge;   // 235 bytes: the record carries it
    const std::string top = "C:\\cp";
    const std::string cut = top + std::string(234, '\\') + Ge + "\\past the cut";   // ゲ is the 240th
    const struct { std::string text, step, shown; std::vector<std::string> made; } rows[] = {
        { fits, "confirm", fits, { fits } },
        { cut, "confirm", top + "\\" + Ge, { top, top + "\\" + Ge } },
        { only, "refused", only, {} },
    };
    Wizard wizard;
    ASSERT_TRUE(wizard.Start(cd_));
    ASSERT_EQ("folder", wizard.Press(SHEET_NEXT));
    for (const auto &row : rows) {
        SCOPED_TRACE(row.text);
        wizard.Type(row.text);
        EXPECT_EQ(row.step, wizard.Press(SHEET_NEXT));
        EXPECT_EQ(row.shown, wizard.Folder());
        ExpectFolders(row.made, true);
        WIN32_FIND_DATAA found;
        HANDLE stray = FindFirstFileA((std::string("C:\\") + Ge + "*").c_str(), &found);
        if (row.made.empty())
            EXPECT_EQ(INVALID_HANDLE_VALUE, stray) << "a folder of the refused text was left";
        if (stray != INVALID_HANDLE_VALUE)
            FindClose(stray);
        ASSERT_EQ("folder", wizard.Press(SHEET_BACK));
        ExpectFolders(row.made, false);
    }
    EXPECT_EQ(0, wizard.Close(IDCANCEL));
    RemoveTreeInCodePage(top);
}

// Started in a folder whose name the ANSI code page cannot hold (Ł, ź under 1252), setup takes it by its short
// name, and installs from it whole.
TEST_F(InstallationTest, CdFolderWhoseNameAnsiCannotHoldInstallsWhole)
{
    const std::wstring wideCd = std::wstring(cd_.begin(), cd_.end()) + L"\\cd-\x141\xf3" L"d\x17a";
    ASSERT_TRUE(CreateDirectoryW(wideCd.c_str(), nullptr));
    WCHAR wideShort[MAX_PATH];
    char shortCd[MAX_PATH];
    ASSERT_NE(0u, GetShortPathNameW(wideCd.c_str(), wideShort, MAX_PATH));
    WideCharToMultiByte(CP_ACP, 0, wideShort, -1, shortCd, MAX_PATH, nullptr, nullptr);
    MakeSmallCd(shortCd);
    char here[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, here);
    ASSERT_TRUE(SetCurrentDirectoryW(wideCd.c_str()));
    Wizard wizard;
    bool started = wizard.Start("");   // in the folder this process stands in
    SetCurrentDirectoryA(here);
    ASSERT_TRUE(started);
    ASSERT_EQ("folder", wizard.Press(SHEET_NEXT));
    const std::string folder = base_ + "\\sw4";
    wizard.Type(folder);
    ASSERT_EQ("confirm", wizard.Press(SHEET_NEXT));
    ASSERT_EQ("complete", wizard.Press(SHEET_NEXT)) << MessageBoxText(wizard.Box());
    ExpectInstalled(folder, shortCd);
    EXPECT_STRCASEEQ(shortCd, DirectXCall("RootPath").c_str());
    EXPECT_EQ(0, wizard.Close(SHEET_FINISH));
}

}  // namespace
