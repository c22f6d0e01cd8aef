/* The main window: its start, menu, accelerators, layout, command table and closing. */
#include <gtest/gtest.h>

#include "app_fixture.h"
#include "e2e_support.h"
#include "output_support.h"
#include "app/mainwnd.h"
#include "app/msgloop.h"
#include "common/common.h"
#include "resource.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

const char kVarName[] = "VELKOR_TEST_APP_MAIN";

/* The child's rectangle in the main window's client coordinates. */
RECT ChildRect(HWND child)
{
    RECT rect = {};
    GetWindowRect(child, &rect);
    MapWindowPoints(NULL, g_hMainWnd, (POINT *)&rect, 2);
    return rect;
}

/* Posts a key to the edit field and runs it through the program's loop handling. */
void PressInEdit(WORD key)
{
    PostKey(EntryEdit(), key);
    PumpMessages();
}

class MainWindow : public AppTest {
protected:
    void SetUp() override
    {
        ClearPlacementKeys();
        strcpy(g_varName, kVarName);
        DeleteEnvValues(kVarName);
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
    DialogAnswerer &answerer = dialogs;
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
    EXPECT_FALSE(CommandGreyed(IDM_EXPORT));
    EXPECT_FALSE(CommandGreyed(IDM_UPDATE));
}

TEST_F(MainWindow, ExportAndUpdateStayGreyedUntilARetrieveSucceeds)
{
    DialogAnswerer answerer;
    CreateWithPendingChanges(answerer, IDCANCEL);   /* the retrieve is called off */
    ASSERT_EQ(1u, answerer.Seen().size());
    EXPECT_TRUE(CommandGreyed(IDM_EXPORT));
    EXPECT_TRUE(CommandGreyed(IDM_UPDATE));
    EXPECT_FALSE(CommandGreyed(IDM_BACKUP));
    EXPECT_FALSE(CommandGreyed(IDM_RETRIEVE));
    EXPECT_FALSE(CommandGreyed(IDM_NOTIFY));

    /* F2 is inert while Update is greyed: no confirmation appears. */
    PressInEdit(VK_F2);
    EXPECT_EQ(1u, answerer.Seen().size());

    EnableVariableCommands(TRUE);
    EXPECT_FALSE(CommandGreyed(IDM_EXPORT));
    EXPECT_FALSE(CommandGreyed(IDM_UPDATE));
    answerer.QueueClick(IDNO);
    PressInEdit(VK_F2);
    ASSERT_EQ(2u, answerer.Seen().size());
    EXPECT_NE(std::string::npos, answerer.Seen()[1].text.find(kVarName));
    EXPECT_EQ(0, answerer.Unexpected());

    EnableVariableCommands(FALSE);
    EXPECT_TRUE(CommandGreyed(IDM_EXPORT));
    EXPECT_TRUE(CommandGreyed(IDM_UPDATE));
}

/* Both controls draw their texts in one font of fixed pitch, Courier New where the system has it,
   with characters 12 pixels high at 96 DPI, 18 at 144 and 24 at 192: moved to a screen of another
   DPI, the window takes the rectangle that the system suggests and lays its controls out for the
   new font's rows. */
TEST_F(MainWindow, ControlsUseTheFixedPitchFont)
{
    ASSERT_TRUE(CreateMainWindow() != NULL);
    for (int dpi : {96, 144, 192}) {
        SCOPED_TRACE(dpi);
        RECT suggested = {30, 40, 30 + 3 * dpi, 40 + 2 * dpi};
        SendMessageA(g_hMainWnd, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), (LPARAM)&suggested);
        HFONT listFont = (HFONT)SendMessageA(EntryList(), WM_GETFONT, 0, 0);
        EXPECT_EQ(listFont, (HFONT)SendMessageA(EntryEdit(), WM_GETFONT, 0, 0));
        LOGFONTA asked = {};
        ASSERT_EQ((int)sizeof asked, GetObjectA(listFont, sizeof asked, &asked));
        EXPECT_STREQ("Courier New", asked.lfFaceName);
        EXPECT_EQ(DEFAULT_CHARSET, asked.lfCharSet);   /* any script may be drawn */
        HDC dc = GetDC(EntryList());
        HGDIOBJ old = SelectObject(dc, listFont);
        TEXTMETRICA metrics = {};
        GetTextMetricsA(dc, &metrics);
        SIZE narrow = {}, wide = {};
        GetTextExtentPoint32A(dc, "iiii", 4, &narrow);
        GetTextExtentPoint32A(dc, "WWWW", 4, &wide);
        SelectObject(dc, old);
        ReleaseDC(EntryList(), dc);
        /* Every character as wide as the next. (The pitch bits are not asked: a monospaced font
           with double-width ideographs, as the prefix's fallback for Chinese is, reports itself as
           variable.) */
        EXPECT_EQ(narrow.cx, wide.cx);
        EXPECT_EQ(12 * dpi / 96, metrics.tmHeight - metrics.tmInternalLeading);
        /* The rows as tall as the text, the edit field one row high at the bottom, above the status bar. */
        EXPECT_EQ(metrics.tmHeight, (int)SendMessageA(EntryList(), LB_GETITEMHEIGHT, 0, 0));
        RECT window, edit = ChildRect(EntryEdit()), bar = ChildRect(GetDlgItem(g_hMainWnd, IDC_STATUS_BAR));
        GetWindowRect(g_hMainWnd, &window);
        EXPECT_EQ(suggested.right - suggested.left, window.right - window.left);
        EXPECT_EQ(bar.top - 2, edit.bottom);   /* above the status bar */
        EXPECT_EQ(metrics.tmHeight + 4, edit.bottom - edit.top);
    }
}

