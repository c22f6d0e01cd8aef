/* The message loop's keyboard handling, with real key events: Up and Down in the edit field move
   the list's selection unless a modifier is held. */
#include "app_fixture.h"
#include "common/common.h"

#include <string>
#include <vector>

namespace {

int Selected()
{
    return (int)SendMessageA(EntryList(), LB_GETCURSEL, 0, 0);
}

class LoopKeys : public AppTest {
protected:
    void SetUp() override
    {
        strcpy(g_varName, "VELKOR_TEST_APP_KEYS");
        ASSERT_TRUE(CreateMainWindow() != NULL);
        SetListRows({"#machine", "C:\\a", "#user", "C:\\b"});
        SetForegroundWindow(g_hMainWnd);
        SetFocus(EntryEdit());
        PumpMessages();
        ASSERT_EQ(EntryEdit(), GetFocus());
    }
    void Select(int row)
    {
        SendMessageA(EntryList(), LB_SETCURSEL, row, 0);
        SetWindowTextA(EntryEdit(), "typed");
    }
};

} // namespace

TEST_F(LoopKeys, UpAndDownMoveTheSelectionAndTheEditFieldFollows)
{
    Select(1);
    const struct {
        WORD key;
        int row;
        const char *edit;
    } steps[] = {
        {VK_DOWN, 2, ""},        /* a header row is selected like any other; the field empties */
        {VK_DOWN, 3, "C:\\b"},
        {VK_DOWN, 3, "C:\\b"},   /* the last row stays */
        {VK_UP, 2, ""},
        {VK_UP, 1, "C:\\a"},
        {VK_UP, 0, ""},
        {VK_UP, 0, ""},          /* the first row stays */
        {VK_DOWN, 1, "C:\\a"},
    };
    for (const auto &step : steps) {
        PressKeys({}, step.key);
        EXPECT_EQ(step.row, Selected()) << (step.key == VK_UP ? "up" : "down");
        EXPECT_EQ(step.edit, EditText()) << step.row;
        EXPECT_EQ(EntryEdit(), GetFocus());
    }
    EXPECT_FALSE(g_modified);
}

TEST_F(LoopKeys, ShiftOrAltWithUpOrDownReachTheEditField)
{
    Select(1);
    SetWindowTextA(EntryEdit(), "abcdef");
    SendMessageA(EntryEdit(), EM_SETSEL, 0, 0);

    /* In a single-line edit field Shift+Down extends the selection by one character. */
    PressKeys({VK_SHIFT}, VK_DOWN);
    EXPECT_EQ(1, Selected());
    DWORD start = 0, end = 0;
    SendMessageA(EntryEdit(), EM_GETSEL, (WPARAM)&start, (LPARAM)&end);
    EXPECT_EQ(0u, start);
    EXPECT_EQ(1u, end);

    PressKeys({VK_SHIFT}, VK_UP);
    EXPECT_EQ(1, Selected());
    PressKeys({VK_MENU}, VK_DOWN);
    EXPECT_EQ(1, Selected());
    PressKeys({VK_MENU}, VK_UP);
    EXPECT_EQ(1, Selected());
    EXPECT_EQ("abcdef", EditText());
}

TEST_F(LoopKeys, CtrlUpAndDownMoveTheRowThroughTheAccelerators)
{
    Select(1);
    PressKeys({VK_CONTROL}, VK_DOWN);
    EXPECT_EQ((std::vector<std::string>{"machine|1", "user|1", "C:\\a|0", "C:\\b|0"}), ListRows());
    EXPECT_EQ(2, Selected());
    PressKeys({VK_CONTROL}, VK_UP);
    EXPECT_EQ((std::vector<std::string>{"machine|1", "C:\\a|0", "user|1", "C:\\b|0"}), ListRows());
    EXPECT_EQ(1, Selected());
    EXPECT_TRUE(g_modified);
    EXPECT_EQ("typed", EditText()) << "a move leaves the edit field alone";
}

namespace {
int s_listKeys;
WNDPROC s_listProc;
LRESULT CALLBACK CountListKeys(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_KEYDOWN && (wParam == VK_UP || wParam == VK_DOWN))
        s_listKeys++;
    return CallWindowProcA(s_listProc, wnd, msg, wParam, lParam);
}
} // namespace

TEST_F(LoopKeys, UpAndDownInTheListAreTheListsOwn)
{
    Select(1);
    SetFocus(EntryList());
    PumpMessages();
    /* The list box itself gets the keys (the edit field's handling must not take them). */
    s_listKeys = 0;
    s_listProc = (WNDPROC)SetWindowLongPtrA(EntryList(), GWLP_WNDPROC, (LONG_PTR)CountListKeys);
    PressKeys({}, VK_DOWN);
    EXPECT_EQ(2, Selected());
    PressKeys({}, VK_DOWN);
    EXPECT_EQ(3, Selected());
    PressKeys({}, VK_UP);
    EXPECT_EQ(2, Selected());
    SetWindowLongPtrA(EntryList(), GWLP_WNDPROC, (LONG_PTR)s_listProc);
    EXPECT_EQ(3, s_listKeys);
    EXPECT_EQ("", EditText()) << "the list's own change notifies, and the field follows";
}
