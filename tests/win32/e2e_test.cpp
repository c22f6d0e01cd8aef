/* The real velkor.exe, started and driven from the test process. */
#include "app_fixture.h"
#include "e2e_support.h"
#include "common/appfolder.h"
#include "output_support.h"
#include "app/settings.h"
#include "common/texts.h"
#include "entries/marks.h"
#include "entries/rowstatus.h"
#include "resource.h"

#include <algorithm>

#include <cstring>
#include <string>

namespace {

RECT WindowRect(HWND wnd)
{
    RECT rect = {};
    GetWindowRect(wnd, &rect);
    return rect;
}

/* Each test starts and ends with no instance of the program running and no saved placement. */
class AppRun : public AppTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(NoAppRunning());
        ClearPlacementKeys();
    }
    void TearDown() override
    {
        first.Kill();
        second.Kill();
        NoAppRunning();
    }
    /* Closes the program through WM_CLOSE and expects it to end with exit code 0. */
    void CloseAndExpectExitZero(AppProcess &app, HWND wnd)
    {
        PostMessageW(wnd, WM_CLOSE, 0, 0);
        DWORD code = 12345;
        ASSERT_TRUE(app.WaitForExit(10000, &code));
        EXPECT_EQ(0u, code);
    }
    AppProcess first, second;
};

} // namespace

TEST_F(AppRun, StartsWithItsMenuAndEndsWithExitCodeZero)
{
    ASSERT_TRUE(first.Start());
    HWND wnd = first.WaitForMainWindow();
    ASSERT_TRUE(wnd != NULL);
    EXPECT_EQ(APP_TITLE, WindowText(wnd));
    /* The window has its menu bar; its items are those of menu 1 in the executable. */
    EXPECT_TRUE(GetMenu(wnd) != NULL);
    HMENU stored = LoadAppMenu();
    ASSERT_TRUE(stored != NULL);
    std::vector<std::string> menu = MenuTexts(stored);
    for (const std::string &line : MenuLines(stored)) {
        size_t equals = line.rfind('=');
        if (equals != std::string::npos) {
            UINT id = (UINT)std::stoul(line.substr(equals + 1));
            EXPECT_EQ(0u, GetMenuState(stored, id, MF_BYCOMMAND) & (MF_GRAYED | MF_CHECKED)) << line;
        }
    }
    DestroyMenu(stored);
    EXPECT_EQ(ExpectedMenuTexts(), menu);
    CloseAndExpectExitZero(first, wnd);
}

TEST_F(AppRun, ExitCommandClosesTheProgram)
{
    ASSERT_TRUE(first.Start());
    HWND wnd = first.WaitForMainWindow();
    ASSERT_TRUE(wnd != NULL);
    PostCommand(wnd, IDM_EXIT);
    DWORD code = 12345;
    ASSERT_TRUE(first.WaitForExit(10000, &code));
    EXPECT_EQ(0u, code);
}

TEST_F(AppRun, EscapeDoesNotCloseTheWindow)
{
    ASSERT_TRUE(first.Start());
    HWND wnd = first.WaitForMainWindow();
    ASSERT_TRUE(wnd != NULL);
    PostKey(GetDlgItem(wnd, IDC_ENTRY_EDIT), VK_ESCAPE);
    PostKey(GetDlgItem(wnd, IDC_ENTRY_LIST), VK_ESCAPE);
    Sleep(500);
    EXPECT_TRUE(first.Running());
    EXPECT_TRUE(IsWindowVisible(wnd));
    CloseAndExpectExitZero(first, wnd);
}

TEST_F(AppRun, SecondStartRaisesTheFirstWindowAndEnds)
{
    ASSERT_TRUE(first.Start());
    HWND wnd = first.WaitForMainWindow();
    ASSERT_TRUE(wnd != NULL);
    /* Something else above it: the second start must bring it back to the top. */
    HWND cover = CreateWindowExA(0, "STATIC", "cover", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, NULL, NULL, NULL, NULL);
    ASSERT_TRUE(cover != NULL);
    SetWindowPos(cover, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    WaitUntil([&] { return GetWindow(wnd, GW_HWNDFIRST) == cover; }, 2000);
    ASSERT_EQ(cover, GetWindow(wnd, GW_HWNDFIRST));

    ASSERT_TRUE(second.Start());
    DWORD code = 12345;
    ASSERT_TRUE(second.WaitForExit(10000, &code));
    EXPECT_EQ(0u, code);
    EXPECT_TRUE(ProcessWindows(second.Pid()).empty());
    EXPECT_TRUE(WaitUntil([&] { return GetWindow(cover, GW_HWNDFIRST) == wnd; }, 2000));
    DestroyWindow(cover);

    EXPECT_TRUE(first.Running());
    EXPECT_TRUE(IsWindowVisible(wnd));
    EXPECT_EQ(APP_TITLE, WindowText(wnd));
    CloseAndExpectExitZero(first, wnd);
}

TEST_F(AppRun, PlacementIsStoredOnCloseAndRestoredOnTheNextStart)
{
    RECT template_ = TemplateRect();
    ASSERT_TRUE(first.Start());
    HWND wnd = first.WaitForMainWindow();
    ASSERT_TRUE(wnd != NULL);
    /* With no saved placement the first start keeps the template's place, 2 pixels larger. */
    RECT grown = template_;
    grown.right += 2;
    grown.bottom += 2;
    EXPECT_TRUE(WaitUntil([&] { RECT r = WindowRect(wnd); return EqualRect(&r, &grown) != 0; }, 3000));
    /* Move it partly off the screen's left and top edges, then close: negative values. */
    MoveWindow(wnd, -8, -5, grown.right - grown.left + 30, grown.bottom - grown.top + 20, TRUE);
    ASSERT_TRUE(WaitUntil([&] { RECT r = WindowRect(wnd); return r.left == -8 && r.top == -5; }, 3000));
    RECT moved = WindowRect(wnd);
    CloseAndExpectExitZero(first, wnd);

    EXPECT_EQ("-8", RawSetting("x"));
    EXPECT_EQ("-5", RawSetting("y"));
    EXPECT_EQ(moved.right - moved.left, ReadSettingInt("w", -1));
    EXPECT_EQ(moved.bottom - moved.top, ReadSettingInt("h", -1));

    ASSERT_TRUE(second.Start());
    wnd = second.WaitForMainWindow();
    ASSERT_TRUE(wnd != NULL);
    EXPECT_TRUE(WaitUntil([&] { RECT r = WindowRect(wnd); return EqualRect(&r, &moved) != 0; }, 3000));
    RECT restored = WindowRect(wnd);
    EXPECT_EQ(moved.left, restored.left);
    EXPECT_EQ(moved.top, restored.top);
    EXPECT_EQ(moved.right, restored.right);
    EXPECT_EQ(moved.bottom, restored.bottom);
    CloseAndExpectExitZero(second, wnd);
}

namespace {

int RowCount(HWND main)
{
    DWORD_PTR count = 0;
    SendMessageTimeoutW(GetDlgItem(main, IDC_ENTRY_LIST), LB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 2000, &count);
    return (int)count;
}

/* Whether the list's last row is `last`. A wait looks for such content, which only the state
   waited for has: a count of rows may be met by the list before (PATH of a new prefix, say). */
bool ListEndsWith(HWND main, const std::string &last)
{
    int count = RowCount(main);
    return count > 0 && ListText(GetDlgItem(main, IDC_ENTRY_LIST), count - 1) == last;
}

/* The program edits PATH itself: the fixture puts both values back after, also when the test
   fails. */
class AppWorkflow : public AppTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(NoAppRunning());
        ClearPlacementKeys();
    }
    void TearDown() override
    {
        app.Kill();
        NoAppRunning();
    }
    /* Starts the program on a user PATH of one element and inserts `added` through the Insert
       command: with no row selected it ends the user section. The main window, NULL on failure. */
    HWND StartAndInsert(const std::string &start, DWORD type, const std::string &added)
    {
        HWND wnd = NULL;
        if (SetEnvText(HKEY_CURRENT_USER, "PATH", start, type) && app.Start())
            wnd = app.WaitForMainWindow();
        /* The start-up retrieve ends with the one user row. */
        if (!wnd || !WaitUntil([&] { return ListEndsWith(wnd, start); }, 10000))
            return NULL;
        return Insert(wnd, added) ? wnd : NULL;
    }
    /* Inserts a row through the Insert command; with no row selected it ends the list. */
    static bool Insert(HWND wnd, const std::string &added)
    {
        SetWindowTextOf(GetDlgItem(wnd, IDC_ENTRY_EDIT), added);
        PostCommand(wnd, IDM_INSERT);
        return WaitUntil([&] { return ListEndsWith(wnd, added); }, 5000);
    }
    AppProcess app;
};

} // namespace

