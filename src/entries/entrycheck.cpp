#include "common/common.h"
#include "entries/entrycheck.h"
#include "entries/entrylist.h"
#include "resource.h"

#include <stdlib.h>
#include <string.h>

char *ExpandEntryTextQuietly(char *text, DWORD *error)
{
    DWORD needed = ExpandEnvironmentStringsA(text, NULL, 0);   /* counts the terminating zero */
    DWORD size, written;
    char *expanded;

    for (;;) {
        if (needed == 0) {
            *error = GetLastError();
            return text;
        }
        /* The size may come in characters rather than bytes (Wine gives it so in the UTF-8 code
           page), and no UTF-16 unit takes more than three bytes: room for that. */
        size = needed * 3 + 1;
        expanded = (char *)malloc(size);
        if (expanded == NULL) {
            *error = ERROR_NOT_ENOUGH_MEMORY;
            return text;
        }
        written = ExpandEnvironmentStringsA(text, expanded, size);
        if (written != 0 && written <= size && memchr(expanded, '\0', size) != NULL)
            break;
        free(expanded);
        if (written != 0 && written <= size)
            return text;   /* no terminated result in a buffer said to hold it: not to be trusted */
        /* The environment has grown since it was measured (another thread may change it): the
           result did not fit, so measure again rather than use a cut or unexpanded text. A
           failure (0) is reported above. */
        needed = written;
    }
    ReleaseText(&text);
    return expanded;
}

char *ExpandEntryText(char *text)
{
    DWORD error = 0;

    text = ExpandEntryTextQuietly(text, &error);
    if (error != 0)
        ShowSystemError(error);
    return text;
}

BOOL EntryExists(const char *expanded)
{
    return GetFileAttributesA(expanded) != INVALID_FILE_ATTRIBUTES;
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
        SetDlgItemTextA(g_hMainWnd, IDC_ENTRY_EDIT, text);
        ReleaseText(&text);
        MessageBoxA(g_hMainWnd, "May be error here?", APP_TITLE, MB_OK | MB_ICONWARNING);
        return;
    }
    MessageBoxA(g_hMainWnd, "No Errors Found.", APP_TITLE, MB_OK | MB_ICONINFORMATION);
}
