// setup.exe runs as administrator from Vista on, often from folders that others may write: DLLs and a Notepad
// planted beside it, in the CD folder and in the install folder must never run, whichever road setup takes.
#include "resources/resource.h"
#include "wizard_driver.h"

#include <gtest/gtest.h>
#include <filesystem>

namespace {

// This program runs with WINEDLLOVERRIDES=winmm,comctl32,uxtheme=n,b, which every setup it starts inherits: Wine's
// loader then treats these names as Windows' treats every DLL that is not one of its KnownDLLs, and takes the one
// beside the program first. (Wine reads it from the environment the process started with, so it is set for the
// whole test program, not for each setup.)
const char *const PlantedNames[] = { "winmm.dll", "comctl32.dll", "uxtheme.dll", "notepad.exe" };

void Plant(const std::string &folder)
{
    std::filesystem::create_directories(folder);
    for (const char *name : PlantedNames)
        std::filesystem::copy_file(std::string(name) == "notepad.exe" ? PlantedProgramPath() : PlantedLibraryPath(),
                                   folder + "\\" + name, std::filesystem::copy_options::overwrite_existing);
}

bool EndsWith(const std::string &text, const std::string &end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The markers of what was loaded or started: "name" or "name by program", one a line. What the game loads from
// its own folder is the game's choice, not setup's, and is left out.
std::string Markers(const std::string &folder)
{
    std::string found;
    for (const auto &entry : std::filesystem::directory_iterator(folder)) {
        std::string name = entry.path().filename().string(), by = ReadBytes(entry.path().string());
        if ((EndsWith(name, ".loaded") || EndsWith(name, ".ran")) && !EndsWith(by, "\\SW4w.exe"))
            found += name + (by.empty() ? "" : " by " + by) + "\n";
    }
    return found;
}

class PlantedCodeTest : public testing::Test {
protected:
    void SetUp() override
    {
        DeleteInstallRecord();
        cd_ = ScratchFolder("planted cd");
        installed_ = ScratchFolder("planted install") + "\\Starwake IV";
        MakeSmallCd(cd_);
        CopyFileA(SetupExePath().c_str(), (cd_ + "\\setup.exe").c_str(), FALSE);
        Plant(cd_);
        Plant(installed_);
    }
    void TearDown() override
    {
        CloseGame();
        EndProcesses("notepad.exe");
        DeleteInstallRecord();
        DeleteFileA(DesktopShortcut().c_str());
        RemoveTree(cd_);
        RemoveTree(installed_.substr(0, installed_.rfind('\\')));
    }
    // The system's Notepad shows the readme and nothing planted ran for it.
    static testing::AssertionResult SystemNotepadShowsReadme()
    {
        if (!WaitUntil([] { return ReadmeViewers().size() == 1; }))
            return testing::AssertionFailure() << ReadmeViewers().size() << " readme viewers";
        EndProcesses("notepad.exe");
        return testing::AssertionSuccess();
    }

    std::string cd_, installed_;
};

TEST_F(PlantedCodeTest, NothingPlantedRunsInAnInstallationTheLauncherOrAQuietAutorunStart)
{
    const std::string setup = cd_ + "\\setup.exe";

    // A whole installation, its readme and the game it starts.
    Wizard wizard;
    ASSERT_TRUE(wizard.StartProgram(setup, "", cd_, "")) << "setup did not start: " << Markers(cd_);
    ASSERT_EQ("folder", wizard.Press(SHEET_NEXT));
    wizard.Type(installed_);
    ASSERT_EQ("confirm", wizard.Press(SHEET_NEXT));
    ASSERT_EQ("complete", wizard.Press(SHEET_NEXT));
    PostMessageA(wizard.Page(), WM_COMMAND, MAKEWPARAM(IDC_VIEW_README, BN_CLICKED),
                 (LPARAM)FindControl(wizard.Page(), IDC_VIEW_README));
    EXPECT_TRUE(SystemNotepadShowsReadme()) << "from the completion step";
    EXPECT_EQ(0, wizard.Close(SHEET_FINISH));
    EXPECT_EQ("\"" + installed_ + "\\SW4w.exe\"", WaitForGame().commandLine);
    CloseGame();

    // The launcher's View Readme and Run Game.
    {
        ProgramRun launcher;
        ASSERT_TRUE(launcher.Start(setup, "", cd_));
        HWND menu = WaitForWindow(launcher.Id(), "Starwake IV Launch");
        ASSERT_NE(nullptr, menu);
        PressCommand(menu, IDC_VIEW_README);
        EXPECT_TRUE(SystemNotepadShowsReadme()) << "from the launcher";
        PressCommand(menu, IDC_RUN_GAME);
        EXPECT_EQ("\"" + installed_ + "\\SW4w.exe\"", WaitForGame().commandLine);
        EXPECT_EQ(0, launcher.WaitForExit());
    }

    // With the game running, an autorun start ends without a word.
    ProgramRun autorun;
    ASSERT_TRUE(autorun.Start(setup, "autorun", cd_));
    EXPECT_EQ(0, autorun.WaitForExit());
    EXPECT_TRUE(VisibleTopWindows(autorun.Id()).empty());

    EXPECT_EQ("", Markers(cd_)) << "planted beside setup.exe";
    EXPECT_EQ("", Markers(installed_)) << "planted in the install folder";
}

// A system DLL that setup loads itself but that cannot serve it (here one without the calls setup takes from
// it): setup names it and ends, before any window and having changed nothing.
TEST_F(PlantedCodeTest, SystemLibraryThatCannotBeLoadedIsNamedAndSetupEnds)
{
    char system[MAX_PATH];
    GetSystemDirectoryA(system, MAX_PATH);
    for (const char *name : { "comctl32.dll", "winmm.dll" }) {
        // Put back once setup has ended and let go of it, whatever the row found.
        struct Damaged {
            std::string path, saved;
            ~Damaged()
            {
                WaitUntil([&] { return CopyFileA(saved.c_str(), path.c_str(), FALSE) != FALSE; });
                DeleteFileA((path + ".loaded").c_str());
            }
        } damaged = { std::string(system) + "\\" + name, cd_ + "\\" + name + ".saved" };
        SCOPED_TRACE(damaged.path);
        ASSERT_TRUE(CopyFileA(damaged.path.c_str(), damaged.saved.c_str(), FALSE));
        ASSERT_TRUE(CopyFileA(PlantedLibraryPath().c_str(), damaged.path.c_str(), FALSE));
        ProgramRun setup;
        ASSERT_TRUE(setup.Start(SetupExePath(), "", cd_));
        HWND box = WaitForMessageBox(setup.Id(), "Setup cannot run");
        ASSERT_NE(nullptr, box);
        EXPECT_EQ("Setup cannot run, because Windows could not load this part of itself:\n" + damaged.path,
                  MessageBoxText(box));
        EXPECT_EQ(1u, VisibleTopWindows(setup.Id()).size()) << "the box alone";
        PressCommand(box, IDOK);
        EXPECT_EQ(1, setup.WaitForExit());
        EXPECT_FALSE(RecordExists());
    }
}

}   // namespace
