/* Bounded text into fixed buffers. Every write into a fixed character buffer
   of the program goes through these, so that no call site counts characters
   by hand. Each returns 1 when the whole text fit, and 0 when it did not; on 0
   the buffer is left exactly as it was, so a text is never silently cut into
   a different one. */
#ifndef TEXT_BUFFER_H
#define TEXT_BUFFER_H

#include <windows.h>
#include <stddef.h>

int TextCopy(char *dest, size_t destSize, const char *src);
int TextAppend(char *dest, size_t destSize, const char *src);
/* Appends name to the folder path, with a backslash between them unless
   the path ends with one. */
int TextAppendPath(char *path, size_t pathSize, const char *name);

/* Appends string resource `id` of AppInstance directly behind the text.
   0 also when the string does not exist. */
int TextAppendString(char *dest, size_t destSize, UINT id);

/* Loads string resource `id` of AppInstance whole into dest; 0 when it is
   missing or longer than the buffer (dest is then empty). */
int TextLoadString(char *dest, size_t destSize, UINT id);

/* Appends the system's own sentence for `error` (GetLastError's code), with
   insert for any %1 in it; the code itself where the system has no text. */
int TextAppendSystemError(char *dest, size_t destSize, DWORD error, const char *insert);

/* The last backslash of path, or NULL when it has none. Found character by
   character: in a double-byte code page (932, 936, 950) the second byte of a
   character may be 0x5C, and that is no backslash. Every cut of a path at
   its separator goes through this. */
char *LastPathSeparator(const char *path);

#endif
