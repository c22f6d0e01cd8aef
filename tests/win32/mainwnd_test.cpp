/* The main window: its start, menu, accelerators, layout, command table and closing. */
#include <gtest/gtest.h>

#include "e2e_support.h"
#include "test_support.h"
#include "app/layout.h"
#include "app/mainwnd.h"
#include "app/msgloop.h"
#include "common/common.h"
#include "resource.h"

#include <string>
#include <vector>

namespace {

const char kVarName[] = "VELKOR_TEST_APP_MAIN";
const char *const kPlacementKeys[] = {"x", "y", "w", "h"};

void ClearPlacementKeys()
{
    for (const char *key : kPlacementKeys)
        WriteProfileStringA(APP_SHORT_NAME, key, NULL);
}

bool PlacementSaved()
{
    char text[16];
    GetProfileStringA(APP_SHORT_NAME, "x", "", text, sizeof text);
    return text[0] != '\0';
}

bool Greyed(UINT id)
{
    return (GetMenuState(GetMenu(g_hMainWnd), id, MF_BYCOMMAND) & MF_GRAYED) != 0;
}

/* The child's rectangle in the main window's client coordinates. */
RECT ChildRect(HWND child)
{
    RECT rect = {};
    GetWindowRect(child, &rect);
    MapWindowPoints(NULL, g_hMainWnd, (POINT *)&rect, 2);
    return rect;
}

void ExpectAt(const ControlBox &box, HWND child, const char *what)
{
    RECT rect = ChildRect(child);
    EXPECT_EQ(box.left, rect.left) << what;
    EXPECT_EQ(box.top, rect.top) << what;
    EXPECT_EQ(box.width, rect.right - rect.left) << what;
    EXPECT_EQ(box.height, rect.bottom - rect.top) << what;
}

/* Posts a key to the edit field and runs it through the program's loop handling. */
void PressInEdit(WORD key)
{
    PostKey(EntryEdit(), key);
    PumpMessages();
}

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        ClearPlacementKeys();
        strcpy(g_varName, kVarName);
        DeleteRawValue(HKEY_CURRENT_USER, kUserSubkey, kVarName);
        DeleteRawValue(HKEY_LOCAL_MACHINE, kMachineSubkey, kVarName);
    }
    void TearDown() override
    {
        g_modified = FALSE;
        DestroyMainWindow();
        ClearPlacementKeys();
        DeleteRawValue(HKEY_CURRENT_USER, kUserSubkey, kVarName);
        DeleteRawValue(HKEY_LOCAL_MACHINE, kMachineSubkey, kVarName);
        strcpy(g_varName, "PATH");
    }
    /* The window as WinMain creates it, with pending changes so that the start-up retrieve asks
       first; `answer` is given to that question. */
    void CreateWithPendingChanges(DialogAnswerer &answerer, int answer)
    {
        g_hInstance = GetModuleHandleA(NULL);
        g_hMainWnd = CreateDialogParamA(g_hInstance, MAKEINTRESOURCEA(IDD_MAIN), NULL, MainDialogProc, 0);
        ASSERT_TRUE(g_hMainWnd != NULL);
        g_modified = TRUE;
        answerer.QueueClick(answer);
        PumpMessages();
    }
};

} // namespace

TEST_F(MainWindow, OpensTitledWithTheEditFieldFocusedAndTheListLoaded)
{
    DialogAnswerer answerer;
    ASSERT_TRUE(CreateMainWindow() != NULL);
    char title[64];
    GetWindowTextA(g_hMainWnd, title, sizeof title);
    EXPECT_STREQ(APP_TITLE, title);
    EXPECT_EQ(EntryEdit(), GetFocus());
    EXPECT_TRUE(IsWindowVisible(g_hMainWnd));
    EXPECT_EQ(0, (int)(GetWindowLongA(g_hMainWnd, GWL_STYLE) & WS_MAXIMIZEBOX));
    /* The start-up retrieve ran without asking and enabled Export and Update. */
    EXPECT_TRUE(answerer.Seen().empty());
    EXPECT_EQ(2u, ListRows().size());
    EXPECT_FALSE(Greyed(IDM_EXPORT));
    EXPECT_FALSE(Greyed(IDM_UPDATE));
}

