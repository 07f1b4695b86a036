/* How a copied file takes its name. Each file is written under a staging
   name in InstallDir and takes its own name only once it is whole and
   carries its source's time; an older file it replaces waits under a
   second staging name until the installation no longer needs it, or the
   undo puts it back. So after a kill at any moment each name holds the old
   file, the complete new one, or nothing while the old one waits. */
#ifndef FILE_PLACEMENT_H
#define FILE_PLACEMENT_H

#include <windows.h>
#include <stddef.h>

/* The two staging names of a file (COPY_FILE_...). */
enum {
    STAGED_COPY = 0,   /* the copy being written, or whole and not yet placed */
    STAGED_KEPT = 1    /* the file the copy replaced, kept aside */
};

/* InstallDir + "\~SW4Cnn.NEW" (STAGED_COPY) or ".OLD" (STAGED_KEPT), nn the
   file's number; 0 when file is no file of the job or the path does not fit. */
int StagedPath(int file, int kind, char *path, size_t pathSize);

/* ERROR_SUCCESS when path names nothing, or a file that this process could
   open for writing and no other process has open: the test the old
   in-place copy made when it opened the file. Else the system's error: for
   a folder ERROR_ACCESS_DENIED, for a file in use, such as the running
   game, ERROR_SHARING_VIOLATION. */
DWORD ReplaceBlocker(const char *path);

/* Puts the whole, closed copy of file under its name, keeping aside the
   file that held the name. ERROR_SUCCESS done; else the system's error,
   with the old file back under its name where that could be done (the copy
   stays under its staging name, to be placed again or deleted). */
DWORD PlaceCopiedFile(int file);

/* Clears up after a run that was killed, before any file is judged: every
   staged copy is deleted. A run killed before its installation was recorded
   is taken back as a cancel would have: each kept file goes back under its
   name, in place of the new one. After the record a kept file is stale: it
   goes back only where its name is free, else it is deleted. Touches
   nothing but the staging names and the marker, and none of those this
   process still needs. */
void RecoverInterruptedCopy(void);

/* Marks InstallDir as holding a copy under way, before its first file is
   placed; DiscardKeptFiles, or an undo that put every earlier version back,
   takes the mark away. */
void MarkCopyUnderWay(void);

/* The undo: deletes each file this process placed and puts back what it
   replaced, byte for byte with its time. A kept file that cannot be put
   back stays under its staging name (see FirstKeptFile). */
void UndoPlacedFiles(void);

/* Deletes what the copy kept aside, once the installation is recorded:
   the placed files are the installation's then, and no undo, nor the next
   setup, takes them back. */
void DiscardKeptFiles(void);

/* The first file (COPY_FILE_...) whose earlier version still waits under
   its staging name; -1 when none does. */
int FirstKeptFile(void);

/* 1 when this process put a copy of file (COPY_FILE_...) in place. */
int CopyJobPlacedFile(int file);

#endif
