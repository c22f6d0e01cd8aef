/* The registry backup: the two values as they stand in the registry, read afresh, in a
   REGEDIT4 registration file. The user block comes first. */
#include "output/backup.h"
#include "output/outfile.h"
#include "output/savedialog.h"
#include "registry/regaccess.h"
#include "common/common.h"

/* A value that cannot be read has been reported by ReadEnvValue; its block is left out and the
   file is completed all the same. */
static void WriteValueBlock(OutFile *file, const char *keyPath)
{
    char *value = ReadEnvValue(keyPath, g_varName);

    WriteBackupBlock(&file->text, keyPath, g_varName, value);
    ReleaseText(&value);
}

void BackupRegistryValues(void)
{
    char path[OUTPUT_PATH_SIZE];
    OutFile file;

    if (!StartOutputFile(&file, path, "Registration files\0*.reg\0All files\0*.*\0", "reg"))
        return;
    WriteBackupHead(&file.text);
    WriteValueBlock(&file, USER_ENV_KEY);
    WriteValueBlock(&file, MACHINE_ENV_KEY);
    FinishOutputFile(&file, path);
}
