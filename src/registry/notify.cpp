#include "registry/notify.h"
#include "registry/workflow.h"
#include "common/common.h"

#include <stdio.h>

#define NOTIFIED_FORMAT \
    "Running programs have been told that the environment has changed.\r\n\r\n" \
    "Programs started from now on see the value of \"%s\" that the registry holds now. Programs " \
    "that are already running, such as open command prompts, keep the value they started with " \
    "and hand it on to the programs they start."

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
