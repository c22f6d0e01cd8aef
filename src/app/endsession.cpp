#include "app/endsession.h"

typedef BOOL(WINAPI *ReasonCreateFunction)(HWND, LPCWSTR);
typedef BOOL(WINAPI *ReasonDestroyFunction)(HWND);

void GiveEndSessionReason(HWND wnd, const WCHAR *reason)
{
    ReasonCreateFunction create =
        (ReasonCreateFunction)(void *)GetProcAddress(
            GetModuleHandleA("user32.dll"), "ShutdownBlockReasonCreate");

    if (create != NULL)
        create(wnd, reason);
}

void DropEndSessionReason(HWND wnd)
{
    ReasonDestroyFunction destroy =
        (ReasonDestroyFunction)(void *)GetProcAddress(
            GetModuleHandleA("user32.dll"), "ShutdownBlockReasonDestroy");

    if (destroy != NULL)
        destroy(wnd);
}
