/* Helpers for the tests under Wine: a hook that answers modal dialogs and records what they showed,
   the main window created as the program creates it, a message pump, registry and profile helpers. */
#ifndef VELKOR_TEST_SUPPORT_H
#define VELKOR_TEST_SUPPORT_H

#include <windows.h>

#include <algorithm>
#include <functional>
#include <initializer_list>
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
   with no handler left is counted as unexpected, handed to the reporter, and dismissed (Cancel, or
   No where there is no Cancel; a save dialog that it complains for is cancelled too), so that it
   never waits for a click. Answerers nest: an inner one takes the dialogs while it lives, and the
   outer one takes them again after it. Uninstalls on destruction. */
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

    /* Told of every unexpected dialog, before it is dismissed; the test fixture fails the test. */
    using Reporter = void (*)(const SeenDialog &seen);
    static void SetUnexpectedReporter(Reporter reporter) { reporter_ = reporter; }

private:
    static void Dismiss(HWND dialog);
    HHOOK hook_ = NULL;
    DialogAnswerer *outer_ = NULL;
    static Reporter reporter_;
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

/* Texts in any script: UTF-8 here, UTF-16 for the wide calls. */
std::wstring WideFromUtf8(const std::string &text);
std::string Utf8FromWide(const std::wstring &text);

/* Values whose name and text are UTF-8, stored and read through the wide registry calls, as
   Windows itself stores them: the A calls of the test program, which runs in code page 1252,
   would turn Ł into L and Chinese into '?'. SetWideValue stores the text with its zero (zeros
   inside it too, as a REG_MULTI_SZ holds them); GetWideValue gives it whole without that last
   zero, its type, and (bytes not NULL) the bytes exactly as stored. */
bool SetWideValue(HKEY root, const char *subkey, const std::string &name, DWORD type, const std::string &text);
bool GetWideValue(HKEY root, const char *subkey, const std::string &name, DWORD *type, std::string *text,
                  std::string *bytes = nullptr);
void DeleteWideValue(HKEY root, const char *subkey, const std::string &name);


/* Snapshots. The test program points LOCALAPPDATA at a new temporary folder as it starts, so that
   every update (each writes a snapshot), its own and velkor.exe's, keeps its snapshots there. */
std::string UseNewLocalAppData();   /* points LOCALAPPDATA at a new TempDir and returns it */
std::string SnapshotFolder();       /* %LOCALAPPDATA%\Velkor\snapshots */
/* full paths of the files in it (the snapshots, without the history's records), sorted */
std::vector<std::string> SnapshotFiles(const char *pattern = "*.reg");

/* ---- Shared by the Wine suites ---- */

/* The subkey of Environment under one of the two roots (kUserSubkey, kMachineSubkey). */
const char *EnvSubkey(HKEY root);
/* A value of the variable `name` under the root's Environment key, stored with its zero. */
bool SetEnvText(HKEY root, const std::string &name, const std::string &text, DWORD type = REG_EXPAND_SZ);
/* The stored bytes of that value, "<absent>" when there is none; *type gets its type. */
std::string StoredEnv(HKEY root, const std::string &name, DWORD *type = nullptr);
/* Deletes the value `name` under both Environment keys. */
void DeleteEnvValues(const std::string &name);

/* Every value of a registry key as it stood, so that it can be put back exactly. Remove() takes
   the key away (only a key without subkeys), so that opening it fails for real; DenyChanges()
   denies everybody the right to set or delete its values, as Windows denies a standard user under
   HKEY_LOCAL_MACHINE; Restore() gives the key its access back and makes it hold exactly the saved
   values again, and says whether it does. */
class SavedKey {
public:
    SavedKey(HKEY root, const char *subkey);
    bool Remove();
    bool DenyChanges();
    bool Restore();

private:
    struct Value {
        std::wstring name;
        DWORD type;
        std::string data;
        bool operator==(const Value &other) const
        {
            return name == other.name && type == other.type && data == other.data;
        }
    };
    bool ReadAll(std::vector<Value> *values, DWORD *subkeys) const;
    HKEY root_;
    std::wstring subkey_;
    bool existed_;
    std::vector<Value> saved_;
    std::string security_;   /* the key's own access list while DenyChanges() is in force */
};

/* Presses a key as the keyboard would (SendInput), with the modifiers held around it, and lets
   the program's loop handle it. The window to receive it must be in the foreground. */
void PressKeys(std::initializer_list<WORD> modifiers, WORD key);
inline void PressKey(WORD key) { PressKeys({}, key); }

/* The rectangle that dialog template 1 gives the main window before anything moves it. */
RECT TemplateRect();

/* Answers the next dialog: a question with Yes, anything else with OK. A complaint of the save
   dialog itself (owned by it, not by the main window) also cancels the save dialog, which would
   otherwise stay open. */
void QueueYesOrOk(DialogAnswerer &answerer);

/* A descendant window of the given class (case ignored), NULL when none; whether one shows the text. */
HWND FindDescendant(HWND parent, const char *className);
bool HasChildText(HWND parent, const char *text);
/* The items of a combo box, in order. */
std::vector<std::string> ComboItems(HWND combo);

/* While it lives, the entry list answers as a list box that has run out of room: of the rows added
   or inserted (LB_ADDSTRING, LB_INSERTSTRING), the first `accepted` go in, the next `refused` are
   refused with LB_ERRSPACE, and the rest go in again. When textLength is not -1, LB_GETTEXTLEN
   answers it for every row, as a list would whose texts no buffer can hold. */
class FullList {
public:
    explicit FullList(int accepted, int refused = 1 << 30);
    ~FullList();
    FullList(const FullList &) = delete;
    FullList &operator=(const FullList &) = delete;
    LRESULT textLength = -1;
    int refusals = 0;   /* how many rows were refused */

private:
    static LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
    int accepted_, refused_;
    HWND list_;
    WNDPROC original_;
    static FullList *active_;
};

/* While it lives, malloc (which the program reaches through the executable's import entry, switched
   for the time) hands out blocks full of 'Z' bytes, so that a text not terminated right after its
   bytes shows at once, and refuses blocks larger than `limit` bytes, as a process whose memory has
   run out would. */
class TestMalloc {
public:
    explicit TestMalloc(size_t limit = (size_t)-1);
    ~TestMalloc();
    TestMalloc(const TestMalloc &) = delete;
    TestMalloc &operator=(const TestMalloc &) = delete;
};

/* The program's settings file, %LOCALAPPDATA%\Velkor\Velkor.ini (it follows LOCALAPPDATA), and
   the keys of its section "Velkor" as the file holds them: "<absent>" for a key it does not have;
   text NULL removes the key. ClearSettings empties the section in the file and the one in win.ini
   that earlier versions used, whose keys the program reads until the file has them. */
std::string SettingsFile();
std::string RawSetting(const char *key);
void SetRawSetting(const char *key, const char *text);
void ClearSettings();

/* The window's placement in the settings: the keys "x", "y", "w" and "h". Saved means all four are
   in the file with a width and a height above 0. ClearPlacementKeys removes them from the file and
   from the old win.ini section. */
extern const char *const kPlacementKeys[4];
void ClearPlacementKeys();
bool PlacementSaved();
bool AnyPlacementKey();

/* Whether the main window's menu shows the command greyed. */
bool CommandGreyed(UINT id);

/* A row of a list box of this or another process (W form; "" when the row cannot be read). */
std::wstring ListRowWide(HWND list, int row);
/* The long-question dialog's text as its list shows it: the rows in order, with a line break after
   each row whose line ends there. Read with the wide messages, which work across processes. */
std::wstring QuestionListText(HWND list);

#endif
