#include "copy/copy_job.h"
#include "copy/file_placement.h"
#include "startup/startup.h"
#include "startup/install_record.h"
#include "startup/system_libraries.h"
#include "startup/text_buffer.h"
#include "resources/resource.h"

#include <commctrl.h>
#include <new>

const char *const GameFileList[] = {
    "sw4.exe", "sw4.anm", "snddrv.386", "snddet.386", "common.iff", "lowres.dll",
    "hires480.dll", "xmem.ovl", "sw4lang.iff", "mkboot.exe", "sw4.cds", "swiv.ico",
    "setup.bat", "vbedrv.exe", "readme.txt", "startsw4.exe", "music1.pak",
    NULL
};

/* The two Windows files, in the order they are copied. */
static const struct {
    UINT source;
    UINT dest;   /* appended to InstallDir */
} WindowsFiles[] = {
    { IDS_GAME_LIB_SOURCE, IDS_GAME_LIB_DEST },
    { IDS_GAME_EXE_SOURCE, IDS_GAME_EXE_DEST },
};

CopyJobState CopyJob;
HWND volatile CopyDialog;
HWND ProgressBar;
HANDLE TickThreadHandle;

enum {
    /* InstallDir with any name behind it, composed whole before it is
       measured against a stream's name. */
    CANDIDATE_PATH_SIZE = PATH_TEXT_SIZE + FS_NAME_SIZE,
    /* "Copying ", " to " and two whole stream names. */
    STATUS_TEXT_SIZE = 2 * FS_NAME_SIZE + 64,
    /* The two sentences around any candidate path. */
    FAILED_TEXT_SIZE = CANDIDATE_PATH_SIZE + 128
};

static int StartNextFile(HWND dialog);

/* ---- Choosing the files ----------------------------------------------------- */

/* A candidate whose names could not be composed whole (a string missing from
   the resources) is taken with an empty destination, which the job refuses
   as a copy failure, where skipping it would leave a game file out
   silently. A file that is nowhere is skipped after its warning, and noted
   for the installation to judge. */
static int IsCandidate(HWND window, int file, int composed, const char *source, char *dest)
{
    int need;

    if (!composed) {
        dest[0] = '\0';
        return 1;
    }
    need = CopyNeedOf(window, source, dest);
    if (need == COPY_SOURCE_AND_DEST_MISSING)
        CopyJob.filesMissed |= (DWORD)1 << file;
    /* One on the CD that cannot be opened now is tried: the copy tells why. */
    return need == COPY_NEEDED || need == COPY_SOURCE_UNREADABLE;
}

/* Tests file; 1 when it needs copying, with its names in source and dest. */
static int ConsiderFile(HWND window, int file, char *source, char *dest)
{
    int composed = CopyJobSourceName(file, source, CANDIDATE_PATH_SIZE)
                   && CopyJobInstalledPath(file, dest, CANDIDATE_PATH_SIZE);
    if (!IsCandidate(window, file, composed, source, dest))
        return 0;
    CopyJob.current = file;
    return 1;
}

/* Puts the next file that needs copying into source and dest (each
   CANDIDATE_PATH_SIZE characters) and its number into CopyJob.current; 0
   when none is left, or when a Cancel was confirmed during a missing-file
   warning. The Windows files come once the list is used up. */
static int SelectNextFile(HWND window, char *source, char *dest)
{
    while (GameFileList[CopyJob.nextFile] != NULL && !CopyJob.abortConfirmed)
        if (ConsiderFile(window, CopyJob.nextFile++, source, dest))
            return 1;
    while (CopyJob.extraFilesTried < 2 && !CopyJob.abortConfirmed)
        if (ConsiderFile(window, COPY_FILE_GAME_LIB + CopyJob.extraFilesTried++, source, dest))
            return 1;
    return 0;
}

int CopyJobFirstMissedFile(void)
{
    int file;
    for (file = 0; file < COPY_FILE_COUNT; file++)
        if (CopyJob.filesMissed >> file & 1)
            return file;
    return -1;
}

int CopyJobSourceName(int file, char *name, size_t nameSize)
{
    if (file >= 0 && file < COPY_FILE_GAME_LIB)
        return TextCopy(name, nameSize, GameFileList[file]);
    if (file >= COPY_FILE_GAME_LIB && file < COPY_FILE_COUNT)
        return TextLoadString(name, nameSize, WindowsFiles[file - COPY_FILE_GAME_LIB].source);
    return 0;
}

