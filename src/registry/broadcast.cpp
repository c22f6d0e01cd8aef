/* The notice to running programs, without any window of its own: the editor's command and the
   console program send it alike. */
#include "registry/notify.h"

BOOL BroadcastEnvironmentChange(void)
{
    HCURSOR previous = SetCursor(LoadCursorA(NULL, (LPCSTR)IDC_WAIT));
    DWORD_PTR answer = 0;
    LRESULT sent;
    DWORD error;

    /* The wide form: the windows that listen, Explorer's among them, are Unicode windows, and
       not every system converts the text of a broadcast for them. */
    SetLastError(0);
    sent = SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, 0, (LPARAM)L"Environment",
                               SMTO_ABORTIFHUNG, 5000, &answer);
    error = GetLastError();
    SetCursor(previous);
    /* A broadcast does not report windows one by one; 0 with ERROR_TIMEOUT only means that some
       window did not answer in time, and the others have the message. 0 with any other error, or
       with none at all, is a failure: the message could not be sent. */
    if (sent == 0 && error != ERROR_TIMEOUT) {
        SetLastError(error != 0 ? error : ERROR_CAN_NOT_COMPLETE);
        return FALSE;
    }
    return TRUE;
}
