#include "common/common.h"
#include "entries/editing.h"
#include "entries/entrylist.h"
#include "entries/undo.h"
#include "registry/regaccess.h"
#include "resource.h"

#include <commdlg.h>
#include <shlobj.h>
#include <stdlib.h>

#define FILE_NAME_CHARS 3000

static HWND ListWindow(void)
{
    return GetDlgItem(g_hMainWnd, IDC_ENTRY_LIST);
}

static void SelectRow(int index)
{
    SendMessageA(ListWindow(), LB_SETCURSEL, index, 0);
}

/* The edit field's text, or NULL when it is empty (or when memory runs out, which is reported). */
static char *CopyEditText(void)
{
    HWND edit = GetDlgItem(g_hMainWnd, IDC_ENTRY_EDIT);
    int length = GetWindowTextLengthA(edit);
    char *text;

    if (length < 1)
        return NULL;
    text = (char *)malloc((size_t)length + 1);
    if (text == NULL) {
        ShowSystemError(ERROR_NOT_ENOUGH_MEMORY);
        return NULL;
    }
    GetWindowTextA(edit, text, length + 1);
    return text;
}

/* CopyRowText gives none for an empty row and when memory runs out; only the second is reported. */
static char *CopyRowTextReported(int index)
{
    char *text = CopyRowText(index);
    if (text == NULL && GetRowTextLength(index) > 0)
        ShowSystemError(ERROR_NOT_ENOUGH_MEMORY);
    return text;
}

/* A new row goes after the selected row, or after the last row when none is selected. */
static int NewRowPosition(void)
{
    int selected = GetSelectedRow();
    return selected >= 0 ? selected + 1 : -1;
}

/* Whether a new row would go into a section that is left as it is stored, which takes none. */
static BOOL NewRowLeftAsStored(void)
{
    int selected = GetSelectedRow();
    return RowLeftAsStored(selected >= 0 ? selected : GetRowCount() - 1);
}

static void InsertNewRow(const char *text)
{
    int index;

    BeginUndoStep();
    index = InsertEntryRow(text, NewRowPosition());
    EndUndoStep();
    if (index < 0) {
        ShowSystemError(ERROR_NOT_ENOUGH_MEMORY);
        return;
    }
    SelectRow(index);
    g_modified = TRUE;
}

void InsertEntry(void)
{
    char *text;

    if (NewRowLeftAsStored())
        return;
    text = CopyEditText();
    if (text == NULL)
        return;
    InsertNewRow(text);
    ReleaseText(&text);
}

/* Room for the chosen folder's path, in UTF-16 units: a long path too. */
#define FOLDER_PATH_UNITS 32768

typedef BOOL(WINAPI *PathFromItemCall)(LPCITEMIDLIST, PWSTR, DWORD, int);

/* The item's file-system path as a text of the program's code page (ReleaseText); NULL when it
   has none (Control Panel, a printer) or memory runs out (shown). The path comes as UTF-16 and is
   converted with a measured size: the A call fills at most MAX_PATH bytes, which a folder of some
   eighty Chinese characters exceeds in UTF-8. SHGetPathFromIDListEx, which takes the buffer's
   size, is looked up at run time, so that systems before Vista still start the program; there
   SHGetPathFromIDListW fills MAX_PATH units. */
static char *FolderPathOf(LPCITEMIDLIST item)
{
    HMODULE shell = GetModuleHandleW(L"shell32.dll");
    PathFromItemCall pathFromItem =
        shell ? (PathFromItemCall)(void *)GetProcAddress(shell, "SHGetPathFromIDListEx") : NULL;
    WCHAR *path = (WCHAR *)malloc(FOLDER_PATH_UNITS * sizeof(WCHAR));
    BOOL converted;
    char *text = NULL;

    if (path == NULL) {
        ShowSystemError(ERROR_NOT_ENOUGH_MEMORY);
        return NULL;
    }
    path[0] = L'\0';
    converted = pathFromItem ? pathFromItem(item, path, FOLDER_PATH_UNITS, 0) : SHGetPathFromIDListW(item, path);
    if (converted && path[0] != L'\0') {
        text = TextOfCodePage(path, NULL);
        if (text == NULL)
            ShowSystemError(ERROR_NOT_ENOUGH_MEMORY);
    }
    free(path);
    return text;
}

void InsertFolderEntry(void)
{
    WCHAR name[MAX_PATH];
    BROWSEINFOW browse;
    LPITEMIDLIST item;
    char *path;

    if (NewRowLeftAsStored())
        return;
    ZeroMemory(&browse, sizeof browse);
    browse.hwndOwner = g_hMainWnd;
    browse.pszDisplayName = name;
    browse.lpszTitle = L"Select Folder to add";
    item = SHBrowseForFolderW(&browse);
    if (item == NULL)
        return;
    path = FolderPathOf(item);
    CoTaskMemFree(item);
    if (path == NULL)
        return;
    InsertNewRow(path);
    ReleaseText(&path);
}

