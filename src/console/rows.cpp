#include "console/rows.h"
#include "entries/findings.h"
#include "entries/valuesplit.h"
#include "common/asciicase.h"

#include <stdlib.h>
#include <string.h>

struct Split {
    RowList *list;
    char *value;
    size_t *ends;
};

static void CountRow(void *context, size_t begin, size_t end)
{
    (void)begin;
    (void)end;
    (*(size_t *)context)++;
}

static void KeepRow(void *context, size_t begin, size_t end)
{
    struct Split *split = (struct Split *)context;

    split->list->rows[split->list->count] = split->value + begin;
    split->ends[split->list->count++] = end;
}

int SplitRows(char *value, RowList *list)
{
    struct Split split;
    size_t count = 0, i;

    list->count = 0;
    SplitValue(value, CountRow, &count);
    list->rows = (char **)malloc((count + 1) * sizeof *list->rows);
    split.ends = (size_t *)malloc((count + 1) * sizeof *split.ends);
    if (list->rows == NULL || split.ends == NULL) {
        free(list->rows);
        free(split.ends);
        list->rows = NULL;
        return 0;
    }
    split.list = list;
    split.value = value;
    SplitValue(value, KeepRow, &split);
    /* Only now: the split reads each row's end to find the next one. */
    for (i = 0; i < list->count; i++)
        value[split.ends[i]] = '\0';
    free(split.ends);
    return 1;
}

void ReleaseRows(RowList *list)
{
    free(list->rows);
    list->rows = NULL;
    list->count = 0;
}

char *JoinRows(const char *const *rows, size_t count)
{
    size_t size = 1, i, at = 0;
    char *value;

    for (i = 0; i < count; i++)
        size += strlen(rows[i]) + 1;
    value = (char *)malloc(size);
    if (value == NULL)
        return NULL;
    for (i = 0; i < count; i++) {
        size_t length = strlen(rows[i]);
        if (i > 0)
            value[at++] = ';';
        memcpy(value + at, rows[i], length);
        at += length;
    }
    value[at] = '\0';
    return value;
}

char *ElementText(const char *element)
{
    size_t length = strlen(element);
    int quoted = length >= 2 && element[0] == '"' && element[length - 1] == '"';
    int quote = strchr(element, ';') != NULL && !quoted;
    char *text = (char *)malloc(length + 3);

    if (text == NULL)
        return NULL;
    strcpy(text + quote, element);
    if (quote) {
        text[0] = text[length + 1] = '"';
        text[length + 2] = '\0';
    }
    return text;
}

/* Whether value splits into exactly the rows given, byte for byte. -1 when memory runs out. */
static int SplitsInto(const char *value, const char *const *rows, size_t count)
{
    char *copy = (char *)malloc(strlen(value) + 1);
    RowList list;
    size_t i;
    int same;

    if (copy == NULL)
        return -1;
    strcpy(copy, value);
    if (!SplitRows(copy, &list)) {
        free(copy);
        return -1;
    }
    same = list.count == count;
    for (i = 0; same && i < count; i++)
        same = strcmp(list.rows[i], rows[i]) == 0;
    ReleaseRows(&list);
    free(copy);
    return same;
}

/* The elements' keys, for comparing many rows with them. A row and an element of plain ASCII are
   compared without folding: the fold turns ASCII letters into upper case and keeps every other
   ASCII byte (see rows.h), so such a comparison ignores case as the fold would. */
typedef struct Matcher {
    int count;
    char **unfolded;   /* each element's key before the fold (ElementKeyUnfolded) */
    char **folded;     /* and after it (ElementKey) */
    size_t *lengths;   /* of the unfolded keys */
    char *scratch;     /* a row's key */
    size_t scratchSize;
    FoldText fold;
    void *context;
} Matcher;

static int IsAscii(const char *text)
{
    for (; *text; text++)
        if ((unsigned char)*text >= 0x80)
            return 0;
    return 1;
}

static void EndMatcher(Matcher *m)
{
    int i;

    for (i = 0; i < m->count; i++) {
        free(m->unfolded ? m->unfolded[i] : NULL);
        free(m->folded ? m->folded[i] : NULL);
    }
    free(m->unfolded);
    free(m->folded);
    free(m->lengths);
    free(m->scratch);
}

/* 0 when memory runs out (then EndMatcher all the same). */
static int StartMatcher(Matcher *m, const char *const *elements, int count, FoldText fold, void *context)
{
    int i, ok;

    m->count = count;
    m->unfolded = (char **)calloc((size_t)count + 1, sizeof *m->unfolded);
    m->folded = (char **)calloc((size_t)count + 1, sizeof *m->folded);
    m->lengths = (size_t *)calloc((size_t)count + 1, sizeof *m->lengths);
    m->scratch = NULL;
    m->scratchSize = 0;
    m->fold = fold;
    m->context = context;
    ok = m->unfolded && m->folded && m->lengths;
    for (i = 0; ok && i < count; i++) {
        m->unfolded[i] = (char *)malloc(strlen(elements[i]) + 1);
        m->folded[i] = ElementKey(elements[i], fold, context);
        ok = m->unfolded[i] && m->folded[i];
        if (ok)
            m->lengths[i] = ElementKeyUnfolded(elements[i], m->unfolded[i]);
    }
    if (!ok)
        m->count = m->unfolded && m->folded ? count : 0;
    return ok;
}

