/* The file stream layer: one Win32 file in a small record that carries its
   own position and size, over five thin wrappers of the Win32 file calls.
   No buffering: each Read and Write is one ReadFile or WriteFile. Positions
   and sizes are signed 32-bit, so a file of 2 GB or more is refused. */
#ifndef FILE_STREAM_H
#define FILE_STREAM_H

#include <windows.h>

/* Any path CreateFileA accepts fits whole; a longer one is the client's to
   refuse before it writes `name`. */
enum { FS_NAME_SIZE = MAX_PATH };

/* Open modes (FileStream::mode); any other value opens like FS_MODE_READ. */
enum {
    FS_MODE_CREATE = 0,   /* read and write, no sharing, created or truncated */
    FS_MODE_READ = 1,     /* read, shared for reading, must exist */
    FS_MODE_WRITE = 2,    /* write, no sharing, must exist */
    FS_MODE_UPDATE = 3    /* read and write, no sharing, must exist */
};

/* Seek origins of OsSeekFile; any other value counts from the start. */
enum { FS_SEEK_BEGIN = 0, FS_SEEK_CURRENT = 1, FS_SEEK_END = 2 };

/* Close leaves the handle open (it is borrowed). Close clears every flag
   but 0x01. */
enum { FS_FLAG_KEEP_HANDLE = 0x40 };

/* Error codes, which are also the string ids of their message texts in
   StreamErrorModule. */
enum {
    FSE_SEEK_FAILED = 4609,
    FSE_READ_FAILED = 4610,
    FSE_WRITE_FAILED = 4611,        /* also a write that came up short */
    FSE_OPEN_FAILED = 4612,         /* only when the caller asked for it */
    FSE_CLOSE_FAILED = 4613,
    FSE_ALREADY_OPEN = 4614,
    FSE_READ_NOT_OPEN = 4615,
    FSE_READ_NOT_READABLE = 4616,
    FSE_READ_ZERO_COUNT = 4617,
    FSE_READ_NULL_BUFFER = 4618,
    FSE_WRITE_NOT_OPEN = 4619,
    FSE_WRITE_NOT_WRITABLE = 4620,
    FSE_WRITE_ZERO_COUNT = 4621,
    FSE_WRITE_NULL_BUFFER = 4622,
    FSE_WRITE_INSIDE_PARENT = 4623,
    FSE_SEEK_NOT_OPEN = 4624
};

struct FileStream;

/* Close runs the chain from the record embedded in the stream and stops at
   the first record without a hook. */
struct CloseHook {
    CloseHook *next;
    int (*hook)(FileStream *stream);   /* result ignored */
};

/* A stand-alone stream has no parent and no owner. A chained stream is a
   window at `base` into its parent's file: it shares the root's handle, and
   `owner` is the stream whose filePos tracks that handle's OS position.
   Nothing here makes chained streams; the bookkeeping serves clients that do. */
struct FileStream {
    char name[FS_NAME_SIZE];   /* first member: the reporter's %s shows it */
    FileStream *parent;
    FileStream *owner;
    LONG base;                 /* absolute offset of the stream's byte 0 */
    LONG filePos;              /* where the OS file pointer stands, as far as we know */
    LONG pos;                  /* relative to base */
    LONG size;
    DWORD mode;                /* set by the client before Open */
    DWORD isOpen;
    HANDLE handle;
    BYTE flags;
    CloseHook closeHooks;

    /* Closed, with an empty name and no hooks. */
    FileStream();
    /* Close; `delete` on a stream is the layer's destruction. */
    ~FileStream();
    FileStream(const FileStream &) = delete;
    FileStream &operator=(const FileStream &) = delete;

    /* Opens `name` in `mode` and measures it; 1 when open afterwards. A file
       of 2 GB or more is refused like one that cannot be opened, with the
       last error ERROR_FILE_TOO_LARGE; other failures leave the system's. A nonzero
       report asks for FSE_OPEN_FAILED then; attributes go to CreateFileA as
       its flags and attributes. */
    int Open(int report, DWORD attributes);
    /* 0 when the system failed to close the handle, which may lose writes
       it held back; the stream counts as closed all the same. */
    int Close();
    /* Bytes read; 0 at the end of the stream and on every error. */
    DWORD Read(void *buffer, DWORD count);
    /* Bytes written; 0 on a refusal (also of a write that would carry the
       file to 2 GB) and on an OS failure, fewer than count when the OS wrote
       less (reported as FSE_WRITE_FAILED). */
    DWORD Write(const void *buffer, DWORD count);
    /* Sets pos; moves the OS file pointer only when it is not there already. */
    void Seek(LONG position);
};

/* ---- OS wrappers ---------------------------------------------------------
   Every out-argument may be null; nothing is stored on failure.
   Open and seek give 0 or -1; close, read and write give 0 or 1. */
int OsOpenFile(const char *path, DWORD mode, HANDLE *handleOut, DWORD attributes);
int OsSeekFile(HANDLE handle, LONG offset, int whence, LONG *positionOut);
/* The file's length, measured with its high part: -1 when it is 2 GB or
   more, or cannot be measured. */
int OsFileSize(HANDLE handle, LONG *sizeOut);
int OsCloseFile(HANDLE handle);
int OsReadFile(HANDLE handle, void *buffer, DWORD count, DWORD *countOut);
int OsWriteFile(HANDLE handle, const void *buffer, DWORD count, DWORD *countOut);

/* ---- Error reporter --------------------------------------------------------
   Silent unless a client switches it on and installs a callback; the system
   does neither. */
extern int StreamErrorsEnabled;
extern int (*StreamErrorCallback)(const char *text);
extern HMODULE StreamErrorModule;

/* Loads string `code` of StreamErrorModule, formats it with the arguments
   (every caller passes the stream concerned), hands the text to the
   callback and returns its result; 0 when nothing was delivered. */
int ReportStreamError(int code, ...);

#endif
