#include "app/settingsource.h"

#include <string.h>

/* ASCII letters compared without their case; other bytes as they are. */
static int SameKey(const char *a, const char *b)
{
    for (; *a && *b; a++, b++) {
        char x = *a >= 'A' && *a <= 'Z' ? (char)(*a - 'A' + 'a') : *a;
        char y = *b >= 'A' && *b <= 'Z' ? (char)(*b - 'A' + 'a') : *b;
        if (x != y)
            return 0;
    }
    return *a == *b;
}

static int ListHasKey(const char *keys, const char *key)
{
    if (keys == NULL)
        return 0;
    for (; *keys; keys += strlen(keys) + 1)
        if (SameKey(keys, key))
            return 1;
    return 0;
}

int ChooseSettingSource(const char *fileKeys, const char *oldKeys, const char *storeKeys,
                        const char *key)
{
    if (ListHasKey(fileKeys, key))
        return SETTING_FROM_FILE;
    if (ListHasKey(oldKeys, key))
        return SETTING_FROM_OLD_SECTION;
    if (ListHasKey(storeKeys, key))
        return SETTING_FROM_OLD_STORE;
    return SETTING_DEFAULT;
}
