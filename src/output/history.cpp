#include "output/history.h"
#include "common/appfolder.h"

#include <stdlib.h>
#include <string.h>
#include <wchar.h>

/* The first size bytes of a file of folder (all of it when size is 0) as a new buffer with a zero
   after; NULL when it cannot be read. */
static char *ReadFileBytes(const WCHAR *folder, const char *fileName, size_t size, size_t *got)
{
    WCHAR *path = JoinFolderPath(folder, fileName);
    char *bytes = NULL;

    if (path != NULL)
        ReadFileStart(path, size, &bytes, got);
    free(path);
    return bytes;
}

/* The names of the record files of the safe name in folder, newest first (FreeFileNames). */
static char **ListRecordFiles(const WCHAR *folder, const char *safeName, size_t *count)
{
    char **names = ListFolderFiles(folder, "*.history", count);
    size_t i, kept = 0;

    for (i = 0; i < *count; i++) {
        if (IsHistoryFileOf(names[i], safeName))
            names[kept++] = names[i];
        else
            free(names[i]);
    }
    *count = kept;
    if (kept > 0)
        qsort(names, kept, sizeof *names, NewestHistoryFirst);
    return names;
}

/* Deletes the variable's records beyond the newest HISTORY_KEPT. Nothing is reported: a record
   that stays is no loss. */
static void DropOldRecords(const WCHAR *folder, const char *safeName, const char *name)
{
    size_t count = 0, ours = 0, i, got;
    char **names = ListRecordFiles(folder, safeName, &count);

    for (i = 0; i < count; i++) {
        char *head = ReadFileBytes(folder, names[i], HISTORY_HEAD_SIZE, &got);
        if (head && HistoryNamesVariable(head, got, name) && ++ours > HISTORY_KEPT) {
            WCHAR *path = JoinFolderPath(folder, names[i]);
            if (path)
                DeleteFileW(path);
            free(path);
        }
        free(head);
    }
    FreeFileNames(names, count);
}

/* Writes text into a new file of the folder, under the first free name. 0 or the error code;
   no file is left after a failure. */
static DWORD WriteRecordFile(const WCHAR *folder, const char *safeName, const SnapshotTime *time,
                             const char *text, size_t length)
{
    char fileName[SNAPSHOT_FILE_NAME_SIZE];
    WCHAR *path;
    DWORD error = ERROR_FILE_EXISTS;
    int counter;

    for (counter = 1; counter <= 999 && error == ERROR_FILE_EXISTS; counter++) {
        HistoryFileName(fileName, safeName, time, counter);
        path = JoinFolderPath(folder, fileName);
        if (path == NULL)
            return ERROR_NOT_ENOUGH_MEMORY;
        error = WriteWholeFile(path, CREATE_NEW, text, length, TRUE);
        free(path);
    }
    return error;
}

DWORD WriteHistoryRecord(const char *name, const HistoryRecord *record)
{
    WCHAR folder[APP_FOLDER_SIZE];
    char safeName[SNAPSHOT_FILE_NAME_SIZE];
    size_t length = 0;
    char *text = ComposeHistoryRecord(name, record, &length);
    DWORD error = text ? FindSnapshotFolder(folder, TRUE) : ERROR_NOT_ENOUGH_MEMORY;

    if (error == 0) {
        SanitizeSnapshotName(name, safeName);
        error = WriteRecordFile(folder, safeName, &record->time, text, length);
    }
    if (error == 0)
        DropOldRecords(folder, safeName, name);
    free(text);
    return error;
}

DWORD ReadHistory(const char *name, size_t most, History *history)
{
    WCHAR folder[APP_FOLDER_SIZE];
    char safeName[SNAPSHOT_FILE_NAME_SIZE];
    char **names = NULL;
    size_t count = 0, i, got;
    DWORD error = FindSnapshotFolder(folder, FALSE);

    history->records = NULL;
    history->count = 0;
    if (error != 0)
        return error;
    SanitizeSnapshotName(name, safeName);
    names = ListRecordFiles(folder, safeName, &count);
    history->records = (HistoryRecord *)calloc(count + 1, sizeof *history->records);
    if (history->records == NULL)
        error = ERROR_NOT_ENOUGH_MEMORY;
    for (i = 0; error == 0 && i < count && (most == 0 || history->count < most); i++) {
        char *text = ReadFileBytes(folder, names[i], 0, &got), *found = NULL;
        HistoryRecord *record = &history->records[history->count];
        if (text && ParseHistoryRecord(text, got, record, &found)) {
            if (SameVariableName(found, name))
                history->count++;
            else
                ReleaseHistoryRecord(record);
        }
        free(found);
        free(text);
    }
    FreeFileNames(names, count);
    return error;
}

void ReleaseHistory(History *history)
{
    size_t i;

    for (i = 0; i < history->count; i++)
        ReleaseHistoryRecord(&history->records[i]);
    free(history->records);
    history->records = NULL;
    history->count = 0;
}

DWORD RecordWrite(const char *name, const StoredValue before[2], const StoredValue *machineAfter,
                  const StoredValue *userAfter)
{
    HistoryRecord record;

    ZeroMemory(&record, sizeof record);
    SetRecordTimeNow(&record.time);
    record.before[0] = RecordedValue(&before[0]);
    record.before[1] = RecordedValue(&before[1]);
    record.after[0] = RecordedValue(machineAfter);
    record.after[1] = RecordedValue(userAfter);
    return WriteHistoryRecord(name, &record);
}
