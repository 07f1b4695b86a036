/* The desktop shortcut to the installed Windows game. */
#ifndef DESKTOP_SHORTCUT_H
#define DESKTOP_SHORTCUT_H

enum { LINK_PATH_SIZE = 260 };

/* Writes "Starwake IV.lnk" into the Desktop folder of the Windows directory,
   pointing at InstallDir\SW4w.exe. 1 when the link was saved; 0 when it could
   not be, or when a path would not fit its buffer whole. Nothing is shown. */
int CreateDesktopShortcut(void);
/* Saves a shell link to target, starting in InstallDir; 1 when saved. */
int CreateShellLink(const char *target, const char *link, const char *description);

#endif
