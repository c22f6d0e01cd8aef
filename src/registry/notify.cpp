#include "registry/notify.h"
#include "registry/workflow.h"
#include "common/common.h"

#include <stdio.h>

#define NOTIFIED_FORMAT \
    "Running programs have been told that the environment has changed.\r\n\r\n" \
    "Programs started from now on see the value of \"%s\" that the registry holds now. Programs " \
    "that are already running, such as open command prompts, keep the value they started with " \
    "and hand it on to the programs they start."

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

void NotifyRunningPrograms(void)
{
    char text[sizeof NOTIFIED_FORMAT + VAR_NAME_SIZE];

    if (g_modified && !UpdateVariable(CONFIRM_PENDING))
        return;
    if (!BroadcastEnvironmentChange()) {
        ShowSystemError(0);
        return;
    }
    snprintf(text, sizeof text, NOTIFIED_FORMAT, g_varName);
    MessageBoxA(g_hMainWnd, text, APP_TITLE, MB_OK | MB_ICONINFORMATION);
}
