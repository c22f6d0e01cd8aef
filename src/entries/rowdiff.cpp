#include "entries/rowdiff.h"
#include "entries/valuesplit.h"
#include "common/asciicase.h"
#include "common/hash.h"
#include "common/textbuild.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define NONE ((size_t)-1)

/* length bytes of text as a new zero-ended text, or NULL. */
static char *CopyBytes(const char *text, size_t length)
{
    char *copy = (char *)malloc(length + 1);

    if (copy) {
        memcpy(copy, text, length);
        copy[length] = '\0';
    }
    return copy;
}

typedef struct Element {
    size_t begin, length;
    size_t hash;
} Element;

typedef struct Elements {
    const char *text;
    Element *items;
    size_t count, capacity;
    int failed;
} Elements;

static void CollectElement(void *context, size_t begin, size_t end)
{
    Elements *elements = (Elements *)context;
    Element *item;

    if (elements->failed)
        return;
    if (elements->count == elements->capacity) {
        size_t capacity = elements->capacity * 2 + 16;
        Element *grown = (Element *)realloc(elements->items, capacity * sizeof *grown);
        if (grown == NULL) {
            elements->failed = 1;
            return;
        }
        elements->items = grown;
        elements->capacity = capacity;
    }
    item = &elements->items[elements->count++];
    item->begin = begin;
    item->length = end - begin;
    item->hash = HashBytes(elements->text + begin, end - begin);
}

static int SplitElements(const char *text, Elements *elements)
{
    memset(elements, 0, sizeof *elements);
    elements->text = text;
    SplitValue(text, CollectElement, elements);
    return !elements->failed;
}

static int SameElement(const Elements *a, size_t i, const Elements *b, size_t j)
{
    const Element *x = &a->items[i], *y = &b->items[j];

    return x->hash == y->hash && x->length == y->length &&
           memcmp(a->text + x->begin, b->text + y->begin, x->length) == 0;
}

/* The slot of the old elements' table that holds the text of element j of from, or the empty
   slot where it would go. */
static size_t FindSlot(const size_t *slots, size_t mask, const Elements *old, const Elements *from,
                       size_t j)
{
    size_t at = from->items[j].hash & mask;

    while (slots[at] != NONE && !SameElement(old, slots[at], from, j))
        at = (at + 1) & mask;
    return at;
}

/* Marks in kept[] the matched new elements that keep their order (a longest increasing run of
   their old positions); the others have moved. */
static int FindKept(const size_t *match, size_t count, unsigned char *kept)
{
    size_t *tails = (size_t *)malloc((count + 1) * sizeof *tails);
    size_t *before = (size_t *)malloc((count + 1) * sizeof *before);
    size_t length = 0, j, at;

    if (tails == NULL || before == NULL) {
        free(tails);
        free(before);
        return 0;
    }
    for (j = 0; j < count; j++) {
        size_t low = 0, high = length;
        if (match[j] == NONE)
            continue;
        while (low < high) {
            size_t middle = (low + high) / 2;
            if (match[tails[middle]] < match[j])
                low = middle + 1;
            else
                high = middle;
        }
        before[j] = low > 0 ? tails[low - 1] : NONE;
        tails[low] = j;
        if (low == length)
            length++;
    }
    for (at = length > 0 ? tails[length - 1] : NONE; at != NONE; at = before[at])
        kept[at] = 1;
    free(tails);
    free(before);
    return 1;
}

static void AddDiffRow(RowDiff *diff, int kind, const Elements *from, size_t index, size_t fromPos,
                       size_t toPos)
{
    DiffRow *row = &diff->rows[diff->count++];

    row->kind = kind;
    row->text = from->text + from->items[index].begin;
    row->length = from->items[index].length;
    row->from = fromPos;
    row->to = toPos;
}

/* Matches each new element with the next unmatched occurrence of its text among the old ones. */
static int MatchElements(const Elements *old, const Elements *now, size_t *match, unsigned char *used)
{
    size_t size = 16, mask, i, j;
    size_t *slots, *next, *cursor;

    while (size < old->count * 2)
        size *= 2;
    mask = size - 1;
    slots = (size_t *)malloc(size * sizeof *slots);
    next = (size_t *)malloc((old->count + 1) * sizeof *next);
    cursor = (size_t *)malloc(size * sizeof *cursor);
    if (slots == NULL || next == NULL || cursor == NULL) {
        free(slots);
        free(next);
        free(cursor);
        return 0;
    }
    for (i = 0; i < size; i++)
        slots[i] = cursor[i] = NONE;
    /* Each slot holds a text's first occurrence and, in cursor, the last one while filling. */
    for (i = 0; i < old->count; i++) {
        size_t at = FindSlot(slots, mask, old, old, i);
        next[i] = NONE;
        if (slots[at] == NONE)
            slots[at] = i;
        else
            next[cursor[at]] = i;
        cursor[at] = i;
    }
    for (i = 0; i < size; i++)
        cursor[i] = slots[i];
    for (j = 0; j < now->count; j++) {
        size_t at = FindSlot(slots, mask, old, now, j);
        match[j] = NONE;
        if (slots[at] != NONE && cursor[at] != NONE) {
            match[j] = cursor[at];
            used[cursor[at]] = 1;
            cursor[at] = next[cursor[at]];
        }
    }
    free(slots);
    free(next);
    free(cursor);
    return 1;
}

