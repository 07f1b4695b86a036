// The wizard of setup.exe driven as a user drives it: the folder texts, the
// free-space warning and Cancel. D: is the build's CD image as a CD-ROM drive;
// r: to t: are small_drives.sh's: r: just under 20,000,000 free bytes, s: just
// over, t: over 4 GiB.
#include "wizard_driver.h"
#include "startup/install_record.h"
#include "resources/resource.h"

#include <gtest/gtest.h>
#include <algorithm>

namespace {

ULONGLONG FreeBytes(const char *root)
{
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
    GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters);
    return (ULONGLONG)freeClusters * bytesPerSector * sectorsPerCluster;
}

bool Exists(const std::string &path)
{
    return FileExists(path) || FolderExists(path);
}

// A path of `length` characters under base, in folders of up to 100 characters.
std::string PathOfLength(const std::string &base, size_t length)
{
    std::string path = base;
    for (char name = 'a'; path.size() < length; name++)
        path += "\\" + std::string(std::min<size_t>(length - path.size() - 1, 100), name);
    return path;
}

class WizardTest : public testing::Test {
protected:
    void SetUp() override
    {
        DeleteInstallRecord();
        cd_ = ScratchFolder("cd");
        MakeSmallCd(cd_);
        base_ = ScratchFolder("folder");
    }
    void TearDown() override
    {
        DeleteInstallRecord();
        RemoveTree(cd_);
        RemoveTree(base_);
    }
    std::string cd_, base_;
};

