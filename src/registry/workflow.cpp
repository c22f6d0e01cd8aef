/* Moving the variable between the registry and the entry list: the retrieve, the update with its
   confirmation, the close guard and the variable-name dialog. */
#include "registry/workflow.h"
#include "registry/account.h"
#include "registry/changes.h"
#include "registry/confirmtext.h"
#include "registry/regaccess.h"
#include "registry/question.h"
#include "output/restartformat.h"
#include "output/snapshot.h"
#include "entries/entrylist.h"
#include "entries/undo.h"
#include "app/mainwnd.h"
#include "app/settings.h"
#include "common/common.h"
#include "resource.h"

#include <stdlib.h>
#include <string.h>

#define MACHINE 0
#define USER    1

static const char *const s_paths[2] = {MACHINE_ENV_KEY, USER_ENV_KEY};

/* What each value was when the program last read or wrote it: a question compares the registry
   with these to tell the user what another program has changed in the meantime. */
static StoredValue s_reference[2];

/* Whether the list holds both values whole. A list that misses what could not be read is never
   written: it would delete what the user has never seen. */
static BOOL s_listComplete = FALSE;

/* Set while a retrieve, an update or a close guard runs. Their questions and dialogs run nested
   message loops, in which a posted command or WM_CLOSE could otherwise start a second one. */
static BOOL s_busy = FALSE;

/* A value that the list cannot hold whole is left exactly as it is in the registry: found when it
   is read, skipped by every update until the next retrieve, and its rows cannot be changed. Such
   is a value of another type than REG_SZ or REG_EXPAND_SZ, or a string with text after a zero
   (the list shows each up to its first zero), and, where the UTF-8 code page is not in force
   (Windows before 10 version 1903 ignores the manifest's entry), a value with a character that the
   process's code page cannot hold (the list shows look-alikes and question marks instead). */
static struct LeftAsStored s_left[2];

static BOOL UpdateList(int mode);

/* Keeps the section's value as it stands now as the reference. */
static void TakeReference(int section)
{
    ReleaseStoredValue(&s_reference[section]);
    ReadStoredValue(s_paths[section], g_varName, &s_reference[section]);
}

static BOOL IsLeftAsStored(int section)
{
    return s_left[section].reason != LEFT_NONE;
}

/* Whether, and why, the section's value as the reference read found it must be left as stored. */
static struct LeftAsStored FindLeftAsStored(int section)
{
    return LeftAsStoredOf(&s_reference[section]);
}

/* Keeps why the section is left as stored, and tells the list, whose commands then leave its rows
   alone. */
static void KeepLeftAsStored(int section, struct LeftAsStored left)
{
    s_left[section] = left;
    SetSectionLeftAsStored(section == MACHINE ? SECTION_MACHINE : SECTION_USER, IsLeftAsStored(section));
}

/* A new list: nothing is left as stored until a section's value says so, and nothing to undo. */
static void StartNewList(void)
{
    struct LeftAsStored none = {LEFT_NONE, 0};

    ClearList();
    ForgetUndoSteps();   /* undo goes back as far as the list as it is read now */
    KeepLeftAsStored(MACHINE, none);
    KeepLeftAsStored(USER, none);
}

/* Tells the user, once per retrieve, which values are left as they are, and why. */
static void TellLeftAsStored(void)
{
    char *text;

    if (!IsLeftAsStored(MACHINE) && !IsLeftAsStored(USER))
        return;
    text = ComposeLeftAsStoredText(g_varName, &s_left[MACHINE], &s_left[USER]);
    if (text)
        MessageBoxA(g_hMainWnd, text, APP_TITLE, MB_OK | MB_ICONWARNING);
    ReleaseText(&text);
}

/* Appends a header row and the entry rows of the section's value. FALSE when the read failed or
   the list could not take every row (either has been reported). */
static BOOL AppendSection(const char *header, int section)
{
    char *value;
    BOOL whole;

    AddRow(header, 1);
    /* Taken before the list's read: a change in between is then shown rather than missed. */
    TakeReference(section);
    value = ReadEnvValue(s_paths[section], g_varName);
    if (!value)
        return FALSE;
    KeepLeftAsStored(section, FindLeftAsStored(section));
    whole = ParseValueIntoList(value);
    ReleaseText(&value);
    return whole;
}

