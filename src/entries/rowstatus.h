/* What the main list shows of a row: its mark, and the status bar's words for it. No Win32 here. */
#ifndef VELKOR_ROWSTATUS_H
#define VELKOR_ROWSTATUS_H

#include <stddef.h>

/* What the existence test of a row's path has answered. */
#define PATH_NONE          0   /* the row names no path (an empty element) */
#define PATH_WAITING       1   /* asked, no answer yet */
#define PATH_EXISTS        2
#define PATH_MISSING       3
#define PATH_NOT_ANSWERING 4   /* asked long ago, still no answer */

/* The mark left of an entry row; a header row has none. */
#define MARK_NONE          0
#define MARK_MISSING       1
#define MARK_PROBLEM       2   /* any other finding */
#define MARK_NOT_ANSWERING 3

/* The row's most serious finding: its path's answer first, then any other finding. */
int RowMark(int pathState, int otherProblems);
/* The problem that the path's answer is, in Check all's words; NULL when it is none. */
const char *PathProblem(int pathState);

/* A variable as Windows defines it at log-on: its name, its value, and its group (GROUP_* of
   findings.h, the order in which Windows defines it). */
typedef struct LogOnVariable {
    const char *name;
    const char *value;
    int group;
} LogOnVariable;

/* The text as Windows expands it at log-on for a row of the machine value (user 0) or of the user
   value: a reference to a variable of a group that the value may use is replaced by that
   variable's value (the latest group's where several define it; names compared without case),
   any other reference is left as it stands. A new text, or NULL when memory runs out. */
char *ExpandAtLogOn(const char *text, int user, const LogOnVariable *variables, size_t count);

/* The status bar's words for an entry row: its expansion, then its problems after " - ",
   separated by "; ". A new text, or NULL. */
char *FormatRowStatus(const char *expansion, const char *const *problems, size_t count);
/* The status bar's words for a header row: "Local Machine: 12 rows, 2 problems". */
void FormatSectionStatus(char *out, size_t size, const char *header, int rows, int problems);

#endif
