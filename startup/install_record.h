/* The installation record in the registry, the paths derived from it, the
   up-to-date test of installed files, and the programs started from here. */
#ifndef INSTALL_RECORD_H
#define INSTALL_RECORD_H

#include <windows.h>
#include <stddef.h>
#include "startup/startup.h"

enum {
    RECORD_TEXT_SIZE = 256,   /* the UninstallString as read and as composed */
    GAME_ARGS_SIZE = 8
};

/* ---- Shared state ------------------------------------------------------ */
extern char InstallDir[PATH_TEXT_SIZE];  /* start value "c:\sw4" */
extern int MenuSuppressed;               /* the record's "autorun" value */
extern char GameArgs[GAME_ARGS_SIZE];    /* appended to the game's command line */

/* Longest InstallDir whose UninstallString fits its buffer: 256 less the
   19 characters of "\SW4.EXE -uninstall" and the terminator, and for a
   folder with a blank less the two quotes around the program's path. */
enum {
    MAX_RECORDED_INSTALL_DIR = RECORD_TEXT_SIZE - 20,
    MAX_RECORDED_INSTALL_DIR_WITH_BLANK = MAX_RECORDED_INSTALL_DIR - 2
};
/* 1 when the record can carry folder as InstallDir whole. */
int IsRecordableInstallDir(const char *folder);

/* ---- Record ------------------------------------------------------------ */
/* 1 when every value was written: the three the uninstaller and earlier
   versions read, and what the list of installed programs shows (icon,
   version and publisher from the version resource, folder, date, size in
   KB, no Modify or Repair). 0 also when InstallDir is too long to be
   recorded whole (nothing is written then). */
int WriteInstallRecord(void);
/* Whether the record can be written, asked before the copy so that a user
   without the rights hears so before any file is written; leaves the
   registry as it was. The write after the copy stays the proof. */
int IsInstallRecordWritable(void);
/* The same values, reaching the key by creating every key of its path. */
int WriteInstallRecordChain(void);
/* Writes the low byte of MenuSuppressed as "autorun"; 1 when written. */
int SaveAutorunSetting(void);
/* Reads the UninstallString into buffer (RECORD_TEXT_SIZE bytes) and loads
   MenuSuppressed; 1 when a REG_SZ UninstallString was read. */
int ReadInstallRecord(char *buffer);

/* ---- Paths ------------------------------------------------------------- */
/* Turns the UninstallString in command into the Windows game's path and puts
   its folder into folder and InstallDir. The program is the text between
   the quotes of a quoted string, else the text before its last blank. 0 when
   a part is missing, a quote is never closed or the result does not fit;
   the buffers may then be changed, InstallDir is not. */
int DeriveGamePaths(char *command, size_t commandSize, char *folder, size_t folderSize);
/* 1 when the installation is recorded and its Windows executable is at least
   as new as the CD's copy (or the CD's copy cannot be found). */
int IsInstallCurrent(void);
/* 1 when destPath is missing or older than sourcePath; 0 otherwise, and 0
   after a warning box when sourcePath cannot be opened. Older means by more
   than the 2 s that FAT rounds to, and not by an hour give or take those 2 s,
   as FAT's local times read after a change of daylight saving time. */
int NeedsCopy(HWND window, const char *sourcePath, const char *destPath);
/* NeedsCopy's finding in full, for a caller that must tell a file it could
   not check from one that is up to date. */
enum {
    COPY_NOT_NEEDED = 0,
    COPY_NEEDED = 1,
    COPY_SOURCE_MISSING = 2,            /* warned; the destination is there */
    COPY_SOURCE_AND_DEST_MISSING = 3,   /* warned; the file is nowhere */
    /* There, but it cannot be opened now (held, not ready, unreadable):
       not warned, for the copy to try and tell why. NeedsCopy warns as for
       a missing one. */
    COPY_SOURCE_UNREADABLE = 4
};
int CopyNeedOf(HWND window, const char *sourcePath, const char *destPath);
/* 1 when destPath exists and the copy would replace it: NeedsCopy's answer
   for a file that is there, without any warning. */
int WouldReplace(const char *sourcePath, const char *destPath);
/* 1 when path names an existing file, not a folder. */
int IsExistingFile(const char *path);

/* ---- Programs ---------------------------------------------------------- */
/* program, quoted when it holds a blank so that the system finds where the
   arguments begin (unquoted, c:\program files\... is first tried as
   c:\program.exe), then arguments; one without a blank stays as it was.
   0 when it would not fit whole. */
int ComposeCommandLine(char *command, size_t commandSize, const char *program, const char *arguments);
int LaunchGame(void);              /* 1 when the game's process was created */
int LaunchUninstaller(HWND owner); /* 1 when the user agreed and it started */
int ShowReadme(void);              /* nonzero when the viewer started */

#endif
