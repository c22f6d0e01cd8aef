/* ASCII letters compared without their case, other bytes as they are: as the registry and the file
   system compare the names the program deals with. No Win32 here. */
#ifndef VELKOR_ASCIICASE_H
#define VELKOR_ASCIICASE_H

#include <stddef.h>

static inline char AsciiUpper(char c)
{
    return c >= 'a' && c <= 'z' ? (char)(c - 'a' + 'A') : c;
}

/* Whether length bytes of a and b are alike. */
static inline int SameIgnoringCase(const char *a, const char *b, size_t length)
{
    size_t i;

    for (i = 0; i < length; i++)
        if (AsciiUpper(a[i]) != AsciiUpper(b[i]))
            return 0;
    return 1;
}

#endif
