/* Asking the update's questions whatever their length. A message box grows with its text, so a
   long one would put its buttons below the screen's edge: such a text goes to a dialog that fits
   the screen and scrolls. */
#include "registry/question.h"
#include "app/layout.h"
#include "registry/confirmtext.h"
#include "common/common.h"
#include "resource.h"

#include <string.h>

#define QUESTION_MEASURE_CHARS 40   /* narrower than any message box's text: a safe estimate */

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

/* Measures the text in the message font as a message box lays it out. A text too wide for the
   screen altogether is known without laying it out, which would cost time with every line. */
static BOOL FitsMessageBox(const char *text, const RECT *work)
{
    NONCLIENTMETRICSA metrics;
    int workWidth = work->right - work->left, workHeight = work->bottom - work->top;
    int caption = GetSystemMetrics(SM_CYCAPTION), icon = GetSystemMetrics(SM_CXICON);
    HDC dc;
    HFONT font, old;
    TEXTMETRICA tm;
    RECT rect = {0, 0, 0, 0};
    BOOL fits = FALSE;

    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        return FALSE;   /* unmeasured: the dialog fits in any case */
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
                          GetSystemMetrics(SM_CXICON), margin.right, &layout);
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

/* How many characters of the field's font one row of the field holds, about. */
static size_t RowCharacters(HWND field)
{
    RECT client;
    TEXTMETRICA tm;
    HDC dc = GetDC(field);
    HFONT old = (HFONT)SelectObject(dc, (HFONT)SendMessageA(field, WM_GETFONT, 0, 0));
    size_t chars = 0;

    GetClientRect(field, &client);
    if (GetTextMetricsA(dc, &tm) && tm.tmAveCharWidth > 0 && client.right > 0)
        chars = (size_t)client.right / (size_t)tm.tmAveCharWidth;
    SelectObject(dc, old);
    ReleaseDC(field, dc);
    return chars;
}

/* The whole text goes into the field, its long lines broken where the field would wrap them. */
static void ShowQuestionText(HWND dlg, const char *text)
{
    HWND field = GetDlgItem(dlg, IDC_QUESTION_TEXT);
    char *broken = AddSoftBreaks(text, RowCharacters(field));

    SendMessageA(field, EM_SETLIMITTEXT, 0, 0);   /* no limit: the whole text goes in */
    SetWindowTextA(field, broken ? broken : text);
    ReleaseText(&broken);
}

static BOOL InitQuestion(HWND dlg, const struct Question *question)
{
    if (!question->hasCancel)
        DestroyWindow(GetDlgItem(dlg, IDCANCEL));   /* Escape and the title bar then mean No */
    SendDlgItemMessageA(dlg, IDC_QUESTION_ICON, STM_SETICON, (WPARAM)LoadIconA(NULL, IDI_WARNING), 0);
    FitIntoWorkArea(dlg);
    LayoutQuestion(dlg);
    ShowQuestionText(dlg, question->text);
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
    case WM_CLOSE:
        return AnswerQuestion(dlg, IDCANCEL);
    }
    return FALSE;
}
