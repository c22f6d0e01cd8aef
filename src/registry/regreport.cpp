/* The editor's registry calls: those of regaccess.cpp, each failure shown to the user in a message
   box, so that callers learn only success or failure. */
#include "registry/regaccess.h"
#include "common/common.h"

#include <stdlib.h>

int SplitRegistryPath(const char *path, HKEY *root, const char **subkey)
{
    if (ParseRegistryPath(path, root, subkey))
        return 1;
    MessageBoxA(g_hMainWnd, "Incorrect registry key!", APP_TITLE, MB_ICONERROR);
    return 0;
}

/* A string type comes as text of the program's code page, another type as its bytes; both up to
   the first zero. A missing value reads as the empty text and shows nothing. */
char *ReadEnvValue(const char *path, const char *name)
{
    HKEY root;
    const char *subkey;
    StoredValue value;
    char *text;

    if (!SplitRegistryPath(path, &root, &subkey))
        return NULL;
    ReadStoredValue(path, name, &value);
    if (value.status != ERROR_SUCCESS && !StoredValueAbsent(&value)) {
        ShowSystemError(value.status);
        return NULL;
    }
    text = StoredValueText(&value, NULL);
    ReleaseStoredValue(&value);
    if (text == NULL)
        ShowSystemError(ERROR_NOT_ENOUGH_MEMORY);
    return text;
}

/* Shows a failure of a write or a deletion; 1 when it succeeded. */
static int Reported(const char *path, LONG status)
{
    HKEY root;
    const char *subkey;

    if (!SplitRegistryPath(path, &root, &subkey))
        return 0;
    if (status != ERROR_SUCCESS) {
        ShowSystemError((DWORD)status);
        return 0;
    }
    return 1;
}

int WriteEnvValue(const char *path, const char *name, const char *text)
{
    return Reported(path, StoreEnvValue(path, name, text));
}

int DeleteEnvValue(const char *path, const char *name)
{
    return Reported(path, RemoveEnvValue(path, name));
}