/* At every size the list fills the client area but for a pixel at its sides and top, and the edit
   field, one row high plus its border, lies under it across the same width, 2 pixels above the
   bottom; the two never overlap. */
TEST_F(MainWindow, ControlsFillTheClientAreaAtEverySize)
{
    ASSERT_TRUE(CreateMainWindow() != NULL);
    int row = (int)SendMessageA(EntryList(), LB_GETITEMHEIGHT, 0, 0);
    ASSERT_GT(row, 0);
    MoveWindow(g_hMainWnd, 20, 20, 450, 320, TRUE);   /* a real resize first */
    PumpMessages();
    RECT client;
    GetClientRect(g_hMainWnd, &client);
    const struct { int width, height; } sizes[] = {
        {(int)client.right, (int)client.bottom}, {300, 200}, {120, 40}, {80, row + 8}, {80, row + 5},
    };
    for (const auto &size : sizes) {
        SCOPED_TRACE(std::to_string(size.width) + "x" + std::to_string(size.height));
        if (size.width != client.right)
            SendMessageA(g_hMainWnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(size.width, size.height));
        RECT list = ChildRect(EntryList()), edit = ChildRect(EntryEdit());
        /* The status bar takes the bottom at its own height; the rest is laid out above it. */
        RECT bar = ChildRect(GetDlgItem(g_hMainWnd, IDC_STATUS_BAR));
        int above = std::max(0, size.height - (int)(bar.bottom - bar.top));
        EXPECT_GT(bar.bottom - bar.top, 0);
        EXPECT_EQ(above, bar.top);
        EXPECT_EQ(size.width, bar.right);
        EXPECT_EQ(1, list.left);
        EXPECT_EQ(1, list.top);
        EXPECT_EQ(size.width - 1, list.right);
        EXPECT_EQ(1, edit.left);
        EXPECT_EQ(size.width - 1, edit.right);
        EXPECT_EQ(above - 2, edit.bottom);
        EXPECT_EQ(row + 4, edit.bottom - edit.top);
        EXPECT_EQ(std::max(0, above - row - 8), list.bottom - list.top);
        if (list.bottom > list.top) {
            EXPECT_EQ(list.bottom + 1, edit.top) << "one pixel between the list and the edit field";
        }
    }
}