int CopyJobInstalledPath(int file, char *path, size_t pathSize)
{
    if (file >= 0 && file < COPY_FILE_GAME_LIB)
        return TextCopy(path, pathSize, InstallDir) && TextAppend(path, pathSize, "\\")
            && TextAppend(path, pathSize, GameFileList[file]);
    if (file >= COPY_FILE_GAME_LIB && file < COPY_FILE_COUNT)
        return TextCopy(path, pathSize, InstallDir)
            && TextAppendString(path, pathSize, WindowsFiles[file - COPY_FILE_GAME_LIB].dest);
    return 0;
}

/* ---- Messages --------------------------------------------------------------- */

/* The system's text for error into reason, in one line (the box wraps it
   where it must); empty where the system has none. */
static void SystemReason(DWORD error, char *reason, DWORD reasonSize)
{
    if (!FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK,
                        NULL, error, 0, reason, reasonSize, NULL))
        reason[0] = '\0';
}

int ShowCopyFailed(HWND window, const char *name, DWORD error)
{
    char text[FAILED_TEXT_SIZE], reason[256];

    TextLoadString(text, sizeof text, IDS_COPY_FAILED);
    TextAppend(text, sizeof text, name);
    TextAppendString(text, sizeof text, IDS_INSTALL_ABORTED);
    if (error != ERROR_SUCCESS) {
        SystemReason(error, reason, sizeof reason);
        TextAppend(text, sizeof text, "\n\n");
        TextAppend(text, sizeof text, reason);
    }
    MessageBoxA(window, text, NULL, MB_ICONWARNING);
    return 0;
}

/* The text of a destination that cannot be put in place. */
static UINT DestTroubleText(DWORD error)
{
    /* The running game, or another program, holds it. */
    return error == ERROR_SHARING_VIOLATION ? IDS_FILE_IN_USE : IDS_CANNOT_WRITE_FILE;
}

/* The Retry / Cancel box of string id about path, with the system's reason
   for error; 1 for Retry. */
static int AskRetryFile(HWND owner, UINT id, const char *path, DWORD error)
{
    char format[256], reason[256], text[1024];
    const char *inserts[2];

    inserts[0] = path;
    inserts[1] = reason;
    text[0] = '\0';
    SystemReason(error, reason, sizeof reason);
    TextLoadString(format, sizeof format, id);
    FormatMessageA(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ARGUMENT_ARRAY, format, 0, 0, text, sizeof text,
                   (va_list *)inserts);
    return MessageBoxA(owner, text, NULL, MB_RETRYCANCEL | MB_ICONWARNING) == IDRETRY;
}

/* Asks for the CD in the drive of SourceDir ("D:"), or in SourceDir itself
   where it has no drive letter; 1 for Retry. */
static int AskForCd(HWND owner)
{
    char drive[PATH_TEXT_SIZE];

    TextCopy(drive, sizeof drive, SourceDir);
    if (drive[0] != '\0' && drive[1] == ':')
        drive[2] = '\0';
    return AskRetryFile(owner, IDS_INSERT_CD, drive, ERROR_SUCCESS);
}

static int AskRetry(HWND dialog)
{
    if (CopyJob.trouble == COPY_TROUBLE_DEST)
        return AskRetryFile(dialog, DestTroubleText(CopyJob.troubleError), CopyJob.target, CopyJob.troubleError);
    /* A CD that is out of its drive is asked for, not blamed on the file. */
    if (!SetCurrentDirectoryA(SourceDir))
        return AskForCd(dialog);
    return AskRetryFile(dialog, IDS_CANNOT_READ_CD_FILE, CopyJob.source->name, CopyJob.troubleError);
}

