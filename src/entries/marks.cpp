/* The list's marks: a round checks every row with the findings of Check all, asking the worker
   for the paths; a mark is drawn from the row's findings and its path's answer. */
#include "entries/marks.h"
#include "entries/checkall.h"
#include "entries/checksystem.h"
#include "entries/entrylist.h"
#include "entries/existworker.h"
#include "entries/findings.h"
#include "entries/logonvars.h"
#include "entries/rowstatus.h"
#include "registry/regaccess.h"
#include "common/common.h"
#include "common/hash.h"
#include "resource.h"

#include <stdlib.h>
#include <string.h>

#define SLICE_MS          10     /* a round's slice: the window answers between two of them */
#define NOT_ANSWERING_MS  2000   /* a path that has not answered so long is shown as such */
#define SLOW_CHECK_MS     500

/* What a round found for one row; kept in step with the list's rows. */
struct RowMarks {
    int path;       /* the id of its path, -1 when it names none */
    int findings;   /* the first of its findings, -1 when none */
    int last;       /* the last of them */
    int others;     /* how many: the path's answer comes on top */
    char header;
    char user;      /* in the user section */
};

struct Finding {
    size_t text;   /* where its words begin in the findings' texts */
    int next;
};

struct PathEntry {
    char *text;
    size_t hash;
    int state;   /* PATH_WAITING, PATH_EXISTS, PATH_MISSING, PATH_NOT_ANSWERING */
};

static struct {
    struct RowMarks *rows;
    int rowCount, rowCapacity;
    struct Finding *findings;
    int findingCount, findingCapacity;
    char *texts;                 /* the findings' words, one after the other: freed at once */
    size_t textUsed, textCapacity;
    struct PathEntry *paths;
    int pathCount, pathCapacity;
    int *slots;                  /* open addressing over paths, -1 free; twice their capacity */
    int slotCount;
    int waiting;                 /* paths asked and not answered */
    BOOL roundAsked;             /* a UM_MARKS_ROUND is on its way */
    BOOL stale;                  /* the list changed during the round: a new one is asked */
    CheckRun *run;               /* the round running; NULL when none is */
    int next, current, sectionHeaders;
    char *text;                  /* the row being checked, kept from row to row */
    size_t textSize;
    BOOL logOnRead;              /* log-on variables read for this round: when the status bar
                                    first needs them */
    CheckVariable *variables;    /* the round's variables of the Environment keys */
    size_t variableCount;
    ValueName *names[2];
    size_t nameCounts[2];
} s_marks;

/* ---- The rows ---- */

static BOOL RowRoom(int count)
{
    struct RowMarks *grown;
    int capacity;

    if (count <= s_marks.rowCapacity)
        return TRUE;
    capacity = s_marks.rowCapacity ? s_marks.rowCapacity : 1024;
    while (capacity < count)
        capacity *= 2;
    grown = (struct RowMarks *)realloc(s_marks.rows, (size_t)capacity * sizeof *grown);
    if (grown == NULL)
        return FALSE;
    s_marks.rows = grown;
    s_marks.rowCapacity = capacity;
    return TRUE;
}

static void ClearRow(struct RowMarks *row)
{
    row->path = row->findings = row->last = -1;
    row->others = 0;
    row->header = row->user = 0;
}

/* Makes the rows as many as the list's: a list changed without the primitives comes right with
   the next round. */
static void FitRows(int count)
{
    if (!RowRoom(count))
        count = s_marks.rowCapacity;
    while (s_marks.rowCount < count)
        ClearRow(&s_marks.rows[s_marks.rowCount++]);
    s_marks.rowCount = count;
}

static void AskRound(void)
{
    s_marks.stale = TRUE;
    if (!s_marks.roundAsked && g_hMainWnd != NULL) {
        s_marks.roundAsked = TRUE;
        PostMessageA(g_hMainWnd, UM_MARKS_ROUND, 0, 0);
    }
}

void MarksRowInserted(int index)
{
    if (index >= 0 && index <= s_marks.rowCount && RowRoom(s_marks.rowCount + 1)) {
        memmove(&s_marks.rows[index + 1], &s_marks.rows[index],
                (size_t)(s_marks.rowCount - index) * sizeof *s_marks.rows);
        ClearRow(&s_marks.rows[index]);
        s_marks.rowCount++;
    }
    AskRound();
}

