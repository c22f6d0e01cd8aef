/* The real velkor.exe, started and driven from the test process. */
#include <gtest/gtest.h>

#include "e2e_support.h"
#include "output_support.h"
#include "test_support.h"
#include "app/settings.h"
#include "common/texts.h"
#include "resource.h"

#include <algorithm>

#include <cstring>
#include <string>

namespace {

const char *const kPlacementKeys[] = {"x", "y", "w", "h"};

void ClearPlacementKeys()
{
    for (const char *key : kPlacementKeys)
        WriteProfileStringA(APP_SHORT_NAME, key, NULL);
}

RECT WindowRect(HWND wnd)
{
    RECT rect = {};
    GetWindowRect(wnd, &rect);
    return rect;
}

INT_PTR CALLBACK PlainDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

/* The rectangle that dialog template 1 gives the main window before anything moves it. */
RECT TemplateRect()
{
    HWND plain = CreateDialogParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_MAIN), NULL, PlainDialogProc, 0);
    RECT rect = WindowRect(plain);
    DestroyWindow(plain);
    return rect;
}

/* Each test starts and ends with no instance of the program running and no saved placement. */
class AppRun : public ::testing::Test {
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
        ClearPlacementKeys();
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
    std::vector<std::string> menu = MenuLines(stored);
    for (UINT id = IDM_EXIT; id <= IDM_SNAPSHOTS; id++)
        EXPECT_EQ(0u, GetMenuState(stored, id, MF_BYCOMMAND) & (MF_GRAYED | MF_CHECKED)) << id;
    DestroyMenu(stored);
    EXPECT_EQ(ExpectedMenuLines(), menu);
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

/* A registry value as it stood, so that it can be put back exactly. */
struct SavedValue {
    HKEY root;
    const char *subkey;
    bool existed = false;
    DWORD type = 0;
    std::string bytes;

    SavedValue(HKEY r, const char *s) : root(r), subkey(s) { existed = GetRawValue(root, subkey, "PATH", &type, &bytes); }
    void Restore() const
    {
        if (existed)
            SetRawValue(root, subkey, "PATH", type, bytes.data(), (DWORD)bytes.size());
        else
            DeleteRawValue(root, subkey, "PATH");
    }
};

int RowCount(HWND main)
{
    DWORD_PTR count = 0;
    SendMessageTimeoutW(GetDlgItem(main, IDC_ENTRY_LIST), LB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 2000, &count);
    return (int)count;
}

/* The program edits PATH itself: both values are saved before and put back after, also when the
   test fails. */
class AppWorkflow : public ::testing::Test {
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
        machine.Restore();
        user.Restore();
        ClearPlacementKeys();
    }
    SavedValue machine{HKEY_LOCAL_MACHINE, kMachineSubkey};
    SavedValue user{HKEY_CURRENT_USER, kUserSubkey};
    AppProcess app;
};

} // namespace

TEST_F(AppWorkflow, InsertUpdateAndCloseWritesTheRegistry)
{
    const char start[] = "C:\\velkor-e2e-a";
    ASSERT_TRUE(SetRawValue(HKEY_CURRENT_USER, kUserSubkey, "PATH", REG_SZ, start, sizeof start));

    ASSERT_TRUE(app.Start());
    HWND wnd = app.WaitForMainWindow();
    ASSERT_TRUE(wnd != NULL);
    /* The start-up retrieve: the machine rows, the user header and the one user row. */
    ASSERT_TRUE(WaitUntil([&] { return RowCount(wnd) >= 3; }, 10000));
    int rows = RowCount(wnd);

    /* Type a new element and insert it: with no row selected it ends the user section. */
    HWND edit = GetDlgItem(wnd, IDC_ENTRY_EDIT);
    SetWindowTextOf(edit, "C:\\velkor-e2e-new");
    PostCommand(wnd, IDM_INSERT);
    ASSERT_TRUE(WaitUntil([&] { return RowCount(wnd) == rows + 1; }, 5000));

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
    if (machine.existed) {
        ASSERT_TRUE(GetRawValue(HKEY_LOCAL_MACHINE, kMachineSubkey, "PATH", &type, &bytes));
        EXPECT_EQ((DWORD)REG_EXPAND_SZ, type);
    }
}

