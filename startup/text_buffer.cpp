#include "startup/text_buffer.h"
#include "startup/startup.h"

#include <string.h>

int TextCopy(char *dest, size_t destSize, const char *src)
{
    size_t length = strlen(src);
    if (destSize == 0 || length >= destSize)
        return 0;
    memcpy(dest, src, length + 1);
    return 1;
}

int TextAppend(char *dest, size_t destSize, const char *src)
{
    size_t used = strnlen(dest, destSize);
    if (used >= destSize)
        return 0;   /* not terminated inside its buffer: nothing safe to do */
    return TextCopy(dest + used, destSize - used, src);
}

/* Our longest string is well under this; a text that fills it is taken as
   cut by the loader and refused. */
enum { STRING_SCRATCH = 1024 };

int TextAppendString(char *dest, size_t destSize, UINT id)
{
    char text[STRING_SCRATCH];
    int length = LoadStringA(AppInstance, id, text, sizeof text);
    if (length <= 0 || length >= STRING_SCRATCH - 1)
        return 0;
    return TextAppend(dest, destSize, text);
}

int TextLoadString(char *dest, size_t destSize, UINT id)
{
    if (destSize == 0)
        return 0;
    dest[0] = '\0';
    return TextAppendString(dest, destSize, id);
}

/* Drops the line break that ends every system message. */
static void TrimLineEnd(char *text)
{
    size_t length = strlen(text);
    while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n' || text[length - 1] == ' '))
        text[--length] = '\0';
}

int TextAppendSystemError(char *dest, size_t destSize, DWORD error, const char *insert)
{
    char text[STRING_SCRATCH];
    /* Every %n the message may hold names the same thing: "%1 is not a
       valid Win32 application." reads with the program's name. */
    DWORD_PTR inserts[9];
    int i;

    for (i = 0; i < 9; i++)
        inserts[i] = (DWORD_PTR)insert;
    if (FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ARGUMENT_ARRAY, NULL, error, 0,
                       text, sizeof text, (va_list *)inserts) == 0) {
        /* No text for it: the number at least. */
        char digits[12];
        char *at = digits + sizeof digits - 1;
        *at = '\0';
        do {
            *--at = (char)('0' + error % 10);
            error /= 10;
        } while (error != 0);
        return TextCopy(text, sizeof text, "Error ") && TextAppend(text, sizeof text, at)
            && TextAppend(dest, destSize, text);
    }
    TrimLineEnd(text);
    return TextAppend(dest, destSize, text);
}

char *LastPathSeparator(const char *path)
{
    const char *found = NULL;
    for (; *path != '\0'; path = CharNextA(path))
        if (*path == '\\')
            found = path;
    return (char *)found;
}

int TextAppendPath(char *path, size_t pathSize, const char *name)
{
    size_t used = strlen(path);
    const char *last = LastPathSeparator(path);

    /* A root such as D:\ ends with its separator. */
    if (last != NULL && last[1] == '\0')
        return TextAppend(path, pathSize, name);
    if (TextAppend(path, pathSize, "\\") && TextAppend(path, pathSize, name))
        return 1;
    path[used] = '\0';
    return 0;
}
