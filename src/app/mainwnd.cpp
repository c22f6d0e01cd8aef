/* The main window: a modeless dialog holding the entry list and the edit field under the menu bar.
   Every menu command and accelerator goes through the command table to one operation, which
   reports its own failures. */
#include "app/mainwnd.h"
#include "app/endsession.h"
#include "app/historydlg.h"
#include "app/layout.h"
#include "app/restart.h"
#include "app/settings.h"
#include "common/common.h"
#include "common/dpi.h"
#include "common/dpiscale.h"
#include "entries/checkall.h"
#include "entries/editing.h"
#include "entries/entrycheck.h"
#include "entries/find.h"
#include "entries/listdrag.h"
#include "entries/undo.h"
#include "entries/marks.h"
#include "output/backup.h"
#include "output/export.h"
#include "registry/notify.h"
#include "registry/workflow.h"
#include "resource.h"
#include "velkor_version.h"

#include <commctrl.h>
#include <shellapi.h>
#include <string.h>

#define ABOUT_TEXT "Modify WinNT environment. ver " VELKOR_VERSION_SHORT "\r\nWritten by the Velkor Editor developers"

static void RetrieveWithName(void)
{
    RetrieveVariable(TRUE);
}

static void UpdateWithConfirmation(void)
{
    UpdateVariable(CONFIRM_UPDATE);
}

/* Going through WM_CLOSE lets Exit ask the same close question as the caption's close button. */
static void PostClose(void)
{
    PostMessageA(g_hMainWnd, WM_CLOSE, 0, 0);
}

static void ShowAbout(void)
{
    ShellAboutA(g_hMainWnd, APP_TITLE, ABOUT_TEXT, NULL);
}

static const struct {
    WORD id;
    void (*operation)(void);
} s_commands[] = {
    {IDM_EXIT, PostClose},
    {IDM_INSERT, InsertEntry},
    {IDM_RETRIEVE, RetrieveWithName},
    {IDM_UPDATE, UpdateWithConfirmation},
    {IDM_NOTIFY, NotifyRunningPrograms},
    {IDM_RESTART_ADMIN, RestartAsAdministrator},
    {IDM_MODIFY, ModifyEntry},
    {IDM_DELETE, DeleteEntry},
    {IDM_MOVE_UP, MoveEntryUp},
    {IDM_MOVE_DOWN, MoveEntryDown},
    {IDM_CHECK, CheckEntries},
    {IDM_CHECK_ALL, CheckAllEntries},
    {IDM_BACKUP, BackupRegistryValues},
    {IDM_SNAPSHOTS, ShowHistory},
    {IDM_EXPORT, ExportList},
    {IDM_INSERT_FOLDER, InsertFolderEntry},
    {IDM_INSERT_FILE, InsertFileEntry},
    {IDM_ABOUT, ShowAbout},
    {IDM_UNDO, UndoChange},
    {IDM_REDO, RedoChange},
    {IDM_FIND, OpenFind},
};

static BOOL RunCommand(WORD id)
{
    size_t i;

    for (i = 0; i < sizeof s_commands / sizeof s_commands[0]; i++) {
        if (s_commands[i].id == id) {
            s_commands[i].operation();
            return TRUE;
        }
    }
    return FALSE;   /* IDOK and IDCANCEL from Enter and Escape land here */
}