TEST_F(MainWindow, ExportAndUpdateStayGreyedUntilARetrieveSucceeds)
{
    DialogAnswerer answerer;
    CreateWithPendingChanges(answerer, IDCANCEL);   /* the retrieve is called off */
    ASSERT_EQ(1u, answerer.Seen().size());
    EXPECT_TRUE(Greyed(IDM_EXPORT));
    EXPECT_TRUE(Greyed(IDM_UPDATE));
    EXPECT_FALSE(Greyed(IDM_BACKUP));
    EXPECT_FALSE(Greyed(IDM_RETRIEVE));

    /* F2 is inert while Update is greyed: no confirmation appears. */
    PressInEdit(VK_F2);
    EXPECT_EQ(1u, answerer.Seen().size());

    EnableVariableCommands(TRUE);
    EXPECT_FALSE(Greyed(IDM_EXPORT));
    EXPECT_FALSE(Greyed(IDM_UPDATE));
    answerer.QueueClick(IDNO);
    PressInEdit(VK_F2);
    ASSERT_EQ(2u, answerer.Seen().size());
    EXPECT_NE(std::string::npos, answerer.Seen()[1].text.find(kVarName));
    EXPECT_EQ(0, answerer.Unexpected());

    EnableVariableCommands(FALSE);
    EXPECT_TRUE(Greyed(IDM_EXPORT));
    EXPECT_TRUE(Greyed(IDM_UPDATE));
}

TEST_F(MainWindow, MenuBarHoldsEveryCommand)
{
    DialogAnswerer answerer;
    ASSERT_TRUE(CreateMainWindow() != NULL);
    EXPECT_EQ(ExpectedMenuLines(), MenuLines(GetMenu(g_hMainWnd)));
}

TEST_F(MainWindow, AcceleratorTableMatchesTheKeyTable)
{
    const ACCEL expected[] = {
        {FVIRTKEY, VK_F3, IDM_RETRIEVE},
        {FVIRTKEY, VK_F2, IDM_UPDATE},
        {FVIRTKEY, VK_F5, IDM_CHECK},
        {FVIRTKEY, VK_F8, IDM_DELETE},
        {FVIRTKEY, VK_RETURN, IDM_MODIFY},
        {FVIRTKEY | FCONTROL, VK_RETURN, IDM_INSERT},
        {FVIRTKEY | FSHIFT, VK_F4, IDM_INSERT_FOLDER},
        {FVIRTKEY | FCONTROL, VK_F4, IDM_INSERT_FILE},
        {FVIRTKEY | FCONTROL, VK_UP, IDM_MOVE_UP},
        {FVIRTKEY | FCONTROL, VK_DOWN, IDM_MOVE_DOWN},
    };
    const int count = sizeof expected / sizeof expected[0];
    HACCEL table = LoadAcceleratorsA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDR_ACCELERATORS));
    ASSERT_TRUE(table != NULL);
    ASSERT_EQ(count, CopyAcceleratorTableA(table, NULL, 0));
    ACCEL got[count];
    CopyAcceleratorTableA(table, got, count);
    for (int i = 0; i < count; i++) {
        EXPECT_EQ(expected[i].fVirt, got[i].fVirt & ~(FNOINVERT | 0x80)) << "entry " << i;
        EXPECT_EQ(expected[i].key, got[i].key) << "entry " << i;
        EXPECT_EQ(expected[i].cmd, got[i].cmd) << "entry " << i;
    }
    DestroyAcceleratorTable(table);
}

TEST_F(MainWindow, ControlsUseTheFixedPitchFont)
{
    DialogAnswerer answerer;
    ASSERT_TRUE(CreateMainWindow() != NULL);
    HFONT listFont = (HFONT)SendMessageA(EntryList(), WM_GETFONT, 0, 0);
    EXPECT_EQ(listFont, (HFONT)SendMessageA(EntryEdit(), WM_GETFONT, 0, 0));
    LOGFONTA font = {};
    ASSERT_EQ((int)sizeof font, GetObjectA(listFont, sizeof font, &font));
    EXPECT_STREQ("Courier New", font.lfFaceName);
    EXPECT_EQ(-12, font.lfHeight);
    EXPECT_EQ(100, font.lfWeight);
    EXPECT_EQ(FIXED_PITCH, font.lfPitchAndFamily);
    EXPECT_EQ(DEFAULT_CHARSET, font.lfCharSet);   /* any script may be drawn */
}

