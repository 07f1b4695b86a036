#include "startup/startup.h"
#include "startup/system_libraries.h"
#include "startup/text_buffer.h"
#include "launcher/artwork_panel.h"
#include "copy/copy_job.h"
#include "resources/resource.h"

#include <string.h>

HINSTANCE AppInstance;
char SourceDir[PATH_TEXT_SIZE];
int LaunchedFromAutorun;
int RunGameOnExit;
HANDLE SetupMutexHandle;

typedef DWORD (WINAPI *GetCurrentDirectoryWProc)(DWORD, WCHAR *);
typedef DWORD (WINAPI *GetShortPathNameWProc)(const WCHAR *, WCHAR *, DWORD);

int CaptureSourceDir(void)
{
    GetCurrentDirectoryWProc currentDirectoryW;
    GetShortPathNameWProc shortPathNameW;
    WCHAR folder[MAX_PATH], back[MAX_PATH];
    char name[PATH_TEXT_SIZE];
    char text[512];
    DWORD length;
    int tries, backLength;

    /* NT names folders in Unicode, and the ANSI text has a look-alike or
       "?" for what the code page lacks. Windows 95's names are the ANSI
       ones; there GetCurrentDirectoryW fails. */
    GetCurrentDirectoryA(sizeof SourceDir, SourceDir);
    currentDirectoryW = (GetCurrentDirectoryWProc)(void *)KernelCall("GetCurrentDirectoryW");
    shortPathNameW = (GetShortPathNameWProc)(void *)KernelCall("GetShortPathNameW");
    if (currentDirectoryW == NULL || shortPathNameW == NULL)
        return 1;
    length = currentDirectoryW(MAX_PATH, folder);
    /* The long name if its text reads back as the folder, else the 8.3
       name, which is plain where it exists (a volume can do without). */
    for (tries = 0; length != 0 && length < MAX_PATH && tries < 2; tries++) {
        if (WideCharToMultiByte(CP_ACP, 0, folder, -1, name, sizeof name, NULL, NULL) != 0) {
            backLength = MultiByteToWideChar(CP_ACP, 0, name, -1, back, MAX_PATH);
            if (backLength != 0 && memcmp(back, folder, backLength * sizeof(WCHAR)) == 0)
                return TextCopy(SourceDir, sizeof SourceDir, name);
        }
        length = shortPathNameW(folder, folder, MAX_PATH);
    }
    if (tries == 0)
        return 1;

    TextLoadString(text, sizeof text, IDS_FOLDER_NOT_NAMED);
    TextAppend(text, sizeof text, SourceDir);
    TextAppendString(text, sizeof text, IDS_RUN_FROM_CD);
    MessageBoxA(NULL, text, NULL, MB_OK | MB_ICONSTOP);
    return 0;
}

int IsFirstSetupInstance(HINSTANCE instance)
{
    char name[256];
    (void)instance;
    if (!TextLoadString(name, sizeof name, IDS_SETUP_MUTEX))
        return 0;
    /* Stored whatever the outcome: an instance that only opened the mutex
       still keeps the name claimed while it runs. */
    /* Only ERROR_ALREADY_EXISTS is promised after a successful call: an
       error left from before must not read as another instance. */
    SetLastError(0);
    SetupMutexHandle = CreateMutexA(NULL, FALSE, name);
    if (SetupMutexHandle == NULL)
        return 0;
    if (GetLastError() == ERROR_ALREADY_EXISTS)
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
    SetLastError(0);
    probe = CreateMutexA(NULL, FALSE, name);
    if (probe == NULL)
        return 0;
    error = GetLastError();
    CloseHandle(probe);
    return error == ERROR_ALREADY_EXISTS;
}

typedef BOOL (WINAPI *GlobalMemoryStatusExProc)(MEMORYSTATUSEX *);

ULONGLONG TotalPhysicalMemory(HMODULE kernel)
{
    GlobalMemoryStatusExProc globalMemoryStatusEx = NULL;
    MEMORYSTATUSEX extended;
    MEMORYSTATUS status;

    if (kernel != NULL)
        globalMemoryStatusEx = (GlobalMemoryStatusExProc)(void *)GetProcAddress(kernel, "GlobalMemoryStatusEx");
    if (globalMemoryStatusEx != NULL) {
        ZeroMemory(&extended, sizeof extended);
        extended.dwLength = sizeof extended;
        if (globalMemoryStatusEx(&extended))
            return extended.ullTotalPhys;
    }
    ZeroMemory(&status, sizeof status);
    status.dwLength = sizeof status;
    GlobalMemoryStatus(&status);
    return status.dwTotalPhys;
}

int CheckSystemMemory(void)
{
    char text[256];
    char caption[256];

    if (QueryTotalPhysicalMemory() >= REQUIRED_PHYSICAL_MEMORY)
        return 1;

    TextLoadString(text, sizeof text, IDS_LOW_MEMORY);
    TextLoadString(caption, sizeof caption, IDS_SETUP_TITLE);
    MessageBoxA(NULL, text, caption, MB_OK | MB_ICONEXCLAMATION);
    return 0;
}

typedef BOOL (WINAPI *OpenProcessTokenProc)(HANDLE, DWORD, HANDLE *);
typedef BOOL (WINAPI *LookupPrivilegeValueProc)(LPCSTR, LPCSTR, LUID *);
typedef BOOL (WINAPI *AdjustTokenPrivilegesProc)(HANDLE, BOOL, TOKEN_PRIVILEGES *, DWORD,
                                                 TOKEN_PRIVILEGES *, DWORD *);

/* Windows NT refuses a restart to a process that has not enabled this
   privilege. Windows 95 has no tokens: the three calls are looked up, not
   imported, and where one is missing or fails (a user without the right
   gets ERROR_NOT_ALL_ASSIGNED) the request is still made and the system
   answers it. */
static void EnableShutdownPrivilege(void)
{
    HMODULE advapi = GetModuleHandleA("advapi32.dll");
    OpenProcessTokenProc openToken;
    LookupPrivilegeValueProc lookupPrivilege;
    AdjustTokenPrivilegesProc adjustPrivileges;
    HANDLE token;
    TOKEN_PRIVILEGES privileges;

    if (advapi == NULL)
        return;
    openToken = (OpenProcessTokenProc)(void *)GetProcAddress(advapi, "OpenProcessToken");
    lookupPrivilege = (LookupPrivilegeValueProc)(void *)GetProcAddress(advapi, "LookupPrivilegeValueA");
    adjustPrivileges = (AdjustTokenPrivilegesProc)(void *)GetProcAddress(advapi, "AdjustTokenPrivileges");
    if (openToken == NULL || lookupPrivilege == NULL || adjustPrivileges == NULL)
        return;
    if (!openToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return;
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (lookupPrivilege(NULL, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid))
        adjustPrivileges(token, FALSE, &privileges, 0, NULL, NULL);
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
    ReleaseTimerPeriod();
}
