/* The REGEDIT4 backup of the variable's two registry values. */
#ifndef VELKOR_BACKUP_H
#define VELKOR_BACKUP_H

/* Writes the user value and then the machine value, as they stand in the registry now, to a
   registration file that the user chooses. The value text is escaped by WriteEscapedValue
   (output/fileformat.h). */
void BackupRegistryValues(void);

#endif
