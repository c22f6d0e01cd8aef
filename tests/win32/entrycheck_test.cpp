#include "app_fixture.h"
#include "common/common.h"
#include "entries/entrycheck.h"
#include "entries/entrylist.h"

#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

namespace {

/* The real main window on a variable that exists nowhere, and a folder and a file that exist. */
class EntryCheck : public AppTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(CreateMainWindowOn("VELKOR_TEST_ENTRIES") != NULL);
        folder_ = TempDir();
        file_ = folder_ + "\\present.txt";
        CloseHandle(CreateFileA(file_.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
        SetEnvironmentVariableA("VELKOR_TEST_DIR", folder_.c_str());
        SetEnvironmentVariableA("VELKOR_TEST_EMPTY", "");
        SetEnvironmentVariableA("VELKOR_TEST_UNDEFINED", NULL);
    }
    void TearDown() override
    {
        SetEnvironmentVariableA("VELKOR_TEST_DIR", NULL);
        SetEnvironmentVariableA("VELKOR_TEST_EMPTY", NULL);
        DeleteFileA(file_.c_str());
        RemoveDirectoryA(folder_.c_str());
    }
    int Selected() { return (int)SendMessageA(EntryList(), LB_GETCURSEL, 0, 0); }

    /* Runs one check, answering its message box; returns the box's text. */
    std::string Check(DialogAnswerer &answerer)
    {
        size_t before = answerer.Seen().size();
        HWND owner = NULL;
        answerer.Queue([&owner](HWND dialog) {
            owner = GetWindow(dialog, GW_OWNER);
            DialogAnswerer::PostClick(dialog, IDOK);
        });
        CheckEntries();
        EXPECT_EQ(before + 1, answerer.Seen().size());
        if (answerer.Seen().size() != before + 1)
            return "";
        const SeenDialog &seen = answerer.Seen().back();
        EXPECT_EQ(APP_TITLE, seen.caption);
        EXPECT_EQ(g_hMainWnd, owner);
        EXPECT_TRUE(seen.hasOk && !seen.hasCancel && !seen.hasYes);
        EXPECT_EQ(seen.text == "No Errors Found." ? MB_ICONINFORMATION : MB_ICONWARNING, seen.icon);
        return seen.text;
    }

    std::string folder_, file_;
};

std::string Expanded(const char *text)
{
    char *copy = (char *)malloc(strlen(text) + 1);
    strcpy(copy, text);
    char *result = ExpandEntryText(copy);
    std::string expanded = result;
    ReleaseText(&result);
    return expanded;
}

} // namespace

TEST_F(EntryCheck, ExpandEntryTextReplacesDefinedReferencesOnly)
{
    EXPECT_EQ(folder_ + "\\bin", Expanded("%VELKOR_TEST_DIR%\\bin"));
    EXPECT_EQ("%VELKOR_TEST_UNDEFINED%\\bin", Expanded("%VELKOR_TEST_UNDEFINED%\\bin"));
    EXPECT_EQ("", Expanded("%VELKOR_TEST_EMPTY%"));
    EXPECT_EQ("plain", Expanded("plain"));
    EXPECT_EQ("\"" + folder_ + "\"", Expanded("\"%VELKOR_TEST_DIR%\""));
}

/* Successive checks walk the failing rows in order, show each one's expanded text, and end with
   "No Errors Found."; rows and g_modified are never changed. */
