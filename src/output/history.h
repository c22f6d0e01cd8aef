/* The history of the variable: a record of each change, written beside the snapshots in
   %LOCALAPPDATA%\Velkor\snapshots, and read back newest first. No window here: a console
   program records its writes through the same calls. Names here are UTF-8. */
#ifndef VELKOR_HISTORY_H
#define VELKOR_HISTORY_H

#include <windows.h>
#include "output/historyformat.h"
#include "output/snapshot.h"
#include "registry/regaccess.h"

/* How many records of each variable are kept; older ones go when a new one has been written. */
#define HISTORY_KEPT 100

/* Writes the record of a change of the variable name into a new file, complete, on the disk and
   closed, then drops the variable's records beyond HISTORY_KEPT. 0 or the error code; a failed
   record leaves no file. */
DWORD WriteHistoryRecord(const char *name, const HistoryRecord *record);

/* Records what a write of the variable name did, now: both values before it (as read right before)
   and after it (what was written, or, for a section not written, as before). 0 or the error code. */
DWORD RecordWrite(const char *name, const StoredValue before[2], const StoredValue *machineAfter,
                  const StoredValue *userAfter);

typedef struct History {
    HistoryRecord *records;   /* newest first */
    size_t count;
} History;

/* Reads the variable's records, newest first, at most most of them (0: all). Files that are not
   whole records are passed over. 0 or the error code (history is then empty). */
DWORD ReadHistory(const char *name, size_t most, History *history);
void ReleaseHistory(History *history);

#endif
