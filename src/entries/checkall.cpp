/* "Check all": the findings of every row (see findings.h) in a modal report. The rows are checked
   in slices on a timer of the report: a timer message comes only when no input and no painting
   is waiting, so between two slices the report is drawn, shows its progress and answers the
   keyboard and the mouse, all on the program's one thread. A row whose test takes long (a
   folder on a share that does not answer) holds the report only for that row. */
#include "entries/checkall.h"
#include "entries/entrycheck.h"
#include "entries/entrylist.h"
#include "entries/findings.h"
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

char *ExpandRow(void *context, const char *text)
{
    char *copy = (char *)malloc(strlen(text) + 1);
    DWORD error = 0;

    (void)context;
    if (copy == NULL)
        return NULL;
    strcpy(copy, text);
    if (strchr(text, '%') == NULL)
        return copy;   /* nothing to expand: the system need not be asked */
    /* A failing expansion is told once when the check ends, not once for each of many rows. */
    copy = ExpandEntryTextQuietly(copy, &error);
    if (error != 0 && s_check.expandError == 0)
        s_check.expandError = error;
    return copy;
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

size_t TextUnits(void *context, const char *text)
{
    int units = MultiByteToWideChar(CP_ACP, 0, text, -1, NULL, 0);

    (void)context;
    return units > 0 ? (size_t)units - 1 : strlen(text);
}

/* Upper case of any script, as the file system and the variables' names ignore case. */
char *FoldCase(void *context, const char *text)
{
    size_t length = strlen(text), i;
    WCHAR *wide;
    char *folded;

    (void)context;
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
    int row = s_check.next++, length;
    BOOL ok;

    if (GetRowData(row) != 0)
        return CheckRow(s_check.run, row, NULL, TRUE);
    length = GetRowTextLength(row);
    if (length < 0)
        length = 0;
    if (!Room(&s_check.text, &s_check.textSize, (size_t)length + 1))
        return FALSE;
    if (length == 0 || GetRowText(row, s_check.text) < 0)
        s_check.text[0] = '\0';
    s_check.currentRow = row;
    ok = CheckRow(s_check.run, row, s_check.text, FALSE) && !s_check.failed;
    s_check.currentRow = -1;
    s_check.entriesDone++;
    return ok;
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

/* Escape, Close and the title bar stop a running check; once it has ended they close. */
static BOOL StopOrClose(HWND dlg)
{
    if (s_check.running)
        EndWalk(CHECK_STOPPED);
    else
        EndDialog(dlg, IDCANCEL);
    return TRUE;
}

static BOOL OnReportCommand(HWND dlg, WORD id, WORD code)
{
    switch (id) {
    case IDOK:
        return GoToFinding(dlg);
    case IDCANCEL:
        return StopOrClose(dlg);
    case IDC_CHECK_FINDINGS:
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

/* The variables that the two Environment keys define (REG_SZ and REG_EXPAND_SZ values), read
   once per check. A key that cannot be read defines none. The names stay in names[]. */
CheckVariable *ReadVariables(ValueName *names[2], size_t counts[2], size_t *count)
{
    static const char *const paths[2] = {MACHINE_ENV_KEY, USER_ENV_KEY};
    CheckVariable *variables;
    size_t key, i;

    ReadValueNames(paths[0], &names[0], &counts[0]);
    ReadValueNames(paths[1], &names[1], &counts[1]);
    variables = (CheckVariable *)calloc(counts[0] + counts[1] + 1, sizeof *variables);
    *count = 0;
    for (key = 0; variables && key < 2; key++) {
        for (i = 0; i < counts[key]; i++) {
            if (names[key][i].type != REG_SZ && names[key][i].type != REG_EXPAND_SZ)
                continue;
            variables[*count].name = names[key][i].name;
            variables[*count].machine = key == 0;
            variables[*count].expandable = names[key][i].type == REG_EXPAND_SZ;
            (*count)++;
        }
    }
    return variables;
}

static int CountEntryRows(int rows)
{
    int entries = 0, i;

    for (i = 0; i < rows; i++)
        entries += GetRowData(i) == 0;
    return entries;
}

void CheckAllEntries(void)
{
    CheckCallbacks callbacks = {NULL, ExpandRow, PathExists, TextUnits, FoldCase, AddFinding};
    ValueName *names[2] = {NULL, NULL};
    size_t counts[2] = {0, 0}, count = 0;
    CheckVariable *variables;

    if (s_check.dlg != NULL)
        return;   /* a report is open already */
    ZeroMemory(&s_check, sizeof s_check);
    s_check.currentRow = -1;
    s_check.goTo = -1;
    CompleteMarksRound();
    variables = ReadVariables(names, counts, &count);
    if (variables)
        s_check.run = StartCheck(g_varName, variables, count, &callbacks);
    if (s_check.run == NULL) {
        ShowSystemError(ERROR_NOT_ENOUGH_MEMORY);
    } else {
        s_check.rows = GetRowCount();
        s_check.entries = CountEntryRows(s_check.rows);
        DialogBoxParamA(g_hInstance, MAKEINTRESOURCEA(IDD_CHECK), g_hMainWnd, CheckReportDialogProc, 0);
    }
    EndCheck(s_check.run);
    free(s_check.text);
    free(s_check.line);
    free(variables);
    ReleaseValueNames(names[0], counts[0]);
    ReleaseValueNames(names[1], counts[1]);
    s_check.run = NULL;
    s_check.text = s_check.line = NULL;
    s_check.dlg = NULL;
    if (s_check.goTo >= 0) {
        /* As a selection made in the list: the edit field follows. */
        SendDlgItemMessageA(g_hMainWnd, IDC_ENTRY_LIST, LB_SETCURSEL, s_check.goTo, 0);
        PostMessageA(g_hMainWnd, UM_SYNC_EDIT, 0, 0);
    }
}
