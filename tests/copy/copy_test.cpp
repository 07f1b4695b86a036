// The copy job through its real box, run modally here while a second thread
// plays the user and a hook records the bar and the status line.
#include "copy/copy_job.h"
#include "copy/file_placement.h"
#include "startup/install_record.h"
#include "startup/text_buffer.h"
#include "resources/resource.h"
#include "test_support.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <atomic>
#include <new>
#include <set>
#include <stdlib.h>
#include <thread>

// The job allocates with nothrow new; while armed, the nth such call fails.
static std::atomic<int> FailingAllocation{ 0 };

static void *AllocateOrFail(size_t size)
{
    return FailingAllocation > 0 && --FailingAllocation == 0 ? nullptr : malloc(size ? size : 1);
}
void *operator new(size_t size, const std::nothrow_t &) noexcept { return AllocateOrFail(size); }
void *operator new[](size_t size, const std::nothrow_t &) noexcept { return AllocateOrFail(size); }

namespace {

// ---- What the box showed, recorded on its own thread ----------------------
std::vector<int> Positions;            // every PBM_SETPOS: one per tick
std::vector<long long> WatchedSizes;   // the watched file's size at each
std::vector<std::string> Status;
std::string Watched;
std::atomic<int> TicksRun{ 0 };

LRESULT CALLBACK RecordBoxCalls(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT *call = (const CWPSTRUCT *)lParam;
    if (code == HC_ACTION && call->hwnd == ProgressBar && call->message == PBM_SETPOS) {
        Positions.push_back((int)call->wParam);
        WatchedSizes.push_back(SizeOf(Watched));
        TicksRun++;
    } else if (code == HC_ACTION && call->message == WM_SETTEXT && GetDlgCtrlID(call->hwnd) == IDC_PROGRESS_TEXT) {
        Status.push_back((const char *)call->lParam);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// ---- The user, on a second thread -----------------------------------------
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
        for (std::set<HWND> seen, answered; !ended; Sleep(10)) {
            for (HWND box : VisibleTopWindows(GetCurrentProcessId())) {
                if (!IsMessageBox(box) || answered.count(box))
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
        }
    });
    int result = RunCopyDialog(nullptr, nullptr);
    ended = true;
    player.join();
    return result;
}

// A tick delivered now, whatever TickThread thinks.
void TickNow()
{
    SendMessageTimeoutA(CopyDialog, WM_COMMAND, IDC_COPY_TICK, 0, SMTO_NORMAL, 5000, nullptr);
}

// Cuts a file the copy holds unshared, as no Win32 call can; Wine gives no
// handle for the host's shell, so a file it touches shows its end.
bool TruncateOnTheHost(const std::string &path, long long size)
{
    std::string file = "'" + UnixPath(path) + "'", done = path + ".done";
    ProgramRun shell;
    return shell.Start("Z:\\bin\\sh", "-c \"truncate -s " + std::to_string(size) + " " + file + " && touch " + file
                                           + ".done\"", "")
        && WaitUntil([&] { return DeleteFileA(done.c_str()) != 0; }, 20000);
}

// The system's reason for error, in one line as the boxes show it.
std::string SystemText(DWORD error)
{
    char text[256] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK, nullptr,
                   error, 0, text, sizeof text, nullptr);
    return text;
}

// A path's last part in lower case, as FolderState names it.
std::string NameIn(const std::string &path)
{
    std::string name = path.substr(path.rfind('\\') + 1);
    CharLowerA(&name[0]);
    return name;
}

class CopyJobTest : public testing::Test {
protected:
    void SetUp() override
    {
        InitCommonControls();
        cd_ = ScratchFolder("cd");
        install_ = ScratchFolder("install");
        for (DWORD row = 0; row < 19; row++)
            PutOnCd(GameFiles[row].cd, 100 + 37 * row);
        GetCurrentDirectoryA(sizeof home_, home_);
        SetCurrentDirectoryA(cd_.c_str());
        TextCopy(SourceDir, sizeof SourceDir, cd_.c_str());   // the copy enters it for each file
        Restart(install_);
        hook_ = SetWindowsHookExA(WH_CALLWNDPROC, RecordBoxCalls, nullptr, GetCurrentThreadId());
    }
    void TearDown() override
    {
        UnhookWindowsHookEx(hook_);
        SetCurrentDirectoryA(home_);
        RemoveTree(cd_);
        RemoveTree(install_);
        TextCopy(InstallDir, sizeof InstallDir, "c:\\sw4");
    }

