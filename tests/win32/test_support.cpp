#include "test_support.h"

#include "app/mainwnd.h"
#include "app/msgloop.h"
#include "common/common.h"
#include "entries/entrylist.h"
#include "registry/question.h"
#include "resource.h"

#include <sddl.h>

#include <algorithm>
#include <iterator>
#include <set>
#include <stdio.h>

DialogAnswerer *DialogAnswerer::active_ = NULL;
DialogAnswerer::Reporter DialogAnswerer::reporter_ = NULL;

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
    outer_ = active_;
    active_ = this;
    if (outer_)
        return;   /* the outer one's hook serves */
    g_toAnswer.clear();
    g_known.clear();
    hook_ = SetWindowsHookExA(WH_CBT, HookProc, NULL, GetCurrentThreadId());
}

DialogAnswerer::~DialogAnswerer()
{
    if (hook_)
        UnhookWindowsHookEx(hook_);
    active_ = outer_;
}

void DialogAnswerer::Queue(Handler handler) { handlers_.push_back(std::move(handler)); }

void DialogAnswerer::QueueClick(int buttonId)
{
    Queue([buttonId](HWND dialog) { PostClick(dialog, buttonId); });
}

/* The variable-name dialog ignores IDCANCEL, a question without Cancel ends only with one of
   its buttons, and the report of Check all takes a first Close to stop its check. */
void DialogAnswerer::Dismiss(HWND dialog)
{
    int button = IDCANCEL;
    if (GetDlgItem(dialog, IDC_VAR_NAME) && GetDlgItem(dialog, IDC_VAR_CANCEL))
        button = IDC_VAR_CANCEL;
    else if (!GetDlgItem(dialog, IDCANCEL) && GetDlgItem(dialog, IDNO))
        button = IDNO;
    else if (GetDlgItem(dialog, IDC_CHECK_FINDINGS))
        PostClick(dialog, IDCANCEL);
    PostClick(dialog, button);
    HWND owner = GetWindow(dialog, GW_OWNER);
    if (owner && owner != g_hMainWnd && IsDialogClass(owner))
        PostClick(owner, IDCANCEL);
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
    HWND list = GetDlgItem(dialog, IDC_QUESTION_TEXT);   /* the program's long-question dialog */
    if (text) {
        int length = GetWindowTextLengthA(text);
        std::string all(length + 1, '\0');
        GetWindowTextA(text, &all[0], length + 1);
        all.resize(length);
        seen.text = all;
    } else if (list) {
        std::wstring wide = QuestionListText(list);
        int length = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), (int)wide.size(), NULL, 0, NULL, NULL);
        seen.text.resize(length);
        WideCharToMultiByte(CP_ACP, 0, wide.c_str(), (int)wide.size(), &seen.text[0], length, NULL, NULL);
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
            if (reporter_)
                reporter_(self->seen_.back());
            Dismiss(dialog);
        } else {
            Handler handler = std::move(self->handlers_.front());
            self->handlers_.erase(self->handlers_.begin());
            handler(dialog);
        }
        return 0;
    }
    if (code == HCBT_ACTIVATE && self) {
        HWND wnd = (HWND)wParam;
        /* Under Wine the hook also hears of other processes' windows coming to the front. */
        if (wnd != g_hMainWnd && IsDialogClass(wnd) && !g_known.count(wnd) &&
            GetWindowThreadProcessId(wnd, NULL) == GetCurrentThreadId() &&
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
    /* Through the list's primitives, as the program changes it: the marks follow. */
    ClearList();
    for (const std::string &row : rows) {
        bool header = !row.empty() && row[0] == '#';
        std::string text = header ? row.substr(1) : row;
        if (header)
            AddRow(text.c_str(), 1);
        else
            InsertEntryRow(text.c_str(), -1);
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

std::vector<std::string> SnapshotFiles(const char *pattern)
{
    std::vector<std::string> files;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((SnapshotFolder() + "\\" + pattern).c_str(), &found);
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
        for (const std::string &file : SnapshotFiles("*"))
            DeleteFileA(file.c_str());
        RemoveDirectoryA(SnapshotFolder().c_str());
    }
} g_ownLocalAppData;
}  // namespace

std::wstring WideFromUtf8(const std::string &text)
{
    int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), (int)text.size(), NULL, 0);
    std::wstring wide(length > 0 ? length : 0, L'\0');
    if (length > 0)
        MultiByteToWideChar(CP_UTF8, 0, text.data(), (int)text.size(), &wide[0], length);
    return wide;
}

std::string Utf8FromWide(const std::wstring &text)
{
    int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), NULL, 0, NULL, NULL);
    std::string utf8(length > 0 ? length : 1, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), &utf8[0], length, NULL, NULL);
    utf8.resize(length > 0 ? length : 0);
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

