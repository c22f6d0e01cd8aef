/* Find (Ctrl+F): a modeless window that selects the entry rows holding a text. */
#ifndef VELKOR_FIND_H
#define VELKOR_FIND_H

#include <windows.h>

void OpenFind(void);                 /* opens the window, or brings it forward */
/* The main message loop hands every message here first: TRUE when it was the Find window's. */
BOOL FindDialogMessage(MSG *msg);

INT_PTR CALLBACK FindDialogProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);

#endif
