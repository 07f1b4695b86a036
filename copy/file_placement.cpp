#include "copy/file_placement.h"
#include "copy/copy_job.h"
#include "startup/install_record.h"
#include "startup/text_buffer.h"

#include <string.h>

/* The staging names: 8.3, so that every volume takes them, and of a form
   that nothing else has: no game file starts with a tilde, the short names
   the system makes end their stem in a tilde and a digit, GetTempFileNameA
   gives .TMP names, and only these 38 names and the marker are ever
   touched. */
int StagedPath(int file, int kind, char *path, size_t pathSize)
{
    char name[] = "\\~SW4C00.NEW";

    if (file < 0 || file >= COPY_FILE_COUNT)
        return 0;
    name[6] = (char)('0' + file / 10);
    name[7] = (char)('0' + file % 10);
    if (kind == STAGED_KEPT)
        memcpy(name + 9, "OLD", 3);
    return TextCopy(path, pathSize, InstallDir) && TextAppend(path, pathSize, name);
}

/* There from before the first file takes its name until the installation
   is recorded, or undone with every earlier version back: an upgrade killed
   meanwhile is neither, and the next setup takes it back. */
static int MarkerPath(char *path, size_t pathSize)
{
    return TextCopy(path, pathSize, InstallDir) && TextAppend(path, pathSize, "\\~SW4C.RUN");
}

/* This process made the marker: a setup turned away from another one's
   copy leaves that one's marker alone. */
static int MarkerMade;

static int IsCopyMarked(void)
{
    char marker[FS_NAME_SIZE];
    return MarkerPath(marker, sizeof marker) && IsExistingFile(marker);
}

static void DeleteMarker(void)
{
    char marker[FS_NAME_SIZE];
    if (MarkerPath(marker, sizeof marker))
        DeleteFileA(marker);
}

/* The marker goes once no earlier version waits aside: while one does, the
   next setup must still be able to put it back. */
static void DeleteMarkerUnlessKept(void)
{
    char kept[FS_NAME_SIZE];
    int file;

    for (file = 0; file < COPY_FILE_COUNT; file++)
        if (StagedPath(file, STAGED_KEPT, kept, sizeof kept) && IsExistingFile(kept))
            return;
    DeleteMarker();
}

void MarkCopyUnderWay(void)
{
    char marker[FS_NAME_SIZE];
    HANDLE file;

    /* Without it a kill leaves what it always left: the copy goes on. */
    if (MarkerPath(marker, sizeof marker) && OsOpenFile(marker, FS_MODE_CREATE, &file, 0) == 0) {
        OsCloseFile(file);
        MarkerMade = 1;
    }
}

static DWORD FileBit(int file)
{
    return (DWORD)1 << file;
}

/* The three names of file; 0 when one does not fit. */
static int ComposeNames(int file, char *copy, char *kept, char *target)
{
    return StagedPath(file, STAGED_COPY, copy, FS_NAME_SIZE) && StagedPath(file, STAGED_KEPT, kept, FS_NAME_SIZE)
        && CopyJobInstalledPath(file, target, FS_NAME_SIZE);
}

DWORD ReplaceBlocker(const char *path)
{
    DWORD attributes = GetFileAttributesA(path);
    HANDLE probe;

    if (attributes == INVALID_FILE_ATTRIBUTES)
        return ERROR_SUCCESS;   /* nothing there, or nothing to tell: placing decides */
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return ERROR_ACCESS_DENIED;
    if (OsOpenFile(path, FS_MODE_UPDATE, &probe, 0) != 0)
        return GetLastError();
    OsCloseFile(probe);
    return ERROR_SUCCESS;
}

DWORD PlaceCopiedFile(int file)
{
    char copy[FS_NAME_SIZE], kept[FS_NAME_SIZE], target[FS_NAME_SIZE];
    int keeping;
    DWORD error;

    if (!ComposeNames(file, copy, kept, target))
        return ERROR_FILENAME_EXCED_RANGE;
    keeping = IsExistingFile(target);
    if (keeping && !MoveFileA(target, kept))
        return GetLastError();
    if (!MoveFileA(copy, target)) {
        error = GetLastError();
        /* Left where it waits, the undo's caller names it. */
        if (keeping && !MoveFileA(kept, target))
            CopyJob.filesKept |= FileBit(file);
        return error;
    }
    CopyJob.filesPlaced |= FileBit(file);
    if (keeping)
        CopyJob.filesKept |= FileBit(file);
    return ERROR_SUCCESS;
}

void RecoverInterruptedCopy(void)
{
    char copy[FS_NAME_SIZE], kept[FS_NAME_SIZE], target[FS_NAME_SIZE];
    int rollBack = IsCopyMarked();
    int file;

    for (file = 0; file < COPY_FILE_COUNT; file++) {
        if ((CopyJob.filesPlaced | CopyJob.filesKept) & FileBit(file))
            continue;   /* this process's own, still needed for its undo */
        if (!ComposeNames(file, copy, kept, target))
            continue;
        DeleteFileA(copy);
        if (!IsExistingFile(kept))
            continue;
        /* Not recorded: the earlier version goes back as a cancel would have
           put it. Recorded: the installation is the new one, and the kept
           file stale. A folder there, or a file in use, leaves it waiting. */
        if (rollBack)
            DeleteFileA(target);
        if (!MoveFileA(kept, target) && !rollBack && IsExistingFile(target))
            DeleteFileA(kept);
    }
    DeleteMarkerUnlessKept();
}

void UndoPlacedFiles(void)
{
    char copy[FS_NAME_SIZE], kept[FS_NAME_SIZE], target[FS_NAME_SIZE];
    int file;

    for (file = 0; file < COPY_FILE_COUNT; file++) {
        if (!((CopyJob.filesPlaced | CopyJob.filesKept) & FileBit(file)) || !ComposeNames(file, copy, kept, target))
            continue;
        if ((CopyJob.filesPlaced & FileBit(file)) && DeleteFileA(target))
            CopyJob.filesPlaced &= ~FileBit(file);
        /* MoveFileA keeps the bytes and the times; it fails while the new
           file still holds the name. */
        if ((CopyJob.filesKept & FileBit(file)) && MoveFileA(kept, target))
            CopyJob.filesKept &= ~FileBit(file);
    }
    if (MarkerMade)
        DeleteMarkerUnlessKept();
}

void DiscardKeptFiles(void)
{
    char kept[FS_NAME_SIZE];
    int file;

    /* The installation is recorded: from here a kill leaves it, not the
       earlier one. */
    DeleteMarker();
    for (file = 0; file < COPY_FILE_COUNT; file++)
        if ((CopyJob.filesKept & FileBit(file)) && StagedPath(file, STAGED_KEPT, kept, sizeof kept))
            DeleteFileA(kept);
    /* One that would not go is stale now; the next setup deletes it. */
    CopyJob.filesKept = 0;
    CopyJob.filesPlaced = 0;
}

int FirstKeptFile(void)
{
    int file;
    for (file = 0; file < COPY_FILE_COUNT; file++)
        if (CopyJob.filesKept & FileBit(file))
            return file;
    return -1;
}

int CopyJobPlacedFile(int file)
{
    return file >= 0 && file < COPY_FILE_COUNT && (CopyJob.filesPlaced & FileBit(file));
}
