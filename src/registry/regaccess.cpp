/* Registry access: read, write and delete the variable's value under a registry path string such
   as "HKEY_CURRENT_USER\Environment". Every key is opened and closed within one operation. Nothing
   here shows anything: each call returns what happened, and the editor's wrappers (regreport.cpp)
   and the console program tell the user. */
#include "registry/regaccess.h"

#include <stdlib.h>
#include <string.h>

/* Whether the first length characters of path are name, case ignored, as a whole. */
static BOOL IsRootName(const char *path, int length, const char *name)
{
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, path, length, name, -1) == CSTR_EQUAL;
}

int ParseRegistryPath(const char *path, HKEY *root, const char **subkey)
{
    const char *backslash = strchr(path, '\\');

    *root = NULL;
    if (backslash) {
        int length = (int)(backslash - path);
        if (IsRootName(path, length, "HKEY_CURRENT_USER"))
            *root = HKEY_CURRENT_USER;
        if (IsRootName(path, length, "HKEY_LOCAL_MACHINE"))
            *root = HKEY_LOCAL_MACHINE;
        *subkey = backslash + 1;
    }
    return *root != NULL;
}

LONG StoreEnvValue(const char *path, const char *name, const char *text)
{
    HKEY root, key;
    const char *subkey;
    LONG status;

    if (!ParseRegistryPath(path, &root, &subkey))
        return ERROR_INVALID_PARAMETER;
    status = RegOpenKeyA(root, subkey, &key);
    if (status != ERROR_SUCCESS)
        return status;
    status = RegSetValueExA(key, name, 0, REG_EXPAND_SZ, (const BYTE *)text, (DWORD)strlen(text) + 1);
    RegCloseKey(key);
    return status;
}

LONG RemoveEnvValue(const char *path, const char *name)
{
    HKEY root, key;
    const char *subkey;
    LONG status;

    if (!ParseRegistryPath(path, &root, &subkey))
        return ERROR_INVALID_PARAMETER;
    /* Opened with the right to delete, so that a refusal shows at once. */
    status = RegOpenKeyExA(root, subkey, 0, KEY_SET_VALUE, &key);
    if (status != ERROR_SUCCESS)
        return status;
    status = RegDeleteValueA(key, name);
    RegCloseKey(key);
    return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
}

int KeyRefusesChanges(const char *path)
{
    HKEY root, key;
    const char *subkey;
    WCHAR *wideSubkey;
    LONG status = ERROR_SUCCESS;

    if (!ParseRegistryPath(path, &root, &subkey))
        return 0;
    wideSubkey = WideFromText(subkey);
    if (wideSubkey != NULL)
        status = RegOpenKeyExW(root, wideSubkey, 0, KEY_SET_VALUE, &key);
    if (wideSubkey != NULL && status == ERROR_SUCCESS)
        RegCloseKey(key);
    free(wideSubkey);
    return status == ERROR_ACCESS_DENIED;
}

WCHAR *WideFromText(const char *text)
{
    int length = MultiByteToWideChar(CP_ACP, 0, text, -1, NULL, 0);
    WCHAR *wide;

    if (length <= 0)
        return NULL;
    wide = (WCHAR *)malloc((size_t)length * sizeof(WCHAR));
    if (wide && MultiByteToWideChar(CP_ACP, 0, text, -1, wide, length) != length) {
        free(wide);
        wide = NULL;
    }
    return wide;
}

/* Reads the value into a buffer with three zero bytes behind the stored bytes, so that a string
   stored without its terminator, even of an odd size, still ends. Another program may change the
   value between the size query and the read: then the size is asked again. */
static LONG QueryStoredValue(HKEY key, const WCHAR *name, StoredValue *value)
{
    for (;;) {
        DWORD size = 0;
        LONG status = RegQueryValueExW(key, name, NULL, &value->type, NULL, &size);
        BYTE *bytes;

        if (status != ERROR_SUCCESS)
            return status;
        bytes = (BYTE *)malloc((size_t)size + 3);
        if (bytes == NULL)
            return ERROR_NOT_ENOUGH_MEMORY;
        status = RegQueryValueExW(key, name, NULL, &value->type, bytes, &size);
        if (status == ERROR_MORE_DATA) {
            free(bytes);
            continue;
        }
        if (status != ERROR_SUCCESS) {
            free(bytes);
            return status;
        }
        bytes[size] = bytes[size + 1] = bytes[size + 2] = 0;
        value->bytes = bytes;
        value->size = size;
        return ERROR_SUCCESS;
    }
}