    // The job forgets what it did, as in a new process, and copies into folder.
    void Restart(const std::string &folder, LONG copiedTotal = 0)
    {
        CopyJob.nextFile = CopyJob.extraFilesTried = CopyJob.result = 0;
        CopyJob.filesPlaced = CopyJob.filesKept = 0;
        CopyJob.copiedTotal = copiedTotal;
        TextCopy(InstallDir, sizeof InstallDir, folder.c_str());
        Positions.clear();
        WatchedSizes.clear();
        Status.clear();
    }
    void EmptyInstallFolder()
    {
        RemoveTree(install_);
        CreateDirectoryA(install_.c_str(), nullptr);
        Restart(install_);
    }
    void PutOnCd(const char *name, DWORD size)
    {
        WriteFileOfSize(Cd(name), size, size);
        SetLastWriteTime(Cd(name), CdTime);
    }
    // Only what a case then changes needs copying.
    void InstallAllUpToDate()
    {
        for (const GameFile &file : GameFiles) {
            CopyFileA(Cd(file.cd).c_str(), Installed(file.installed).c_str(), FALSE);
            SetLastWriteTime(Installed(file.installed), CdTime);
        }
    }
    std::string Cd(const std::string &name) { return cd_ + "\\" + name; }
    std::string Staged(int file, int kind = STAGED_COPY)
    {
        char path[MAX_PATH] = "";
        StagedPath(file, kind, path, sizeof path);
        return path;
    }
    std::string Installed(const std::string &name) { return std::string(InstallDir) + "\\" + name; }
    void ExpectCopied(const char *cdName, const char *installedName = nullptr)
    {
        std::string installed = Installed(installedName ? installedName : cdName);
        ASSERT_TRUE(FileExists(installed)) << installed;
        EXPECT_EQ(ReadBytes(Cd(cdName)), ReadBytes(installed)) << installed;
        FILETIME copied = LastWriteTime(installed);
        EXPECT_EQ(0, CompareFileTime(&CdTime, &copied)) << installed;
    }

    std::string cd_, install_;
    char home_[MAX_PATH];
    HHOOK hook_ = nullptr;
};

// Into the longest folder the record carries, so that paths are shown whole.
TEST_F(CopyJobTest, CopiesWhatIsMissingOrOlderWithTheSourcesBytesAndTimeOncePerProcess)
{
    std::string longest = install_;
    while (MAX_RECORDED_INSTALL_DIR - longest.size() > 42)
        CreateDirectoryA((longest += "\\" + std::string(40, 'd')).c_str(), nullptr);
    longest += "\\" + std::string(MAX_RECORDED_INSTALL_DIR - longest.size() - 1, 'e');
    ASSERT_TRUE(CreateDirectoryA(longest.c_str(), nullptr)) << GetLastError();
    Restart(longest);
    PutOnCd("swiv.ico", 0);
    InstallAllUpToDate();
    for (const char *name : { "sw4.exe", "swiv.ico", "KorLib.dll", "SW4w.exe" })
        DeleteFileA(Installed(name).c_str());
    // Other bytes than the CD's; the older one longer, so that a copy must cut
    // it. Older by FAT's 2 s or by an hour is not older.
    const struct { const char *name; size_t size; LONGLONG timeOffset; } others[] = {
        { "sw4.anm", 10, 0 }, { "snddrv.386", 5000, Stale }, { "snddet.386", 10, 1 },
        { "common.iff", 10, -2 * Second }, { "lowres.dll", 10, -3600 * Second },
    };
    for (const auto &other : others) {
        WriteFileOfSize(Installed(other.name), other.size, 99);
        SetLastWriteTime(Installed(other.name), FileTimePlus(CdTime, other.timeOffset));
    }

    User user;
    EXPECT_EQ(1, RunCopyBox(user));
    for (const char *name : { "sw4.exe", "snddrv.386", "swiv.ico" })
        ExpectCopied(name);
    ExpectCopied("KorLib.DL_", "KorLib.dll");
    ExpectCopied("SW4w.ex_", "SW4w.exe");
    for (const char *name : { "sw4.anm", "snddet.386", "common.iff", "lowres.dll" })
        EXPECT_EQ(10, SizeOf(Installed(name))) << name << ", not older than the CD's, was replaced";
    ASSERT_EQ(5u, Status.size());
    EXPECT_EQ("Copying sw4.exe to " + Installed("sw4.exe"), Status.front());
    EXPECT_EQ("Copying SW4w.ex_ to " + Installed("SW4w.exe"), Status.back());

    Restart(longest);
    EXPECT_EQ(1, RunCopyBox(user)) << "everything up to date";
    SetLastWriteTime(Installed("sw4.exe"), FileTimePlus(CdTime, Stale));
    EXPECT_EQ(1, RunCopyBox(user)) << "a second job in the same process";
    EXPECT_EQ(0u, Positions.size()) << "nothing was copied";
    EXPECT_EQ(0u, Status.size());
    EXPECT_EQ(std::vector<std::string>{}, user.boxes) << "of all three jobs";
}

