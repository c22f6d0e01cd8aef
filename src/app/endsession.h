/* The reason that the system shows when the program holds up the end of the session (Windows Vista
   and later; looked up at run time, nothing happens on older systems). */
#ifndef VELKOR_ENDSESSION_H
#define VELKOR_ENDSESSION_H

#include <windows.h>

/* Gives the reason while the window holds up the end of the session. */
void GiveEndSessionReason(HWND wnd, const WCHAR *reason);

/* Takes it back once the window no longer holds it up. */
void DropEndSessionReason(HWND wnd);

#endif
