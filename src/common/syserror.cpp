#include "common/common.h"

#include <stdio.h>
#include <stdlib.h>

void ShowSystemError(DWORD code)
{
    char *text = NULL;
    char fallback[64];

    if (code == 0)
        code = GetLastError();
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER, NULL, code,
                   MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), (LPSTR)&text, 0, NULL);
    /* The system may have no text for a code; the user still learns which code it was. */
    if (text == NULL || text[0] == '\0')
        snprintf(fallback, sizeof fallback, "Error %lu", (unsigned long)code);
    MessageBoxA(g_hMainWnd, (text && text[0]) ? text : fallback, APP_TITLE, MB_ICONERROR);
    if (text)
        LocalFree(text);
}

void ReleaseText(char **text)
{
    if (*text) {
        free(*text);
        *text = NULL;
    }
}