TEST_F(AppWorkflow, InsertUpdateAndCloseWritesTheRegistry)
{
    HWND wnd = StartAndInsert("C:\\velkor-e2e-a", REG_SZ, "C:\\velkor-e2e-new");
    ASSERT_TRUE(wnd != NULL);
    HWND edit = GetDlgItem(wnd, IDC_ENTRY_EDIT);

    /* F2 in the edit field goes through the accelerator table to Update. */
    PostKey(edit, VK_F2);
    HWND question = app.WaitForDialog(APP_TITLE);
    ASSERT_TRUE(question != NULL);
    std::string text = MessageBoxText(question);
    EXPECT_NE(std::string::npos, text.find("\"PATH\"")) << text;
    EXPECT_NE(std::string::npos, text.find("Current User >==----------\r\nC:\\velkor-e2e-a;C:\\velkor-e2e-new\r\n")) << text;
    ClickButton(question, IDYES);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(question); }, 5000));

    /* Written: closing asks nothing more and ends with 0. */
    PostMessageW(wnd, WM_CLOSE, 0, 0);
    DWORD code = 12345;
    ASSERT_TRUE(app.WaitForExit(10000, &code)) << "a question is still open?";
    EXPECT_EQ(0u, code);

    DWORD type = 0;
    std::string bytes;
    ASSERT_TRUE(GetRawValue(HKEY_CURRENT_USER, kUserSubkey, "PATH", &type, &bytes));
    EXPECT_EQ((DWORD)REG_EXPAND_SZ, type);
    EXPECT_EQ(std::string("C:\\velkor-e2e-a;C:\\velkor-e2e-new", 34), bytes);
    if (GetRawValue(HKEY_LOCAL_MACHINE, kMachineSubkey, "PATH", &type, &bytes)) {
        EXPECT_EQ((DWORD)REG_EXPAND_SZ, type);
    }
}

TEST_F(AppWorkflow, PendingChangesAreOfferedOnClose)
{
    const std::string start = "C:\\velkor-e2e-b";
    HWND wnd = StartAndInsert(start, REG_EXPAND_SZ, "C:\\velkor-e2e-added");
    ASSERT_TRUE(wnd != NULL);

    /* Exit asks; Cancel keeps the program running. */
    PostCommand(wnd, IDM_EXIT);
    HWND question = app.WaitForDialog(APP_TITLE);
    ASSERT_TRUE(question != NULL);
    EXPECT_NE(std::string::npos, MessageBoxText(question).find("has been changed")) << MessageBoxText(question);
    ClickButton(question, IDCANCEL);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(question); }, 5000));
    Sleep(300);
    EXPECT_TRUE(app.Running());

    /* Closing again, answered No: the program ends and the registry is as it was. */
    PostMessageW(wnd, WM_CLOSE, 0, 0);
    question = app.WaitForDialog(APP_TITLE);
    ASSERT_TRUE(question != NULL);
    ClickButton(question, IDNO);
    DWORD code = 12345;
    ASSERT_TRUE(app.WaitForExit(10000, &code));
    EXPECT_EQ(0u, code);
    EXPECT_EQ(start + '\0', StoredEnv(HKEY_CURRENT_USER, "PATH"));
}

namespace {

/* The main window of the program in a process other than `other`, or NULL. */
HWND OtherMainWindow(DWORD other, DWORD *pid)
{
    HWND wnd = NULL;
    while ((wnd = FindWindowExW(NULL, wnd, L"#32770", L"" APP_TITLE)) != NULL) {
        GetWindowThreadProcessId(wnd, pid);
        if (*pid != other && GetMenu(wnd) != NULL && IsWindowVisible(wnd))
            return wnd;
    }
    return NULL;
}

/* The one open dialog of a process other than its main window, or NULL. */
HWND OpenDialog(DWORD pid, HWND main)
{
    for (HWND wnd : ProcessWindows(pid)) {
        wchar_t cls[16] = L"";
        GetClassNameW(wnd, cls, 16);
        if (wnd != main && IsWindowVisible(wnd) && wcscmp(cls, L"#32770") == 0)
            return wnd;
    }
    return NULL;
}

} // namespace

/* Restart as administrator (Wine grants it without asking): the old process ends, the new one
   shows the same rows, in any script, with the changes pending, so that closing asks about them;
   the file that carried them is gone. */
TEST_F(AppWorkflow, RestartAsAdministratorKeepsTheRowsAndTheirChanges)
{
    const std::string start = "C:\\velkor-e2e-r", added = "C:\\velkor-e2e-\xE8\xB7\xAF\xE5\xBE\x84 \"q\"";
    HWND wnd = StartAndInsert(start, REG_EXPAND_SZ, added);
    ASSERT_TRUE(wnd != NULL);
    const std::vector<std::string> rows = ListTexts(GetDlgItem(wnd, IDC_ENTRY_LIST));
    PostCommand(wnd, IDM_RESTART_ADMIN);
    DWORD code = 12345, pid = 0;
    ASSERT_TRUE(app.WaitForExit(15000, &code));
    EXPECT_EQ(0u, code);
    HWND restarted = NULL;
    ASSERT_TRUE(WaitUntil([&] {
        restarted = OtherMainWindow(app.Pid(), &pid);
        return restarted && ListEndsWith(restarted, added);
    }, 15000));
    EXPECT_EQ(rows, ListTexts(GetDlgItem(restarted, IDC_ENTRY_LIST)));
    WCHAR folder[APP_FOLDER_SIZE];
    WIN32_FIND_DATAW found;
    ASSERT_EQ(0u, FindAppFolder(folder, FALSE));
    EXPECT_EQ(INVALID_HANDLE_VALUE, FindFirstFileW((std::wstring(folder) + L"\\restart-*").c_str(), &found));

    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    PostMessageW(restarted, WM_CLOSE, 0, 0);
    HWND question = NULL;
    ASSERT_TRUE(WaitUntil([&] { return (question = OpenDialog(pid, restarted)) != NULL; }, 10000));
    EXPECT_NE(std::string::npos, QuestionText(question).find("has been changed")) << QuestionText(question);
    ClickButton(question, IDNO);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process, 10000));
    CloseHandle(process);
    EXPECT_EQ(start + '\0', StoredEnv(HKEY_CURRENT_USER, "PATH"));
}

