/* "Check all": the findings of every row (see findings.h) in a modal report. The rows are checked
   in slices on a timer of the report: a timer message comes only when no input and no painting
   is waiting, so between two slices the report is drawn, shows its progress and answers the
   keyboard and the mouse, all on the program's one thread. A row whose test takes long (a
   folder on a share that does not answer) holds the report only for that row. */
#include "entries/checkall.h"
#include "entries/entrycheck.h"
#include "entries/entrylist.h"
#include "entries/findings.h"
#include "entries/checksystem.h"
#include "entries/undo.h"
#include "entries/marks.h"
#include "entries/rowstatus.h"
#include "registry/regaccess.h"
#include "common/common.h"
#include "resource.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define CHECK_TIMER  1
#define SLICE_MS     50    /* rows are checked this long before the report's own messages run */
#define PROGRESS_MS  250   /* the summary shows the progress at most this often */
#define TAB_CHARS    8     /* what a tab adds to a finding's line at most, in characters */

/* The one check that runs, from the command to the report's end. */
static struct {
    HWND dlg, findings;   /* the report and its list, looked up once: a lookup costs far more
                             than adding a line */
    CheckRun *run;
    int next, rows;                 /* the next row to check, and the list's rows */
    char *isHeader;                 /* each row's kind, read once: the list does not change under
                                       the modal report while the walk runs */
    int entries, entriesDone, problems;
    BOOL running;
    BOOL failed;                    /* memory ran out: the check cannot go on */
    BOOL redrawPaused;
    DWORD lastProgress;
    DWORD expandError;              /* the first expansion that failed, told once at the end */
    int currentRow;                 /* the row being checked, in text */
    char *text, *line;              /* a row's text and a finding's line, kept from row to row */
    size_t textSize, lineSize;
    int lastAppended;               /* the row of the last finding that went at the end */
    size_t widest, shownWidest;     /* the longest finding line, in bytes, and the one scrolled to */
    int charWidth;
    int goTo;                       /* the row that Go to chose, -1 when none */
} s_check;

/* ---- What the findings need of the system ---- */

/* A failing expansion is told once when the check ends, not once for each of many rows. */
static char *ExpandRow(void *context, const char *text)
{
    (void)context;
    return ExpandForFindings(text, &s_check.expandError);
}

static void AddFinding(void *context, int row, const char *problem);

/* The worker's answer, as the list's marks show it: the row has been answered before it is
   checked. */
static int PathExists(void *context, const char *path)
{
    int state = PathStateOf(path);

    if (state == PATH_NOT_ANSWERING)
        AddFinding(context, s_check.currentRow, PathProblem(state));
    return state != PATH_MISSING;
}

/* Makes *buffer hold at least needed bytes; FALSE when memory runs out. */
static BOOL Room(char **buffer, size_t *size, size_t needed)
{
    char *larger;

    if (needed <= *size)
        return TRUE;
    larger = (char *)realloc(*buffer, needed);
    if (larger == NULL)
        return FALSE;
    *buffer = larger;
    *size = needed;
    return TRUE;
}

/* ---- The findings list ---- */

/* Where a finding of the row goes: after the findings of every row up to it. */
static int FindingPosition(HWND list, int row)
{
    int at = (int)SendMessageA(list, LB_GETCOUNT, 0, 0);

    while (at > 0 && (int)SendMessageA(list, LB_GETITEMDATA, at - 1, 0) > row)
        at--;
    return at;
}

