/* The registration files that need no Win32: the backup and the snapshot, the snapshot's file
   name and which old snapshots go. Both files hold the variable's two values each with its exact
   type and bytes, so that importing one with the registry editor puts back exactly what was
   there. A snapshot is always in the registry editor's Unicode format and also records the
   absences; a backup is REGEDIT4 when every character of it is ASCII, which every code page
   reads alike, and in the Unicode format otherwise.
   Texts here are UTF-8. */
#ifndef VELKOR_SNAPSHOTFORMAT_H
#define VELKOR_SNAPSHOTFORMAT_H

#include "output/fileformat.h"

#include <stddef.h>

#define SNAPSHOT_VALUE_PRESENT 0   /* type and bytes hold the value */
#define SNAPSHOT_VALUE_ABSENT  1   /* the key is there, the value is not */
#define SNAPSHOT_KEY_MISSING   2   /* the key could not be opened: error tells why */

/* One value as it was read. For the string types the bytes are UTF-16LE as stored. */
typedef struct SnapshotValue {
    int state;
    unsigned long type;
    const unsigned char *bytes;
    size_t size;
    unsigned long error;
} SnapshotValue;

/* The first line of the registry editor's Unicode registration files (UTF-16LE). */
#define UNICODE_REG_HEAD "Windows Registry Editor Version 5.00"

/* UNICODE_REG_HEAD, in a file started with StartUnicodeTextFile. */
void WriteSnapshotHead(TextFile *file);
/* An empty line, then the key's block: "[KEYPATH]" and the value line "NAME"=... with the name
   escaped as a quoted value is. A REG_SZ that a quoted string carries exactly is written quoted
   and escaped; any other value as hex(N): of its bytes, in lines continued with a backslash; an
   absent value as "NAME"=- so that importing the snapshot removes it. A key that could not be
   opened gets only a comment line. */
void WriteSnapshotBlock(TextFile *file, const char *keyPath, const char *name,
                        const SnapshotValue *value);
/* The whole file in memory (the user block before the machine block), as ComposeExportFile. */
char *ComposeSnapshotFile(const char *name, const SnapshotValue *user,
                          const SnapshotValue *machine, size_t *length);

/* The backup: a block per value that is present, written as the snapshot writes it (an absent
   value, one that could not be read, or NULL, leaves its block out). The file is REGEDIT4 when the
   name and every character of the values are ASCII (a string type's value then goes in hex(N):
   as one byte per character, as the registry editor reads a REGEDIT4 file), else the Unicode
   format. file is started (StartTextFile) and nothing has been written to it yet; it is switched
   to UTF-16LE when the Unicode format is chosen. */
void WriteBackupFile(TextFile *file, const char *name, const SnapshotValue *user,
                     const SnapshotValue *machine);
/* The backup as WriteBackupFile writes it, in memory, as ComposeExportFile. */
char *ComposeBackupFile(const char *name, const SnapshotValue *user, const SnapshotValue *machine,
                        size_t *length);

/* Local time of a snapshot. */
typedef struct SnapshotTime {
    int year, month, day, hour, minute, second;
} SnapshotTime;

/* How many UTF-16 units of the variable's name a snapshot's file name keeps: the whole path then
   stays well within what every file call accepts. */
#define SNAPSHOT_NAME_UNITS 100
/* Room for any file name that SnapshotFileName makes (UTF-8, zero included). */
#define SNAPSHOT_FILE_NAME_SIZE 512

/* The variable's name as it can stand in a file name, into out (SNAPSHOT_FILE_NAME_SIZE bytes):
   each of \ / : * ? " < > |, each control character and each byte that is not part of a
   well-formed UTF-8 character becomes '_'; the name is cut after SNAPSHOT_NAME_UNITS UTF-16
   units, never inside a character. */
void SanitizeSnapshotName(const char *name, char *out);
/* "SAFENAME-YYYYMMDD-HHMMSS.reg", or with "-N" before ".reg" when counter is 2 or more. */
void SnapshotFileName(char *out, const char *safeName, const SnapshotTime *time, int counter);

/* How many bytes of a snapshot file hold its first value line whatever the variable's name. */
#define SNAPSHOT_HEAD_SIZE 4096

/* Whether the first bytes of a snapshot file (head, size bytes, as the program writes it: UTF-16LE
   after a byte-order mark) name the variable name (UTF-8) in their first value line, ASCII
   letters' case ignored as the registry ignores it. 0 for another variable's snapshot and for
   bytes that are not a snapshot's head or end before that line's name does. */
int SnapshotNamesVariable(const unsigned char *head, size_t size, const char *name);

/* Whether fileName has the form of a snapshot file name of the variable whose safe name is
   safeName ("SAFENAME-YYYYMMDD-HHMMSS[-N].reg", ASCII letters' case ignored, as the file system
   ignores it). Several variables may share a safe name: their files tell them apart by their
   heads (SnapshotNamesVariable). */
int IsSnapshotFileOf(const char *fileName, const char *safeName);

/* Among the file names of the snapshot folder, marks (doomed[i] = 1, else 0) the snapshots of the
   variable that are older than its keep newest ones; returns how many it marked. The variable's
   snapshots are the files of the form IsSnapshotFileOf(safeName) whose ours[i] is non-zero (their
   heads name the variable); no other file is ever marked. written, unless NULL, is the snapshot
   just written: it is never marked and takes one of the keep places, whatever the time in its
   name (a clock set back may make it look the oldest). Age is the time in the name, then the
   counter. */
size_t ChooseOldSnapshots(const char *const *names, const unsigned char *ours, size_t count,
                          const char *safeName, const char *written, size_t keep,
                          unsigned char *doomed);

#endif
