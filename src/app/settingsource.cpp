#include "app/settingsource.h"
#include "common/asciicase.h"

#include <string.h>

static int SameKey(const char *a, const char *b)
{
    return strlen(a) == strlen(b) && SameIgnoringCase(a, b, strlen(a));
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
