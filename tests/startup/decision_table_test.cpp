// setup.exe started as a process, as a user or the CD's autorun starts it:
// which face it shows for each row of start-up's decision, and its exit code.
#include "resources/resource.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <memory>

namespace {

enum class Face { Nothing, Launcher, Wizard, MemoryWarning, FileWarning };

const char *FaceName(Face face)
{
    switch (face) {
    case Face::Nothing: return "nothing";
    case Face::Launcher: return "launcher";
    case Face::Wizard: return "wizard";
    case Face::MemoryWarning: return "memory warning";
    case Face::FileWarning: return "missing-file warning";
    }
    return "?";
}

std::ostream &operator<<(std::ostream &out, Face face) { return out << FaceName(face); }

class DecisionTableTest : public testing::Test {
protected:
    void SetUp() override
    {
        DeleteInstallRecord();
        cd_ = ScratchFolder("cd");
        installed_ = ScratchFolder("sw4");
        WriteFileOfSize(cd_ + "\\sw4w.ex_", 4096);
        SetLastWriteTime(cd_ + "\\sw4w.ex_", cdTime_);
    }
    void TearDown() override
    {
        CloseGame();
        DeleteInstallRecord();
        RemoveTree(cd_);
        RemoveTree(installed_);
    }

    // A recorded installation whose game is as new as the CD's.
    void InstallCurrent(BYTE autorun)
    {
        RecordInstallation(installed_, autorun);
        CopyFileA(StandinGamePath().c_str(), (installed_ + "\\SW4w.exe").c_str(), FALSE);
        SetLastWriteTime(installed_ + "\\SW4w.exe", cdTime_);
    }
    // Current by its time stamp, but no program the system can start.
    void InstallCurrentButBroken(BYTE autorun)
    {
        RecordInstallation(installed_, autorun);
        WriteFileOfSize(installed_ + "\\SW4w.exe", 4096);
        SetLastWriteTime(installed_ + "\\SW4w.exe", cdTime_);
    }
    void HoldMutex(ProgramRun &holder, const char *name)
    {
        ASSERT_TRUE(holder.Start(HoldMutexPath(), std::string("\"") + name + "\"", ""));
        ASSERT_TRUE(WaitUntil([&] {
            HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, name);
            if (mutex)
                CloseHandle(mutex);
            return mutex != nullptr;
        }));
    }

    bool Start(const std::string &arguments, bool lowMemory = false)
    {
        setup_ = std::make_unique<ProgramRun>();
        if (lowMemory)
            return setup_->Start(LowMemorySetupExePath(), arguments, cd_, "SW4_TEST_TOTAL_PHYS=14999999");
        return setup_->Start(SetupExePath(), arguments, cd_);
    }

    // The first thing setup shows, or Nothing when it ends without a window.
    Face NextFace()
    {
        Face face = Face::Nothing;
        window_ = nullptr;
        WaitUntil([&] {
            for (HWND w : VisibleTopWindows(setup_->Id())) {
                std::string caption = WindowText(w);
                std::string text = MessageBoxText(w);
                if (caption == "Starwake IV Launch")
                    face = Face::Launcher;
                else if (caption == "Starwake IV Setup" && FindControl(w, IDC_PAGE_TEXT))
                    face = Face::Wizard;
                else if (text.find("requires at least 16 MB of RAM") != std::string::npos)
                    face = Face::MemoryWarning;
                else if (text.find("Setup could not find the following file") != std::string::npos)
                    face = Face::FileWarning;
                else
                    continue;
                window_ = w;
                return true;
            }
            return setup_->HasExited();
        }, 20000);
        return face;
    }

    // Closes what NextFace found the way a user would.
    void Dismiss()
    {
        ASSERT_NE(nullptr, window_);
        PressCommand(window_, caption() == "Starwake IV Launch" || FindControl(window_, IDC_PAGE_TEXT)
                                  ? IDCANCEL : IDOK);
        EXPECT_TRUE(WaitForWindowGone(window_));
    }
    std::string caption() { return WindowText(window_); }

    void ExpectFaces(std::initializer_list<Face> faces)
    {
        for (Face expected : faces) {
            Face face = NextFace();
            ASSERT_EQ(expected, face);
            if (face == Face::MemoryWarning) {
                EXPECT_EQ("Starwake IV Setup", caption());
            }
            Dismiss();
        }
        EXPECT_EQ(Face::Nothing, NextFace()) << "shown after the expected faces";
        EXPECT_EQ(0, setup_->WaitForExit());
    }

    std::string cd_, installed_;
    FILETIME cdTime_ = MakeFileTime(1997, 10, 15);
    std::unique_ptr<ProgramRun> setup_;
    HWND window_ = nullptr;
};

// Rows 1 and 2: an autorun start gives way to another setup and to the game.
TEST_F(DecisionTableTest, AutorunEndsSilentlyWhileAnotherSetupRuns)
{
    ProgramRun other;
    HoldMutex(other, "Starwake IV Setup Mutex");
    ASSERT_TRUE(Start("autorun"));
    ExpectFaces({});
}