/* The finding's line: the row's text as the list shows it, a tab, the problem. */
static void AddFinding(void *context, int row, const char *problem)
{
    HWND list = s_check.findings;
    char *other = row == s_check.currentRow ? NULL : CopyRowText(row);
    const char *text = row == s_check.currentRow ? s_check.text : other ? other : "";
    size_t textLength = strlen(text), length = textLength + 1 + strlen(problem);
    int index;

    (void)context;
    if (!Room(&s_check.line, &s_check.lineSize, length + 1)) {
        ReleaseText(&other);
        s_check.failed = TRUE;
        return;
    }
    memcpy(s_check.line, text, textLength);
    s_check.line[textLength] = '\t';
    strcpy(s_check.line + textLength + 1, problem);
    ReleaseText(&other);
    if (!s_check.redrawPaused) {
        SendMessageA(list, WM_SETREDRAW, FALSE, 0);
        s_check.redrawPaused = TRUE;
    }
    /* The findings come in the rows' order but for the too-long ones, found at the end. */
    if (row >= s_check.lastAppended) {
        index = (int)SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)s_check.line);
        s_check.lastAppended = row;
    } else {
        index = (int)SendMessageA(list, LB_INSERTSTRING, FindingPosition(list, row), (LPARAM)s_check.line);
    }
    if (index < 0) {
        s_check.failed = TRUE;
        return;
    }
    SendMessageA(list, LB_SETITEMDATA, index, row);
    if (++s_check.problems == 1)
        SendMessageA(list, LB_SETCURSEL, 0, 0);   /* Enter goes to the first finding */
    if (length > s_check.widest)
        s_check.widest = length;
}

/* Draws what has been added since the last time, once, and lets the list scroll to its longest
   line. */
