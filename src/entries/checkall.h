/* "Check all" (Shift+F5): every problem of the entry list at once, in a report of its own. */
#ifndef VELKOR_CHECKALL_H
#define VELKOR_CHECKALL_H

#include <windows.h>
#include "entries/findings.h"
#include "registry/regaccess.h"

/* Checks every row and shows the findings; Go to selects a finding's row. The list and
   g_modified stay as they are. */
void CheckAllEntries(void);

/* What the findings need of the system (see findings.h), shared with the list's marks. */
char *ExpandRow(void *context, const char *text);
size_t TextUnits(void *context, const char *text);
char *FoldCase(void *context, const char *text);
/* The variables that the two Environment keys define; the names stay in names[] (release them
   with ReleaseValueNames). The array is the caller's to free. */
CheckVariable *ReadVariables(ValueName *names[2], size_t counts[2], size_t *count);

INT_PTR CALLBACK CheckReportDialogProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);

#endif
