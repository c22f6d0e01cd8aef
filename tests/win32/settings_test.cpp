/* The profile settings and the main window's placement. */
#include "app_fixture.h"
#include "app/settings.h"
#include "common/common.h"
#include "resource.h"

#include <string>

namespace {

const char *const kTestKeys[] = {"velkor_test_int", "velkor_test_text"};

std::string RawSetting(const char *key)
{
    char text[64];
    GetProfileStringA(APP_SHORT_NAME, key, "<absent>", text, sizeof text);
    return text;
}

void ClearKeys()
{
    ClearPlacementKeys();
    for (const char *key : kTestKeys)
        WriteProfileStringA(APP_SHORT_NAME, key, NULL);
}

RECT MainRect()
{
    RECT rect = {};
    GetWindowRect(g_hMainWnd, &rect);
    return rect;
}

class AppSettings : public AppTest {
protected:
    void SetUp() override { ClearKeys(); }
};

class AppPlacement : public AppTest {
protected:
    void SetUp() override
    {
        ClearKeys();
        strcpy(g_varName, "VELKOR_TEST_APP_PLACEMENT");   /* the start-up retrieve reads this */
    }
};

} // namespace

TEST_F(AppSettings, IntegersAreWrittenAsSignedDecimalAndReadBack)
{
    const struct {
        long value;
        const char *text;
    } cases[] = {
        {0, "0"}, {1, "1"}, {-8, "-8"}, {1234, "1234"}, {2147483647L, "2147483647"},
        {-2147483647L - 1, "-2147483648"},
    };
    for (const auto &c : cases) {
        WriteSettingInt("velkor_test_int", c.value);
        EXPECT_EQ(c.text, RawSetting("velkor_test_int"));
        EXPECT_EQ((int)c.value, ReadSettingInt("velkor_test_int", 77)) << c.text;
    }
}

TEST_F(AppSettings, AbsentKeysGiveTheirDefaults)
{
    EXPECT_EQ(-5, ReadSettingInt("velkor_test_int", -5));
    char buffer[16] = "junk";
    EXPECT_EQ(0u, ReadSettingString("velkor_test_text", "", buffer, sizeof buffer));
    EXPECT_STREQ("", buffer);
    EXPECT_EQ(3u, ReadSettingString("velkor_test_text", "abc", buffer, sizeof buffer));
    EXPECT_STREQ("abc", buffer);
}

TEST_F(AppSettings, TextsAreStoredInTheProgramsSection)
{
    WriteSettingString("velkor_test_text", "C:\\some folder\\deeper");
    EXPECT_EQ("C:\\some folder\\deeper", RawSetting("velkor_test_text"));
    char buffer[64];
    EXPECT_EQ(21u, ReadSettingString("velkor_test_text", "", buffer, sizeof buffer));
    EXPECT_STREQ("C:\\some folder\\deeper", buffer);
    /* A small buffer gets as much as fits, with its terminating zero. */
    char small[5];
    ReadSettingString("velkor_test_text", "", small, sizeof small);
    EXPECT_STREQ("C:\\s", small);
}

TEST_F(AppPlacement, WithoutAWindowNothingIsStored)
{
    g_hMainWnd = NULL;
    EXPECT_TRUE(PersistWindowPlacement(TRUE));
    EXPECT_TRUE(PersistWindowPlacement(FALSE));
    for (const char *key : kPlacementKeys)
        EXPECT_EQ("<absent>", RawSetting(key)) << key;
}

TEST_F(AppPlacement, FirstStartGrowsByTwoPixelsAndTheNextStartDoesNot)
{
    RECT original = TemplateRect();
    ASSERT_TRUE(CreateMainWindow() != NULL);
    RECT first = MainRect();
    EXPECT_EQ(original.left, first.left);
    EXPECT_EQ(original.top, first.top);
    EXPECT_EQ(original.right + 2, first.right);
    EXPECT_EQ(original.bottom + 2, first.bottom);

    PersistWindowPlacement(TRUE);
    EXPECT_EQ(std::to_string(first.left), RawSetting("x"));
    EXPECT_EQ(std::to_string(first.top), RawSetting("y"));
    EXPECT_EQ(std::to_string(first.right - first.left), RawSetting("w"));
    EXPECT_EQ(std::to_string(first.bottom - first.top), RawSetting("h"));
    DestroyMainWindow();

    ASSERT_TRUE(CreateMainWindow() != NULL);
    RECT second = MainRect();
    EXPECT_TRUE(EqualRect(&first, &second));
}

TEST_F(AppPlacement, RestoreUsesTheStoredRectangleAndLaysTheControlsOut)
{
    WriteSettingInt("x", -8);
    WriteSettingInt("y", 30);
    WriteSettingInt("w", 500);
    WriteSettingInt("h", 400);
    ASSERT_TRUE(CreateMainWindow() != NULL);
    RECT rect = MainRect();
    EXPECT_EQ(-8, rect.left);
    EXPECT_EQ(30, rect.top);
    EXPECT_EQ(500, rect.right - rect.left);
    EXPECT_EQ(400, rect.bottom - rect.top);

    /* The restore resized the window, and the controls fill the new client area. */
    RECT client, list;
    GetClientRect(g_hMainWnd, &client);
    GetWindowRect(EntryList(), &list);
    MapWindowPoints(NULL, g_hMainWnd, (POINT *)&list, 2);
    EXPECT_EQ(1, list.left);
    EXPECT_EQ(1, list.top);
    EXPECT_EQ(client.right - 1, list.right);
}

TEST_F(AppPlacement, MinimisedWindowStoresItsRestoredRectangle)
{
    ASSERT_TRUE(CreateMainWindow() != NULL);
    MoveWindow(g_hMainWnd, 40, 50, 420, 330, TRUE);
    PumpMessages();
    ShowWindow(g_hMainWnd, SW_MINIMIZE);
    PumpMessages();
    ASSERT_TRUE(IsIconic(g_hMainWnd));
    PersistWindowPlacement(TRUE);
    EXPECT_EQ("40", RawSetting("x"));
    EXPECT_EQ("50", RawSetting("y"));
    EXPECT_EQ("420", RawSetting("w"));
    EXPECT_EQ("330", RawSetting("h"));
    DestroyMainWindow();

    /* The next start opens in the normal state at that rectangle. */
    ASSERT_TRUE(CreateMainWindow() != NULL);
    EXPECT_FALSE(IsIconic(g_hMainWnd));
    RECT rect = MainRect();
    EXPECT_EQ(40, rect.left);
    EXPECT_EQ(50, rect.top);
    EXPECT_EQ(460, rect.right);
    EXPECT_EQ(380, rect.bottom);
}
