// setup.exe started as a user or the CD's autorun starts it: what it shows
// for each row of start-up's decision, what it starts, and its exit code.
#include "resources/resource.h"
#include "startup/startup.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <memory>

namespace {

const char SetupMutex[] = "Starwake IV Setup Mutex";
const char GameMutex[] = "Starwake 4 Mutex";

enum Install {
    NoRecord,
    Current,          // the game as new as the CD's
    Unstartable,      // current by its time, but no program the system can start
    RecordOffTheCd,   // recorded, nothing installed, and setup started where sw4w.ex_ is not
};

// What setup shows, in turn: "launcher", "wizard", or a message box's text.
const std::string Memory = "Starwake IV for Windows 95 requires at least 16 MB of RAM.\nIf you do not have at least 16 "
                           "MB of RAM, please consult the Install\nGuide for instructions on how to install Starwake IV "
                           "for MS-DOS.",
                  Missing = "Setup could not find the following file on the installation CD : sw4w.ex_";
const char Low[] = "14999999";

struct Row {
    const char *name, *arguments;
    bool otherSetup, gameRunning;
    Install install;
    BYTE autorun;           // the record's menu switch
    const char *memory;     // physical memory setup sees, or nullptr for the machine's
    std::vector<std::string> faces;
    bool gameStarted = false;
    const char *programFolder = nullptr;   // setup run from a copy in a folder of this name
};

const Row Rows[] = {
    { "1: autorun beside another setup", "autorun", true, false, NoRecord, 0, nullptr, {} },
    { "2: autorun while the game runs", "autorun", false, true, Current, 0, nullptr, {} },
    { "3: autorun, menu switched off", "autorun", false, false, Current, 1, nullptr, {}, true },
    { "4: the direct start fails", "autorun", false, false, Unstartable, 1, nullptr, { "wizard" } },
    { "5: the direct start fails, low memory", "autorun", false, false, Unstartable, 1, Low, { Memory } },
    { "6: autorun with the menu", "autorun", false, false, Current, 0, nullptr, { "launcher" } },
    { "7: autorun with the menu, low memory", "autorun", false, false, Current, 0, Low, { Memory } },
    { "8: autorun, nothing installed, exactly enough memory", "autorun", false, false, NoRecord, 0, "15000000",
      { "wizard" } },
    { "9: autorun, nothing installed, low memory", "autorun", false, false, NoRecord, 0, Low, { Memory } },
    { "10: by hand, the menu switch only matters at autorun", "", false, false, Current, 1, nullptr, { "launcher" } },
    { "10: by hand beside another setup", "", true, false, Current, 0, nullptr, { "launcher" } },
    { "11: by hand, low memory", "", false, false, Current, 0, Low, { Memory, "launcher" } },
    { "12: by hand beside another setup and the game", "", true, true, NoRecord, 0, nullptr, { "wizard" } },
    { "13: by hand, nothing installed, low memory", "", false, false, NoRecord, 0, Low, { Memory, "wizard" } },
    // GlobalMemoryStatus would see 1,000,000 bytes here.
    { "autorun, 4 GiB and a little more", "autorun", false, false, NoRecord, 0, "4295967296", { "wizard" } },
    { "autorun anywhere after the program, even inside a word", "-xautorunx", true, false, NoRecord, 0, nullptr, {} },
    { "AutoRun is no autorun", "/AutoRun", true, false, NoRecord, 0, nullptr, { "wizard" } },
    // Only the text after the program's name counts.
    { "autorun in the program's quoted path", "", true, false, NoRecord, 0, nullptr, { "wizard" }, false, "cd autorun" },
    { "autorun in the program's unquoted path", "", true, false, NoRecord, 0, nullptr, { "wizard" }, false, "autorun" },
    { "autorun after the unquoted path", "autorun", true, false, NoRecord, 0, nullptr, {}, false, "autorun" },
    { "started off the CD", "", false, false, RecordOffTheCd, 0, nullptr, { Missing, "launcher" } },
};

// setup.exe alone, copied into a new folder of that name: the DirectX library is loaded only to install DirectX.
std::string CopyOfSetup(const char *folderName)
{
    std::string folder = ScratchFolder(folderName);
    CopyFileA(SetupExePath().c_str(), (folder + "\\setup.exe").c_str(), FALSE);
    return folder + "\\setup.exe";
}

// The first thing setup shows, or "nothing" once it has ended without more.
std::string NextFace(ProgramRun &setup, HWND *window)
{
    std::string face;
    WaitUntil([&] {
        for (HWND w : VisibleTopWindows(setup.Id())) {
            face = WindowText(w) == "Starwake IV Launch" ? "launcher"
                 : FindControl(w, IDC_PAGE_TEXT)         ? "wizard"
                 : IsMessageBox(w)                       ? MessageBoxText(w) : "";
            if (!face.empty()) {
                *window = w;
                return true;
            }
        }
        return setup.HasExited();
    }, 20000);
    return face.empty() ? "nothing" : face;
}

TEST(DecisionTable, EachStartShowsWhatItsRowSays)
{
    std::string cd = ScratchFolder("cd"), offTheCd = ScratchFolder("elsewhere"), installed = ScratchFolder("sw4");
    WriteFileOfSize(cd + "\\sw4w.ex_", 4096);
    SetLastWriteTime(cd + "\\sw4w.ex_", CdTime);
    for (const Row &row : Rows) {
        SCOPED_TRACE(row.name);
        DeleteInstallRecord();
        DeleteFileA((installed + "\\SW4w.exe").c_str());
        if (row.install != NoRecord)
            RecordInstallation(installed, row.autorun);
        if (row.install == Current)
            CopyFileA(StandinGamePath().c_str(), (installed + "\\SW4w.exe").c_str(), FALSE);
        if (row.install == Unstartable)
            WriteFileOfSize(installed + "\\SW4w.exe", 4096);
        SetLastWriteTime(installed + "\\SW4w.exe", CdTime);
        auto otherSetup = row.otherSetup ? std::make_unique<HeldMutex>(SetupMutex) : nullptr;
        auto game = row.gameRunning ? std::make_unique<HeldMutex>(GameMutex) : nullptr;

        ProgramRun setup;
        std::string folder = row.install == RecordOffTheCd ? offTheCd : cd;
        std::string program = row.programFolder ? CopyOfSetup(row.programFolder)
                              : row.memory      ? LowMemorySetupExePath() : SetupExePath();
        ASSERT_TRUE(setup.Start(program, row.arguments, folder,
                                row.memory ? std::string("SW4_TEST_TOTAL_PHYS=") + row.memory : ""));
        std::vector<std::string> faces;
        HWND window = nullptr;
        for (std::string face; faces.size() < 3 && (face = NextFace(setup, &window)) != "nothing";) {
            faces.push_back(face);
            if (face == Memory)
                EXPECT_EQ("Starwake IV Setup", WindowText(window));
            // Setup holds its own mutex for its whole life, and only probes the game's.
            otherSetup.reset();
            EXPECT_TRUE(MutexExists(SetupMutex)) << "shown without holding the setup mutex";
            EXPECT_EQ(row.gameRunning, MutexExists(GameMutex)) << "the game's mutex";
            PressCommand(window, face == "launcher" || face == "wizard" ? IDCANCEL : IDOK);
            EXPECT_TRUE(WaitForWindowGone(window));
        }
        EXPECT_EQ(row.faces, faces);
        EXPECT_EQ(0, setup.WaitForExit());
        if (row.programFolder)
            RemoveTree(program.substr(0, program.rfind('\\')));
        EXPECT_EQ(row.gameStarted, ProcessRunning("SW4w.exe")) << "the game";
        if (row.gameStarted) {
            GameSighting sighting = WaitForGame();
            EXPECT_EQ(installed + "\\SW4w.exe", sighting.commandLine);
            EXPECT_EQ(installed, sighting.folder);
            CloseGame();
        }
    }
    DeleteInstallRecord();
    for (const std::string &folder : { cd, offTheCd, installed })
        RemoveTree(folder);
}

// GlobalMemoryStatusEx, whole from 4 GB on, where the system has it; else, as
// on Windows 95 (a module without it stands in), GlobalMemoryStatus.
TEST(MemoryProbe, TakesTheExtendedStatusWhereTheSystemHasIt)
{
    MEMORYSTATUSEX extended = { sizeof extended };
    MEMORYSTATUS plain = { sizeof plain };
    ASSERT_TRUE(GlobalMemoryStatusEx(&extended));
    GlobalMemoryStatus(&plain);
    EXPECT_EQ(extended.ullTotalPhys, TotalPhysicalMemory(GetModuleHandleA("kernel32.dll")));
    EXPECT_EQ((ULONGLONG)plain.dwTotalPhys, TotalPhysicalMemory(GetModuleHandleA("user32.dll")));
    EXPECT_EQ((ULONGLONG)plain.dwTotalPhys, TotalPhysicalMemory(nullptr));
}

}  // namespace
