#include "common/textbuild.h"

#include <stdlib.h>
#include <string.h>

void AppendBytes(GrowingText *out, const char *bytes, size_t count)
{
    if (out->failed)
        return;
    if (out->length + count + 1 > out->capacity) {
        size_t capacity = (out->length + count + 1) * 2;
        char *grown = (char *)realloc(out->text, capacity);
        if (grown == NULL) {
            out->failed = 1;
            return;
        }
        out->text = grown;
        out->capacity = capacity;
    }
    memcpy(out->text + out->length, bytes, count);
    out->length += count;
    out->text[out->length] = '\0';
}

void AppendText(GrowingText *out, const char *text)
{
    if (text == NULL)
        out->failed = 1;
    else
        AppendBytes(out, text, strlen(text));
}

char *FinishText(GrowingText *out)
{
    if (out->failed || out->text == NULL) {
        free(out->text);
        out->text = NULL;
        return NULL;
    }
    return out->text;
}
