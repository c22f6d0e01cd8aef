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
/* Whether the list holds both values whole, as a retrieve that worked leaves it. */
BOOL ListIsComplete(void);
/* Shows the list that an instance restarting as administrator saved (texts of the process's code
   page), with its pending changes still pending, in place of a retrieve. What each value holds
   in the registry now is what the questions compare with, as after a retrieve. Without withUser
   the user section is read from the registry instead, as a retrieve reads it. FALSE, and nothing
   shown, when the name cannot be taken. */
struct RestartList;
BOOL ShowSavedList(const struct RestartList *list, BOOL withUser);
/* Puts both values into the list as pending changes, each section exactly as the value splits;
   the update question then says what they change. The one way a whole new content enters the
   list outside a retrieve (History's Restore). FALSE when the list could not take every row or
   a retrieve, update or close guard is running. */
BOOL LoadValuesIntoList(const char *machineValue, const char *userValue);
INT_PTR CALLBACK VarNameDialogProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);

#endif
