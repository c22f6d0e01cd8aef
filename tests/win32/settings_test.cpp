/* The settings file and the main window's placement. */
#include "app_fixture.h"
#include "app/settings.h"
#include "common/common.h"
#include "resource.h"

#include <string>

namespace {

const char *const kTestKeys[] = {"velkor_test_int", "velkor_test_text"};

void ClearKeys()
{
    ClearPlacementKeys();
    for (const char *key : kTestKeys) {
        SetRawSetting(key, NULL);
        WriteProfileStringA(APP_SHORT_NAME, key, NULL);
    }
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

/* Earlier versions kept the section in win.ini: a key is read from there until the file has it,
   even with an empty value, and the old section is never written. */
TEST_F(AppSettings, OldSectionIsReadUntilTheFileHasTheKey)
{
    WriteProfileStringA(APP_SHORT_NAME, "velkor_test_int", "41");
    WriteProfileStringA(APP_SHORT_NAME, "velkor_test_text", "C:\\old folder");
    char buffer[64];
    EXPECT_EQ(41, ReadSettingInt("velkor_test_int", 7));
    EXPECT_EQ(13u, ReadSettingString("velkor_test_text", "", buffer, sizeof buffer));
    EXPECT_STREQ("C:\\old folder", buffer);

    WriteSettingInt("velkor_test_int", 42);
    WriteSettingString("velkor_test_text", "");
    EXPECT_EQ("42", RawSetting("velkor_test_int"));
    EXPECT_EQ(42, ReadSettingInt("velkor_test_int", 7));
    EXPECT_EQ(0u, ReadSettingString("velkor_test_text", "default", buffer, sizeof buffer));
    EXPECT_STREQ("", buffer);
    char old[64];
    GetProfileStringA(APP_SHORT_NAME, "velkor_test_int", "", old, sizeof old);
    EXPECT_STREQ("41", old);
    GetProfileStringA(APP_SHORT_NAME, "velkor_test_text", "", old, sizeof old);
    EXPECT_STREQ("C:\\old folder", old);

    /* A 32-bit build without a manifest wrote the section into win.ini's VirtualStore copy: read
       from there when win.ini lacks the key. */
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    std::string store = UseNewLocalAppData() + "\\VirtualStore";
    CreateDirectoryA(store.c_str(), NULL);
    store += windows + 2;
    CreateDirectoryA(store.c_str(), NULL);
    WritePrivateProfileStringA(APP_SHORT_NAME, "velkor_test_text", "C:\\stored", (store + "\\win.ini").c_str());
    WritePrivateProfileStringA(APP_SHORT_NAME, "velkor_test_int", "43", (store + "\\win.ini").c_str());
    WriteProfileStringA(APP_SHORT_NAME, "velkor_test_text", NULL);
    EXPECT_EQ(9u, ReadSettingString("velkor_test_text", "", buffer, sizeof buffer));
    EXPECT_STREQ("C:\\stored", buffer);
    EXPECT_EQ(41, ReadSettingInt("velkor_test_int", 7));   /* win.ini's own comes first */
}

/* A user folder whose name the process's code page cannot hold (the test program's is 1252): the
   settings file is made in it, folder included, and read back. */
TEST_F(AppSettings, FileIsMadeInAUserFolderOfAnyScript)
{
    std::string base = TempDir();
    std::wstring folder = std::wstring(base.begin(), base.end()) + L"\\\u0141\u00f3d\u017a \u4e2d\u6587";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), NULL));
    SetEnvironmentVariableW(L"LOCALAPPDATA", folder.c_str());
    EXPECT_TRUE(WriteSettingString("velkor_test_text", "C:\\some folder"));
    EXPECT_TRUE(WriteSettingInt("velkor_test_int", -3));
    char buffer[64];
    EXPECT_EQ(14u, ReadSettingString("velkor_test_text", "", buffer, sizeof buffer));
    EXPECT_STREQ("C:\\some folder", buffer);
    EXPECT_EQ(-3, ReadSettingInt("velkor_test_int", 7));
    wchar_t text[64] = L"";
    GetPrivateProfileStringW(L"" APP_SHORT_NAME, L"velkor_test_text", L"", text, 64,
                             (folder + L"\\Velkor\\Velkor.ini").c_str());
    EXPECT_STREQ(L"C:\\some folder", text);
    UseNewLocalAppData();   /* a folder that the A functions of the other tests can name */
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