// The bar is full once the CD's 15,134,438 bytes are copied, and stays so.
TEST_F(CopyJobTest, OneChunkOfAtMost32KPerTickAndABarThatFillsAtTheCdsSize)
{
    InstallAllUpToDate();
    PutOnCd("sw4.exe", 65537);
    DeleteFileA(Installed("sw4.exe").c_str());
    Watched = Staged(0);   // written under its staging name
    User user;
    EXPECT_EQ(1, RunCopyBox(user));
    ASSERT_LE(4u, WatchedSizes.size());
    WatchedSizes.resize(4);
    EXPECT_EQ((std::vector<long long>{ 0, 32768, 65536, 65537 }), WatchedSizes);
    ExpectCopied("sw4.exe");

    PutOnCd("sw4.exe", 1);
    PutOnCd("sw4.anm", 40000);
    for (LONG copiedBefore : { 15134437, 2000000000 }) {
        SCOPED_TRACE(copiedBefore);
        for (const char *name : { "sw4.exe", "sw4.anm" })
            DeleteFileA(Installed(name).c_str());
        Restart(install_, copiedBefore);
        EXPECT_EQ(1, RunCopyBox(user));
        std::vector<int> expected(5, 100);
        if (copiedBefore < 15134438)
            expected[0] = 99;   // shown before the tick's chunk counts
        EXPECT_EQ(expected, Positions);
    }
}

// Whole-number arithmetic in what ships, the rounded step of 152,104.9 bytes at every count.
TEST(CopyProgress, EveryByteCountShowsTheRoundedStepOfTheDoubleFormula)
{
    LONG mismatches = 0, first = -1;
    for (LONG copied = 0; copied <= 15200000; copied++) {
        int expected = (int)(copied * 6.574410160356439e-06 + 0.5);
        if (ProgressPosition(copied) != (expected > 100 ? 100 : expected) && mismatches++ == 0)
            first = copied;
    }
    EXPECT_EQ(0, mismatches) << "first at " << first << " bytes: " << ProgressPosition(first);
    EXPECT_EQ(100, ProgressPosition(0x7FFFFFFF));
}

// The copy counts a close the system fails as a failed write. Wine reports no
// failure of the file system's close, so a handle closed behind the stream's
// back makes the system fail it.
TEST(FileStreamClose, ToldWhenTheSystemFailsToClose)
{
    std::string path = ScratchFolder("close") + "\\file";
    for (bool closedBehind : { false, true }) {
        FileStream stream;
        TextCopy(stream.name, sizeof stream.name, path.c_str());
        stream.mode = FS_MODE_CREATE;
        ASSERT_EQ(1, stream.Open(0, 0));
        if (closedBehind)
            CloseHandle(stream.handle);
        EXPECT_EQ(closedBehind ? 0 : 1, stream.Close()) << closedBehind;
        EXPECT_EQ(0u, stream.isOpen);
    }
    RemoveTree(path.substr(0, path.rfind('\\')));
}

