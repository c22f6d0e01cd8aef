#include "test_support.h"

#include "app/mainwnd.h"
#include "app/msgloop.h"
#include "common/common.h"
#include "resource.h"

#include <algorithm>
#include <set>
#include <stdio.h>

DialogAnswerer *DialogAnswerer::active_ = NULL;

namespace {
std::vector<HWND> g_toAnswer;       /* activated dialogs waiting for their handler */
std::set<HWND> g_known;             /* dialogs already recorded */
bool g_quitSeen = false;

bool IsDialogClass(HWND wnd)
{
    char cls[16] = "";
    GetClassNameA(wnd, cls, sizeof cls);
    return strcmp(cls, "#32770") == 0;
}

int IconOf(HWND dialog)
{
    HWND icon = GetDlgItem(dialog, 0x0440);
    if (!icon)
        icon = GetDlgItem(dialog, IDC_QUESTION_ICON);   /* the program's long-question dialog */
    if (!icon)
        return 0;
    HICON shown = (HICON)SendMessageA(icon, STM_GETICON, 0, 0);
    if (!shown)
        return 0;
    const struct { LPCSTR id; int style; } icons[] = {
        {IDI_HAND, MB_ICONERROR}, {IDI_EXCLAMATION, MB_ICONWARNING},
        {IDI_ASTERISK, MB_ICONINFORMATION}, {IDI_QUESTION, MB_ICONQUESTION},
    };
    for (const auto &i : icons)
        if (LoadIconA(NULL, i.id) == shown)
            return i.style;
    return -1;
}

/* The long-question dialog breaks long lines with "\r\r\n" where its field wraps them. */
std::string WithoutSoftBreaks(const std::string &text)
{
    std::string plain;
    for (size_t at = 0, found; at < text.size(); at = found + 3) {
        found = text.find("\r\r\n", at);
        if (found == std::string::npos)
            found = text.size();
        plain.append(text, at, found - at);
    }
    return plain;
}

void CALLBACK AnswerTimer(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(NULL, id);
    if (g_toAnswer.empty())
        return;
    HWND dialog = g_toAnswer.front();
    g_toAnswer.erase(g_toAnswer.begin());
    if (!IsWindow(dialog))
        return;
    DialogAnswerer::HookProc(-1, (WPARAM)dialog, 0);   /* hand it to the next handler */
}
} // namespace

DialogAnswerer::DialogAnswerer()
{
    active_ = this;
    g_toAnswer.clear();
    g_known.clear();
    hook_ = SetWindowsHookExA(WH_CBT, HookProc, NULL, GetCurrentThreadId());
}

DialogAnswerer::~DialogAnswerer()
{
    UnhookWindowsHookEx(hook_);
    active_ = NULL;
}

void DialogAnswerer::Queue(Handler handler) { handlers_.push_back(std::move(handler)); }

void DialogAnswerer::QueueClick(int buttonId)
{
    Queue([buttonId](HWND dialog) { PostClick(dialog, buttonId); });
}

void DialogAnswerer::PostClick(HWND dialog, int buttonId)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED), (LPARAM)GetDlgItem(dialog, buttonId));
}

SeenDialog DialogAnswerer::Describe(HWND dialog)
{
    SeenDialog seen;
    char buffer[1 << 16];
    GetWindowTextA(dialog, buffer, sizeof buffer);
    seen.caption = buffer;
    HWND text = GetDlgItem(dialog, 0xFFFF);
    HWND field = GetDlgItem(dialog, IDC_QUESTION_TEXT);   /* the program's long-question dialog */
    if (text || field) {
        HWND from = text ? text : field;
        int length = GetWindowTextLengthA(from);
        std::string all(length + 1, '\0');
        GetWindowTextA(from, &all[0], length + 1);
        all.resize(length);
        seen.text = text ? all : WithoutSoftBreaks(all);
    }
    seen.hasYes = GetDlgItem(dialog, IDYES) != NULL;
    seen.hasNo = GetDlgItem(dialog, IDNO) != NULL;
    seen.hasCancel = GetDlgItem(dialog, IDCANCEL) != NULL;
    seen.hasOk = GetDlgItem(dialog, IDOK) != NULL;
    for (int id : {IDOK, IDCANCEL, IDYES, IDNO}) {
        HWND button = GetDlgItem(dialog, id);
        if (button && (GetWindowLongA(button, GWL_STYLE) & 0x0F) == BS_DEFPUSHBUTTON)
            seen.defaultButton = id;
    }
    seen.icon = IconOf(dialog);
    return seen;
}