BOOL LayoutControls(WPARAM sizeType, int width, int height)
{
    HWND list = GetDlgItem(g_hMainWnd, IDC_ENTRY_LIST);
    HWND edit = GetDlgItem(g_hMainWnd, IDC_ENTRY_EDIT);
    HWND bar = GetDlgItem(g_hMainWnd, IDC_STATUS_BAR);
    struct ControlBox editBox, listBox, barBox;
    RECT barRect = {0, 0, 0, 0};
    int row = (int)SendMessageA(list, LB_GETITEMHEIGHT, 0, 0);

    if (sizeType == SIZE_MINIMIZED)
        return TRUE;
    if (row < 0)
        row = ScaleToDpi(LAYOUT_DEFAULT_ITEM_HEIGHT, BASE_DPI, WindowDpi(g_hMainWnd));
    GetWindowRect(bar, &barRect);
    height = ComputeStatusBar(width, height, barRect.bottom - barRect.top, &barBox);
    MoveWindow(bar, barBox.left, barBox.top, barBox.width, barBox.height, TRUE);
    ComputeLayout(width, height, row, &editBox, &listBox);
    MoveWindow(edit, editBox.left, editBox.top, editBox.width, editBox.height, TRUE);
    MoveWindow(list, listBox.left, listBox.top, listBox.width, listBox.height, TRUE);
    return TRUE;
}

void EnableVariableCommands(BOOL enable)
{
    HMENU file = GetSubMenu(GetMenu(g_hMainWnd), 0);
    UINT state = MF_BYCOMMAND | (enable ? MF_ENABLED : MF_GRAYED);

    EnableMenuItem(file, IDM_EXPORT, state);
    EnableMenuItem(file, IDM_UPDATE, state);
}

/* Undo and Redo are greyed when there is nothing to undo or redo. Asked whenever the menu opens
   and whenever an accelerator looks for its item, which a greyed item would refuse. */
static BOOL UpdateUndoCommands(void)
{
    HMENU menu = GetMenu(g_hMainWnd);

    EnableMenuItem(menu, IDM_UNDO, MF_BYCOMMAND | (CanUndo() ? MF_ENABLED : MF_GRAYED));
    EnableMenuItem(menu, IDM_REDO, MF_BYCOMMAND | (CanRedo() ? MF_ENABLED : MF_GRAYED));
    return FALSE;
}

/* The application icon for the title bar (small) and the task switcher (large), each loaded at
   the size the system uses for it rather than scaled from one image. Kept for the whole run. */
static void SetWindowIcons(HWND wnd)
{
    HINSTANCE instance = (HINSTANCE)GetWindowLongPtrA(wnd, GWLP_HINSTANCE);
    const struct {
        WPARAM which;
        int width, height;
    } icons[] = {
        {ICON_BIG, SM_CXICON, SM_CYICON},
        {ICON_SMALL, SM_CXSMICON, SM_CYSMICON},
    };
    size_t i;

    for (i = 0; i < sizeof icons / sizeof icons[0]; i++) {
        HANDLE icon = LoadImageA(instance, MAKEINTRESOURCEA(IDI_APP), IMAGE_ICON,
                                 GetSystemMetrics(icons[i].width), GetSystemMetrics(icons[i].height), 0);
        if (icon)
            SendMessageA(wnd, WM_SETICON, icons[i].which, (LPARAM)icon);
    }
}

/* The status bar of one part under the edit field: the selected row in words. It takes the
   height of its font once, aligned by itself; from then on the layout places it. */
static void CreateStatusBar(HWND wnd)
{
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES};
    HWND bar;

    InitCommonControlsEx(&controls);
    bar = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, wnd,
                          (HMENU)(INT_PTR)IDC_STATUS_BAR, (HINSTANCE)GetWindowLongPtrA(wnd, GWLP_HINSTANCE), NULL);
    if (bar == NULL)
        return;
    SendMessageW(bar, WM_SIZE, 0, 0);
    SetWindowLongPtrW(bar, GWL_STYLE, GetWindowLongPtrW(bar, GWL_STYLE) | CCS_NORESIZE | CCS_NOPARENTALIGN);
}

/* The list draws its rows itself (with their marks): a row is as high as its font's line. */
static void SetRowHeight(HWND list, HFONT font)
{
    HDC dc = GetDC(list);
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICA metrics;

    if (GetTextMetricsA(dc, &metrics))
        SendMessageA(list, LB_SETITEMHEIGHT, 0, metrics.tmHeight);
    SelectObject(dc, old);
    ReleaseDC(list, dc);
}