TEST_F(MainWindow, MinimisingKeepsTheLayoutAndRestoringRedoesIt)
{
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

TEST_F(MainWindow, OtherCommandIdsDoNothing)
{
    DialogAnswerer answerer;
    ASSERT_TRUE(CreateMainWindow() != NULL);
    SetListRows({"#machine", "C:\\one", "#user"});
    for (UINT id : {(UINT)IDOK, (UINT)IDCANCEL, 100u, 200u, 0u}) {
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

/* Each menu item and each key runs its own command, seen by what the user then meets: the dialog
   it opens (answered with its way out) or what it does to the rows. A menu item is found by the
   text it shows and chosen by the command that it sends. */
namespace {

/* Names the dialog as the user tells it apart, and closes it the way it is meant to be closed. */
std::string NameAndClose(HWND dialog)
{
    std::string name;
    int button = IDCANCEL;
    HWND filters = GetDlgItem(dialog, cmb1);
    char title[256] = "";
    GetWindowTextA(dialog, title, sizeof title);
    if (GetDlgItem(dialog, IDC_VAR_NAME) && GetDlgItem(dialog, IDC_VAR_CANCEL)) {
        name = std::string("name dialog ") + title;
        button = IDC_VAR_CANCEL;
    } else if (GetDlgItem(dialog, 0xFFFF)) {
        name = "message " + DialogAnswerer::Describe(dialog).text.substr(0, 20);
        button = GetDlgItem(dialog, IDNO) ? IDNO : IDOK;
    } else if (filters) {
        std::vector<std::string> items = ComboItems(filters);
        name = "file dialog " + (items.empty() ? std::string() : items[0]);
    } else if (HasChildText(dialog, "Select Folder to add")) {
        name = "folder browser";
    } else if (GetDlgItem(dialog, IDC_HISTORY_LIST)) {
        name = std::string("history ") + title;
    } else if (GetDlgItem(dialog, IDC_CHECK_FINDINGS)) {
        name = std::string("report ") + title;
        DialogAnswerer::PostClick(dialog, IDCANCEL);   /* the first stops a check still running */
    } else {
        name = std::string("other ") + title;
        button = IDOK;
    }
    DialogAnswerer::PostClick(dialog, button);
    return name;
}

/* '#' marks a header row; gives the rows as ListRows shows them. */
std::vector<std::string> Marked(const std::vector<std::string> &marked)
{
    std::vector<std::string> rows;
    for (const std::string &row : marked)
        rows.push_back(row[0] == '#' ? row.substr(1) + "|1" : row + "|0");
    return rows;
}

const std::vector<std::string> kRows = {"#M", "a", "b", "#U", "c", "d"};

/* Row 4 ("c") selected and "x" typed, no pending changes; runs `act` and says what came of it. */
template <typename Act>
std::string Outcome(Act act)
{
    SetListRows(kRows);
    SendMessageA(EntryList(), LB_SETCURSEL, 4, 0);
    SetWindowTextA(EntryEdit(), "x");
    SetFocus(EntryEdit());
    PumpMessages(5);
    g_modified = FALSE;
    std::string dialog;
    DialogAnswerer answerer;
    answerer.Queue([&dialog](HWND wnd) { dialog = NameAndClose(wnd); });
    act();
    PumpMessages();
    if (!dialog.empty())
        return dialog;
    if (TakeQuitMessage())
        return "quit";
    std::vector<std::string> rows = ListRows();
    if (rows == Marked(kRows))
        return "nothing";
    std::string shown = "rows";
    for (const std::string &row : rows)
        shown += " " + row.substr(0, row.find('|'));
    return shown;
}

/* The command id of the menu item that shows this text ("Popup/Item"), 0 when there is none. */
UINT MenuItemId(const std::string &path)
{
    HMENU bar = GetMenu(g_hMainWnd);
    for (const std::string &line : MenuLines(bar))
        if (line.compare(0, path.size() + 1, path + "=") == 0 ||
            line.compare(0, path.size() + 1, path + "\t") == 0)
            return (UINT)std::stoul(line.substr(line.rfind('=') + 1));
    return 0;
}

} // namespace

TEST_F(MainWindow, EachMenuItemRunsItsCommand)
{
    ASSERT_TRUE(CreateMainWindow() != NULL);
    const struct {
        const char *item;
        std::string outcome;
    } cases[] = {
        {"&File/&Retrieve...", "name dialog EnvVar Name"},
        {"&File/&Update", "message You are about update"},
        {"&File/&Notify running programs", "message Running programs hav"},
        {"&File/&Backup current...", "file dialog Registration files"},
        {"&File/&Export...", "file dialog Text files"},
        {"&File/E&xit", "quit"},
        {"&Command/&Insert", "rows M a b U c x d"},
        {"&Command/&Insert folder...", "folder browser"},
        {"&Command/&Insert file...", "file dialog Archive files(*.zip;*.jar)"},
        {"&Command/&Modify", "rows M a b U x d"},
        {"&Command/&Delete", "rows M a b U d"},
        {"&Command/Move &Up", "rows M a b c U d"},
        {"&Command/Move D&own", "rows M a b U d c"},
        {"&Command/Check", "message May be error here?"},
        {"&Command/Check &all...", "report " APP_TITLE " - Check"},
        {"&File/&History...", "history " APP_TITLE " - History"},
        {"&Help/&About...", "other About " APP_TITLE},
    };
    for (const auto &c : cases) {
        UINT id = MenuItemId(c.item);
        EXPECT_NE(0u, id) << c.item;
        EXPECT_EQ(c.outcome, Outcome([id] { PostMessageA(g_hMainWnd, WM_COMMAND, MAKEWPARAM(id, 0), 0); }))
            << c.item;
    }
}

/* The keys, pressed in the edit field. */
TEST_F(MainWindow, EachKeyRunsItsCommand)
{
    ASSERT_TRUE(CreateMainWindow() != NULL);
    ShowWindow(g_hMainWnd, SW_SHOW);
    SetForegroundWindow(g_hMainWnd);
    const struct {
        const char *name;
        WORD modifier, key;   /* modifier 0: none */
        std::string outcome;
    } cases[] = {
        {"F3", 0, VK_F3, "name dialog EnvVar Name"},
        {"F2", 0, VK_F2, "message You are about update"},
        {"Ctrl+Enter", VK_CONTROL, VK_RETURN, "rows M a b U c x d"},
        {"Shift+F4", VK_SHIFT, VK_F4, "folder browser"},
        {"Ctrl+F4", VK_CONTROL, VK_F4, "file dialog Archive files(*.zip;*.jar)"},
        {"Enter", 0, VK_RETURN, "rows M a b U x d"},
        {"F8", 0, VK_F8, "rows M a b U d"},
        {"Ctrl+Up", VK_CONTROL, VK_UP, "rows M a b c U d"},
        {"Ctrl+Down", VK_CONTROL, VK_DOWN, "rows M a b U d c"},
        {"F5", 0, VK_F5, "message May be error here?"},
        {"Shift+F5", VK_SHIFT, VK_F5, "report " APP_TITLE " - Check"},
        {"Ctrl+H", VK_CONTROL, 'H', "history " APP_TITLE " - History"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(c.outcome, Outcome([&c] {
            if (c.modifier)
                PressKeys({c.modifier}, c.key);
            else
                PressKey(c.key);
        })) << c.name;
    }
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