LRESULT CALLBACK DialogAnswerer::HookProc(int code, WPARAM wParam, LPARAM lParam)
{
    DialogAnswerer *self = active_;
    if (code == -1) {   /* from the timer: the dialog is up, answer it */
        HWND dialog = (HWND)wParam;
        if (!self)
            return 0;
        self->seen_.push_back(Describe(dialog));
        if (self->handlers_.empty()) {
            self->unexpected_++;
            PostClick(dialog, IDCANCEL);
        } else {
            Handler handler = std::move(self->handlers_.front());
            self->handlers_.erase(self->handlers_.begin());
            handler(dialog);
        }
        return 0;
    }
    if (code == HCBT_ACTIVATE && self) {
        HWND wnd = (HWND)wParam;
        if (wnd != g_hMainWnd && IsDialogClass(wnd) && !g_known.count(wnd) &&
            GetWindowLongPtrA(wnd, DWLP_DLGPROC) != (LONG_PTR)MainDialogProc) {
            g_known.insert(wnd);
            g_toAnswer.push_back(wnd);
            SetTimer(NULL, 0, 40, AnswerTimer);
        }
    } else if (code == HCBT_DESTROYWND) {
        g_known.erase((HWND)wParam);
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}

void PumpMessages(DWORD idleMs)
{
    static HACCEL accelerators = LoadAcceleratorsA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDR_ACCELERATORS));
    for (;;) {
        MSG msg;
        bool any = false;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            any = true;
            if (msg.message == WM_QUIT)
                g_quitSeen = true;
            else
                ProcessLoopMessage(&msg, accelerators);
        }
        if (!any && MsgWaitForMultipleObjects(0, NULL, FALSE, idleMs, QS_ALLINPUT) == WAIT_TIMEOUT)
            return;
    }
}

bool TakeQuitMessage()
{
    bool seen = g_quitSeen;
    g_quitSeen = false;
    return seen;
}

HWND CreateMainWindow()
{
    g_hInstance = GetModuleHandleA(NULL);
    g_hMainWnd = CreateDialogParamA(g_hInstance, MAKEINTRESOURCEA(IDD_MAIN), NULL, MainDialogProc, 0);
    PumpMessages();
    return g_hMainWnd;
}

HWND CreateMainWindowOn(const char *varName)
{
    lstrcpynA(g_varName, varName, sizeof g_varName);
    DeleteRawValue(HKEY_CURRENT_USER, kUserSubkey, g_varName);
    DeleteRawValue(HKEY_LOCAL_MACHINE, kMachineSubkey, g_varName);
    return CreateMainWindow();
}

void DestroyMainWindow()
{
    if (g_hMainWnd)
        DestroyWindow(g_hMainWnd);
    g_hMainWnd = NULL;
    g_modified = FALSE;
    PumpMessages(5);
    TakeQuitMessage();
}

HWND EntryList() { return GetDlgItem(g_hMainWnd, IDC_ENTRY_LIST); }
HWND EntryEdit() { return GetDlgItem(g_hMainWnd, IDC_ENTRY_EDIT); }

std::vector<std::string> ListRows()
{
    std::vector<std::string> rows;
    HWND list = EntryList();
    int count = (int)SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; i++) {
        int length = (int)SendMessageA(list, LB_GETTEXTLEN, i, 0);
        std::string text(length + 1, '\0');
        SendMessageA(list, LB_GETTEXT, i, (LPARAM)&text[0]);
        text.resize(length);
        LRESULT data = SendMessageA(list, LB_GETITEMDATA, i, 0);
        rows.push_back(text + "|" + std::to_string((long long)data));
    }
    return rows;
}

void SetListRows(const std::vector<std::string> &rows)
{
    HWND list = EntryList();
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    for (const std::string &row : rows) {
        bool header = !row.empty() && row[0] == '#';
        std::string text = header ? row.substr(1) : row;
        LRESULT index = SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)text.c_str());
        SendMessageA(list, LB_SETITEMDATA, index, header ? 1 : 0);
    }
}

std::string EditText()
{
    HWND edit = EntryEdit();
    int length = GetWindowTextLengthA(edit);
    std::string text(length + 1, '\0');
    GetWindowTextA(edit, &text[0], length + 1);
    text.resize(length);
    return text;
}

const char *const kUserSubkey = "Environment";
const char *const kMachineSubkey = "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";

