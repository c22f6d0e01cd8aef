/* Driving the real velkor.exe from the test process: start it, find its windows, read their
   texts, press their buttons, send keys, wait for its end. Every wait is bounded.
   Texts of another process's windows are read with the W functions: under Wine the A forms come
   back garbled across processes. */
#ifndef VELKOR_E2E_SUPPORT_H
#define VELKOR_E2E_SUPPORT_H

#include <windows.h>

#include <string>
#include <vector>

/* The path of an executable that lies next to the test executable, and of velkor.exe. */
std::string SiblingExePath(const std::string &name);
std::string AppExePath();

/* Runs velkorc.exe, which lies next to the test executable, with the arguments (UTF-8) as a
   script would: standard output through a pipe into *out, standard error through a file into
   *err. The exit code, or -1 when it could not be started or did not end within 60 s. */
int RunConsoleProgram(const std::vector<std::string> &args, std::string *out, std::string *err);

class AppProcess {
public:
    AppProcess() = default;
    ~AppProcess();   /* kills the process when it still runs */
    AppProcess(const AppProcess &) = delete;
    AppProcess &operator=(const AppProcess &) = delete;

    /* Starts velkor.exe with the given working folder (empty: the test's own) and arguments. */
    bool Start(const std::string &workDir = std::string(), const std::string &arguments = std::string());
    DWORD Pid() const { return info_.dwProcessId; }
    bool Running() const;

    /* The visible main window (title "Velkor Editor", with a menu bar), or NULL after timeoutMs. */
    HWND WaitForMainWindow(DWORD timeoutMs = 15000);
    /* A dialog of the process other than the main window (a message box, a common dialog, the
       variable-name dialog), with the given caption unless it is empty; NULL after timeoutMs. */
    HWND WaitForDialog(const std::string &caption, DWORD timeoutMs = 10000);
    /* Waits for the process to end; false (and *exitCode untouched) on timeout. */
    bool WaitForExit(DWORD timeoutMs, DWORD *exitCode);
    void Kill();

private:
    PROCESS_INFORMATION info_ = {};
    HWND main_ = NULL;
};

/* Top-level windows of a process, in Z order. */
std::vector<HWND> ProcessWindows(DWORD pid);
/* Waits until no process of the program is left (another test's leftovers), killing them after
   timeoutMs; true when none is left. */
bool NoAppRunning(DWORD timeoutMs = 5000);

std::string WindowText(HWND wnd);               /* WM_GETTEXT W form, as UTF-8 */
void SetWindowTextOf(HWND wnd, const std::string &text);   /* WM_SETTEXT W form, from UTF-8 */
std::string MessageBoxText(HWND dialog);        /* the text of a message box (static 0xFFFF) */

/* A menu bar as lines "Popup/Item text=id", separators as "Popup/-", popups as "Popup".
   Only for menus of this process: under Wine a menu handle means nothing in another process. */
std::vector<std::string> MenuLines(HMENU bar);
/* The same without the ids: what the user sees of the menu bar. */
std::vector<std::string> MenuTexts(HMENU bar);
/* What MenuTexts gives for the program's menu bar. */
std::vector<std::string> ExpectedMenuTexts();
/* Menu 1 as it is stored in velkor.exe, loaded from the file; DestroyMenu it when done. */
HMENU LoadAppMenu();

void ClickButton(HWND dialog, int buttonId);    /* posts WM_COMMAND BN_CLICKED */
void PostCommand(HWND wnd, UINT id);            /* posts WM_COMMAND id, lParam 0 (a menu item) */
/* Posts WM_KEYDOWN and WM_KEYUP of a key to a control, as the keyboard would. No modifier is
   held for the receiving thread. */
void PostKey(HWND control, WORD virtualKey);

/* Waits until predicate() holds, pumping this thread's messages; false after timeoutMs. */
template <typename Predicate>
bool WaitUntil(Predicate predicate, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (predicate())
            return true;
        if (GetTickCount() - start > timeoutMs)
            return false;
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(20);
    }
}

/* The rows of another process's entry list, as UTF-8 (LB_GETTEXT W form); one of its rows ("" when
   there is none). */
std::vector<std::string> ListTexts(HWND list);
std::string ListText(HWND list, int row);
/* Selects a row of the main window's entry list and notifies the window as a click would. */
void SelectListRow(HWND main, int row);
/* The same for the list box listId of another window of the program (a dialog's). */
void SelectRowOf(HWND window, int listId, int row);
/* The file name field of a save dialog of another process. */
HWND SaveDialogNameField(HWND dialog);

/* The text of a question: a message box's, or the whole text of the program's long-question dialog
   without the soft line breaks ("\r\r\n") that it adds where its field wraps. Across processes a
   message carries at most about 64 KB of text: longer texts come back cut. */
std::string QuestionText(HWND dialog);
/* Whether a window lies wholly within the work area of the screen that holds it. */
bool InWorkArea(HWND wnd);

#endif
