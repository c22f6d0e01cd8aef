#include "entries/valuesplit.h"

#include <string.h>

enum SplitState { ELEMENT_START, QUOTED, UNQUOTED };

size_t SplitValue(const char *value, ElementFound found, void *context)
{
    enum SplitState state = ELEMENT_START;
    size_t begin = 0, count = 0, i = 0;

    /* Inside an element only one byte matters ('"' while quoted, ';' otherwise), so the bytes
       in between are skipped with strcspn rather than looked at one by one. */
    while (value[i] != '\0') {
        switch (state) {
        case ELEMENT_START:
            /* The first byte always belongs to the element, even a ';'. */
            begin = i;
            state = value[i] == '"' ? QUOTED : UNQUOTED;
            i++;
            break;
        case QUOTED:
            i += strcspn(value + i, "\"");
            if (value[i] != '\0') {
                state = UNQUOTED;
                i++;
            }
            break;
        case UNQUOTED:
            i += strcspn(value + i, ";");
            if (value[i] != '\0') {
                found(context, begin, i);
                count++;
                state = ELEMENT_START;
                i++;
            }
            break;
        }
    }
    if (state != ELEMENT_START) {
        found(context, begin, i);
        count++;
    }
    return count;
}

int InSection(int *counter, int isHeader)
{
    if (isHeader) {
        (*counter)++;
        return 0;
    }
    return *counter == 2;
}

size_t JoinedSectionSize(const RowSource *rows, int start)
{
    int counter = start, i;
    size_t sum = 0;

    for (i = 0; i < rows->count; i++)
        if (InSection(&counter, rows->isHeader(rows->context, i)))
            sum += rows->textLength(rows->context, i);
    return (size_t)rows->count + sum + 2;
}

size_t FillJoinedSection(const RowSource *rows, int start, char *result, size_t size)
{
    int counter = start, i;
    size_t used = 0;

    result[0] = '\0';
    for (i = 0; i < rows->count; i++) {
        size_t length, copied;
        if (!InSection(&counter, rows->isHeader(rows->context, i)))
            continue;
        length = rows->textLength(rows->context, i);
        /* The text, its ';' and the final zero must fit; rows do not change between the passes,
           but a short result is better than a write past the buffer. */
        if (used + length + 2 > size)
            break;
        /* The length reported beforehand may be too high: the next text goes where this one
           really ends, so that no zero byte is left inside the value. */
        copied = rows->copyText(rows->context, i, result + used);
        used += copied < length ? copied : length;
        result[used++] = ';';
        result[used] = '\0';
    }
    if (used > 0)
        result[--used] = '\0';
    return used;
}
