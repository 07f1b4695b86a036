#include "copy/file_stream.h"

#include <stdarg.h>
#include <stddef.h>

/* The reporter's texts convert the stream itself with %s. */
static_assert(offsetof(FileStream, name) == 0, "name must be the first member");

int StreamErrorsEnabled;
int (*StreamErrorCallback)(const char *text);
HMODULE StreamErrorModule;

/* ---- OS wrappers ---------------------------------------------------------- */

int OsOpenFile(const char *path, DWORD mode, HANDLE *handleOut, DWORD attributes)
{
    DWORD access = GENERIC_READ;
    DWORD share = FILE_SHARE_READ;
    DWORD disposition = OPEN_EXISTING;

    switch (mode) {
    case FS_MODE_CREATE:
        access = GENERIC_READ | GENERIC_WRITE;
        share = 0;
        disposition = CREATE_ALWAYS;
        break;
    case FS_MODE_WRITE:
        access = GENERIC_WRITE;
        share = 0;
        break;
    case FS_MODE_UPDATE:
        access = GENERIC_READ | GENERIC_WRITE;
        share = 0;
        break;
    }

    HANDLE handle = CreateFileA(path, access, share, NULL, disposition, attributes, NULL);
    if (handle == INVALID_HANDLE_VALUE)
        return -1;
    if (handleOut != NULL)
        *handleOut = handle;
    return 0;
}

int OsSeekFile(HANDLE handle, LONG offset, int whence, LONG *positionOut)
{
    DWORD method = FILE_BEGIN;
    if (whence == FS_SEEK_CURRENT)
        method = FILE_CURRENT;
    else if (whence == FS_SEEK_END)
        method = FILE_END;

    DWORD position = SetFilePointer(handle, offset, NULL, method);
    if (position == INVALID_SET_FILE_POINTER)
        return -1;
    if (positionOut != NULL)
        *positionOut = (LONG)position;
    return 0;
}

int OsFileSize(HANDLE handle, LONG *sizeOut)
{
    DWORD high = 0;
    DWORD low = GetFileSize(handle, &high);
    /* 2 GB and more has no LONG: refused rather than wrapped. A failure
       gives all 32 low bits set and is refused alike. */
    if (high != 0 || low > (DWORD)MAXLONG)
        return -1;
    if (sizeOut != NULL)
        *sizeOut = (LONG)low;
    return 0;
}

int OsCloseFile(HANDLE handle)
{
    return CloseHandle(handle) ? 0 : 1;
}

int OsReadFile(HANDLE handle, void *buffer, DWORD count, DWORD *countOut)
{
    DWORD done = 0;
    if (!ReadFile(handle, buffer, count, &done, NULL))
        return 1;
    if (countOut != NULL)
        *countOut = done;
    return 0;
}

int OsWriteFile(HANDLE handle, const void *buffer, DWORD count, DWORD *countOut)
{
    DWORD done = 0;
    if (!WriteFile(handle, buffer, count, &done, NULL))
        return 1;
    if (countOut != NULL)
        *countOut = done;
    return 0;
}

/* ---- Reporter --------------------------------------------------------------- */

int ReportStreamError(int code, ...)
{
    char format[80];
    /* wvsprintfA writes at most 1024 characters and the terminator, so the
       text needs no size of its own. */
    char text[1025];
    va_list args;

    if (!StreamErrorsEnabled || StreamErrorCallback == NULL)
        return 0;
    if (LoadStringA(StreamErrorModule, (UINT)code, format, sizeof format) <= 0)
        return 0;
    va_start(args, code);
    wvsprintfA(text, format, args);
    va_end(args);
    return StreamErrorCallback(text);
}

/* ---- Streams ---------------------------------------------------------------- */

FileStream::FileStream()
    : parent(NULL), owner(NULL), base(0), filePos(0), pos(0), size(0),
      /* A client that forgets to set the mode reads rather than truncates. */
      mode(FS_MODE_READ), isOpen(0), handle(INVALID_HANDLE_VALUE), flags(0)
{
    name[0] = '\0';
    name[FS_NAME_SIZE - 1] = '\0';
    closeHooks.next = NULL;
    closeHooks.hook = NULL;
}

FileStream::~FileStream()
{
    Close();
}

/* The stream whose filePos follows the OS file pointer of the shared handle. */
static FileStream *PositionKeeper(FileStream *stream)
{
    return stream->owner != NULL ? stream->owner : stream;
}

