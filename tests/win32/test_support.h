/* Helpers for the tests under Wine: a hook that answers modal dialogs and records what they showed,
   the main window created as the program creates it, a message pump, registry and profile helpers. */
#ifndef VELKOR_TEST_SUPPORT_H
#define VELKOR_TEST_SUPPORT_H

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

/* What a modal dialog (message box, common dialog, the variable-name dialog) showed. */
struct SeenDialog {
    std::string caption;
    std::string text;       /* a message box's text (static control 0xFFFF) or the long-question
                               dialog's; empty otherwise */
    bool hasYes = false, hasNo = false, hasCancel = false, hasOk = false;
    int defaultButton = 0;  /* id of the button with BS_DEFPUSHBUTTON, 0 when none */
    int icon = 0;           /* MB_ICONERROR, MB_ICONWARNING, MB_ICONINFORMATION, MB_ICONQUESTION; 0 none */
};

/* Installs a WH_CBT hook on this thread; every dialog that becomes active is recorded and handed to
   the next queued handler, which answers it (for example by posting a button's command). A dialog
   with no handler left is answered with IDCANCEL and counted as unexpected. Uninstalls on
   destruction. */
class DialogAnswerer {
public:
    using Handler = std::function<void(HWND dialog)>;
    DialogAnswerer();
    ~DialogAnswerer();
    DialogAnswerer(const DialogAnswerer &) = delete;
    DialogAnswerer &operator=(const DialogAnswerer &) = delete;

    void Queue(Handler handler);
    void QueueClick(int buttonId);            /* answer a message box with this button */
    const std::vector<SeenDialog> &Seen() const { return seen_; }
    int Unexpected() const { return unexpected_; }
    size_t Pending() const { return handlers_.size(); }

    static SeenDialog Describe(HWND dialog);
    static LRESULT CALLBACK HookProc(int code, WPARAM wParam, LPARAM lParam);
    static void PostClick(HWND dialog, int buttonId);

private:
    HHOOK hook_;
    std::vector<Handler> handlers_;
    std::vector<SeenDialog> seen_;
    int unexpected_ = 0;
    static DialogAnswerer *active_;
};

/* Runs every message that is waiting, through the program's own loop handling, until the queue
   has been empty for `idleMs` milliseconds. */
void PumpMessages(DWORD idleMs = 30);
/* Whether a WM_QUIT reached PumpMessages since the last call. */
bool TakeQuitMessage();

/* Creates the main window from its template as WinMain does (g_hInstance, g_hMainWnd) and lets
   its deferred start-up run; DestroyMainWindow ends it. The start-up retrieve reads g_varName. */
HWND CreateMainWindow();
void DestroyMainWindow();

/* The same, on a variable of the test's own that exists under neither key (both values are
   deleted first), so that the start-up retrieve gives two empty sections. */
HWND CreateMainWindowOn(const char *varName);

HWND EntryList();   /* IDC_ENTRY_LIST of g_hMainWnd */
HWND EntryEdit();   /* IDC_ENTRY_EDIT of g_hMainWnd */

/* The rows of the entry list as "text|data" strings, for whole-list assertions. */
std::vector<std::string> ListRows();
/* Empties the list and fills it with rows; a text that starts with '#' is a header row (data 1),
   written without the '#'. */
void SetListRows(const std::vector<std::string> &rows);

std::string EditText();

/* Raw registry access for arranging and checking values (HKEY_CURRENT_USER + kUserSubkey, ...). */
bool SetRawValue(HKEY root, const char *subkey, const char *name, DWORD type, const void *data, DWORD size);
bool GetRawValue(HKEY root, const char *subkey, const char *name, DWORD *type, std::string *bytes);
void DeleteRawValue(HKEY root, const char *subkey, const char *name);
extern const char *const kUserSubkey;     /* "Environment" */
extern const char *const kMachineSubkey;  /* "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment" */

/* The text that the system gives for an error code, as ShowSystemError shows it. */
std::string SystemText(DWORD code);

/* Files */
std::string ReadWholeFile(const std::string &path);
std::string TempDir();   /* a new, empty folder of the test's own, as a Windows path without trailing '\' */

#endif