void MarksRowDeleted(int index)
{
    if (index >= 0 && index < s_marks.rowCount) {
        memmove(&s_marks.rows[index], &s_marks.rows[index + 1],
                (size_t)(s_marks.rowCount - index - 1) * sizeof *s_marks.rows);
        s_marks.rowCount--;
    }
    AskRound();
}

/* ---- The paths: asked once each, until they are forgotten ---- */

static void ForgetPaths(void)
{
    int i;

    ForgetExistRequests();
    for (i = 0; i < s_marks.pathCount; i++)
        free(s_marks.paths[i].text);
    for (i = 0; i < s_marks.slotCount; i++)
        s_marks.slots[i] = -1;
    s_marks.pathCount = 0;
    s_marks.waiting = 0;
    KillTimer(g_hMainWnd, MARKS_SLOW_TIMER);   /* nothing is waited for any more */
    for (i = 0; i < s_marks.rowCount; i++)
        s_marks.rows[i].path = -1;
}

void MarksListCleared(void)
{
    s_marks.rowCount = 0;
    /* A retrieve asks every path again. */
    ForgetPaths();
    AskRound();
}

static size_t HashOf(const char *text)
{
    return HashBytes(text, strlen(text));
}

static int *SlotOf(size_t hash, const char *text)
{
    size_t i = hash & (size_t)(s_marks.slotCount - 1);

    while (s_marks.slots[i] >= 0 && (s_marks.paths[s_marks.slots[i]].hash != hash ||
                                     strcmp(s_marks.paths[s_marks.slots[i]].text, text) != 0))
        i = (i + 1) & (size_t)(s_marks.slotCount - 1);
    return &s_marks.slots[i];
}

static BOOL GrowPaths(void)
{
    int capacity = s_marks.pathCapacity ? s_marks.pathCapacity * 2 : 1024, i;
    struct PathEntry *grown = (struct PathEntry *)realloc(s_marks.paths, (size_t)capacity * sizeof *grown);
    int *slots = (int *)malloc((size_t)capacity * 2 * sizeof *slots);

    if (grown != NULL)
        s_marks.paths = grown;
    if (grown == NULL || slots == NULL) {
        free(slots);
        return FALSE;
    }
    s_marks.pathCapacity = capacity;
    free(s_marks.slots);
    s_marks.slots = slots;
    s_marks.slotCount = capacity * 2;
    for (i = 0; i < s_marks.slotCount; i++)
        slots[i] = -1;
    for (i = 0; i < s_marks.pathCount; i++)
        *SlotOf(s_marks.paths[i].hash, s_marks.paths[i].text) = i;
    return TRUE;
}

/* The id of the path, asked of the worker when it is new; -1 when memory ran out. */
static int PathId(const char *text)
{
    size_t hash = HashOf(text);
    int *slot;
    char *copy;

    if (s_marks.slots != NULL && *(slot = SlotOf(hash, text)) >= 0)
        return *slot;
    if (s_marks.pathCount == s_marks.pathCapacity && !GrowPaths())
        return -1;
    copy = (char *)malloc(strlen(text) + 1);
    if (copy == NULL)
        return -1;
    strcpy(copy, text);
    s_marks.paths[s_marks.pathCount].text = copy;
    s_marks.paths[s_marks.pathCount].hash = hash;
    s_marks.paths[s_marks.pathCount].state = PATH_WAITING;
    *SlotOf(hash, copy) = s_marks.pathCount;
    if (!RequestExistence(s_marks.pathCount, copy))
        s_marks.paths[s_marks.pathCount].state = PATH_NOT_ANSWERING;   /* no worker to ask */
    else if (s_marks.waiting++ == 0)
        SetTimer(g_hMainWnd, MARKS_SLOW_TIMER, SLOW_CHECK_MS, NULL);
    return s_marks.pathCount++;
}

static int StateOfPath(int id)
{
    return id >= 0 && id < s_marks.pathCount ? s_marks.paths[id].state : PATH_NONE;
}

int AskPath(const char *path)
{
    return PathId(path);
}

int RowPathState(int row)
{
    return row >= 0 && row < s_marks.rowCount ? StateOfPath(s_marks.rows[row].path) : PATH_NONE;
}

int PathStateOf(const char *path)
{
    int *slot;

    if (s_marks.slots == NULL || *(slot = SlotOf(HashOf(path), path)) < 0)
        return PATH_WAITING;
    return s_marks.paths[*slot].state;
}

