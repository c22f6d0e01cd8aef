/* The Find window: typing selects the first entry row from the selection on whose text or
   expansion holds the text, whatever its case in any script; Find next goes on to the next one. */
#include "entries/find.h"
#include "entries/editing.h"
#include "entries/entrycheck.h"
#include "entries/entrylist.h"
#include "entries/findmatch.h"
#include "common/common.h"
#include "resource.h"

#include <stdlib.h>
#include <string.h>

static HWND s_find;

/* The row last read: the text and the expansion of a row are asked one after the other. */
struct RowCache {
    int row;
    char *text;
};

static int IsEntryRow(void *context, int row)
{
    (void)context;
    return GetRowData(row) == 0;
}

static char *FoldedRowText(void *context, int row, int expanded)
{
    struct RowCache *cache = (struct RowCache *)context;
    char *text;

    if (cache->row != row) {
        ReleaseText(&cache->text);
        cache->text = CopyRowText(row);
        cache->row = row;
    }
    if (cache->text == NULL || (expanded && strchr(cache->text, '%') == NULL))
        return NULL;
    if (!expanded)
        return FoldTextCase(NULL, cache->text);
    text = ExpandForFindings(cache->text, NULL);
    cache->row = -1;   /* the expansion is the row's last question */
    ReleaseText(&cache->text);
    cache->text = text;
    return text ? FoldTextCase(NULL, text) : NULL;
}

/* Looks from the selected row on (the row after it for Find next); a beep when no row holds
   the text, and the selection stays. */
static void FindFrom(BOOL next)
{
    HWND field = GetDlgItem(s_find, IDC_FIND_TEXT);
    int length = GetWindowTextLengthA(field), selected = GetSelectedRow(), found;
    struct RowCache cache = {-1, NULL};
    FindSource source = {&cache, GetRowCount(), IsEntryRow, FoldedRowText};
    char *text, *folded;

    if (length < 1)
        return;
    text = (char *)malloc((size_t)length + 1);
    if (text == NULL) {
        ShowSystemError(ERROR_NOT_ENOUGH_MEMORY);
        return;
    }
    GetWindowTextA(field, text, length + 1);
    folded = FoldTextCase(NULL, text);
    ReleaseText(&text);
    if (folded == NULL) {
        ShowSystemError(ERROR_NOT_ENOUGH_MEMORY);
        return;
    }
    found = FindRow(&source, selected < 0 ? 0 : next ? selected + 1 : selected, folded);
    ReleaseText(&folded);
    ReleaseText(&cache.text);
    if (found < 0) {
        MessageBeep(MB_OK);
        return;
    }
    SelectRowAndSync(found);
}

void OpenFind(void)
{
    if (s_find == NULL)
        s_find = CreateDialogParamA(g_hInstance, MAKEINTRESOURCEA(IDD_FIND), g_hMainWnd, FindDialogProc, 0);
    if (s_find == NULL) {
        ShowSystemError(0);
        return;
    }
    ShowWindow(s_find, SW_SHOW);
    SetActiveWindow(s_find);
    SetFocus(GetDlgItem(s_find, IDC_FIND_TEXT));
    SendDlgItemMessageA(s_find, IDC_FIND_TEXT, EM_SETSEL, 0, -1);
}

BOOL FindDialogMessage(MSG *msg)
{
    if (s_find == NULL || (msg->hwnd != s_find && !IsChild(s_find, msg->hwnd)))
        return FALSE;
    return IsDialogMessageA(s_find, msg);
}

static BOOL OnFindCommand(HWND dlg, WORD id, WORD code)
{
    switch (id) {
    case IDC_FIND_TEXT:
        if (code == EN_CHANGE)
            FindFrom(FALSE);
        return TRUE;
    case IDOK:
        FindFrom(TRUE);
        return TRUE;
    case IDCANCEL:
        DestroyWindow(dlg);
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK FindDialogProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    switch (msg) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_COMMAND:
        return OnFindCommand(dlg, LOWORD(wParam), HIWORD(wParam));
    case WM_DESTROY:
        s_find = NULL;
        return FALSE;
    }
    return FALSE;
}
