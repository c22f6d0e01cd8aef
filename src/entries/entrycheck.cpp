#include "common/common.h"
#include "entries/entrycheck.h"
#include "entries/entrylist.h"
#include "registry/regaccess.h"
#include "resource.h"

#include <stdlib.h>
#include <string.h>

char *ExpandEntryText(char *text)
{
    DWORD error = 0;

    text = ExpandEntryTextQuietly(text, &error);
    if (error != 0)
        ShowSystemError(error);
    return text;
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
        if (EntryExists(text)) {
            ReleaseText(&text);
            continue;
        }
        SendDlgItemMessageA(g_hMainWnd, IDC_ENTRY_LIST, LB_SETCURSEL, i, 0);
        /* As on a selection, a row that is left as it is stored does not reach the edit field. */
        SetDlgItemTextA(g_hMainWnd, IDC_ENTRY_EDIT, RowLeftAsStored(i) ? "" : text);
        ReleaseText(&text);
        MessageBoxA(g_hMainWnd, "May be error here?", APP_TITLE, MB_OK | MB_ICONWARNING);
        return;
    }
    MessageBoxA(g_hMainWnd, "No Errors Found.", APP_TITLE, MB_OK | MB_ICONINFORMATION);
}
