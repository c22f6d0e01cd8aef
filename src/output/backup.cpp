/* The registry backup: the two values as they stand in the registry, read afresh, in a
   registration file that the system's registry editor restores exactly. The user block comes
   first. */
#include "output/backup.h"
#include "output/outfile.h"
#include "output/savedialog.h"
#include "registry/regaccess.h"
#include "common/common.h"

#include <stdlib.h>

/* The value as UTF-8, read through the wide calls so that no character is lost whatever the
   process's code page; "" when it does not exist. A value that cannot be read is reported as
   ReadEnvValue reports it, and gives NULL: its block is left out, the file completed all the
   same. */
static char *ReadValueUtf8(const char *keyPath)
{
    StoredValue stored;
    char *text = NULL;

    ReadStoredValue(keyPath, g_varName, &stored);
    if (stored.keyOpened && (stored.status == ERROR_SUCCESS || stored.status == ERROR_FILE_NOT_FOUND)) {
        text = StoredValueUtf8(&stored);
        if (text == NULL)
            ShowSystemError(ERROR_NOT_ENOUGH_MEMORY);
    } else {
        ShowSystemError((DWORD)stored.status);
    }
    ReleaseStoredValue(&stored);
    return text;
}

/* The registry editor reads a REGEDIT4 file in the system's ANSI code page, whatever code page
   the program itself runs in: a UTF-8 text in that code page, or NULL when a character would
   come out as a look-alike or a '?'. */
static char *SystemCodePageText(void *context, const char *utf8)
{
    char number[8] = "";
    UINT codePage;
    DWORD flags;
    int units, length;
    WCHAR *wide;
    char *text = NULL;
    BOOL usedDefault = FALSE;

    (void)context;
    GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE, number, sizeof number);
    codePage = (UINT)atoi(number);
    /* A system whose ANSI code page is UTF-8 holds every character (and takes no such flag). */
    flags = codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, NULL, 0);
    if (codePage == 0 || units <= 0)
        return NULL;
    wide = (WCHAR *)malloc((size_t)units * sizeof(WCHAR));
    if (wide == NULL)
        return NULL;
    MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide, units);
    length = WideCharToMultiByte(codePage, flags, wide, -1, NULL, 0, NULL,
                                 codePage == CP_UTF8 ? NULL : &usedDefault);
    if (length > 0 && !usedDefault)
        text = (char *)malloc((size_t)length);
    if (text != NULL)
        WideCharToMultiByte(codePage, flags, wide, -1, text, length, NULL, NULL);
    free(wide);
    return text;
}

void BackupRegistryValues(void)
{
    char path[OUTPUT_PATH_SIZE];
    OutFile file;
    char *name, *userValue, *machineValue;

    if (!StartOutputFile(&file, path, "Registration files\0*.reg\0All files\0*.*\0", "reg"))
        return;
    name = Utf8FromText(g_varName);
    userValue = ReadValueUtf8(USER_ENV_KEY);
    machineValue = ReadValueUtf8(MACHINE_ENV_KEY);
    if (name != NULL)
        WriteBackupFile(&file.text, name, userValue, machineValue, SystemCodePageText, NULL);
    else
        ShowSystemError(ERROR_NOT_ENOUGH_MEMORY);
    ReleaseText(&name);
    ReleaseText(&userValue);
    ReleaseText(&machineValue);
    FinishOutputFile(&file, path);
}
