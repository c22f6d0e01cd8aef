/* Settings kept in the section "Velkor" of the program's settings file, and the main window's
   position and size, which are saved when the program may close and restored at start.

   The file is %LOCALAPPDATA%\Velkor\Velkor.ini: win.ini, where earlier versions kept the section,
   is not writable for a standard user. It is reached through the wide calls, so that a user folder
   named in any script works also where the process's code page is not UTF-8, and it is a UTF-16
   file, in which the profile functions keep every character of a value. */
#include "app/settings.h"
#include "app/settingsource.h"
#include "common/appfolder.h"
#include "common/common.h"
#include "registry/regaccess.h"

#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

#define SETTINGS_SECTION L"" APP_SHORT_NAME
#define SETTINGS_FILE_NAME L"" APP_SHORT_NAME ".ini"

/* The settings file's path into path (APP_FOLDER_SIZE units); FALSE when its folder cannot be found
   (or, with make, made). A read makes nothing: where there is no folder there is no file. */
static BOOL FindSettingsFile(WCHAR *path, BOOL make)
{
    if (FindAppFolder(path, make) != 0 || wcslen(path) + 1 + wcslen(SETTINGS_FILE_NAME) >= APP_FOLDER_SIZE)
        return FALSE;
    wcscat(path, L"\\" SETTINGS_FILE_NAME);
    return TRUE;
}

/* A new settings file starts with the UTF-16 byte-order mark: the profile functions then write
   it in UTF-16. Created anew in the system's code page, it would keep only the characters that
   the code page holds. */
static void MakeSettingsFile(const WCHAR *path)
{
    static const BYTE mark[2] = {0xFF, 0xFE};
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
    DWORD written;

    if (file == INVALID_HANDLE_VALUE)
        return;   /* there already, or the write that follows fails and is not noticed either */
    WriteFile(file, mark, sizeof mark, &written, NULL);
    CloseHandle(file);
}

/* The value of key in the file (key NULL: the list of its key names), as a new UTF-16 text (free
   it); NULL when memory runs out. The buffer grows until the whole text fits. */
static WCHAR *ReadFileText(const WCHAR *path, const WCHAR *key)
{
    DWORD size = 256;

    for (;;) {
        WCHAR *text = (WCHAR *)malloc(size * sizeof(WCHAR));
        DWORD got;

        if (text == NULL)
            return NULL;
        got = GetPrivateProfileStringW(SETTINGS_SECTION, key, L"", text, size, path);
        /* A text cut to the buffer comes back as size - 1 units, a list as size - 2. */
        if (got + 2 < size)
            return text;
        free(text);
        if (size > 0x1000000)
            return NULL;
        size *= 4;
    }
}

/* The key names of the file's section as a list of the program's code page (free it); NULL for
   none. The list of UTF-16 names ends with an empty one, converted with it. */
static char *ReadFileKeys(const WCHAR *path)
{
    WCHAR *wide = ReadFileText(path, NULL);
    size_t units = 0;
    char *keys = NULL;
    int size;

    if (wide == NULL)
        return NULL;
    while (wide[units] != L'\0')
        units += wcslen(wide + units) + 1;
    size = WideCharToMultiByte(CP_ACP, 0, wide, (int)units + 1, NULL, 0, NULL, NULL);
    if (size > 0)
        keys = (char *)malloc((size_t)size);
    if (keys != NULL && WideCharToMultiByte(CP_ACP, 0, wide, (int)units + 1, keys, size, NULL, NULL) != size) {
        free(keys);
        keys = NULL;
    }
    free(wide);
    return keys;
}

/* The key names of the old section in win.ini (free the list); NULL for none. */
static char *ReadOldKeys(void)
{
    DWORD size = 256;

    for (;;) {
        char *keys = (char *)malloc(size);
        DWORD got;

        if (keys == NULL)
            return NULL;
        got = GetProfileStringA(APP_SHORT_NAME, NULL, "", keys, size);
        if (got + 2 < size)
            return keys;
        free(keys);
        if (size > 0x1000000)
            return NULL;
        size *= 4;
    }
}

/* The copy of win.ini that Windows made in %LOCALAPPDATA%\VirtualStore when a 32-bit build
   without a manifest wrote its settings: the Windows folder's path without its drive, under the
   VirtualStore folder, which sits beside the program's own folder. FALSE when it cannot be named. */
static BOOL FindOldStore(WCHAR *path)
{
    WCHAR windows[MAX_PATH];
    UINT length = GetWindowsDirectoryW(windows, MAX_PATH);
    const WCHAR *tail = length >= 2 && windows[1] == L':' ? windows + 2 : windows;
    WCHAR *name;

    if (length == 0 || length >= MAX_PATH || FindAppFolder(path, FALSE) != 0)
        return FALSE;
    name = wcsrchr(path, L'\\');
    if (name == NULL || (size_t)(name - path) + wcslen(L"\\VirtualStore") + wcslen(tail) +
                            wcslen(L"\\win.ini") >= APP_FOLDER_SIZE)
        return FALSE;
    wcscpy(name, L"\\VirtualStore");
    wcscat(name, tail);
    wcscat(name, L"\\win.ini");
    return TRUE;
}

/* Where key is read from; path receives the path of the file to read it from (the settings file
   or win.ini's VirtualStore copy) when that is the answer. */