int DiffValues(const char *oldValue, const char *newValue, RowDiff *diff)
{
    Elements old, now;
    size_t *match = NULL, i, j;
    unsigned char *used = NULL, *kept = NULL;
    int ok;

    memset(diff, 0, sizeof *diff);
    diff->oldText = CopyBytes(oldValue, strlen(oldValue));
    diff->newText = CopyBytes(newValue, strlen(newValue));
    memset(&old, 0, sizeof old);
    memset(&now, 0, sizeof now);
    ok = diff->oldText && diff->newText && SplitElements(diff->oldText, &old) &&
         SplitElements(diff->newText, &now);
    if (ok) {
        match = (size_t *)malloc((now.count + 1) * sizeof *match);
        used = (unsigned char *)calloc(old.count + 1, 1);
        kept = (unsigned char *)calloc(now.count + 1, 1);
        diff->rows = (DiffRow *)malloc((old.count + now.count + 1) * sizeof *diff->rows);
        ok = match && used && kept && diff->rows && MatchElements(&old, &now, match, used) &&
             FindKept(match, now.count, kept);
    }
    if (ok) {
        diff->oldRows = old.count;
        diff->newRows = now.count;
        for (j = 0; j < now.count; j++)
            if (match[j] == NONE)
                AddDiffRow(diff, ROW_ADDED, &now, j, 0, j + 1);
        for (i = 0; i < old.count; i++)
            if (!used[i])
                AddDiffRow(diff, ROW_REMOVED, &old, i, i + 1, 0);
        for (j = 0; j < now.count; j++)
            if (match[j] != NONE && !kept[j])
                AddDiffRow(diff, ROW_MOVED, &now, j, match[j] + 1, j + 1);
        for (i = 0; i < diff->count; i++) {
            diff->added += diff->rows[i].kind == ROW_ADDED;
            diff->removed += diff->rows[i].kind == ROW_REMOVED;
            diff->moved += diff->rows[i].kind == ROW_MOVED;
        }
    }
    free(old.items);
    free(now.items);
    free(match);
    free(used);
    free(kept);
    if (!ok)
        ReleaseRowDiff(diff);
    return ok;
}

void ReleaseRowDiff(RowDiff *diff)
{
    free(diff->rows);
    free(diff->oldText);
    free(diff->newText);
    memset(diff, 0, sizeof *diff);
}

/* ---- The diff as lines ---- */

char *ComposeChangeLines(const RowDiff *diff, size_t limit, int positions)
{
    static const char *const marks[3] = {"+ ", "- ", "moved "};
    const size_t totals[3] = {diff->added, diff->removed, diff->moved};
    size_t shown[3] = {0, 0, 0}, i;
    GrowingText lines = {NULL, 0, 0, 0};
    char number[64];

    AppendText(&lines, "");
    for (i = 0; i < diff->count; i++) {
        const DiffRow *row = &diff->rows[i];
        if (limit > 0 && shown[row->kind] >= limit)
            continue;
        shown[row->kind]++;
        AppendText(&lines, marks[row->kind]);
        AppendBytes(&lines, row->text, row->length);
        if (positions && row->kind == ROW_MOVED) {
            snprintf(number, sizeof number, " (from %lu to %lu)", (unsigned long)row->from,
                     (unsigned long)row->to);
            AppendText(&lines, number);
        }
        AppendText(&lines, "\r\n");
        if (limit > 0 && shown[row->kind] == limit && totals[row->kind] > limit) {
            snprintf(number, sizeof number, "... and %lu more\r\n",
                     (unsigned long)(totals[row->kind] - limit));
            AppendText(&lines, number);
        }
    }
    return FinishText(&lines);
}

/* ---- Damage ---- */

#define REG_SZ_TYPE        1
#define REG_EXPAND_SZ_TYPE 2

/* Whether text holds a reference: '%', at least one character, '%'. */
static int HoldsReference(const char *text, size_t length)
{
    const char *first = (const char *)memchr(text, '%', length);
    size_t rest = first ? length - (size_t)(first - text) - 1 : 0;

    return first != NULL && rest > 1 && memchr(first + 2, '%', rest - 1) != NULL;
}

