/* The undo history: a stack of steps, each the rows that went in and out of the list, in order.
   Steps [0, s_done) are done and can be undone, [s_done, s_count) undone and can be redone. */
#include "entries/undo.h"
#include "entries/editing.h"
#include "entries/entrylist.h"
#include "common/common.h"
#include "resource.h"

#include <stdlib.h>

struct RowChange {
    BOOL inserted;   /* the row went in at index; else it went out from there */
    int index;
    WCHAR *text;
    LPARAM data;
};

struct UndoStep {
    struct RowChange *changes;
    int count, capacity;
};

static struct UndoStep *s_steps;
static int s_count, s_capacity, s_done;
/* The step count at which the list is what the registry holds; -1 when no undo or redo can
   bring it back there. */
static int s_writtenAt;
static struct UndoStep s_open;   /* the step being recorded */
static int s_depth;              /* BeginUndoStep calls not yet ended */
static BOOL s_lost;              /* the open step could not record a change */

static void ReleaseStep(struct UndoStep *step)
{
    int i;

    for (i = 0; i < step->count; i++)
        free(step->changes[i].text);
    free(step->changes);
    step->changes = NULL;
    step->count = step->capacity = 0;
}

/* Drops the steps from `from` on. */
static void DropSteps(int from)
{
    while (s_count > from)
        ReleaseStep(&s_steps[--s_count]);
}

/* Nothing can be undone or redone any more, and the list is not what the registry holds. */
static void GiveUpHistory(void)
{
    DropSteps(0);
    s_done = 0;
    s_writtenAt = -1;
    g_modified = TRUE;
}

void ForgetUndoSteps(void)
{
    DropSteps(0);
    s_done = s_writtenAt = 0;
    g_modified = FALSE;
}

void MarkListWritten(void)
{
    s_writtenAt = s_done;
}

void MarkListUnwritten(void)
{
    s_writtenAt = -1;
    g_modified = TRUE;
}

BOOL CanUndo(void)
{
    return s_done > 0;
}

BOOL CanRedo(void)
{
    return s_done < s_count;
}

BOOL RecordingUndo(void)
{
    return s_depth > 0;
}

void RecordRowChange(BOOL inserted, int index, WCHAR *text, LPARAM data)
{
    struct RowChange *grown;

    if (text == NULL)
        s_lost = TRUE;
    if (s_lost) {
        free(text);
        return;
    }
    if (s_open.count == s_open.capacity) {
        int capacity = s_open.capacity ? s_open.capacity * 2 : 4;
        grown = (struct RowChange *)realloc(s_open.changes, (size_t)capacity * sizeof *grown);
        if (grown == NULL) {
            free(text);
            s_lost = TRUE;
            return;
        }
        s_open.changes = grown;
        s_open.capacity = capacity;
    }
    s_open.changes[s_open.count].inserted = inserted;
    s_open.changes[s_open.count].index = index;
    s_open.changes[s_open.count].text = text;
    s_open.changes[s_open.count].data = data;
    s_open.count++;
}

void BeginUndoStep(void)
{
    s_depth++;
}

/* A step that could not be recorded whole cannot be undone: then no earlier one can be either,
   and the history is given up (the changes stay pending). */
void EndUndoStep(void)
{
    struct UndoStep *grown;

    if (s_depth == 0 || --s_depth > 0)
        return;
    if (s_open.count == 0 && !s_lost)
        return;
    g_modified = TRUE;
    DropSteps(s_done);
    if (s_writtenAt > s_done)
        s_writtenAt = -1;
    if (!s_lost && s_count == s_capacity) {
        int capacity = s_capacity ? s_capacity * 2 : 16;
        grown = (struct UndoStep *)realloc(s_steps, (size_t)capacity * sizeof *grown);
        if (grown == NULL) {
            s_lost = TRUE;
        } else {
            s_steps = grown;
            s_capacity = capacity;
        }
    }
    if (s_lost) {
        ReleaseStep(&s_open);
        GiveUpHistory();
        s_lost = FALSE;
        return;
    }
    s_steps[s_count++] = s_open;
    s_done = s_count;
    s_open.changes = NULL;
    s_open.count = s_open.capacity = 0;
}

/* Where the row to select lands when a row goes in at index (or out from it): the row last put
   in, or the one that took the place of a row taken out. */
static int FollowSelection(int selection, BOOL inserting, int index)
{
    if (inserting)
        return index;
    if (selection > index)
        return selection - 1;
    return selection < 0 ? index : selection;
}

/* Replays a step forwards (redo) or backwards (undo); FALSE when the list had no room. */
static BOOL ReplayStep(const struct UndoStep *step, BOOL forwards, int *selection)
{
    int i;

    for (i = 0; i < step->count; i++) {
        const struct RowChange *change = &step->changes[forwards ? i : step->count - 1 - i];
        BOOL inserting = change->inserted == forwards;

        if (inserting && RestoreRow(change->text, change->index, change->data) < 0)
            return FALSE;
        if (!inserting)
            DeleteRow(change->index);
        *selection = FollowSelection(*selection, inserting, change->index);
    }
    return TRUE;
}

static void Replay(BOOL forwards)
{
    int selection = -1;
    BOOL whole;

    PauseListRedraw(TRUE);
    whole = ReplayStep(&s_steps[forwards ? s_done : s_done - 1], forwards, &selection);
    PauseListRedraw(FALSE);
    if (!whole) {
        /* The list is neither before nor after the step: the history no longer fits it. */
        GiveUpHistory();
        ShowSystemError(ERROR_NOT_ENOUGH_MEMORY);
        return;
    }
    s_done += forwards ? 1 : -1;
    g_modified = s_done != s_writtenAt;
    if (selection >= GetRowCount())
        selection = GetRowCount() - 1;
    SelectRowAndSync(selection);
}

/* The edit field's own undo takes back its typing once: emptied afterwards, the next Ctrl+Z
   goes to the list rather than redoing the typing. */
static BOOL UndoEditTyping(void)
{
    HWND edit = GetDlgItem(g_hMainWnd, IDC_ENTRY_EDIT);

    if (edit == NULL || GetFocus() != edit || !SendMessageA(edit, EM_CANUNDO, 0, 0))
        return FALSE;
    SendMessageA(edit, EM_UNDO, 0, 0);
    SendMessageA(edit, EM_EMPTYUNDOBUFFER, 0, 0);
    return TRUE;
}

void UndoChange(void)
{
    if (!UndoEditTyping() && CanUndo())
        Replay(FALSE);
}

void RedoChange(void)
{
    if (CanRedo())
        Replay(TRUE);
}
