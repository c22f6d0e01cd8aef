#include "e2e_support.h"
#include "test_support.h"

#include "common/texts.h"
#include "resource.h"

#include <dlgs.h>

namespace {

std::wstring Widen(const std::string &text)
{
    int length = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, NULL, 0);
    std::wstring wide(length, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, &wide[0], length);
    wide.resize(length > 0 ? length - 1 : 0);
    return wide;
}

std::string Narrow(const std::wstring &wide)
{
    int length = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, NULL, 0, NULL, NULL);
    std::string text(length, '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, &text[0], length, NULL, NULL);
    text.resize(length > 0 ? length - 1 : 0);
    return text;
}

bool IsDialogClass(HWND wnd)
{
    wchar_t cls[16] = L"";
    GetClassNameW(wnd, cls, 16);
    return wcscmp(cls, L"#32770") == 0;
}

struct EnumState {
    DWORD pid;
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectWindow(HWND wnd, LPARAM param)
{
    EnumState *state = (EnumState *)param;
    DWORD pid = 0;
    GetWindowThreadProcessId(wnd, &pid);
    if (pid == state->pid)
        state->windows.push_back(wnd);
    return TRUE;
}

std::string MenuItemText(HMENU menu, UINT position)
{
    wchar_t text[256] = L"";
    GetMenuStringW(menu, position, text, 256, MF_BYPOSITION);
    return Narrow(text);
}

} // namespace

std::string SiblingExePath(const std::string &name)
{
    char path[MAX_PATH];
    GetModuleFileNameA(NULL, path, sizeof path);
    std::string folder(path);
    size_t slash = folder.find_last_of("\\/");
    folder = slash == std::string::npos ? std::string() : folder.substr(0, slash + 1);
    return folder + name;
}

std::string AppExePath()
{
    return SiblingExePath(VELKOR_EXE_NAME);
}

/* One argument as CommandLineToArgvW reads it back: quoted, a backslash doubled before a quote. */
static std::wstring QuotedArgument(const std::wstring &arg)
{
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            backslashes++;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L"\"";
}

int RunConsoleProgram(const std::vector<std::string> &args, std::string *out, std::string *err)
{
    std::string exe = SiblingExePath("velkorc.exe");
    std::wstring commandLine = QuotedArgument(Widen(exe));
    for (const std::string &arg : args)
        commandLine += L" " + QuotedArgument(Widen(arg));
    std::string errFolder = TempDir(), errPath = errFolder + "\\stderr.txt";
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, NULL, TRUE};
    HANDLE readOut, writeOut;
    HANDLE errFile = CreateFileA(errPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, NULL);
    if (errFile == INVALID_HANDLE_VALUE)
        return -1;
    if (!CreatePipe(&readOut, &writeOut, &inherit, 0)) {
        CloseHandle(errFile);
        return -1;
    }
    SetHandleInformation(readOut, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writeOut;
    startup.hStdError = errFile;
    PROCESS_INFORMATION info = {};
    BOOL started = CreateProcessW(NULL, &commandLine[0], NULL, NULL, TRUE, CREATE_NO_WINDOW, NULL, NULL,
                                  &startup, &info);
    CloseHandle(writeOut);
    CloseHandle(errFile);
    out->clear();
    char buffer[65536];
    DWORD code = (DWORD)-1, start = GetTickCount(), avail = 0, got = 0;
    /* Bounded: the pipe is read while it holds something, until the program has ended. */
    bool ended = !started;
    while (!ended && GetTickCount() - start < 60000) {
        if (PeekNamedPipe(readOut, NULL, 0, NULL, &avail, NULL) && avail > 0) {
            if (ReadFile(readOut, buffer, sizeof buffer, &got, NULL))
                out->append(buffer, got);
            continue;
        }
        ended = WaitForSingleObject(info.hProcess, 5) == WAIT_OBJECT_0 &&
                !(PeekNamedPipe(readOut, NULL, 0, NULL, &avail, NULL) && avail > 0);
    }
    CloseHandle(readOut);
    if (started) {
        if (ended)
            GetExitCodeProcess(info.hProcess, &code);
        else
            TerminateProcess(info.hProcess, 1);
        CloseHandle(info.hProcess);
        CloseHandle(info.hThread);
    }
    *err = ReadWholeFile(errPath);
    DeleteFileA(errPath.c_str());
    RemoveDirectoryA(errFolder.c_str());
    return (int)code;
}

AppProcess::~AppProcess()
{
    Kill();
}