TEST_F(AppWorkflow, PendingChangesAreOfferedOnClose)
{
    const char start[] = "C:\\velkor-e2e-b";
    ASSERT_TRUE(SetRawValue(HKEY_CURRENT_USER, kUserSubkey, "PATH", REG_EXPAND_SZ, start, sizeof start));

    ASSERT_TRUE(app.Start());
    HWND wnd = app.WaitForMainWindow();
    ASSERT_TRUE(wnd != NULL);
    ASSERT_TRUE(WaitUntil([&] { return RowCount(wnd) >= 3; }, 10000));
    int rows = RowCount(wnd);
    SetWindowTextOf(GetDlgItem(wnd, IDC_ENTRY_EDIT), "C:\\velkor-e2e-added");
    PostCommand(wnd, IDM_INSERT);
    ASSERT_TRUE(WaitUntil([&] { return RowCount(wnd) == rows + 1; }, 5000));

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
    DWORD type = 0;
    std::string bytes;
    ASSERT_TRUE(GetRawValue(HKEY_CURRENT_USER, kUserSubkey, "PATH", &type, &bytes));
    EXPECT_EQ(std::string(start, sizeof start), bytes);
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
    ASSERT_TRUE(WaitUntil([&] { return RowCount(wnd) >= 4; }, 10000));
    int rows = RowCount(wnd);
    HWND edit = GetDlgItem(wnd, IDC_ENTRY_EDIT);
    SetWindowTextOf(edit, "C:\\velkor-e2e-snap");
    PostCommand(wnd, IDM_INSERT);
    ASSERT_TRUE(WaitUntil([&] { return RowCount(wnd) == rows + 1; }, 5000));
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

std::vector<HWND> VisibleWindows()
{
    std::vector<HWND> windows;
    EnumWindows(AddVisibleWindow, (LPARAM)&windows);
    return windows;
}
}  // namespace

/* File > Snapshots... makes the missing folder and opens it in a window of Explorer, which the
   test closes again. */
TEST_F(AppRun, SnapshotsCommandOpensTheFolderInExplorer)
{
    UseNewLocalAppData();
    ASSERT_TRUE(first.Start());
    HWND wnd = first.WaitForMainWindow();
    ASSERT_TRUE(wnd != NULL);
    std::vector<HWND> before = VisibleWindows();
    PostCommand(wnd, IDM_SNAPSHOTS);
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
    CloseAndExpectExitZero(first, wnd);
}

/* ---- Every character survives ---- */

