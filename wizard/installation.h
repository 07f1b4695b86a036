/* The installation behind Next on the confirmation step. */
#ifndef INSTALLATION_H
#define INSTALLATION_H

#include <windows.h>

/* Installs the game into InstallDir, the current directory, and leaves the
   sheet on its completion step with Finish offered. 1 when it completed; a
   failed installation ends the program instead. */
int RunInstallation(HWND page);

#endif
