#include "common/common.h"
#include "entries/entrylist.h"
#include "entries/valuesplit.h"
#include "resource.h"

#include <stdlib.h>
#include <string.h>

/* Looking the list up among the main window's children costs far more than any list message,
   and the split, the join and the checks send several messages per row: the handle is kept for
   as long as the main window is the one it was looked up in and the list is still there. Asking
   the list for its parent and its id as well would cost a check of many rows a tenth of its
   time. */
static HWND ListWindow(void)
{
    static HWND list = NULL, parent = NULL;

    if (list == NULL || parent != g_hMainWnd || !IsWindow(list)) {
        list = GetDlgItem(g_hMainWnd, IDC_ENTRY_LIST);
        parent = g_hMainWnd;
    }
    return list;
}

static LRESULT SendToList(UINT msg, WPARAM wParam, LPARAM lParam)
{
    return SendMessageA(ListWindow(), msg, wParam, lParam);
}

/* -1 stands for the selected row (and stays -1 when none is selected). */
static int ResolveIndex(int index)
{
    return index == -1 ? GetSelectedRow() : index;
}

void ClearList(void)
{
    SendToList(LB_RESETCONTENT, 0, 0);
}

int GetRowCount(void)
{
    return (int)SendToList(LB_GETCOUNT, 0, 0);
}

int GetSelectedRow(void)
{
    return (int)SendToList(LB_GETCURSEL, 0, 0);
}

/* LB_ADDSTRING, and LB_SETITEMDATA for a header row: all that each row of a split costs. A new
   row of a list box holding strings starts with item data 0, so an entry row needs no second
   message; a retrieve of many elements costs half as many. */
static int AddRowTo(HWND list, const char *text, LPARAM data)
{
    int index;

    if (text == NULL || text[0] == '\0')
        return -1;
    index = (int)SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)text);
    if (index < 0)   /* LB_ERR or LB_ERRSPACE: no row was added */
        return -1;
    if (data != 0)
        SendMessageA(list, LB_SETITEMDATA, index, data);
    return index;
}

int AddRow(const char *text, LPARAM data)
{
    return AddRowTo(ListWindow(), text, data);
}

int InsertEntryRow(const char *text, int index)
{
    int added = (int)SendToList(LB_INSERTSTRING, index, (LPARAM)text);
    if (added < 0)
        return -1;
    SendToList(LB_SETITEMDATA, added, 0);
    return added;
}

void DeleteRow(int index)
{
    SendToList(LB_DELETESTRING, index, 0);
}

int GetRowTextLength(int index)
{
    index = ResolveIndex(index);
    if (index < 0)
        return -1;
    return (int)SendToList(LB_GETTEXTLEN, index, 0);
}

char *CopyRowText(int index)
{
    int length;
    char *text;

    index = ResolveIndex(index);
    length = GetRowTextLength(index);
    if (length < 1)
        return NULL;
    text = (char *)malloc((size_t)length + 1);
    if (text == NULL)
        return NULL;
    SendToList(LB_GETTEXT, index, (LPARAM)text);
    return text;
}

int GetRowText(int index, char *buffer)
{
    index = ResolveIndex(index);
    if (index < 0)
        return -1;
    return (int)SendToList(LB_GETTEXT, index, (LPARAM)buffer);
}

void PauseListRedraw(BOOL pause)
{
    static int depth = 0;

    if (pause) {
        if (depth++ == 0)
            SendToList(WM_SETREDRAW, FALSE, 0);
    } else if (depth > 0 && --depth == 0) {
        SendToList(WM_SETREDRAW, TRUE, 0);
        InvalidateRect(ListWindow(), NULL, TRUE);
    }
}

LRESULT GetRowData(int index)
{
    index = ResolveIndex(index);
    if (index < 0)
        return -1;
    return SendToList(LB_GETITEMDATA, index, 0);
}

/* The join reads the list box (the context) through these. */
static int RowIsHeader(void *context, int index)
{
    return SendMessageA((HWND)context, LB_GETITEMDATA, index, 0) != 0;
}

static size_t RowTextLength(void *context, int index)
{
    int length = (int)SendMessageA((HWND)context, LB_GETTEXTLEN, index, 0);
    return length > 0 ? (size_t)length : 0;
}

static size_t RowCopyText(void *context, int index, char *dest)
{
    LRESULT copied = SendMessageA((HWND)context, LB_GETTEXT, index, (LPARAM)dest);

    if (copied < 0) {
        dest[0] = '\0';
        return 0;
    }
    return (size_t)copied;
}

char *JoinSection(int start)
{
    RowSource rows = { ListWindow(), GetRowCount(), RowIsHeader, RowTextLength, RowCopyText };
    size_t size;
    char *result;

    size = JoinedSectionSize(&rows, start);
    result = (char *)malloc(size);
    if (result == NULL)
        return NULL;   /* the caller reports it */
    FillJoinedSection(&rows, start, result, size);
    return result;
}

/* State of one split: the value (writable) and whether the list took every row. */
struct SplitTarget {
    HWND list;
    char *value;
    BOOL full;
};

static void AddElementRow(void *context, size_t begin, size_t end)
{
    struct SplitTarget *target = (struct SplitTarget *)context;
    char saved;

    if (target->full)
        return;
    /* The list box wants a zero-terminated text: end the element in place for the moment. */
    saved = target->value[end];
    target->value[end] = '\0';
    if (AddRowTo(target->list, target->value + begin, 0) < 0)
        target->full = TRUE;
    target->value[end] = saved;
}

static void CountElement(void *context, size_t begin, size_t end)
{
    (void)context; (void)begin; (void)end;
}

int ParseValueIntoList(char *value)
{
    HWND list = ListWindow();
    struct SplitTarget target = { list, value, FALSE };
    size_t elements;

    if (value == NULL || value[0] == '\0')
        return 1;
    /* Reserve room for every row at once and draw the list once at the end. */
    elements = SplitValue(value, CountElement, NULL);
    SendMessageA(list, LB_INITSTORAGE, (WPARAM)elements, (LPARAM)(strlen(value) + elements));
    PauseListRedraw(TRUE);
    SplitValue(value, AddElementRow, &target);
    PauseListRedraw(FALSE);
    /* A list that cannot hold every element would write a shortened value back on update. */
    if (target.full)
        ShowSystemError(ERROR_NOT_ENOUGH_MEMORY);
    return !target.full;
}
