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
