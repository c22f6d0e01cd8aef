/* Helpers for the tests under Wine: a hook that answers modal dialogs and records what they showed,
   the main window created as the program creates it, a message pump, registry and profile helpers. */
#ifndef VELKOR_TEST_SUPPORT_H
#define VELKOR_TEST_SUPPORT_H

#include <windows.h>

#include <algorithm>
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

/* Texts in any script: UTF-8 here, UTF-16 for the wide calls. */
std::wstring WideFromUtf8(const std::string &text);
std::string Utf8FromWide(const std::wstring &text);

/* Values whose name and text are UTF-8, stored and read through the wide registry calls, as
   Windows itself stores them: the A calls of the test program, which runs in code page 1252,
   would turn Ł into L and Chinese into '?'. SetWideValue stores the text with its zero;
   GetWideValue gives it up to its first zero, and its type. */
bool SetWideValue(HKEY root, const char *subkey, const std::string &name, DWORD type, const std::string &text);
bool GetWideValue(HKEY root, const char *subkey, const std::string &name, DWORD *type, std::string *text);
void DeleteWideValue(HKEY root, const char *subkey, const std::string &name);


/* Snapshots. The test program points LOCALAPPDATA at a new temporary folder as it starts, so that
   every update (each writes a snapshot), its own and velkor.exe's, keeps its snapshots there. */
std::string UseNewLocalAppData();   /* points LOCALAPPDATA at a new TempDir and returns it */
std::string SnapshotFolder();       /* %LOCALAPPDATA%\Velkor\snapshots */
std::vector<std::string> SnapshotFiles();   /* full paths of the files in it, sorted */

/* Saves every value of the machine environment key, removes the key so that opening it fails for
   real, and puts it back exactly as it was. */
class MachineKeyRemoval {
public:
    struct Value {
        std::string name;
        DWORD type;
        std::string data;
        bool operator<(const Value &other) const { return name < other.name; }
        bool operator==(const Value &other) const
        {
            return name == other.name && type == other.type && data == other.data;
        }
    };

    ~MachineKeyRemoval() { Restore(); }   /* also when a test stops half-way */

    bool Remove()
    {
        DWORD subkeys = 1;
        if (!ReadAll(&saved_, &subkeys) || subkeys != 0)
            return false;   /* a key with subkeys is not ours to remove */
        removed_ = RegDeleteKeyA(HKEY_LOCAL_MACHINE, kMachineSubkey) == ERROR_SUCCESS;
        return removed_;
    }

    /* Puts the key back when it was removed; true when it then holds exactly the saved values. */
    bool Restore()
    {
        if (!removed_)
            return true;
        HKEY key;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kMachineSubkey, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL))
            return false;
        for (const Value &value : saved_)
            RegSetValueExA(key, value.name.c_str(), 0, value.type, (const BYTE *)value.data.data(),
                           (DWORD)value.data.size());
        RegCloseKey(key);
        removed_ = false;
        std::vector<Value> now;
        DWORD subkeys;
        return ReadAll(&now, &subkeys) && now == saved_;
    }

private:
    static bool ReadAll(std::vector<Value> *values, DWORD *subkeys)
    {
        HKEY key;
        DWORD count, maxName, maxData;
        values->clear();
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kMachineSubkey, 0, KEY_READ, &key))
            return false;
        bool ok = RegQueryInfoKeyA(key, NULL, NULL, NULL, subkeys, NULL, NULL, &count, &maxName, &maxData,
                                   NULL, NULL) == ERROR_SUCCESS;
        for (DWORD i = 0; ok && i < count; i++) {
            std::string name(maxName + 1, '\0');
            std::string data(maxData + 1, '\0');
            DWORD nameLength = maxName + 1, dataSize = maxData + 1, type;
            ok = RegEnumValueA(key, i, &name[0], &nameLength, NULL, &type, (BYTE *)&data[0], &dataSize) ==
                 ERROR_SUCCESS;
            name.resize(nameLength);
            data.resize(dataSize);
            values->push_back({name, type, data});
        }
        RegCloseKey(key);
        std::sort(values->begin(), values->end());
        return ok;
    }

    std::vector<Value> saved_;
    bool removed_ = false;
};

#endif
