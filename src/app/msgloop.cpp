/* One message of the main message loop: Up and Down in the edit field move the list's selection,
   the Find window's messages go to it, then the accelerators, then dialog keyboard processing. */
#include "app/msgloop.h"
#include "common/common.h"
#include "entries/editing.h"
#include "entries/find.h"
#include "resource.h"

static BOOL IsKeyDown(int key)
{
    return (GetKeyState(key) & 0x80) != 0;
}

/* Asked in this order, stopping at the first one held. */
static BOOL AnyModifierDown(void)
{
    return IsKeyDown(VK_CONTROL) || IsKeyDown(VK_SHIFT) || IsKeyDown(VK_MENU);
}

/* Up and Down in the edit field, without Ctrl, Shift or Alt, move the list's selection and go
   no further. Returns TRUE when the message was taken. */
static BOOL InterceptEditKey(const MSG *msg)
{
    if (msg->message != WM_KEYDOWN || msg->hwnd != GetDlgItem(g_hMainWnd, IDC_ENTRY_EDIT))
        return FALSE;
    if (msg->wParam != VK_UP && msg->wParam != VK_DOWN)
        return FALSE;
    if (AnyModifierDown())
        return FALSE;
    if (msg->wParam == VK_UP)
        SelectPreviousRow();
    else
        SelectNextRow();
    return TRUE;
}

void ProcessLoopMessage(MSG *msg, HACCEL accelerators)
{
    /* The Find window's keys are its own: Enter there finds, it does not modify a row. */
    if (InterceptEditKey(msg) || FindDialogMessage(msg))
        return;
    /* A matched key runs its command and still goes on to dialog processing and so to the
       focused control. */
    TranslateAcceleratorA(g_hMainWnd, accelerators, msg);
    if (!IsDialogMessageA(g_hMainWnd, msg)) {
        TranslateMessage(msg);
        DispatchMessageA(msg);
    }
}
