/* The entry check (F5): the next element that names no existing file or folder. */
#ifndef VELKOR_ENTRYCHECK_H
#define VELKOR_ENTRYCHECK_H

#include <windows.h>

#include "entries/checksystem.h"   /* the quiet expansion and the existence test */

/* Takes ownership of text; returns the expanded text (or text itself when expansion fails). */
char *ExpandEntryText(char *text);
void CheckEntries(void);

#endif
