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

/* Appends a header row and the entry rows of the value stored under path. FALSE when the read
   failed (it has been reported); the list then ends with the header row. */
static BOOL AppendSection(const char *header, const char *path)
{
    char *value;

    AddRow(header, 1);
    value = ReadEnvValue(path, g_varName);
    if (!value)
        return FALSE;
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
    loaded = AppendSection(MACHINE_HEADER_TEXT, MACHINE_ENV_KEY) &&
             AppendSection(USER_HEADER_TEXT, USER_ENV_KEY);
    PauseListRedraw(FALSE);
    if (loaded)
        EnableVariableCommands(TRUE);
    return loaded;
}

/* Writes a section's value, or deletes the value when the section is empty. Only a failed write
   counts as a failure: a deletion that fails has been reported and changes nothing here. */
static BOOL StoreSection(const char *path, const char *value)
{
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

BOOL UpdateVariable(int mode)
{
    char *machineValue = JoinSection(SECTION_MACHINE);
    char *userValue = JoinSection(SECTION_USER);
    int outcome;

    if (!machineValue || !userValue) {
        ShowSystemError(ERROR_NOT_ENOUGH_MEMORY);
        outcome = IDCANCEL;
    } else {
        outcome = AskToUpdate(mode, machineValue, userValue);
    }
    /* Nothing is written without a way back: a failed snapshot counts as Cancel. */
    if (outcome == IDYES && !TakeSnapshot())
        outcome = IDCANCEL;
    if (outcome == IDYES) {
        BOOL machineStored = StoreSection(MACHINE_ENV_KEY, machineValue);
        /* The user value is written even when the machine value could not be. */
        BOOL userStored = StoreSection(USER_ENV_KEY, userValue);
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
    SendDlgItemMessageA(dlg, IDC_VAR_NAME, CB_LIMITTEXT, VAR_NAME_SIZE - 1, 0);
    SendDlgItemMessageA(dlg, IDC_VAR_NAME, WM_SETTEXT, 0, (LPARAM)g_varName);
}

/* Takes the name exactly as typed or chosen; an empty name leaves the dialog open. */
static void AcceptVarName(HWND dlg)
{
    if (SendDlgItemMessageA(dlg, IDC_VAR_NAME, WM_GETTEXTLENGTH, 0, 0) == 0)
        return;
    SendDlgItemMessageA(dlg, IDC_VAR_NAME, WM_GETTEXT, VAR_NAME_SIZE, (LPARAM)g_varName);
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
