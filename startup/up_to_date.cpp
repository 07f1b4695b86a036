#include "startup/install_record.h"
#include "startup/text_buffer.h"
#include "resources/resource.h"

/* Reads the last-write time of an existing file; 0 when it cannot be opened. */
static int ReadLastWriteTime(const char *path, FILETIME *lastWrite)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    GetFileTime(file, NULL, NULL, lastWrite);
    CloseHandle(file);
    return 1;
}

static void WarnMissingSource(HWND window, const char *sourcePath)
{
    /* Room for the sentence and any path whole. */
    char text[256 + MAX_PATH];

    TextLoadString(text, sizeof text, IDS_MISSING_CD_FILE);
    TextAppend(text, sizeof text, sourcePath);
    MessageBoxA(GetParent(window), text, NULL, MB_ICONWARNING);
}

static LONGLONG FileTimeValue(const FILETIME *time)
{
    return (LONGLONG)((ULONGLONG)time->dwHighDateTime << 32 | time->dwLowDateTime);
}

/* FILETIME counts 100 ns. */
static const LONGLONG FAT_TIME_STEP = 2 * 10000000LL;
static const LONGLONG ONE_HOUR = 3600 * 10000000LL;

/* Whether an installed file counts as older than its source. FAT keeps
   last-write times to 2 seconds and in local time, so a whole copy there can
   read up to 2 s older than the CD, or an hour off either way after a change
   to or from daylight saving time: neither is a stale file. */
static int IsOlder(const FILETIME *dest, const FILETIME *source)
{
    LONGLONG behind = FileTimeValue(source) - FileTimeValue(dest);

    if (behind <= FAT_TIME_STEP)   /* an hour ahead is not older either */
        return 0;
    return behind < ONE_HOUR - FAT_TIME_STEP || behind > ONE_HOUR + FAT_TIME_STEP;
}

/* 1 when the system says that path names nothing. A file held by another
   program, or a drive not ready yet, is there all the same. */
static int IsAbsent(const char *path)
{
    DWORD error;

    if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES)
        return 0;
    error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

int WouldReplace(const char *sourcePath, const char *destPath)
{
    FILETIME destTime, sourceTime;

    return ReadLastWriteTime(destPath, &destTime) && ReadLastWriteTime(sourcePath, &sourceTime)
        && IsOlder(&destTime, &sourceTime);
}

int CopyNeedOf(HWND window, const char *sourcePath, const char *destPath)
{
    FILETIME destTime = { 0, 0 };
    FILETIME sourceTime = { 0, 0 };
    int destExists = ReadLastWriteTime(destPath, &destTime);

    if (!ReadLastWriteTime(sourcePath, &sourceTime)) {
        /* The names are bare: a file is missing only from a current folder
           that can be read. A CD out of its drive lacks nothing. */
        if (!IsAbsent(sourcePath) || GetFileAttributesA(".") == INVALID_FILE_ATTRIBUTES)
            return COPY_SOURCE_UNREADABLE;
        WarnMissingSource(window, sourcePath);
        return destExists ? COPY_SOURCE_MISSING : COPY_SOURCE_AND_DEST_MISSING;
    }
    if (!destExists)
        return COPY_NEEDED;
    return IsOlder(&destTime, &sourceTime) ? COPY_NEEDED : COPY_NOT_NEEDED;
}

int IsExistingFile(const char *path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

int NeedsCopy(HWND window, const char *sourcePath, const char *destPath)
{
    int need = CopyNeedOf(window, sourcePath, destPath);
    if (need == COPY_SOURCE_UNREADABLE)
        WarnMissingSource(window, sourcePath);
    return need == COPY_NEEDED;
}
