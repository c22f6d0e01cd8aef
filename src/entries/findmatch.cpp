#include "entries/findmatch.h"

#include <stdlib.h>
#include <string.h>

static int Holds(const FindSource *source, int row, int expanded, const char *folded)
{
    char *text = source->foldedText(source->context, row, expanded);
    int holds = text != NULL && strstr(text, folded) != NULL;

    free(text);
    return holds;
}

int FindRow(const FindSource *source, int start, const char *folded)
{
    int i, row;

    if (folded == NULL || folded[0] == '\0' || source->rows <= 0)
        return -1;
    if (start < 0 || start >= source->rows)
        start = 0;
    for (i = 0; i < source->rows; i++) {
        row = (start + i) % source->rows;
        if (source->isEntry(source->context, row) &&
            (Holds(source, row, 0, folded) || Holds(source, row, 1, folded)))
            return row;
    }
    return -1;
}