int ReadStoredValue(const char *path, const char *name, StoredValue *value)
{
    HKEY root, key;
    const char *subkey;
    WCHAR *wideSubkey, *wideName;

    ZeroMemory(value, sizeof *value);
    value->status = ERROR_INVALID_PARAMETER;
    if (!ParseRegistryPath(path, &root, &subkey))
        return 0;
    wideSubkey = WideFromText(subkey);
    wideName = WideFromText(name);
    if (wideSubkey == NULL || wideName == NULL) {
        value->status = ERROR_NOT_ENOUGH_MEMORY;
    } else {
        value->status = RegOpenKeyExW(root, wideSubkey, 0, KEY_QUERY_VALUE, &key);
        if (value->status == ERROR_SUCCESS) {
            value->keyOpened = TRUE;
            value->status = QueryStoredValue(key, wideName, value);
            RegCloseKey(key);
        }
    }
    free(wideSubkey);
    free(wideName);
    return value->status == ERROR_SUCCESS;
}

void ReleaseStoredValue(StoredValue *value)
{
    free(value->bytes);
    value->bytes = NULL;
    value->size = 0;
}

BOOL StoredValueAbsent(const StoredValue *value)
{
    return value->keyOpened && value->status == ERROR_FILE_NOT_FOUND;
}

void WrittenStoredValue(const char *text, StoredValue *value)
{
    int length = text ? MultiByteToWideChar(CP_ACP, 0, text, -1, NULL, 0) : 0;
    size_t size = (size_t)length * sizeof(WCHAR);

    ZeroMemory(value, sizeof *value);
    value->keyOpened = TRUE;
    value->status = ERROR_FILE_NOT_FOUND;
    if (text == NULL || text[0] == '\0')
        return;   /* an empty section deletes the value */
    /* As a read gives it: three zero bytes behind the stored ones. */
    value->bytes = length > 0 ? (BYTE *)calloc(size + 3, 1) : NULL;
    if (value->bytes == NULL ||
        MultiByteToWideChar(CP_ACP, 0, text, -1, (WCHAR *)value->bytes, length) != length) {
        ReleaseStoredValue(value);
        value->status = ERROR_NOT_ENOUGH_MEMORY;
        return;
    }
    value->type = REG_EXPAND_SZ;
    value->size = (DWORD)size;
    value->status = ERROR_SUCCESS;
}

int SameStoredValue(const StoredValue *a, const StoredValue *b)
{
    if (StoredValueAbsent(a) || StoredValueAbsent(b))
        return StoredValueAbsent(a) && StoredValueAbsent(b);
    if (a->status != ERROR_SUCCESS || b->status != ERROR_SUCCESS)
        return 0;
    return a->type == b->type && a->size == b->size && memcmp(a->bytes, b->bytes, a->size) == 0;
}

int SameReadResult(const StoredValue *a, const StoredValue *b)
{
    if (SameStoredValue(a, b))
        return 1;
    return a->status != ERROR_SUCCESS && !StoredValueAbsent(a) && a->status == b->status &&
           a->keyOpened == b->keyOpened;
}

int StoredValueCut(const StoredValue *value)
{
    const WCHAR *units = (const WCHAR *)value->bytes;
    DWORD count = value->size / sizeof(WCHAR), i = 0;

    if (value->status != ERROR_SUCCESS || (value->type != REG_SZ && value->type != REG_EXPAND_SZ))
        return 0;
    while (i < count && units[i] != 0)
        i++;
    while (i < count && units[i] == 0)
        i++;
    return i < count;
}

