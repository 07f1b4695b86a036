#include "wizard/installation.h"
#include "wizard/desktop_shortcut.h"
#include "wizard/directx_setup.h"
#include "wizard/install_folder.h"
#include "wizard/wizard_sheet.h"
#include "copy/copy_job.h"
#include "copy/file_placement.h"
#include "startup/install_record.h"
#include "startup/system_libraries.h"
#include "startup/text_buffer.h"
#include "resources/resource.h"

#include <stdlib.h>

/* The DirectX components the game needs. */
static const DWORD DirectXFlags = DSETUP_DDRAW | DSETUP_DSOUND | DSETUP_DDRAWDRV | DSETUP_DSOUNDDRV;

enum { ABORTED_EXIT_CODE = 1 };

int InstallationUnderWay;

static void ShowStatus(UINT id)
{
    char message[256];
    TextLoadString(message, sizeof message, id);
    SendMessageA(hwndPageText, WM_SETTEXT, 0, (LPARAM)message);
}

/* Names the first earlier file that the undo could not put back, and where
   it waits: the next setup would delete it once a whole file holds its
   name, so the user must know where to find it. */
static void ShowFileNotPutBack(HWND sheet)
{
    char target[FS_NAME_SIZE], kept[FS_NAME_SIZE];
    char text[2 * FS_NAME_SIZE + 256];
    int file = FirstKeptFile();

    if (file < 0 || !CopyJobInstalledPath(file, target, sizeof target)
        || !StagedPath(file, STAGED_KEPT, kept, sizeof kept))
        return;
    TextLoadString(text, sizeof text, IDS_EARLIER_VERSION);
    TextAppend(text, sizeof text, target);
    TextAppendString(text, sizeof text, IDS_NOT_PUT_BACK);
    TextAppend(text, sizeof text, kept);
    if (CopyJob.filesKept & (CopyJob.filesKept - 1))
        TextAppendString(text, sizeof text, IDS_OTHERS_NOT_PUT_BACK);
    MessageBoxA(sheet, text, NULL, MB_ICONWARNING);
}

/* Undoes an installation that did not complete and ends the program. The
   copy box, or the check that followed it, has already told the user why.
   With no sheet, at the end of the Windows session, nothing is shown. */
static void AbortInstallation(HWND sheet)
{
    if (DeleteInstalledFiles())
        RollBackFolders();
    if (sheet != NULL)
        ShowFileNotPutBack(sheet);
    SetCurrentDirectoryA(SourceDir);
    exit(ABORTED_EXIT_CODE);
}

/* The session ends under the copy box: undone as a cancel would be, with
   nobody left to read a message. */
static void AbortAtSessionEnd(void)
{
    AbortInstallation(NULL);
}

/* Says why the installation cannot go on (string id, then "Installation
   aborted.") and undoes it like a failed copy. */
static void FailInstallation(HWND sheet, UINT id)
{
    char message[256];
    TextLoadString(message, sizeof message, id);
    TextAppendString(message, sizeof message, IDS_INSTALL_ABORTED);
    MessageBoxA(sheet, message, NULL, MB_OK | MB_ICONWARNING);
    AbortInstallation(sheet);
}

/* One copy at a time on this machine: a second setup would take the first
   one's kept files for a killed run's and delete them, and the first one's
   undo could not put the earlier installation back. Held from the clean-up
   of a killed run (RunCopyDialog) to the end of the installation; a killed
   holder leaves it abandoned, and the wait takes it over. */
static HANDLE CopyMutex;

/* From Windows 2000 on each session (Fast User Switching, Remote Desktop)
   has names of its own unless they start with "Global\", which Windows 95
   to NT 4 refuse. */
static int HasSessions(void)
{
    DWORD version = GetVersion();
    return !(version & 0x80000000) && LOBYTE(LOWORD(version)) >= 5;
}

static int ClaimCopyMutex(void)
{
    char name[64];

    name[0] = '\0';
    if (HasSessions())
        TextCopy(name, sizeof name, "Global\\");
    TextAppendString(name, sizeof name, IDS_COPY_MUTEX);
    CopyMutex = CreateMutexA(NULL, FALSE, name);
    /* Denied: another user's setup made it, and copies. Otherwise without a
       mutex the copy goes on, as it always did. */
    if (CopyMutex == NULL)
        return GetLastError() != ERROR_ACCESS_DENIED;
    return WaitForSingleObject(CopyMutex, 0) != WAIT_TIMEOUT;
}

static void ReleaseCopyMutex(void)
{
    if (CopyMutex != NULL) {
        ReleaseMutex(CopyMutex);
        CloseHandle(CopyMutex);
        CopyMutex = NULL;
    }
}

void RecoverInterruptedInstallation(void)
{
    /* A setup copying there now owns what it finds. */
    if (ClaimCopyMutex())
        RecoverInterruptedCopy();
    ReleaseCopyMutex();
}

static int WindowsGameInstalled(void)
{
    char path[PATH_TEXT_SIZE + 16];

    return TextCopy(path, sizeof path, InstallDir) && TextAppendString(path, sizeof path, IDS_GAME_EXE_DEST)
        && IsExistingFile(path);
}

/* The copy box ends with 1 also when it skipped files that the CD lacked
   after warning about each. That is an installation only when the Windows
   game is in InstallDir and, if any file was nowhere, the job copied at
   least one: a CD that cannot be read, or a start outside the CD, copies
   nothing. Otherwise it fails like a copy, naming the CD file that did not
   arrive; 0 then. */
