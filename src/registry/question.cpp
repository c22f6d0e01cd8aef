/* Asking the update's questions whatever their length. A message box grows with its text, so a
   long one would put its buttons below the screen's edge: such a text goes to a dialog that fits
   the screen and scrolls.

   The dialog shows the text in a list box, a row for each line and long lines broken at a ';' or
   a space where the list's width ends, so that nothing has to be wrapped. An edit control would
   cost too much with the megabytes of a long list: Wine's lays out every line of its text through
   Uniscribe (about a microsecond per character, seconds for the values of 100,000 elements), and
   when it wraps lines it keeps a byte per character for its word breaks that it frees only when
   the text changes, not when the control is destroyed, so that every question would leave a block
   of its size behind. A list box draws only the rows in view and frees all it holds. */
#include "registry/question.h"
#include "app/layout.h"
#include "registry/confirmtext.h"
#include "registry/regaccess.h"
#include "common/common.h"
#include "common/dpi.h"
#include "common/dpiscale.h"
#include "resource.h"

#include <stdlib.h>
#include <string.h>

#define QUESTION_MEASURE_CHARS 40   /* narrower than any message box's text: a safe estimate */
#define ROW_MARGIN 4                /* the list draws its rows a pixel or two inside its edges */

/* The work area of the screen that holds the main window. */
static RECT WorkArea(void)
{
    MONITORINFO info;
    RECT area = {0, 0, 640, 480};

    info.cbSize = sizeof info;
    if (GetMonitorInfoA(MonitorFromWindow(g_hMainWnd, MONITOR_DEFAULTTOPRIMARY), &info))
        return info.rcWork;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

/* The sum of the widths of the text's lines, each measured as one line. */
static long long TextExtent(HDC dc, const char *text)
{
    long long extent = 0;

    while (*text) {
        size_t length = strcspn(text, "\r\n");
        SIZE size;
        if (length > 0 && GetTextExtentPoint32A(dc, text, (int)length, &size))
            extent += size.cx;
        text += length;
        text += strspn(text, "\r\n");
    }
    return extent;
}

/* Measures the text in the message font as a message box lays it out, at the DPI of the main
   window's screen, where the box appears; the system gives the font at its own DPI. A text too
   wide for the screen altogether is known without laying it out, which would cost time with
   every line. */
static BOOL FitsMessageBox(const char *text, const RECT *work)
{
    NONCLIENTMETRICSA metrics;
    int workWidth = work->right - work->left, workHeight = work->bottom - work->top;
    int caption = MetricForWindow(g_hMainWnd, SM_CYCAPTION), icon = MetricForWindow(g_hMainWnd, SM_CXICON);
    HDC dc;
    HFONT font, old;
    TEXTMETRICA tm;
    RECT rect = {0, 0, 0, 0};
    BOOL fits = FALSE;

    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        return FALSE;   /* unmeasured: the dialog fits in any case */
    metrics.lfMessageFont.lfHeight = ScaleToDpi(metrics.lfMessageFont.lfHeight, SystemDpi(),
                                                WindowDpi(g_hMainWnd));
    font = CreateFontIndirectA(&metrics.lfMessageFont);
    dc = GetDC(NULL);
    old = (HFONT)SelectObject(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
    if (GetTextMetricsA(dc, &tm) &&
        !MessageBoxCannotFit(TextExtent(dc, text), tm.tmHeight, caption, icon, workWidth, workHeight)) {
        rect.right = tm.tmAveCharWidth * QUESTION_MEASURE_CHARS;
        if (DrawTextA(dc, text, -1, &rect, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX) > 0)
            fits = MessageBoxFits(rect.right - rect.left, rect.bottom - rect.top, tm.tmHeight,
                                  caption, icon, workWidth, workHeight);
    }
    SelectObject(dc, old);
    ReleaseDC(NULL, dc);
    if (font)
        DeleteObject(font);
    return fits;
}

/* What the dialog is given to show. */
struct Question {
    const char *text;
    BOOL hasCancel;
};

int AskQuestion(const char *text, UINT buttons)
{
    RECT work = WorkArea();
    struct Question question;
    INT_PTR answer;

    if (FitsMessageBox(text, &work))
        return MessageBoxA(g_hMainWnd, text, APP_TITLE, MB_ICONWARNING | buttons);
    question.text = text;
    question.hasCancel = buttons == MB_YESNOCANCEL;
    answer = DialogBoxParamA(g_hInstance, MAKEINTRESOURCEA(IDD_QUESTION), g_hMainWnd,
                             QuestionDialogProc, (LPARAM)&question);
    return answer > 0 ? (int)answer : 0;
}

/* The controls follow the dialog's size: the text takes all the room that the icon and the
   buttons leave. */
static BOOL LayoutQuestion(HWND dlg)
{
    static const int buttonIds[] = {IDYES, IDNO, IDCANCEL};
    RECT client, unit = {0, 0, 50, 14};   /* a button's size and the margin, in dialog units */
    RECT margin = {0, 0, 7, 7};
    struct QuestionLayout layout;
    int count = GetDlgItem(dlg, IDCANCEL) ? 3 : 2, i;

    GetClientRect(dlg, &client);
    MapDialogRect(dlg, &unit);
    MapDialogRect(dlg, &margin);
    ComputeQuestionLayout(client.right, client.bottom, count, unit.right, unit.bottom,
                          MetricForWindow(dlg, SM_CXICON), margin.right, &layout);
    MoveWindow(GetDlgItem(dlg, IDC_QUESTION_ICON), layout.icon.left, layout.icon.top,
               layout.icon.width, layout.icon.height, TRUE);
    MoveWindow(GetDlgItem(dlg, IDC_QUESTION_TEXT), layout.text.left, layout.text.top,
               layout.text.width, layout.text.height, TRUE);
    for (i = 0; i < count; i++)
        MoveWindow(GetDlgItem(dlg, buttonIds[i]), layout.buttons[i].left, layout.buttons[i].top,
                   layout.buttons[i].width, layout.buttons[i].height, TRUE);
    return TRUE;
}

/* Keeps the whole dialog, and so its buttons, within the work area. */
static void FitIntoWorkArea(HWND dlg)
{
    RECT window, work = WorkArea();
    struct ControlBox box, area;

    GetWindowRect(dlg, &window);
    box.left = window.left;
    box.top = window.top;
    box.width = window.right - window.left;
    box.height = window.bottom - window.top;
    area.left = work.left;
    area.top = work.top;
    area.width = work.right - work.left;
    area.height = work.bottom - work.top;
    FitBoxIntoArea(&box, &area);
    MoveWindow(dlg, box.left, box.top, box.width, box.height, TRUE);
}

/* How wide the list's font draws each character, and how many bytes each takes in the process's
   code page. Every character beyond ASCII counts as wide as the widest that the font, or a font
   that stands in for it, may draw. */
static void MeasureCharacters(HWND list, struct RowMetrics *metrics)
{
    HDC dc = GetDC(list);
    HFONT old = (HFONT)SelectObject(dc, (HFONT)SendMessageA(list, WM_GETFONT, 0, 0));
    TEXTMETRICA tm;
    INT ascii[128];
    int wide = 16, b;
    BOOL measured, utf8 = GetACP() == CP_UTF8;

    if (GetTextMetricsA(dc, &tm))
        wide = tm.tmMaxCharWidth > tm.tmHeight ? tm.tmMaxCharWidth : tm.tmHeight;
    measured = GetCharWidth32W(dc, 0, 127, ascii);
    SelectObject(dc, old);
    ReleaseDC(list, dc);
    for (b = 0; b < 256; b++) {
        metrics->width[b] = b < 128 && measured ? ascii[b] : wide;
        metrics->bytes[b] = 1;
        if (utf8 && b >= 0xC0)
            metrics->bytes[b] = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : 2;
        else if (!utf8 && IsDBCSLeadByte((BYTE)b))
            metrics->bytes[b] = 2;
    }
}

/* Puts the whole text into the list, each row within the list's width. A row's item data is
   QUESTION_ROW_CONTINUES when the next row goes on with its line. FALSE when memory ran out. */
static BOOL ShowQuestionText(HWND list, const char *text)
{
    size_t size = strlen(text) + 1;
    char *rows = (char *)malloc(size), *row;   /* a copy, in which each row is ended in place */
    struct RowMetrics metrics;
    RECT client;
    BOOL shown = TRUE;

    if (!rows)
        return FALSE;
    memcpy(rows, text, size);
    GetClientRect(list, &client);
    MeasureCharacters(list, &metrics);
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    for (row = rows; shown; ) {
        const char *next;
        size_t length = NextRow(row, &metrics, client.right - ROW_MARGIN, &next);
        BOOL broken = next == row + length;
        char end = row[length];
        LRESULT index;

        row[length] = '\0';
        index = SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)row);
        row[length] = end;
        shown = index >= 0 && SendMessageA(list, LB_SETITEMDATA, index,
                                           broken && *next ? QUESTION_ROW_CONTINUES : 0) != LB_ERR;
        if (broken && !*next)
            break;   /* the end of the text */
        row = rows + (next - rows);
    }
    /* Narrowed later, the list scrolls sideways rather than cut its rows. */
    SendMessageA(list, LB_SETHORIZONTALEXTENT, client.right, 0);
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    free(rows);
    return shown;
}

