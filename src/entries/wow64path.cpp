#include "entries/wow64path.h"
#include "common/asciicase.h"

#include <stdlib.h>
#include <string.h>

/* Whether the length bytes at name are the variable's name, ASCII case ignored. */
static int IsName(const char *name, size_t length, const char *variable)
{
    return length == strlen(variable) && SameIgnoringCase(name, variable, length);
}

char *Wow64ExpansionText(const char *text, int wow64, int hasProgramW6432, int hasCommonProgramW6432)
{
    /* Each 64-bit name is as long as the one it stands for, so the text keeps its length. */
    size_t length = strlen(text);
    char *result = (char *)malloc(length + 1);
    char *at;

    if (result == NULL)
        return NULL;
    memcpy(result, text, length + 1);
    if (!wow64)
        return result;
    for (at = strchr(result, '%'); at != NULL; ) {
        char *end = strchr(at + 1, '%');
        size_t nameLength;

        if (end == NULL)
            break;
        nameLength = (size_t)(end - at - 1);
        if (hasProgramW6432 && IsName(at + 1, nameLength, "ProgramFiles"))
            memcpy(at + 1, "ProgramW6432", nameLength);
        else if (hasCommonProgramW6432 && IsName(at + 1, nameLength, "CommonProgramFiles"))
            memcpy(at + 1, "CommonProgramW6432", nameLength);
        at = strchr(end + 1, '%');
    }
    return result;
}
