/* The REGEDIT4 backup of the variable's two registry values. */
#ifndef VELKOR_BACKUP_H
#define VELKOR_BACKUP_H

void BackupRegistryValues(void);

#endif
