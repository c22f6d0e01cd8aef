/* Dragging is done in the list's own messages: the press remembers the row, a move beyond the
   system's drag distance starts the drag and marks the gap that the row would land in with a line
   drawn over the list (whatever draws its rows), the release moves the row. The list box's own
   tracking of the mouse, which would move the selection along, is kept out while dragging. */
#include "entries/listdrag.h"
#include "entries/editing.h"
#include "entries/entrylist.h"
#include "entries/undo.h"
#include "registry/regaccess.h"
#include "common/common.h"

#include <shellapi.h>
#include <stdlib.h>

#define MARK_PIXELS 2

static WNDPROC s_listProc;

static struct {
    int from;          /* the pressed entry row; -1 when none */
    POINT start;
    BOOL dragging;
    int gap;           /* the gap the row would land in; -1 when it may not land here */
} s_drag = {-1, {0, 0}, FALSE, -1};

static int ItemHeight(HWND list)
{
    int height = (int)SendMessageA(list, LB_GETITEMHEIGHT, 0, 0);
    return height > 0 ? height : 1;
}

/* The gap nearest to y: the gap above row n is n, the one after the last row the row count. */
static int GapAt(HWND list, int y)
{
    int gap = (int)SendMessageA(list, LB_GETTOPINDEX, 0, 0) + (y + ItemHeight(list) / 2) / ItemHeight(list);
    int rows = GetRowCount();

    return gap < 0 ? 0 : gap > rows ? rows : gap;
}

static RECT MarkRect(HWND list, int gap)
{
    RECT rect;
    int y = (gap - (int)SendMessageA(list, LB_GETTOPINDEX, 0, 0)) * ItemHeight(list);

    GetClientRect(list, &rect);
    rect.top = y - MARK_PIXELS / 2;
    rect.bottom = rect.top + MARK_PIXELS;
    return rect;
}

static void InvalidateMark(HWND list)
{
    RECT rect;

    if (s_drag.gap < 0)
        return;
    rect = MarkRect(list, s_drag.gap);
    InflateRect(&rect, 0, MARK_PIXELS);
    InvalidateRect(list, &rect, TRUE);
}

static void DrawMark(HWND list)
{
    HDC dc;
    RECT rect;

    if (!s_drag.dragging || s_drag.gap < 0)
        return;
    dc = GetDC(list);
    rect = MarkRect(list, s_drag.gap);
    FillRect(dc, &rect, GetSysColorBrush(COLOR_WINDOWTEXT));
    ReleaseDC(list, dc);
}

static void EndDrag(HWND list)
{
    InvalidateMark(list);
    s_drag.from = s_drag.gap = -1;
    s_drag.dragging = FALSE;
}

static LRESULT OnButtonDown(HWND list, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = CallWindowProcW(s_listProc, list, WM_LBUTTONDOWN, wParam, lParam);
    LRESULT hit = SendMessageA(list, LB_ITEMFROMPOINT, 0, lParam);
    int row = LOWORD(hit);

    EndDrag(list);
    if (HIWORD(hit) == 0 && GetRowData(row) == 0 && !RowLeftAsStored(row)) {
        s_drag.from = row;
        s_drag.start.x = (short)LOWORD(lParam);
        s_drag.start.y = (short)HIWORD(lParam);
    }
    return result;
}

/* Above or below the list while dragging, the list scrolls a row towards the mouse with each move,
   so that a row can be taken to a place out of sight. */
static void ScrollNearEdge(HWND list, int y)
{
    RECT client;
    int top = (int)SendMessageA(list, LB_GETTOPINDEX, 0, 0);

    GetClientRect(list, &client);
    if (y < 0 && top > 0)
        top--;
    else if (y >= client.bottom)
        top++;
    else
        return;
    SendMessageA(list, LB_SETTOPINDEX, top, 0);
    InvalidateRect(list, NULL, TRUE);   /* the mark is drawn again where its gap now is */
}

