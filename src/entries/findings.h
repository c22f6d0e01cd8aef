/* The problems that "Check all" finds in the entry list, row by row. No Win32 here: the program
   hands in the rows, the variables of both Environment keys, and as callbacks what needs the
   system (the expansion, the existence test, the case of any script, the UTF-16 length).

   For each entry row, in this order, once per problem:
   1. "does not exist": the expanded row names no existing file or folder;
   2. the same folder as an earlier row (expanded, case ignored, '/' read as '\', surrounding
      double quotes and trailing backslashes ignored), naming the earlier row's text;
   3. an empty element: an empty row, a row of spaces, or a row that begins with ';' (the split
      leaves such a ';' where the value holds an empty element). Of a row that begins with ';'
      the rest is what names the folder for 1 and 2;
   4. an odd number of double quotes;
   5. a %NAME% reference that Windows cannot expand when it builds the environment at log-on;
   6. a value too long for a program's environment, on the first row of its section. */
#ifndef VELKOR_FINDINGS_H
#define VELKOR_FINDINGS_H

#include <stddef.h>

/* The most characters that one variable may hold in a program's environment. */
#define ENV_VALUE_LIMIT 32767

/* The order in which Windows defines the variables when it builds the environment at log-on,
   each group able to use the groups before it. The value being edited is written as
   REG_EXPAND_SZ: a machine value may use the first two groups, a user value the first five. */
#define GROUP_NONE           0
#define GROUP_CORE_SYSTEM    1
#define GROUP_MACHINE_SZ     2
#define GROUP_MACHINE_EXPAND 3
#define GROUP_CORE_USER      4
#define GROUP_USER_SZ        5
#define GROUP_USER_EXPAND    6
#define GROUP_ACCOUNT        7

/* The names that Windows itself defines in a group (GROUP_CORE_SYSTEM, GROUP_CORE_USER,
   GROUP_ACCOUNT), and *count of them; none for another group. */
const char *const *CoreVariableNames(int group, size_t *count);

/* A variable defined under one of the two Environment keys. Only REG_SZ and REG_EXPAND_SZ values
   define variables. */
typedef struct CheckVariable {
    const char *name;
    int machine;      /* non-zero: under the machine key; 0: under the user key */
    int expandable;   /* non-zero: REG_EXPAND_SZ; 0: REG_SZ */
} CheckVariable;
/* The group (GROUP_...) that defines the variable at log-on. */
int VariableGroup(const CheckVariable *variable);

typedef struct CheckCallbacks {
    void *context;
    /* The text with its references expanded as the program's environment has them: a new text
       (free), or NULL when memory runs out. */
    char *(*expand)(void *context, const char *text);
    /* Whether an expanded path names an existing file or folder. */
    int (*exists)(void *context, const char *path);
    /* The text's length in UTF-16 units. */
    size_t (*units)(void *context, const char *text);
    /* The text with the case of every script folded, for comparisons without case: a new text
       (free), or NULL when memory runs out. */
    char *(*fold)(void *context, const char *text);
    /* One finding: the row's index and the problem in words (valid during the call only).
       Findings come in the list's order, except the too-long ones, which are known only when
       every row has been seen: FinishCheck reports them, each to go after its row's others. */
    void (*found)(void *context, int row, const char *problem);
} CheckCallbacks;

typedef struct CheckRun CheckRun;

/* A check of the variable varName (its own value is taken from the list, as the program writes
   it: REG_EXPAND_SZ, or nothing when its section is empty; entries of that name among the
   variables are ignored). NULL when memory runs out. */
CheckRun *StartCheck(const char *varName, const CheckVariable *variables, size_t count,
                     const CheckCallbacks *callbacks);
/* Makes room at once for the folders of rows rows, rather than growing while rows are checked
   (a check in slices then never takes the time of a growth in one slice). 0 when memory ran
   out; the check goes on all the same. */
int ReserveCheckRows(CheckRun *run, size_t rows);
/* Whether every row's path is asked of the exists callback (every nonzero), as the list's marks
   need to learn each row's path. By default a path exactly as an earlier row's is not asked
   again: the answer is the same, and a folder that the system is slow to answer for (a share
   that does not answer) costs that wait only once. */
void AskEveryPath(CheckRun *run, int every);
/* The next row of the list, in order from row 0; text may be NULL for an empty row. 0 when
   memory ran out (the check cannot go on). */
int CheckRow(CheckRun *run, int row, const char *text, int isHeader);
/* After the last row: the too-long findings. 0 when memory ran out. */
int FinishCheck(CheckRun *run);
void EndCheck(CheckRun *run);

/* The key by which rows name the same folder, as the check compares them, the expansion apart:
   without a leading ';' and the double quotes that surround it, '/' read as '\', without trailing
   backslashes, the case folded by fold (CheckCallbacks.fold). A new text, empty when the element
   names nothing; NULL when memory runs out. */
char *ElementKey(const char *element, char *(*fold)(void *context, const char *text), void *context);
/* The same before the case is folded, into key (strlen(element) + 1 bytes), without allocating:
   for comparing many rows. Returns its length. */
size_t ElementKeyUnfolded(const char *element, char *key);

/* The report's summary line, into out (size bytes): while running "Checking: 3 of 42 rows";
   when done "3 problems in 42 rows", "1 problem in 1 row", "No problems in 42 rows"; when
   stopped "Stopped: 3 problems in 10 of 42 rows". */
#define CHECK_RUNNING 0
#define CHECK_DONE    1
#define CHECK_STOPPED 2
void FormatCheckSummary(char *out, size_t size, int state, int problems, int rowsDone, int rows);

#endif