static BOOL IsStringType(DWORD type)
{
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

/* UTF-16 text to a code page. In a code page other than UTF-8 a character that it cannot hold
   would come out as a look-alike or a '?': *exact tells. */
static char *TextFromWide(const WCHAR *wide, UINT codePage, BOOL *exact)
{
    BOOL usedDefault = FALSE;
    DWORD flags = codePage == CP_UTF8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL *usedDefaultFlag = codePage == CP_UTF8 ? NULL : &usedDefault;
    int length = WideCharToMultiByte(codePage, flags, wide, -1, NULL, 0, NULL, usedDefaultFlag);
    char *text;

    if (length <= 0) {
        /* Only an unpaired surrogate under UTF-8 gets here: convert it with a substitute. */
        flags = 0;
        usedDefault = TRUE;
        usedDefaultFlag = NULL;
        length = WideCharToMultiByte(codePage, 0, wide, -1, NULL, 0, NULL, NULL);
        if (length <= 0)
            length = 1;
    }
    text = (char *)malloc((size_t)length);
    if (text == NULL)
        return NULL;
    if (WideCharToMultiByte(codePage, flags, wide, -1, text, length, NULL, usedDefaultFlag) <= 0)
        text[0] = '\0';
    if (exact)
        *exact = !usedDefault;
    return text;
}

/* A new copy of text, or NULL. */
static char *CopyText(const char *text)
{
    char *copy = (char *)malloc(strlen(text) + 1);

    if (copy)
        strcpy(copy, text);
    return copy;
}

char *TextOfCodePage(const WCHAR *wide, BOOL *exact)
{
    return TextFromWide(wide, GetACP(), exact);
}

char *StoredValueText(const StoredValue *value, BOOL *exact)
{
    if (exact)
        *exact = TRUE;
    if (value->status != ERROR_SUCCESS || value->bytes == NULL)
        return CopyText("");
    if (IsStringType(value->type))
        return TextOfCodePage((const WCHAR *)value->bytes, exact);
    return CopyText((const char *)value->bytes);
}

char *Utf8FromWide(const WCHAR *wide)
{
    return TextFromWide(wide, CP_UTF8, NULL);
}

char *Utf8FromText(const char *text)
{
    WCHAR *wide;
    char *utf8;

    if (GetACP() == CP_UTF8)
        return CopyText(text);
    wide = WideFromText(text);
    if (wide == NULL)
        return NULL;
    utf8 = Utf8FromWide(wide);
    free(wide);
    return utf8;
}

/* Every value's name and type. A value added or renamed while the names are read may be missed
   or met twice: the names are a picture of the moment, as every read of the key is. */
static int EnumerateValueNames(HKEY key, ValueName **names, size_t *count)
{
    DWORD values = 0, longest = 0, index;
    WCHAR *name;
    ValueName *list;

    if (RegQueryInfoKeyW(key, NULL, NULL, NULL, NULL, NULL, NULL, &values, &longest, NULL, NULL, NULL) != ERROR_SUCCESS)
        return 0;
    name = (WCHAR *)malloc(((size_t)longest + 1) * sizeof(WCHAR));
    list = (ValueName *)calloc((size_t)values + 1, sizeof *list);
    if (name == NULL || list == NULL) {
        free(name);
        free(list);
        return 0;
    }
    for (index = 0; index < values; index++) {
        DWORD length = longest + 1, type = 0;
        LONG status = RegEnumValueW(key, index, name, &length, NULL, &type, NULL, NULL);
        if (status == ERROR_NO_MORE_ITEMS)
            break;
        if (status != ERROR_SUCCESS)
            continue;   /* a name longer than at the start: it came in after the count */
        list[*count].name = TextOfCodePage(name, NULL);
        list[*count].type = type;
        if (list[*count].name == NULL) {
            free(name);
            ReleaseValueNames(list, *count);
            *count = 0;
            return 0;
        }
        (*count)++;
    }
    free(name);
    *names = list;
    return 1;
}

int ReadValueNames(const char *path, ValueName **names, size_t *count)
{
    HKEY root, key;
    const char *subkey;
    WCHAR *wideSubkey;
    int read = 0;

    *names = NULL;
    *count = 0;
    if (!ParseRegistryPath(path, &root, &subkey))
        return 0;
    wideSubkey = WideFromText(subkey);
    if (wideSubkey && RegOpenKeyExW(root, wideSubkey, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
        read = EnumerateValueNames(key, names, count);
        RegCloseKey(key);
    }
    free(wideSubkey);
    return read;
}

void ReleaseValueNames(ValueName *names, size_t count)
{
    size_t i;

    for (i = 0; names && i < count; i++)
        free(names[i].name);
    free(names);
}

struct LeftAsStored LeftAsStoredOf(const StoredValue *value)
{
    struct LeftAsStored left = {LEFT_NONE, 0};
    BOOL exact = TRUE;
    char *text;

    if (value->status != ERROR_SUCCESS)
        return left;
    if (value->type != REG_SZ && value->type != REG_EXPAND_SZ) {
        left.reason = LEFT_TYPE;
        left.type = value->type;
    } else if (StoredValueCut(value)) {
        left.reason = LEFT_ZERO;
    } else {
        text = StoredValueText(value, &exact);
        /* Without the text it is not known to be safe to write back. */
        if (text == NULL || !exact)
            left.reason = LEFT_CODE_PAGE;
        free(text);
    }
    return left;
}
