/* placeholder until the module lands */
#include "output/backup.h"
void BackupRegistryValues(void) {}