int FileStream::Open(int report, DWORD attributes)
{
    if (isOpen) {
        ReportStreamError(FSE_ALREADY_OPEN, this);
        return 0;
    }
    if (OsOpenFile(name, mode, &handle, attributes) != 0) {
        if (report)
            ReportStreamError(FSE_OPEN_FAILED, this);
        return isOpen;
    }
    pos = 0;
    filePos = 0;
    size = 0;
    base = 0;
    parent = NULL;
    owner = NULL;
    /* A file the positions cannot carry is not opened at all. The pointer
       stays at 0, where CreateFileA left it. */
    if (OsFileSize(handle, &size) != 0) {
        OsCloseFile(handle);
        /* For a client that tells this refusal from the system's. */
        SetLastError(ERROR_FILE_TOO_LARGE);
        if (report)
            ReportStreamError(FSE_OPEN_FAILED, this);
        return 0;
    }
    isOpen = 1;
    return 1;
}

void FileStream::Seek(LONG position)
{
    if (!isOpen) {
        ReportStreamError(FSE_SEEK_NOT_OPEN, this);
        return;
    }
    LONG target = base + position;
    LONG *tracked = &PositionKeeper(this)->filePos;
    if (*tracked != target && OsSeekFile(handle, target, FS_SEEK_BEGIN, tracked) != 0)
        ReportStreamError(FSE_SEEK_FAILED, this);
    pos = position;
}

DWORD FileStream::Read(void *buffer, DWORD count)
{
    if (isOpen != 1) {
        ReportStreamError(FSE_READ_NOT_OPEN, this);
        return 0;
    }
    if (mode == FS_MODE_WRITE) {
        ReportStreamError(FSE_READ_NOT_READABLE, this);
        return 0;
    }
    if (count == 0) {
        ReportStreamError(FSE_READ_ZERO_COUNT, this);
        return 0;
    }
    if (buffer == NULL) {
        ReportStreamError(FSE_READ_NULL_BUFFER, this);
        return 0;
    }

    if ((LONGLONG)pos + count > size) {
        LONGLONG left = (LONGLONG)size - pos;
        count = left > 0 ? (DWORD)left : 0;
    }
    if (count == 0)
        return 0;   /* the end of the stream, not an error */

    Seek(pos);
    DWORD done = 0;
    if (OsReadFile(handle, buffer, count, &done) != 0) {
        ReportStreamError(FSE_READ_FAILED, this);
        return 0;
    }
    PositionKeeper(this)->filePos += (LONG)done;
    pos += (LONG)done;
    return done;
}

DWORD FileStream::Write(const void *buffer, DWORD count)
{
    if (isOpen != 1) {
        ReportStreamError(FSE_WRITE_NOT_OPEN, this);
        return 0;
    }
    if (mode == FS_MODE_READ) {
        ReportStreamError(FSE_WRITE_NOT_WRITABLE, this);
        return 0;
    }
    if (count == 0) {
        ReportStreamError(FSE_WRITE_ZERO_COUNT, this);
        return 0;
    }
    if (buffer == NULL) {
        ReportStreamError(FSE_WRITE_NULL_BUFFER, this);
        return 0;
    }
    /* Growing the file to 2 GB would wrap the positions. */
    if ((LONGLONG)base + pos + count > MAXLONG) {
        ReportStreamError(FSE_WRITE_FAILED, this);
        return 0;
    }

    Seek(pos);
    DWORD done = 0;
    if (OsWriteFile(handle, buffer, count, &done) != 0) {
        ReportStreamError(FSE_WRITE_FAILED, this);
        return 0;
    }
    if (done != count)
        ReportStreamError(FSE_WRITE_FAILED, this);

    FileStream *keeper = PositionKeeper(this);
    if (parent != NULL && base + size < parent->size)
        ReportStreamError(FSE_WRITE_INSIDE_PARENT, this);
    keeper->filePos += (LONG)done;
    /* Every ancestor grows to cover the bytes written through its child. */
    for (FileStream *ancestor = parent; ancestor != NULL; ancestor = ancestor->parent) {
        if (ancestor->base + ancestor->size < keeper->filePos)
            ancestor->size = keeper->filePos - ancestor->base;
    }

    pos += (LONG)done;
    if (pos > size)
        size = pos;
    return done;
}

int FileStream::Close()
{
    int closed = 1;

    if (isOpen) {
        for (CloseHook *link = &closeHooks; link != NULL && link->hook != NULL; link = link->next)
            link->hook(this);

        /* A created file is left with its pointer at its end. */
        if (mode == FS_MODE_CREATE) {
            pos = size;
            for (FileStream *ancestor = parent; ancestor != NULL; ancestor = ancestor->parent)
                ancestor->pos = ancestor->size;
            Seek(size);
        }

        /* A chained stream borrows its root's handle and never closes it. */
        if (parent == NULL && !(flags & FS_FLAG_KEEP_HANDLE)) {
            if (OsCloseFile(handle) != 0) {
                closed = 0;
                ReportStreamError(FSE_CLOSE_FAILED, this);
            }
        }
    }
    flags &= 0x01;
    isOpen = 0;
    return closed;
}