namespace {

/* A variable named in Polish, with a machine value in Polish and Japanese and a user value in
   Chinese, stored through the wide calls as Windows stores them. velkor.exe runs in UTF-8 (its
   manifest), so all of it reaches the list, the edit field, the registry and the files unchanged. */
const char kForeignName[] = u8"VELKOR_TEST_Żuławy_ł";
const char kForeignMachine[] = u8"C:\\Łódź\\bin;C:\\日本\\tools;C:\\plain";
const char kForeignUser[] = u8"C:\\Users\\张伟\\bin";

class AppForeignText : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(NoAppRunning());
        ClearPlacementKeys();
        WriteProfileStringA(APP_SHORT_NAME, "lastpath", NULL);
        ASSERT_TRUE(SetWideValue(HKEY_LOCAL_MACHINE, kMachineSubkey, kForeignName, REG_EXPAND_SZ, kForeignMachine));
        ASSERT_TRUE(SetWideValue(HKEY_CURRENT_USER, kUserSubkey, kForeignName, REG_SZ, kForeignUser));
        dir_ = TempDir();
    }
    void TearDown() override
    {
        app.Kill();
        NoAppRunning();
        DeleteWideValue(HKEY_LOCAL_MACHINE, kMachineSubkey, kForeignName);
        DeleteWideValue(HKEY_CURRENT_USER, kUserSubkey, kForeignName);
        ClearPlacementKeys();
        WriteProfileStringA(APP_SHORT_NAME, "lastpath", NULL);
    }

    /* Starts the program and retrieves the variable through F3 and the variable-name dialog;
       returns the main window once the list shows its rows. */
    HWND StartOnTheVariable(const std::string &name = kForeignName, size_t rows = 6)
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
        SetWindowTextOf(GetDlgItem(dialog, IDC_VAR_NAME), name);
        ClickButton(dialog, IDC_VAR_OK);
        /* The retrieve runs as the dialog ends, before the program reads any message of ours: the
           list is not read while it still shows PATH. */
        WaitUntil([&] { return !IsWindow(dialog); }, 10000);
        HWND list = GetDlgItem(wnd, IDC_ENTRY_LIST);
        WaitUntil([&] { return ListTexts(list).size() == rows; }, 10000);
        return wnd;
    }

    /* Answers the save dialog that command opens with path; true when the file then exists. */
    bool SaveThrough(HWND wnd, UINT command, const std::string &path)
    {
        PostCommand(wnd, command);
        HWND dialog = app.WaitForDialog("");
        if (!dialog)
            return false;
        SetWindowTextOf(SaveDialogNameField(dialog), path);
        ClickButton(dialog, IDOK);
        return WaitUntil([&] { return !IsWindow(dialog) && GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }, 10000);
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
    AppProcess app;
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
    const std::vector<std::string> retrieved = {MACHINE_HEADER_TEXT, u8"C:\\Łódź\\bin", u8"C:\\日本\\tools",
                                                "C:\\plain", USER_HEADER_TEXT, kForeignUser};
    ASSERT_EQ(retrieved, ListTexts(list));

    /* The selection brings the row into the edit field; Modify puts the edited text back. */
    SelectListRow(wnd, 1);
    EXPECT_TRUE(WaitUntil([&] { return EditFieldText(wnd) == u8"C:\\Łódź\\bin"; }, 5000)) << EditFieldText(wnd);
    SetWindowTextOf(GetDlgItem(wnd, IDC_ENTRY_EDIT), folder);
    PostCommand(wnd, IDM_MODIFY);
    ASSERT_TRUE(WaitUntil([&] { return ListTexts(list)[1] == folder; }, 5000)) << ListTexts(list)[1];

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

    PostMessageW(wnd, WM_CLOSE, 0, 0);
    DWORD code = 12345;
    ASSERT_TRUE(app.WaitForExit(10000, &code)) << "a question is still open?";
    EXPECT_EQ(0u, code);
    RemoveDirectoryW(WideFromUtf8(folder).c_str());
}

/* The export is UTF-8 (no byte-order mark, CR LF); the backup, beyond the system's code page, is
   in the registry editor's Unicode format, and importing it gives back every character. */
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
    EXPECT_EQ(std::string("Windows Registry Editor Version 5.00\r\n\r\n[" USER_ENV_KEY "]\r\n\"") + kForeignName +
                  u8"\"=\"C:\\\\Users\\\\张伟\\\\bin\"\r\n\r\n[" MACHINE_ENV_KEY "]\r\n\"" + kForeignName +
                  u8"\"=\"C:\\\\Łódź\\\\bin;C:\\\\日本\\\\tools;C:\\\\plain\"\r\n",
              Utf8FromWide(units));

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
    EXPECT_TRUE(GetWideValue(HKEY_CURRENT_USER, kUserSubkey, kForeignName, &type, &stored));
    EXPECT_EQ(kForeignUser, stored);
}

/* A name of 255 characters of three UTF-8 bytes each is taken whole: its value is found. */
TEST_F(AppForeignText, LongestNameInAnyScriptIsTakenWhole)
{
    std::string name;
    for (int i = 0; i < 255; i++)
        name += u8"日";
    ASSERT_TRUE(SetWideValue(HKEY_CURRENT_USER, kUserSubkey, name, REG_SZ, u8"C:\\Ż"));
    HWND wnd = StartOnTheVariable(name, 3);
    std::vector<std::string> rows = wnd ? ListTexts(GetDlgItem(wnd, IDC_ENTRY_LIST)) : std::vector<std::string>();
    DeleteWideValue(HKEY_CURRENT_USER, kUserSubkey, name);
    EXPECT_EQ(std::vector<std::string>({MACHINE_HEADER_TEXT, USER_HEADER_TEXT, u8"C:\\Ż"}), rows);
}
