#include "common/dpi.h"
#include "common/dpiscale.h"

typedef UINT(WINAPI *GetDpiForWindowFunction)(HWND);
typedef BOOL(WINAPI *SetDialogDpiChangeBehaviorFunction)(HWND, int, int);

#define DIALOG_DPI_CHANGE_DISABLE_ALL 1   /* DDC_DISABLE_ALL */

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

void HandleDpiChangesAlone(HWND dlg)
{
    SetDialogDpiChangeBehaviorFunction setBehavior =
        (SetDialogDpiChangeBehaviorFunction)(void *)GetProcAddress(
            GetModuleHandleA("user32.dll"), "SetDialogDpiChangeBehavior");

    if (setBehavior != NULL)
        setBehavior(dlg, DIALOG_DPI_CHANGE_DISABLE_ALL, DIALOG_DPI_CHANGE_DISABLE_ALL);
}