TEST_F(MainWindow, ControlsFillTheClientAreaAtEverySize)
{
    DialogAnswerer answerer;
    ASSERT_TRUE(CreateMainWindow() != NULL);
    int itemHeight = (int)SendMessageA(EntryList(), LB_GETITEMHEIGHT, 0, 0);
    ASSERT_GT(itemHeight, 0);

    /* A real resize. */
    MoveWindow(g_hMainWnd, 20, 20, 450, 320, TRUE);
    PumpMessages();
    RECT client;
    GetClientRect(g_hMainWnd, &client);
    ControlBox edit, list;
    ComputeLayout(client.right, client.bottom, itemHeight, &edit, &list);
    ExpectAt(edit, EntryEdit(), "edit after resize");
    ExpectAt(list, EntryList(), "list after resize");
    EXPECT_EQ(1, list.left);
    EXPECT_EQ(client.bottom - 2, edit.top + edit.height);

    /* Sizes given straight to the window, the lowest one lower than a row plus 8 pixels. */
    const struct { int width, height; } sizes[] = {{300, 200}, {120, 40}, {80, itemHeight + 5}};
    for (const auto &size : sizes) {
        SendMessageA(g_hMainWnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(size.width, size.height));
        ComputeLayout(size.width, size.height, itemHeight, &edit, &list);
        ExpectAt(edit, EntryEdit(), "edit");
        ExpectAt(list, EntryList(), "list");
    }
    RECT lowList = ChildRect(EntryList());
    EXPECT_EQ(0, lowList.bottom - lowList.top);
}

TEST_F(MainWindow, MinimisingKeepsTheLayoutAndRestoringRedoesIt)
{
    DialogAnswerer answerer;
    ASSERT_TRUE(CreateMainWindow() != NULL);
    MoveWindow(g_hMainWnd, 20, 20, 450, 320, TRUE);
    PumpMessages();
    RECT before = ChildRect(EntryList());
    ShowWindow(g_hMainWnd, SW_MINIMIZE);
    PumpMessages();
    ASSERT_TRUE(IsIconic(g_hMainWnd));
    RECT minimised = ChildRect(EntryList());
    EXPECT_EQ(before.right - before.left, minimised.right - minimised.left);
    EXPECT_EQ(before.bottom - before.top, minimised.bottom - minimised.top);

    /* A size message of the minimised kind changes nothing either. */
    SendMessageA(g_hMainWnd, WM_SIZE, SIZE_MINIMIZED, MAKELPARAM(10, 10));
    RECT still = ChildRect(EntryList());
    EXPECT_EQ(before.bottom - before.top, still.bottom - still.top);

    ShowWindow(g_hMainWnd, SW_RESTORE);
    PumpMessages();
    RECT restored = ChildRect(EntryList());
    EXPECT_EQ(before.right - before.left, restored.right - restored.left);
    EXPECT_EQ(before.bottom - before.top, restored.bottom - restored.top);
}

TEST_F(MainWindow, SelectionChangeInTheListFillsTheEditField)
{
    DialogAnswerer answerer;
    ASSERT_TRUE(CreateMainWindow() != NULL);
    SetListRows({"#machine", "C:\\one", "#user", "C:\\two"});
    const struct {
        int row;
        const char *edit;
    } cases[] = {{1, "C:\\one"}, {0, ""}, {3, "C:\\two"}, {2, ""}};
    for (const auto &c : cases) {
        SetWindowTextA(EntryEdit(), "stale");
        SendMessageA(EntryList(), LB_SETCURSEL, c.row, 0);
        SendMessageA(g_hMainWnd, WM_COMMAND, MAKEWPARAM(IDC_ENTRY_LIST, LBN_SELCHANGE), (LPARAM)EntryList());
        EXPECT_EQ("stale", EditText()) << "the edit field follows only once the loop runs";
        PumpMessages();
        EXPECT_EQ(c.edit, EditText()) << c.row;
    }
    /* Other notifications (a double click) do nothing. */
    SetWindowTextA(EntryEdit(), "kept");
    SendMessageA(g_hMainWnd, WM_COMMAND, MAKEWPARAM(IDC_ENTRY_LIST, LBN_DBLCLK), (LPARAM)EntryList());
    PumpMessages();
    EXPECT_EQ("kept", EditText());
}

