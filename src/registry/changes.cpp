#include "registry/changes.h"
#include "output/history.h"
#include "registry/confirmtext.h"
#include "entries/checksystem.h"
#include "common/common.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const char *const s_sectionNames[2] = {MACHINE_SECTION_NAME, USER_SECTION_NAME};

/* A value of a record as a read would find it: its bytes are the record's (zero-ended after). */
static StoredValue AsStored(const SnapshotValue *value)
{
    StoredValue stored;

    ZeroMemory(&stored, sizeof stored);
    stored.keyOpened = value->state != SNAPSHOT_KEY_MISSING;
    stored.status = value->state == SNAPSHOT_VALUE_PRESENT ? ERROR_SUCCESS
                  : value->state == SNAPSHOT_VALUE_ABSENT ? ERROR_FILE_NOT_FOUND
                  : (LONG)value->error;
    stored.type = value->type;
    stored.bytes = (BYTE *)value->bytes;
    stored.size = (DWORD)value->size;
    return stored;
}

/* Why the list cannot hold the section's value before the change whole, or NULL: what a retrieve
   would leave as it is stored cannot be restored through the list either. */
static const char *WhyNotRestorable(const SnapshotValue *value, char *type, size_t size)
{
    StoredValue stored = AsStored(value);
    struct LeftAsStored left;
    char name[64];

    if (value->state == SNAPSHOT_KEY_MISSING)
        return "its key could not be read then";
    left = LeftAsStoredOf(&stored);
    switch (left.reason) {
    case LEFT_TYPE:
        snprintf(type, size, "it was of type %s", RegistryTypeName(value->type, name, sizeof name));
        return type;
    case LEFT_ZERO:
        return "it held text after a zero character";
    case LEFT_CODE_PAGE:
        return "it held characters that this system's code page cannot hold";
    }
    return NULL;
}

BOOL ViewChange(const HistoryRecord *record, ChangeView *view)
{
    const SnapshotValue *values[2][2] = {{&record->before[0], &record->before[1]},
                                         {&record->after[0], &record->after[1]}};
    char type[128];
    const char *why;
    BOOL ok = TRUE;
    int when, section;

    ZeroMemory(view, sizeof *view);
    view->restorable = TRUE;
    for (when = 0; when < 2; when++) {
        for (section = 0; section < 2; section++) {
            StoredValue stored = AsStored(values[when][section]);
            view->text[when][section] = StoredValueText(&stored, NULL);
            ok = ok && view->text[when][section] != NULL;
            why = when == 0 ? WhyNotRestorable(values[0][section], type, sizeof type) : NULL;
            if (why && view->restorable) {
                view->restorable = FALSE;
                snprintf(view->reason, sizeof view->reason,
                         "Restore is not possible: the %s value before this change cannot be held "
                         "by the list whole (%s). Its snapshot file (Open folder) restores it with "
                         "the registry editor.", s_sectionNames[section], why);
            }
        }
    }
    for (section = 0; ok && section < 2; section++) {
        ok = DiffValues(view->text[0][section], view->text[1][section], &view->diff[section]);
        view->change[section].diff = &view->diff[section];
        view->change[section].typeBefore =
            values[0][section]->state == SNAPSHOT_VALUE_PRESENT ? values[0][section]->type : 0;
        view->change[section].typeAfter =
            values[1][section]->state == SNAPSHOT_VALUE_PRESENT ? values[1][section]->type : 0;
    }
    if (!ok)
        ReleaseChangeView(view);
    return ok;
}

void ReleaseChangeView(ChangeView *view)
{
    int when, section;

    for (when = 0; when < 2; when++)
        for (section = 0; section < 2; section++)
            ReleaseText(&view->text[when][section]);
    ReleaseRowDiff(&view->diff[0]);
    ReleaseRowDiff(&view->diff[1]);
}

/* Writes a record of g_varName; 0 or the error code. */
static DWORD WriteRecord(HistoryRecord *record)
{
    char *name = Utf8FromText(g_varName);
    DWORD error = name ? 0 : ERROR_NOT_ENOUGH_MEMORY;

    SetRecordTimeNow(&record->time);
    if (error == 0)
        error = WriteHistoryRecord(name, record);
    ReleaseText(&name);
    return error;
}

void RecordUpdate(const StoredValue before[2], const StoredValue *machineAfter,
                  const StoredValue *userAfter)
{
    char *name = Utf8FromText(g_varName);
    DWORD error = name ? RecordWrite(name, before, machineAfter, userAfter) : ERROR_NOT_ENOUGH_MEMORY;

    ReleaseText(&name);
    if (error != 0)
        ShowSystemError(error);
}