bool GetWideValue(HKEY root, const char *subkey, const std::string &name, DWORD *type, std::string *text,
                  std::string *bytes)
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
        if (bytes)
            bytes->assign((const char *)wide.data(), size);
        wide.resize(size / sizeof(WCHAR));
        if (!wide.empty() && wide.back() == L'\0')
            wide.pop_back();
        *text = Utf8FromWide(wide);
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

/* ---- Shared by the Wine suites ---- */

const char *EnvSubkey(HKEY root)
{
    return root == HKEY_LOCAL_MACHINE ? kMachineSubkey : kUserSubkey;
}

bool SetEnvText(HKEY root, const std::string &name, const std::string &text, DWORD type)
{
    return SetRawValue(root, EnvSubkey(root), name.c_str(), type, text.c_str(), (DWORD)text.size() + 1);
}

std::string StoredEnv(HKEY root, const std::string &name, DWORD *type)
{
    DWORD storedType = 0;
    std::string bytes;
    if (!GetRawValue(root, EnvSubkey(root), name.c_str(), &storedType, &bytes))
        return "<absent>";
    if (type)
        *type = storedType;
    return bytes;
}

void DeleteEnvValues(const std::string &name)
{
    DeleteRawValue(HKEY_CURRENT_USER, kUserSubkey, name.c_str());
    DeleteRawValue(HKEY_LOCAL_MACHINE, kMachineSubkey, name.c_str());
}

SavedKey::SavedKey(HKEY root, const char *subkey) : root_(root), subkey_(subkey, subkey + strlen(subkey))
{
    DWORD subkeys = 0;
    existed_ = ReadAll(&saved_, &subkeys);
}

/* The wide calls: a name or a string value comes back exactly, whatever the code page. */
bool SavedKey::ReadAll(std::vector<Value> *values, DWORD *subkeys) const
{
    HKEY key;
    DWORD count = 0, maxName = 0, maxData = 0;
    values->clear();
    if (RegOpenKeyExW(root_, subkey_.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    bool ok = RegQueryInfoKeyW(key, NULL, NULL, NULL, subkeys, NULL, NULL, &count, &maxName, &maxData, NULL,
                               NULL) == ERROR_SUCCESS;
    for (DWORD i = 0; ok && i < count; i++) {
        std::wstring name(maxName + 1, L'\0');
        std::string data(maxData + 1, '\0');
        DWORD nameLength = maxName + 1, dataSize = maxData + 1, type = 0;
        ok = RegEnumValueW(key, i, &name[0], &nameLength, NULL, &type, (BYTE *)&data[0], &dataSize) == ERROR_SUCCESS;
        name.resize(nameLength);
        data.resize(dataSize);
        values->push_back({name, type, data});
    }
    RegCloseKey(key);
    std::sort(values->begin(), values->end(), [](const Value &a, const Value &b) { return a.name < b.name; });
    return ok;
}

bool SavedKey::Remove()
{
    std::vector<Value> values;
    DWORD subkeys = 1;
    if (!existed_ || !ReadAll(&values, &subkeys) || subkeys != 0)
        return false;   /* a key with subkeys is not ours to remove */
    return RegDeleteKeyW(root_, subkey_.c_str()) == ERROR_SUCCESS;
}

bool SavedKey::DenyChanges()
{
    PSECURITY_DESCRIPTOR denying = NULL;
    DWORD size = 0;
    HKEY key;
    bool denied = false;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(D;;0x2;;;WD)(A;;GA;;;WD)", SDDL_REVISION_1,
                                                              &denying, NULL))
        return false;
    if (RegOpenKeyExW(root_, subkey_.c_str(), 0, READ_CONTROL | WRITE_DAC, &key) == ERROR_SUCCESS) {
        RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, NULL, &size);
        std::string security(size, '\0');
        if (security_.empty() && size > 0 &&
            RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, &security[0], &size) == ERROR_SUCCESS)
            security_ = security;
        denied = !security_.empty() && RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, denying) == ERROR_SUCCESS;
        RegCloseKey(key);
    }
    LocalFree(denying);
    return denied;
}

