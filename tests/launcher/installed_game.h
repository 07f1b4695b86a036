// What the launcher and uninstaller tests share: an install folder as setup
// leaves it, the desktop shortcut, and the processes the programs start.
#ifndef INSTALLED_GAME_H
#define INSTALLED_GAME_H

#include <windows.h>
#include <string>

std::string StandinDosGamePath();   // the stand-in MS-DOS game and uninstaller

// The 19 files setup installs: the MS-DOS game's (its sw4.exe being the
// stand-in uninstaller) and the Windows program (the stand-in game), KorLib.dll.
void FillInstallFolder(const std::string &folder);
extern const char *const InstalledFiles[19];

void WriteTextFile(const std::string &path, const std::string &text);

// The desktop shortcut's path; its folder is made if the prefix lacks it.
std::string DesktopShortcutPath();
void RemoveDesktopFolderIfMade();

// Whether a process of this executable name runs now (case-insensitive).
bool ProcessRunning(const char *exeName);
// Ends every process of this name: what a test may leave behind if it fails.
void EndProcesses(const char *exeName);

// The uninstaller's copies in the temporary folder, removed once their
// processes have ended.
void RemoveUninstallerCopies();

#endif