// Cancel asks, and ticks while it asks move nothing: No goes on to the end,
// Yes removes the half-written file. The missing-file warning belongs to the
// box's owner, so the box still takes Cancel, and ticks, while it is open.
TEST_F(CopyJobTest, CancelAsksAndNothingMovesWhileItAsksEvenDuringTheMissingFileWarning)
{
    PutOnCd("sw4.anm", 1 << 20);
    Watched = Staged(1);
    for (int row = 0; row < 4; row++) {
        const bool warning = row >= 2;
        const int answer = row % 2 ? IDYES : IDNO;
        SCOPED_TRACE(std::string(warning ? "during the warning, " : "during sw4.anm, ")
                     + (answer == IDNO ? "answered No" : "answered Yes"));
        if (warning)
            DeleteFileA(Cd("sw4.anm").c_str());
        EmptyInstallFolder();
        bool cancelled = false, asked = false, moved = true;
        User user;
        user.step = [&] {
            if (!warning && !cancelled && SizeOf(Watched) >= 65536)
                cancelled = PostMessageA(CopyDialog, WM_COMMAND, IDCANCEL, 0);
        };
        user.answer = [&](HWND, const std::string &text) {
            if (text == "Abort installation?") {
                asked = true;
                long long size = SizeOf(Watched);
                int ticks = TicksRun;
                for (int i = 0; i < 3; i++)
                    TickNow();
                moved = size != SizeOf(Watched) || ticks != TicksRun;
                return answer;
            }
            if (!cancelled)   // the missing-file warning, left open for now
                cancelled = PostMessageA(CopyDialog, WM_COMMAND, IDCANCEL, 0);
            if (!asked || FindWindowA(nullptr, "Confirmation"))
                return 0;
            TickNow();   // with the question answered and the warning still open
            return IDOK;
        };
        EXPECT_EQ(answer == IDNO ? 1 : 0, RunCopyBox(user));
        EXPECT_EQ(warning ? 2u : 1u, user.boxes.size());
        EXPECT_FALSE(moved) << "ticks during the question moved the copy";
        ExpectCopied("sw4.exe");
        if (answer == IDNO) {
            if (!warning)
                ExpectCopied("sw4.anm");
            ExpectCopied("SW4w.ex_", "SW4w.exe");
        } else {
            EXPECT_FALSE(FileExists(Watched)) << "the half-written file is removed";
            EXPECT_FALSE(FileExists(Installed("sw4.anm"))) << "a half-written file took its name";
            EXPECT_FALSE(FileExists(Installed("snddrv.386")));
        }
    }
}

// A file of that size whose bytes take no room.
void WriteSparseFile(const std::string &path, LONGLONG size)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    LONG high = (LONG)(size >> 32);
    SetFilePointer(file, (LONG)(DWORD)size, &high, FILE_BEGIN);
    SetEndOfFile(file);
    CloseHandle(file);
}