static void ResumeFindingsRedraw(void)
{
    HWND list = s_check.findings;

    if (s_check.widest > s_check.shownWidest) {
        s_check.shownWidest = s_check.widest;
        SendMessageA(list, LB_SETHORIZONTALEXTENT,
                     (WPARAM)((s_check.widest + TAB_CHARS) * (size_t)s_check.charWidth), 0);
    }
    if (s_check.redrawPaused) {
        SendMessageA(list, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(list, NULL, TRUE);
        s_check.redrawPaused = FALSE;
    }
}

/* ---- The walk over the rows ---- */

static void ShowSummary(int state)
{
    char summary[128];

    FormatCheckSummary(summary, sizeof summary, state, s_check.problems, s_check.entriesDone, s_check.entries);
    SetDlgItemTextA(s_check.dlg, IDC_CHECK_SUMMARY, summary);
    s_check.lastProgress = GetTickCount();
}

/* FALSE when memory ran out. */
static BOOL CheckNextRow(void)
{
    int row = s_check.next++;
    BOOL ok;

    if (s_check.isHeader[row])
        return CheckRow(s_check.run, row, NULL, TRUE);
    /* A row that cannot be read is not taken for an empty one. */
    if (ReadRowText(row, &s_check.text, &s_check.textSize) < 0)
        return FALSE;
    s_check.currentRow = row;
    ok = CheckRow(s_check.run, row, s_check.text, FALSE) && !s_check.failed;
    s_check.currentRow = -1;
    s_check.entriesDone++;
    return ok;
}

/* The row of the selected finding, or -1 when none is selected. */
static int SelectedFindingRow(void)
{
    int selected = (int)SendMessageA(s_check.findings, LB_GETCURSEL, 0, 0);
    return selected < 0 ? -1 : (int)SendMessageA(s_check.findings, LB_GETITEMDATA, selected, 0);
}

/* Remove row takes the row of an entry of a section that updates write, once the walk has ended:
   until then a removal would shift the rows under the walk. */
static void EnableRemove(void)
{
    int row = s_check.running ? -1 : SelectedFindingRow();
    BOOL enable = row >= 0 && GetRowData(row) == 0 && !RowLeftAsStored(row);
    HWND button = GetDlgItem(s_check.dlg, IDC_CHECK_REMOVE);

    if (!enable && GetFocus() == button)
        SetFocus(s_check.findings);
    EnableWindow(button, enable);
}

/* Ends the walk, after the last row (CHECK_DONE) or before (CHECK_STOPPED), keeping what it found. */
static void EndWalk(int state)
{
    KillTimer(s_check.dlg, CHECK_TIMER);
    s_check.running = FALSE;
    if (state == CHECK_DONE && !FinishCheck(s_check.run))
        s_check.failed = TRUE;   /* a finding that the list could not take has set it too */
    if (s_check.failed)
        state = CHECK_STOPPED;
    ResumeFindingsRedraw();
    ShowSummary(state);
    EnableRemove();
    if (s_check.failed)
        ShowSystemError(ERROR_NOT_ENOUGH_MEMORY);
    else if (s_check.expandError != 0)
        ShowSystemError(s_check.expandError);
}

static BOOL CheckSlice(void)
{
    DWORD start = GetTickCount();

    while (s_check.running && s_check.next < s_check.rows) {
        /* The window never waits for the file system: the next slice looks again. */
        if (RowPathState(s_check.next) == PATH_WAITING)
            break;
        if (!CheckNextRow()) {
            s_check.failed = TRUE;
            break;
        }
        if (GetTickCount() - start >= SLICE_MS)
            break;
    }
    if (s_check.failed) {
        EndWalk(CHECK_STOPPED);
    } else if (s_check.next >= s_check.rows) {
        EndWalk(CHECK_DONE);
    } else if (GetTickCount() - s_check.lastProgress >= PROGRESS_MS) {
        ResumeFindingsRedraw();
        ShowSummary(CHECK_RUNNING);
    }
    return TRUE;
}

/* ---- The report ---- */

/* The findings in the entry list's font, whose characters are all one width. */
static int SetFindingsFont(HWND list)
{
    HFONT font = (HFONT)SendDlgItemMessageA(g_hMainWnd, IDC_ENTRY_LIST, WM_GETFONT, 0, 0);
    TEXTMETRICA tm;
    HDC dc;
    HGDIOBJ old;
    int width = 8;

    if (font)
        SendMessageA(list, WM_SETFONT, (WPARAM)font, 0);
    dc = GetDC(list);
    old = SelectObject(dc, (HFONT)SendMessageA(list, WM_GETFONT, 0, 0));
    if (GetTextMetricsA(dc, &tm) && tm.tmAveCharWidth > 0)
        width = tm.tmAveCharWidth;
    SelectObject(dc, old);
    ReleaseDC(list, dc);
    return width;
}

static BOOL InitReport(HWND dlg)
{
    s_check.dlg = dlg;
    s_check.findings = GetDlgItem(dlg, IDC_CHECK_FINDINGS);
    s_check.charWidth = SetFindingsFont(s_check.findings);
    s_check.running = TRUE;
    ShowSummary(CHECK_RUNNING);
    SetTimer(dlg, CHECK_TIMER, USER_TIMER_MINIMUM, NULL);
    return TRUE;   /* the focus goes to the findings */
}

/* Closes the report and has the selected finding's row selected. */
static BOOL GoToFinding(HWND dlg)
{
    HWND list = s_check.findings;
    int selected = (int)SendMessageA(list, LB_GETCURSEL, 0, 0);

    if (selected < 0)
        return TRUE;
    s_check.goTo = (int)SendMessageA(list, LB_GETITEMDATA, selected, 0);
    KillTimer(dlg, CHECK_TIMER);
    s_check.running = FALSE;
    EndDialog(dlg, IDOK);
    return TRUE;
}

/* Removes the selected finding's row from the list, as one undo step, and its findings from the
   report: the findings of later rows follow their rows up, and the next finding is selected. */
static BOOL RemoveFindingRow(void)
{
    HWND list = s_check.findings;
    int row = SelectedFindingRow(), next = -1, i, data;

    if (row < 0 || s_check.running || GetRowData(row) != 0 || RowLeftAsStored(row))
        return TRUE;
    BeginUndoStep();
    DeleteRow(row);
    EndUndoStep();
    for (i = (int)SendMessageA(list, LB_GETCOUNT, 0, 0) - 1; i >= 0; i--) {
        data = (int)SendMessageA(list, LB_GETITEMDATA, i, 0);
        if (data == row) {
            SendMessageA(list, LB_DELETESTRING, i, 0);
            next = i;
        } else if (data > row) {
            SendMessageA(list, LB_SETITEMDATA, i, data - 1);
        }
    }
    i = (int)SendMessageA(list, LB_GETCOUNT, 0, 0);
    SendMessageA(list, LB_SETCURSEL, next < i ? next : i - 1, 0);
    EnableRemove();
    return TRUE;
}

/* Escape, Close and the title bar stop a running check; once it has ended they close. */
static BOOL StopOrClose(HWND dlg)
{
    if (s_check.running)
        EndWalk(CHECK_STOPPED);
    else
        EndDialog(dlg, IDCANCEL);
    return TRUE;
}

HWND CheckReportWindow(void)
{
    return s_check.dlg;
}

void CloseCheckReport(void)
{
    if (s_check.dlg == NULL)
        return;
    KillTimer(s_check.dlg, CHECK_TIMER);
    s_check.running = FALSE;
    EndDialog(s_check.dlg, IDCANCEL);
}

static BOOL OnReportCommand(HWND dlg, WORD id, WORD code)
{
    switch (id) {
    case IDOK:
        return GoToFinding(dlg);
    case IDCANCEL:
        return StopOrClose(dlg);
    case IDC_CHECK_REMOVE:
        return RemoveFindingRow();
    case IDC_CHECK_FINDINGS:
        if (code == LBN_SELCHANGE)
            EnableRemove();
        return code == LBN_DBLCLK && GoToFinding(dlg);
    }
    return FALSE;
}

INT_PTR CALLBACK CheckReportDialogProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    switch (msg) {
    case WM_INITDIALOG:
        return InitReport(dlg);
    case WM_TIMER:
        return wParam == CHECK_TIMER && s_check.running && CheckSlice();
    case WM_COMMAND:
        return OnReportCommand(dlg, LOWORD(wParam), HIWORD(wParam));
    }
    return FALSE;
}