/* Puts the text on the clipboard in UTF-16, so that every character goes across whatever the
   code page. */
static BOOL CopyText(HWND owner, const char *text)
{
    WCHAR *wide = WideFromText(text);
    size_t size = wide ? (wcslen(wide) + 1) * sizeof(WCHAR) : 0;
    HGLOBAL memory = wide ? GlobalAlloc(GMEM_MOVEABLE, size) : NULL;
    void *locked = memory ? GlobalLock(memory) : NULL;
    BOOL copied = FALSE;

    if (locked) {
        memcpy(locked, wide, size);
        GlobalUnlock(memory);
        if (OpenClipboard(owner)) {
            EmptyClipboard();
            copied = SetClipboardData(CF_UNICODETEXT, memory) != NULL;   /* the system's now */
            CloseClipboard();
        }
    }
    if (memory && !copied)
        GlobalFree(memory);
    free(wide);
    return copied;
}

/* Ctrl+C in the list copies the whole question, as it does in a message box; every other key
   keeps its action. */
static INT_PTR QuestionKey(HWND dlg, WORD key)
{
    if (key != 'C' || GetKeyState(VK_CONTROL) >= 0)
        return -1;
    CopyText(dlg, (const char *)GetWindowLongPtrA(dlg, DWLP_USER));
    return -2;
}

