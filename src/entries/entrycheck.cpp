#include "common/common.h"
#include "entries/entrycheck.h"
#include "entries/entrylist.h"
#include "entries/marks.h"
#include "entries/rowstatus.h"
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

/* The expanded text of every entry row from first on is asked of the worker at once, each path
   once; ids[] gets each row's path (-1: a header, or nothing to test). A failing expansion is
   told once, not for each row. FALSE when memory ran out (reported). */
static BOOL AskRows(int first, int count, int *ids)
{
    char *text = NULL, *expanded;
    size_t size = 0;
    DWORD error = 0;
    int i, length;
    BOOL ok = TRUE;

    for (i = first; ok && i < count; i++) {
        ids[i - first] = -1;
        if (GetRowData(i) != 0)
            continue;
        /* Skipping a row that could not be read would report a clean list that is not; an empty
           row names nothing to check. */
        length = ReadRowText(i, &text, &size);
        expanded = length > 0 ? ExpandForFindings(text, &error) : NULL;
        ok = length == 0 || expanded != NULL;
        if (expanded != NULL)
            ids[i - first] = AskPath(expanded);
        free(expanded);
    }
    free(text);
    if (!ok)
        ShowSystemError(ERROR_NOT_ENOUGH_MEMORY);
    else if (error != 0)
        ShowSystemError(error);
    return ok;
}

/* Every path is asked again, and the rows from the selection on take the worker's answers in
   turn: a path that does not answer stops the search as one that does not exist does. */
void CheckEntries(void)
{
    int count = GetRowCount(), first = GetSelectedRow() + 1;
    int *ids = (int *)malloc((size_t)(count - first + 1) * sizeof *ids);
    int i, state;
    DWORD error = 0;

    if (ids == NULL) {
        ShowSystemError(ERROR_NOT_ENOUGH_MEMORY);
        return;
    }
    RetestMarks();
    if (!AskRows(first, count, ids)) {
        free(ids);
        return;
    }
    for (i = first; i < count; i++) {
        char *text;

        state = ids[i - first] < 0 ? PATH_NONE : WaitForAnswer(ids[i - first]);
        if (state != PATH_MISSING && state != PATH_NOT_ANSWERING)
            continue;
        free(ids);
        text = CopyRowText(i);
        if (text != NULL)
            text = ExpandEntryTextQuietly(text, &error);   /* its failure was told when it was asked */
        SendDlgItemMessageA(g_hMainWnd, IDC_ENTRY_LIST, LB_SETCURSEL, i, 0);
        /* As on a selection, a row that is left as it is stored does not reach the edit field. */
        SetDlgItemTextA(g_hMainWnd, IDC_ENTRY_EDIT, RowLeftAsStored(i) ? "" : text ? text : "");
        ReleaseText(&text);
        ShowRowStatus();
        MessageBoxA(g_hMainWnd, "May be error here?", APP_TITLE, MB_OK | MB_ICONWARNING);
        return;
    }
    free(ids);
    MessageBoxA(g_hMainWnd, "No Errors Found.", APP_TITLE, MB_OK | MB_ICONINFORMATION);
}