static void Answered(int id, int state)
{
    if (id < 0 || id >= s_marks.pathCount || s_marks.paths[id].state == state)
        return;
    if (s_marks.paths[id].state == PATH_WAITING && --s_marks.waiting == 0)
        KillTimer(g_hMainWnd, MARKS_SLOW_TIMER);
    s_marks.paths[id].state = state;
}

static double Milliseconds(void);

#define DRAW_MS 100   /* while marks come in, the list is drawn again at most this often */

/* Has the list drawn again; while a round runs or answers come in, at most every DRAW_MS: its
   painting costs the window more than the rows' checks. */
static void DrawMarks(BOOL now)
{
    static double drawn;

    if (now || Milliseconds() - drawn >= DRAW_MS) {
        InvalidateRect(GetDlgItem(g_hMainWnd, IDC_ENTRY_LIST), NULL, FALSE);
        drawn = Milliseconds();
    }
}

static void Redraw(void)
{
    DrawMarks(TRUE);
    ShowRowStatus();
}

/* The list is drawn again (its visible rows only); the status bar only when the selected row's
   answer has come. */
BOOL TakeExistAnswers(void)
{
    int id, selected = GetSelectedRow(), before = RowPathState(selected);
    BOOL exists;

    while (TakeExistAnswer(&id, &exists))
        Answered(id, exists ? PATH_EXISTS : PATH_MISSING);
    DrawMarks(s_marks.waiting == 0);
    if (RowPathState(selected) != before)
        ShowRowStatus();
    return TRUE;
}

/* A test that runs too long holds the worker: its path, and every path that waits behind it, is
   shown as not answering until its answer comes. */
static void MarkSlowPaths(void)
{
    int i;

    if (!SlowExistTest(NOT_ANSWERING_MS))
        return;
    for (i = 0; i < s_marks.pathCount; i++)
        if (s_marks.paths[i].state == PATH_WAITING)
            Answered(i, PATH_NOT_ANSWERING);
    Redraw();
}

/* ---- The round ---- */

static BOOL KeepFinding(int row, const char *problem)
{
    struct RowMarks *marks = &s_marks.rows[row];
    struct Finding *finding;
    size_t length;

    if (s_marks.findingCount == s_marks.findingCapacity) {
        int capacity = s_marks.findingCapacity ? s_marks.findingCapacity * 2 : 1024;
        struct Finding *grown = (struct Finding *)realloc(s_marks.findings, (size_t)capacity * sizeof *grown);
        if (grown == NULL)
            return FALSE;
        s_marks.findings = grown;
        s_marks.findingCapacity = capacity;
    }
    length = strlen(problem) + 1;
    if (s_marks.textUsed + length > s_marks.textCapacity) {
        size_t capacity = s_marks.textCapacity ? s_marks.textCapacity * 2 : 65536;
        char *grown;
        while (capacity < s_marks.textUsed + length)
            capacity *= 2;
        grown = (char *)realloc(s_marks.texts, capacity);
        if (grown == NULL)
            return FALSE;
        s_marks.texts = grown;
        s_marks.textCapacity = capacity;
    }
    finding = &s_marks.findings[s_marks.findingCount];
    finding->text = s_marks.textUsed;
    memcpy(s_marks.texts + s_marks.textUsed, problem, length);
    s_marks.textUsed += length;
    finding->next = -1;
    if (marks->last >= 0)
        s_marks.findings[marks->last].next = s_marks.findingCount;
    else
        marks->findings = s_marks.findingCount;
    marks->last = s_marks.findingCount++;
    marks->others++;
    return TRUE;
}

static void Found(void *context, int row, const char *problem)
{
    (void)context;
    if (row >= 0 && row < s_marks.rowCount)
        KeepFinding(row, problem);
}

/* The round asks the worker and never waits: the path's answer is applied as it comes, on top of
   the other findings. */
static int AskRowPath(void *context, const char *path)
{
    (void)context;
    if (s_marks.current >= 0 && s_marks.current < s_marks.rowCount)
        s_marks.rows[s_marks.current].path = PathId(path);
    return 1;
}

static void FreeFindings(void)
{
    s_marks.findingCount = 0;
    s_marks.textUsed = 0;
}

static DWORD WINAPI EndCheckAside(LPVOID run)
{
    EndCheck((CheckRun *)run);
    return 0;
}

/* The end of a check of many rows frees a block for each of their folders: on a thread of its own
   that would hold the window for tens of milliseconds. */
