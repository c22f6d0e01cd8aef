/* The DPI that a window is drawn at, asked of the system once here. */
#ifndef VELKOR_DPI_H
#define VELKOR_DPI_H

#include <windows.h>

/* The system's DPI, in which the system metrics and the non-client metrics are given. */
int SystemDpi(void);

/* The window's own DPI (GetDpiForWindow, looked up at run time: Windows 10 version 1607 and
   later), else the system's. */
int WindowDpi(HWND wnd);

/* A system metric (SM_CXICON, SM_CYCAPTION...) at the window's DPI. */
int MetricForWindow(HWND wnd, int index);

/* Leaves the dialog's answer to a change of DPI to its own procedure: the dialog manager neither
   resizes it nor moves its controls nor gives them its font (Windows 10 version 1703 and later,
   looked up at run time; earlier systems do none of it). */
void HandleDpiChangesAlone(HWND dlg);

#endif