TEST_F(MainWindow, EveryCommandReachesItsOperation)
{
    DialogAnswerer answerer;
    ASSERT_TRUE(CreateMainWindow() != NULL);
    EnableVariableCommands(TRUE);
    /* Commands that open a dialog of their own: it is cancelled (or, for the questions, answered
       No) and recorded. */
    const struct {
        UINT id;
        int answer;
    } dialogs[] = {
        {IDM_RETRIEVE, IDC_VAR_CANCEL}, {IDM_UPDATE, IDNO}, {IDM_BACKUP, IDCANCEL}, {IDM_EXPORT, IDCANCEL},
        {IDM_INSERT_FILE, IDCANCEL}, {IDM_INSERT_FOLDER, IDCANCEL}, {IDM_ABOUT, IDOK},
    };
    for (const auto &d : dialogs) {
        size_t before = answerer.Seen().size();
        answerer.QueueClick(d.answer);
        SendMessageA(g_hMainWnd, WM_COMMAND, MAKEWPARAM(d.id, 0), 0);
        PumpMessages();
        EXPECT_EQ(before + 1, answerer.Seen().size()) << "command " << d.id;
        EXPECT_EQ(0u, answerer.Pending()) << "command " << d.id;
    }
    EXPECT_EQ(0, answerer.Unexpected());

    /* The editing commands, seen in the list. */
    SetListRows({"#machine", "C:\\one", "#user", "C:\\two"});
    SetWindowTextA(EntryEdit(), "C:\\new");
    SendMessageA(EntryList(), LB_SETCURSEL, 1, 0);
    SendMessageA(g_hMainWnd, WM_COMMAND, MAKEWPARAM(IDM_INSERT, 1), 0);
    PumpMessages();
    EXPECT_EQ((std::vector<std::string>{"machine|1", "C:\\one|0", "C:\\new|0", "user|1", "C:\\two|0"}), ListRows());
    EXPECT_TRUE(g_modified);

    SetWindowTextA(EntryEdit(), "C:\\changed");
    SendMessageA(g_hMainWnd, WM_COMMAND, MAKEWPARAM(IDM_MODIFY, 1), 0);
    SendMessageA(g_hMainWnd, WM_COMMAND, MAKEWPARAM(IDM_MOVE_DOWN, 1), 0);
    PumpMessages();
    EXPECT_EQ((std::vector<std::string>{"machine|1", "C:\\one|0", "user|1", "C:\\changed|0", "C:\\two|0"}), ListRows());
    SendMessageA(g_hMainWnd, WM_COMMAND, MAKEWPARAM(IDM_MOVE_UP, 1), 0);
    PumpMessages();
    EXPECT_EQ((std::vector<std::string>{"machine|1", "C:\\one|0", "C:\\changed|0", "user|1", "C:\\two|0"}), ListRows());
    SendMessageA(g_hMainWnd, WM_COMMAND, MAKEWPARAM(IDM_DELETE, 1), 0);
    PumpMessages();
    EXPECT_EQ((std::vector<std::string>{"machine|1", "C:\\one|0", "user|1", "C:\\two|0"}), ListRows());

    /* The check stops at the first missing element and says so. */
    size_t before = answerer.Seen().size();
    answerer.QueueClick(IDOK);
    SendMessageA(g_hMainWnd, WM_COMMAND, MAKEWPARAM(IDM_CHECK, 1), 0);
    PumpMessages();
    EXPECT_EQ(before + 1, answerer.Seen().size());
    EXPECT_EQ(0, answerer.Unexpected());
}

