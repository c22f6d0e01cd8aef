/* The real velkor.exe, started and driven from the test process. */
#include "app_fixture.h"
#include "e2e_support.h"
#include "app/settings.h"
#include "common/texts.h"
#include "resource.h"

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
    for (UINT id = IDM_EXIT; id <= IDM_INSERT_FILE; id++)
        EXPECT_EQ(0u, GetMenuState(stored, id, MF_BYCOMMAND) & (MF_GRAYED | MF_CHECKED)) << id;
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

    char text[32];
    GetProfileStringA(APP_SHORT_NAME, "x", "", text, sizeof text);
    EXPECT_STREQ("-8", text);
    GetProfileStringA(APP_SHORT_NAME, "y", "", text, sizeof text);
    EXPECT_STREQ("-5", text);
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
        int rows = 0;
        if (SetEnvText(HKEY_CURRENT_USER, "PATH", start, type) && app.Start())
            wnd = app.WaitForMainWindow();
        /* The start-up retrieve: the machine rows, the user header and the one user row. */
        if (!wnd || !WaitUntil([&] { return (rows = RowCount(wnd)) >= 3; }, 10000))
            return NULL;
        SetWindowTextOf(GetDlgItem(wnd, IDC_ENTRY_EDIT), added);
        PostCommand(wnd, IDM_INSERT);
        return WaitUntil([&] { return RowCount(wnd) == rows + 1; }, 5000) ? wnd : NULL;
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