/* Both controls draw with one font, characters 12 pixels high at 96 DPI and as much larger as the
   window's DPI is. Any character set, so that the system may draw characters beyond Western
   scripts with a font that has them. A font is made once for each DPI and kept for the whole run:
   the Check report draws its findings with it too. */
static void SetControlsFont(HWND wnd, int dpi, BOOL redraw)
{
    static struct {
        int dpi;
        HFONT font;
    } made[8];
    HFONT font = NULL;
    size_t i;

    for (i = 0; i < sizeof made / sizeof made[0] && made[i].font != NULL && font == NULL; i++)
        if (made[i].dpi == dpi)
            font = made[i].font;
    if (font == NULL) {
        font = CreateFontA(ScaleToDpi(-12, BASE_DPI, dpi), 0, 0, 0, 100, FALSE, FALSE, FALSE,
                           DEFAULT_CHARSET, 0, 0, 0, FIXED_PITCH, "Courier New");
        if (font != NULL && i < sizeof made / sizeof made[0]) {
            made[i].dpi = dpi;
            made[i].font = font;
        }
    }
    SendMessageA(GetDlgItem(wnd, IDC_ENTRY_LIST), WM_SETFONT, (WPARAM)font, redraw);
    SendMessageA(GetDlgItem(wnd, IDC_ENTRY_EDIT), WM_SETFONT, (WPARAM)font, redraw);
    SetRowHeight(GetDlgItem(wnd, IDC_ENTRY_LIST), font);
}

/* Moved to a screen of another DPI (or its DPI changed): the window takes the rectangle that the
   system suggests, the font of the new DPI, and lays its controls out again, rows as tall as the
   new font's. */