/* ---- The command ---- */

/* Reads which rows are headers and counts the entry rows; FALSE when memory ran out. */
static BOOL ReadRowKinds(void)
{
    int i;

    s_check.rows = GetRowCount();
    s_check.isHeader = (char *)malloc((size_t)s_check.rows + 1);
    if (s_check.isHeader == NULL)
        return FALSE;
    for (i = 0; i < s_check.rows; i++) {
        s_check.isHeader[i] = GetRowData(i) != 0;
        s_check.entries += !s_check.isHeader[i];
    }
    return TRUE;
}

void CheckAllEntries(void)
{
    CheckCallbacks callbacks = {NULL, ExpandRow, PathExists, TextUnitsOf, FoldTextCase, AddFinding};
    ValueName *names[2] = {NULL, NULL};
    size_t counts[2] = {0, 0}, count = 0;
    CheckVariable *variables;

    if (s_check.dlg != NULL)
        return;   /* a report is open already */
    ZeroMemory(&s_check, sizeof s_check);
    s_check.currentRow = -1;
    s_check.goTo = -1;
    CompleteMarksRound();
    variables = ReadCheckVariables(names, counts, &count);
    if (variables)
        s_check.run = StartCheck(g_varName, variables, count, &callbacks);
    /* Each row asks its own answer, so that a path that does not answer is told on every row
       that names it, as the marks show it; the worker's table answers at once. */
    if (s_check.run)
        AskEveryPath(s_check.run, 1);
    if (s_check.run == NULL || !ReadRowKinds()) {
        ShowSystemError(ERROR_NOT_ENOUGH_MEMORY);
    } else {
        DialogBoxParamA(g_hInstance, MAKEINTRESOURCEA(IDD_CHECK), g_hMainWnd, CheckReportDialogProc, 0);
    }
    EndCheck(s_check.run);
    free(s_check.text);
    free(s_check.line);
    free(s_check.isHeader);
    ReleaseCheckVariables(variables, names, counts);
    s_check.run = NULL;
    s_check.text = s_check.line = s_check.isHeader = NULL;
    s_check.dlg = NULL;
    if (s_check.goTo >= 0) {
        /* As a selection made in the list: the edit field follows. */
        SendDlgItemMessageA(g_hMainWnd, IDC_ENTRY_LIST, LB_SETCURSEL, s_check.goTo, 0);
        PostMessageA(g_hMainWnd, UM_SYNC_EDIT, 0, 0);
    }
}
