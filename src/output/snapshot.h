/* Snapshots: before an update writes, both values as they stand go into a file of their own in
   %LOCALAPPDATA%\Velkor\snapshots, from which the registry editor puts them back exactly. */
#ifndef VELKOR_SNAPSHOT_H
#define VELKOR_SNAPSHOT_H

#include <windows.h>

/* How many snapshots of each variable are kept; older ones go when a new one has been written. */
#define SNAPSHOTS_KEPT 100

/* Reads both values of the variable afresh and writes them into a new snapshot, complete and
   closed, then drops the variable's oldest snapshots beyond SNAPSHOTS_KEPT. FALSE when the
   snapshot could not be written: the system's message has been shown and no file is left. A key
   that cannot be opened does not stop it: the snapshot says so in a comment. */
BOOL TakeSnapshot(void);

/* Opens the snapshot folder in Explorer, making it when it is missing. */
void OpenSnapshotFolder(void);

#endif
