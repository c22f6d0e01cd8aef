/* What the entry check expands in a 32-bit program on 64-bit Windows, so that it sees an entry as
   the 64-bit programs that use the path see it. No Win32 here: tested natively as well. */
#ifndef VELKOR_WOW64PATH_H
#define VELKOR_WOW64PATH_H

/* Windows gives a 32-bit program %ProgramFiles% and %CommonProgramFiles% as the 32-bit folders
   ("Program Files (x86)"); the 64-bit folders are in %ProgramW6432% and %CommonProgramW6432%.
   With wow64 set, each reference to the first two (name's case ignored) becomes a reference to
   the second two where that variable is set (hasProgramW6432, hasCommonProgramW6432); everything
   else stays as it is, and so does the whole text with wow64 clear. A reference runs from one '%'
   to the next, as the expansion takes it. A new text (free it), or NULL when memory runs out. */
char *Wow64ExpansionText(const char *text, int wow64, int hasProgramW6432, int hasCommonProgramW6432);

#endif
