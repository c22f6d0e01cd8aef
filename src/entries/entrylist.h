/* The entry list: the rows of IDC_ENTRY_LIST of g_hMainWnd, the program's only copy of the variable.
   Row item data: 1 for a header row, 0 for an entry row. An index of -1 names the selected row.
   Every change goes through the functions here, which record it for undo while a step is open
   (undo.h). */
#ifndef VELKOR_ENTRYLIST_H
#define VELKOR_ENTRYLIST_H

#include <windows.h>

#define SECTION_MACHINE 1   /* start value of the header counter for the machine section */
#define SECTION_USER    0

void ClearList(void);
int GetRowCount(void);
int GetSelectedRow(void);
int AddRow(const char *text, LPARAM data);          /* -1, and no row, for an empty text */
int InsertEntryRow(const char *text, int index);    /* index -1: after the last row */
/* Puts back a row as the undo history holds it: its UTF-16 text and its item data. */
int RestoreRow(const WCHAR *text, int index, LPARAM data);
void DeleteRow(int index);
int GetRowTextLength(int index);                    /* -1 when index names no row */
/* A text malloc'ed for the caller (ReleaseText); NULL for an empty text or no row, and, without a
   message, when memory runs out: the caller reports it. */
char *CopyRowText(int index);
/* The row's text into *buffer, which the caller keeps from row to row (and frees): grown when the
   row needs more than its *size bytes: a walk over many rows reads each once, without a copy
   of its own. The text's length in bytes; -1 when index names no row or memory runs out. */
int ReadRowText(int index, char **buffer, size_t *size);
/* A row of list as it holds it, in UTF-16: a text malloc'ed for the caller, its length in *units;
   NULL when there is no such row or memory runs out. */
WCHAR *CopyRowWide(HWND list, int index, LRESULT *units);
LRESULT GetRowData(int index);                      /* -1 when index names no row */
/* The section that a row belongs to, SECTION_MACHINE or SECTION_USER (a header row begins its
   section); -1 when index names no row or a row before the first or after the second section. */
int RowSection(int index);
char *JoinSection(int start);                       /* SECTION_MACHINE or SECTION_USER; "" when empty */
/* value is unchanged on return. 0 when the list could not take every element (reported). */
int ParseValueIntoList(char *value);

/* Whether the section's value (SECTION_MACHINE or SECTION_USER) is left exactly as it is stored:
   the retrieve tells it for each section it reads, and until the next retrieve no update writes
   it and no editing command touches its rows. */
void SetSectionLeftAsStored(int section, BOOL left);
/* Whether the row (-1: the selected one; a header row counts with the section it begins) belongs
   to a section whose value updates leave as it is stored: no editing command may change, delete,
   move or copy such a row, nor put a row in its place. */
BOOL RowLeftAsStored(int index);

/* Pauses the list's drawing around a bulk change (TRUE), and resumes it (FALSE). Pauses nest:
   the list is drawn once, when the outermost pause ends. */
void PauseListRedraw(BOOL pause);

#endif
