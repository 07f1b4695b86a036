/* The DLLs that setup loads itself, each by its full path. From Vista on
   setup runs as administrator, often from a folder that others may write
   (a CD copied to the disk, Downloads, a share): whatever a search found
   there would run with those rights. So setup imports only DLLs that every
   Windows takes from its system folder, and loads the others here. */
#ifndef SYSTEM_LIBRARIES_H
#define SYSTEM_LIBRARIES_H

#include <windows.h>
#include <commctrl.h>
#include <mmsystem.h>

/* Takes the current folder, and where the system allows it every folder but
   its own, out of the DLL search of this process. First thing at start. */
void RestrictDllSearch(void);

/* A call of kernel32 that not every Windows has, looked up rather than
   imported; NULL where this one lacks it. */
FARPROC KernelCall(const char *name);
/* The same for user32. */
FARPROC UserCall(const char *name);

/* Loads the DLL at path, a full path, with its own imports taken from its
   folder and the system's, never from the current folder. NULL on failure. */
HMODULE LoadLibraryByPath(const char *path);

/* The common controls and the multimedia timer from the system folder, into
   the calls below. 1 when all are there; else 0 after a message that names
   the DLL. */
int LoadSystemLibraries(void);

/* Null until LoadSystemLibraries has filled them. */
extern void (WINAPI *InitCommonControlsCall)(void);
extern INT_PTR (WINAPI *PropertySheetCall)(LPCPROPSHEETHEADERA);
extern MMRESULT (WINAPI *TimeBeginPeriodCall)(UINT);
extern MMRESULT (WINAPI *TimeEndPeriodCall)(UINT);
extern DWORD (WINAPI *TimeGetTimeCall)(void);

#endif