// Each ends the job quickly with 0 and its message, naming the whole path, and
// leaves no half-written file and an older one as it was. A source cut short
// asks Retry / Cancel first, answered Cancel.
TEST_F(CopyJobTest, FailuresEndTheJobWithTheirMessage)
{
    const std::string tooLong = "C:\\" + std::string(252, 'x');   // no path that long opens
    const struct {
        std::string what;
        std::function<void(User &)> arrange;
        std::string named;             // in the message
        bool older = false;            // an older file there, else nothing may be left there
        const char *asked = nullptr;   // the Retry / Cancel box's first line, else today's message
        DWORD reason = ERROR_SUCCESS;  // the system's, named under that message
    } rows[] = {
        { "the source cut short", [&](User &user) {
              PutOnCd("sw4.anm", 4 << 20);
              user.step = [this, cut = false]() mutable {
                  if (!cut && SizeOf(Staged(1)) >= 32768)
                      cut = TruncateOnTheHost(Cd("sw4.anm"), 40000);
              };
          }, "sw4.anm", false, "Setup cannot read this file from the installation CD:" },
        { "a drive that fills up", [&](User &) {
              CreateDirectoryA("Q:\\sw4", nullptr);
              Restart("Q:\\sw4");
              PutOnCd("sw4.exe", 2 << 20);
              WriteFileOfSize("Q:\\sw4\\sw4.exe", 1000, 7);
              SetLastWriteTime("Q:\\sw4\\sw4.exe", FileTimePlus(CdTime, Stale));
          }, "Q:\\sw4\\sw4.exe", true, nullptr, ERROR_DISK_FULL },
        { "a source of 2 GiB + 4 KiB", [&](User &) { WriteSparseFile(Cd("sw4.anm"), (2LL << 30) + 4096); }, "sw4.anm" },
        { "a source of 4 GiB + 4 KiB", [&](User &) { WriteSparseFile(Cd("sw4.anm"), (4LL << 30) + 4096); }, "sw4.anm" },
        { "a folder too long to open", [&](User &) { Restart(tooLong); }, tooLong + "\\sw4.exe" },
        { "the first allocation", [](User &) { FailingAllocation = 1; }, "sw4.exe" },
        { "the second allocation", [](User &) { FailingAllocation = 2; }, "sw4.exe" },
        { "the buffer's allocation", [](User &) { FailingAllocation = 3; }, "sw4.exe" },
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        EmptyInstallFolder();
        PutOnCd("sw4.exe", 100);
        PutOnCd("sw4.anm", 137);
        User user;
        user.answer = [](HWND, const std::string &text) { return text.rfind("Setup cannot", 0) ? IDOK : IDCANCEL; };
        row.arrange(user);
        const std::string named = row.named.find('\\') == std::string::npos ? Installed(row.named) : row.named;
        const std::string older = ReadBytes(named);
        DWORD started = GetTickCount();
        EXPECT_EQ(0, RunCopyBox(user));
        EXPECT_LT(GetTickCount() - started, 20000u);
        FailingAllocation = 0;
        if (row.asked) {
            ASSERT_EQ(1u, user.boxes.size());
            EXPECT_EQ(0u, user.boxes[0].find(row.asked + ("\r\n" + row.named + "\r\n\r\n"))) << user.boxes[0];
        } else {
            std::string text = "Copy Failed on file: " + row.named + "\nInstallation aborted.";
            if (row.reason != ERROR_SUCCESS)
                text += "\n\n" + SystemText(row.reason);
            EXPECT_EQ(std::vector<std::string>{ text }, user.boxes);
        }
        if (row.older) {
            EXPECT_EQ(1000u, older.size());
            EXPECT_TRUE(older == ReadBytes(named)) << "the older file changed";
            FILETIME time = LastWriteTime(named), olderTime = FileTimePlus(CdTime, Stale);
            EXPECT_EQ(0, CompareFileTime(&olderTime, &time));
        } else {
            EXPECT_FALSE(FileExists(named));
        }
        if (row.named == "sw4.anm")
            ExpectCopied("sw4.exe");   // the file before the failure stays
        for (const auto &file : FolderState(InstallDir))
            EXPECT_TRUE(std::any_of(std::begin(GameFiles), std::end(GameFiles), [&](const GameFile &game) {
                return NameIn(game.installed) == file.first;
            })) << file.first << " left behind";
    }
    RemoveTree("Q:\\sw4");
}