static int GameFilesArrived(HWND sheet)
{
    char name[64];
    int missing = -1;
    int file;
    int copiedAny = 0;

    for (file = 0; file < COPY_FILE_COUNT; file++)
        copiedAny |= CopyJobPlacedFile(file);
    if (!copiedAny)
        missing = CopyJobFirstMissedFile();
    if (missing < 0 && !WindowsGameInstalled())
        missing = COPY_FILE_GAME_EXE;
    if (missing < 0)
        return 1;
    if (!CopyJobSourceName(missing, name, sizeof name))
        name[0] = '\0';
    return ShowCopyFailed(sheet, name);
}

static UINT DirectXErrorText(int result)
{
    switch (result) {
    case DSETUPERR_BADWINDOWSVERSION:  return IDS_DX_BAD_WINDOWS;
    case DSETUPERR_SOURCEFILENOTFOUND: return IDS_DX_SOURCE_NOT_FOUND;
    case DSETUPERR_BADSOURCESIZE:      return IDS_DX_BAD_SOURCE_SIZE;
    case DSETUPERR_BADSOURCETIME:      return IDS_DX_BAD_SOURCE_TIME;
    case DSETUPERR_NOCOPY:             return IDS_DX_NO_COPY;
    case DSETUPERR_OUTOFDISKSPACE:     return IDS_DX_OUT_OF_DISK;
    case DSETUPERR_CANTFINDINF:        return IDS_DX_NO_INF;
    case DSETUPERR_CANTFINDDIR:        return IDS_DX_NO_DIRECTORY;
    }
    return IDS_DX_GENERAL_FAILURE;
}

/* The CD's DirectX setup library, loaded only now, by its full path. One
   that cannot be loaded, or lacks its call, is as good as DirectX files
   that are not there. */
static int InstallDirectX(HWND sheet)
{
    char path[PATH_TEXT_SIZE + 16];
    HMODULE library = NULL;
    DirectXSetupProc directXSetup = NULL;

    if (TextCopy(path, sizeof path, SourceDir) && TextAppendPath(path, sizeof path, "dsetup.dll"))
        library = LoadLibraryByPath(path);
    if (library != NULL)
        directXSetup = (DirectXSetupProc)(void *)GetProcAddress(library, "DirectXSetup");
    if (directXSetup == NULL)
        return DSETUPERR_SOURCEFILENOTFOUND;
    return directXSetup(sheet, SourceDir, DirectXFlags);
}

/* Tells why DirectX failed and ends the program; what was installed stays. */
static void FailDirectX(HWND sheet, int result)
{
    char message[256];
    TextLoadString(message, sizeof message, DirectXErrorText(result));
    TextAppendString(message, sizeof message, IDS_SEE_TROUBLESHOOTING);
    MessageBoxA(sheet, message, NULL, MB_OK | MB_ICONWARNING);
    exit(ABORTED_EXIT_CODE);
}

int RunInstallation(HWND page)
{
    HWND sheet = GetParent(page);
    int result;

    InstallationUnderWay = 1;
    SendMessageA(sheet, PSM_SETWIZBUTTONS, 0, PSWIZB_DISABLEDFINISH);
    ShowStatus(IDS_INSTALLING_FILES);
    /* Nothing of this run is in InstallDir yet: the undo touches nothing. */
    if (!ClaimCopyMutex())
        FailInstallation(sheet, IDS_ANOTHER_SETUP_COPIES);
    /* Before any file is judged: a file put back is judged as it is. */
    RecoverInterruptedCopy();
    /* What would fail after the copy is found before it writes a file. */
    if (!IsInstallRecordWritable())
        FailInstallation(sheet, IDS_RECORD_FAILED);
    if (!EnterSourceDir(sheet) || !CheckDestinationsReplaceable(sheet))
        AbortInstallation(sheet);
    MarkCopyUnderWay();
    result = RunCopyDialog(page, AbortAtSessionEnd);
    /* -1: the system could not make the copy box, so nothing has told the
       user yet. Nothing was copied; the first file is where it failed. */
    if (result == -1)
        ShowCopyFailed(sheet, GameFileList[0]);
    if (result != 1 || !GameFilesArrived(sheet))
        AbortInstallation(sheet);
    /* Without its record the game is no installation: not in the list of
       removable programs, not started by "Run Game Now", and every later
       start runs the wizard again. A record that cannot be written undoes
       the copy like a failed one, so what the copy replaced stays aside
       until the record is there. */
    if (!WriteInstallRecord() && !WriteInstallRecordChain())
        FailInstallation(sheet, IDS_RECORD_FAILED);
    /* From here the new files stay, whatever happens. */
    DiscardKeptFiles();
    CreateDesktopShortcut();

    ShowStatus(IDS_INSTALLING_DIRECTX);
    result = InstallDirectX(sheet);
    if (result != DSETUPERR_SUCCESS && result != DSETUPERR_SUCCESS_RESTART)
        FailDirectX(sheet, result);
    if (result == DSETUPERR_SUCCESS_RESTART) {
        SendMessageA(sheet, PSM_REBOOTSYSTEM, 0, 0);
        EnableWindow(GetDlgItem(page, IDC_OPTION_CHECK), FALSE);
    }
    SendMessageA(sheet, PSM_SETWIZBUTTONS, 0, PSWIZB_FINISH);
    ReleaseCopyMutex();
    InstallationUnderWay = 0;
    return 1;
}

int DeleteInstalledFiles(void)
{
    /* By full path: a folder that cannot be entered keeps nothing of this run. */
    UndoPlacedFiles();
    return SetCurrentDirectoryA(InstallDir) != 0;
}