#define ASIDE_ROWS 10000

static void EndRound(void)
{
    HANDLE aside = NULL;

    if (s_marks.run != NULL && s_marks.rowCount > ASIDE_ROWS)
        aside = CreateThread(NULL, 64 * 1024, EndCheckAside, s_marks.run, STACK_SIZE_PARAM_IS_A_RESERVATION, NULL);
    if (aside != NULL)
        CloseHandle(aside);
    else
        EndCheck(s_marks.run);
    s_marks.run = NULL;
    if (g_hMainWnd != NULL)
        KillTimer(g_hMainWnd, MARKS_ROUND_TIMER);
}

static void ReleaseVariables(void)
{
    ReleaseCheckVariables(s_marks.variables, s_marks.names, s_marks.nameCounts);
    s_marks.variables = NULL;
    s_marks.names[0] = s_marks.names[1] = NULL;
    s_marks.nameCounts[0] = s_marks.nameCounts[1] = s_marks.variableCount = 0;
}

/* The log-on variables are read from the registry when the status bar first needs them in a
   round, not with every round. */
static void ReadLogOnOnce(void)
{
    if (s_marks.logOnRead)
        return;
    s_marks.logOnRead = TRUE;
    ReadLogOnVariables(s_marks.variables, s_marks.variableCount);
}

BOOL OnMarksRoundMessage(void)
{
    /* A round run at once since the message was posted has made it late. */
    return !s_marks.roundAsked || StartMarksRound();
}

BOOL StartMarksRound(void)
{
    /* The marks say nothing of an expansion that fails: Check all tells it. */
    CheckCallbacks callbacks = {NULL, ExpandForFindingsQuietly, AskRowPath, TextUnitsOf, FoldTextCase, Found};
    int i;

    s_marks.roundAsked = FALSE;
    s_marks.stale = FALSE;
    EndRound();
    FreeFindings();
    FitRows(GetRowCount());
    for (i = 0; i < s_marks.rowCount; i++)
        s_marks.rows[i].findings = s_marks.rows[i].last = -1;
    ReleaseVariables();
    s_marks.logOnRead = FALSE;
    s_marks.variables = ReadCheckVariables(s_marks.names, s_marks.nameCounts, &s_marks.variableCount);
    if (s_marks.variables != NULL)
        s_marks.run = StartCheck(g_varName, s_marks.variables, s_marks.variableCount, &callbacks);
    /* Every row learns its path, and both tables take all the round's paths from the start: no
       slice grows them. */
    if (s_marks.run != NULL) {
        AskEveryPath(s_marks.run, 1);
        ReserveCheckRows(s_marks.run, (size_t)s_marks.rowCount);
    }
    while (s_marks.pathCapacity < s_marks.rowCount && GrowPaths())
        ;
    s_marks.next = 0;
    s_marks.current = -1;
    s_marks.sectionHeaders = 0;
    if (s_marks.run != NULL)
        SetTimer(g_hMainWnd, MARKS_ROUND_TIMER, USER_TIMER_MINIMUM, NULL);
    return TRUE;
}

static BOOL CheckNextRow(void)
{
    int row = s_marks.next++;
    struct RowMarks *marks = &s_marks.rows[row];
    BOOL ok;

    marks->others = 0;
    marks->path = -1;
    marks->header = GetRowData(row) != 0;
    s_marks.sectionHeaders += marks->header;
    marks->user = s_marks.sectionHeaders >= 2;
    if (marks->header)
        return CheckRow(s_marks.run, row, NULL, TRUE);
    if (ReadRowText(row, &s_marks.text, &s_marks.textSize) < 0)
        return FALSE;
    s_marks.current = row;
    ok = CheckRow(s_marks.run, row, s_marks.text, FALSE);
    s_marks.current = -1;
    return ok;
}

/* Milliseconds from the performance counter: the tick count may move in steps of 16 ms (it does
   under Wine), as long as a slice or more. */
static double Milliseconds(void)
{
    static LARGE_INTEGER frequency;
    LARGE_INTEGER now;

    if (frequency.QuadPart == 0)
        QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return (double)now.QuadPart * 1000.0 / (double)frequency.QuadPart;
}

