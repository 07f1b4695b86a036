#include "startup/system_libraries.h"
#include "startup/text_buffer.h"
#include "resources/resource.h"

/* Not in the headers of a Windows 95 build; from Windows 8, and 7 with its
   update, where SetDefaultDllDirectories exists. */
#ifndef LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR
#define LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR 0x00000100
#define LOAD_LIBRARY_SEARCH_SYSTEM32     0x00000800
#endif

void (WINAPI *InitCommonControlsCall)(void);
INT_PTR (WINAPI *PropertySheetCall)(LPCPROPSHEETHEADERA);
MMRESULT (WINAPI *TimeBeginPeriodCall)(UINT);
MMRESULT (WINAPI *TimeEndPeriodCall)(UINT);
DWORD (WINAPI *TimeGetTimeCall)(void);

/* LoadLibraryExA takes the LOAD_LIBRARY_SEARCH_ flags: the same systems
   that have SetDefaultDllDirectories. */
static int SearchFlagsKnown;

typedef BOOL (WINAPI *SetDefaultDllDirectoriesProc)(DWORD);
typedef BOOL (WINAPI *SetDllDirectoryAProc)(LPCSTR);

FARPROC KernelCall(const char *name)
{
    return GetProcAddress(GetModuleHandleA("kernel32.dll"), name);
}

FARPROC UserCall(const char *name)
{
    return GetProcAddress(GetModuleHandleA("user32.dll"), name);
}

/* Windows 95 to 2000 have neither, and run nothing elevated. */
void RestrictDllSearch(void)
{
    SetDefaultDllDirectoriesProc setDefaultDllDirectories =
        (SetDefaultDllDirectoriesProc)(void *)KernelCall("SetDefaultDllDirectories");
    SetDllDirectoryAProc setDllDirectory = (SetDllDirectoryAProc)(void *)KernelCall("SetDllDirectoryA");

    /* XP SP1 on: no more DLLs from the current folder. */
    if (setDllDirectory != NULL)
        setDllDirectory("");
    /* Windows 8 on: DLLs loaded by name, by us or by the system on our
       behalf (UxTheme for the window frames), come from the system folder. */
    if (setDefaultDllDirectories != NULL && setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32))
        SearchFlagsKnown = 1;
}

HMODULE LoadLibraryByPath(const char *path)
{
    /* Where the flags are known they say exactly that, whatever the process
       default. Before them, the altered search path starts at the DLL's own
       folder, then the system's and Windows', where a DLL is found before
       the current folder (gone from XP SP1 on) or PATH come. */
    return LoadLibraryExA(path, NULL,
                          SearchFlagsKnown ? LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32
                                           : LOAD_WITH_ALTERED_SEARCH_PATH);
}

/* A DLL (no address) and the functions taken from it, in order. */
static const struct {
    const char *name;
    FARPROC *address;
} SystemImports[] = {
    { "comctl32.dll", NULL },
    { "InitCommonControls", (FARPROC *)(void *)&InitCommonControlsCall },
    { "PropertySheetA", (FARPROC *)(void *)&PropertySheetCall },
    { "winmm.dll", NULL },
    { "timeBeginPeriod", (FARPROC *)(void *)&TimeBeginPeriodCall },
    { "timeEndPeriod", (FARPROC *)(void *)&TimeEndPeriodCall },
    { "timeGetTime", (FARPROC *)(void *)&TimeGetTimeCall },
};

int LoadSystemLibraries(void)
{
    char path[MAX_PATH];
    char text[256 + MAX_PATH];
    HMODULE module = NULL;
    UINT length;
    size_t i;

    for (i = 0; i < sizeof SystemImports / sizeof SystemImports[0]; i++) {
        if (SystemImports[i].address == NULL) {
            length = GetSystemDirectoryA(path, sizeof path);
            module = NULL;
            if (length > 0 && length < sizeof path && TextAppendPath(path, sizeof path, SystemImports[i].name))
                module = LoadLibraryByPath(path);
        } else if (module != NULL) {
            *SystemImports[i].address = GetProcAddress(module, SystemImports[i].name);
            if (*SystemImports[i].address == NULL)
                module = NULL;
        }
        if (module == NULL) {
            TextLoadString(text, sizeof text, IDS_SYSTEM_LIBRARY_FAILED);
            TextAppend(text, sizeof text, path);
            MessageBoxA(NULL, text, NULL, MB_OK | MB_ICONSTOP);
            return 0;
        }
    }
    return 1;
}
