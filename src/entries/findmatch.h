/* Which row Find selects: no Win32 here, so it is built and tested natively as well. */
#ifndef VELKOR_FINDMATCH_H
#define VELKOR_FINDMATCH_H

/* The rows that Find looks through, asked through the caller's functions. */
typedef struct FindSource {
    void *context;
    int rows;
    int (*isEntry)(void *context, int row);   /* header rows are never found */
    /* The row's text (expanded 0) or its expansion (expanded 1) folded to one case, as a new
       text (free it); NULL when it has none (no reference to expand, an empty row). */
    char *(*foldedText)(void *context, int row, int expanded);
} FindSource;

/* The first entry row from `start` on, wrapping past the last row to the first, whose text or
   expansion holds `folded` (the searched text, folded as the rows are); -1 when none does or
   the searched text is empty. */
int FindRow(const FindSource *source, int start, const char *folded);

#endif