/* Rows for up to ms milliseconds (0: to the end); the round ends after its last row. */
static void RunRound(DWORD ms)
{
    double start = Milliseconds();
    BOOL ok = TRUE;

    while (s_marks.run != NULL && !s_marks.stale && s_marks.next < s_marks.rowCount && ok) {
        ok = CheckNextRow();
        if (ms != 0 && Milliseconds() - start >= ms)
            break;
    }
    if (s_marks.run != NULL && !s_marks.stale && (s_marks.next >= s_marks.rowCount || !ok)) {
        if (ok)
            FinishCheck(s_marks.run);
        EndRound();
        DrawMarks(TRUE);
        ShowRowStatus();   /* the status bar says what the whole round found */
    } else {
        DrawMarks(FALSE);
    }
}

BOOL OnMarksTimer(WPARAM id)
{
    if (id == MARKS_ROUND_TIMER)
        RunRound(SLICE_MS);
    else if (id == MARKS_SLOW_TIMER)
        MarkSlowPaths();
    else
        return FALSE;
    return TRUE;
}

BOOL MarksComplete(void)
{
    return !s_marks.roundAsked && s_marks.run == NULL && !s_marks.stale && s_marks.waiting == 0;
}

void CompleteMarksRound(void)
{
    if (s_marks.stale || s_marks.roundAsked || s_marks.rowCount != GetRowCount())
        StartMarksRound();
    RunRound(0);
}

void RetestMarks(void)
{
    ForgetPaths();
    AskRound();
}

/* Only what draws the window and brings the answers: commands and input wait for the end. */
int WaitForAnswer(int id)
{
    static const UINT kinds[][2] = {{WM_PAINT, WM_PAINT}, {WM_TIMER, WM_TIMER}, {UM_EXIST_ANSWER, UM_EXIST_ANSWER}};
    int state;
    MSG msg;
    size_t i;

    while ((state = StateOfPath(id)) == PATH_WAITING) {
        MsgWaitForMultipleObjects(0, NULL, FALSE, 20, QS_ALLINPUT);
        for (i = 0; i < sizeof kinds / sizeof kinds[0]; i++)
            while (PeekMessageA(&msg, NULL, kinds[i][0], kinds[i][1], PM_REMOVE))
                DispatchMessageA(&msg);
    }
    return state;
}

/* ---- What the window shows ---- */

int RowMarkOf(int row)
{
    const struct RowMarks *marks;

    /* A row that the round has not reached yet keeps the mark of the last round. */
    if (row < 0 || row >= s_marks.rowCount)
        return -1;
    marks = &s_marks.rows[row];
    return marks->header ? MARK_NONE : RowMark(StateOfPath(marks->path), marks->others);
}

/* A mark of the row's height: a red disc for a path that does not exist, an amber diamond for
   any other finding, a grey ring for a path that does not answer. */
static void DrawMark(HDC dc, const RECT *box, int mark)
{
    static const COLORREF colours[] = {0, RGB(200, 30, 30), RGB(230, 150, 0), RGB(128, 128, 128)};
    int size = box->bottom - box->top, inset = size / 4;
    RECT area = {box->left + inset, box->top + inset, box->left + size - inset, box->bottom - inset};
    HBRUSH brush = mark == MARK_NOT_ANSWERING ? (HBRUSH)GetStockObject(NULL_BRUSH) : CreateSolidBrush(colours[mark]);
    HPEN pen = CreatePen(PS_SOLID, mark == MARK_NOT_ANSWERING ? 2 : 1, colours[mark]);
    HGDIOBJ oldBrush = SelectObject(dc, brush), oldPen = SelectObject(dc, pen);

    if (mark == MARK_PROBLEM) {
        int middleX = (area.left + area.right) / 2, middleY = (area.top + area.bottom) / 2;
        POINT diamond[4] = {{middleX, area.top}, {area.right, middleY}, {middleX, area.bottom}, {area.left, middleY}};
        Polygon(dc, diamond, 4);
    } else {
        Ellipse(dc, area.left, area.top, area.right, area.bottom);
    }
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(pen);
    if (mark != MARK_NOT_ANSWERING)
        DeleteObject(brush);
}

#define DRAWN_UNITS 4096   /* more of a row than this never fits the list's width */

