/* The message loop's keyboard handling, with real key events: Up and Down in the edit field move
   the list's selection unless a modifier is held. */
#include <gtest/gtest.h>

#include "test_support.h"
#include "common/common.h"

#include <string>
#include <vector>

namespace {

void SendKeys(const std::vector<WORD> &modifiers, WORD key)
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
    for (WORD m : modifiers)
        add(m, false);
    add(key, false);
    add(key, true);
    for (auto m = modifiers.rbegin(); m != modifiers.rend(); ++m)
        add(*m, true);
    SendInput((UINT)inputs.size(), inputs.data(), sizeof(INPUT));
    PumpMessages(60);
}

int Selected()
{
    return (int)SendMessageA(EntryList(), LB_GETCURSEL, 0, 0);
}

class LoopKeys : public ::testing::Test {
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
    void TearDown() override
    {
        DestroyMainWindow();
        strcpy(g_varName, "PATH");
        EXPECT_EQ(0, answerer.Unexpected());
    }
    void Select(int row)
    {
        SendMessageA(EntryList(), LB_SETCURSEL, row, 0);
        SetWindowTextA(EntryEdit(), "typed");
    }
    DialogAnswerer answerer;
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
        SendKeys({}, step.key);
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
    SendKeys({VK_SHIFT}, VK_DOWN);
    EXPECT_EQ(1, Selected());
    DWORD start = 0, end = 0;
    SendMessageA(EntryEdit(), EM_GETSEL, (WPARAM)&start, (LPARAM)&end);
    EXPECT_EQ(0u, start);
    EXPECT_EQ(1u, end);

    SendKeys({VK_SHIFT}, VK_UP);
    EXPECT_EQ(1, Selected());
    SendKeys({VK_MENU}, VK_DOWN);
    EXPECT_EQ(1, Selected());
    SendKeys({VK_MENU}, VK_UP);
    EXPECT_EQ(1, Selected());
    EXPECT_EQ("abcdef", EditText());
}

TEST_F(LoopKeys, CtrlUpAndDownMoveTheRowThroughTheAccelerators)
{
    Select(1);
    SendKeys({VK_CONTROL}, VK_DOWN);
    EXPECT_EQ((std::vector<std::string>{"machine|1", "user|1", "C:\\a|0", "C:\\b|0"}), ListRows());
    EXPECT_EQ(2, Selected());
    SendKeys({VK_CONTROL}, VK_UP);
    EXPECT_EQ((std::vector<std::string>{"machine|1", "C:\\a|0", "user|1", "C:\\b|0"}), ListRows());
    EXPECT_EQ(1, Selected());
    EXPECT_TRUE(g_modified);
    EXPECT_EQ("typed", EditText()) << "a move leaves the edit field alone";
}

TEST_F(LoopKeys, UpAndDownInTheListAreTheListsOwn)
{
    Select(1);
    SetFocus(EntryList());
    PumpMessages();
    SendKeys({}, VK_DOWN);
    EXPECT_EQ(2, Selected());
    SendKeys({}, VK_DOWN);
    EXPECT_EQ(3, Selected());
    EXPECT_EQ("C:\\b", EditText()) << "the list's own change notifies, and the field follows";
}
