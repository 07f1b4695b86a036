/* The desktop shortcut to the installed Windows game. */
#ifndef DESKTOP_SHORTCUT_H
#define DESKTOP_SHORTCUT_H

#include <windows.h>
#include <shlobj.h>

enum { LINK_PATH_SIZE = 260 };   /* MAX_PATH, what the shell writes a path into */

/* Writes "Starwake IV.lnk", pointing at InstallDir\SW4w.exe, into the first
   desktop folder that takes it: all users' as the shell names it, the
   user's, then the Desktop folder of the Windows directory. 1 when the link
   was saved; 0 when it could not be anywhere, or when a path would not fit
   its buffer whole. Nothing is shown. */
int CreateDesktopShortcut(void);
/* Saves a shell link to target, starting in InstallDir; 1 when saved. */
int CreateShellLink(const char *target, const char *link, const char *description);

/* The shell's SHGetSpecialFolderLocation; the caller frees the list with
   the shell's allocator. In a file of its own so that a test build can play
   a shell that names no desktop; setup.exe links the real one. */
HRESULT ShellFolderLocation(int folder, LPITEMIDLIST *list);

#endif