BOOL DrawListRow(const DRAWITEMSTRUCT *item)
{
    BOOL selected = (item->itemState & ODS_SELECTED) != 0;
    RECT box = item->rcItem;
    int height = box.bottom - box.top, mark;
    LRESULT length;
    WCHAR *text;

    if (item->CtlID != IDC_ENTRY_LIST)
        return FALSE;
    if (item->itemAction == ODA_FOCUS) {
        DrawFocusRect(item->hDC, &box);
        return TRUE;
    }
    FillRect(item->hDC, &box, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    if (item->itemID != (UINT)-1) {
        mark = RowMarkOf((int)item->itemID);
        if (mark > MARK_NONE)
            DrawMark(item->hDC, &box, mark);
        text = CopyRowWide(item->hwndItem, (int)item->itemID, &length);
        if (text != NULL && length > 0) {
            SetBkMode(item->hDC, TRANSPARENT);
            SetTextColor(item->hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
            ExtTextOutW(item->hDC, box.left + height, box.top, ETO_CLIPPED, &box, text,
                        (UINT)(length < DRAWN_UNITS ? length : DRAWN_UNITS), NULL);
        }
        free(text);
    }
    if (item->itemState & ODS_FOCUS)
        DrawFocusRect(item->hDC, &box);
    return TRUE;
}

/* The section's rows and problems, from its header row on. */
static void SectionStatus(int header, char *out, size_t size)
{
    int rows = 0, problems = 0, i;

    for (i = header + 1; i < s_marks.rowCount && !s_marks.rows[i].header; i++) {
        rows++;
        problems += s_marks.rows[i].others + (PathProblem(StateOfPath(s_marks.rows[i].path)) != NULL);
    }
    FormatSectionStatus(out, size, s_marks.rows[header].user ? USER_SECTION_NAME : MACHINE_SECTION_NAME, rows, problems);
}

#define STATUS_PROBLEMS 16   /* a row has a handful of findings at most: more are not shown */

/* The entry row's expansion at log-on and its problems, in Check all's words. */
static char *EntryStatus(int row)
{
    const struct RowMarks *marks = &s_marks.rows[row];
    const char *problems[STATUS_PROBLEMS];
    const LogOnVariable *variables;
    size_t count = 0, variableCount;
    char *text = CopyRowText(row), *expansion, *status = NULL;
    int finding;

    if (PathProblem(StateOfPath(marks->path)) != NULL)
        problems[count++] = PathProblem(StateOfPath(marks->path));
    for (finding = marks->findings; finding >= 0 && count < STATUS_PROBLEMS; finding = s_marks.findings[finding].next)
        problems[count++] = s_marks.texts + s_marks.findings[finding].text;
    ReadLogOnOnce();
    if (marks->user && text != NULL && strchr(text, '%') != NULL)
        AddEditedLogOnVariable();
    variables = LogOnVariables(&variableCount);
    expansion = ExpandAtLogOn(text ? text : "", marks->user, variables, variableCount);
    if (expansion != NULL)
        status = FormatRowStatus(expansion, problems, count);
    free(expansion);
    free(text);
    return status;
}

/* The status bar's text is its window text, so that another program can read it. */
void ShowRowStatus(void)
{
    HWND bar = GetDlgItem(g_hMainWnd, IDC_STATUS_BAR);
    int row = GetSelectedRow();
    char summary[128] = "", *status = NULL;
    WCHAR *wide;

    if (bar == NULL)
        return;
    if (s_marks.run != NULL)
        return;   /* said when the round has ended */
    if (row >= 0 && row < s_marks.rowCount) {
        if (s_marks.rows[row].header)
            SectionStatus(row, summary, sizeof summary);
        else
            status = EntryStatus(row);
    } else if (row < 0) {
        /* Without a selection, both sections' summaries. */
        for (row = 0; row < s_marks.rowCount; row++) {
            size_t length = strlen(summary);
            if (!s_marks.rows[row].header)
                continue;
            if (length > 0 && length + 2 < sizeof summary) {
                strcpy(summary + length, "; ");
                length += 2;
            }
            SectionStatus(row, summary + length, sizeof summary - length);
        }
    }
    wide = WideFromText(status ? status : summary);
    if (wide != NULL)
        SetWindowTextW(bar, wide);
    free(wide);
    free(status);
}

void StartMarks(HWND window)
{
    StartExistWorker(window, UM_EXIST_ANSWER);
}

void StopMarks(void)
{
    EndRound();
    StopExistWorker();
    ForgetPaths();
    FreeFindings();
    ReleaseLogOnVariables();
    ReleaseVariables();
    free(s_marks.rows);
    free(s_marks.text);
    free(s_marks.findings);
    free(s_marks.texts);
    free(s_marks.paths);
    free(s_marks.slots);
    ZeroMemory(&s_marks, sizeof s_marks);
}
