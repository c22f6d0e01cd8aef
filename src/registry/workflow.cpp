/* Moving the variable between the registry and the entry list: the retrieve, the update with its
   confirmation, the close guard and the variable-name dialog. */
#include "registry/workflow.h"
#include "registry/confirmtext.h"
#include "registry/regaccess.h"
#include "output/snapshot.h"
#include "entries/entrylist.h"
#include "app/mainwnd.h"
#include "app/settings.h"
#include "common/common.h"
#include "resource.h"

#include <string.h>

/* Where the UTF-8 code page is not in force (Windows before 10 version 1903 ignores the
   manifest's entry), a value with a character that the process's code page cannot hold is read
   with look-alikes and question marks in its place. Such a value is left exactly as it is in the
   registry: found when it is read, skipped by every update until the next retrieve. Indexed by
   SECTION_MACHINE and SECTION_USER. */
static BOOL s_leftAsStored[2];

/* Whether the value under path has a character that the process's code page cannot hold. */
static BOOL HoldsForeignCharacters(const char *path)
{
    StoredValue stored;
    BOOL exact = TRUE;
    char *text = NULL;

    if (ReadStoredValue(path, g_varName, &stored)) {
        text = StoredValueText(&stored, &exact);
        if (text == NULL)
            exact = FALSE;   /* not known to be safe to write back */
    }
    ReleaseText(&text);
    ReleaseStoredValue(&stored);
    return !exact;
}

/* Tells the user, once per retrieve, which values are left as they are. */
static void TellLeftAsStored(void)
{
    char *text;

    if (!s_leftAsStored[SECTION_MACHINE] && !s_leftAsStored[SECTION_USER])
        return;
    text = ComposeLeftAsStoredText(g_varName, s_leftAsStored[SECTION_MACHINE], s_leftAsStored[SECTION_USER]);
    if (text)
        MessageBoxA(g_hMainWnd, text, APP_TITLE, MB_OK | MB_ICONWARNING);
    ReleaseText(&text);
}

/* Appends a header row and the entry rows of the value stored under path. FALSE when the read
   failed (it has been reported); the list then ends with the header row. */
static BOOL AppendSection(const char *header, const char *path, int section)
{
    char *value;

    AddRow(header, 1);
    value = ReadEnvValue(path, g_varName);
    if (!value)
        return FALSE;
    s_leftAsStored[section] = HoldsForeignCharacters(path);
    ParseValueIntoList(value);
    ReleaseText(&value);
    return TRUE;
}

BOOL RetrieveVariable(BOOL askName)
{
    BOOL loaded;

    if (g_modified && !UpdateVariable(CONFIRM_PENDING))
        return FALSE;
    g_modified = FALSE;
    if (askName && DialogBoxParamA(g_hInstance, MAKEINTRESOURCEA(IDD_VAR_NAME), g_hMainWnd,
                                   VarNameDialogProc, 0) != 1)
        return FALSE;

    /* The list is drawn once, when it has been refilled (or a read has failed). */
    PauseListRedraw(TRUE);
    ClearList();
    s_leftAsStored[SECTION_MACHINE] = s_leftAsStored[SECTION_USER] = FALSE;
    loaded = AppendSection(MACHINE_HEADER_TEXT, MACHINE_ENV_KEY, SECTION_MACHINE) &&
             AppendSection(USER_HEADER_TEXT, USER_ENV_KEY, SECTION_USER);
    PauseListRedraw(FALSE);
    TellLeftAsStored();
    if (loaded)
        EnableVariableCommands(TRUE);
    return loaded;
}

/* Writes a section's value, or deletes the value when the section is empty; a value left as it
   is stored is not touched. Only a failed write counts as a failure: a deletion that fails has
   been reported and changes nothing here. */
static BOOL StoreSection(int section, const char *path, const char *value)
{
    if (s_leftAsStored[section])
        return TRUE;
    if (value[0] == '\0') {
        DeleteEnvValue(path, g_varName);
        return TRUE;
    }
    return WriteEnvValue(path, g_varName, value) != 0;
}

/* Asks the question of the mode and returns the answer: IDYES, IDNO or IDCANCEL. */
static int AskToUpdate(int mode, const char *machineValue, const char *userValue)
{
    char *question;
    int answer;

    if (mode == CONFIRM_PENDING)
        question = ComposePendingText(g_varName, machineValue, userValue);
    else
        question = ComposeUpdateText(g_varName, machineValue, userValue);
    if (!question) {
        ShowSystemError(ERROR_NOT_ENOUGH_MEMORY);
        return IDCANCEL;
    }
    answer = MessageBoxA(g_hMainWnd, question, APP_TITLE,
                         MB_ICONWARNING | (mode == CONFIRM_PENDING ? MB_YESNOCANCEL : MB_YESNO));
    ReleaseText(&question);
    /* A message box that could not be shown must not let pending changes go unwritten. */
    return answer == 0 ? IDCANCEL : answer;
}

/* The question says which value is left as it is, in place of that value. */
static const char *ValueInQuestion(int section, const char *value)
{
    return s_leftAsStored[section] ? LEFT_AS_STORED_NOTE : value;
}

BOOL UpdateVariable(int mode)
{
    char *machineValue = JoinSection(SECTION_MACHINE);
    char *userValue = JoinSection(SECTION_USER);
    int outcome;

    if (!machineValue || !userValue) {
        ShowSystemError(ERROR_NOT_ENOUGH_MEMORY);
        outcome = IDCANCEL;
    } else {
        outcome = AskToUpdate(mode, ValueInQuestion(SECTION_MACHINE, machineValue),
                              ValueInQuestion(SECTION_USER, userValue));
    }
    /* Nothing is written without a way back: a failed snapshot counts as Cancel. */
    if (outcome == IDYES && !TakeSnapshot())
        outcome = IDCANCEL;
    if (outcome == IDYES) {
        BOOL machineStored = StoreSection(SECTION_MACHINE, MACHINE_ENV_KEY, machineValue);
        /* The user value is written even when the machine value could not be. */
        BOOL userStored = StoreSection(SECTION_USER, USER_ENV_KEY, userValue);
        if (machineStored && userStored)
            g_modified = FALSE;
        else
            outcome = IDCANCEL;
    }
    ReleaseText(&machineValue);
    ReleaseText(&userValue);
    return outcome != IDCANCEL;
}

BOOL QueryClose(void)
{
    if (g_modified && !UpdateVariable(CONFIRM_PENDING))
        return FALSE;
    PersistWindowPlacement(TRUE);
    return TRUE;
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
   cuts it inside a character: g_varName has room for VAR_NAME_LIMIT characters of three bytes. */
static void AcceptVarName(HWND dlg)
{
    WCHAR name[VAR_NAME_LIMIT + 1];
    char converted[VAR_NAME_SIZE];
    int length = GetDlgItemTextW(dlg, IDC_VAR_NAME, name, VAR_NAME_LIMIT + 1);

    /* A name set from outside beyond the limit is cut, but never inside a surrogate pair. */
    if (length == VAR_NAME_LIMIT && IS_HIGH_SURROGATE(name[length - 1]))
        name[--length] = L'\0';
    if (length == 0 || WideCharToMultiByte(CP_ACP, 0, name, -1, converted, sizeof converted, NULL, NULL) == 0)
        return;
    memcpy(g_varName, converted, sizeof converted);
    EndDialog(dlg, 1);
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