bool SavedKey::Restore()
{
    std::vector<Value> now;
    DWORD subkeys = 0;
    HKEY key;
    if (!security_.empty() && RegOpenKeyExW(root_, subkey_.c_str(), 0, WRITE_DAC, &key) == ERROR_SUCCESS) {
        if (RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &security_[0]) == ERROR_SUCCESS)
            security_.clear();
        RegCloseKey(key);
    }
    bool present = ReadAll(&now, &subkeys);
    if (!existed_) {
        if (present)
            RegDeleteKeyW(root_, subkey_.c_str());
        return true;
    }
    if (present && now == saved_)
        return security_.empty();
    if (RegCreateKeyExW(root_, subkey_.c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL) != ERROR_SUCCESS)
        return false;
    for (const Value &value : now)
        RegDeleteValueW(key, value.name.c_str());
    for (const Value &value : saved_)
        RegSetValueExW(key, value.name.c_str(), 0, value.type, (const BYTE *)value.data.data(), (DWORD)value.data.size());
    RegCloseKey(key);
    return ReadAll(&now, &subkeys) && now == saved_ && security_.empty();
}

void PressKeys(std::initializer_list<WORD> modifiers, WORD key)
{
    std::vector<INPUT> inputs;
    auto add = [&](WORD vk, bool up) {
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = vk;
        input.ki.wScan = (WORD)MapVirtualKeyA(vk, 0);
        input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        if (vk == VK_UP || vk == VK_DOWN)
            input.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
        inputs.push_back(input);
    };
    for (WORD modifier : modifiers)
        add(modifier, false);
    add(key, false);
    add(key, true);
    for (auto modifier = std::rbegin(modifiers); modifier != std::rend(modifiers); ++modifier)
        add(*modifier, true);
    SendInput((UINT)inputs.size(), inputs.data(), sizeof(INPUT));
    PumpMessages(60);
}

namespace {
INT_PTR CALLBACK PlainDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
} // namespace

RECT TemplateRect()
{
    HWND plain = CreateDialogParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_MAIN), NULL, PlainDialogProc, 0);
    RECT rect = {};
    GetWindowRect(plain, &rect);
    DestroyWindow(plain);
    return rect;
}

void QueueYesOrOk(DialogAnswerer &answerer)
{
    answerer.Queue([](HWND dialog) {
        if (GetDlgItem(dialog, IDYES)) {
            DialogAnswerer::PostClick(dialog, IDYES);
            return;
        }
        HWND owner = GetWindow(dialog, GW_OWNER);
        DialogAnswerer::PostClick(dialog, IDOK);
        if (owner && owner != g_hMainWnd)
            DialogAnswerer::PostClick(owner, IDCANCEL);
    });
}

namespace {

struct ChildSearch {
    const char *wanted;   /* a class name or a window text */
    bool byClass;
    HWND found;
};

BOOL CALLBACK MatchChild(HWND child, LPARAM lParam)
{
    ChildSearch *search = (ChildSearch *)lParam;
    char shown[256] = "";
    if (search->byClass)
        GetClassNameA(child, shown, sizeof shown);
    else
        GetWindowTextA(child, shown, sizeof shown);
    if ((search->byClass ? lstrcmpiA(shown, search->wanted) : strcmp(shown, search->wanted)) != 0)
        return TRUE;
    search->found = child;
    return FALSE;
}

HWND FindChild(HWND parent, const char *wanted, bool byClass)
{
    ChildSearch search = {wanted, byClass, NULL};
    EnumChildWindows(parent, MatchChild, (LPARAM)&search);
    return search.found;
}

} // namespace

HWND FindDescendant(HWND parent, const char *className) { return FindChild(parent, className, true); }

bool HasChildText(HWND parent, const char *text) { return FindChild(parent, text, false) != NULL; }

std::vector<std::string> ComboItems(HWND combo)
{
    std::vector<std::string> items;
    int count = (int)SendMessageA(combo, CB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; i++) {
        char text[256] = "";
        SendMessageA(combo, CB_GETLBTEXT, i, (LPARAM)text);
        items.push_back(text);
    }
    return items;
}

FullList *FullList::active_ = NULL;

FullList::FullList(int accepted, int refused) : accepted_(accepted), refused_(refused), list_(EntryList())
{
    active_ = this;
    original_ = (WNDPROC)SetWindowLongPtrA(list_, GWLP_WNDPROC, (LONG_PTR)Proc);
}

FullList::~FullList()
{
    SetWindowLongPtrA(list_, GWLP_WNDPROC, (LONG_PTR)original_);
    active_ = NULL;
}

LRESULT CALLBACK FullList::Proc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    FullList *self = active_;
    if (msg == LB_ADDSTRING || msg == LB_INSERTSTRING) {
        if (self->accepted_ > 0)
            self->accepted_--;
        else if (self->refused_ > 0) {
            self->refused_--;
            self->refusals++;
            return LB_ERRSPACE;
        }
    } else if (msg == LB_GETTEXTLEN && self->textLength != -1 && (int)wParam >= 0 &&
               (int)wParam < (int)CallWindowProcA(self->original_, wnd, LB_GETCOUNT, 0, 0)) {
        return self->textLength;
    }
    return CallWindowProcA(self->original_, wnd, msg, wParam, lParam);
}