static BOOL RetrieveList(BOOL askName)
{
    if (g_modified && !UpdateList(CONFIRM_PENDING))
        return FALSE;
    g_modified = FALSE;
    if (askName && DialogBoxParamA(g_hInstance, MAKEINTRESOURCEA(IDD_VAR_NAME), g_hMainWnd,
                                   VarNameDialogProc, 0) != 1)
        return FALSE;

    /* The list is drawn once, when it has been refilled (or a read has failed). */
    PauseListRedraw(TRUE);
    StartNewList();
    s_listComplete = AppendSection(MACHINE_HEADER_TEXT, MACHINE) &&
                     AppendSection(USER_HEADER_TEXT, USER);
    PauseListRedraw(FALSE);
    TellLeftAsStored();
    if (s_listComplete)
        TellOutsideChange(s_reference);
    /* Started with another account's credentials, the Current User section is that account's. */
    TellOtherAccountOnce();
    /* After a failed retrieve the list holds only part of the variable: as at start-up, it can
       be neither written nor exported. */
    EnableVariableCommands(s_listComplete);
    return s_listComplete;
}

BOOL ListIsComplete(void)
{
    return s_listComplete;
}

/* Appends a header row and the saved entry rows of a section, and reads the section's value as
   the reference. */
static void AppendSavedSection(const char *header, int section, char *const *rows, size_t count)
{
    size_t i;

    AddRow(header, 1);
    TakeReference(section);
    KeepLeftAsStored(section, FindLeftAsStored(section));
    for (i = 0; i < count; i++)
        InsertEntryRow(rows[i], -1);
}

BOOL ShowSavedList(const struct RestartList *list, BOOL withUser)
{
    if (list->name[0] == '\0' || strlen(list->name) >= sizeof g_varName ||
        VarNameRefusal(list->name, TRUE) != NULL)
        return FALSE;
    strcpy(g_varName, list->name);
    PauseListRedraw(TRUE);
    StartNewList();
    AppendSavedSection(MACHINE_HEADER_TEXT, MACHINE, list->rows[RESTART_MACHINE], list->count[RESTART_MACHINE]);
    if (withUser)
        AppendSavedSection(USER_HEADER_TEXT, USER, list->rows[RESTART_USER], list->count[RESTART_USER]);
    s_listComplete = withUser || AppendSection(USER_HEADER_TEXT, USER);
    PauseListRedraw(FALSE);
    if (list->pending)
        MarkListUnwritten();
    TellLeftAsStored();
    TellOtherAccountOnce();
    EnableVariableCommands(s_listComplete);
    return TRUE;
}

