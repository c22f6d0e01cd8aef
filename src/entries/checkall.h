/* "Check all" (Shift+F5): every problem of the entry list at once, in a report of its own. */
#ifndef VELKOR_CHECKALL_H
#define VELKOR_CHECKALL_H

#include <windows.h>
#include "entries/findings.h"
#include "registry/regaccess.h"

/* Checks every row and shows the findings; Go to selects a finding's row, Remove row removes it
   (one undo step, pending as any change). Nothing else changes the list. */
void CheckAllEntries(void);

/* The open report's window, or NULL. */
HWND CheckReportWindow(void);

/* Ends the open report, if any, as its Close button ends a finished check: a running check stops
   and no row is gone to. */
void CloseCheckReport(void);

INT_PTR CALLBACK CheckReportDialogProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);

#endif
