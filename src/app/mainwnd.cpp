/* placeholder until the module lands */
#include "app/mainwnd.h"
INT_PTR CALLBACK MainDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
BOOL LayoutControls(WPARAM, int, int) { return TRUE; }
void EnableVariableCommands(BOOL) {}
