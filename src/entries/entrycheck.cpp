#include "common/common.h"
#include "entries/entrycheck.h"
#include "entries/entrylist.h"
#include "entries/wow64.h"
#include "registry/regaccess.h"
#include "resource.h"

#include <stdlib.h>
#include <string.h>

char *FoldTextCase(const char *text)
{
    size_t length = strlen(text), i;
    WCHAR *wide;
    char *folded;

    for (i = 0; i < length && (unsigned char)text[i] < 0x80; i++)
        ;
    if (i == length) {
        /* Plain ASCII, as most paths are: folded here, without two conversions. */
        folded = (char *)malloc(length + 1);
        for (i = 0; folded && i <= length; i++)
            folded[i] = text[i] >= 'a' && text[i] <= 'z' ? (char)(text[i] - 'a' + 'A') : text[i];
        return folded;
    }
    wide = WideFromText(text);
    if (wide == NULL)
        return NULL;
    CharUpperBuffW(wide, (DWORD)wcslen(wide));
    folded = Utf8FromWide(wide);
    free(wide);
    return folded;
}

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