/* A restart whose file is missing or damaged says so, naming it, and starts as usual: the list
   read from the registry, nothing pending; a damaged file is left where it is. A file saved by
   another account gives its machine section, while the user section is this account's, read from
   the registry. */
TEST_F(AppWorkflow, RestartFileMissingDamagedOrOfAnotherAccount)
{
    const std::string start = "C:\\velkor-e2e-s";
    WCHAR folder[APP_FOLDER_SIZE];
    ASSERT_EQ(0u, FindAppFolder(folder, TRUE));
    const std::string path = Utf8FromWide(folder) + "\\restart-e2e.txt";
    const struct {
        const char *content;   /* NULL: no file */
        std::string told;
        const char *machineRow;   /* a row of the machine section afterwards, or NULL */
    } cases[] = {
        {NULL, path + "\r\n\r\n" + SystemText(ERROR_FILE_NOT_FOUND).substr(0, SystemText(ERROR_FILE_NOT_FOUND).find('\r')), NULL},
        {"Velkor Editor restart 1\r\nname", path + "\r\n\r\nIt is damaged.", NULL},
        {"Velkor Editor restart 1\r\nname 4:PATH\r\naccount 13:S-1-5-21-9-99\r\npending 0\r\nmachine 1\r\n"
         "19:C:\\velkor-e2e-other\r\nuser 1\r\n10:C:\\ignored\r\nend\r\n",
         APP_TITLE " now runs as another account than the one that restarted it.", "C:\\velkor-e2e-other"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.told);
        DeleteFileA(path.c_str());
        FILE *file = c.content ? fopen(path.c_str(), "wb") : NULL;
        if (file) {
            fputs(c.content, file);
            fclose(file);
        }
        ASSERT_TRUE(SetEnvText(HKEY_CURRENT_USER, "PATH", start, REG_EXPAND_SZ));
        ASSERT_TRUE(app.Start(std::string(), "/restart 0 \"" + path + "\""));
        HWND message = app.WaitForDialog(APP_TITLE);
        ASSERT_TRUE(message != NULL);
        EXPECT_NE(std::string::npos, MessageBoxText(message).find(c.told)) << MessageBoxText(message);
        ClickButton(message, IDOK);
        HWND wnd = app.WaitForMainWindow();
        ASSERT_TRUE(wnd != NULL);
        ASSERT_TRUE(WaitUntil([&] { return ListEndsWith(wnd, start); }, 10000));
        const std::vector<std::string> rows = ListTexts(GetDlgItem(wnd, IDC_ENTRY_LIST));
        EXPECT_EQ(c.machineRow != NULL, rows.size() == 4 && rows[1] == (c.machineRow ? c.machineRow : ""));
        PostMessageW(wnd, WM_CLOSE, 0, 0);
        DWORD code = 12345;
        ASSERT_TRUE(app.WaitForExit(10000, &code)) << "changes pending?";
        EXPECT_EQ(c.content != NULL && !c.machineRow, GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES);
    }
    DeleteFileA(path.c_str());
}

/* The marks come without a command and follow an edit; the status bar words the selected row as
   Check all does; a path held 30 s by the test hook shows as not answering, the window answers
   meanwhile, and the program still ends at once. */
TEST_F(AppWorkflow, MarksAndStatusBarFollowTheListWithoutWaiting)
{
    const std::string slow = "C:\\velkor-e2e-slow";
    CreateDirectoryA("C:\\velkor-e2e-here", NULL);
    /* The expandable variable is listed before the one it uses: its log-on value takes it all the same. */
    ASSERT_TRUE(SetEnvText(HKEY_LOCAL_MACHINE, "VELKOR_E2E_A", "%VELKOR_E2E_B%-missing", REG_EXPAND_SZ));
    ASSERT_TRUE(SetEnvText(HKEY_LOCAL_MACHINE, "VELKOR_E2E_B", "C:\\velkor-e2e", REG_SZ));
    ASSERT_TRUE(SetEnvText(HKEY_CURRENT_USER, "PATH",
                           "C:\\velkor-e2e-here;%VELKOR_E2E_A%;c:\\VELKOR-E2E-HERE\\;%VELKOR_E2E_UNSET%\\bin;" + slow, REG_SZ));
    SetEnvironmentVariableA("VELKOR_TEST_DELAY", (slow + "|30000").c_str());
    bool started = app.Start();
    SetEnvironmentVariableA("VELKOR_TEST_DELAY", NULL);
    ASSERT_TRUE(started);
    HWND wnd = app.WaitForMainWindow();
    ASSERT_TRUE(wnd != NULL);
    ASSERT_TRUE(WaitUntil([&] { return ListEndsWith(wnd, slow); }, 10000));
    int user = RowCount(wnd) - 6;   /* the user header */
    auto mark = [&](int row) {
        DWORD_PTR result = (DWORD_PTR)-2;
        SendMessageTimeoutW(wnd, UM_ROW_MARK, row, 0, SMTO_ABORTIFHUNG, 2000, &result);
        return (int)(LONG_PTR)result;
    };
    const int expected[] = {MARK_NONE, MARK_NONE, MARK_MISSING, MARK_PROBLEM, MARK_MISSING, MARK_NOT_ANSWERING};
    auto marks = [&] {
        std::vector<int> got;
        for (int i = 0; i < 6; i++)
            got.push_back(mark(user + i));
        return got;
    };
    EXPECT_TRUE(WaitUntil([&] { return marks() == std::vector<int>(std::begin(expected), std::end(expected)); }, 10000))
        << ::testing::PrintToString(marks());

    /* While the slow path is tested, the window answers at once. */
    for (int i = 0; i < 5; i++) {
        DWORD start = GetTickCount(), result;
        EXPECT_TRUE(SendMessageTimeoutW(wnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, (PDWORD_PTR)&result));
        EXPECT_LT(GetTickCount() - start, 500u);
    }

    HWND bar = GetDlgItem(wnd, IDC_STATUS_BAR);
    const struct {
        int row;
        const char *status;
    } rows[] = {
        {0, "Current User: 5 rows, 5 problems"},
        {2, "C:\\velkor-e2e-missing - does not exist"},
        {3, "c:\\VELKOR-E2E-HERE\\ - same folder as the earlier row C:\\velkor-e2e-here"},
        {4, "%VELKOR_E2E_UNSET%\\bin - does not exist; %VELKOR_E2E_UNSET% is defined nowhere: it would have "
            "to be a machine variable, or a user variable of type REG_SZ"},
        {5, "C:\\velkor-e2e-slow - not answering"},
    };
    for (const auto &r : rows) {
        SelectListRow(wnd, user + r.row);
        EXPECT_TRUE(WaitUntil([&] { return WindowText(bar) == r.status; }, 5000)) << WindowText(bar);
    }

    /* Modify names the first row's folder in place of the missing one: the mark changes by itself
       (the path's answer is known already; a new path would wait behind the slow one). */
    SelectListRow(wnd, user + 2);
    ASSERT_TRUE(WaitUntil([&] { return WindowText(GetDlgItem(wnd, IDC_ENTRY_EDIT)) == "%VELKOR_E2E_A%"; }, 5000));
    SetWindowTextOf(GetDlgItem(wnd, IDC_ENTRY_EDIT), "C:\\velkor-e2e-here");
    PostCommand(wnd, IDM_MODIFY);
    EXPECT_TRUE(WaitUntil([&] { return ListText(GetDlgItem(wnd, IDC_ENTRY_LIST), user + 2) == "C:\\velkor-e2e-here" &&
                                       mark(user + 2) == MARK_PROBLEM; }, 10000));

    /* Closing, answered No: the program ends although the slow test still waits. */
    PostMessageW(wnd, WM_CLOSE, 0, 0);
    HWND question = app.WaitForDialog(APP_TITLE);
    ASSERT_TRUE(question != NULL);
    ClickButton(question, IDNO);
    DWORD code = 12345;
    EXPECT_TRUE(app.WaitForExit(5000, &code));
    EXPECT_EQ(0u, code);
    RemoveDirectoryA("C:\\velkor-e2e-here");
}

