#include "app_fixture.h"
#include "e2e_support.h"
#include "common/common.h"
#include "entries/checkall.h"
#include "entries/entrycheck.h"
#include "entries/entrylist.h"
#include "entries/undo.h"
#include "resource.h"

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
        SetEnvironmentVariableA("VELKOR_TEST_SZ", NULL);
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

/* The report of "Check all" (Shift+F5) */
namespace {

std::string ItemText(HWND list, int index)
{
    std::string text((size_t)SendMessageA(list, LB_GETTEXTLEN, index, 0) + 1, '\0');
    text.resize((size_t)SendMessageA(list, LB_GETTEXT, index, (LPARAM)&text[0]));
    return text;
}

/* Runs the report's messages as its own loop would until the check has ended (or stopped), and
   gives its summary. */
std::string Summary(HWND report)
{
    HWND summary = GetDlgItem(report, IDC_CHECK_SUMMARY);
    DWORD start = GetTickCount();
    while (WindowText(summary).rfind("Checking", 0) == 0 && GetTickCount() - start < 20000) {
        MSG msg;
        if (!PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
            MsgWaitForMultipleObjects(0, NULL, FALSE, 5, QS_ALLINPUT);
        else if (!IsDialogMessageA(report, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return WindowText(summary);
}

/* The findings as "row|line". */
std::vector<std::string> Findings(HWND report)
{
    HWND list = GetDlgItem(report, IDC_CHECK_FINDINGS);
    std::vector<std::string> lines;
    for (int i = 0; i < (int)SendMessageA(list, LB_GETCOUNT, 0, 0); i++)
        lines.push_back(std::to_string(SendMessageA(list, LB_GETITEMDATA, i, 0)) + "|" + ItemText(list, i));
    return lines;
}

} // namespace

/* Every kind, in the list's order, each line the row's text, a tab and the problem; Go to closes
   the report and selects the finding's row, and the edit field follows. Then a long check stopped
   by Escape keeps what it has found, and a double-click goes to a finding. Neither changes the
   list or g_modified. */
TEST_F(EntryCheck, CheckAllReportsEveryProblemAndGoesToTheChosenRow)
{
    SetEnvText(HKEY_LOCAL_MACHINE, "VELKOR_TEST_SZ", "x", REG_SZ);
    SetEnvText(HKEY_CURRENT_USER, "VELKOR_TEST_EXP", "x", REG_EXPAND_SZ);
    SetEnvironmentVariableA("VELKOR_TEST_SZ", std::string(17000, 'x').c_str());   /* twice: too long */
    SetListRows({"#" MACHINE_HEADER_TEXT, folder_, folder_ + "\\missing", ";" + folder_, "%USERPROFILE%",
                 "C:\\velkor-none\\\xC9", "#" USER_HEADER_TEXT, "%VELKOR_TEST_SZ%", "c:/velkor-none/\xE9\\",
                 "%VELKOR_TEST_DIR%", "\"" + file_, "   ", "%velkor_test_sz%\\bin", "%VELKOR_TEST_EXP%\\bin"});
    const std::vector<std::string> before = ListRows();
    g_modified = TRUE;
    const std::string empty = "empty element (some programs read it as the current folder)";
    const std::vector<std::string> expected = {
        "2|" + folder_ + "\\missing\tdoes not exist",
        "3|;" + folder_ + "\tsame folder as the earlier row " + folder_,
        "3|;" + folder_ + "\t" + empty,
        "4|%USERPROFILE%\t%USERPROFILE% is not known at log-on: it would have to be a machine variable of type REG_SZ",
        "5|C:\\velkor-none\\\xC9\tdoes not exist",
        "7|%VELKOR_TEST_SZ%\tdoes not exist",
        "7|%VELKOR_TEST_SZ%\tthe user value is 3",   /* ...4NNN characters long expanded, more than 32767 */
        "8|c:/velkor-none/\xE9\\\tdoes not exist",
        "8|c:/velkor-none/\xE9\\\tsame folder as the earlier row C:\\velkor-none\\\xC9",
        "9|%VELKOR_TEST_DIR%\tsame folder as the earlier row " + folder_,
        "9|%VELKOR_TEST_DIR%\t%VELKOR_TEST_DIR% is defined nowhere: it would have to be a machine variable, "
        "or a user variable of type REG_SZ",
        "10|\"" + file_ + "\tdoes not exist",
        "10|\"" + file_ + "\todd number of double quotes",
        "11|   \t" + empty,
        "12|%velkor_test_sz%\\bin\tdoes not exist",
        "13|%VELKOR_TEST_EXP%\\bin\tdoes not exist",
        "13|%VELKOR_TEST_EXP%\\bin\t%VELKOR_TEST_EXP% is not known at log-on: it would have to be a machine "
        "variable, or a user variable of type REG_SZ",
    };
    std::string summary;
    std::vector<std::string> findings;
    dialogs.Queue([&](HWND report) {
        summary = Summary(report);
        findings = Findings(report);
        SendDlgItemMessageA(report, IDC_CHECK_FINDINGS, LB_SETCURSEL, 9, 0);   /* row 9's first finding */
        DialogAnswerer::PostClick(report, IDOK);
    });
    CheckAllEntries();
    PumpMessages();
    ASSERT_EQ(1u, dialogs.Seen().size());
    EXPECT_EQ(APP_TITLE " - Check", dialogs.Seen()[0].caption);
    EXPECT_EQ(IDOK, dialogs.Seen()[0].defaultButton);
    EXPECT_TRUE(dialogs.Seen()[0].hasCancel);
    EXPECT_EQ("17 problems in 12 rows", summary);
    ASSERT_EQ(expected.size(), findings.size());
    for (size_t i = 0; i < expected.size(); i++)
        EXPECT_EQ(expected[i], findings[i].substr(0, expected[i].size())) << i;
    EXPECT_NE(std::string::npos, findings[6].find(" characters long expanded, more than 32767"));
    EXPECT_EQ(9, Selected());
    EXPECT_EQ("%VELKOR_TEST_DIR%", EditText());
    EXPECT_EQ(before, ListRows());

    /* Escape stops a long check: the report keeps what it found and says how far it came. */
    std::string value;
    for (int i = 0; i < 50000; i++)
        value += "C:\\velkor-none\\" + std::to_string(i) + ";";
    SetListRows({"#" MACHINE_HEADER_TEXT});
    ParseValueIntoList(&value[0]);
    dialogs.Queue([&](HWND report) {
        PostKey(GetDlgItem(report, IDC_CHECK_FINDINGS), VK_ESCAPE);
        summary = Summary(report);
        findings = Findings(report);
        /* A double-click goes to the finding selected (the first); Close after it, should the
           report still be open, ends it. */
        HWND list = GetDlgItem(report, IDC_CHECK_FINDINGS);
        PostMessageA(report, WM_COMMAND, MAKEWPARAM(IDC_CHECK_FINDINGS, LBN_DBLCLK), (LPARAM)list);
        DialogAnswerer::PostClick(report, IDCANCEL);
    });
    CheckAllEntries();
    PumpMessages();
    size_t n = findings.size();
    ASSERT_GT(n, 0u);
    EXPECT_LT(n, 50000u);
    EXPECT_EQ("Stopped: " + std::to_string(n) + " problems in " + std::to_string(n) + " of 50000 rows", summary);
    EXPECT_EQ(std::to_string(n) + "|C:\\velkor-none\\" + std::to_string(n - 1) + "\tdoes not exist", findings.back());
    EXPECT_EQ(1, Selected());
    EXPECT_EQ("C:\\velkor-none\\0", EditText());
    EXPECT_TRUE(g_modified);
}

/* Remove row takes the selected finding's row out of the list (one undo step, pending as any
   edit) and its findings out of the report; later rows' findings follow their rows up and the
   next finding is selected. */
TEST_F(EntryCheck, RemoveRowTakesTheFindingsRowOut)
{
    const std::string missing = folder_ + "\\missing";
    SetListRows({"#" MACHINE_HEADER_TEXT, folder_, missing, missing, "#" USER_HEADER_TEXT, "C:\\velkor-none\\u"});
    const std::vector<std::string> before = ListRows();
    ForgetUndoSteps();
    std::vector<std::string> findings;
    int selected = -2;
    bool enabledAfter = false;
    dialogs.Queue([&](HWND report) {
        Summary(report);
        enabledAfter = IsWindowEnabled(GetDlgItem(report, IDC_CHECK_REMOVE)) != FALSE;
        SendMessageA(report, WM_COMMAND, IDC_CHECK_REMOVE, 0);   /* the first finding: row 2 */
        findings = Findings(report);
        selected = (int)SendDlgItemMessageA(report, IDC_CHECK_FINDINGS, LB_GETCURSEL, 0, 0);
        DialogAnswerer::PostClick(report, IDCANCEL);
    });
    CheckAllEntries();
    PumpMessages();
    EXPECT_TRUE(enabledAfter);
    ASSERT_EQ(3u, findings.size());
    EXPECT_EQ("2|" + missing + "\tdoes not exist", findings[0]);
    EXPECT_EQ("2|" + missing + "\tsame folder as the earlier row " + missing, findings[1]);
    EXPECT_EQ("4|C:\\velkor-none\\u\tdoes not exist", findings[2]);
    EXPECT_EQ(0, selected);
    EXPECT_EQ((std::vector<std::string>{MACHINE_HEADER_TEXT "|1", folder_ + "|0", missing + "|0",
                                        USER_HEADER_TEXT "|1", "C:\\velkor-none\\u|0"}),
              ListRows());
    EXPECT_TRUE(g_modified);
    UndoChange();
    EXPECT_EQ(before, ListRows());
    EXPECT_FALSE(g_modified);
}

/* Signing out while the report is open ends the report and asks about the pending changes as a
   close does; Cancel there keeps the session. */
TEST_F(EntryCheck, SignOutEndsTheReportAndAsksAsACloseDoes)
{
    SetListRows({"#" MACHINE_HEADER_TEXT, folder_ + "\\missing", "#" USER_HEADER_TEXT});
    g_modified = TRUE;
    LRESULT endSession = -1;
    dialogs.Queue([&](HWND) {
        SendMessageA(g_hMainWnd, WM_QUERYENDSESSION, 0, 0);
        endSession = GetWindowLongPtrA(g_hMainWnd, DWLP_MSGRESULT);
    });
    dialogs.QueueClick(IDCANCEL);
    CheckAllEntries();   /* returns: the report has ended */
    PumpMessages();
    ASSERT_EQ(2u, dialogs.Seen().size());
    EXPECT_EQ(APP_TITLE, dialogs.Seen()[1].caption);
    EXPECT_TRUE(dialogs.Seen()[1].hasCancel);
    EXPECT_EQ(0, endSession);
    EXPECT_TRUE(g_modified);
    EXPECT_TRUE(IsWindowEnabled(g_hMainWnd));
}
