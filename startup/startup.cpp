#include "startup/startup.h"
#include "startup/text_buffer.h"
#include "launcher/artwork_panel.h"
#include "copy/copy_job.h"
#include "resources/resource.h"

HINSTANCE AppInstance;
char SourceDir[PATH_TEXT_SIZE];
int LaunchedFromAutorun;
int RunGameOnExit;
HANDLE SetupMutexHandle;

int IsFirstSetupInstance(HINSTANCE instance)
{
    char name[256];
    (void)instance;
    if (!TextLoadString(name, sizeof name, IDS_SETUP_MUTEX))
        return 0;
    /* Stored whatever the outcome: an instance that only opened the mutex
       still keeps the name claimed while it runs. */
    SetupMutexHandle = CreateMutexA(NULL, FALSE, name);
    if (SetupMutexHandle == NULL)
        return 0;
    if (GetLastError() != 0)
        return 0;
    return 1;
}

int IsGameRunning(HINSTANCE instance)
{
    char name[256];
    HANDLE probe;
    DWORD error;
    (void)instance;
    if (!TextLoadString(name, sizeof name, IDS_GAME_MUTEX))
        return 0;
    probe = CreateMutexA(NULL, FALSE, name);
    if (probe == NULL)
        return 0;
    error = GetLastError();
    CloseHandle(probe);
    return error == ERROR_ALREADY_EXISTS;
}

int CheckSystemMemory(void)
{
    MEMORYSTATUS status;
    char text[256];
    char caption[256];

    ZeroMemory(&status, sizeof status);
    status.dwLength = sizeof status;
    QuerySystemMemory(&status);
    if (status.dwTotalPhys >= (SIZE_T)REQUIRED_PHYSICAL_MEMORY)
        return 1;

    TextLoadString(text, sizeof text, IDS_LOW_MEMORY);
    TextLoadString(caption, sizeof caption, IDS_SETUP_TITLE);
    MessageBoxA(NULL, text, caption, MB_OK | MB_ICONEXCLAMATION);
    return 0;
}

/* Windows NT refuses a restart to a process that has not enabled this
   privilege. Windows 95 has no tokens and fails these calls; a user without
   the right gets ERROR_NOT_ALL_ASSIGNED. Either way the request is still
   made and the system answers it. */
static void EnableShutdownPrivilege(void)
{
    HANDLE token;
    TOKEN_PRIVILEGES privileges;

    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return;
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (LookupPrivilegeValueA(NULL, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid))
        AdjustTokenPrivileges(token, FALSE, &privileges, 0, NULL, NULL);
    CloseHandle(token);
}

int PromptReboot(void)
{
    char text[256];
    char caption[64];

    TextLoadString(text, sizeof text, IDS_REBOOT_QUESTION);
    TextLoadString(caption, sizeof caption, IDS_SETUP_TITLE);
    if (MessageBoxA(NULL, text, caption, MB_YESNO | MB_ICONQUESTION) == IDYES) {
        EnableShutdownPrivilege();
        RequestSystemRestart();
    }
    return 0;
}

void ExitCleanup(void)
{
    if (ArtworkPalette != NULL)
        DeleteObject(ArtworkPalette);
    ArtworkPalette = NULL;

    /* The tick thread only sleeps and posts; nothing of it needs finishing. */
    if (TickThreadHandle != NULL) {
        TerminateThread(TickThreadHandle, 0);
        CloseHandle(TickThreadHandle);
        TickThreadHandle = NULL;
    }
}