void InsertFileEntry(void)
{
    char file[FILE_NAME_CHARS + 1] = "";
    OPENFILENAMEA open;

    if (NewRowLeftAsStored())
        return;
    ZeroMemory(&open, sizeof open);
    /* The record without the Windows 2000 fields, at its size for this build. */
    open.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    open.hwndOwner = g_hMainWnd;
    open.lpstrFilter = "Archive files(*.zip;*.jar)\0*.zip;*.jar\0All files\0*.*\0";
    open.nFilterIndex = 1;
    open.lpstrFile = file;
    open.nMaxFile = sizeof file;
    open.Flags = OFN_LONGNAMES | OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (!GetOpenFileNameA(&open))
        return;
    InsertNewRow(file);
}

void ModifyEntry(void)
{
    int selected;
    char *text;

    if (GetRowData(-1) != 0 || RowLeftAsStored(-1))
        return;
    selected = GetSelectedRow();
    if (selected == -1)
        return;
    text = CopyEditText();   /* none when the field is empty: a row is not emptied here */
    if (text == NULL)
        return;
    /* The new row goes in first and the old one, now below it, goes out: should the list have
       no room for the new text, the old row is still there. */
    BeginUndoStep();
    if (InsertEntryRow(text, selected) < 0) {
        EndUndoStep();
        ShowSystemError(ERROR_NOT_ENOUGH_MEMORY);
        ReleaseText(&text);
        return;
    }
    DeleteRow(selected + 1);
    EndUndoStep();
    SelectRow(selected);
    g_modified = TRUE;
    ReleaseText(&text);
}

void DeleteEntry(void)
{
    int selected = GetSelectedRow();

    if (selected == -1 || GetRowData(selected) != 0 || RowLeftAsStored(selected))
        return;
    BeginUndoStep();
    DeleteRow(selected);
    EndUndoStep();
    SelectRow(selected);   /* the row that took its place; none after the last row */
    g_modified = TRUE;
}

BOOL CanMoveRow(int from, int gap)
{
    /* A row neither leaves a section that is left as it is stored nor enters one: the row above
       its new place tells the section that it lands in. Row 0 is the machine header: nothing
       passes above it. */
    return gap >= 1 && gap <= GetRowCount() && gap != from && gap != from + 1 &&
           GetRowData(from) == 0 && !RowLeftAsStored(from) && !RowLeftAsStored(gap - 1);
}

int MoveRow(int from, int gap)
{
    /* The row goes in at its new place first and out of its old one after, as Modify does:
       should the list have no room for it, the row is still where it was. */
    int oldAt = gap <= from ? from + 1 : from;
    char *text;

    if (!CanMoveRow(from, gap))
        return -1;
    text = CopyRowTextReported(from);
    if (text == NULL)
        return -1;
    BeginUndoStep();
    if (InsertEntryRow(text, gap) < 0) {
        EndUndoStep();
        ReleaseText(&text);
        ShowSystemError(ERROR_NOT_ENOUGH_MEMORY);
        return -1;
    }
    ReleaseText(&text);
    DeleteRow(oldAt);
    EndUndoStep();
    g_modified = TRUE;
    return gap <= from ? gap : gap - 1;
}

/* Moves the selected entry row to the neighbouring place `to`. The new selection is posted, so
   that it lands after the keystroke that gave the command has reached the list box. */
static void MoveSelectedRow(int selected, int to)
{
    if (MoveRow(selected, to < selected ? to : to + 1) >= 0)
        PostMessageA(ListWindow(), LB_SETCURSEL, to, 0);
}

void MoveEntryUp(void)
{
    int selected = GetSelectedRow();

    /* Row 0 is the machine header: the row under it cannot pass above it. */
    if (selected == -1 || selected < 2)
        return;
    MoveSelectedRow(selected, selected - 1);
}

void MoveEntryDown(void)
{
    int selected = GetSelectedRow();

    if (selected == -1 || selected >= GetRowCount() - 1)
        return;
    MoveSelectedRow(selected, selected + 1);
}

void SyncEditField(void)
{
    HWND edit = GetDlgItem(g_hMainWnd, IDC_ENTRY_EDIT);
    char *text = NULL;

    /* The rows of a section left as it is stored may show look-alikes: kept out of the field,
       they cannot be copied into the other section. */
    if (GetRowData(-1) == 0 && !RowLeftAsStored(-1))
        text = CopyRowTextReported(-1);
    SetWindowTextA(edit, text ? text : "");
    ReleaseText(&text);
}

void SelectRowAndSync(int index)
{
    SelectRow(index);
    PostMessageA(g_hMainWnd, UM_SYNC_EDIT, 0, 0);
}

void SelectPreviousRow(void)
{
    int caret = (int)SendMessageA(ListWindow(), LB_GETCARETINDEX, 0, 0);
    SelectRowAndSync(caret != 0 ? caret - 1 : 0);
}

void SelectNextRow(void)
{
    int caret = (int)SendMessageA(ListWindow(), LB_GETCARETINDEX, 0, 0);
    SelectRowAndSync(caret < GetRowCount() - 1 ? caret + 1 : caret);
}
