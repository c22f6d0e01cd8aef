/* The program's entry point: one instance at a time, the main window, the message loop. */
#include "app/mainwnd.h"
#include "app/msgloop.h"
#include "common/common.h"
#include "resource.h"

#include <objbase.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand)
{
    HANDLE mutex;
    HACCEL accelerators;
    HRESULT com;
    MSG msg;

    (void)previous;
    (void)commandLine;
    (void)showCommand;   /* the window's template makes it visible by itself */

    /* A drive without a medium (an empty card reader) fails the call that touches it instead of
       stopping the check of every row on the system's "no disk" box; the other flags stay. */
    SetErrorMode(SetErrorMode(SEM_FAILCRITICALERRORS) | SEM_FAILCRITICALERRORS);

    /* The name's existence is the test, not its ownership: a running instance keeps it alive. */
    mutex = CreateMutexA(NULL, TRUE, APP_SHORT_NAME);
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        HWND running = FindWindowA(NULL, APP_TITLE);
        if (running)
            BringWindowToTop(running);
        return 0;
    }

    /* The folder browser and the shell's "open" of the snapshot folder need COM on this thread. */
    com = CoInitializeEx(NULL, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    g_hInstance = instance;
    g_hMainWnd = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), NULL, MainDialogProc, 0);
    if (g_hMainWnd) {
        accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_ACCELERATORS));
        /* GetMessageA answers -1 on an error: that ends the loop too rather than spinning. */
        while (GetMessageA(&msg, NULL, 0, 0) > 0)
            ProcessLoopMessage(&msg, accelerators);
        DestroyWindow(g_hMainWnd);
    }
    if (SUCCEEDED(com))
        CoUninitialize();
    ReleaseMutex(mutex);
    return 0;
}
