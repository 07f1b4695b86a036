// The copy job through its real box: the box runs modally on the test's
// thread while a second thread plays the user, and a hook on the box's
// thread records what the job told the bar and the status line.
#include "copy/copy_job.h"
#include "startup/install_record.h"
#include "startup/text_buffer.h"
#include "resources/resource.h"
#include "host_shell.h"
#include "test_support.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <atomic>
#include <new>
#include <set>
#include <stdlib.h>
#include <string.h>
#include <thread>

// The job allocates with nothrow new; while armed, the nth such call fails.
static std::atomic<int> FailingAllocation{ 0 };

static void *AllocateOrFail(size_t size)
{
    int countdown = FailingAllocation.load();
    if (countdown > 0) {
        FailingAllocation.store(countdown - 1);
        if (countdown == 1)
            return nullptr;
    }
    return malloc(size ? size : 1);
}
void *operator new(size_t size, const std::nothrow_t &) noexcept { return AllocateOrFail(size); }
void *operator new[](size_t size, const std::nothrow_t &) noexcept { return AllocateOrFail(size); }

namespace {

// The CD's name and the installed name of every file, in the job's order.
const std::pair<const char *, const char *> Files[] = {
    { "sw4.exe", "sw4.exe" }, { "sw4.anm", "sw4.anm" }, { "snddrv.386", "snddrv.386" },
    { "snddet.386", "snddet.386" }, { "common.iff", "common.iff" }, { "lowres.dll", "lowres.dll" },
    { "hires480.dll", "hires480.dll" }, { "xmem.ovl", "xmem.ovl" }, { "sw4lang.iff", "sw4lang.iff" },
    { "mkboot.exe", "mkboot.exe" }, { "sw4.cds", "sw4.cds" }, { "swiv.ico", "swiv.ico" },
    { "setup.bat", "setup.bat" }, { "vbedrv.exe", "vbedrv.exe" }, { "readme.txt", "readme.txt" },
    { "startsw4.exe", "startsw4.exe" }, { "music1.pak", "music1.pak" },
    { "KorLib.DL_", "KorLib.dll" }, { "SW4w.ex_", "SW4w.exe" },
};

// ---- What the box was told, recorded on its own thread --------------------
struct BoxLog {
    std::vector<int> positions;           // every PBM_SETPOS: one per tick
    std::vector<LONGLONG> watchedSizes;   // the watched file's size at each
    std::vector<LPARAM> ranges;
    std::vector<std::string> status;
};
BoxLog Log;
std::string Watched;
std::atomic<int> TicksRun{ 0 };

LONGLONG SizeOf(const std::string &path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return -1;
    return ((LONGLONG)data.nFileSizeHigh << 32) | data.nFileSizeLow;
}

LRESULT CALLBACK RecordBoxCalls(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT *call = (const CWPSTRUCT *)lParam;
    if (code == HC_ACTION && call->hwnd == ProgressBar && call->message == PBM_SETPOS) {
        Log.positions.push_back((int)call->wParam);
        Log.watchedSizes.push_back(SizeOf(Watched));
        TicksRun++;
    } else if (code == HC_ACTION && call->hwnd == ProgressBar && call->message == PBM_SETRANGE) {
        Log.ranges.push_back(call->lParam);
    } else if (code == HC_ACTION && call->message == WM_SETTEXT && GetParent(call->hwnd) == CopyDialog.load()
               && GetDlgCtrlID(call->hwnd) == IDC_PROGRESS_TEXT) {
        Log.status.push_back((const char *)call->lParam);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// ---- The user, on a second thread ------------------------------------------
// Every message box of this process is recorded and answered by `answer`
// (0 leaves it open for now); `step` runs at every look.
struct User {
    std::function<int(HWND box, const std::string &text)> answer = [](HWND, const std::string &) { return IDOK; };
    std::function<void()> step = [] {};
    std::vector<std::string> boxes;
};

int RunCopyBox(User &user)
{
    std::atomic<bool> ended{ false };
    std::thread player([&] {
        std::set<HWND> seen, answered;
        while (!ended) {
            for (HWND box : VisibleTopWindows(GetCurrentProcessId())) {
                char className[32];
                GetClassNameA(box, className, sizeof className);
                if (strcmp(className, "#32770") != 0 || box == CopyDialog.load() || answered.count(box))
                    continue;
                std::string text = MessageBoxText(box);
                if (seen.insert(box).second)
                    user.boxes.push_back(text);
                if (int button = user.answer(box, text)) {
                    PostMessageA(box, WM_COMMAND, button, 0);
                    answered.insert(box);
                }
            }
            user.step();
            Sleep(10);
        }
    });
    int result = RunCopyDialog(nullptr);
    ended = true;
    player.join();
    return result;
}

// A tick delivered now, whatever TickThread thinks.
void TickNow()
{
    SendMessageTimeoutA(CopyDialog.load(), WM_COMMAND, IDC_COPY_TICK, 0, SMTO_NORMAL, 5000, nullptr);
}

const std::string CopyFailed = "Copy Failed on file: ";
const std::string Aborted = "\nInstallation aborted.";

class CopyJobTest : public testing::Test {
protected:
    void SetUp() override
    {
        InitCommonControls();
        cd_ = ScratchFolder("cd");
        install_ = ScratchFolder("install");
        for (size_t row = 0; row < sizeof Files / sizeof Files[0]; row++)
            PutOnCd(Files[row].first, 100 + 37 * (DWORD)row);
        home_ = CurrentFolder();
        SetCurrentDirectoryA(cd_.c_str());
        TextCopy(InstallDir, sizeof InstallDir, install_.c_str());
        RestartJob(0);
        Log = BoxLog();
        Watched.clear();
        hook_ = SetWindowsHookExA(WH_CALLWNDPROC, RecordBoxCalls, nullptr, GetCurrentThreadId());
    }
    void TearDown() override
    {
        UnhookWindowsHookEx(hook_);
        SetCurrentDirectoryA(home_.c_str());
        RemoveTree(cd_);
        RemoveTree(install_);
        TextCopy(InstallDir, sizeof InstallDir, "c:\\sw4");
    }

    // The job forgets what it did, as in a new process.
    void RestartJob(LONG copiedTotal)
    {
        CopyJob.nextFile = 0;
        CopyJob.extraFilesTried = 0;
        CopyJob.result = 0;
        CopyJob.copiedTotal = copiedTotal;
    }
    void EmptyInstallFolder()
    {
        RemoveTree(install_);
        CreateDirectoryA(install_.c_str(), nullptr);
    }
    void PutOnCd(const char *name, DWORD size)
    {
        WriteFileOfSize(Cd(name), size, size);
        SetLastWriteTime(Cd(name), cdTime_);
    }
    // Only what a case then changes needs copying.
    void InstallAllUpToDate()
    {
        for (const auto &file : Files) {
            CopyFileA(Cd(file.first).c_str(), Installed(file.second).c_str(), FALSE);
            SetLastWriteTime(Installed(file.second), cdTime_);
        }
    }
    std::string Cd(const std::string &name) { return cd_ + "\\" + name; }
    std::string Installed(const std::string &name) { return std::string(InstallDir) + "\\" + name; }
    void ExpectCopied(const char *cdName, const char *installedName)
    {
        ASSERT_TRUE(FileExists(Installed(installedName))) << installedName;
        EXPECT_EQ(ReadWholeFile(Cd(cdName)), ReadWholeFile(Installed(installedName))) << installedName;
        FILETIME copied = LastWriteTime(Installed(installedName));
        EXPECT_EQ(0, CompareFileTime(&cdTime_, &copied)) << installedName;
    }

    std::string cd_, install_, home_;
    FILETIME cdTime_ = MakeFileTime(1997, 10, 15);
    HHOOK hook_ = nullptr;
};

TEST_F(CopyJobTest, CopiesWhatIsMissingOrOlderWithTheSourcesBytesAndTimeOncePerProcess)
{
    PutOnCd("swiv.ico", 0);
    InstallAllUpToDate();
    for (const char *name : { "sw4.exe", "swiv.ico", "KorLib.dll", "SW4w.exe" })
        DeleteFileA(Installed(name).c_str());
    // Other bytes than the CD's, so that a copy would show.
    auto installOther = [&](const char *name, LONGLONG timeOffset) {
        WriteFileOfSize(Installed(name), 10, 99);
        SetLastWriteTime(Installed(name), FileTimePlus(cdTime_, timeOffset));
    };
    installOther("sw4.anm", 0);
    installOther("snddrv.386", -1);
    installOther("snddet.386", 1);

    User user;
    EXPECT_EQ(1, RunCopyBox(user));
    EXPECT_EQ(std::vector<std::string>{}, user.boxes);
    for (const char *name : { "sw4.exe", "snddrv.386", "swiv.ico" })
        ExpectCopied(name, name);
    ExpectCopied("KorLib.DL_", "KorLib.dll");
    ExpectCopied("SW4w.ex_", "SW4w.exe");
    EXPECT_EQ(10, SizeOf(Installed("sw4.anm"))) << "as new as the CD's: kept";
    EXPECT_EQ(10, SizeOf(Installed("snddet.386"))) << "newer: kept";
    ASSERT_EQ(5u, Log.status.size());
    EXPECT_EQ("Copying sw4.exe to " + Installed("sw4.exe"), Log.status.front());
    EXPECT_EQ("Copying SW4w.ex_ to " + Installed("SW4w.exe"), Log.status.back());

    SetLastWriteTime(Installed("sw4.exe"), FileTimePlus(cdTime_, -1));
    size_t ticks = Log.positions.size();
    EXPECT_EQ(1, RunCopyBox(user)) << "a second run finds nothing left";
    EXPECT_EQ(ticks, Log.positions.size());
    EXPECT_EQ(std::vector<std::string>{}, user.boxes);
}

TEST_F(CopyJobTest, EverythingUpToDateEndsAtOnceWithOne)
{
    InstallAllUpToDate();
    User user;
    EXPECT_EQ(1, RunCopyBox(user));
    EXPECT_EQ(0u, Log.positions.size());
    EXPECT_EQ(0u, Log.status.size());
}

TEST_F(CopyJobTest, ChunksOf32KAndABarThatLagsOneChunkAndStepsAt76053Bytes)
{
    InstallAllUpToDate();
    PutOnCd("sw4.exe", 65537);
    PutOnCd("sw4.anm", 10515);
    PutOnCd("snddrv.386", 1);
    for (const char *name : { "sw4.exe", "sw4.anm", "snddrv.386" })
        DeleteFileA(Installed(name).c_str());
    Watched = Installed("sw4.exe");

    User user;
    EXPECT_EQ(1, RunCopyBox(user));
    // sw4.exe in three chunks and a tick that finishes it; 76,052 bytes
    // after sw4.anm, and the bar shows the last byte one tick later.
    EXPECT_EQ((std::vector<int>{ 0, 0, 0, 0, 0, 0, 0, 1 }), Log.positions);
    EXPECT_EQ((std::vector<LONGLONG>{ 0, 32768, 65536, 65537, 65537, 65537, 65537, 65537 }), Log.watchedSizes);
    EXPECT_EQ(std::vector<LPARAM>(3, MAKELPARAM(0, 100)), Log.ranges);
    ExpectCopied("sw4.exe", "sw4.exe");
}

TEST_F(CopyJobTest, BarIsFullAt15134438BytesAndStaysFull)
{
    InstallAllUpToDate();
    PutOnCd("sw4.exe", 1);
    PutOnCd("sw4.anm", 40000);
    DeleteFileA(Installed("sw4.exe").c_str());
    DeleteFileA(Installed("sw4.anm").c_str());
    RestartJob(15134437);
    User user;
    EXPECT_EQ(1, RunCopyBox(user));
    EXPECT_EQ((std::vector<int>{ 99, 100, 100, 100, 100 }), Log.positions);

    SetLastWriteTime(Installed("sw4.exe"), FileTimePlus(cdTime_, -1));
    RestartJob(2000000000);
    Log.positions.clear();
    EXPECT_EQ(1, RunCopyBox(user));
    EXPECT_EQ((std::vector<int>{ 100, 100 }), Log.positions);
}

TEST_F(CopyJobTest, MissingCdFileWarnsOnceAndIsSkipped)
{
    DeleteFileA(Cd("xmem.ovl").c_str());
    DeleteFileA(Cd("SW4w.ex_").c_str());
    User user;
    EXPECT_EQ(1, RunCopyBox(user)) << "even with the last candidate missing";
    const std::string warning = "Setup could not find the following file on the installation CD : ";
    EXPECT_EQ((std::vector<std::string>{ warning + "xmem.ovl", warning + "SW4w.ex_" }), user.boxes);
    EXPECT_FALSE(FileExists(Installed("xmem.ovl")));
    EXPECT_FALSE(FileExists(Installed("SW4w.exe")));
    ExpectCopied("sw4lang.iff", "sw4lang.iff");
    ExpectCopied("KorLib.DL_", "KorLib.dll");
}

TEST_F(CopyJobTest, CancelAsksWithNoAsDefaultAndNothingMovesWhileItAsks)
{
    PutOnCd("sw4.anm", 1 << 20);
    Watched = Installed("sw4.anm");
    for (int answer : { IDNO, IDYES }) {
        SCOPED_TRACE(answer == IDNO ? "answered No" : "answered Yes");
        EmptyInstallFolder();
        RestartJob(0);
        bool cancelled = false;
        std::string caption;
        bool noIsDefault = false;
        int ticksAsked = -1, ticksAnswered = -2;
        LONGLONG sizeAsked = -1, sizeAnswered = -2;
        User user;
        user.step = [&] {
            if (!cancelled && SizeOf(Watched) >= 65536) {
                PostMessageA(CopyDialog.load(), WM_COMMAND, IDCANCEL, 0);
                cancelled = true;
            }
        };
        user.answer = [&](HWND box, const std::string &text) {
            if (text != "Abort installation?")
                return IDOK;
            caption = WindowText(box);
            noIsDefault = (GetWindowLongA(GetDlgItem(box, IDNO), GWL_STYLE) & 0x0f) == BS_DEFPUSHBUTTON;
            sizeAsked = SizeOf(Watched);
            ticksAsked = TicksRun;
            for (int i = 0; i < 3; i++)
                TickNow();
            sizeAnswered = SizeOf(Watched);
            ticksAnswered = TicksRun;
            return answer;
        };
        int result = RunCopyBox(user);
        EXPECT_EQ("Confirmation", caption);
        EXPECT_TRUE(noIsDefault);
        EXPECT_EQ(sizeAsked, sizeAnswered) << "ticks during the question move nothing";
        EXPECT_EQ(ticksAsked, ticksAnswered);
        ExpectCopied("sw4.exe", "sw4.exe");
        if (answer == IDNO) {
            EXPECT_EQ(1, result);
            ExpectCopied("sw4.anm", "sw4.anm");
            ExpectCopied("SW4w.ex_", "SW4w.exe");
        } else {
            EXPECT_EQ(0, result);
            EXPECT_FALSE(FileExists(Watched)) << "the half-written file is removed";
            EXPECT_FALSE(FileExists(Installed("snddrv.386")));
        }
    }
}

TEST_F(CopyJobTest, SourceCutShortEndsTheJobWithItsMessage)
{
    PutOnCd("sw4.anm", 4 << 20);
    Watched = Installed("sw4.anm");
    bool cut = false, cutDone = false;
    User user;
    user.step = [&] {
        if (!cut && SizeOf(Watched) >= 32768) {
            cut = true;
            cutDone = RunHostCommand("truncate -s 40000 '" + UnixPath(Cd("sw4.anm")) + "'");
        }
    };
    EXPECT_EQ(0, RunCopyBox(user));
    ASSERT_TRUE(cutDone);
    EXPECT_EQ(std::vector<std::string>{ CopyFailed + "sw4.anm" + Aborted }, user.boxes);
    EXPECT_FALSE(FileExists(Watched));
    ExpectCopied("sw4.exe", "sw4.exe");
}

TEST_F(CopyJobTest, FullDriveEndsTheJobWithItsMessage)
{
    SmallDrive drive(1024);
    if (!drive.Ready())
        GTEST_SKIP() << "needs root and SW4_TEST_SCRATCH (scripts/test.sh)";
    std::string folder = drive.Root() + "sw4";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr)) << GetLastError();
    TextCopy(InstallDir, sizeof InstallDir, folder.c_str());
    PutOnCd("sw4.exe", 2 << 20);
    User user;
    EXPECT_EQ(0, RunCopyBox(user));
    EXPECT_EQ(std::vector<std::string>{ CopyFailed + folder + "\\sw4.exe" + Aborted }, user.boxes);
    EXPECT_FALSE(FileExists(folder + "\\sw4.exe"));
}

TEST_F(CopyJobTest, LongInstallFoldersAreCarriedWholeOrRefusedWhole)
{
    // The longest folder the installation record takes.
    std::string longest = install_;
    while (MAX_RECORDED_INSTALL_DIR - longest.size() > 42) {
        longest += "\\" + std::string(40, 'd');
        CreateDirectoryA(longest.c_str(), nullptr);
    }
    longest += "\\" + std::string(MAX_RECORDED_INSTALL_DIR - longest.size() - 1, 'e');
    ASSERT_TRUE(CreateDirectoryA(longest.c_str(), nullptr)) << GetLastError();
    ASSERT_EQ((size_t)MAX_RECORDED_INSTALL_DIR, longest.size());
    TextCopy(InstallDir, sizeof InstallDir, longest.c_str());
    User user;
    EXPECT_EQ(1, RunCopyBox(user));
    ExpectCopied("hires480.dll", "hires480.dll");
    ASSERT_FALSE(Log.status.empty());
    EXPECT_EQ("Copying SW4w.ex_ to " + longest + "\\SW4w.exe", Log.status.back());

    // No path that long opens: refused, and named whole.
    std::string tooLong = "C:\\" + std::string(252, 'x');
    TextCopy(InstallDir, sizeof InstallDir, tooLong.c_str());
    RestartJob(0);
    User second;
    EXPECT_EQ(0, RunCopyBox(second));
    EXPECT_EQ(std::vector<std::string>{ CopyFailed + tooLong + "\\sw4.exe" + Aborted }, second.boxes);
}

TEST_F(CopyJobTest, AllocationFailureEndsTheJobLikeACopyFailure)
{
    for (int failing = 1; failing <= 3; failing++) {
        SCOPED_TRACE(failing);
        RestartJob(0);
        User user;
        FailingAllocation = failing;
        EXPECT_EQ(0, RunCopyBox(user));
        FailingAllocation = 0;
        EXPECT_EQ(std::vector<std::string>{ CopyFailed + "sw4.exe" + Aborted }, user.boxes);
        EXPECT_FALSE(FileExists(Installed("sw4.exe")));
    }
}

// The missing-file warning belongs to the box's owner, so the box still
// takes Cancel, and ticks, while the next file is being chosen.
TEST_F(CopyJobTest, CancelDuringTheMissingFileWarningLeavesTheNextFileAlone)
{
    DeleteFileA(Cd("sw4.anm").c_str());
    for (int answer : { IDNO, IDYES }) {
        SCOPED_TRACE(answer == IDNO ? "answered No" : "answered Yes");
        EmptyInstallFolder();
        RestartJob(0);
        bool cancelled = false, asked = false;
        User user;
        user.answer = [&](HWND, const std::string &text) {
            if (text == "Abort installation?") {
                asked = true;
                return answer;
            }
            if (!cancelled) {
                PostMessageA(CopyDialog.load(), WM_COMMAND, IDCANCEL, 0);
                cancelled = true;
            }
            if (!asked || FindWindowA(nullptr, "Confirmation"))
                return 0;
            TickNow();   // with the question answered and the warning still open
            return IDOK;
        };
        int result = RunCopyBox(user);
        EXPECT_EQ(2u, user.boxes.size());
        ExpectCopied("sw4.exe", "sw4.exe");
        if (answer == IDNO) {
            EXPECT_EQ(1, result);
            ExpectCopied("snddrv.386", "snddrv.386");
            ExpectCopied("SW4w.ex_", "SW4w.exe");
        } else {
            EXPECT_EQ(0, result);
            EXPECT_FALSE(FileExists(Installed("snddrv.386")));
        }
    }
}

}  // namespace