/* Whether a section still reads as the program left it; a value that cannot be read now tells
   nothing. */
static BOOL StillAsLeft(const SnapshotValue *left, const StoredValue *current)
{
    StoredValue recorded = AsStored(left);

    if (!current->keyOpened || (current->status != ERROR_SUCCESS &&
                                current->status != ERROR_FILE_NOT_FOUND))
        return TRUE;
    return SameStoredValue(&recorded, current);
}

/* A value's length in UTF-16 units, up to its first zero. */
static size_t Units(const SnapshotValue *value)
{
    size_t units = 0;

    if (value->state != SNAPSHOT_VALUE_PRESENT)
        return 0;
    while (units * 2 + 1 < value->size && (value->bytes[units * 2] || value->bytes[units * 2 + 1]))
        units++;
    return units;
}

/* Composes the message about the change of record (made by another program) since last, the
   newest record before it. */
static char *ComposeOutsideMessage(const HistoryRecord *record, const HistoryRecord *last)
{
    ChangeView view;
    DamageSide sides[2][2];
    unsigned damage[2] = {0, 0};
    size_t units[2];
    char when[HISTORY_TIME_SIZE], *text = NULL;
    int section, state;

    if (!ViewChange(record, &view))
        return NULL;
    for (section = 0; section < 2; section++) {
        const SnapshotValue *before = &record->before[section], *after = &record->after[section];
        units[section] = Units(after);
        for (state = 0; state < 2; state++) {
            const SnapshotValue *value = state == 0 ? before : after;
            sides[state][section].present = value->state == SNAPSHOT_VALUE_PRESENT;
            sides[state][section].type = value->type;
            sides[state][section].text = view.text[state][section];
            sides[state][section].units = Units(value);
        }
    }
    FormatHistoryTime(when, &last->time);
    if (FindDamage(sides[0], sides[1], lstrcmpiA(g_varName, "PATH") == 0, ExpandForFindingsQuietly,
                   NULL, damage))
        text = ComposeOutsideChangeText(g_varName, when, last->byOther, view.change, damage, units);
    ReleaseChangeView(&view);
    return text;
}

void TellOutsideChange(const StoredValue current[2])
{
    History history = {NULL, 0};
    HistoryRecord change;
    char *name = Utf8FromText(g_varName), *text;
    DWORD error;

    if (name == NULL || ReadHistory(name, 1, &history) != 0 || history.count == 0) {
        ReleaseText(&name);
        ReleaseHistory(&history);   /* an empty history still holds its table */
        return;   /* nothing written yet, nothing to compare with */
    }
    ReleaseText(&name);
    if (!StillAsLeft(&history.records[0].after[0], &current[0]) ||
        !StillAsLeft(&history.records[0].after[1], &current[1])) {
        ZeroMemory(&change, sizeof change);
        change.byOther = 1;
        change.before[0] = history.records[0].after[0];
        change.before[1] = history.records[0].after[1];
        change.after[0] = RecordedValue(&current[0]);
        change.after[1] = RecordedValue(&current[1]);
        /* Recorded first: the message then points to a History that holds it. */
        error = WriteRecord(&change);
        text = ComposeOutsideMessage(&change, &history.records[0]);
        if (text)
            MessageBoxA(g_hMainWnd, text, APP_TITLE, MB_OK | MB_ICONWARNING);
        ReleaseText(&text);
        if (error != 0)
            ShowSystemError(error);
    }
    ReleaseHistory(&history);
}

char *ComposeQuestionSummary(const StoredValue shown[2], const char *const values[2],
                             const BOOL left[2])
{
    RowDiff diff[2];
    SectionChange change[2];
    char *text = NULL, *before;
    BOOL ok = TRUE;
    int section;

    ZeroMemory(diff, sizeof diff);
    ZeroMemory(change, sizeof change);
    for (section = 0; section < 2; section++) {
        if (left[section])
            continue;
        before = StoredValueText(&shown[section], NULL);
        ok = ok && before != NULL && DiffValues(before, values[section], &diff[section]);
        ReleaseText(&before);
        change[section].diff = &diff[section];
        change[section].typeBefore = shown[section].status == ERROR_SUCCESS ? shown[section].type : 0;
        change[section].typeAfter = values[section][0] != '\0' ? REG_EXPAND_SZ : 0;
    }
    if (ok)
        text = ComposeChangeSummary(change);
    ReleaseRowDiff(&diff[0]);
    ReleaseRowDiff(&diff[1]);
    return text;
}
