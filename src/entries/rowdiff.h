/* What changed between two values of the variable, row by row: the rows added, removed and moved,
   and the damage that other programs are known to do to such a value. No Win32 here.
   The comparison is linear in the rows (hashing) but for the moves, found in n log n. */
#ifndef VELKOR_ROWDIFF_H
#define VELKOR_ROWDIFF_H

#include <stddef.h>

#define ROW_ADDED   0
#define ROW_REMOVED 1
#define ROW_MOVED   2

/* One changed row: its text (text[0] up to text[length], not zero-ended) and its positions,
   counted from 1: from in the old value (removed, moved), to in the new one (added, moved). */
typedef struct DiffRow {
    int kind;
    const char *text;
    size_t length;
    size_t from, to;
} DiffRow;

/* The rows are the added ones in the new value's order, then the removed ones in the old value's
   order, then the moved ones in the new value's order. Rows are compared exactly, as the value
   splits them (a quoted row with ';' is one row); a row that stands several times is matched
   occurrence by occurrence. A moved row is one that keeps its text but not its place among the
   rows that stay: the fewest such rows are named. */
typedef struct RowDiff {
    DiffRow *rows;
    size_t count;
    size_t added, removed, moved;
    size_t oldRows, newRows;
    char *oldText, *newText;   /* copies that the rows point into */
} RowDiff;

/* Compares two values; 0 when memory runs out (diff is then empty). Release it in any case. */
int DiffValues(const char *oldValue, const char *newValue, RowDiff *diff);
void ReleaseRowDiff(RowDiff *diff);

/* The diff as lines, each ended by "\r\n": "+ text", "- text", "moved text", in the diff's
   order. At most limit lines of each kind (0: all), then "... and N more" for each kind cut.
   With positions, a moved row gives "moved text (from 3 to 5)". A new text (free it), or NULL. */
char *ComposeChangeLines(const RowDiff *diff, size_t limit, int positions);


/* Damage that other programs are known to do, per section (0 machine, 1 user). */
#define DAMAGE_CUT       0x01   /* now exactly 1,024 or 2,047 characters long */
#define DAMAGE_TYPE      0x02   /* REG_EXPAND_SZ now REG_SZ */
#define DAMAGE_EXPANDED  0x04   /* rows that held %NAME% now held expanded */
#define DAMAGE_SYSTEM32  0x08   /* machine: %SystemRoot%\system32 gone from PATH */
#define DAMAGE_MERGED    0x10   /* user: most of the machine's rows now also in the user value */

/* One value as the damage check needs it: present or not, its registry type, its text and its
   length in UTF-16 units. */
typedef struct DamageSide {
    int present;
    unsigned long type;
    const char *text;
    size_t units;
} DamageSide;

/* Expands the %NAME% references of a text: a new text (free it), or NULL. */
typedef char *(*ExpandRefs)(void *context, const char *text);

/* Compares before and after (each [0] machine, [1] user) and puts the damage found into
   found[0] and found[1]. isPath tells whether the variable is PATH. 0 when memory runs out. */
int FindDamage(const DamageSide before[2], const DamageSide after[2], int isPath,
               ExpandRefs expand, void *context, unsigned found[2]);

#endif