/* velkor.exe writes a snapshot before the update, and the registry editor restores from it the
   machine value's REG_EXPAND_SZ and the user value's absence. */
TEST_F(AppWorkflow, UpdateLeavesASnapshotThatRestoresBothValues)
{
    const char expandable[] = "%SystemRoot%\\system32;%SystemRoot%\\velkor-snap";
    ASSERT_TRUE(SetRawValue(HKEY_LOCAL_MACHINE, kMachineSubkey, "PATH", REG_EXPAND_SZ, expandable, sizeof expandable));
    DeleteRawValue(HKEY_CURRENT_USER, kUserSubkey, "PATH");
    UseNewLocalAppData();   /* velkor.exe inherits it */

    ASSERT_TRUE(app.Start());
    HWND wnd = app.WaitForMainWindow();
    ASSERT_TRUE(wnd != NULL);
    const std::vector<std::string> retrieved = {MACHINE_HEADER_TEXT, "%SystemRoot%\\system32",
                                                "%SystemRoot%\\velkor-snap", USER_HEADER_TEXT};
    HWND list = GetDlgItem(wnd, IDC_ENTRY_LIST);
    ASSERT_TRUE(WaitUntil([&] { return ListTexts(list) == retrieved; }, 10000));
    ASSERT_TRUE(Insert(wnd, "C:\\velkor-e2e-snap"));
    HWND edit = GetDlgItem(wnd, IDC_ENTRY_EDIT);
    PostKey(edit, VK_F2);
    HWND question = app.WaitForDialog(APP_TITLE);
    ASSERT_TRUE(question != NULL);
    ClickButton(question, IDYES);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(question); }, 5000));
    PostMessageW(wnd, WM_CLOSE, 0, 0);
    DWORD code = 12345;
    ASSERT_TRUE(app.WaitForExit(10000, &code));

    DWORD type = 0;
    std::string bytes;
    ASSERT_TRUE(GetRawValue(HKEY_CURRENT_USER, kUserSubkey, "PATH", &type, &bytes));
    std::vector<std::string> files = SnapshotFiles();
    ASSERT_EQ(1u, files.size());
    EXPECT_EQ(0u, files[0].find(SnapshotFolder() + "\\PATH-")) << files[0];
    ASSERT_TRUE(ImportWithRegedit(files[0]));
    EXPECT_FALSE(GetRawValue(HKEY_CURRENT_USER, kUserSubkey, "PATH", &type, &bytes));
    ASSERT_TRUE(GetRawValue(HKEY_LOCAL_MACHINE, kMachineSubkey, "PATH", &type, &bytes));
    EXPECT_EQ((DWORD)REG_EXPAND_SZ, type);
    EXPECT_EQ(std::string(expandable, sizeof expandable), bytes);
}

namespace {
BOOL CALLBACK AddVisibleWindow(HWND wnd, LPARAM windows)
{
    if (IsWindowVisible(wnd))
        ((std::vector<HWND> *)windows)->push_back(wnd);
    return TRUE;
}

/* Opens File > History with Ctrl+H's command and waits for its window. */
HWND OpenHistory(AppProcess &app, HWND wnd)
{
    PostCommand(wnd, IDM_SNAPSHOTS);
    return app.WaitForDialog(APP_TITLE " - History");
}

std::vector<HWND> VisibleWindows()
{
    std::vector<HWND> windows;
    EnumWindows(AddVisibleWindow, (LPARAM)&windows);
    return windows;
}
}  // namespace

/* Open folder of File > History makes the missing folder and opens it in a window of Explorer,
   which the test closes again. */
TEST_F(AppRun, SnapshotsCommandOpensTheFolderInExplorer)
{
    UseNewLocalAppData();
    ASSERT_TRUE(first.Start());
    HWND wnd = first.WaitForMainWindow();
    ASSERT_TRUE(wnd != NULL);
    HWND history = OpenHistory(first, wnd);
    ASSERT_TRUE(history != NULL);
    std::vector<HWND> before = VisibleWindows();
    ClickButton(history, IDC_HISTORY_FOLDER);
    HWND explorer = NULL;
    EXPECT_TRUE(WaitUntil([&] {
        for (HWND other : VisibleWindows()) {
            DWORD pid = 0;
            GetWindowThreadProcessId(other, &pid);
            if (pid != first.Pid() && std::find(before.begin(), before.end(), other) == before.end())
                explorer = other;
        }
        return explorer != NULL;
    }, 15000));
    EXPECT_NE(std::string::npos, WindowText(explorer).find("snapshots")) << WindowText(explorer);
    EXPECT_TRUE(FileExists(SnapshotFolder()));
    EXPECT_EQ(NULL, first.WaitForDialog(APP_TITLE, 300)) << "no error shown";
    if (explorer) {
        PostMessageW(explorer, WM_CLOSE, 0, 0);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(explorer); }, 10000));
    }
    ClickButton(history, IDCANCEL);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(history); }, 5000));
    CloseAndExpectExitZero(first, wnd);
}

/* ---- Values, names and folders in any script ---- */

namespace {

/* A variable named in Polish, with a machine value in Polish and Japanese and a user value in
   Chinese, stored through the wide calls as Windows stores them. velkor.exe runs in UTF-8 (its
   manifest), so all of it reaches the list, the edit field, the registry and the files unchanged. */
const char kForeignName[] = u8"VELKOR_TEST_Żuławy_ł";
const char kForeignMachine[] = u8"C:\\Łódź\\bin;C:\\日本\\tools;C:\\plain";
const char kForeignUser[] = u8"C:\\Users\\张伟\\bin";
const std::vector<std::string> kForeignRows = {MACHINE_HEADER_TEXT, u8"C:\\Łódź\\bin", u8"C:\\日本\\tools",
                                              "C:\\plain", USER_HEADER_TEXT, kForeignUser};

class AppForeignText : public AppWorkflow {
protected:
    void SetUp() override
    {
        AppWorkflow::SetUp();
        ClearLastPath();
        ASSERT_TRUE(SetWideValue(HKEY_LOCAL_MACHINE, kMachineSubkey, kForeignName, REG_EXPAND_SZ, kForeignMachine));
        ASSERT_TRUE(SetWideValue(HKEY_CURRENT_USER, kUserSubkey, kForeignName, REG_SZ, kForeignUser));
        dir_ = TempDir();
    }

