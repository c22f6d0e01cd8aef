/* The registry backup: the two values as they stand in the registry, read afresh, in a
   registration file that the system's registry editor restores exactly, types included. The user
   block comes first. */
#include "output/backup.h"
#include "output/outfile.h"
#include "output/savedialog.h"
#include "output/snapshotformat.h"
#include "registry/regaccess.h"
#include "common/common.h"

/* One value with its type and bytes, read through the wide calls so that no character is lost
   whatever the process's code page. A value that does not exist leaves its block out; so does one
   that cannot be read, which is reported as ReadEnvValue reports it: the file is completed all the
   same. */
static void ReadForBackup(const char *keyPath, StoredValue *stored, SnapshotValue *value)
{
    ReadStoredValue(keyPath, g_varName, stored);
    ZeroMemory(value, sizeof *value);
    value->state = SNAPSHOT_VALUE_ABSENT;
    if (stored->status == ERROR_SUCCESS) {
        value->state = SNAPSHOT_VALUE_PRESENT;
        value->type = stored->type;
        value->bytes = stored->bytes;
        value->size = stored->size;
    } else if (!StoredValueAbsent(stored)) {
        ShowSystemError((DWORD)stored->status);
    }
}

void BackupRegistryValues(void)
{
    char path[OUTPUT_PATH_SIZE];
    OutFile file;
    StoredValue user, machine;
    SnapshotValue userValue, machineValue;
    char *name;

    if (!StartOutputFile(&file, path, "Registration files\0*.reg\0All files\0*.*\0", "reg"))
        return;
    name = Utf8FromText(g_varName);
    ReadForBackup(USER_ENV_KEY, &user, &userValue);
    ReadForBackup(MACHINE_ENV_KEY, &machine, &machineValue);
    if (name != NULL)
        WriteBackupFile(&file.text, name, &userValue, &machineValue);
    else
        ShowSystemError(ERROR_NOT_ENOUGH_MEMORY);
    ReleaseText(&name);
    ReleaseStoredValue(&user);
    ReleaseStoredValue(&machine);
    FinishOutputFile(&file, path);
}
