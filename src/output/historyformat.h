/* The record of one change of the variable, kept beside the snapshots: both values before and
   after it, who made it and when. The snapshot file stays what the registry editor imports; the
   record is read by the program only. No Win32 here. Texts here are UTF-8. */
#ifndef VELKOR_HISTORYFORMAT_H
#define VELKOR_HISTORYFORMAT_H

#include "output/snapshotformat.h"

#include <stddef.h>

/* [0] the machine value, [1] the user value. A parsed record owns the bytes of its values, each
   followed by three zero bytes, so that a string value is zero-ended whatever it holds. */
typedef struct HistoryRecord {
    int byOther;   /* 0: written by this program; 1: found changed by another program */
    SnapshotTime time;
    SnapshotValue before[2], after[2];
} HistoryRecord;

/* The record as text (a new text, free it; *length its bytes), or NULL when memory runs out. */
char *ComposeHistoryRecord(const char *name, const HistoryRecord *record, size_t *length);
/* Reads a record back; *name receives the variable's name (free it). 0 (and nothing to release)
   when text is not a whole record or memory runs out. */
int ParseHistoryRecord(const char *text, size_t length, HistoryRecord *record, char **name);
void ReleaseHistoryRecord(HistoryRecord *record);
/* How many of a record's first bytes name its variable, whatever the name. */
#define HISTORY_HEAD_SIZE 4096
/* Whether a record's first bytes (size of them) name the variable name, ASCII letters' case
   ignored as the registry ignores it. */
int HistoryNamesVariable(const char *head, size_t size, const char *name);
/* Whether two variables' names are one, ASCII letters' case ignored. */
int SameVariableName(const char *a, const char *b);

/* "SAFENAME-YYYYMMDD-HHMMSS-NNN.history", counter 1 to 999: names of one variable sort by age. */
void HistoryFileName(char *out, const char *safeName, const SnapshotTime *time, int counter);
/* Whether fileName is a record file name of safeName (letters' case ignored). */
int IsHistoryFileOf(const char *fileName, const char *safeName);
/* Orders two record file names of one variable newest first (qsort over char *). */
int NewestHistoryFirst(const void *a, const void *b);
/* "YYYY-MM-DD HH:MM:SS" into out (HISTORY_TIME_SIZE bytes). */
#define HISTORY_TIME_SIZE 64
void FormatHistoryTime(char *out, const SnapshotTime *time);

#endif