static int SettingSource(const char *key, WCHAR *path)
{
    WCHAR store[APP_FOLDER_SIZE];
    char *fileKeys = FindSettingsFile(path, FALSE) ? ReadFileKeys(path) : NULL;
    char *oldKeys = ReadOldKeys();
    char *storeKeys = FindOldStore(store) ? ReadFileKeys(store) : NULL;
    int source = ChooseSettingSource(fileKeys, oldKeys, storeKeys, key);

    if (source == SETTING_FROM_OLD_STORE)
        wcscpy(path, store);
    free(fileKeys);
    free(oldKeys);
    free(storeKeys);
    return source;
}

/* As much of wide as fits into buffer (size bytes) with its zero, in whole characters of the
   program's code page; returns the bytes copied. */
static DWORD CopyFromWide(const WCHAR *wide, char *buffer, DWORD size)
{
    DWORD used = 0;
    int units = 0;

    if (size == 0)
        return 0;
    while (wide[units] != L'\0') {
        int step = IS_HIGH_SURROGATE(wide[units]) && IS_LOW_SURROGATE(wide[units + 1]) ? 2 : 1;
        int bytes = WideCharToMultiByte(CP_ACP, 0, wide + units, step, NULL, 0, NULL, NULL);
        if (bytes <= 0 || used + (DWORD)bytes >= size)
            break;
        used += (DWORD)bytes;
        units += step;
    }
    if (units > 0)
        used = (DWORD)WideCharToMultiByte(CP_ACP, 0, wide, units, buffer, (int)size - 1, NULL, NULL);
    buffer[used] = '\0';
    return used;
}

DWORD ReadSettingString(const char *key, const char *defaultText, char *buffer, DWORD size)
{
    WCHAR path[APP_FOLDER_SIZE];
    WCHAR *wideKey, *value;
    DWORD copied = 0;

    switch (SettingSource(key, path)) {
    case SETTING_FROM_FILE:
    case SETTING_FROM_OLD_STORE:
        wideKey = WideFromText(key);
        value = wideKey ? ReadFileText(path, wideKey) : NULL;
        if (value != NULL)
            copied = CopyFromWide(value, buffer, size);
        else if (size > 0)
            buffer[0] = '\0';
        free(wideKey);
        free(value);
        return copied;
    case SETTING_FROM_OLD_SECTION:
        return GetProfileStringA(APP_SHORT_NAME, key, defaultText, buffer, size);
    }
    if (size == 0)
        return 0;
    lstrcpynA(buffer, defaultText ? defaultText : "", (int)size);
    return (DWORD)lstrlenA(buffer);
}

int ReadSettingInt(const char *key, int defaultValue)
{
    WCHAR path[APP_FOLDER_SIZE];
    WCHAR *wideKey;
    int value = defaultValue;

    switch (SettingSource(key, path)) {
    case SETTING_FROM_FILE:
    case SETTING_FROM_OLD_STORE:
        wideKey = WideFromText(key);
        if (wideKey != NULL)
            value = (int)GetPrivateProfileIntW(SETTINGS_SECTION, wideKey, defaultValue, path);
        free(wideKey);
        break;
    case SETTING_FROM_OLD_SECTION:
        value = (int)GetProfileIntA(APP_SHORT_NAME, key, defaultValue);
        break;
    }
    return value;
}

BOOL WriteSettingString(const char *key, const char *text)
{
    WCHAR path[APP_FOLDER_SIZE];
    WCHAR *wideKey, *wideText = NULL;
    BOOL written = FALSE;

    if (!FindSettingsFile(path, TRUE))
        return FALSE;
    MakeSettingsFile(path);
    wideKey = WideFromText(key);
    if (text != NULL)
        wideText = WideFromText(text);
    if (wideKey != NULL && (text == NULL || wideText != NULL))
        written = WritePrivateProfileStringW(SETTINGS_SECTION, wideKey, wideText, path);
    free(wideKey);
    free(wideText);
    return written;
}

BOOL WriteSettingInt(const char *key, long value)
{
    char text[20];   /* "-2147483648" and its zero fit with room to spare */

    snprintf(text, sizeof text, "%li", value);
    return WriteSettingString(key, text);
}

/* The far edge of a rectangle, kept within int whatever the profile holds. */
static int EdgeAt(int start, int length)
{
    long long edge = (long long)start + length;

    return edge > INT_MAX ? INT_MAX : edge < INT_MIN ? INT_MIN : (int)edge;
}

/* The keys hold the normal rectangle as GetWindowPlacement reports it, that is in workspace
   coordinates. The restore hands the rectangle back through SetWindowPlacement, which reads the
   same coordinates, so a taskbar at the top or the left of the screen does not shift the window
   a little further on every start. The show state is left as it is. */
BOOL PersistWindowPlacement(BOOL save)
{
    WINDOWPLACEMENT placement;
    RECT *normal = &placement.rcNormalPosition;
    int x, y, w, h;

    if (g_hMainWnd == NULL)
        return TRUE;
    placement.length = sizeof placement;
    GetWindowPlacement(g_hMainWnd, &placement);

    if (save) {
        WriteSettingInt("x", normal->left);
        WriteSettingInt("y", normal->top);
        WriteSettingInt("w", normal->right - normal->left);
        WriteSettingInt("h", normal->bottom - normal->top);
        return TRUE;
    }

    x = ReadSettingInt("x", normal->left);
    y = ReadSettingInt("y", normal->top);
    w = ReadSettingInt("w", normal->right - normal->left + 2);
    h = ReadSettingInt("h", normal->bottom - normal->top + 2);
    SetRect(normal, x, y, EdgeAt(x, w), EdgeAt(y, h));
    placement.length = sizeof placement;
    placement.flags = 0;
    SetWindowPlacement(g_hMainWnd, &placement);
    return TRUE;
}
