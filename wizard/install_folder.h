/* The install folder: the wizard's Next handler, the check of the typed
   folder with the drive's free space, the making and entering of its folder
   chain, and the removal of what that made when the user goes back. */
#ifndef INSTALL_FOLDER_H
#define INSTALL_FOLDER_H

#include <windows.h>

/* ---- State ------------------------------------------------------------------ */
extern const char DefaultInstallDir[];   /* "c:\sw4": InstallDir again after a refusal */
/* 1 from an accepted check until RollBackFolders; a finished installation
   leaves it set. */
extern int FoldersCreated;
/* How many of the accepted folder's innermost folders that check made; only
   these are removed again, never a folder that was there before. */
extern int NewFolderCount;

/* Decimal, as the page text's "20 MB" reads, not 20 x 1,048,576. */
const ULONGLONG RequiredFreeBytes = 20000000;
/* The folder box gives at most this many characters. */
enum { MAX_TYPED_INSTALL_DIR = 240 };

/* ---- Next ------------------------------------------------------------------- */
/* Does the work behind Next once the page has moved *step on: fills the folder
   box on entering the folder choice, checks the typed folder on leaving it
   (moving *step on once more when it is accepted), runs the installation on
   leaving the confirmation. Always 1. */
int HandleWizardNext(HWND page, int *step);

/* ---- Folder check ------------------------------------------------------------- */
/* Accepts only a path on a drive letter that the installation record can
   carry; makes and enters its folder chain and reads InstallDir back as the
   system names it. The length of that path, or 0 when refused: what a
   refused check made is removed again. `path` is cut into pieces. */
unsigned ValidateInstallDir(HWND page, char *path);
/* Tests the drive, then makes and enters every folder of `path` from the root
   down; `path` is cut into pieces. 1 done, 0 failed. */
int CreateFolderChain(HWND page, char *path);
/* Warns when drive `driveIndex` (0 = A) has less than RequiredFreeBytes free;
   nonzero when the user went on and the drive's root became the current
   directory, 0 otherwise. */
int CheckDriveSpace(HWND page, BYTE driveIndex);

/* ---- Rollback ---------------------------------------------------------------- */
/* Removes up to `levels` folders of `path` from the innermost outward, each
   after stepping out of it, and stops at the first that cannot go. Expects
   the current directory to be the folder `path` names; `path` is cut. */
void RemoveFolderChain(char *path, int levels);
/* Removes the folders the accepted check made, if any. Always 1. */
int RollBackFolders(void);

#endif
