#include "app/endsession.h"

typedef BOOL(WINAPI *ReasonCreateFunction)(HWND, LPCWSTR);
typedef BOOL(WINAPI *ReasonDestroyFunction)(HWND);

static FARPROC User32Function(const char *name)
{
    HMODULE user = GetModuleHandleA("user32.dll");

    return user != NULL ? GetProcAddress(user, name) : NULL;
}

void GiveEndSessionReason(HWND wnd, const WCHAR *reason)
{
    ReasonCreateFunction create =
        (ReasonCreateFunction)(void *)User32Function("ShutdownBlockReasonCreate");

    if (create != NULL)
        create(wnd, reason);
}

void DropEndSessionReason(HWND wnd)
{
    ReasonDestroyFunction destroy =
        (ReasonDestroyFunction)(void *)User32Function("ShutdownBlockReasonDestroy");

    if (destroy != NULL)
        destroy(wnd);
}
