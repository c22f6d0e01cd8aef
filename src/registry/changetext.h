/* The texts that say what changed in the variable: the summary in the update question, the
   message about another program's change, and the History window's lines. No Win32 here. */
#ifndef VELKOR_CHANGETEXT_H
#define VELKOR_CHANGETEXT_H

#include "entries/rowdiff.h"

#include <stddef.h>

/* How many rows of each kind the question and the message name. */
#define SUMMARY_ROWS 10

/* What changed in one section: its rows (NULL: not compared, the value is left as it is) and its
   type. A type of 0 on either side means no type to compare (an absent value). */
typedef struct SectionChange {
    const RowDiff *diff;
    unsigned long typeBefore, typeAfter;
} SectionChange;

/* The question's summary, to follow the values: an empty line, then per section
   "Local Machine: 1 added, 2 removed, 1 moved" (or "unchanged", or "left as it is") and up to
   SUMMARY_ROWS lines of each kind, and a line when Yes will change the value's type.
   A new text (free it), or NULL when memory runs out. */
char *ComposeChangeSummary(const SectionChange change[2]);

/* The message about another program's change since the program last wrote the variable or, with
   sinceNoticed, last noticed another program's change of it (at when, "YYYY-MM-DD HH:MM:SS"):
   what changed per section, the damage found (FindDamage; units
   are the new values' lengths in UTF-16 units), and where to undo it. A new text, or NULL. */
char *ComposeOutsideChangeText(const char *name, const char *when, int sinceNoticed,
                               const SectionChange change[2], const unsigned damage[2],
                               const size_t units[2]);

/* A line of the History window's list: "when  by  machine +2 -1 moved 3, user unchanged". */
char *ComposeHistoryLine(const char *when, int byOther, const SectionChange change[2]);
/* The lines of one change in the History window, each ended by "\r\n": per section its name,
   then every row changed ("+ ", "- ", "moved " with its positions) and the type change. */
char *ComposeHistoryChanges(const SectionChange change[2]);

#endif
