/* The marks of the main list and the status bar's words for the selected row. Every change of
   the list (told by entrylist.cpp) starts a check round of all rows, run in slices on a timer of
   the main window; the existence of each path is asked of the worker (existworker.h), once
   however many rows name it, and applied as its answer comes. */
#ifndef VELKOR_MARKS_H
#define VELKOR_MARKS_H

#include <windows.h>

/* Private messages of the main window (UM_ROW_MARK is sent by tests: wParam the row, the result
   its MARK_* of rowstatus.h, -1 when there is no such row). */
#define UM_MARKS_ROUND  (WM_USER + 270)
#define UM_EXIST_ANSWER (WM_USER + 271)
#define UM_ROW_MARK     (WM_USER + 272)

#define MARKS_ROUND_TIMER 2701
#define MARKS_SLOW_TIMER  2702

void StartMarks(HWND window);   /* when the main window is created */
void StopMarks(void);    /* when it is destroyed */

/* Told by the list's primitives: a row inserted at index, deleted at index, or all gone. Each
   asks for a new round (one message for any number of changes). */
void MarksRowInserted(int index);
void MarksRowDeleted(int index);
void MarksListCleared(void);

/* The main window's messages. */
BOOL OnMarksRoundMessage(void);
BOOL StartMarksRound(void);
BOOL TakeExistAnswers(void);
BOOL OnMarksTimer(WPARAM id);
BOOL DrawListRow(const DRAWITEMSTRUCT *item);
int RowMarkOf(int row);
void ShowRowStatus(void);

/* What the path of a row, or a path, has been answered (PATH_* of rowstatus.h). */
int RowPathState(int row);
int PathStateOf(const char *path);
/* Whether every row has its mark: no round to run, no path waiting for its answer (one that does
   not answer counts as answered). */
BOOL MarksComplete(void);
/* Finishes the round under way, if any, at once. */
void CompleteMarksRound(void);
/* Forgets every answer: every path is asked again, and a new round is asked for. */
void RetestMarks(void);
/* Asks the worker about a path (once: a path asked before keeps its id and its answer); returns
   its id, -1 when memory ran out. */
int AskPath(const char *path);
/* The answer for the path, waiting for it without taking input: the window is still drawn and
   the answers still come. */
int WaitForAnswer(int id);

#endif
