/* Start-up and control: entry, the single-instance and memory checks, the
   reboot question and the exit handler, with the process-wide state that
   every face of the program shares. */
#ifndef STARTUP_H
#define STARTUP_H

#include <windows.h>

enum { PATH_TEXT_SIZE = 256 };   /* InstallDir, SourceDir */

/* ---- Shared state (all zero at start) --------------------------------- */
extern HINSTANCE AppInstance;          /* every string, dialog and bitmap load */
extern char SourceDir[PATH_TEXT_SIZE]; /* the CD folder the program started in */
extern int LaunchedFromAutorun;        /* "autorun" in the command line */
extern int RunGameOnExit;              /* start the game when the program ends */
extern HANDLE SetupMutexHandle;        /* held, never closed, for the process's life */

/* Physical memory below this shows the warning (decimal, as the readme says 16 MB). */
enum { REQUIRED_PHYSICAL_MEMORY = 15000000 };

/* ---- Start-up checks --------------------------------------------------- */
/* Fills SourceDir with the current directory, named so that it leads back
   there: where the ANSI code page cannot hold its name, by its short name.
   0 after a message naming the folder when it has no such name. */
int CaptureSourceDir(void);
/* 1 when this process created the setup mutex, else 0. */
int IsFirstSetupInstance(HINSTANCE instance);
/* 1 when the game's own mutex already exists, else 0; the probe never keeps it. */
int IsGameRunning(HINSTANCE instance);
/* 1 when memory suffices, 0 after the warning box. */
int CheckSystemMemory(void);
/* Asks for a restart; always 0. */
int PromptReboot(void);
/* Registered with atexit: releases what the launcher and the copy job leave. */
void ExitCleanup(void);

/* The machine's physical memory in bytes. Kept in a file of its own so that
   a test build can report less memory than the machine has; setup.exe links
   the real one. */
ULONGLONG QueryTotalPhysicalMemory(void);
/* The real probe, given the module that should hold GlobalMemoryStatusEx
   (kernel32.dll): that function where the module has it, since from 4 GB on
   GlobalMemoryStatus caps or wraps the figure; else GlobalMemoryStatus, as
   on Windows 95. */
ULONGLONG TotalPhysicalMemory(HMODULE kernel);

/* Asks the system to restart; nonzero when it agreed. In a file of its own
   for the same reason: a real restart would end the test run with it. */
int RequestSystemRestart(void);

#endif
