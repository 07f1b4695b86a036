// setup.exe runs as administrator from Vista on, often from folders that others may write: DLLs and a Notepad
// planted beside it, in the CD folder and in the install folder must never run, whichever road setup takes.
#include "resources/resource.h"
#include "wizard_driver.h"

#include <gtest/gtest.h>
#include <filesystem>

namespace {

// This program runs with WINEDLLOVERRIDES=winmm,comctl32,uxtheme=n,b, which every setup it starts inherits: Wine's
// loader then takes these names, as Windows' takes every DLL that is not a KnownDLL, from beside the program
// first. (Wine reads it only from the environment a process starts with, so it is set for the whole program.)
void Plant(const std::string &folder)
{
    std::filesystem::create_directories(folder);
    for (const char *name : { "winmm.dll", "comctl32.dll", "uxtheme.dll", "notepad.exe" })
        CopyFileA((name[0] == 'n' ? PlantedProgramPath() : PlantedLibraryPath()).c_str(),
                  (folder + "\\" + name).c_str(), FALSE);
}

// "name by program" for each marker, one a line; what the game loads from its own folder is its own choice.
std::string Markers(const std::string &folder)
{
    std::string found;
    for (const auto &entry : std::filesystem::directory_iterator(folder)) {
        std::string name = entry.path().filename().string(), by = ReadBytes(entry.path().string());
        if ((name.find(".loaded") != std::string::npos || name.find(".ran") != std::string::npos)
            && by.find("\\SW4w.exe") == std::string::npos)
            found += name + " by " + by + "\n";
    }
    return found;
}

// The system's Notepad shows the readme: nothing planted ran in its place.
bool SystemNotepadShowsReadme()
{
    bool shown = WaitUntil([] { return ReadmeViewers().size() == 1; });
    EndProcesses("notepad.exe");
    return shown;
}

class PlantedCodeTest : public testing::Test {
protected:
    void SetUp() override
    {
        DeleteInstallRecord();
        MakeSmallCd(cd_);
        CopyFileA(SetupExePath().c_str(), (cd_ + "\\setup.exe").c_str(), FALSE);
        Plant(cd_);
        Plant(installed_);
    }
    void TearDown() override
    {
        CloseGame();
        DeleteInstallRecord();
        DeleteFileA(DesktopShortcut().c_str());
        RemoveTree(cd_);
        RemoveTree(installed_.substr(0, installed_.rfind('\\')));
    }

    std::string cd_ = ScratchFolder("planted cd"), installed_ = ScratchFolder("planted install") + "\\Starwake IV";
};

TEST_F(PlantedCodeTest, NothingPlantedRunsInAnInstallationTheLauncherOrAQuietAutorunStart)
{
    const std::string setup = cd_ + "\\setup.exe", game = "\"" + installed_ + "\\SW4w.exe\"";
    Wizard wizard;
    ASSERT_TRUE(wizard.StartProgram(setup, "", cd_, "")) << "setup did not start: " << Markers(cd_);
    ASSERT_EQ("folder", wizard.Press(SHEET_NEXT));
    wizard.Type(installed_);
    ASSERT_EQ("confirm", wizard.Press(SHEET_NEXT));
    ASSERT_EQ("complete", wizard.Press(SHEET_NEXT));
    PostMessageA(wizard.Page(), WM_COMMAND, IDC_VIEW_README, (LPARAM)FindControl(wizard.Page(), IDC_VIEW_README));
    EXPECT_TRUE(SystemNotepadShowsReadme()) << "from the completion step";
    EXPECT_EQ(0, wizard.Close(SHEET_FINISH));
    EXPECT_EQ(game, WaitForGame().commandLine) << "Run Game Now";
    CloseGame();

    ProgramRun launcher;
    ASSERT_TRUE(launcher.Start(setup, "", cd_));
    HWND menu = WaitForWindow(launcher.Id(), "Starwake IV Launch");
    ASSERT_NE(nullptr, menu);
    PressCommand(menu, IDC_VIEW_README);
    EXPECT_TRUE(SystemNotepadShowsReadme()) << "from the launcher";
    PressCommand(menu, IDC_RUN_GAME);
    EXPECT_EQ(game, WaitForGame().commandLine) << "from the launcher";
    EXPECT_EQ(0, launcher.WaitForExit());

    ProgramRun autorun;   // the game runs: it ends without a word
    ASSERT_TRUE(autorun.Start(setup, "autorun", cd_));
    EXPECT_EQ(0, autorun.WaitForExit());

    EXPECT_EQ("", Markers(cd_)) << "planted beside setup.exe";
    EXPECT_EQ("", Markers(installed_)) << "planted in the install folder";
}

// A system DLL that setup loads itself but that cannot serve it (here one without the calls it takes): setup
// names it and ends, before any window and having changed nothing.
TEST_F(PlantedCodeTest, SystemLibraryThatCannotBeLoadedIsNamedAndSetupEnds)
{
    char system[MAX_PATH];
    GetSystemDirectoryA(system, MAX_PATH);
    for (const char *name : { "comctl32.dll", "winmm.dll" }) {
        struct Damaged {   // put back once setup has let go of it, whatever the row found
            std::string path, saved;
            ~Damaged() { WaitUntil([&] { return CopyFileA(saved.c_str(), path.c_str(), FALSE) != FALSE; }); }
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
        DeleteFileA((damaged.path + ".loaded").c_str());
    }
}

}   // namespace
