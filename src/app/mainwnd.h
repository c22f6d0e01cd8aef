/* The main window: a modeless dialog with the entry list, the edit field and the command table. */
#ifndef VELKOR_MAINWND_H
#define VELKOR_MAINWND_H

#include <windows.h>

INT_PTR CALLBACK MainDialogProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
BOOL LayoutControls(WPARAM sizeType, int width, int height);
void EnableVariableCommands(BOOL enable);

#endif
