/* The file in which the program hands its list to the instance that it starts as administrator:
   the variable's name, the account, whether changes are pending, and the entry rows of both
   sections. UTF-8
   text, each text counted in bytes before it, so that rows in any script, with quotes, ';' or
   line breaks, come back exactly. No Win32 here, so it is built and tested natively as well. */
#ifndef VELKOR_RESTARTFORMAT_H
#define VELKOR_RESTARTFORMAT_H

#include <stddef.h>

#define RESTART_MACHINE 0
#define RESTART_USER    1

struct RestartList {
    char *name;         /* the variable's name, UTF-8 */
    char *account;      /* the SID, as text, of the account that saved it; "" when not known */
    int pending;        /* whether the list holds changes not yet written */
    size_t count[2];    /* the entry rows of each section, RESTART_MACHINE and RESTART_USER */
    char **rows[2];     /* their texts, UTF-8 */
};

/* The file's text for the list: a new text of *size bytes (free it), or NULL when memory runs
   out or the name or the account is missing. */
char *FormatRestartList(const struct RestartList *list, size_t *size);
/* Reads a file's text back into *list (ReleaseRestartList): 1, or 0 with *list empty when the
   text is not such a file, whole and undamaged, or memory runs out. */
int ParseRestartList(const char *text, size_t size, struct RestartList *list);
void ReleaseRestartList(struct RestartList *list);

#endif