    /* Starts the program and retrieves the variable through F3 and the variable-name dialog;
       returns the main window once the list shows the variable's rows. */
    HWND StartOnTheVariable(const std::string &name = kForeignName,
                            const std::vector<std::string> &rows = kForeignRows)
    {
        if (!app.Start())
            return NULL;
        HWND wnd = app.WaitForMainWindow();
        if (!wnd)
            return NULL;
        PostKey(GetDlgItem(wnd, IDC_ENTRY_EDIT), VK_F3);
        HWND dialog = app.WaitForDialog("EnvVar Name");
        if (!dialog)
            return NULL;
        /* The dialog puts the current name in its field one message after it opens: a name typed
           before that would be replaced by it. */
        HWND field = GetDlgItem(dialog, IDC_VAR_NAME);
        if (!WaitUntil([&] { return !WindowText(field).empty(); }, 10000))
            return NULL;
        SetWindowTextOf(field, name);
        ClickButton(dialog, IDC_VAR_OK);
        /* The retrieve runs as the dialog ends, before the program reads any message of ours: the
           list is not read while it still shows PATH. */
        WaitUntil([&] { return !IsWindow(dialog); }, 10000);
        HWND list = GetDlgItem(wnd, IDC_ENTRY_LIST);
        WaitUntil([&] { return ListTexts(list) == rows; }, 10000);
        return wnd;
    }

    /* Whether the file is there and nobody holds it open any more: the program has written it
       whole and closed it. */
    static bool FileClosed(const std::string &path)
    {
        HANDLE file = CreateFileW(WideFromUtf8(path).c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        CloseHandle(file);
        return true;
    }

    /* Answers the save dialog that command opens with path; true when the file has then been
       written and closed. */
    bool SaveThrough(HWND wnd, UINT command, const std::string &path)
    {
        PostCommand(wnd, command);
        HWND dialog = app.WaitForDialog("");
        if (!dialog)
            return false;
        SetWindowTextOf(SaveDialogNameField(dialog), path);
        ClickButton(dialog, IDOK);
        return WaitUntil([&] { return !IsWindow(dialog) && FileClosed(path); }, 10000);
    }

    /* The message box that the program shows next: its text, answered with button. */
    std::string Answer(int button)
    {
        HWND box = app.WaitForDialog(APP_TITLE);
        if (!box)
            return "<no message>";
        std::string text = MessageBoxText(box);
        ClickButton(box, button);
        WaitUntil([&] { return !IsWindow(box); }, 5000);
        return text;
    }

    std::string dir_;
};

std::string EditFieldText(HWND wnd)
{
    return WindowText(GetDlgItem(wnd, IDC_ENTRY_EDIT));
}

} // namespace

/* Retrieve, selection and edit field, modify, F5 and Update. */
TEST_F(AppForeignText, ValuesNamesAndFoldersInAnyScriptGoThroughUnchanged)
{
    const std::string folder = dir_ + u8"\\Łódź";
    ASSERT_TRUE(CreateDirectoryW(WideFromUtf8(folder).c_str(), NULL));
    HWND wnd = StartOnTheVariable();
    ASSERT_TRUE(wnd != NULL);
    HWND list = GetDlgItem(wnd, IDC_ENTRY_LIST);
    ASSERT_EQ(kForeignRows, ListTexts(list));

    /* The selection brings the row into the edit field; Modify puts the edited text back. */
    SelectListRow(wnd, 1);
    EXPECT_TRUE(WaitUntil([&] { return EditFieldText(wnd) == u8"C:\\Łódź\\bin"; }, 5000)) << EditFieldText(wnd);
    SetWindowTextOf(GetDlgItem(wnd, IDC_ENTRY_EDIT), folder);
    PostCommand(wnd, IDM_MODIFY);
    ASSERT_TRUE(WaitUntil([&] { return ListText(list, 1) == folder; }, 5000)) << ListText(list, 1);

    /* F5 from the header: the existing folder named in Polish passes, the missing one stops it. */
    SelectListRow(wnd, 0);
    PostCommand(wnd, IDM_CHECK);
    EXPECT_EQ("May be error here?", Answer(IDOK));
    DWORD_PTR selected = 0;
    SendMessageTimeoutW(list, LB_GETCURSEL, 0, 0, SMTO_ABORTIFHUNG, 2000, &selected);
    EXPECT_EQ(2u, selected);
    EXPECT_EQ(u8"C:\\日本\\tools", EditFieldText(wnd));

    /* Update shows and writes every character; the user value, untouched, stays as it was. */
    PostCommand(wnd, IDM_UPDATE);
    std::string machine = folder + u8";C:\\日本\\tools;C:\\plain";
    std::string question = Answer(IDYES);
    EXPECT_EQ(0u, question.find(std::string("You are about update environment variable \"") + kForeignName + "\"")) << question;
    EXPECT_NE(std::string::npos, question.find(machine + "\r\n" USER_HEADER_TEXT "\r\n" + kForeignUser + "\r\n")) << question;
    DWORD type = 0;
    std::string stored;
    ASSERT_TRUE(WaitUntil([&] { return GetWideValue(HKEY_LOCAL_MACHINE, kMachineSubkey, kForeignName, &type, &stored) && stored == machine; }, 5000)) << stored;
    EXPECT_EQ((DWORD)REG_EXPAND_SZ, type);
    ASSERT_TRUE(GetWideValue(HKEY_CURRENT_USER, kUserSubkey, kForeignName, &type, &stored));
    EXPECT_EQ(kForeignUser, stored);
    EXPECT_EQ((DWORD)REG_EXPAND_SZ, type);

    /* The settings file keeps the folder of the last export, whatever its script. */
    const std::string exported = folder + "\\export.txt";
    EXPECT_TRUE(SaveThrough(wnd, IDM_EXPORT, exported));

    PostMessageW(wnd, WM_CLOSE, 0, 0);
    DWORD code = 12345;
    ASSERT_TRUE(app.WaitForExit(10000, &code)) << "a question is still open?";
    EXPECT_EQ(0u, code);
    wchar_t lastPath[MAX_PATH] = L"";
    GetPrivateProfileStringW(L"" APP_SHORT_NAME, L"lastpath", L"", lastPath, MAX_PATH, WideFromUtf8(SettingsFile()).c_str());
    EXPECT_EQ(folder, Utf8FromWide(lastPath));
    DeleteFileW(WideFromUtf8(exported).c_str());
    RemoveDirectoryW(WideFromUtf8(folder).c_str());
}

/* Remove row in the Check all report takes the selected finding's row out of the list; Undo puts
   it back, after which nothing is pending and closing asks nothing. */
TEST_F(AppForeignText, RemoveRowInTheCheckReportAndUndo)
{
    HWND wnd = StartOnTheVariable();
    ASSERT_TRUE(wnd != NULL);
    HWND list = GetDlgItem(wnd, IDC_ENTRY_LIST);
    PostCommand(wnd, IDM_CHECK_ALL);
    HWND report = app.WaitForDialog(APP_TITLE " - Check");
    ASSERT_TRUE(report != NULL);
    /* Enabled once the check has ended, on the first finding, which is selected. */
    ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(GetDlgItem(report, IDC_CHECK_REMOVE)) != FALSE; }, 10000));
    DWORD_PTR row = 0;
    SendMessageTimeoutW(GetDlgItem(report, IDC_CHECK_FINDINGS), LB_GETITEMDATA, 0, 0, SMTO_ABORTIFHUNG, 2000, &row);
    ASSERT_TRUE(row > 0 && row < kForeignRows.size());
    std::vector<std::string> removed = kForeignRows;
    removed.erase(removed.begin() + row);
    ClickButton(report, IDC_CHECK_REMOVE);
    EXPECT_TRUE(WaitUntil([&] { return ListTexts(list) == removed; }, 5000));
    ClickButton(report, IDCANCEL);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(report); }, 5000));
    PostCommand(wnd, IDM_UNDO);
    EXPECT_TRUE(WaitUntil([&] { return ListTexts(list) == kForeignRows; }, 5000));
    PostMessageW(wnd, WM_CLOSE, 0, 0);
    DWORD code = 12345;
    ASSERT_TRUE(app.WaitForExit(10000, &code)) << "a question is still open?";
    EXPECT_EQ(0u, code);
}

