#include "output/restartformat.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* The file, line by line:
     Velkor Editor restart 1
     name 4:PATH
     account 14:S-1-5-21-7-500
     pending 1
     machine 2          then 2 rows, each "<bytes>:<text>"
     user 0
     end
   every line ending with "\r\n" and nothing after the last. */
#define RESTART_MAGIC "Velkor Editor restart 1\r\n"
static const char *const s_sectionWords[2] = {"machine", "user"};

/* Appends to a buffer, or only counts when it is NULL. */
struct Output {
    char *text;
    size_t size;
};

static void Put(struct Output *out, const char *bytes, size_t length)
{
    if (out->text)
        memcpy(out->text + out->size, bytes, length);
    out->size += length;
}

static void PutNumber(struct Output *out, const char *word, size_t number)
{
    char line[64];
    int length = snprintf(line, sizeof line, "%s%zu", word, number);
    Put(out, line, (size_t)length);
}

/* "<bytes>:<text>\r\n" */
static void PutText(struct Output *out, const char *text)
{
    size_t length = strlen(text);
    PutNumber(out, "", length);
    Put(out, ":", 1);
    Put(out, text, length);
    Put(out, "\r\n", 2);
}

static void PutList(struct Output *out, const struct RestartList *list)
{
    int section;
    size_t i;

    Put(out, RESTART_MAGIC, strlen(RESTART_MAGIC));
    Put(out, "name ", 5);
    PutText(out, list->name);
    Put(out, "account ", 8);
    PutText(out, list->account);
    Put(out, list->pending ? "pending 1\r\n" : "pending 0\r\n", 11);
    for (section = 0; section < 2; section++) {
        Put(out, s_sectionWords[section], strlen(s_sectionWords[section]));
        PutNumber(out, " ", list->count[section]);
        Put(out, "\r\n", 2);
        for (i = 0; i < list->count[section]; i++)
            PutText(out, list->rows[section][i]);
    }
    Put(out, "end\r\n", 5);
}

char *FormatRestartList(const struct RestartList *list, size_t *size)
{
    struct Output out = {NULL, 0};

    if (list->name == NULL || list->account == NULL)
        return NULL;
    PutList(&out, list);
    out.text = (char *)malloc(out.size + 1);
    if (out.text == NULL)
        return NULL;
    *size = out.size;
    out.size = 0;
    PutList(&out, list);
    out.text[out.size] = '\0';
    return out.text;
}

/* Reading: each step takes what it expects from *at, or fails. */
struct Input {
    const char *at, *end;
};

static int Take(struct Input *in, const char *expected)
{
    size_t length = strlen(expected);

    if ((size_t)(in->end - in->at) < length || memcmp(in->at, expected, length) != 0)
        return 0;
    in->at += length;
    return 1;
}

/* Decimal digits as the format writes them (at least one, no leading zero), no more than the
   input's size can justify. */
static int TakeNumber(struct Input *in, size_t *number)
{
    size_t limit = (size_t)(in->end - in->at);
    const char *start = in->at;

    *number = 0;
    while (in->at < in->end && *in->at >= '0' && *in->at <= '9' && in->at - start < 12) {
        *number = *number * 10 + (size_t)(*in->at - '0');
        in->at++;
    }
    return in->at > start && !(start[0] == '0' && in->at - start > 1) && *number <= limit;
}

/* "<bytes>:<text>\r\n" as a new text without zero characters. */
static int TakeText(struct Input *in, char **text)
{
    size_t length;

    *text = NULL;
    if (!TakeNumber(in, &length) || !Take(in, ":") || (size_t)(in->end - in->at) < length ||
        memchr(in->at, '\0', length) != NULL)
        return 0;
    *text = (char *)malloc(length + 1);
    if (*text == NULL)
        return 0;
    memcpy(*text, in->at, length);
    (*text)[length] = '\0';
    in->at += length;
    return Take(in, "\r\n");
}

static int TakeSection(struct Input *in, int section, struct RestartList *list)
{
    size_t count, i;

    if (!Take(in, s_sectionWords[section]) || !Take(in, " ") || !TakeNumber(in, &count) ||
        !Take(in, "\r\n"))
        return 0;
    /* Each row takes at least four bytes: a count no file could hold is damage. */
    if (count > (size_t)(in->end - in->at) / 4)
        return 0;
    list->rows[section] = (char **)calloc(count ? count : 1, sizeof(char *));
    if (list->rows[section] == NULL)
        return 0;
    for (i = 0; i < count; i++) {
        list->count[section] = i + 1;   /* released with the list, however far it got */
        if (!TakeText(in, &list->rows[section][i]))
            return 0;
    }
    return 1;
}

int ParseRestartList(const char *text, size_t size, struct RestartList *list)
{
    struct Input in = {text, text + size};
    int ok;

    memset(list, 0, sizeof *list);
    ok = Take(&in, RESTART_MAGIC) && Take(&in, "name ") && TakeText(&in, &list->name) &&
         list->name[0] != '\0' && Take(&in, "account ") && TakeText(&in, &list->account) &&
         Take(&in, "pending ");
    if (ok && (Take(&in, "0\r\n") || (Take(&in, "1\r\n") && (list->pending = 1))))
        ok = TakeSection(&in, RESTART_MACHINE, list) && TakeSection(&in, RESTART_USER, list) &&
             Take(&in, "end\r\n") && in.at == in.end;
    else
        ok = 0;
    if (!ok)
        ReleaseRestartList(list);
    return ok;
}

void ReleaseRestartList(struct RestartList *list)
{
    int section;
    size_t i;

    for (section = 0; section < 2; section++) {
        for (i = 0; i < list->count[section]; i++)
            free(list->rows[section][i]);
        free(list->rows[section]);
    }
    free(list->name);
    free(list->account);
    memset(list, 0, sizeof *list);
}
