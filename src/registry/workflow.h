/* Moving the variable between the registry and the entry list, and the close guard. */
#ifndef VELKOR_WORKFLOW_H
#define VELKOR_WORKFLOW_H

#include <windows.h>

#define CONFIRM_UPDATE  1
#define CONFIRM_PENDING 2

BOOL RetrieveVariable(BOOL askName);
BOOL UpdateVariable(int mode);
BOOL QueryClose(void);
/* Whether the row (-1: the selected one; a header row counts with the section it begins) belongs
   to a section whose value updates leave as it is stored: no editing command may change, delete,
   move or copy such a row, nor put a row in its place. */
BOOL RowLeftAsStored(int index);
/* Puts both values into the list as pending changes, each section exactly as the value splits;
   the update question then says what they change. The one way a whole new content enters the
   list outside a retrieve (History's Restore). FALSE when the list could not take every row or
   a retrieve, update or close guard is running. */
BOOL LoadValuesIntoList(const char *machineValue, const char *userValue);
INT_PTR CALLBACK VarNameDialogProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);

#endif