/* The export is UTF-8 (no byte-order mark, CR LF); the backup, beyond ASCII, is in the registry
   editor's Unicode format, and importing it gives back every character and each value's type. */
TEST_F(AppForeignText, ExportIsUtf8AndBackupRestoresEveryCharacter)
{
    HWND wnd = StartOnTheVariable();
    ASSERT_TRUE(wnd != NULL);
    std::string exported = dir_ + "\\export.txt";
    ASSERT_TRUE(SaveThrough(wnd, IDM_EXPORT, exported));
    EXPECT_EQ(std::string(kForeignName) + "=\r\n" MACHINE_HEADER_TEXT "\r\n" + u8"C:\\Łódź\\bin\r\nC:\\日本\\tools\r\n"
                  "C:\\plain\r\n" USER_HEADER_TEXT "\r\n" + kForeignUser + "\r\n",
              ReadWholeFile(exported));

    std::string backup = dir_ + "\\backup.reg";
    ASSERT_TRUE(SaveThrough(wnd, IDM_BACKUP, backup));
    std::string bytes = ReadWholeFile(backup);
    ASSERT_EQ(0u, bytes.size() % 2);
    ASSERT_EQ("\xFF\xFE", bytes.substr(0, 2));
    std::wstring units((bytes.size() - 2) / 2, L'\0');
    memcpy(&units[0], bytes.data() + 2, bytes.size() - 2);
    /* The user value (REG_SZ) as a quoted string, the machine value (REG_EXPAND_SZ) as hex(2): of
       its UTF-16LE bytes, "C:\Ł" first. */
    std::string text = Utf8FromWide(units);
    EXPECT_EQ(0u, text.find(std::string("Windows Registry Editor Version 5.00\r\n\r\n[" USER_ENV_KEY "]\r\n\"") +
                            kForeignName + u8"\"=\"C:\\\\Users\\\\张伟\\\\bin\"\r\n\r\n[" MACHINE_ENV_KEY "]\r\n\"" +
                            kForeignName + "\"=hex(2):43,00,3a,00,5c,00,41,01,"))
        << text;

    PostMessageW(wnd, WM_CLOSE, 0, 0);
    DWORD code = 12345;
    ASSERT_TRUE(app.WaitForExit(10000, &code));
    DeleteWideValue(HKEY_LOCAL_MACHINE, kMachineSubkey, kForeignName);
    DeleteWideValue(HKEY_CURRENT_USER, kUserSubkey, kForeignName);
    ASSERT_TRUE(ImportWithRegedit(backup));
    DWORD type = 0;
    std::string stored;
    EXPECT_TRUE(GetWideValue(HKEY_LOCAL_MACHINE, kMachineSubkey, kForeignName, &type, &stored));
    EXPECT_EQ(kForeignMachine, stored);
    EXPECT_EQ((DWORD)REG_EXPAND_SZ, type);
    EXPECT_TRUE(GetWideValue(HKEY_CURRENT_USER, kUserSubkey, kForeignName, &type, &stored));
    EXPECT_EQ(kForeignUser, stored);
    EXPECT_EQ((DWORD)REG_SZ, type);
}

/* A name of 255 characters of three UTF-8 bytes each is taken whole: its value is found. */
TEST_F(AppForeignText, LongestNameInAnyScriptIsTakenWhole)
{
    std::string name;
    for (int i = 0; i < 255; i++)
        name += u8"日";
    ASSERT_TRUE(SetWideValue(HKEY_CURRENT_USER, kUserSubkey, name, REG_SZ, u8"C:\\Ż"));
    HWND wnd = StartOnTheVariable(name, {MACHINE_HEADER_TEXT, USER_HEADER_TEXT, u8"C:\\Ż"});
    std::vector<std::string> rows = wnd ? ListTexts(GetDlgItem(wnd, IDC_ENTRY_LIST)) : std::vector<std::string>();
    DeleteWideValue(HKEY_CURRENT_USER, kUserSubkey, name);
    EXPECT_EQ(std::vector<std::string>({MACHINE_HEADER_TEXT, USER_HEADER_TEXT, u8"C:\\Ż"}), rows);
}

/* ---- Changes by other programs, long questions, log-off, failed retrieves ---- */

namespace {

void SetPath(HKEY root, const std::string &value, DWORD type = REG_EXPAND_SZ)
{
    ASSERT_TRUE(SetEnvText(root, "PATH", value, type));
}

/* The stored PATH with its type: "<type>:bytes", or "<absent>". */
std::string StoredPath(HKEY root)
{
    DWORD type = 0;
    std::string bytes = StoredEnv(root, "PATH", &type);
    return bytes == "<absent>" ? bytes : std::to_string(type) + ":" + bytes;
}

std::string Stored(const std::string &value, DWORD type = REG_EXPAND_SZ)
{
    return std::to_string(type) + ":" + value + '\0';
}

/* Presses F2 in the edit field and waits for the question. */
HWND AskUpdate(AppProcess &app, HWND wnd, DWORD timeoutMs = 10000)
{
    PostKey(GetDlgItem(wnd, IDC_ENTRY_EDIT), VK_F2);
    return app.WaitForDialog(APP_TITLE, timeoutMs);
}

void Answer(HWND question, int button)
{
    ClickButton(question, button);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(question); }, 10000));
}

/* The dialogs of the program other than its main window. */
int OpenDialogs(DWORD pid, HWND main)
{
    int count = 0;
    for (HWND wnd : ProcessWindows(pid)) {
        wchar_t cls[16] = L"";
        GetClassNameW(wnd, cls, 16);
        count += wnd != main && IsWindowVisible(wnd) && wcscmp(cls, L"#32770") == 0;
    }
    return count;
}

} // namespace

/* An installer changes the machine or the user value while the program is open: both questions
   show it after the values; No keeps it; Yes writes the list's values; the next question is the
   usual one. */
