/* The variables as Windows defines them at log-on, for the status bar's expansion of a row: the
   values of the two Environment keys' variables, and those of the names that Windows itself sets
   from the program's own environment. */
#ifndef VELKOR_LOGONVARS_H
#define VELKOR_LOGONVARS_H

#include "entries/findings.h"
#include "entries/rowstatus.h"

#include <stddef.h>

/* Reads the values of the keys' variables (names and types as ReadVariables of checkall.h gives
   them), dropping what was read before. An expandable value is expanded with what its own place
   in the order may use. A value that cannot be read is left out. */
void ReadLogOnVariables(const CheckVariable *variables, size_t count);
/* Adds the variable being edited, as the list's machine section would write it (for user rows
   that refer to it): once per read, as the join of many rows takes long. */
void AddEditedLogOnVariable(void);
const LogOnVariable *LogOnVariables(size_t *count);
void ReleaseLogOnVariables(void);

#endif
