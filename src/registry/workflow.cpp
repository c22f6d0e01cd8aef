/* placeholder until the module lands */
#include "registry/workflow.h"
BOOL RetrieveVariable(BOOL) { return FALSE; }
BOOL UpdateVariable(int) { return TRUE; }
BOOL QueryClose(void) { return TRUE; }
INT_PTR CALLBACK VarNameDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