TEST_F(AppWorkflow, ChangesByAnotherProgramAreShownBeforeTheyAreReplaced)
{
    const struct {
        HKEY root;
        const char *section, *installed, *summary;
    } cases[] = {
        {HKEY_LOCAL_MACHINE, "Local Machine", "C:\\velkor-e2e-m;C:\\installer",
         "Local Machine: 1 removed\r\n- C:\\installer\r\nCurrent User: 1 added\r\n+ C:\\velkor-e2e-new"},
        {HKEY_CURRENT_USER, "Current User", "C:\\velkor-e2e-u;C:\\installer",
         "Current User: 1 added, 1 removed\r\n+ C:\\velkor-e2e-new\r\n- C:\\installer"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.section);
        UseNewLocalAppData();   /* the first case's write is no other program's change */
        SetPath(HKEY_LOCAL_MACHINE, "C:\\velkor-e2e-m");
        SetPath(HKEY_CURRENT_USER, "C:\\velkor-e2e-u");
        ASSERT_TRUE(app.Start());
        HWND wnd = app.WaitForMainWindow();
        ASSERT_TRUE(wnd != NULL);
        ASSERT_TRUE(WaitUntil([&] { return ListEndsWith(wnd, "C:\\velkor-e2e-u"); }, 10000));
        ASSERT_TRUE(Insert(wnd, "C:\\velkor-e2e-new"));
        SetPath(c.root, c.installed);

        const std::string note = std::string("Another program has changed the ") + c.section +
                                 " value since Velkor Editor last read or wrote it. Yes replaces what it holds now:\r\n" +
                                 c.installed + "\r\n\r\nDo you want to ";
        HWND question = AskUpdate(app, wnd);
        ASSERT_TRUE(question != NULL);
        EXPECT_NE(std::string::npos, QuestionText(question).find(c.summary + ("\r\n\r\n" + note)))
            << QuestionText(question);
        Answer(question, IDNO);
        EXPECT_EQ(Stored(c.installed), StoredPath(c.root));

        PostMessageW(wnd, WM_CLOSE, 0, 0);
        question = app.WaitForDialog(APP_TITLE);
        ASSERT_TRUE(question != NULL);
        EXPECT_NE(std::string::npos, QuestionText(question).find(note + "update?")) << QuestionText(question);
        Answer(question, IDCANCEL);

        question = AskUpdate(app, wnd);
        ASSERT_TRUE(question != NULL);
        Answer(question, IDYES);
        /* The values are written once the snapshot is on disk. */
        EXPECT_TRUE(WaitUntil([&] { return StoredPath(HKEY_CURRENT_USER) == Stored("C:\\velkor-e2e-u;C:\\velkor-e2e-new"); }, 10000))
            << StoredPath(HKEY_CURRENT_USER);
        EXPECT_EQ(Stored("C:\\velkor-e2e-m"), StoredPath(HKEY_LOCAL_MACHINE));

        question = AskUpdate(app, wnd);
        ASSERT_TRUE(question != NULL);
        EXPECT_EQ(std::string::npos, QuestionText(question).find("Another program")) << QuestionText(question);
        Answer(question, IDNO);
        PostMessageW(wnd, WM_CLOSE, 0, 0);
        DWORD code = 12345;
        ASSERT_TRUE(app.WaitForExit(10000, &code)) << "a question is still open?";
        EXPECT_EQ(0u, code);
    }
}

/* Questions far taller than the screen come in a dialog that fits the work area with its buttons
   in view, holds the whole text, and answers Yes and No as the message box would. */
TEST_F(AppWorkflow, LongQuestionsFitTheScreenAndHoldTheWholeText)
{
    const struct {
        size_t size;
        int answer;
    } cases[] = {{26000, IDNO}, {2300000, IDYES}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.size);
        std::string machine;
        int elements = 0;
        for (; machine.size() < c.size; elements++)
            machine += (elements ? ";C:\\Program Files\\Tool " : "C:\\Program Files\\Tool ") + std::to_string(elements);
        SetPath(HKEY_LOCAL_MACHINE, machine, REG_SZ);   /* Yes makes it REG_EXPAND_SZ */
        SetPath(HKEY_CURRENT_USER, "C:\\velkor-e2e-u");
        ASSERT_TRUE(app.Start());
        HWND wnd = app.WaitForMainWindow();
        ASSERT_TRUE(wnd != NULL);
        ASSERT_TRUE(WaitUntil([&] { return ListEndsWith(wnd, "C:\\velkor-e2e-u"); }, 60000));
        ASSERT_EQ(elements + 3, RowCount(wnd));

        HWND question = AskUpdate(app, wnd, 60000);
        ASSERT_TRUE(question != NULL);
        HWND list = GetDlgItem(question, IDC_QUESTION_TEXT);
        ASSERT_TRUE(list != NULL) << "a message box, not the dialog";
        EXPECT_TRUE(InWorkArea(question));
        for (int id : {IDYES, IDNO}) {
            HWND button = GetDlgItem(question, id);
            EXPECT_TRUE(button && IsWindowVisible(button) && InWorkArea(button)) << id;
        }
        EXPECT_TRUE(GetDlgItem(question, IDCANCEL) == NULL);
        const std::string expected = "You are about update environment variable \"PATH\":\r\n\r\n"
                                     "---------==< Local Machine >==---------\r\n" + machine + "\r\n"
                                     "---------==< Current User >==----------\r\nC:\\velkor-e2e-u\r\n"
                                     "\r\nLocal Machine: unchanged\r\nYes writes it as REG_EXPAND_SZ "
                                     "instead of REG_SZ: each %NAME% in it will then be expanded.\r\n"
                                     "Current User: unchanged\r\n"
                                     "\r\nDo you want to proceed?";
        if (expected.size() < 30000) {
            EXPECT_TRUE(expected == QuestionText(question));
        } else {
            /* Too long to read across processes row by row: rows of a readable length, the last
               one the end of the text. */
            LRESULT rows = SendMessageW(list, LB_GETCOUNT, 0, 0);
            EXPECT_GT((size_t)rows, expected.size() / 200);
            wchar_t last[64] = L"";
            if (SendMessageW(list, LB_GETTEXTLEN, rows - 1, 0) < 64)
                SendMessageW(list, LB_GETTEXT, rows - 1, (LPARAM)last);
            EXPECT_STREQ(L"Do you want to proceed?", last);
        }
        Answer(question, c.answer);
        /* Yes writes once the snapshot of megabytes is on disk: wait for it, then for the end. */
        const std::string answered = Stored(machine, c.answer == IDYES ? REG_EXPAND_SZ : REG_SZ);
        EXPECT_TRUE(WaitUntil([&] { return StoredPath(HKEY_LOCAL_MACHINE) == answered; }, 20000))
            << "the machine value is not as answered";
        PostMessageW(wnd, WM_CLOSE, 0, 0);
        DWORD code = 12345;
        ASSERT_TRUE(app.WaitForExit(10000, &code)) << "a question is still open?";
        EXPECT_TRUE(StoredPath(HKEY_LOCAL_MACHINE) == answered);
    }
}

/* A log-off query that arrives while the update question is open is refused at once and opens
   nothing; the question then answers as before and nothing is written. */