bool SetRawValue(HKEY root, const char *subkey, const char *name, DWORD type, const void *data, DWORD size)
{
    HKEY key;
    if (RegCreateKeyExA(root, subkey, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL) != ERROR_SUCCESS)
        return false;
    LONG status = RegSetValueExA(key, name, 0, type, (const BYTE *)data, size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

bool GetRawValue(HKEY root, const char *subkey, const char *name, DWORD *type, std::string *bytes)
{
    HKEY key;
    if (RegOpenKeyExA(root, subkey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DWORD size = 0;
    LONG status = RegQueryValueExA(key, name, NULL, type, NULL, &size);
    if (status == ERROR_SUCCESS) {
        bytes->assign(size, '\0');
        status = RegQueryValueExA(key, name, NULL, type, (BYTE *)&(*bytes)[0], &size);
        bytes->resize(size);
    }
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

void DeleteRawValue(HKEY root, const char *subkey, const char *name)
{
    HKEY key;
    if (RegOpenKeyExA(root, subkey, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, name);
        RegCloseKey(key);
    }
}

std::string SystemText(DWORD code)
{
    char *text = NULL;
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER, NULL, code,
                   MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), (LPSTR)&text, 0, NULL);
    std::string copy = text ? text : "";
    if (text)
        LocalFree(text);
    return copy;
}

std::string ReadWholeFile(const std::string &path)
{
    std::string bytes;
    FILE *file = fopen(path.c_str(), "rb");
    if (!file)
        return bytes;
    char buffer[65536];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.append(buffer, got);
    fclose(file);
    return bytes;
}

std::string TempDir()
{
    static int counter = 0;
    char base[MAX_PATH];
    GetTempPathA(sizeof base, base);
    char path[MAX_PATH];
    /* Process ids repeat from one Wine session to the next: a folder left by an earlier run of
       the suite is skipped, so that no test meets files it did not write. */
    do
        snprintf(path, sizeof path, "%svelkor-test-%lu-%d", base, (unsigned long)GetCurrentProcessId(), ++counter);
    while (!CreateDirectoryA(path, NULL) && GetLastError() == ERROR_ALREADY_EXISTS);
    return path;
}

std::string UseNewLocalAppData()
{
    std::string folder = TempDir();
    SetEnvironmentVariableA("LOCALAPPDATA", folder.c_str());
    return folder;
}

std::string SnapshotFolder()
{
    char folder[MAX_PATH] = "";
    GetEnvironmentVariableA("LOCALAPPDATA", folder, sizeof folder);
    return std::string(folder) + "\\Velkor\\snapshots";
}

std::vector<std::string> SnapshotFiles()
{
    std::vector<std::string> files;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((SnapshotFolder() + "\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return files;
    do
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            files.push_back(SnapshotFolder() + "\\" + found.cFileName);
    while (FindNextFileA(find, &found));
    FindClose(find);
    std::sort(files.begin(), files.end());
    return files;
}

namespace {
/* Sets LOCALAPPDATA before any test runs, and deletes the snapshots when the program ends: the
   long values of some tests make snapshots of many megabytes. */
struct OwnLocalAppData {
    OwnLocalAppData() { UseNewLocalAppData(); }
    ~OwnLocalAppData()
    {
        for (const std::string &file : SnapshotFiles())
            DeleteFileA(file.c_str());
        RemoveDirectoryA(SnapshotFolder().c_str());
    }
} g_ownLocalAppData;
}  // namespace

std::wstring WideFromUtf8(const std::string &text)
{
    int length = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, NULL, 0);
    std::wstring wide(length > 0 ? length : 1, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, &wide[0], length);
    wide.resize(length > 0 ? length - 1 : 0);
    return wide;
}

std::string Utf8FromWide(const std::wstring &text)
{
    int length = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, NULL, 0, NULL, NULL);
    std::string utf8(length > 0 ? length : 1, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &utf8[0], length, NULL, NULL);
    utf8.resize(length > 0 ? length - 1 : 0);
    return utf8;
}

bool SetWideValue(HKEY root, const char *subkey, const std::string &name, DWORD type, const std::string &text)
{
    HKEY key;
    if (RegCreateKeyExW(root, WideFromUtf8(subkey).c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL))
        return false;
    std::wstring wide = WideFromUtf8(text);
    LONG status = RegSetValueExW(key, WideFromUtf8(name).c_str(), 0, type, (const BYTE *)wide.c_str(),
                                 (DWORD)((wide.size() + 1) * sizeof(WCHAR)));
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

bool GetWideValue(HKEY root, const char *subkey, const std::string &name, DWORD *type, std::string *text)
{
    HKEY key;
    if (RegOpenKeyExW(root, WideFromUtf8(subkey).c_str(), 0, KEY_READ, &key))
        return false;
    std::wstring wideName = WideFromUtf8(name);
    DWORD size = 0;
    LONG status = RegQueryValueExW(key, wideName.c_str(), NULL, type, NULL, &size);
    if (status == ERROR_SUCCESS) {
        std::wstring wide(size / sizeof(WCHAR) + 1, L'\0');
        status = RegQueryValueExW(key, wideName.c_str(), NULL, type, (BYTE *)&wide[0], &size);
        *text = Utf8FromWide(wide.c_str());
    }
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

void DeleteWideValue(HKEY root, const char *subkey, const std::string &name)
{
    HKEY key;
    if (RegOpenKeyExW(root, WideFromUtf8(subkey).c_str(), 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        RegDeleteValueW(key, WideFromUtf8(name).c_str());
        RegCloseKey(key);
    }
}
