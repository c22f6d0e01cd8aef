/* The backup of the variable's two registry values. */
#ifndef VELKOR_BACKUP_H
#define VELKOR_BACKUP_H

/* Writes the user value and then the machine value, as they stand in the registry now, each with
   its type and bytes, to a registration file that the user chooses (WriteBackupFile,
   output/snapshotformat.h). */
void BackupRegistryValues(void);

#endif
