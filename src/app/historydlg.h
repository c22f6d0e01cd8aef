/* File > History (Ctrl+H): the variable's changes, newest first, what each did, and Restore,
   which puts the list back to the values before a change and asks to write them. */
#ifndef VELKOR_HISTORYDLG_H
#define VELKOR_HISTORYDLG_H

#include <windows.h>

void ShowHistory(void);

INT_PTR CALLBACK HistoryDialogProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);

#endif