/* How many of the rows of a occur in b as well, occurrence by occurrence; NONE when memory runs
   out. */
static size_t CommonRows(const char *a, const char *b, size_t *rowsOfA)
{
    RowDiff diff;
    size_t common;

    if (!DiffValues(a, b, &diff))
        return NONE;
    common = diff.oldRows - diff.removed;
    *rowsOfA = diff.oldRows;
    ReleaseRowDiff(&diff);
    return common;
}

/* Whether rows that held a reference in before are now held expanded in after: the expansion
   of a removed row is among the added rows. */
static int FindExpanded(const char *before, const char *after, ExpandRefs expand, void *context,
                        int *found)
{
    RowDiff diff;
    GrowingText expanded = {NULL, 0, 0, 0}, added = {NULL, 0, 0, 0};
    size_t i, rows = 0, common;

    *found = 0;
    if (!DiffValues(before, after, &diff))
        return 0;
    AppendText(&expanded, "");
    AppendText(&added, "");
    for (i = 0; i < diff.count; i++) {
        const DiffRow *row = &diff.rows[i];
        if (row->kind == ROW_ADDED && !HoldsReference(row->text, row->length)) {
            AppendBytes(&added, row->text, row->length);
            AppendText(&added, ";");
        } else if (row->kind == ROW_REMOVED && HoldsReference(row->text, row->length)) {
            char *text = CopyBytes(row->text, row->length), *wide = text ? expand(context, text) : NULL;
            if (wide && strcmp(wide, text) != 0 && wide[0] != '\0') {
                AppendText(&expanded, wide);
                AppendText(&expanded, ";");
            }
            expanded.failed |= text == NULL || wide == NULL;
            free(text);
            free(wide);
        }
    }
    common = expanded.failed || added.failed ? NONE : CommonRows(expanded.text, added.text, &rows);
    free(expanded.text);
    free(added.text);
    ReleaseRowDiff(&diff);
    *found = common != NONE && common > 0;
    return common != NONE;
}

/* A row compared for the system folder: ASCII letters in upper case, a final '\' dropped. */
static int SameFolder(const char *row, size_t length, const char *folder)
{
    size_t folderLength = strlen(folder);

    if (length > 0 && row[length - 1] == '\\')
        length--;
    if (folderLength > 0 && folder[folderLength - 1] == '\\')
        folderLength--;
    return length == folderLength && SameIgnoringCase(row, folder, length);
}

typedef struct FolderSearch {
    const char *text;
    const char *folders[2];
    int found;
} FolderSearch;

static void LookForFolder(void *context, size_t begin, size_t end)
{
    FolderSearch *search = (FolderSearch *)context;
    int i;

    for (i = 0; i < 2; i++)
        if (search->folders[i] && SameFolder(search->text + begin, end - begin, search->folders[i]))
            search->found = 1;
}

static int HoldsSystemFolder(const char *value, const char *expanded)
{
    FolderSearch search = {value, {"%SystemRoot%\\system32", expanded}, 0};

    SplitValue(value, LookForFolder, &search);
    return search.found;
}

/* Whether most of the machine's rows (two at least) are in the user value as well. */
static int LooksMerged(const DamageSide *side, int *merged)
{
    size_t rows = 0, common = CommonRows(side[0].text, side[1].text, &rows);

    *merged = common != NONE && rows >= 2 && common * 2 > rows;
    return common != NONE;
}

int FindDamage(const DamageSide before[2], const DamageSide after[2], int isPath,
               ExpandRefs expand, void *context, unsigned found[2])
{
    int section, ok = 1, flag, mergedBefore = 0, mergedAfter = 0;

    for (section = 0; section < 2; section++) {
        const DamageSide *was = &before[section], *is = &after[section];
        found[section] = 0;
        if (is->present && is->units != was->units && (is->units == 1024 || is->units == 2047))
            found[section] |= DAMAGE_CUT;
        if (was->present && is->present && was->type == REG_EXPAND_SZ_TYPE && is->type == REG_SZ_TYPE)
            found[section] |= DAMAGE_TYPE;
        flag = 0;
        ok = ok && FindExpanded(was->text, is->text, expand, context, &flag);
        if (flag)
            found[section] |= DAMAGE_EXPANDED;
    }
    if (isPath) {
        char *system32 = expand(context, "%SystemRoot%\\system32");
        ok = ok && system32 != NULL;
        if (system32 && HoldsSystemFolder(before[0].text, system32) &&
            !HoldsSystemFolder(after[0].text, system32))
            found[0] |= DAMAGE_SYSTEM32;
        free(system32);
    }
    ok = ok && LooksMerged(before, &mergedBefore) && LooksMerged(after, &mergedAfter);
    if (mergedAfter && !mergedBefore)
        found[1] |= DAMAGE_MERGED;
    return ok;
}