// Drive P: passes files through FUSE and, while P:\fail-eio or P:\fail-enospc
// is there, fails the flush (and the close) of what was written with that
// error, as a network drive or a stick does with writes it held back. The
// copy is never placed: a full disk ends the job and names the reason; any
// other error asks Retry / Cancel after its tries, and Retry copies the file
// again, the bar going back to where the file began.
TEST_F(CopyJobTest, AFlushThatFailsIsAFailedWriteAndTheCopyIsNotPlaced)
{
    if (GetFileAttributesA("P:\\") == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "no drive P:: FUSE cannot mount here, as failing_drive_mount said";
    const std::string folder = "P:\\sw4", target = folder + "\\sw4.exe";
    const struct { const char *arm; int answer; int result; std::string box; } rows[] = {
        { "P:\\fail-enospc", 0, 0,
          "Copy Failed on file: P:\\sw4\\sw4.exe\nInstallation aborted.\n\n" + SystemText(ERROR_DISK_FULL) },
        { "P:\\fail-eio", IDCANCEL, 0, "Setup cannot write this file:\r\nP:\\sw4\\sw4.exe\r\n\r\n" },
        { "P:\\fail-eio", IDRETRY, 1, "Setup cannot write this file:\r\nP:\\sw4\\sw4.exe\r\n\r\n" },
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(std::string(row.arm) + (row.answer == IDRETRY ? ", Retry once it passes" : ""));
        RemoveTree(folder);
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr)) << GetLastError();
        const LONG before = 5000000;   // as if other files came first
        Restart(folder, before);
        PutOnCd("sw4.exe", 1 << 20);
        InstallAllUpToDate();
        WriteFileOfSize(target, 1000, 7);
        SetLastWriteTime(target, FileTimePlus(CdTime, Stale));
        const std::string older = ReadBytes(target);
        WriteBytes(row.arm, "");
        User user;
        user.answer = [&](HWND, const std::string &) {
            if (row.answer == IDRETRY)
                DeleteFileA(row.arm);
            return row.answer ? row.answer : IDOK;
        };
        EXPECT_EQ(row.result, RunCopyBox(user));
        DeleteFileA(row.arm);
        ASSERT_EQ(1u, user.boxes.size());
        EXPECT_EQ(0u, user.boxes[0].find(row.box)) << user.boxes[0];
        EXPECT_FALSE(FileExists(Staged(0))) << "the copy that lost its last writes is left";
        if (row.result) {
            ExpectCopied("sw4.exe");
            EXPECT_EQ(before + (1 << 20), CopyJob.copiedTotal) << "the bytes of the tries before count";
            EXPECT_EQ(ProgressPosition(before + (1 << 20)), *std::max_element(Positions.begin(), Positions.end()));
        } else {
            EXPECT_TRUE(older == ReadBytes(target)) << "the older file was replaced";
        }
    }
    RemoveTree(folder);
}

// What a killed run left is cleared up before the files are judged; a user's files of like names stay. A run
// killed before its installation was recorded (its marker still there) is taken back: each kept file returns
// in place of the new one. After the record the kept files are stale.
TEST_F(CopyJobTest, WhatAKilledRunLeftIsClearedUpFirst)
{
    auto put = [](const std::string &path, const std::string &bytes) {
        WriteBytes(path, bytes);
        SetLastWriteTime(path, CdTime);
    };
    for (bool recorded : { true, false }) {
        SCOPED_TRACE(recorded ? "killed after the record" : "killed before the record");
        EmptyInstallFolder();
        InstallAllUpToDate();
        // Killed while writing: a partial copy beside the file it would replace.
        put(Staged(0), "partial");
        // Killed between the old file going aside and the copy taking its name: the old one goes back.
        DeleteFileA(Installed("sw4.anm").c_str());
        put(Staged(1), "whole new copy");
        put(Staged(1, STAGED_KEPT), "old sw4.anm");
        // Killed after the copy took its name.
        put(Staged(2, STAGED_KEPT), "old snddrv.386");
        for (const char *name : { "~SW4C19.OLD", "~SW4C0.OLD", "~sw4c03.bak", "sw4.exe.new" })
            put(Installed(name), "the user's");
        if (!recorded)
            put(Installed("~SW4C.RUN"), "");
        std::map<std::string, std::string> expected = FolderState(install_);
        expected["sw4.anm"] = expected[NameIn(Staged(1, STAGED_KEPT))];
        if (!recorded)
            expected["snddrv.386"] = expected[NameIn(Staged(2, STAGED_KEPT))];
        for (const std::string &staged : { Staged(0), Staged(1), Staged(1, STAGED_KEPT), Staged(2, STAGED_KEPT),
                                           Installed("~SW4C.RUN") })
            expected.erase(NameIn(staged));

        RecoverInterruptedCopy();
        EXPECT_EQ(expected, FolderState(install_));
    }
}

}  // namespace
