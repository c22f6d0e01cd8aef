/* What the main list shows of a row: its mark, and the status bar's words for it. */
#include "entries/rowstatus.h"
#include "entries/findings.h"
#include "common/asciicase.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int RowMark(int pathState, int otherProblems)
{
    if (pathState == PATH_MISSING)
        return MARK_MISSING;
    if (pathState == PATH_NOT_ANSWERING)
        return MARK_NOT_ANSWERING;
    return otherProblems > 0 ? MARK_PROBLEM : MARK_NONE;
}

const char *PathProblem(int pathState)
{
    if (pathState == PATH_MISSING)
        return "does not exist";
    if (pathState == PATH_NOT_ANSWERING)
        return "not answering";
    return NULL;
}

/* Names of variables ignore case; the names that Windows sets are plain ASCII. */
static int SameName(const char *name, size_t length, const char *other)
{
    /* A shorter other differs at its zero, where name (a reference's name) has none. */
    return SameIgnoringCase(name, other, length) && other[length] == '\0';
}

/* The variable that the reference stands for in a value that may use groups up to last: the one
   of the latest such group, which Windows defined last. NULL when none. */
static const LogOnVariable *Lookup(const char *name, size_t length, int last, const LogOnVariable *variables,
                                   size_t count)
{
    const LogOnVariable *found = NULL;
    size_t i;

    for (i = 0; i < count; i++)
        if (variables[i].group <= last && SameName(name, length, variables[i].name) &&
            (found == NULL || variables[i].group >= found->group))
            found = &variables[i];
    return found;
}

/* The expansion reads a reference as the check does: a '%', a name of one character or more
   without '%', a '%'. A reference that is not expanded stays, and its closing '%' may open the
   next one. Two passes: the first measures, the second writes. */
static size_t Expand(const char *text, int last, const LogOnVariable *variables, size_t count, char *out)
{
    size_t length = 0;

    while (*text) {
        const char *close = text[0] == '%' ? strchr(text + 1, '%') : NULL;
        const LogOnVariable *variable =
            close && close > text + 1 ? Lookup(text + 1, (size_t)(close - text - 1), last, variables, count) : NULL;

        if (variable != NULL) {
            size_t valueLength = strlen(variable->value);
            if (out)
                memcpy(out + length, variable->value, valueLength);
            length += valueLength;
            text = close + 1;
            continue;
        }
        if (out)
            out[length] = *text;
        length++;
        text++;
    }
    if (out)
        out[length] = '\0';
    return length;
}

char *ExpandAtLogOn(const char *text, int user, const LogOnVariable *variables, size_t count)
{
    int last = user ? GROUP_USER_SZ : GROUP_MACHINE_SZ;
    char *expanded = (char *)malloc(Expand(text, last, variables, count, NULL) + 1);

    if (expanded != NULL)
        Expand(text, last, variables, count, expanded);
    return expanded;
}

char *FormatRowStatus(const char *expansion, const char *const *problems, size_t count)
{
    size_t length = strlen(expansion) + 4, i;
    char *text;

    for (i = 0; i < count; i++)
        length += strlen(problems[i]) + 2;
    text = (char *)malloc(length);
    if (text == NULL)
        return NULL;
    strcpy(text, expansion);
    for (i = 0; i < count; i++) {
        strcat(text, i == 0 ? " - " : "; ");
        strcat(text, problems[i]);
    }
    return text;
}

void FormatSectionStatus(char *out, size_t size, const char *header, int rows, int problems)
{
    char found[32];

    if (problems == 0)
        snprintf(found, sizeof found, "no problems");
    else
        snprintf(found, sizeof found, "%d problem%s", problems, problems == 1 ? "" : "s");
    snprintf(out, size, "%s: %d row%s, %s", header, rows, rows == 1 ? "" : "s", found);
}
