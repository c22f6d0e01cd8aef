#include "output/snapshot.h"
#include "output/outfile.h"
#include "output/snapshotformat.h"
#include "registry/regaccess.h"
#include "common/appfolder.h"
#include "common/texts.h"

#include <stdlib.h>
#include <string.h>
#include <wchar.h>

DWORD FindSnapshotFolder(WCHAR *folder, BOOL make)
{
    DWORD error = FindAppFolder(folder, make);

    return error != 0 ? error : AddFolder(folder, L"snapshots", make);
}

SnapshotValue RecordedValue(const StoredValue *stored)
{
    SnapshotValue value;

    ZeroMemory(&value, sizeof value);
    if (stored->status == ERROR_SUCCESS) {
        value.state = SNAPSHOT_VALUE_PRESENT;
        value.type = stored->type;
        value.bytes = stored->bytes;
        value.size = stored->size;
    } else if (StoredValueAbsent(stored)) {
        value.state = SNAPSHOT_VALUE_ABSENT;
    } else {
        value.state = SNAPSHOT_KEY_MISSING;
        value.error = (unsigned long)stored->status;
    }
    return value;
}

void SetRecordTimeNow(SnapshotTime *time)
{
    SYSTEMTIME now;

    GetLocalTime(&now);
    time->year = now.wYear;
    time->month = now.wMonth;
    time->day = now.wDay;
    time->hour = now.wHour;
    time->minute = now.wMinute;
    time->second = now.wSecond;
}

/* One value as the snapshot needs it. 0, or the error that stops the snapshot: only a key that
   cannot be opened is allowed to be left out. */
static DWORD ReadForSnapshot(const char *path, const char *varName, StoredValue *stored,
                             SnapshotValue *value)
{
    ReadStoredValue(path, varName, stored);
    *value = RecordedValue(stored);
    if (value->state == SNAPSHOT_KEY_MISSING && (stored->keyOpened || stored->status == ERROR_NOT_ENOUGH_MEMORY))
        return (DWORD)stored->status;
    return 0;
}

/* Creates the file under a name not yet taken (a counter is added when it is), whose name goes to
   fileName (SNAPSHOT_FILE_NAME_SIZE bytes), and writes both values into it. 0 when it is complete,
   on the disk itself and closed; otherwise the error code, and no file is left: a half-written
   snapshot must not be mistaken for a whole one. */
static DWORD WriteSnapshotFile(const WCHAR *folder, const char *safeName, const char *name,
                               const SnapshotValue *user, const SnapshotValue *machine,
                               char *fileName)
{
    SnapshotTime time;
    OutFile file;
    WCHAR *path = NULL;
    DWORD error = ERROR_FILE_EXISTS;
    int counter;

    SetRecordTimeNow(&time);
    for (counter = 1; counter <= 1000 && error == ERROR_FILE_EXISTS; counter++) {
        free(path);
        SnapshotFileName(fileName, safeName, &time, counter);
        path = JoinFolderPath(folder, fileName);
        if (path == NULL)
            return ERROR_NOT_ENOUGH_MEMORY;
        error = CreateUnicodeOutFile(&file, path) ? 0 : GetLastError();
        if (error == ERROR_ALREADY_EXISTS)
            error = ERROR_FILE_EXISTS;
    }
    if (error == 0) {
        WriteSnapshotHead(&file.text);
        WriteSnapshotBlock(&file.text, USER_ENV_KEY, name, user);
        WriteSnapshotBlock(&file.text, MACHINE_ENV_KEY, name, machine);
        FlushOutFile(&file);   /* a failure here is kept for the close to report */
        error = CloseOutFile(&file);
        if (error != 0)
            DeleteFileW(path);
    }
    free(path);
    return error;
}

/* Whether the snapshot file fileName in folder is one of the variable name's: its first value
   line names it. Only the file's first bytes are read; a file that cannot be read is nobody's. */
static int IsSnapshotOfVariable(const WCHAR *folder, const char *fileName, const char *name)
{
    WCHAR *path = JoinFolderPath(folder, fileName);
    char *head = NULL;
    size_t got = 0;
    int ours;

    if (path != NULL)
        ReadFileStart(path, SNAPSHOT_HEAD_SIZE, &head, &got);
    ours = head != NULL && SnapshotNamesVariable((const unsigned char *)head, got, name);
    free(head);
    free(path);
    return ours;
}

/* Deletes the variable's snapshots beyond the newest SNAPSHOTS_KEPT, never the one just written
   (written). Other variables whose names give the same safe name keep theirs: each file's head
   tells whose it is. Nothing is reported: a snapshot that stays is no loss. */
static void DropOldSnapshots(const WCHAR *folder, const char *safeName, const char *name,
                             const char *written)
{
    size_t count = 0, i;
    char **names = ListFolderFiles(folder, "*.reg", &count);
    unsigned char *ours, *doomed;

    ours = (unsigned char *)malloc(count + 1);
    doomed = (unsigned char *)malloc(count + 1);
    if (ours && doomed) {
        for (i = 0; i < count; i++)
            ours[i] = IsSnapshotFileOf(names[i], safeName) &&
                      IsSnapshotOfVariable(folder, names[i], name);
        if (ChooseOldSnapshots((const char *const *)names, ours, count, safeName, written,
                               SNAPSHOTS_KEPT, doomed) > 0) {
            for (i = 0; i < count; i++) {
                WCHAR *path = doomed[i] ? JoinFolderPath(folder, names[i]) : NULL;
                if (path)
                    DeleteFileW(path);
                free(path);
            }
        }
    }
    FreeFileNames(names, count);
    free(ours);
    free(doomed);
}

/* Whether the fresh read is what the question showed; a value not shown is not compared. */
static BOOL StillAsShown(const StoredValue *shown, const StoredValue *now)
{
    return shown == NULL || SameReadResult(shown, now);
}

int TakeSnapshotQuietly(const char *varName, const StoredValue *machineShown,
                        const StoredValue *userShown, DWORD *error)
{
    WCHAR folder[APP_FOLDER_SIZE];
    char safeName[SNAPSHOT_FILE_NAME_SIZE], written[SNAPSHOT_FILE_NAME_SIZE];
    char *name = Utf8FromText(varName);
    StoredValue user, machine;
    SnapshotValue userValue, machineValue;
    int result = SNAPSHOT_WRITTEN;

    *error = name ? 0 : ERROR_NOT_ENOUGH_MEMORY;
    ZeroMemory(&user, sizeof user);
    ZeroMemory(&machine, sizeof machine);
    if (*error == 0)
        *error = FindSnapshotFolder(folder, TRUE);
    if (*error == 0)
        *error = ReadForSnapshot(USER_ENV_KEY, varName, &user, &userValue);
    if (*error == 0)
        *error = ReadForSnapshot(MACHINE_ENV_KEY, varName, &machine, &machineValue);
    /* Another program has written since the values were shown: the user has not seen what
       would be replaced, so nothing is written, the snapshot neither. */
    if (*error == 0 && !(StillAsShown(machineShown, &machine) && StillAsShown(userShown, &user)))
        result = SNAPSHOT_CHANGED;
    if (*error == 0 && result == SNAPSHOT_WRITTEN) {
        SanitizeSnapshotName(name, safeName);
        *error = WriteSnapshotFile(folder, safeName, name, &userValue, &machineValue, written);
    }
    if (*error == 0 && result == SNAPSHOT_WRITTEN)
        DropOldSnapshots(folder, safeName, name, written);
    ReleaseStoredValue(&user);
    ReleaseStoredValue(&machine);
    free(name);
    return *error != 0 ? SNAPSHOT_FAILED : result;
}
