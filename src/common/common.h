/* The program's globals and the helpers that every module uses. */
#ifndef VELKOR_COMMON_H
#define VELKOR_COMMON_H

#include <windows.h>
#include "common/texts.h"

/* Private messages that a window posts to itself (wParam 0, lParam 0). */
#define UM_DEFERRED_INIT (WM_USER + 1)
#define UM_SYNC_EDIT     (WM_USER + 3)

/* A name of up to 255 characters; in UTF-8 one of them may take three bytes (a character
   beyond U+FFFF takes four, but counts as two). */
#define VAR_NAME_LIMIT 255
#define VAR_NAME_SIZE (VAR_NAME_LIMIT * 3 + 1)

extern HINSTANCE g_hInstance;            /* set by WinMain after the single-instance test */
extern HWND g_hMainWnd;                  /* set when the main window's creation returns */
extern char g_varName[VAR_NAME_SIZE];    /* the variable being edited; "PATH" at start */
extern BOOL g_modified;                  /* the list holds changes not yet written */

/* Shows the system's text for an error code (0: the thread's last error) in a message box. */
void ShowSystemError(DWORD code);

/* Frees the text that *text holds and clears the pointer; nothing when it is already clear. */
void ReleaseText(char **text);

#endif