#ifdef _WIN64
extern "C" void *(*g_importedMalloc)(size_t) __asm__("__imp_malloc");
#else
extern "C" void *(*g_importedMalloc)(size_t) __asm__("__imp__malloc");
#endif

namespace {
void *(*s_realMalloc)(size_t) = NULL;
size_t s_mallocLimit;

void *DirtyMalloc(size_t size)
{
    if (size > s_mallocLimit)
        return NULL;
    void *block = s_realMalloc(size);
    if (block)
        memset(block, 'Z', size);
    return block;
}

void SwitchMalloc(void *(*to)(size_t))
{
    DWORD protection;
    VirtualProtect(&g_importedMalloc, sizeof g_importedMalloc, PAGE_READWRITE, &protection);
    g_importedMalloc = to;
    VirtualProtect(&g_importedMalloc, sizeof g_importedMalloc, protection, &protection);
}
} // namespace

TestMalloc::TestMalloc(size_t limit)
{
    s_mallocLimit = limit;
    s_realMalloc = g_importedMalloc;
    SwitchMalloc(DirtyMalloc);
}

TestMalloc::~TestMalloc()
{
    SwitchMalloc(s_realMalloc);
}

const char *const kPlacementKeys[4] = {"x", "y", "w", "h"};

std::string SettingsFile()
{
    char folder[MAX_PATH] = "";
    GetEnvironmentVariableA("LOCALAPPDATA", folder, sizeof folder);
    return std::string(folder) + "\\Velkor\\Velkor.ini";
}

std::string RawSetting(const char *key)
{
    char text[4096] = "";
    GetPrivateProfileStringA(APP_SHORT_NAME, key, "<absent>", text, sizeof text, SettingsFile().c_str());
    return text;
}

void SetRawSetting(const char *key, const char *text)
{
    std::string file = SettingsFile();
    CreateDirectoryA(file.substr(0, file.rfind('\\')).c_str(), NULL);
    WritePrivateProfileStringA(APP_SHORT_NAME, key, text, file.c_str());
}

void ClearSettings()
{
    WritePrivateProfileStringA(APP_SHORT_NAME, NULL, NULL, SettingsFile().c_str());
    WriteProfileStringA(APP_SHORT_NAME, NULL, NULL);
}

void ClearPlacementKeys()
{
    for (const char *key : kPlacementKeys) {
        SetRawSetting(key, NULL);
        WriteProfileStringA(APP_SHORT_NAME, key, NULL);
    }
}

namespace {
bool HasSetting(const char *key)
{
    return RawSetting(key) != "<absent>";
}
} // namespace

bool PlacementSaved()
{
    return HasSetting("x") && HasSetting("y") && atoi(RawSetting("w").c_str()) > 0 &&
           atoi(RawSetting("h").c_str()) > 0;
}

bool AnyPlacementKey()
{
    for (const char *key : kPlacementKeys)
        if (HasSetting(key))
            return true;
    return false;
}

bool CommandGreyed(UINT id)
{
    return (GetMenuState(GetMenu(g_hMainWnd), id, MF_BYCOMMAND) & MF_GRAYED) != 0;
}

std::wstring ListRowWide(HWND list, int row)
{
    /* LB_GETTEXT is given no size, and across processes it copies the row as the list holds it
       when the message arrives: the length asked first may have failed, or the program may have
       put a longer row at this index meanwhile. The buffer holds at least the most that one
       message carries. */
    const size_t most = 65536;
    DWORD_PTR length = 0, got = 0;
    if (!SendMessageTimeoutW(list, LB_GETTEXTLEN, row, 0, SMTO_ABORTIFHUNG, 2000, &length) || (LRESULT)length < 0)
        return std::wstring();
    std::wstring text(std::max<size_t>(length, most) + 1, L'\0');
    if (!SendMessageTimeoutW(list, LB_GETTEXT, row, (LPARAM)&text[0], SMTO_ABORTIFHUNG, 2000, &got) ||
        (LRESULT)got < 0 || got >= text.size())
        return std::wstring();
    text.resize(got);
    return text;
}

std::wstring QuestionListText(HWND list)
{
    std::wstring text;
    DWORD_PTR count = 0;
    SendMessageTimeoutW(list, LB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 2000, &count);
    for (int i = 0; i < (int)count; i++) {
        DWORD_PTR continues = 0;
        SendMessageTimeoutW(list, LB_GETITEMDATA, i, 0, SMTO_ABORTIFHUNG, 2000, &continues);
        text += ListRowWide(list, i);
        if (i + 1 < (int)count && continues != QUESTION_ROW_CONTINUES)
            text += L"\r\n";
    }
    return text;
}