/* 1 when the user answers Yes; No is the default button. */
static int ConfirmAbort(HWND dialog)
{
    char caption[64];
    char question[256];

    TextLoadString(caption, sizeof caption, IDS_CONFIRM_CAPTION);
    TextLoadString(question, sizeof question, IDS_ABORT_QUESTION);
    return MessageBoxA(dialog, question, caption, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
}

static void ShowCopyStatus(HWND dialog)
{
    char status[STATUS_TEXT_SIZE];

    TextLoadString(status, sizeof status, IDS_COPYING);
    TextAppend(status, sizeof status, CopyJob.source->name);
    TextAppendString(status, sizeof status, IDS_COPY_TO);
    TextAppend(status, sizeof status, CopyJob.target);
    SendDlgItemMessageA(dialog, IDC_PROGRESS_TEXT, WM_SETTEXT, 0, (LPARAM)status);
}

/* One step per 152,104.9 bytes, rounded to the nearest: 1 at 76,053 bytes,
   100 at 15,134,438. In whole numbers, since no floating point may ship:
   (20 x copied + 1,521,049) / 3,042,098 gives the same position at every
   byte count, and below the cap it stays far inside 32 bits. */
int ProgressPosition(LONG copied)
{
    if (copied >= PROGRESS_FULL_BYTES)
        return 100;
    return (int)((20 * copied + 1521049) / 3042098);
}

/* ---- The records of one file ------------------------------------------------ */

/* Ends the file under way: a staging copy that did not take its name is
   closed and deleted, then both streams and the buffer are freed. Placed
   files stay. */
static void ReleaseCopyFiles(void)
{
    if (CopyJob.dest != NULL && CopyJob.dest->isOpen)
        CopyJob.dest->Close();
    if (CopyJob.dest != NULL && CopyJob.staged)
        DeleteFileA(CopyJob.dest->name);
    CopyJob.staged = 0;
    CopyJob.waiting = 0;
    delete CopyJob.source;
    delete CopyJob.dest;
    delete[] CopyJob.buffer;
    CopyJob.source = NULL;
    CopyJob.dest = NULL;
    CopyJob.buffer = NULL;
}

/* 0 when a record could not be had; ReleaseCopyFiles frees those that were. */
static int AllocateCopyFiles(void)
{
    CopyJob.source = new (std::nothrow) FileStream;
    CopyJob.dest = new (std::nothrow) FileStream;
    CopyJob.buffer = new (std::nothrow) BYTE[COPY_CHUNK_SIZE];
    CopyJob.remaining = 0;
    return CopyJob.source != NULL && CopyJob.dest != NULL && CopyJob.buffer != NULL;
}

/* ---- Trouble with a file ---------------------------------------------------- */

/* Notes why the file under way cannot go on; always 0. */
static int Trouble(int side, DWORD error)
{
    CopyJob.trouble = side;
    CopyJob.troubleError = error;
    return 0;
}

/* A file another program holds for a moment (a virus scanner, the indexer,
   a backup), or a drive still spinning up. */
static int MayPassByItself(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED || error == ERROR_NOT_READY;
}

/* Asked before the first file is written: a file the copy would replace but
   cannot (the game runs) is told of now, not after the files before it. A
   hold of a moment is waited out first, as the copy waits it out. */
int CheckDestinationsReplaceable(HWND owner)
{
    char source[CANDIDATE_PATH_SIZE], dest[CANDIDATE_PATH_SIZE];
    DWORD blocker, since;
    int file;

    for (file = 0; file < COPY_FILE_COUNT; file++) {
        if (!CopyJobSourceName(file, source, sizeof source) || !CopyJobInstalledPath(file, dest, sizeof dest)
            || !WouldReplace(source, dest))
            continue;
        since = GetTickCount();
        while ((blocker = ReplaceBlocker(dest)) != ERROR_SUCCESS) {
            if (MayPassByItself(blocker) && GetTickCount() - since < COPY_AUTO_RETRY_MS) {
                Sleep(COPY_RETRY_PAUSE_MS);
                continue;
            }
            if (!AskRetryFile(owner, DestTroubleText(blocker), dest, blocker))
                return 0;
            since = GetTickCount();
        }
    }
    return 1;
}

int EnterSourceDir(HWND owner)
{
    DWORD since = GetTickCount();

    while (!SetCurrentDirectoryA(SourceDir)) {
        /* A drive spinning up after the disc went in. */
        if (GetLastError() == ERROR_NOT_READY && GetTickCount() - since < COPY_AUTO_RETRY_MS) {
            Sleep(COPY_RETRY_PAUSE_MS);
            continue;
        }
        if (!AskForCd(owner))
            return 0;
        since = GetTickCount();
    }
    return 1;
}

/* 1 when a failure with error is to be tried again by itself, with the
   try due at CopyJob.retryAt: for COPY_AUTO_RETRY_MS from the first. */
static int RetryByItself(DWORD error)
{
    DWORD now = GetTickCount();

    if (!MayPassByItself(error))
        return 0;
    if (CopyJob.troubleSince == 0)
        CopyJob.troubleSince = now | 1;
    if ((LONG)(now - CopyJob.troubleSince) >= COPY_AUTO_RETRY_MS)
        return 0;
    CopyJob.retryAt = now + COPY_RETRY_PAUSE_MS;
    CopyJob.waiting = 1;
    return 1;
}

/* The job's next choice is the file under way again. */
static void RewindToCurrentFile(void)
{
    if (CopyJob.current < COPY_FILE_GAME_LIB)
        CopyJob.nextFile = CopyJob.current;
    else
        CopyJob.extraFilesTried = CopyJob.current - COPY_FILE_GAME_LIB;
}

/* The box, with Cancel and ticks kept off the job while it shows; 1 for
   Retry, 0 for Cancel there or a Cancel confirmed in the copy box. */
static int AskRetryWhileHeld(HWND dialog)
{
    int wasStarting = CopyJob.starting;
    int retry;

    CopyJob.starting = 1;
    InterlockedExchange(&CopyJob.paused, 1);
    retry = AskRetry(dialog);
    CopyJob.starting = wasStarting;
    if (CopyJob.abortConfirmed) {
        if (!wasStarting)   /* else StartNextFile ends the job */
            CopyJob.abortConfirmed = 0;
        return 0;
    }
    return retry;
}

/* Answers the trouble noted for the file under way: it starts again from
   its first byte, by itself for a while where the trouble may pass, else
   after the user's Retry. 1 with the start due (CopyJob.waiting), 0 when
   the job must end; the caller asks for the tick. Nothing is undone here:
   Cancel leaves that to the caller of RunCopyDialog. */
static int AnswerTrouble(HWND dialog)
{
    int retry = 1;

    /* Asked with the records still there: they name the file. */
    if (!RetryByItself(CopyJob.troubleError)) {
        retry = AskRetryWhileHeld(dialog);
        CopyJob.troubleSince = 0;   /* a Retry gets its own while of tries */
        CopyJob.retryAt = GetTickCount();
    }
    ReleaseCopyFiles();
    RewindToCurrentFile();
    /* The bar goes back to where the file began. */
    CopyJob.copiedTotal = CopyJob.fileStartTotal;
    CopyJob.waiting = retry;
    CopyJob.trouble = COPY_TROUBLE_NONE;
    return retry;
}

/* Chooses the next file and opens both its streams; 1 when it is ready to
   copy, 0 with CopyJob.result set when the dialog must end. */
static int OpenNextFile(HWND dialog)
{
    char source[CANDIDATE_PATH_SIZE];
    char dest[CANDIDATE_PATH_SIZE];

    /* Entered again for each file: a CD put back is a new volume, which a
       current directory kept from the one taken out may not reach. Failing,
       the file's source fails to open and AskRetry asks for the CD. */
    SetCurrentDirectoryA(SourceDir);
    CopyJob.fileStartTotal = CopyJob.copiedTotal;
    if (!SelectNextFile(dialog, source, dest)) {
        if (!CopyJob.abortConfirmed)
            CopyJob.result = 1;
        return 0;
    }
    if (CopyJob.abortConfirmed)
        return 0;

    if (!AllocateCopyFiles())
        return ShowCopyFailed(dialog, source);
    /* A path longer than any CreateFileA takes fails like one that will not open. */
    if (!TextCopy(CopyJob.source->name, FS_NAME_SIZE, source))
        return ShowCopyFailed(dialog, source);
    if (dest[0] == '\0' || !TextCopy(CopyJob.target, FS_NAME_SIZE, dest)
        || !StagedPath(CopyJob.current, STAGED_COPY, CopyJob.dest->name, FS_NAME_SIZE))
        return ShowCopyFailed(dialog, dest);

    CopyJob.source->mode = FS_MODE_READ;
    CopyJob.dest->mode = FS_MODE_CREATE;
    if (CopyJob.source->Open(1, 0) != 1) {
        DWORD error = GetLastError();
        /* A source of 2 GB or more: no second try mends that. */
        if (error == ERROR_FILE_TOO_LARGE)
            return ShowCopyFailed(dialog, CopyJob.source->name);
        return Trouble(COPY_TROUBLE_SOURCE, error);
    }
    /* What cannot be replaced is found now, before its bytes are copied. */
    DWORD blocker = ReplaceBlocker(CopyJob.target);
    if (blocker != ERROR_SUCCESS)
        return Trouble(COPY_TROUBLE_DEST, blocker);
    if (CopyJob.dest->Open(1, 0) != 1)
        return Trouble(COPY_TROUBLE_DEST, GetLastError());
    CopyJob.staged = 1;
    CopyJob.remaining = CopyJob.source->size;

    SendMessageA(ProgressBar, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    ShowCopyStatus(dialog);
    return 1;
}

/* ---- The tick thread -------------------------------------------------------- */

enum { TICK_PERIOD_MS = 10 };

/* One look at the flags: a tick is posted only when one was asked for and
   the job is not paused. */
static void LookForTick(void)
{
    HWND dialog = CopyDialog;
    LONG isPaused = CopyJob.paused;   /* read before the request */
    if (CopyJob.tickRequested && !isPaused) {
        InterlockedExchange(&CopyJob.tickRequested, 0);
        PostMessageA(dialog, WM_COMMAND, IDC_COPY_TICK, 0);
    }
}

/* Windows NT otherwise sleeps in steps of 15.6 ms. Asked for while a file is
   copied, given back when the box ends and, for a copy cut short by exit,
   by the exit handler: each timeBeginPeriod wants its timeEndPeriod. */
static int TimerPeriodHeld;

static void HoldTimerPeriod(void)
{
    if (!TimerPeriodHeld && TimeBeginPeriodCall(1) == TIMERR_NOERROR)
        TimerPeriodHeld = 1;
}

void ReleaseTimerPeriod(void)
{
    if (TimerPeriodHeld) {
        TimeEndPeriodCall(1);
        TimerPeriodHeld = 0;
    }
}

/* Sleeps and posts, nothing else: the file work stays on the dialog's
   thread. Each look is due 10 ms after the one before was due, so that
   oversleeping and the look itself do not stretch the pace; after a stall
   of more than a period the cadence starts afresh instead of catching up. */
static DWORD WINAPI TickThreadProc(LPVOID unused)
{
    (void)unused;
    DWORD due = TimeGetTimeCall();
    for (;;) {
        due += TICK_PERIOD_MS;
        LONG wait = (LONG)(due - TimeGetTimeCall());
        if (wait > 0)
            Sleep((DWORD)wait);
        else if (wait < -TICK_PERIOD_MS)
            due = TimeGetTimeCall();
        LookForTick();
    }
}

/* Lets TickThread post the next tick. */
static void RequestTick(void)
{
    InterlockedExchange(&CopyJob.tickRequested, 0);
    InterlockedExchange(&CopyJob.paused, 0);
    HoldTimerPeriod();
    if (TickThreadHandle == NULL) {
        /* Windows 95 and 98 fail CreateThread without a place for the id. */
        DWORD threadId;
        TickThreadHandle = CreateThread(NULL, 0, TickThreadProc, NULL, 0, &threadId);
    }
    InterlockedExchange(&CopyJob.tickRequested, 1);
}

/* 1 when a file is under way or its start is due, 0 when the dialog must
   end with CopyJob.result. */
static int StartNextFile(HWND dialog)
{
    CopyJob.starting = 1;
    InterlockedExchange(&CopyJob.paused, 1);
    int ready = OpenNextFile(dialog);
    if (!ready && CopyJob.trouble != COPY_TROUBLE_NONE && !CopyJob.abortConfirmed)
        ready = AnswerTrouble(dialog);
    CopyJob.starting = 0;
    if (CopyJob.abortConfirmed) {
        CopyJob.abortConfirmed = 0;
        return 0;
    }
    if (!ready)
        return 0;
    RequestTick();
    return 1;
}

/* ---- One tick --------------------------------------------------------------- */

/* Gives the whole copy its source's time, closes it and puts it in place:
   1 when it is there; 0 with CopyJob.waiting set when placing is tried
   again by itself (the closed copy waits), else with the trouble noted. */
static int FinishFile(void)
{
    FILETIME lastWrite;
    DWORD error;

    if (CopyJob.dest->isOpen) {
        /* Without its source's time the copy would be judged by the wrong
           one at the next setup: a CD taken out now is read again. */
        if (!GetFileTime(CopyJob.source->handle, NULL, NULL, &lastWrite))
            return Trouble(COPY_TROUBLE_SOURCE, GetLastError());
        SetFileTime(CopyJob.dest->handle, NULL, NULL, &lastWrite);
        /* On the disk before it takes its name: neither FAT nor NTFS keeps
           a renamed file's data from a power cut that comes first. Writes
           the system held back (a network drive, a stick) fail only at the
           flush or the close: that is a write that failed. */
        if (!FlushFileBuffers(CopyJob.dest->handle) || !CopyJob.dest->Close())
            return Trouble(COPY_TROUBLE_DEST, GetLastError());
    }
    error = PlaceCopiedFile(CopyJob.current);
    if (error != ERROR_SUCCESS)
        return RetryByItself(error) ? 0 : Trouble(COPY_TROUBLE_DEST, error);
    CopyJob.staged = 0;
    CopyJob.troubleSince = 0;
    ReleaseCopyFiles();   /* finds the copy placed */
    return 1;
}

/* After trouble in a tick: 1 to go on with the file's start due, 0 to end.
   A full disk is no moment's trouble: it ends the copy as it always has. */
static int GoOnAfterTrouble(HWND dialog)
{
    DWORD error = CopyJob.troubleError;

    if (CopyJob.trouble == COPY_TROUBLE_DEST && (error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL)) {
        CopyJob.trouble = COPY_TROUBLE_NONE;
        return ShowCopyFailed(dialog, CopyJob.target, error);
    }
    if (!AnswerTrouble(dialog))
        return 0;
    RequestTick();
    return 1;
}

/* Moves one chunk, or finishes the file and starts the next; 1 to go on,
   0 when the dialog must end. */
static int CopyTick(HWND dialog)
{
    /* Taken before this tick's chunk counts, so the bar lags one chunk. */
    SendMessageA(ProgressBar, PBM_SETPOS, ProgressPosition(CopyJob.copiedTotal), 0);

    if (CopyJob.waiting) {
        if ((LONG)(GetTickCount() - CopyJob.retryAt) < 0) {
            InterlockedExchange(&CopyJob.tickRequested, 1);
            return 1;
        }
        CopyJob.waiting = 0;
        if (CopyJob.source == NULL)
            return StartNextFile(dialog);
    }

    LONG chunk = CopyJob.remaining;
    if (chunk > COPY_CHUNK_SIZE)
        chunk = COPY_CHUNK_SIZE;
    if (chunk > 0) {
        DWORD done;
        /* A short read without an error is a file cut short behind the
           copy's back. */
        SetLastError(ERROR_HANDLE_EOF);
        if (CopyJob.source->Read(CopyJob.buffer, (DWORD)chunk) != (DWORD)chunk) {
            Trouble(COPY_TROUBLE_SOURCE, GetLastError());
            return GoOnAfterTrouble(dialog);
        }
        SetLastError(ERROR_SUCCESS);
        done = CopyJob.dest->Write(CopyJob.buffer, (DWORD)chunk);
        if (done != (DWORD)chunk) {
            DWORD error = GetLastError();
            /* Fewer bytes than asked is the system's way of saying the disk is full. */
            if (done > 0 || error == ERROR_SUCCESS)
                error = ERROR_DISK_FULL;
            Trouble(COPY_TROUBLE_DEST, error);
            return GoOnAfterTrouble(dialog);
        }
        CopyJob.remaining -= chunk;
        CopyJob.copiedTotal += chunk;
        InterlockedExchange(&CopyJob.tickRequested, 1);
        return 1;
    }

    if (FinishFile())
        return StartNextFile(dialog);
    if (CopyJob.waiting) {
        InterlockedExchange(&CopyJob.tickRequested, 1);
        return 1;
    }
    return GoOnAfterTrouble(dialog);
}

/* ---- The end of the Windows session ------------------------------------------- */

/* What RunCopyDialog was handed for a session that ends during the copy. */
static void (*UndoAtSessionEnd)(void);

typedef BOOL (WINAPI *ShutdownBlockReasonCreateProc)(HWND, LPCWSTR);
typedef BOOL (WINAPI *ShutdownBlockReasonDestroyProc)(HWND);

/* From Vista on the refusal is shown with its reason, which the system
   takes only in UTF-16; the calls are looked up, as earlier ones lack them. */
static void GiveShutdownReason(HWND dialog)
{
    ShutdownBlockReasonCreateProc create =
        (ShutdownBlockReasonCreateProc)(void *)UserCall("ShutdownBlockReasonCreate");
    char reason[128];
    WCHAR wide[128];

    if (create != NULL && TextLoadString(reason, sizeof reason, IDS_COPY_BLOCKS_SHUTDOWN)
        && MultiByteToWideChar(CP_ACP, 0, reason, -1, wide, sizeof wide / sizeof wide[0]) != 0)
        create(dialog, wide);
}

static void DropShutdownReason(HWND dialog)
{
    ShutdownBlockReasonDestroyProc destroy =
        (ShutdownBlockReasonDestroyProc)(void *)UserCall("ShutdownBlockReasonDestroy");
    if (destroy != NULL)
        destroy(dialog);
}

/* A forced shutdown or log-off: once the box answers, the system may end
   the process at any moment, so nothing of the copy may be left half done
   by then. */
static void OnSessionEnded(void)
{
    ReleaseCopyFiles();
    if (UndoAtSessionEnd != NULL)
        UndoAtSessionEnd();
}

/* ---- The dialog ------------------------------------------------------------- */

static void EndCopyDialog(HWND dialog, int result)
{
    ReleaseCopyFiles();
    ReleaseTimerPeriod();
    DropShutdownReason(dialog);
    EndDialog(dialog, result);
}

static void OnCopyDialogInit(HWND dialog)
{
    CopyDialog = dialog;
    ProgressBar = GetDlgItem(dialog, IDC_PROGRESS_BAR);
    GiveShutdownReason(dialog);
    if (!StartNextFile(dialog))
        EndCopyDialog(dialog, CopyJob.result);
}

static void OnCopyCancel(HWND dialog)
{
    int whileStarting = CopyJob.starting;

    InterlockedExchange(&CopyJob.paused, 1);
    int abort = ConfirmAbort(dialog);
    if (whileStarting) {
        /* StartNextFile sits in a message box below us with records half
           made: it ends the job, or clears the pause, once it is back. */
        if (abort)
            CopyJob.abortConfirmed = 1;
        return;
    }
    if (abort) {
        EndCopyDialog(dialog, 0);
        return;
    }
    /* A tick that came during the question was dropped: re-arm the chain
       before TickThread may look again. */
    InterlockedExchange(&CopyJob.tickRequested, 1);
    InterlockedExchange(&CopyJob.paused, 0);
}

static void OnCopyTickCommand(HWND dialog)
{
    /* Dropped while paused, while a file is being started, and once the
       records are gone, unless a file's start is due. */
    if (CopyJob.starting || CopyJob.paused)
        return;
    if (!CopyJob.waiting && (CopyJob.source == NULL || CopyJob.dest == NULL))
        return;
    if (!CopyTick(dialog))
        EndCopyDialog(dialog, CopyJob.result);
}

static INT_PTR CALLBACK CopyDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    switch (message) {
    case WM_INITDIALOG:
        OnCopyDialogInit(dialog);
        return TRUE;

    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDCANCEL:   /* the button, Escape and the close box */
            OnCopyCancel(dialog);
            break;
        case IDC_COPY_TICK:
            OnCopyTickCommand(dialog);
            break;
        }
        return TRUE;

    case WM_QUERYENDSESSION:
        /* No: a shutdown now would leave the copy half done. A dialog
           answers through DWLP_MSGRESULT, on Windows 95 as on 11. */
        SetWindowLongPtrA(dialog, DWLP_MSGRESULT, FALSE);
        return TRUE;

    case WM_ENDSESSION:
        if (wParam)   /* the session ends all the same */
            OnSessionEnded();
        return TRUE;
    }
    return FALSE;
}

int RunCopyDialog(HWND owner, void (*undoAtSessionEnd)(void))
{
    UndoAtSessionEnd = undoAtSessionEnd;
    return (int)DialogBoxParamA(AppInstance, MAKEINTRESOURCEA(IDD_COPY_PROGRESS), owner,
                                CopyDialogProc, 0);
}
