/* The program's side of the history: it records what each update wrote, notices at every
   retrieve what other programs have changed since, and says what a change did. */
#ifndef VELKOR_CHANGES_H
#define VELKOR_CHANGES_H

#include <windows.h>
#include "output/historyformat.h"
#include "registry/changetext.h"
#include "registry/regaccess.h"

/* One change as the History window and the messages show it: both values before ([0]) and after
   ([1]) it as texts of the process's code page ([when][section]), and what changed per section.
   restorable tells whether the list can hold both values before it whole; reason says why not. */
typedef struct ChangeView {
    char *text[2][2];
    RowDiff diff[2];
    SectionChange change[2];
    BOOL restorable;
    char reason[512];
} ChangeView;

/* FALSE when memory runs out (nothing to release then). */
BOOL ViewChange(const HistoryRecord *record, ChangeView *view);
void ReleaseChangeView(ChangeView *view);

/* Records an update of g_varName: both values before it and after it ([0] machine, [1] user).
   A failure is reported. */
void RecordUpdate(const StoredValue before[2], const StoredValue *machineAfter,
                  const StoredValue *userAfter);

/* Compares both values as the retrieve read them with what the program last wrote for
   g_varName; when another program has changed either, records that change and says so, once. */
void TellOutsideChange(const StoredValue current[2]);

/* The question's summary of what Yes changes: shown are the values as the question read them,
   values the list's texts; a section left as it is (left[s]) is not compared. A new text, or
   NULL when memory runs out. */
char *ComposeQuestionSummary(const StoredValue shown[2], const char *const values[2],
                             const BOOL left[2]);

#endif