TEST_F(DecisionTableTest, AutorunEndsSilentlyWhileTheGameRuns)
{
    InstallCurrent(0);
    ProgramRun game;
    HoldMutex(game, "Starwake 4 Mutex");
    ASSERT_TRUE(Start("autorun"));
    ExpectFaces({});
}

TEST_F(DecisionTableTest, AutorunIsAnySubstringButCaseSensitive)
{
    ProgramRun other;
    HoldMutex(other, "Starwake IV Setup Mutex");
    for (const char *arguments : { "-autorun", "/autorun", "xautorunx" }) {
        SCOPED_TRACE(arguments);
        ProgramRun run;
        ASSERT_TRUE(run.Start(SetupExePath(), arguments, cd_));
        EXPECT_EQ(0, run.WaitForExit());
    }
    ASSERT_TRUE(Start("/AutoRun"));
    ExpectFaces({ Face::Wizard });
}

// Row 3: menu switched off, the game starts directly and nothing shows.
TEST_F(DecisionTableTest, AutorunWithMenuSuppressedStartsTheGameDirectly)
{
    InstallCurrent(1);
    ASSERT_TRUE(Start("autorun"));
    ExpectFaces({});
    GameSighting game = WaitForGame();
    ASSERT_NE(nullptr, game.window);
    EXPECT_EQ(installed_ + "\\SW4w.exe", game.commandLine);
    EXPECT_EQ(installed_, game.folder);
}

// Rows 4 and 5: the direct start fails; set up afresh.
TEST_F(DecisionTableTest, FailedDirectStartFallsBackToTheWizard)
{
    InstallCurrentButBroken(1);
    ASSERT_TRUE(Start("autorun"));
    ExpectFaces({ Face::Wizard });
}

TEST_F(DecisionTableTest, FailedDirectStartOnLowMemoryOnlyWarns)
{
    InstallCurrentButBroken(1);
    ASSERT_TRUE(Start("autorun", true));
    ExpectFaces({ Face::MemoryWarning });
}

// Rows 6 and 7.
TEST_F(DecisionTableTest, AutorunWithMenuShowsTheLauncher)
{
    InstallCurrent(0);
    ASSERT_TRUE(Start("autorun"));
    ExpectFaces({ Face::Launcher });
    EXPECT_FALSE(GameWindowShown());
}

TEST_F(DecisionTableTest, AutorunWithMenuOnLowMemoryOnlyWarns)
{
    InstallCurrent(0);
    ASSERT_TRUE(Start("autorun", true));
    ExpectFaces({ Face::MemoryWarning });
}

// Rows 8 and 9.
TEST_F(DecisionTableTest, AutorunWithoutInstallationShowsTheWizard)
{
    ASSERT_TRUE(Start("autorun"));
    ExpectFaces({ Face::Wizard });
}

TEST_F(DecisionTableTest, AutorunWithoutInstallationOnLowMemoryOnlyWarns)
{
    ASSERT_TRUE(Start("autorun", true));
    ExpectFaces({ Face::MemoryWarning });
}

// Rows 10 to 13: a start by hand goes on whatever else runs.
TEST_F(DecisionTableTest, ByHandWithInstallationShowsTheLauncherEvenBesideAnotherSetup)
{
    InstallCurrent(1);   // the menu switch matters only at autorun
    ASSERT_TRUE(Start(""));
    ExpectFaces({ Face::Launcher });

    ProgramRun other;
    HoldMutex(other, "Starwake IV Setup Mutex");
    ASSERT_TRUE(Start(""));
    ExpectFaces({ Face::Launcher });
}

TEST_F(DecisionTableTest, ByHandWithInstallationOnLowMemoryWarnsThenShowsTheLauncher)
{
    InstallCurrent(0);
    ASSERT_TRUE(Start("", true));
    ExpectFaces({ Face::MemoryWarning, Face::Launcher });
}

TEST_F(DecisionTableTest, ByHandWithoutInstallationShowsTheWizardEvenWhileTheGameRuns)
{
    ProgramRun other, game;
    HoldMutex(other, "Starwake IV Setup Mutex");
    HoldMutex(game, "Starwake 4 Mutex");
    ASSERT_TRUE(Start(""));
    ExpectFaces({ Face::Wizard });
}

TEST_F(DecisionTableTest, ByHandWithoutInstallationOnLowMemoryWarnsThenShowsTheWizard)
{
    ASSERT_TRUE(Start("", true));
    ExpectFaces({ Face::MemoryWarning, Face::Wizard });
}

// A CD folder without the game's executable: warned, then the record counts as current.
TEST_F(DecisionTableTest, StartOutsideTheCdWarnsOfTheMissingFileThenShowsTheLauncher)
{
    RecordInstallation(installed_, 0);   // even with no game installed
    DeleteFileA((cd_ + "\\sw4w.ex_").c_str());
    ASSERT_TRUE(Start(""));
    Face face = NextFace();
    ASSERT_EQ(Face::FileWarning, face);
    EXPECT_EQ("Setup could not find the following file on the installation CD : sw4w.ex_",
              MessageBoxText(window_));
    Dismiss();
    ExpectFaces({ Face::Launcher });
}

}  // namespace
