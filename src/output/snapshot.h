/* Snapshots: before an update writes, both values as they stand go into a file of their own in
   %LOCALAPPDATA%\Velkor\snapshots, from which the registry editor puts them back exactly. */
#ifndef VELKOR_SNAPSHOT_H
#define VELKOR_SNAPSHOT_H

#include <windows.h>
#include "output/snapshotformat.h"
#include "registry/regaccess.h"

/* How many snapshots of each variable are kept; older ones go when a new one has been written. */
#define SNAPSHOTS_KEPT 100

/* What TakeSnapshot has done. */
#define SNAPSHOT_FAILED  0   /* no file is left; the editor has shown the system's message */
#define SNAPSHOT_WRITTEN 1
#define SNAPSHOT_CHANGED 2   /* a value is no longer as shown: no file, no message */

/* Reads both values of the variable afresh. When a value given as shown (what the update
   question showed of it; NULL: not compared) no longer reads the same, it stops there with
   SNAPSHOT_CHANGED. Otherwise it writes both into a new snapshot, complete and closed, and drops
   the variable's oldest snapshots beyond SNAPSHOTS_KEPT. A key that cannot be opened does not stop
   it: the snapshot says so in a comment. The editor's form (snapshotshow.cpp) does so for the
   variable being edited and shows a failure. */
int TakeSnapshot(const StoredValue *machineShown, const StoredValue *userShown);
/* The same for the variable varName, showing nothing: a failure's error code goes to *error. */
int TakeSnapshotQuietly(const char *varName, const StoredValue *machineShown,
                        const StoredValue *userShown, DWORD *error);

/* The snapshot folder in the program's folder (APP_FOLDER_SIZE units); with make, made when
   missing (a read makes nothing). 0 or the error code. */
DWORD FindSnapshotFolder(WCHAR *folder, BOOL make);

/* A read value as a snapshot or a record keeps it; its bytes stay the read's. */
SnapshotValue RecordedValue(const StoredValue *stored);
/* The local time now, as snapshots and records name it. */
void SetRecordTimeNow(SnapshotTime *time);

/* Opens the snapshot folder in Explorer, making it when it is missing. */
void OpenSnapshotFolder(void);

#endif