/* Which element the row names: its index, or -1; -2 when memory ran out. An element that names
   nothing matches nothing. */
static int MatchRow(Matcher *m, const char *row)
{
    size_t length = strlen(row), keyLength, k;
    char *folded = NULL;
    int rowAscii, i, match = -1;

    if (length + 1 > m->scratchSize) {
        char *larger = (char *)realloc(m->scratch, length * 2 + 64);
        if (larger == NULL)
            return -2;
        m->scratch = larger;
        m->scratchSize = length * 2 + 64;
    }
    keyLength = ElementKeyUnfolded(row, m->scratch);
    if (keyLength == 0)
        return -1;
    rowAscii = IsAscii(m->scratch);
    for (i = 0; i < m->count && match < 0; i++) {
        if (m->lengths[i] == 0)
            continue;
        if (rowAscii && IsAscii(m->unfolded[i])) {
            for (k = 0; m->lengths[i] == keyLength && k < keyLength; k++)
                if (AsciiUpper(m->scratch[k]) != AsciiUpper(m->unfolded[i][k]))
                    break;
            if (m->lengths[i] == keyLength && k == keyLength)
                match = i;
            continue;
        }
        if (folded == NULL && (folded = m->fold(m->context, m->scratch)) == NULL)
            return -2;
        if (strcmp(folded, m->folded[i]) == 0)
            match = i;
    }
    free(folded);
    return match;
}

/* Joins the new rows into edit->value when they split back into themselves (changed: the
   elements added or the rows removed); otherwise the edit is unsafe. 0 when memory ran out. */
static int Finish(const char *const *rows, size_t count, int changed, int elementCount, RowEdit *edit)
{
    int same;

    edit->value = JoinRows(rows, count);
    if (edit->value == NULL)
        return 0;
    same = SplitsInto(edit->value, rows, count);
    if (same != 1) {
        free(edit->value);
        edit->value = NULL;
        edit->unsafe = same == 0 ? elementCount : -1;
    }
    edit->changed = edit->value ? changed : 0;
    return same >= 0;
}

int AddElements(const RowList *list, const char *const *elements, int elementCount, int first,
                FoldText fold, void *context, RowEdit *edit)
{
    Matcher m;
    int started = StartMatcher(&m, elements, elementCount, fold, context);
    char **texts = (char **)calloc((size_t)elementCount + 1, sizeof *texts);
    const char **rows = (const char **)malloc((list->count + (size_t)elementCount + 1) * sizeof *rows);
    int *present = (int *)calloc((size_t)elementCount + 1, sizeof *present);
    int failed = !started || texts == NULL || rows == NULL || present == NULL, i, j, added = 0, whole;
    size_t r, count = 0;

    edit->value = NULL;
    edit->changed = 0;
    edit->unsafe = -1;
    for (r = 0; !failed && r < list->count; r++) {
        i = MatchRow(&m, list->rows[r]);
        failed = i == -2;
        if (i >= 0)
            present[i] = 1;
    }
    /* An element named twice on the line goes in once. */
    for (i = 0; !failed && i < elementCount; i++)
        for (j = 0; j < i && !present[i]; j++)
            if (!present[j] && m.folded[i][0] != '\0' && strcmp(m.folded[i], m.folded[j]) == 0)
                present[i] = 1;
    for (i = 0; !failed && i < elementCount; i++) {
        if (present[i])
            continue;
        texts[i] = ElementText(elements[i]);
        whole = texts[i] != NULL ? SplitsInto(texts[i], (const char *const *)&texts[i], 1) : -1;
        failed = whole < 0;   /* memory ran out: a failure, not an unsafe element */
        if (whole == 0 && edit->unsafe < 0)
            edit->unsafe = i;
        added++;
    }
    if (!failed && added > 0 && edit->unsafe < 0) {
        for (i = 0; first && i < elementCount; i++)
            if (texts[i])
                rows[count++] = texts[i];
        for (r = 0; r < list->count; r++)
            rows[count++] = list->rows[r];
        for (i = 0; !first && i < elementCount; i++)
            if (texts[i])
                rows[count++] = texts[i];
        failed = !Finish(rows, count, added, elementCount, edit);
    }
    for (i = 0; texts && i < elementCount; i++)
        free(texts[i]);
    free(texts);
    free(rows);
    free(present);
    EndMatcher(&m);
    return !failed;
}

int RemoveElements(const RowList *list, const char *const *elements, int elementCount,
                   FoldText fold, void *context, RowEdit *edit)
{
    Matcher m;
    int started = StartMatcher(&m, elements, elementCount, fold, context);
    const char **rows = (const char **)malloc((list->count + 1) * sizeof *rows);
    int failed = !started || rows == NULL, removed = 0, match;
    size_t r, count = 0;

    edit->value = NULL;
    edit->changed = 0;
    edit->unsafe = -1;
    for (r = 0; !failed && r < list->count; r++) {
        match = MatchRow(&m, list->rows[r]);
        failed = match == -2;
        if (match >= 0)
            removed++;
        else
            rows[count++] = list->rows[r];
    }
    if (!failed && removed > 0) {
        failed = !Finish(rows, count, removed, elementCount, edit);
    }
    free(rows);
    EndMatcher(&m);
    return !failed;
}