/* TRUE when the move belongs to a drag, and the list box must not track it. */
static BOOL OnMouseMove(HWND list, WPARAM wParam, LPARAM lParam)
{
    int x = (short)LOWORD(lParam), y = (short)HIWORD(lParam), gap;

    if (s_drag.from < 0 || !(wParam & MK_LBUTTON))
        return FALSE;
    if (!s_drag.dragging && abs(x - s_drag.start.x) < GetSystemMetrics(SM_CXDRAG) &&
        abs(y - s_drag.start.y) < GetSystemMetrics(SM_CYDRAG))
        return FALSE;
    s_drag.dragging = TRUE;
    ScrollNearEdge(list, y);
    gap = GapAt(list, y);
    if (!CanMoveRow(s_drag.from, gap))
        gap = -1;
    if (gap != s_drag.gap) {
        InvalidateMark(list);
        s_drag.gap = gap;
        InvalidateMark(list);
        UpdateWindow(list);
    }
    return TRUE;
}

static LRESULT OnButtonUp(HWND list, WPARAM wParam, LPARAM lParam)
{
    int from = s_drag.from, gap = s_drag.dragging ? s_drag.gap : -1, to;
    LRESULT result;

    EndDrag(list);
    result = CallWindowProcW(s_listProc, list, WM_LBUTTONUP, wParam, lParam);
    if (gap >= 0) {
        to = MoveRow(from, gap);
        SelectRowAndSync(to >= 0 ? to : from);
    }
    return result;
}

/* Each dropped file or folder goes in, as its path, after the row under the cursor, in that
   row's section; all of them as one undo step. A path that the code page cannot hold whole is
   left out: it would be written back garbled. */
static void OnDropFiles(HWND list, HDROP drop)
{
    POINT point;
    LRESULT hit;
    UINT count = DragQueryFileW(drop, 0xFFFFFFFF, NULL, 0), i;
    int at, last = -1;

    DragQueryPoint(drop, &point);
    hit = SendMessageA(list, LB_ITEMFROMPOINT, 0, MAKELPARAM(point.x, point.y));
    at = GetRowCount() > 0 ? LOWORD(hit) : -1;
    if (at < 0 || RowLeftAsStored(at)) {
        DragFinish(drop);
        return;
    }
    BeginUndoStep();
    for (i = 0; i < count; i++) {
        UINT units = DragQueryFileW(drop, i, NULL, 0);
        WCHAR *path = (WCHAR *)malloc(((size_t)units + 1) * sizeof(WCHAR));
        BOOL exact = FALSE;
        char *text = NULL;

        if (path != NULL && DragQueryFileW(drop, i, path, units + 1) > 0)
            text = TextOfCodePage(path, &exact);
        free(path);
        if (text != NULL && exact && InsertEntryRow(text, at + 1) >= 0)
            last = ++at;
        else if (text == NULL || exact)
            ShowSystemError(ERROR_NOT_ENOUGH_MEMORY);
        ReleaseText(&text);
    }
    EndUndoStep();
    DragFinish(drop);
    if (last >= 0)
        SelectRowAndSync(last);
}

static LRESULT CALLBACK DragListProc(HWND list, UINT msg, WPARAM wParam, LPARAM lParam)
{
    LRESULT result;

    switch (msg) {
    case WM_LBUTTONDOWN:
        return OnButtonDown(list, wParam, lParam);
    case WM_MOUSEMOVE:
        if (OnMouseMove(list, wParam, lParam))
            return 0;
        break;
    case WM_LBUTTONUP:
        return OnButtonUp(list, wParam, lParam);
    case WM_CAPTURECHANGED:
        if (s_drag.dragging && (HWND)lParam != list)
            EndDrag(list);
        break;
    case WM_PAINT:
        result = CallWindowProcW(s_listProc, list, msg, wParam, lParam);
        DrawMark(list);
        return result;
    case WM_DROPFILES:
        OnDropFiles(list, (HDROP)wParam);
        return 0;
    }
    return CallWindowProcW(s_listProc, list, msg, wParam, lParam);
}

/* A Unicode subclass: the program reads the rows with the W messages, which an ANSI one would turn
   into A messages and back, through the code page and buffers of their own. */
void StartListDragAndDrop(HWND list)
{
    s_listProc = (WNDPROC)SetWindowLongPtrW(list, GWLP_WNDPROC, (LONG_PTR)DragListProc);
    DragAcceptFiles(list, TRUE);
}