bool AppProcess::Start(const std::string &workDir, const std::string &arguments)
{
    std::string exe = AppExePath();
    std::string commandLine = "\"" + exe + "\"" + (arguments.empty() ? "" : " " + arguments);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    main_ = NULL;
    if (!CreateProcessA(exe.c_str(), &commandLine[0], NULL, NULL, FALSE, 0, NULL,
                        workDir.empty() ? NULL : workDir.c_str(), &startup, &info_)) {
        info_ = PROCESS_INFORMATION();
        return false;
    }
    return true;
}

bool AppProcess::Running() const
{
    return info_.hProcess && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

HWND AppProcess::WaitForMainWindow(DWORD timeoutMs)
{
    HWND found = NULL;
    WaitUntil([&] {
        for (HWND wnd : ProcessWindows(Pid()))
            if (IsWindowVisible(wnd) && GetMenu(wnd) && WindowText(wnd) == APP_TITLE)
                found = wnd;
        return found != NULL || !Running();
    }, timeoutMs);
    main_ = found;
    return found;
}

HWND AppProcess::WaitForDialog(const std::string &caption, DWORD timeoutMs)
{
    HWND found = NULL;
    WaitUntil([&] {
        for (HWND wnd : ProcessWindows(Pid()))
            if (wnd != main_ && IsWindowVisible(wnd) && IsDialogClass(wnd) && !GetMenu(wnd) &&
                (caption.empty() || WindowText(wnd) == caption))
                found = wnd;
        return found != NULL || !Running();
    }, timeoutMs);
    return found;
}

bool AppProcess::WaitForExit(DWORD timeoutMs, DWORD *exitCode)
{
    if (!info_.hProcess)
        return false;
    bool ended = false;
    WaitUntil([&] { return ended = WaitForSingleObject(info_.hProcess, 0) == WAIT_OBJECT_0; }, timeoutMs);
    if (ended)
        GetExitCodeProcess(info_.hProcess, exitCode);
    return ended;
}

void AppProcess::Kill()
{
    if (!info_.hProcess)
        return;
    if (Running()) {
        TerminateProcess(info_.hProcess, 99);
        WaitForSingleObject(info_.hProcess, 5000);
    }
    CloseHandle(info_.hProcess);
    CloseHandle(info_.hThread);
    info_ = PROCESS_INFORMATION();
    main_ = NULL;
}

std::vector<HWND> ProcessWindows(DWORD pid)
{
    EnumState state;
    state.pid = pid;
    EnumWindows(CollectWindow, (LPARAM)&state);
    return state.windows;
}

bool NoAppRunning(DWORD timeoutMs)
{
    auto running = [] { return FindWindowW(NULL, Widen(APP_TITLE).c_str()) != NULL; };
    if (WaitUntil([&] { return !running(); }, timeoutMs))
        return true;
    HWND left;
    while ((left = FindWindowW(NULL, Widen(APP_TITLE).c_str())) != NULL) {
        DWORD pid = 0;
        GetWindowThreadProcessId(left, &pid);
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
        if (!process)
            return false;
        TerminateProcess(process, 99);
        WaitForSingleObject(process, 5000);
        CloseHandle(process);
    }
    return false;
}

std::string WindowText(HWND wnd)
{
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(wnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length))
        return std::string();
    std::wstring text(length + 1, L'\0');
    DWORD_PTR got = 0;
    SendMessageTimeoutW(wnd, WM_GETTEXT, length + 1, (LPARAM)&text[0], SMTO_ABORTIFHUNG, 2000, &got);
    text.resize(got);
    return Narrow(text);
}

void SetWindowTextOf(HWND wnd, const std::string &text)
{
    std::wstring wide = Widen(text);
    DWORD_PTR result;
    SendMessageTimeoutW(wnd, WM_SETTEXT, 0, (LPARAM)wide.c_str(), SMTO_ABORTIFHUNG, 2000, &result);
}

std::string MessageBoxText(HWND dialog)
{
    HWND text = GetDlgItem(dialog, 0xFFFF);
    return text ? WindowText(text) : std::string();
}

std::vector<std::string> MenuLines(HMENU bar)
{
    std::vector<std::string> lines;
    int popups = GetMenuItemCount(bar);
    for (int p = 0; p < popups; p++) {
        std::string popupText = MenuItemText(bar, p);
        lines.push_back(popupText);
        HMENU popup = GetSubMenu(bar, p);
        int items = GetMenuItemCount(popup);
        for (int i = 0; i < items; i++) {
            MENUITEMINFOW info = {};
            info.cbSize = sizeof info;
            info.fMask = MIIM_FTYPE | MIIM_ID;
            GetMenuItemInfoW(popup, i, TRUE, &info);
            if (info.fType & MFT_SEPARATOR)
                lines.push_back(popupText + "/-");
            else
                lines.push_back(popupText + "/" + MenuItemText(popup, i) + "=" + std::to_string(info.wID));
        }
    }
    return lines;
}

