/* A text that grows as pieces are appended. Once memory has run out it stays failed and drops
   every append, so that a long composition checks for failure once, at its end. No Win32 here. */
#ifndef VELKOR_TEXTBUILD_H
#define VELKOR_TEXTBUILD_H

#include <stddef.h>

typedef struct GrowingText {
    char *text;   /* zero-ended once anything has been appended */
    size_t length, capacity;
    int failed;
} GrowingText;

void AppendBytes(GrowingText *out, const char *bytes, size_t count);
/* A NULL text stands for a piece that memory ran out to make: the text fails. */
void AppendText(GrowingText *out, const char *text);
/* The text (free it), or NULL when memory ran out or nothing was appended. */
char *FinishText(GrowingText *out);

#endif
