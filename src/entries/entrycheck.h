/* The entry check (F5): the next element that names no existing file or folder. */
#ifndef VELKOR_ENTRYCHECK_H
#define VELKOR_ENTRYCHECK_H

#include <windows.h>

/* Takes ownership of text; returns the expanded text (or text itself when expansion fails). */
char *ExpandEntryText(char *text);
/* The same without a message: a failure sets *error (otherwise left as it is). */
char *ExpandEntryTextQuietly(char *text, DWORD *error);
/* Whether an expanded entry names an existing file or folder, whatever its attributes. */
BOOL EntryExists(const char *expanded);
void CheckEntries(void);
/* The text in upper case of any script, as a new text (free it; NULL when memory runs out): two
   texts that differ only in case fold to the same. An ASCII text stays in the code page, any
   other comes out as UTF-8. */
char *FoldTextCase(const char *text);

#endif
