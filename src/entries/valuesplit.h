/* Splitting a ';'-separated value into elements and joining a section of rows back into a value.
   No Win32 here: the entry list drives these over its list box, the native tests over plain data. */
#ifndef VELKOR_VALUESPLIT_H
#define VELKOR_VALUESPLIT_H

#include <stddef.h>

/* Called once per element, in order: the element is value[begin] up to value[end] (not included).
   value[end] is the ';' that ended the element, or the terminating zero. An element is never
   empty. The callback may change value[end] if it puts the byte back before it returns. */
typedef void (*ElementFound)(void *context, size_t begin, size_t end);

/* Splits value into its elements. A ';' ends an element, except as the element's first byte;
   an element that starts with '"' runs to the closing '"' first (';' inside does not split),
   then on to the next ';'. An unclosed quote runs to the end. Returns the number of elements. */
size_t SplitValue(const char *value, ElementFound found, void *context);

/* Section rule: a counter starts at the section's start value (1: machine, 0: user), each header
   row adds one, and an entry row belongs to the section while the counter is 2. */
int InSection(int *counter, int isHeader);

/* The rows of a list, seen through callbacks, for the join. */
typedef struct RowSource {
    void *context;
    int count;
    int (*isHeader)(void *context, int index);
    /* May report more than the text's real length (a list box does so for A callers in a
       multi-byte code page), never less: it sizes the buffer only. */
    size_t (*textLength)(void *context, int index);
    /* Writes the row's text and a terminating zero, at most textLength + 1 bytes, and returns
       the length actually copied. */
    size_t (*copyText)(void *context, int index, char *dest);
} RowSource;

/* Bytes to allocate for the joined section: rows + text lengths of the section's rows + 2. */
size_t JoinedSectionSize(const RowSource *rows, int start);

/* Writes the section's entry texts in list order, separated by ';', into result (size bytes, as
   given by JoinedSectionSize). An empty section gives the empty string. Returns the length. */
size_t FillJoinedSection(const RowSource *rows, int start, char *result, size_t size);

#endif
