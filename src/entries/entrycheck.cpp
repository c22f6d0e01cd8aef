#include "common/common.h"
#include "entries/entrycheck.h"
#include "entries/entrylist.h"
#include "entries/marks.h"
#include "entries/rowstatus.h"
#include "entries/wow64.h"
#include "registry/workflow.h"
#include "resource.h"

#include <stdlib.h>
#include <string.h>

/* The expansion of source as a new text, or NULL with *error set to why (left as it is when the
   system gave a result that cannot be trusted). */
static char *ExpandText(const char *source, DWORD *error)
{
    DWORD needed = ExpandEnvironmentStringsA(source, NULL, 0);   /* counts the terminating zero */
    DWORD size, written;
    char *expanded;

    for (;;) {
        if (needed == 0) {
            *error = GetLastError();
            return NULL;
        }
        /* The size may come in characters rather than bytes (Wine gives it so in the UTF-8 code
           page), and no UTF-16 unit takes more than three bytes: room for that. */
        size = needed * 3 + 1;
        expanded = (char *)malloc(size);
        if (expanded == NULL) {
            *error = ERROR_NOT_ENOUGH_MEMORY;
            return NULL;
        }
        written = ExpandEnvironmentStringsA(source, expanded, size);
        if (written != 0 && written <= size && memchr(expanded, '\0', size) != NULL)
            return expanded;
        free(expanded);
        if (written != 0 && written <= size)
            return NULL;   /* no terminated result in a buffer said to hold it: not to be trusted */
        /* The environment has grown since it was measured (another thread may change it): the
           result did not fit, so measure again rather than use a cut or unexpanded text. A
           failure (0) is reported above. */
        needed = written;
    }
}

char *ExpandEntryTextQuietly(char *text, DWORD *error)
{
    /* A 32-bit program on 64-bit Windows expands the 64-bit Program Files folders, which the
       64-bit programs that use the path see. */
    char *wow64Text = Wow64TextToExpand(text);
    char *expanded = ExpandText(wow64Text ? wow64Text : text, error);

    free(wow64Text);
    if (expanded == NULL)
        return text;
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
    /* A 32-bit program on 64-bit Windows tests System32 itself, not the SysWOW64 folder that the
       redirection would put in its place. */
    void *redirection;
    BOOL paused = PauseFsRedirection(&redirection);
    DWORD attributes = GetFileAttributesA(expanded);

    if (paused)
        ResumeFsRedirection(redirection);
    return attributes != INVALID_FILE_ATTRIBUTES;
}

/* The expanded text of every entry row from first on is asked of the worker at once, each path
   once; ids[] gets each row's path (-1: a header, or nothing to test). FALSE when memory ran out
   (reported). */
static BOOL AskRows(int first, int count, int *ids)
{
    int i;

    for (i = first; i < count; i++) {
        char *text;

        ids[i - first] = -1;
        if (GetRowData(i) != 0)
            continue;
        text = CopyRowText(i);
        if (text == NULL) {
            if (GetRowTextLength(i) < 1)
                continue;   /* an empty row names nothing to check */
            /* Skipping a row that could not be read would report a clean list that is not. */
            ShowSystemError(ERROR_NOT_ENOUGH_MEMORY);
            return FALSE;
        }
        text = ExpandEntryText(text);
        ids[i - first] = AskPath(text);
        ReleaseText(&text);
    }
    return TRUE;
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
