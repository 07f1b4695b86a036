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

/* Takes InstallDir back to what it held before this run's copy: the files
   it placed are deleted and the ones they replaced put back; files it did
   not touch stay, by full path. 0 when InstallDir cannot be entered then;
   InstallDir is the current directory otherwise. */
int DeleteInstalledFiles(void);

/* Before the wizard shows: a copy into InstallDir (the recorded folder, or
   the default) that was killed before its installation was recorded is
   taken back, so that a wizard cancelled at any step leaves the earlier
   installation whole. Nothing while another setup copies. */
void RecoverInterruptedInstallation(void);

#endif
