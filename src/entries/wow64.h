/* A 32-bit program on 64-bit Windows (WOW64) sees System32 and the Program Files folders as 32-bit
   programs see them. The entry check wants them as the 64-bit programs that use the path see them.
   The calls are looked up when first needed, so that the program still starts on systems that
   lack them; where they are missing, nothing changes. */
#ifndef VELKOR_WOW64_H
#define VELKOR_WOW64_H

#include <windows.h>

/* Whether this is a 32-bit process on 64-bit Windows. */
BOOL RunsUnderWow64(void);

/* The text that the check expands in place of text (see Wow64ExpansionText): a new text (free
   it), or NULL when there is nothing to change or memory runs out. */
char *Wow64TextToExpand(const char *text);

/* Switches the file-system redirection off for this thread; TRUE when it did, and then
   ResumeFsRedirection(*state) switches it on again. */
BOOL PauseFsRedirection(void **state);
void ResumeFsRedirection(void *state);

#endif
