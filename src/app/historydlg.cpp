#include "app/historydlg.h"
#include "common/common.h"
#include "output/history.h"
#include "output/snapshot.h"
#include "registry/changes.h"
#include "registry/workflow.h"
#include "resource.h"

#include <stdlib.h>
#include <string.h>

/* Wide enough to scroll to the end of a long row. */
#define HISTORY_EXTENT 8000

static struct {
    History history;
    char *restore[2];   /* after Restore: the values before the chosen change */
} s_dlg;

/* Adds the lines of text ("\r\n" after each but maybe the last) to a list box. */
static void AddLines(HWND list, const char *text)
{
    const char *at = text;

    while (at && *at) {
        const char *end = strstr(at, "\r\n");
        size_t length = end ? (size_t)(end - at) : strlen(at);
        char *line = (char *)malloc(length + 2);
        if (line == NULL)
            break;
        /* an empty line as a space, which a list box shows as a row */
        memcpy(line, length ? at : " ", length ? length : 1);
        line[length ? length : 1] = '\0';
        SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)line);
        free(line);
        at = end ? end + 2 : at + length;
    }
}

/* Shows what the selected change did, and whether Restore can put back the values before it:
   when it cannot, the reason comes first. */
static BOOL ShowSelectedChange(HWND dlg)
{
    HWND changes = GetDlgItem(dlg, IDC_HISTORY_CHANGES);
    int selected = (int)SendDlgItemMessageA(dlg, IDC_HISTORY_LIST, LB_GETCURSEL, 0, 0);
    ChangeView view;
    char *lines;
    BOOL restorable = FALSE;

    SendMessageA(changes, WM_SETREDRAW, FALSE, 0);
    SendMessageA(changes, LB_RESETCONTENT, 0, 0);
    if (selected < 0 || (size_t)selected >= s_dlg.history.count) {
        AddLines(changes, s_dlg.history.count == 0 ? "No change has been recorded yet." : "");
    } else if (!ViewChange(&s_dlg.history.records[selected], &view)) {
        ShowSystemError(ERROR_NOT_ENOUGH_MEMORY);
    } else {
        restorable = view.restorable;
        if (!restorable) {
            AddLines(changes, view.reason);
            AddLines(changes, "\r\n");
        }
        lines = ComposeHistoryChanges(view.change);
        AddLines(changes, lines);
        free(lines);
        ReleaseChangeView(&view);
    }
    SendMessageA(changes, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(changes, NULL, TRUE);
    EnableWindow(GetDlgItem(dlg, IDOK), restorable);
    return TRUE;
}

static BOOL InitHistory(HWND dlg)
{
    HWND list = GetDlgItem(dlg, IDC_HISTORY_LIST);
    char *name = Utf8FromText(g_varName), *line;
    char when[HISTORY_TIME_SIZE];
    ChangeView view;
    DWORD error = name ? ReadHistory(name, 0, &s_dlg.history) : ERROR_NOT_ENOUGH_MEMORY;
    size_t i;

    ReleaseText(&name);
    SendMessageA(list, LB_SETHORIZONTALEXTENT, HISTORY_EXTENT, 0);
    SendDlgItemMessageA(dlg, IDC_HISTORY_CHANGES, LB_SETHORIZONTALEXTENT, HISTORY_EXTENT, 0);
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    for (i = 0; i < s_dlg.history.count; i++) {
        const HistoryRecord *record = &s_dlg.history.records[i];
        line = NULL;
        FormatHistoryTime(when, &record->time);
        if (ViewChange(record, &view)) {
            line = ComposeHistoryLine(when, record->byOther, view.change);
            ReleaseChangeView(&view);
        }
        SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)(line ? line : when));
        ReleaseText(&line);
    }
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    SendMessageA(list, LB_SETCURSEL, 0, 0);
    ShowSelectedChange(dlg);
    if (error != 0)
        ShowSystemError(error);
    return TRUE;   /* the focus goes to the list of changes */
}

/* Keeps the values before the selected change and closes the window. */
static BOOL ChooseRestore(HWND dlg)
{
    int selected = (int)SendDlgItemMessageA(dlg, IDC_HISTORY_LIST, LB_GETCURSEL, 0, 0);
    ChangeView view;

    if (selected < 0 || (size_t)selected >= s_dlg.history.count)
        return TRUE;
    if (!ViewChange(&s_dlg.history.records[selected], &view)) {
        ShowSystemError(ERROR_NOT_ENOUGH_MEMORY);
        return TRUE;
    }
    if (view.restorable) {
        /* The texts change hands: the view no longer releases them. */
        s_dlg.restore[0] = view.text[0][0];
        s_dlg.restore[1] = view.text[0][1];
        view.text[0][0] = view.text[0][1] = NULL;
        EndDialog(dlg, IDOK);
    }
    ReleaseChangeView(&view);
    return TRUE;
}

static BOOL OnHistoryCommand(HWND dlg, WORD id, WORD code)
{
    switch (id) {
    case IDOK:
        return ChooseRestore(dlg);
    case IDCANCEL:
        EndDialog(dlg, IDCANCEL);
        return TRUE;
    case IDC_HISTORY_FOLDER:
        OpenSnapshotFolder();
        return TRUE;
    case IDC_HISTORY_LIST:
        return code == LBN_SELCHANGE && ShowSelectedChange(dlg);
    }
    return FALSE;
}

INT_PTR CALLBACK HistoryDialogProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    switch (msg) {
    case WM_INITDIALOG:
        return InitHistory(dlg);
    case WM_COMMAND:
        return OnHistoryCommand(dlg, LOWORD(wParam), HIWORD(wParam));
    }
    return FALSE;
}

void ShowHistory(void)
{
    INT_PTR result;

    ZeroMemory(&s_dlg, sizeof s_dlg);
    result = DialogBoxParamA(g_hInstance, MAKEINTRESOURCEA(IDD_HISTORY), g_hMainWnd,
                             HistoryDialogProc, 0);
    ReleaseHistory(&s_dlg.history);
    /* The list takes the values before the change as pending changes, and the question says at
       once what writing them would change. */
    if (result == IDOK && LoadValuesIntoList(s_dlg.restore[0], s_dlg.restore[1]))
        UpdateVariable(CONFIRM_UPDATE);
    ReleaseText(&s_dlg.restore[0]);
    ReleaseText(&s_dlg.restore[1]);
}
