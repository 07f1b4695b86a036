/* The launcher menu shown when a current installation is recorded. */
#ifndef LAUNCHER_DIALOG_H
#define LAUNCHER_DIALOG_H

#include <windows.h>

INT_PTR CALLBACK LauncherDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

#endif
