/* Registry access: read, write and delete the variable's value under a registry path string such
   as "HKEY_CURRENT_USER\Environment". Every key is opened and closed within one operation, and
   every failure is shown to the user here, so callers learn only success or failure. */
#include "registry/regaccess.h"
#include "common/common.h"

#include <stdlib.h>
#include <string.h>

/* Whether the first length characters of path are name, case ignored, as a whole. */
static BOOL IsRootName(const char *path, int length, const char *name)
{
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, path, length, name, -1) == CSTR_EQUAL;
}

int SplitRegistryPath(const char *path, HKEY *root, const char **subkey)
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
        if (*root)
            return 1;
    }
    MessageBoxA(g_hMainWnd, "Incorrect registry key!", APP_TITLE, MB_ICONERROR);
    return 0;
}

/* The value's bytes as a text. The buffer has one byte more than the stored size, so that a value
   stored without a terminating zero (another type, or a string saved without it) still comes back
   as a terminated text. A missing value reads as the empty text and shows nothing. */
static char *ReadValueFromKey(HKEY root, const char *subkey, const char *name)
{
    HKEY key;
    DWORD type, size = 0;
    char *text;
    LONG status = RegOpenKeyA(root, subkey, &key);

    if (status != ERROR_SUCCESS) {
        ShowSystemError(status);
        return NULL;
    }
    status = RegQueryValueExA(key, name, NULL, &type, NULL, &size);
    if (status != ERROR_SUCCESS)
        size = 0;
    text = (char *)malloc((size_t)size + 1);
    if (!text) {
        /* The size query may have succeeded: its status would then report success. */
        ShowSystemError(status != ERROR_SUCCESS ? (DWORD)status : ERROR_NOT_ENOUGH_MEMORY);
        RegCloseKey(key);
        return NULL;
    }
    text[0] = '\0';
    if (status == ERROR_SUCCESS) {
        status = RegQueryValueExA(key, name, NULL, &type, (BYTE *)text, &size);
        if (status != ERROR_SUCCESS) {
            ReleaseText(&text);
            ShowSystemError(status);
            RegCloseKey(key);
            return NULL;
        }
        text[size] = '\0';   /* size now counts the bytes read, at most the size allocated for */
    }
    RegCloseKey(key);
    return text;
}

/* Stores the text as REG_EXPAND_SZ with its terminating zero, whatever type the value had. */
static int WriteValueToKey(HKEY root, const char *subkey, const char *name, const char *text)
{
    HKEY key;
    LONG status = RegOpenKeyA(root, subkey, &key);

    if (status != ERROR_SUCCESS) {
        ShowSystemError(status);
        return 0;
    }
    status = RegSetValueExA(key, name, 0, REG_EXPAND_SZ, (const BYTE *)text, (DWORD)strlen(text) + 1);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) {
        ShowSystemError(status);
        return 0;
    }
    return 1;
}

/* A value that is not there, or that the system refuses to delete, still counts as deleted. */
static int DeleteValueFromKey(HKEY root, const char *subkey, const char *name)
{
    HKEY key;
    LONG status = RegOpenKeyA(root, subkey, &key);

    if (status != ERROR_SUCCESS) {
        ShowSystemError(status);
        return 0;
    }
    RegDeleteValueA(key, name);
    RegCloseKey(key);
    return 1;
}

char *ReadEnvValue(const char *path, const char *name)
{
    HKEY root;
    const char *subkey;

    if (!SplitRegistryPath(path, &root, &subkey))
        return NULL;
    return ReadValueFromKey(root, subkey, name);
}

int WriteEnvValue(const char *path, const char *name, const char *text)
{
    HKEY root;
    const char *subkey;

    if (!SplitRegistryPath(path, &root, &subkey))
        return 0;
    return WriteValueToKey(root, subkey, name, text);
}

int DeleteEnvValue(const char *path, const char *name)
{
    HKEY root;
    const char *subkey;

    if (!SplitRegistryPath(path, &root, &subkey))
        return 0;
    return DeleteValueFromKey(root, subkey, name);
}
