/* Snapshots: before an update writes, both values as they stand go into a file of their own in
   %LOCALAPPDATA%\Velkor\snapshots, from which the registry editor puts them back exactly. */
#ifndef VELKOR_SNAPSHOT_H
#define VELKOR_SNAPSHOT_H

#include <windows.h>
#include "registry/regaccess.h"

/* How many snapshots of each variable are kept; older ones go when a new one has been written. */
#define SNAPSHOTS_KEPT 100

/* What TakeSnapshot has done. */
#define SNAPSHOT_FAILED  0   /* the system's message has been shown and no file is left */
#define SNAPSHOT_WRITTEN 1
#define SNAPSHOT_CHANGED 2   /* a value is no longer as shown: no file, no message */

/* Reads both values of the variable afresh. When a value given as shown (what the update
   question showed of it; NULL: not compared) no longer reads the same, it stops there with
   SNAPSHOT_CHANGED. Otherwise it writes both into a new snapshot, complete and closed, and drops
   the variable's oldest snapshots beyond SNAPSHOTS_KEPT. A key that cannot be opened does not stop
   it: the snapshot says so in a comment. */
int TakeSnapshot(const StoredValue *machineShown, const StoredValue *userShown);

/* Opens the snapshot folder in Explorer, making it when it is missing. */
void OpenSnapshotFolder(void);

#endif