// Each text typed in the folder step, Next, then Back: what the wizard made
// of it, and what is on disk afterwards.
TEST_F(WizardTest, FolderTextsAndTheFreeSpaceWarningInOneSession)
{
    ASSERT_EQ(19996672u, FreeBytes("R:\\")) << "small_drives.sh has not made r:";
    ASSERT_EQ(20000768u, FreeBytes("S:\\"));
    ASSERT_EQ(4294971392u, FreeBytes("T:\\"));
    ASSERT_EQ((UINT)DRIVE_CDROM, GetDriveTypeA("D:\\")) << "the CD drive is not mounted";
    const std::string b = base_;
    CreateDirectoryA((b + "\\games").c_str(), nullptr);
    WriteFileOfSize(b + "\\games\\save.dat", 16);
    CreateDirectoryA((b + "\\empty").c_str(), nullptr);
    WriteFileOfSize(b + "\\blocker", 16);
    std::string cut = b + "\\cut";
    cut.resize(240, '\\');   // only the first 240 characters count
    const std::string longest = PathOfLength(b, MAX_RECORDED_INSTALL_DIR), tooLong = PathOfLength(b, 237);
    ASSERT_EQ(236u, longest.size());
    // With a blank the record quotes the program's path: two characters fewer.
    const std::string longestBlank = PathOfLength(b + "\\a b", MAX_RECORDED_INSTALL_DIR_WITH_BLANK);
    const std::string tooLongBlank = PathOfLength(b + "\\a b", 235);
    ASSERT_EQ(234u, longestBlank.size());

    const struct Row {
        std::string what, text;
        int warning;   // the answer to the free-space warning, or 0 when none may show
        const char *step;
        std::string shown;
        std::vector<std::string> gone, kept;   // after Back
    } rows[] = {
        { "a new chain", b + "\\new\\sw4", 0, "confirm", b + "\\new\\sw4", { b + "\\new" }, { b } },
        { "a trailing backslash", b + "\\new\\sw4\\", 0, "confirm", b + "\\new\\sw4", { b + "\\new" }, {} },
        { "under a folder with a file", b + "\\games\\sw4", 0, "confirm", b + "\\games\\sw4", { b + "\\games\\sw4" },
          { b + "\\games\\save.dat" } },
        { "under an empty folder", b + "\\empty\\sw4", 0, "confirm", b + "\\empty\\sw4", { b + "\\empty\\sw4" },
          { b + "\\empty" } },
        { "a folder that is there", b + "\\empty", 0, "confirm", b + "\\empty", {}, { b + "\\empty" } },
        { "a drive", "c:", 0, "confirm", "C:\\", {}, { "C:\\windows" } },
        { "a drive root", "c:\\", 0, "confirm", "C:\\", {}, { "C:\\windows" } },
        { "no backslash", "c:games", 0, "confirm", "C:\\", { "C:\\games" }, {} },
        { "forward slashes", "c:/games/sw4", 0, "confirm", "C:\\", { "C:\\games" }, {} },
        { "relative", "sw4", 0, "refused", "sw4", { cd_ + "\\sw4" }, {} },
        { "no drive", "\\sw4", 0, "refused", "\\sw4", {}, {} },
        { "the CD drive's root", "D:\\", 0, "refused", "D:\\", {}, {} },
        { "the CD drive", "d:", 0, "refused", "d:", {}, {} },
        { "a folder on the CD drive", "D:\\sw4", 0, "refused", "D:\\sw4", {}, {} },
        { "a network path", "\\\\server\\share\\sw4", 0, "refused", "\\\\server\\share\\sw4", {}, {} },
        { "nothing", "", 0, "refused", "", {}, {} },
        { "a file in the way", b + "\\blocker\\sw4", 0, "refused", b + "\\blocker\\sw4", {}, { b + "\\blocker" } },
        { "a name the file system rejects", b + "\\new\\deeper\\bad|name", 0, "refused",
          b + "\\new\\deeper\\bad|name", { b + "\\new" }, {} },
        { "a leaf that walks back up", b + "\\new\\..\\sw4", 0, "refused", b + "\\new\\..\\sw4",
          { b + "\\new", b + "\\sw4" }, {} },
        // Leaves that would lead the chain off the path the rollback walks
        // back up: rooted, or only dots and blanks, which mean "here" or "up"
        // once their trailing dots and blanks go.
        { "a slash leaf", b + "\\new\\/", 0, "refused", b + "\\new\\/", { b + "\\new" }, {} },
        { "three dots", b + "\\new\\...", 0, "refused", b + "\\new\\...", { b + "\\new" }, {} },
        { "up with a blank", b + "\\new\\.. \\x", 0, "refused", b + "\\new\\.. \\x", { b + "\\new" }, {} },
        { "here after a slash", b + "\\new\\x/.", 0, "refused", b + "\\new\\x/.", { b + "\\new" }, {} },
        { "here with a blank", b + "\\new\\. ", 0, "refused", b + "\\new\\. ", { b + "\\new" }, {} },
        { "250 characters", cut + "\\zzzzzzzzz", 0, "confirm", b + "\\cut", { b + "\\cut" }, {} },
        { "the longest the record carries", longest, 0, "confirm", longest, { b + "\\a" }, {} },
        { "one more", tooLong, 0, "refused", tooLong, { b + "\\a" }, {} },
        { "one more, counted as read back", tooLong + "\\", 0, "refused", tooLong + "\\", { b + "\\a" }, {} },
        { "the longest with a backslash", longest + "\\", 0, "confirm", longest, { b + "\\a" }, {} },
        { "the longest with a blank", longestBlank, 0, "confirm", longestBlank, { b + "\\a b" }, {} },
        { "one more with a blank", tooLongBlank, 0, "refused", tooLongBlank, { b + "\\a b" }, {} },
        { "too little space, No", "r:\\sw4", IDNO, "refused", "r:\\sw4", { "R:\\sw4" }, {} },
        { "too little space, Yes", "r:\\sw4", IDYES, "confirm", "R:\\sw4", { "R:\\sw4" }, {} },
        { "a small drive's root, Yes", "r:", IDYES, "confirm", "R:\\", {}, {} },
        { "just enough space", "s:\\sw4", 0, "confirm", "S:\\sw4", { "S:\\sw4" }, {} },
        { "free bytes beyond 32 bits", "t:\\sw4", 0, "confirm", "T:\\sw4", { "T:\\sw4" }, {} },
    };
    Wizard wizard;
    ASSERT_TRUE(wizard.Start(cd_));
    ASSERT_EQ("folder", wizard.Press(SHEET_NEXT));
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what + ": \"" + row.text + "\"");
        wizard.Type(row.text);
        std::string step = wizard.Press(SHEET_NEXT);
        if (row.warning) {
            ASSERT_EQ("box", step);
            HWND box = wizard.Box();
            EXPECT_EQ("Warning!!", WindowText(box));
            EXPECT_EQ("The drive you have selected does not currently have enough space to install the "
                      "game.\n(20 MEGS required) Continue anyway?", MessageBoxText(box));
            EXPECT_EQ(wizard.Sheet(), GetWindow(box, GW_OWNER));
            EXPECT_FALSE(IsWindowEnabled(wizard.Sheet())) << "the box is modal to the sheet";
            EXPECT_TRUE(IsWindowVisible(FindControl(box, IDYES)));
            EXPECT_EQ(BS_DEFPUSHBUTTON, GetWindowLongA(FindControl(box, IDNO), GWL_STYLE) & BS_TYPEMASK)
                << "No is the default button";
            step = wizard.Answer(row.warning);
        }
        ASSERT_EQ(row.step, step);
        EXPECT_EQ(row.shown, wizard.Folder());
        bool accepted = step == "confirm";
        if (accepted) {
            EXPECT_TRUE(FolderExists(row.shown));
        }
        ASSERT_EQ("folder", wizard.Press(SHEET_BACK));
        EXPECT_EQ(accepted ? row.shown : "c:\\sw4", wizard.Folder()) << "the folder step after Back";
        for (const std::string &path : row.gone)
            EXPECT_FALSE(Exists(path)) << path;
        for (const std::string &path : row.kept)
            EXPECT_TRUE(Exists(path)) << path;
    }
    // Back removed T:\sw4; made again since, it is not the wizard's to remove.
    CreateDirectoryA("T:\\sw4", nullptr);
    EXPECT_EQ(0, wizard.Close(IDCANCEL));
    EXPECT_TRUE(FolderExists("T:\\sw4"));
    RemoveTree("T:\\sw4");
}

// Cancel before the installation leaves nothing the wizard made: from the
// confirmation, the folders that the check made go.
TEST_F(WizardTest, CancelBeforeTheInstallationLeavesNothingBehind)
{
    for (const char *step : { "refused", "confirm" }) {
        SCOPED_TRACE(step);
        Wizard wizard;
        ASSERT_TRUE(wizard.Start(cd_));
        ASSERT_EQ("folder", wizard.Press(SHEET_NEXT));
        wizard.Type(base_ + (step == std::string("refused") ? "\\new\\sw4\\..\\x" : "\\new\\sw4"));
        ASSERT_EQ(step, wizard.Press(SHEET_NEXT));
        EXPECT_EQ(0, wizard.Close(IDCANCEL));
        EXPECT_FALSE(FolderExists(base_ + "\\new"));
        EXPECT_TRUE(FolderExists(base_));
    }
}

}  // namespace