static BOOL OnDpiChanged(HWND wnd, WPARAM wParam, const RECT *suggested)
{
    RECT client;

    SetControlsFont(wnd, HIWORD(wParam), TRUE);
    SetWindowPos(wnd, NULL, suggested->left, suggested->top, suggested->right - suggested->left,
                 suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    GetClientRect(wnd, &client);   /* the same size sends no WM_SIZE: laid out here in any case */
    return LayoutControls(SIZE_RESTORED, client.right, client.bottom);
}

static BOOL OnInitDialog(HWND wnd)
{
    HandleDpiChangesAlone(wnd);   /* OnDpiChanged lays the window out and gives the fonts */
    SetControlsFont(wnd, WindowDpi(wnd), FALSE);
    StartListDragAndDrop(GetDlgItem(wnd, IDC_ENTRY_LIST));
    CreateStatusBar(wnd);
    StartMarks(wnd);
    SetWindowIcons(wnd);
    /* g_hMainWnd is stored only when the creation returns: the rest waits for the loop. */
    PostMessageA(wnd, UM_DEFERRED_INIT, 0, 0);
    SetWindowTextA(wnd, APP_TITLE);
    return TRUE;   /* the system focuses the first control, the edit field */
}

static BOOL OnDeferredInit(void)
{
    PersistWindowPlacement(FALSE);
    EnableVariableCommands(FALSE);
    EnableRestartCommand();
    if (!TakeOverRestartList())
        RetrieveVariable(FALSE);
    return TRUE;
}

static BOOL OnCommand(HWND wnd, WPARAM wParam, LPARAM lParam)
{
    if (lParam == 0)   /* a menu item or an accelerator */
        return RunCommand(LOWORD(wParam));
    if (LOWORD(wParam) == IDC_ENTRY_LIST && HIWORD(wParam) == LBN_SELCHANGE) {
        PostMessageA(wnd, UM_SYNC_EDIT, 0, 0);
        return TRUE;
    }
    return FALSE;
}

/* A modal window of the program (a question, a dialog, a message) disables the main window while
   it runs its own message loop, in which a posted WM_CLOSE or a sent WM_QUERYENDSESSION still
   arrives here: a close must not start inside it. */
static BOOL ModalWindowOpen(void)
{
    return !IsWindowEnabled(g_hMainWnd);
}

static BOOL OnClose(void)
{
    if (!ModalWindowOpen() && QueryClose())
        PostQuitMessage(0);
    return TRUE;
}

static BOOL CALLBACK FindOtherDialog(HWND wnd, LPARAM found)
{
    char name[8];

    if (wnd != g_hMainWnd && wnd != CheckReportWindow() && IsWindowVisible(wnd) &&
        GetClassNameA(wnd, name, sizeof name) > 0 && strcmp(name, "#32770") == 0) {
        *(BOOL *)found = TRUE;
        return FALSE;
    }
    return TRUE;
}

/* Whether the Check report is open with no question, dialog or message of the program's over it. */
static BOOL OnlyCheckReportOpen(void)
{
    BOOL other = FALSE;

    if (CheckReportWindow() == NULL)
        return FALSE;
    EnumThreadWindows(GetCurrentThreadId(), FindOtherDialog, (LPARAM)&other);
    return !other;
}

/* The end of the session ends the Check report, as its Close button does, then asks about the
   pending changes as a close does. It is refused at once while any other modal window is open
   (asking over it would put a second question on the screen), and the system is told why until
   that window closes. */
static BOOL OnQueryEndSession(HWND wnd)
{
    BOOL allowed = FALSE;

    if (ModalWindowOpen() && OnlyCheckReportOpen())
        CloseCheckReport();   /* which enables the main window again at once */
    if (!ModalWindowOpen())
        allowed = QueryClose();
    else
        GiveEndSessionReason(wnd, L"" APP_TITLE L" is waiting for an answer in one of its windows.");
    SetWindowLongPtrA(wnd, DWLP_MSGRESULT, allowed);
    return TRUE;
}

/* The modal window that held up the end of the session has closed. */
static BOOL OnEnable(HWND wnd, BOOL enabled)
{
    if (enabled)
        DropEndSessionReason(wnd);
    return FALSE;
}

static BOOL OnSyncEdit(void)
{
    SyncEditField();
    ShowRowStatus();
    return TRUE;
}

/* Another program (a test) reads a row's mark. */
static BOOL ReplyRowMark(HWND wnd, int row)
{
    SetWindowLongPtrA(wnd, DWLP_MSGRESULT, RowMarkOf(row));
    return TRUE;
}

/* The worker ends with the window, even while a test of a path is still waiting. */
static BOOL OnDestroy(void)
{
    StopMarks();
    return FALSE;
}

INT_PTR CALLBACK MainDialogProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_INITDIALOG:
        return OnInitDialog(wnd);
    case UM_DEFERRED_INIT:
        return OnDeferredInit();
    case WM_SIZE:
        return LayoutControls(wParam, LOWORD(lParam), HIWORD(lParam));
    case WM_COMMAND:
        return OnCommand(wnd, wParam, lParam);
    case UM_SYNC_EDIT:
        return OnSyncEdit();
    case WM_INITMENU:
    case WM_INITMENUPOPUP:
        return UpdateUndoCommands();
    case UM_MARKS_ROUND:
        return OnMarksRoundMessage();
    case UM_EXIST_ANSWER:
        return TakeExistAnswers();
    case WM_TIMER:
        return OnMarksTimer(wParam);
    case WM_DRAWITEM:
        return DrawListRow((const DRAWITEMSTRUCT *)lParam);
    case WM_DELETEITEM:
        return TRUE;   /* the rows hold nothing to free; a retrieve drops every one of them */
    case UM_ROW_MARK:
        return ReplyRowMark(wnd, (int)wParam);
    case WM_DESTROY:
        return OnDestroy();
    case WM_CLOSE:
        return OnClose();
    case WM_QUERYENDSESSION:
        return OnQueryEndSession(wnd);
    case WM_ENABLE:
        return OnEnable(wnd, (BOOL)wParam);
    case WM_DPICHANGED:
        return OnDpiChanged(wnd, wParam, (const RECT *)lParam);
    }
    return FALSE;
}