TEST_F(AppWorkflow, LogOffQueryDuringTheQuestionOpensNothing)
{
    SetPath(HKEY_CURRENT_USER, "C:\\velkor-e2e-u");
    const std::string before = StoredPath(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(app.Start());
    HWND wnd = app.WaitForMainWindow();
    ASSERT_TRUE(wnd != NULL);
    ASSERT_TRUE(WaitUntil([&] { return ListEndsWith(wnd, "C:\\velkor-e2e-u"); }, 10000));
    ASSERT_TRUE(Insert(wnd, "C:\\velkor-e2e-new"));

    HWND question = AskUpdate(app, wnd);
    ASSERT_TRUE(question != NULL);
    DWORD_PTR answer = 12345;
    ASSERT_TRUE(SendMessageTimeoutW(wnd, WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer));
    EXPECT_EQ(0u, answer);
    Sleep(500);
    EXPECT_EQ(1, OpenDialogs(app.Pid(), wnd));
    Answer(question, IDNO);
    Sleep(300);
    EXPECT_EQ(0, OpenDialogs(app.Pid(), wnd));
    EXPECT_TRUE(app.Running());
    EXPECT_EQ(Stored("C:\\velkor-e2e-u"), StoredPath(HKEY_CURRENT_USER));
    EXPECT_EQ(before, StoredPath(HKEY_LOCAL_MACHINE));
}

/* After a retrieve that fails, F2 asks nothing and writes nothing. */
TEST_F(AppWorkflow, UpdateAfterAFailedRetrieveDoesNothing)
{
    SetPath(HKEY_CURRENT_USER, "C:\\velkor-e2e-u");
    ASSERT_TRUE(app.Start());
    HWND wnd = app.WaitForMainWindow();
    ASSERT_TRUE(wnd != NULL);
    ASSERT_TRUE(WaitUntil([&] { return ListEndsWith(wnd, "C:\\velkor-e2e-u"); }, 10000));
    SavedKey removal(HKEY_LOCAL_MACHINE, kMachineSubkey);
    ASSERT_TRUE(removal.Remove());

    PostKey(GetDlgItem(wnd, IDC_ENTRY_EDIT), VK_F3);
    HWND name = app.WaitForDialog("EnvVar Name");
    ASSERT_TRUE(name != NULL);
    Answer(name, IDC_VAR_OK);
    HWND error = app.WaitForDialog(APP_TITLE);
    ASSERT_TRUE(error != NULL);
    Answer(error, IDOK);
    EXPECT_EQ(1, RowCount(wnd));   /* the machine header alone */

    PostKey(GetDlgItem(wnd, IDC_ENTRY_EDIT), VK_F2);
    PostCommand(wnd, IDM_UPDATE);
    EXPECT_TRUE(app.WaitForDialog(APP_TITLE, 1500) == NULL);
    EXPECT_TRUE(removal.Restore());
    EXPECT_EQ(Stored("C:\\velkor-e2e-u"), StoredPath(HKEY_CURRENT_USER));
    PostMessageW(wnd, WM_CLOSE, 0, 0);
    DWORD code = 12345;
    ASSERT_TRUE(app.WaitForExit(10000, &code));
    EXPECT_EQ(0u, code);
}

/* ---- History ---- */

namespace {

/* Restores the change on the given row of History and waits for the update question. */
HWND RestoreChange(AppProcess &app, HWND history, int row)
{
    SelectRowOf(history, IDC_HISTORY_LIST, row);
    Sleep(300);
    ClickButton(history, IDOK);
    if (!WaitUntil([&] { return !IsWindow(history); }, 5000))
        return NULL;
    return app.WaitForDialog(APP_TITLE);
}

} // namespace

/* Two updates are two lines of History; Restore of the older one asks at once and writes back
   the values before it exactly. A change made while the program was closed is told at the next
   start, is a line of History by another program, and is undone the same way. */
TEST_F(AppWorkflow, HistoryShowsEachChangeAndRestoresTheValuesBeforeIt)
{
    UseNewLocalAppData();
    SetPath(HKEY_LOCAL_MACHINE, "%SystemRoot%\\system32;C:\\velkor-h-m");
    SetPath(HKEY_CURRENT_USER, "C:\\velkor-h-u;\"C:\\velkor;quoted\"");
    const std::string machineBefore = StoredPath(HKEY_LOCAL_MACHINE), userBefore = StoredPath(HKEY_CURRENT_USER);
    ASSERT_TRUE(app.Start());
    HWND wnd = app.WaitForMainWindow();
    ASSERT_TRUE(wnd != NULL);
    ASSERT_TRUE(WaitUntil([&] { return ListEndsWith(wnd, "\"C:\\velkor;quoted\""); }, 10000));
    for (const char *added : {"C:\\velkor-h1", "C:\\velkor-h2"}) {
        ASSERT_TRUE(Insert(wnd, added));
        HWND question = AskUpdate(app, wnd);
        ASSERT_TRUE(question != NULL);
        EXPECT_NE(std::string::npos, QuestionText(question).find(std::string("\r\n\r\nLocal Machine: unchanged\r\nCurrent User: 1 added\r\n+ ") + added))
            << QuestionText(question);
        Answer(question, IDYES);
    }

    HWND history = OpenHistory(app, wnd);
    ASSERT_TRUE(history != NULL);
    std::vector<std::string> lines = ListTexts(GetDlgItem(history, IDC_HISTORY_LIST));
    ASSERT_EQ(2u, lines.size());
    for (const std::string &line : lines)
        EXPECT_NE(std::string::npos, line.find("   Velkor Editor   machine unchanged, user +1")) << line;
    SelectRowOf(history, IDC_HISTORY_LIST, 1);
    EXPECT_TRUE(WaitUntil([&] {
        std::vector<std::string> changes = ListTexts(GetDlgItem(history, IDC_HISTORY_CHANGES));
        return std::find(changes.begin(), changes.end(), "+ C:\\velkor-h1") != changes.end();
    }, 5000));
    HWND question = RestoreChange(app, history, 1);
    ASSERT_TRUE(question != NULL);
    EXPECT_NE(std::string::npos, QuestionText(question).find("Current User: 2 removed")) << QuestionText(question);
    Answer(question, IDYES);
    EXPECT_TRUE(WaitUntil([&] { return StoredPath(HKEY_CURRENT_USER) == userBefore; }, 10000)) << StoredPath(HKEY_CURRENT_USER);
    EXPECT_EQ(machineBefore, StoredPath(HKEY_LOCAL_MACHINE));
    PostMessageW(wnd, WM_CLOSE, 0, 0);
    DWORD code = 12345;
    ASSERT_TRUE(app.WaitForExit(10000, &code)) << "a question is still open?";

    /* Another program cuts the machine value and writes the user value as REG_SZ. */
    SetPath(HKEY_LOCAL_MACHINE, "C:\\velkor-h-m");
    SetPath(HKEY_CURRENT_USER, "C:\\velkor-h-u;C:\\other", REG_SZ);
    ASSERT_TRUE(app.Start());
    wnd = app.WaitForMainWindow();
    ASSERT_TRUE(wnd != NULL);
    HWND message = app.WaitForDialog(APP_TITLE);
    ASSERT_TRUE(message != NULL);
    std::string text = MessageBoxText(message);
    EXPECT_EQ(0u, text.find("Another program has changed the environment variable \"PATH\" since Velkor Editor last wrote it, on ")) << text;
    EXPECT_NE(std::string::npos, text.find("Local Machine: 1 removed\r\n- %SystemRoot%\\system32\r\n")) << text;
    EXPECT_NE(std::string::npos, text.find("now of type REG_SZ instead of REG_EXPAND_SZ")) << text;
    EXPECT_NE(std::string::npos, text.find("%SystemRoot%\\system32 is gone")) << text;
    EXPECT_NE(std::string::npos, text.find("File > History")) << text;
    Answer(message, IDOK);
    history = OpenHistory(app, wnd);
    ASSERT_TRUE(history != NULL);
    lines = ListTexts(GetDlgItem(history, IDC_HISTORY_LIST));
    ASSERT_EQ(4u, lines.size());
    EXPECT_NE(std::string::npos, lines[0].find("   another program   machine -1, user +1 -1 type")) << lines[0];
    question = RestoreChange(app, history, 0);
    ASSERT_TRUE(question != NULL);
    Answer(question, IDYES);
    EXPECT_TRUE(WaitUntil([&] { return StoredPath(HKEY_CURRENT_USER) == userBefore; }, 10000)) << StoredPath(HKEY_CURRENT_USER);
    EXPECT_EQ(machineBefore, StoredPath(HKEY_LOCAL_MACHINE));
    PostMessageW(wnd, WM_CLOSE, 0, 0);
    ASSERT_TRUE(app.WaitForExit(10000, &code)) << "a question is still open?";
}
