#include "common/appfolder.h"
#include "common/common.h"

#include <shlobj.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

DWORD AddFolder(WCHAR *folder, const WCHAR *part, BOOL make)
{
    DWORD attributes, error;

    if (wcslen(folder) + 1 + wcslen(part) >= APP_FOLDER_SIZE)
        return ERROR_FILENAME_EXCED_RANGE;
    wcscat(folder, L"\\");
    wcscat(folder, part);
    if (!make || CreateDirectoryW(folder, NULL))
        return 0;
    error = GetLastError();
    attributes = GetFileAttributesW(folder);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return 0;
    return error != 0 ? error : ERROR_PATH_NOT_FOUND;
}

DWORD FindAppFolder(WCHAR *folder, BOOL make)
{
    DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", folder, APP_FOLDER_SIZE);

    if (length == 0 || length >= APP_FOLDER_SIZE) {
        folder[0] = L'\0';
        if (FAILED(SHGetFolderPathW(NULL, CSIDL_LOCAL_APPDATA | (make ? CSIDL_FLAG_CREATE : 0), NULL,
                                    SHGFP_TYPE_CURRENT, folder)))
            return ERROR_PATH_NOT_FOUND;
    }
    return AddFolder(folder, L"" APP_SHORT_NAME, make);
}

WCHAR *JoinFolderPath(const WCHAR *folder, const char *name)
{
    size_t folderLength = wcslen(folder);
    int nameLength = MultiByteToWideChar(CP_UTF8, 0, name, -1, NULL, 0);
    WCHAR *path;

    if (nameLength <= 0)
        return NULL;
    path = (WCHAR *)malloc((folderLength + 1 + (size_t)nameLength) * sizeof(WCHAR));
    if (path == NULL)
        return NULL;
    memcpy(path, folder, folderLength * sizeof(WCHAR));
    path[folderLength] = L'\\';
    MultiByteToWideChar(CP_UTF8, 0, name, -1, path + folderLength + 1, nameLength);
    return path;
}

char **ListFolderFiles(const WCHAR *folder, const char *pattern, size_t *count)
{
    WIN32_FIND_DATAW found;
    WCHAR *wildcard = JoinFolderPath(folder, pattern);
    HANDLE find = wildcard ? FindFirstFileW(wildcard, &found) : INVALID_HANDLE_VALUE;
    char **names = NULL;
    size_t capacity = 0;

    free(wildcard);
    *count = 0;
    if (find == INVALID_HANDLE_VALUE)
        return NULL;
    do {
        int length = WideCharToMultiByte(CP_UTF8, 0, found.cFileName, -1, NULL, 0, NULL, NULL);
        char *name = length > 0 ? (char *)malloc((size_t)length) : NULL;
        if (name)
            WideCharToMultiByte(CP_UTF8, 0, found.cFileName, -1, name, length, NULL, NULL);
        if (name && *count == capacity) {
            char **grown = (char **)realloc(names, (capacity * 2 + 64) * sizeof *names);
            if (grown == NULL) {
                free(name);
                name = NULL;
            } else {
                names = grown;
                capacity = capacity * 2 + 64;
            }
        }
        if (name)
            names[(*count)++] = name;
    } while (FindNextFileW(find, &found));
    FindClose(find);
    return names;
}

void FreeFileNames(char **names, size_t count)
{
    size_t i;

    for (i = 0; i < count; i++)
        free(names[i]);
    free(names);
}

DWORD ReadFileStart(const WCHAR *path, size_t most, char **bytes, size_t *got)
{
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    LARGE_INTEGER length;
    DWORD error = 0, read = 0;

    *bytes = NULL;
    *got = 0;
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError();
    if (!GetFileSizeEx(file, &length))
        error = GetLastError();
    else if (length.QuadPart >= 0x40000000)
        error = ERROR_FILE_TOO_LARGE;
    if (error == 0 && (most == 0 || (LONGLONG)most > length.QuadPart))
        most = (size_t)length.QuadPart;
    if (error == 0 && (*bytes = (char *)malloc(most + 1)) == NULL)
        error = ERROR_NOT_ENOUGH_MEMORY;
    if (error == 0 && (!ReadFile(file, *bytes, (DWORD)most, &read, NULL) || read != most))
        error = GetLastError() != 0 ? GetLastError() : ERROR_READ_FAULT;
    CloseHandle(file);
    if (error != 0) {
        free(*bytes);
        *bytes = NULL;
        return error;
    }
    (*bytes)[most] = '\0';
    *got = most;
    return 0;
}

DWORD WriteWholeFile(const WCHAR *path, DWORD disposition, const char *bytes, size_t length, BOOL flush)
{
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, NULL, disposition, FILE_ATTRIBUTE_NORMAL, NULL);
    DWORD error = 0, written = 0;

    if (file == INVALID_HANDLE_VALUE)
        return GetLastError();
    if (!WriteFile(file, bytes, (DWORD)length, &written, NULL) || written != length ||
        (flush && !FlushFileBuffers(file)))
        error = GetLastError() != 0 ? GetLastError() : ERROR_WRITE_FAULT;
    if (!CloseHandle(file) && error == 0)
        error = GetLastError();
    if (error != 0)
        DeleteFileW(path);
    return error;
}
