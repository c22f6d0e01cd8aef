/* The hash of the program's tables of texts (FNV-1a). No Win32 here. */
#ifndef VELKOR_HASH_H
#define VELKOR_HASH_H

#include <stddef.h>

static inline size_t HashBytes(const char *bytes, size_t length)
{
    size_t hash = (size_t)14695981039346656037ULL, i;

    for (i = 0; i < length; i++)
        hash = (hash ^ (unsigned char)bytes[i]) * (size_t)1099511628211ULL;
    return hash;
}

#endif