/* The warning icon drawn at the dialog's DPI, not stretched from the system's size. */
static void SetQuestionIcon(HWND dlg)
{
    int size = MetricForWindow(dlg, SM_CXICON);
    HANDLE icon = LoadImageA(NULL, IDI_WARNING, IMAGE_ICON, size, size, LR_SHARED);

    SendDlgItemMessageA(dlg, IDC_QUESTION_ICON, STM_SETICON,
                        (WPARAM)(icon != NULL ? icon : LoadIconA(NULL, IDI_WARNING)), 0);
}

static BOOL InitQuestion(HWND dlg, const struct Question *question)
{
    if (!question->hasCancel)
        DestroyWindow(GetDlgItem(dlg, IDCANCEL));   /* Escape and the title bar then mean No */
    SetQuestionIcon(dlg);
    FitIntoWorkArea(dlg);
    LayoutQuestion(dlg);
    SetWindowLongPtrA(dlg, DWLP_USER, (LONG_PTR)question->text);
    if (!ShowQuestionText(GetDlgItem(dlg, IDC_QUESTION_TEXT), question->text)) {
        ShowSystemError(ERROR_NOT_ENOUGH_MEMORY);
        EndDialog(dlg, 0);   /* a question not shown whole is not asked */
        return TRUE;
    }
    SetFocus(GetDlgItem(dlg, IDYES));   /* as in a message box: Enter answers Yes */
    return FALSE;                       /* the focus has been set */
}

/* The buttons end the dialog with their ids; Escape and the title bar send IDCANCEL, which means
   No when the question has no Cancel button. */
static BOOL AnswerQuestion(HWND dlg, WORD id)
{
    switch (id) {
    case IDYES:
    case IDNO:
        EndDialog(dlg, id);
        return TRUE;
    case IDCANCEL:
        EndDialog(dlg, GetDlgItem(dlg, IDCANCEL) ? IDCANCEL : IDNO);
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK QuestionDialogProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_INITDIALOG:
        return InitQuestion(dlg, (const struct Question *)lParam);
    case WM_SIZE:
        return LayoutQuestion(dlg);
    case WM_COMMAND:
        return AnswerQuestion(dlg, LOWORD(wParam));
    case WM_VKEYTOITEM:
        return QuestionKey(dlg, LOWORD(wParam));
    case WM_CLOSE:
        return AnswerQuestion(dlg, IDCANCEL);
    }
    return FALSE;
}