TEST_F(EntryCheck, SuccessiveChecksWalkTheFailingRows)
{
    std::string missing = folder_ + "\\missing";
    std::vector<std::string> rows = {
        "#" MACHINE_HEADER_TEXT,
        folder_,                              /* 1: exists */
        missing,                              /* 2: fails */
        "%VELKOR_TEST_DIR%",                  /* 3: expands to an existing folder */
        "%VELKOR_TEST_UNDEFINED%\\bin",       /* 4: stays unexpanded and fails */
        "",                                   /* 5: skipped */
        "#" USER_HEADER_TEXT,
        "%VELKOR_TEST_EMPTY%",                /* 7: expands to nothing and fails */
        "\"" + folder_ + "\"",                /* 8: quoted: fails although the folder exists */
        file_,                                /* 9: a file passes too */
    };
    SetListRows(rows);
    std::vector<std::string> before = ListRows();
    DialogAnswerer answerer;
    SetWindowTextA(EntryEdit(), "typed");
    g_modified = TRUE;   /* the clean-list test sees it stay clear */
    const struct {
        int row;
        std::string edit;
    } failing[] = {
        {2, missing}, {4, "%VELKOR_TEST_UNDEFINED%\\bin"}, {7, ""}, {8, "\"" + folder_ + "\""},
    };
    for (const auto &f : failing) {
        EXPECT_EQ("May be error here?", Check(answerer)) << "row " << f.row;
        EXPECT_EQ(f.row, Selected());
        EXPECT_EQ(f.edit, EditText()) << "row " << f.row;
    }
    EXPECT_EQ("No Errors Found.", Check(answerer));
    EXPECT_EQ(8, Selected());                         /* left where it was */
    EXPECT_EQ("\"" + folder_ + "\"", EditText());
    EXPECT_EQ(before, ListRows());
    EXPECT_TRUE(g_modified);
    EXPECT_EQ(0, answerer.Unexpected());
}

TEST_F(EntryCheck, StartsAfterTheSelectionAndNeverWraps)
{
    std::string missing = folder_ + "\\missing";
    SetListRows({"#M", missing, folder_, "#U", folder_});
    DialogAnswerer answerer;

    SendMessageA(EntryList(), LB_SETCURSEL, 1, 0);     /* the failing row itself: not tested again */
    SetWindowTextA(EntryEdit(), "typed");
    EXPECT_EQ("No Errors Found.", Check(answerer));
    EXPECT_EQ(1, Selected());
    EXPECT_EQ("typed", EditText());

    SendMessageA(EntryList(), LB_SETCURSEL, 4, 0);     /* the last row: nothing to test */
    EXPECT_EQ("No Errors Found.", Check(answerer));
    EXPECT_EQ(4, Selected());

    SendMessageA(EntryList(), LB_SETCURSEL, 0, 0);     /* a header: the rows after it */
    EXPECT_EQ("May be error here?", Check(answerer));
    EXPECT_EQ(1, Selected());
    EXPECT_EQ(missing, EditText());
}

TEST_F(EntryCheck, CleanListSaysSoAndChangesNothing)
{
    SetListRows({"#M", folder_, "%VELKOR_TEST_DIR%", "#U", file_, ""});
    std::vector<std::string> before = ListRows();
    SetWindowTextA(EntryEdit(), "typed");
    g_modified = FALSE;
    DialogAnswerer answerer;
    EXPECT_EQ("No Errors Found.", Check(answerer));
    EXPECT_EQ(-1, Selected());
    EXPECT_EQ("typed", EditText());
    EXPECT_EQ(before, ListRows());
    EXPECT_FALSE(g_modified);
}

/* F5 reaches the check through the accelerator table and the command table. */
TEST_F(EntryCheck, F5KeyWalksTheFailingRows)
{
    std::string missing = folder_ + "\\missing";
    SetListRows({"#M", missing, folder_, "#U", missing + "2"});
    ShowWindow(g_hMainWnd, SW_SHOW);
    SetForegroundWindow(g_hMainWnd);
    SetFocus(EntryList());
    PumpMessages();
    DialogAnswerer answerer;
    for (int press = 0; press < 3; press++) {
        answerer.QueueClick(IDOK);
        PressKey(VK_F5);
    }
    ASSERT_EQ(3u, answerer.Seen().size());
    EXPECT_EQ("May be error here?", answerer.Seen()[0].text);
    EXPECT_EQ("May be error here?", answerer.Seen()[1].text);
    EXPECT_EQ("No Errors Found.", answerer.Seen()[2].text);
    EXPECT_EQ(4, Selected());
    EXPECT_EQ(missing + "2", EditText());
    EXPECT_FALSE(g_modified);
}
