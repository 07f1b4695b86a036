/* The installation behind Next on the confirmation step. */
#ifndef INSTALLATION_H
#define INSTALLATION_H

#include <windows.h>

/* 1 from Next on the confirmation until the completion step: the sheet
   takes no Cancel, close, Back or Next meanwhile. The copy box and DirectX's
   own windows run message loops of their own, which the sheet's messages
   pass through too. */
extern int InstallationUnderWay;

/* Copies the game into InstallDir (the current directory), records it, puts
   the shortcut on the desktop and installs DirectX, leaving the sheet on
   its completion step with Finish offered: 1. An aborted copy, a record the
   registry refuses (the copy undone) or a failed DirectX ends the program
   with exit code 1 instead; it never returns then. */
int RunInstallation(HWND page);

/* Deletes from InstallDir the game files this run's copy wrote, whole or in
   part; files of those names that were there before and were not copied
   over stay. 0 when InstallDir cannot be entered (nothing deleted). */
int DeleteInstalledFiles(void);

#endif
