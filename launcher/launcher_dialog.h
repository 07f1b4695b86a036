/* The launcher menu shown when a current installation is recorded: runs the
   game (after the dialog has closed, through RunGameOnExit), reconfigures or
   uninstalls it, shows its readme, and keeps the "Show this menu on startup"
   choice in MenuSuppressed. Ends with 0 whichever way it is closed. */
#ifndef LAUNCHER_DIALOG_H
#define LAUNCHER_DIALOG_H

#include <windows.h>

INT_PTR CALLBACK LauncherDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

#endif
