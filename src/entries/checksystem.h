/* What the findings of Check all (findings.h) need of the system, without any window. */
#ifndef VELKOR_CHECKSYSTEM_H
#define VELKOR_CHECKSYSTEM_H

#include <windows.h>

#include "entries/findings.h"
#include "registry/regaccess.h"

/* Takes ownership of text; returns the expanded text (or text itself when the expansion fails,
   which sets *error; otherwise it is left as it is). */
char *ExpandEntryTextQuietly(char *text, DWORD *error);
/* A row's text as the findings expand it: a new text (NULL when memory runs out), a plain copy
   when it holds no '%'. The first expansion that fails sets *firstError (when firstError is not
   NULL and *firstError is still 0), to be told once when the check ends. */
char *ExpandForFindings(const char *text, DWORD *firstError);
/* CheckCallbacks.expand where a failing expansion is not told. */
char *ExpandForFindingsQuietly(void *context, const char *text);
/* Whether an expanded entry names an existing file or folder, whatever its attributes. */
BOOL EntryExists(const char *expanded);
/* CheckCallbacks.units and .fold: the text's length in UTF-16 units; the text in upper case of any
   script, as the file system and the variables' names ignore case (a new text, or NULL). */
size_t TextUnitsOf(void *context, const char *text);
char *FoldTextCase(void *context, const char *text);
/* The variables that the two Environment keys define (REG_SZ and REG_EXPAND_SZ values), read
   once per check: a new array whose names stay in names[] (ReleaseCheckVariables frees both). A
   key that cannot be read defines none. NULL when memory runs out. */
CheckVariable *ReadCheckVariables(ValueName *names[2], size_t counts[2], size_t *count);
void ReleaseCheckVariables(CheckVariable *variables, ValueName *names[2], const size_t counts[2]);

#endif
