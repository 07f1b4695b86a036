/* The paced copy of the game files from the CD (the current directory) into
   InstallDir, with its progress box and tick thread. */
#ifndef COPY_JOB_H
#define COPY_JOB_H

#include <windows.h>
#include "copy/file_stream.h"

/* The 17 game files, named alike on the CD and in InstallDir, ending with
   NULL. After them the job copies the two Windows files, which change their
   name: string IDS_GAME_LIB_SOURCE to InstallDir + IDS_GAME_LIB_DEST, then
   IDS_GAME_EXE_SOURCE to InstallDir + IDS_GAME_EXE_DEST. */
extern const char *const GameFileList[];

enum { COPY_CHUNK_SIZE = 32768 };   /* the most one tick moves */

/* Numbers of the files the job copies: the list's rows, then the two
   Windows files in the order they are copied. */
enum {
    COPY_FILE_GAME_LIB = 17,   /* KorLib.DL_ -> KorLib.dll */
    COPY_FILE_GAME_EXE = 18,   /* SW4w.ex_ -> SW4w.exe */
    COPY_FILE_COUNT = 19
};

/* ---- The job's state (one per process, all zero at start) ---------------- */
struct CopyJobState {
    FileStream *source;       /* both null when no file is under way */
    FileStream *dest;
    BYTE *buffer;             /* COPY_CHUNK_SIZE bytes, allocated per file */
    LONG remaining;           /* bytes of the current file still to copy */
    LONG copiedTotal;         /* bytes of the whole job; drives the bar */
    LONG fileStartTotal;      /* copiedTotal when the file under way began */
    /* Shared with TickThread, which clears the request when it posts a tick
       and posts nothing while paused. Plain words, written through
       InterlockedExchange, which every Windows has. */
    volatile LONG tickRequested;
    volatile LONG paused;
    int result;               /* 1 once no file is left to copy */
    int nextFile;             /* GameFileList row to consider next */
    int extraFilesTried;      /* Windows files considered so far, 0 to 2 */
    /* StartNextFile is choosing and opening the next file. Its message boxes
       let Cancel and ticks reach the dialog meanwhile; these two keep them
       off the records it fills. */
    int starting;
    int abortConfirmed;       /* Cancel answered Yes while starting */
    int current;              /* the number of the file under way */
    char target[FS_NAME_SIZE];   /* its path; `dest` writes its staging copy */
    DWORD filesPlaced;        /* bit n: this process put a copy of file n in place */
    DWORD filesKept;          /* bit n: file n's earlier version waits aside */
    DWORD filesMissed;        /* bit n: file n was neither on the CD nor in InstallDir */
    /* A file that cannot go on for now: `trouble` says which side
       (COPY_TROUBLE_...) and `troubleError` the system's reason. A file held
       for a moment is tried again by itself in later ticks, due at retryAt,
       until about two seconds after troubleSince; then the user chooses. */
    int staged;               /* `dest`'s staging copy is on the disk, not placed */
    int waiting;              /* a try is due at retryAt: placing, or with no records the start */
    DWORD retryAt;
    DWORD troubleSince;       /* GetTickCount | 1 of the first failure; 0 none */
    int trouble;
    DWORD troubleError;
};

enum {
    COPY_TROUBLE_NONE = 0,
    COPY_TROUBLE_SOURCE = 1,   /* the CD file cannot be opened or read */
    COPY_TROUBLE_DEST = 2      /* the destination cannot be written or put in place */
};
/* How long a file held for a moment is tried again before the user is asked. */
enum { COPY_AUTO_RETRY_MS = 2000, COPY_RETRY_PAUSE_MS = 200 };

/* nextFile, extraFilesTried, copiedTotal and result are never reset: the
   job runs once per process, and a second run copies nothing. */
extern CopyJobState CopyJob;
extern HWND volatile CopyDialog;   /* where TickThread posts the ticks */
extern HWND ProgressBar;
/* 0 until the first file starts; the thread then runs until ExitCleanup
   terminates it. */
extern HANDLE TickThreadHandle;

/* Runs the copy box (IDD_COPY_PROGRESS) modally over owner: 1 when every
   file that needed copying was copied (or none did), 0 after a failure or
   a confirmed Cancel (the file being written is deleted then; files
   finished before stay in place, and what they replaced aside, for
   UndoPlacedFiles or DiscardKeptFiles), -1 when the box cannot be
   created. A file that cannot be read or put in place gets a Retry /
   Cancel box first (Retry copies it again from its first byte), after the
   automatic tries of a file held for a moment. Reads from the current
   directory; the caller makes it the CD folder, holds the copy mutex, and
   has cleared up what a killed run left (RunInstallation does both).
   While the box is up it refuses the end of the Windows session. If the
   session ends all the same (a forced shutdown), the box deletes the file
   being written and calls undoAtSessionEnd, where not NULL, before it
   answers: that must undo what the copy placed, without a word, and end
   the process, as the system may end it once the box has answered. */
int RunCopyDialog(HWND owner, void (*undoAtSessionEnd)(void));
/* Before the copy: every installed file that it would replace can be
   replaced, after a Retry / Cancel box over owner for one that cannot. 1 to
   go on, 0 when the user cancels. Reads the CD from the current directory. */
int CheckDestinationsReplaceable(HWND owner);
/* Makes SourceDir the current directory; while it cannot be entered (the
   CD out of its drive, a drive not ready after a moment, a device error),
   a Retry / Cancel box over owner asks for the CD. 1 once it is entered, 0
   when the user cancels. */
int EnterSourceDir(HWND owner);
/* The first file (COPY_FILE_...) that the job skipped after its warning
   because the CD lacked it and InstallDir had none either; -1 when none. */
int CopyJobFirstMissedFile(void);
/* The CD's name of file `file` into name; 0 when it does not fit. */
int CopyJobSourceName(int file, char *name, size_t nameSize);
/* InstallDir and the installed name of file `file`; 0 when it does not fit. */
int CopyJobInstalledPath(int file, char *path, size_t pathSize);

/* Gives back the 1 ms timer period that copying asks for; for the box's end
   and the exit handler, and harmless when nothing is held. */
void ReleaseTimerPeriod(void);

/* The progress bar's position, 0 to 100, after `copied` bytes. */
enum { PROGRESS_FULL_BYTES = 15134438 };   /* the first byte count shown as 100 */
int ProgressPosition(LONG copied);

/* "Copy Failed on file: " name "\nInstallation aborted." in a box owned by
   window, and below it the system's reason for error where there is one;
   always 0. */
int ShowCopyFailed(HWND window, const char *name, DWORD error = ERROR_SUCCESS);

#endif
