#include "common/dpi.h"
#include "common/dpiscale.h"

typedef UINT(WINAPI *GetDpiForWindowFunction)(HWND);

int SystemDpi(void)
{
    HDC screen = GetDC(NULL);
    int dpi = screen != NULL ? GetDeviceCaps(screen, LOGPIXELSY) : 0;

    if (screen != NULL)
        ReleaseDC(NULL, screen);
    return ChooseDpi(0, dpi);
}

int WindowDpi(HWND wnd)
{
    static GetDpiForWindowFunction getDpiForWindow;
    static BOOL looked;

    if (!looked) {
        looked = TRUE;
        getDpiForWindow = (GetDpiForWindowFunction)(void *)GetProcAddress(
            GetModuleHandleA("user32.dll"), "GetDpiForWindow");
    }
    /* 0 for a window that is not (yet) one: the system's then. */
    return ChooseDpi(getDpiForWindow != NULL && wnd != NULL ? (int)getDpiForWindow(wnd) : 0, SystemDpi());
}

int MetricForWindow(HWND wnd, int index)
{
    return ScaleToDpi(GetSystemMetrics(index), SystemDpi(), WindowDpi(wnd));
}
