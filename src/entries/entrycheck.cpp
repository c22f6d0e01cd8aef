#include "common/common.h"
#include "entries/entrycheck.h"
#include "entries/entrylist.h"
#include "resource.h"

#include <stdlib.h>

char *ExpandEntryText(char *text)
{
    DWORD size = ExpandEnvironmentStringsA(text, NULL, 0);   /* counts the terminating zero */
    DWORD needed;
    char *expanded;

    for (;;) {
        if (size == 0) {
            ShowSystemError(0);
            return text;
        }
        expanded = (char *)malloc((size_t)size + 1);
        if (expanded == NULL) {
            ShowSystemError(ERROR_NOT_ENOUGH_MEMORY);
            return text;
        }
        needed = ExpandEnvironmentStringsA(text, expanded, size + 1);
        if (needed != 0 && needed <= size + 1)
            break;
        /* The environment has grown since it was measured (another thread may change it): the
           result did not fit, so measure again rather than use a cut or unexpanded text. */
        free(expanded);
        size = needed;
    }
    ReleaseText(&text);
    return expanded;
}

void CheckEntries(void)
{
    int count = GetRowCount();
    int i;

    for (i = GetSelectedRow() + 1; i < count; i++) {
        char *text;

        if (GetRowData(i) != 0)
            continue;
        text = CopyRowText(i);
        if (text == NULL) {
            if (GetRowTextLength(i) < 1)
                continue;   /* an empty row names nothing to check */
            /* Skipping a row that could not be read would report a clean list that is not. */
            ShowSystemError(ERROR_NOT_ENOUGH_MEMORY);
            return;
        }
        text = ExpandEntryText(text);
        /* Existence only: a file or a folder, whatever its attributes. */
        if (GetFileAttributesA(text) != INVALID_FILE_ATTRIBUTES) {
            ReleaseText(&text);
            continue;
        }
        SendDlgItemMessageA(g_hMainWnd, IDC_ENTRY_LIST, LB_SETCURSEL, i, 0);
        SetDlgItemTextA(g_hMainWnd, IDC_ENTRY_EDIT, text);
        ReleaseText(&text);
        MessageBoxA(g_hMainWnd, "May be error here?", APP_TITLE, MB_OK | MB_ICONWARNING);
        return;
    }
    MessageBoxA(g_hMainWnd, "No Errors Found.", APP_TITLE, MB_OK | MB_ICONINFORMATION);
}