std::vector<std::string> MenuTexts(HMENU bar)
{
    std::vector<std::string> texts = MenuLines(bar);
    for (std::string &text : texts)
        text = text.substr(0, text.rfind('='));
    return texts;
}

std::vector<std::string> ExpectedMenuTexts()
{
    return {
        "&File",
        "&File/&Retrieve...\tF3",
        "&File/&Update\tF2",
        "&File/&Notify running programs",
        "&File/Restart as &administrator",
        "&File/-",
        "&File/&Backup current...",
        "&File/&History...\tCtrl+H",
        "&File/&Export...",
        "&File/-",
        "&File/E&xit",
        "&Command",
        "&Command/&Insert\tCtrl+Enter",
        "&Command/&Insert folder...\tShift+F4",
        "&Command/&Insert file...\tCtrl+F4",
        "&Command/&Modify\tEnter",
        "&Command/&Delete\tF8",
        "&Command/-",
        "&Command/Move &Up\tCtrl+Up",
        "&Command/Move D&own\tCtrl+Down",
        "&Command/-",
        "&Command/Check\tF5",
        "&Command/Check &all...\tShift+F5",
        "&Command/-",
        "&Command/&Undo\tCtrl+Z",
        "&Command/&Redo\tCtrl+Y",
        "&Command/&Find...\tCtrl+F",
        "&Help",
        "&Help/&About...",
    };
}

HMENU LoadAppMenu()
{
    HMODULE exe = LoadLibraryExA(AppExePath().c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    if (!exe)
        return NULL;
    HMENU menu = LoadMenuA(exe, MAKEINTRESOURCEA(IDR_MAIN_MENU));
    FreeLibrary(exe);
    return menu;
}

void ClickButton(HWND dialog, int buttonId)
{
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED), (LPARAM)GetDlgItem(dialog, buttonId));
}

void PostCommand(HWND wnd, UINT id)
{
    PostMessageW(wnd, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

void PostKey(HWND control, WORD virtualKey)
{
    UINT scan = MapVirtualKeyW(virtualKey, 0 /* MAPVK_VK_TO_VSC */);
    PostMessageW(control, WM_KEYDOWN, virtualKey, 1 | (scan << 16));
    PostMessageW(control, WM_KEYUP, virtualKey, 1 | (scan << 16) | (3u << 30));
}

std::string ListText(HWND list, int row)
{
    return Narrow(ListRowWide(list, row));
}

std::vector<std::string> ListTexts(HWND list)
{
    std::vector<std::string> texts;
    DWORD_PTR count = 0;
    SendMessageTimeoutW(list, LB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 2000, &count);
    for (int i = 0; i < (int)count; i++)
        texts.push_back(ListText(list, i));
    return texts;
}

void SelectListRow(HWND main, int row)
{
    SelectRowOf(main, IDC_ENTRY_LIST, row);
}

void SelectRowOf(HWND window, int listId, int row)
{
    HWND list = GetDlgItem(window, listId);
    DWORD_PTR result;
    SendMessageTimeoutW(list, LB_SETCURSEL, row, 0, SMTO_ABORTIFHUNG, 2000, &result);
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(listId, LBN_SELCHANGE), (LPARAM)list);
}

HWND SaveDialogNameField(HWND dialog)
{
    HWND field = GetDlgItem(dialog, cmb13);
    return field ? field : GetDlgItem(dialog, edt1);
}

std::string QuestionText(HWND dialog)
{
    HWND field = GetDlgItem(dialog, IDC_QUESTION_TEXT);
    if (!field)
        return MessageBoxText(dialog);
    return Narrow(QuestionListText(field));
}

bool InWorkArea(HWND wnd)
{
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    RECT rect;
    if (!GetWindowRect(wnd, &rect) || !GetMonitorInfoW(MonitorFromWindow(wnd, MONITOR_DEFAULTTONEAREST), &info))
        return false;
    return rect.left >= info.rcWork.left && rect.top >= info.rcWork.top && rect.right <= info.rcWork.right &&
           rect.bottom <= info.rcWork.bottom;
}
