/* Moving the variable between the registry and the entry list, and the close guard. */
#ifndef VELKOR_WORKFLOW_H
#define VELKOR_WORKFLOW_H

#include <windows.h>
#include "entries/entrylist.h"   /* RowLeftAsStored, which the list keeps */

#define CONFIRM_UPDATE  1
#define CONFIRM_PENDING 2

BOOL RetrieveVariable(BOOL askName);
BOOL UpdateVariable(int mode);
BOOL QueryClose(void);
INT_PTR CALLBACK VarNameDialogProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);

#endif
