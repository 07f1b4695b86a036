/* The handful of C functions that the program and the compiler call:
   struct copies and zeroing become memcpy and memset, and the path
   handling uses the string search functions. Built with the loop-to-call
   optimisation off, so that memset is not compiled into a call to itself. */
#include <stddef.h>

extern "C" {

void *memset(void *dest, int value, size_t count)
{
    unsigned char *out = (unsigned char *)dest;
    while (count-- > 0)
        *out++ = (unsigned char)value;
    return dest;
}

void *memcpy(void *dest, const void *src, size_t count)
{
    unsigned char *out = (unsigned char *)dest;
    const unsigned char *in = (const unsigned char *)src;
    while (count-- > 0)
        *out++ = *in++;
    return dest;
}

void *memmove(void *dest, const void *src, size_t count)
{
    unsigned char *out = (unsigned char *)dest;
    const unsigned char *in = (const unsigned char *)src;
    if (out <= in || out >= in + count)
        return memcpy(dest, src, count);
    while (count-- > 0)
        out[count] = in[count];
    return dest;
}

int memcmp(const void *a, const void *b, size_t count)
{
    const unsigned char *x = (const unsigned char *)a;
    const unsigned char *y = (const unsigned char *)b;
    for (; count > 0; count--, x++, y++)
        if (*x != *y)
            return *x - *y;
    return 0;
}

size_t strlen(const char *text)
{
    const char *end = text;
    while (*end != '\0')
        end++;
    return (size_t)(end - text);
}

size_t strnlen(const char *text, size_t limit)
{
    size_t length = 0;
    while (length < limit && text[length] != '\0')
        length++;
    return length;
}

char *strchr(const char *text, int c)
{
    for (;; text++) {
        if (*text == (char)c)
            return (char *)text;
        if (*text == '\0')
            return NULL;
    }
}

char *strrchr(const char *text, int c)
{
    const char *found = NULL;
    for (;; text++) {
        if (*text == (char)c)
            found = text;
        if (*text == '\0')
            return (char *)found;
    }
}

char *strstr(const char *text, const char *word)
{
    size_t length = strlen(word);
    for (; *text != '\0'; text++)
        if (memcmp(text, word, length) == 0)
            return (char *)text;
    return length == 0 ? (char *)text : NULL;
}

size_t strcspn(const char *text, const char *stops)
{
    size_t length = 0;
    while (text[length] != '\0' && strchr(stops, text[length]) == NULL)
        length++;
    return length;
}

}