BOOL LoadValuesIntoList(const char *machineValue, const char *userValue)
{
    size_t machineLength = strlen(machineValue), userLength = strlen(userValue);
    char *machine = (char *)malloc(machineLength + 1), *user = (char *)malloc(userLength + 1);
    BOOL whole = FALSE;

    if (s_busy || machine == NULL || user == NULL) {
        free(machine);
        free(user);
        if (!s_busy)
            ShowSystemError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    memcpy(machine, machineValue, machineLength + 1);
    memcpy(user, userValue, userLength + 1);
    /* One undo step: undo gives back the list as it was before the values came in. */
    BeginUndoStep();
    PauseListRedraw(TRUE);
    ClearList();
    AddRow(MACHINE_HEADER_TEXT, 1);
    whole = ParseValueIntoList(machine);
    AddRow(USER_HEADER_TEXT, 1);
    whole = ParseValueIntoList(user) && whole;
    PauseListRedraw(FALSE);
    EndUndoStep();
    free(machine);
    free(user);
    /* Whole, the list may be written as after a retrieve; the edit field follows the selection,
       which the list no longer has. */
    s_listComplete = whole;
    g_modified = TRUE;
    EnableVariableCommands(whole);
    PostMessageA(g_hMainWnd, UM_SYNC_EDIT, 0, 0);
    return whole;
}

/* Runs operation(argument) unless a retrieve, an update or a close guard is running already:
   FALSE then, and nothing is done. */
static BOOL RunAlone(BOOL (*operation)(int), int argument)
{
    BOOL result;

    if (s_busy)
        return FALSE;
    s_busy = TRUE;
    result = operation(argument);
    s_busy = FALSE;
    return result;
}

BOOL RetrieveVariable(BOOL askName)
{
    return RunAlone(RetrieveList, askName);
}

/* Whether storing the section's value would change what the registry holds now (fresh): a value
   that already reads as it would be written, or is absent and would be deleted, is left alone, so
   that nothing is written that the user has not changed. */
static BOOL WouldChange(const StoredValue *fresh, const char *value)
{
    StoredValue written;
    BOOL change;

    WrittenStoredValue(value, &written);
    change = !SameStoredValue(fresh, &written);
    ReleaseStoredValue(&written);
    return change;
}

/* Writes a section's value, or deletes the value when the section is empty; a value left as it
   is stored is not touched, nor one whose fresh read (what the question showed, which the
   snapshot has just found unchanged) is already what would be stored. FALSE when the write or the
   deletion failed (it has been reported). What the registry holds afterwards becomes the section's
   reference, taken from what was written: a read-back could catch another program's write in
   between and hide it from the next question. */
static BOOL StoreSection(int section, const char *value, const StoredValue *fresh)
{
    BOOL deletion = value[0] == '\0';

    if (IsLeftAsStored(section))
        return TRUE;
    if (WouldChange(fresh, value) &&
        (deletion ? !DeleteEnvValue(s_paths[section], g_varName)
                  : !WriteEnvValue(s_paths[section], g_varName, value)))
        return FALSE;
    ReleaseStoredValue(&s_reference[section]);
    WrittenStoredValue(value, &s_reference[section]);
    return TRUE;
}

/* What a section holds after the update: what was written or found already there, or, when nothing
   was (a failed or refused write, a value left as it is stored), what the question found. */
static const StoredValue *AfterUpdate(int section, BOOL stored, const StoredValue shown[2])
{
    return stored && !IsLeftAsStored(section) ? &s_reference[section] : &shown[section];
}

/* Writes both sections after Yes: IDYES when both were stored, IDCANCEL when a write failed or
   the machine value was not written because its key refuses changes (the question said so): its
   changes stay pending either way. The history records what was written, when anything was. */
static int StoreBothSections(const char *machineValue, const char *userValue, const StoredValue fresh[2],
                             BOOL machineRefused)
{
    BOOL machineStored = !machineRefused && StoreSection(MACHINE, machineValue, &fresh[MACHINE]);
    /* The user value is written even when the machine value could not be. */
    BOOL userStored = StoreSection(USER, userValue, &fresh[USER]);
    const StoredValue *machineAfter = AfterUpdate(MACHINE, machineStored, fresh);
    const StoredValue *userAfter = AfterUpdate(USER, userStored, fresh);

    /* A value found already as it would be written was left alone: with nothing else, there is
       nothing to record, and a record of nothing would push a real one out of the history. */
    if (!SameReadResult(machineAfter, &fresh[MACHINE]) || !SameReadResult(userAfter, &fresh[USER]))
        RecordUpdate(fresh, machineAfter, userAfter);

    if (!machineStored || !userStored)
        return IDCANCEL;
    g_modified = FALSE;
    MarkListWritten();   /* undo after this makes changes pending again */
    return IDYES;
}

/* Reads the section's value again, silently, into *current (the caller releases it), and tells
   how it stands against the reference. *now receives the new text (the caller releases it) when
   another program has changed it. Of a value left as it is stored nothing is said: no update
   replaces it. */
static void CheckOutside(int section, StoredValue *current, struct OutsideState *outside, char **now)
{
    ReadStoredValue(s_paths[section], g_varName, current);
    outside->state = OUTSIDE_SAME;
    outside->now = NULL;
    outside->refused = FALSE;
    if (IsLeftAsStored(section) || SameStoredValue(current, &s_reference[section]))
        ;
    else if (StoredValueAbsent(current))
        outside->state = OUTSIDE_DELETED;
    else if (current->status != ERROR_SUCCESS)
        outside->state = OUTSIDE_UNREADABLE;
    else {
        outside->state = OUTSIDE_CHANGED;
        outside->now = *now = StoredValueText(current, NULL);
    }
}

/* Asks the question of the mode and returns the answer: IDYES, IDNO or IDCANCEL. shown receives
   both values as the question found them (the caller releases them). A value left as it is
   stored is named in the question in place of the list's value. *machineRefused tells whether
   the machine value would change but its key refuses changes to this process (a standard user, or
   an administrator not started elevated): the question then says that Yes writes the user value
   only. */
static int AskToUpdate(int mode, const char *machineValue, const char *userValue, StoredValue shown[2],
                       BOOL *machineRefused)
{
    struct OutsideState machine, user;
    char *machineNow = NULL, *userNow = NULL, *machineNote = NULL, *userNote = NULL;
    char *question, *summary;
    const char *values[2] = {machineValue, userValue};
    const BOOL left[2] = {IsLeftAsStored(MACHINE), IsLeftAsStored(USER)};
    int answer;

    CheckOutside(MACHINE, &shown[MACHINE], &machine, &machineNow);
    CheckOutside(USER, &shown[USER], &user, &userNow);
    *machineRefused = !IsLeftAsStored(MACHINE) && WouldChange(&shown[MACHINE], machineValue) &&
                      KeyRefusesChanges(s_paths[MACHINE]);
    machine.refused = *machineRefused;
    if (IsLeftAsStored(MACHINE))
        machineValue = machineNote = ComposeLeftAsStoredNote(&s_left[MACHINE]);
    if (IsLeftAsStored(USER))
        userValue = userNote = ComposeLeftAsStoredNote(&s_left[USER]);
    summary = ComposeQuestionSummary(shown, values, left);
    question = summary ? ComposeSummarizedQuestion(mode == CONFIRM_PENDING, g_varName, machineValue,
                                                   userValue, summary, &machine, &user,
                                                   ProgramAccounts())
                       : NULL;
    ReleaseText(&summary);
    ReleaseText(&machineNow);
    ReleaseText(&userNow);
    ReleaseText(&machineNote);
    ReleaseText(&userNote);
    if (!question) {
        ShowSystemError(ERROR_NOT_ENOUGH_MEMORY);
        return IDCANCEL;
    }
    answer = AskQuestion(question, mode == CONFIRM_PENDING ? MB_YESNOCANCEL : MB_YESNO);
    ReleaseText(&question);
    /* A question that could not be shown must not let pending changes go unwritten. */
    return answer == 0 ? IDCANCEL : answer;
}

/* What the snapshot compares of the section with its fresh read: what the question showed, or
   nothing for a value left as it is stored, which is not written. */
static const StoredValue *ShownToCompare(int section, const StoredValue shown[2])
{
    return IsLeftAsStored(section) ? NULL : &shown[section];
}

/* Asks until the answer is No or Cancel, or Yes with both values still as the question showed
   them: a question can stay open for minutes, and what another program writes meanwhile is not
   replaced unseen. After Yes the snapshot, taken before anything is written, reads them afresh;
   shown then holds the values as the snapshot read them (the caller releases them). */
static int AskUntilSettled(int mode, const char *machineValue, const char *userValue, StoredValue shown[2],
                           BOOL *machineRefused)
{
    int outcome, snapshot = SNAPSHOT_CHANGED;

    for (;;) {
        outcome = AskToUpdate(mode, machineValue, userValue, shown, machineRefused);
        if (outcome == IDYES)
            snapshot = TakeSnapshot(ShownToCompare(MACHINE, shown), ShownToCompare(USER, shown));
        if (outcome != IDYES || snapshot != SNAPSHOT_CHANGED)
            break;
        ReleaseStoredValue(&shown[MACHINE]);
        ReleaseStoredValue(&shown[USER]);
    }
    /* Nothing is written without a way back: a failed snapshot counts as Cancel. */
    return outcome == IDYES && snapshot == SNAPSHOT_FAILED ? IDCANCEL : outcome;
}

static BOOL UpdateList(int mode)
{
    char *machineValue, *userValue;
    StoredValue shown[2];
    BOOL machineRefused = FALSE;
    int outcome;

    if (!s_listComplete)
        return TRUE;   /* nothing that could be written: as if the answer were No */
    ZeroMemory(shown, sizeof shown);
    machineValue = JoinSection(SECTION_MACHINE);
    userValue = JoinSection(SECTION_USER);
    if (!machineValue || !userValue) {
        ShowSystemError(ERROR_NOT_ENOUGH_MEMORY);
        outcome = IDCANCEL;
    } else {
        outcome = AskUntilSettled(mode, machineValue, userValue, shown, &machineRefused);
    }
    if (outcome == IDYES)
        outcome = StoreBothSections(machineValue, userValue, shown, machineRefused);
    ReleaseStoredValue(&shown[MACHINE]);
    ReleaseStoredValue(&shown[USER]);
    ReleaseText(&machineValue);
    ReleaseText(&userValue);
    return outcome != IDCANCEL;
}

BOOL UpdateVariable(int mode)
{
    return RunAlone(UpdateList, mode);
}

static BOOL GuardClose(int unused)
{
    (void)unused;
    if (g_modified && !UpdateList(CONFIRM_PENDING))
        return FALSE;
    PersistWindowPlacement(TRUE);
    return TRUE;
}

BOOL QueryClose(void)
{
    return RunAlone(GuardClose, 0);
}

/* The dialog's items are added one message after its creation. */
static void FillVarNameDialog(HWND dlg)
{
    static const char *const names[] = {"LIB", "PATH", "CLASSPATH", "INCLUDE"};
    size_t i;

    for (i = 0; i < sizeof names / sizeof names[0]; i++)
        SendDlgItemMessageA(dlg, IDC_VAR_NAME, CB_ADDSTRING, 0, (LPARAM)names[i]);
    SendDlgItemMessageA(dlg, IDC_VAR_NAME, CB_LIMITTEXT, VAR_NAME_LIMIT, 0);
    SendDlgItemMessageA(dlg, IDC_VAR_NAME, WM_SETTEXT, 0, (LPARAM)g_varName);
}

/* Takes the name exactly as typed or chosen, whole; an empty name leaves the dialog open. It is
   read as characters and then turned into the program's code page, so that a byte limit never
   cuts it inside a character: g_varName has room for VAR_NAME_LIMIT characters of three bytes.
   A name that Windows cannot live with, or that the code page would turn into another name, is
   refused with a message and the dialog stays open. */
static void AcceptVarName(HWND dlg)
{
    WCHAR name[VAR_NAME_LIMIT + 1];
    BOOL exact = TRUE;
    char *converted;
    const char *refusal;
    int length = GetDlgItemTextW(dlg, IDC_VAR_NAME, name, VAR_NAME_LIMIT + 1);

    /* A name set from outside beyond the limit is cut, but never inside a surrogate pair. */
    if (length == VAR_NAME_LIMIT && IS_HIGH_SURROGATE(name[length - 1]))
        name[--length] = L'\0';
    if (length == 0)
        return;
    converted = TextOfCodePage(name, &exact);
    if (converted == NULL) {
        ShowSystemError(ERROR_NOT_ENOUGH_MEMORY);
        return;
    }
    refusal = VarNameRefusal(converted, exact);
    if (refusal != NULL) {
        MessageBoxA(dlg, refusal, APP_TITLE, MB_OK | MB_ICONWARNING);
    } else if (converted[0] != '\0' && strlen(converted) < sizeof g_varName) {
        strcpy(g_varName, converted);
        EndDialog(dlg, 1);
    }
    ReleaseText(&converted);
}

/* Escape sends IDCANCEL, which is not one of the dialog's buttons: it is ignored, so only the
   Cancel button and the title bar end the dialog without a name. */
static BOOL OnVarNameCommand(HWND dlg, WORD id)
{
    switch (id) {
    case IDC_VAR_OK:
        AcceptVarName(dlg);
        return TRUE;
    case IDC_VAR_CANCEL:
        EndDialog(dlg, 0);
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK VarNameDialogProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    switch (msg) {
    case WM_INITDIALOG:
        PostMessageA(dlg, UM_DEFERRED_INIT, 0, 0);
        return TRUE;
    case UM_DEFERRED_INIT:
        FillVarNameDialog(dlg);
        return TRUE;
    case WM_COMMAND:
        return OnVarNameCommand(dlg, LOWORD(wParam));
    case WM_CLOSE:
        EndDialog(dlg, 0);
        return FALSE;
    }
    return FALSE;
}