TEST_F(MainWindow, OtherCommandIdsDoNothing)
{
    DialogAnswerer answerer;
    ASSERT_TRUE(CreateMainWindow() != NULL);
    SetListRows({"#machine", "C:\\one", "#user"});
    for (UINT id : {(UINT)IDOK, (UINT)IDCANCEL, 100u, 115u, 0u}) {
        EXPECT_FALSE(MainDialogProc(g_hMainWnd, WM_COMMAND, MAKEWPARAM(id, 0), 0)) << id;
    }
    /* Escape and Enter reach dialog processing as IDCANCEL and IDOK: the window stays. */
    PressInEdit(VK_ESCAPE);
    SendMessageA(EntryList(), LB_SETCURSEL, (WPARAM)-1, 0);
    PressInEdit(VK_RETURN);
    EXPECT_TRUE(IsWindow(g_hMainWnd));
    EXPECT_FALSE(TakeQuitMessage());
    EXPECT_EQ((std::vector<std::string>{"machine|1", "C:\\one|0", "user|1"}), ListRows());
    EXPECT_TRUE(answerer.Seen().empty());
}

TEST_F(MainWindow, CloseAsksTheGuardAndSavesThePlacement)
{
    DialogAnswerer answerer;
    ASSERT_TRUE(CreateMainWindow() != NULL);

    /* Pending changes, answered Cancel: the window stays and nothing is saved. */
    g_modified = TRUE;
    answerer.QueueClick(IDCANCEL);
    PostMessageA(g_hMainWnd, WM_CLOSE, 0, 0);
    PumpMessages();
    EXPECT_EQ(1u, answerer.Seen().size());
    EXPECT_FALSE(TakeQuitMessage());
    EXPECT_FALSE(PlacementSaved());

    /* The same through Exit and through the end of the session. */
    answerer.QueueClick(IDCANCEL);
    SendMessageA(g_hMainWnd, WM_COMMAND, MAKEWPARAM(IDM_EXIT, 0), 0);
    PumpMessages();
    EXPECT_EQ(2u, answerer.Seen().size());
    EXPECT_FALSE(TakeQuitMessage());
    answerer.QueueClick(IDCANCEL);
    EXPECT_EQ(0, SendMessageA(g_hMainWnd, WM_QUERYENDSESSION, 0, 0));
    EXPECT_EQ(3u, answerer.Seen().size());
    EXPECT_FALSE(PlacementSaved());

    /* No pending changes: the session may end, the placement is saved, no quit yet. */
    g_modified = FALSE;
    EXPECT_NE(0, SendMessageA(g_hMainWnd, WM_QUERYENDSESSION, 0, 0));
    EXPECT_TRUE(PlacementSaved());
    PumpMessages();
    EXPECT_FALSE(TakeQuitMessage());

    ClearPlacementKeys();
    SendMessageA(g_hMainWnd, WM_COMMAND, MAKEWPARAM(IDM_EXIT, 0), 0);
    PumpMessages();
    EXPECT_TRUE(TakeQuitMessage());
    EXPECT_TRUE(PlacementSaved());
    EXPECT_TRUE(IsWindow(g_hMainWnd)) << "the loop's owner destroys the window";
    EXPECT_EQ(3u, answerer.Seen().size());
    EXPECT_EQ(0, answerer.Unexpected());
}

TEST_F(MainWindow, CarriesTheApplicationIconInBothSizes)
{
    DialogAnswerer answerer;
    ASSERT_TRUE(CreateMainWindow() != NULL);
    const struct {
        WPARAM which;
        int width, height;
    } icons[] = {{ICON_BIG, SM_CXICON, SM_CYICON}, {ICON_SMALL, SM_CXSMICON, SM_CYSMICON}};
    HICON seen[2] = {};
    for (int i = 0; i < 2; i++) {
        seen[i] = (HICON)SendMessageA(g_hMainWnd, WM_GETICON, icons[i].which, 0);
        ASSERT_TRUE(seen[i] != NULL) << "icon " << icons[i].which;
        ICONINFO info = {};
        ASSERT_TRUE(GetIconInfo(seen[i], &info));
        BITMAP bitmap = {};
        GetObjectA(info.hbmColor, sizeof bitmap, &bitmap);
        EXPECT_EQ(GetSystemMetrics(icons[i].width), bitmap.bmWidth) << "icon " << icons[i].which;
        EXPECT_EQ(GetSystemMetrics(icons[i].height), bitmap.bmHeight) << "icon " << icons[i].which;
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
    }
    EXPECT_NE(seen[0], seen[1]) << "each size has an image of its own";
}
