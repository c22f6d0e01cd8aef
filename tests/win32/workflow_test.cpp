#include "app_fixture.h"
#include "common/common.h"
#include "registry/account.h"
#include "registry/confirmtext.h"
#include "registry/workflow.h"
#include "resource.h"

#include <string>
#include <vector>

namespace {

const char kVarName[] = "VELKOR_TEST_WF";
const std::string kMachineHeader = std::string(MACHINE_HEADER_TEXT) + "|1";
const std::string kUserHeader = std::string(USER_HEADER_TEXT) + "|1";


std::string PendingText(const std::string &name, const std::string &machine, const std::string &user)
{
    return "The environment variable \"" + name + "\" has been changed:\r\n\r\n"
           "---------==< Local Machine >==---------\r\n" + machine + "\r\n"
           "---------==< Current User >==----------\r\n" + user + "\r\n"
           "\r\nDo you want to update?";
}

/* A question without the summary of what Yes changes, which follows the values (the suite of
   that summary checks it). */
std::string Unsummarized(const std::string &question)
{
    size_t start = question.find("\r\n\r\nLocal Machine: ");
    size_t end = start == std::string::npos ? start : question.find("\r\n\r\n", start + 4);
    return end == std::string::npos ? question : question.substr(0, start) + question.substr(end);
}

std::wstring Unsummarized(const std::wstring &question)
{
    return WideFromUtf8(Unsummarized(Utf8FromWide(question)));
}

void SetValue(HKEY root, const char *name, const std::string &text, DWORD type = REG_EXPAND_SZ)
{
    ASSERT_TRUE(SetEnvText(root, name, text, type));
}

/* The stored bytes of a value, "<none>" when it does not exist, "<type N>" when it is not
   REG_EXPAND_SZ. */
std::string StoredValue(HKEY root, const char *name = kVarName)
{
    DWORD type = 0;
    std::string bytes = StoredEnv(root, name, &type);
    if (bytes == "<absent>")
        return "<none>";
    if (type != REG_EXPAND_SZ)
        return "<type " + std::to_string(type) + ">";
    return bytes;
}

std::string WindowText(HWND wnd)
{
    int length = GetWindowTextLengthA(wnd);
    std::string text(length + 1, '\0');
    GetWindowTextA(wnd, &text[0], length + 1);
    text.resize(length);
    return text;
}

/* The variable-name dialog's state as the user sees it when it comes up. */
struct NameDialogView {
    std::vector<std::string> items;
    std::string text;
};

NameDialogView ViewNameDialog(HWND dialog)
{
    NameDialogView view;
    HWND combo = GetDlgItem(dialog, IDC_VAR_NAME);
    view.items = ComboItems(combo);
    view.text = WindowText(combo);
    return view;
}

/* Replaces the combo box's text (UTF-8) as typing would: through its edit field, so its limit
   applies, and in characters, whatever the test program's code page. */
void TypeName(HWND dialog, const std::string &name)
{
    HWND edit = FindWindowExA(GetDlgItem(dialog, IDC_VAR_NAME), NULL, "Edit", NULL);
    SendMessageW(edit, EM_SETSEL, 0, -1);
    SendMessageW(edit, EM_REPLACESEL, TRUE, (LPARAM)WideFromUtf8(name).c_str());
}

/* Each test edits a value of its own, starts the main window itself (so that it can arrange the
   registry first) and ends it. */
class WorkflowTest : public AppTest {
protected:
    void SetUp() override
    {
        lstrcpyA(g_varName, kVarName);
        g_modified = FALSE;
        DeleteEnvValues(kVarName);
    }
    /* Creates the main window; its start-up retrieve must ask nothing: a new history has nothing
       to compare with. */
    static void Start()
    {
        UseNewLocalAppData();
        DialogAnswerer startup;
        ASSERT_TRUE(CreateMainWindow() != NULL);
        ASSERT_EQ(0u, startup.Seen().size());
    }
    /* The list as an editing command would leave it, with the flag set. */
    static void EditRows(const std::vector<std::string> &rows)
    {
        SetListRows(rows);
        g_modified = TRUE;
    }
};

class WorkflowRetrieve : public WorkflowTest {};
class WorkflowUpdate : public WorkflowTest {};
class WorkflowClose : public WorkflowTest {
protected:
    void SetUp() override
    {
        WorkflowTest::SetUp();
        ClearSettings();
    }
};
class WorkflowMachineKeyMissing : public WorkflowTest {
protected:
    void TearDown() override
    {
        DestroyMainWindow();
        EXPECT_TRUE(removal_.Restore()) << "the machine environment key was not restored exactly";
    }
    SavedKey removal_{HKEY_LOCAL_MACHINE, kMachineSubkey};
};
class WorkflowNameDialog : public WorkflowTest {};

} // namespace

/* ---- Retrieve ---- */

TEST_F(WorkflowRetrieve, StartUpWithNeitherValueGivesTwoHeadersAndEnablesCommands)
{
    Start();
    EXPECT_EQ((std::vector<std::string>{kMachineHeader, kUserHeader}), ListRows());
    EXPECT_FALSE(CommandGreyed(IDM_EXPORT));
    EXPECT_FALSE(CommandGreyed(IDM_UPDATE));
    EXPECT_FALSE(g_modified);
    /* The program knows the account it runs as; under Wine no other user is signed in, so the
       start says nothing about accounts (a message would fail the test). */
    const AccountPair *accounts = ProgramAccounts();
    EXPECT_EQ(0u, std::string(accounts->processSid ? accounts->processSid : "").find("S-1-5-"));
    /* Both named, the session's user as the system gives it: the names are compared. */
    ASSERT_TRUE(accounts->processName != NULL && accounts->sessionName != NULL);
    EXPECT_NE(std::string::npos, std::string(accounts->processName).find(accounts->sessionName));
    EXPECT_FALSE(RunsAsOtherAccount(accounts));
}

TEST_F(WorkflowRetrieve, StartUpReadsBothValuesAsStored)
{
    SetValue(HKEY_LOCAL_MACHINE, kVarName, "C:\\m1;%SystemRoot%\\m2");
    SetValue(HKEY_CURRENT_USER, kVarName, "\"D:\\a;b\";E:\\u", REG_SZ);
    Start();
    EXPECT_EQ((std::vector<std::string>{kMachineHeader, "C:\\m1|0", "%SystemRoot%\\m2|0", kUserHeader,
                                        "\"D:\\a;b\"|0", "E:\\u|0"}),
              ListRows());
    EXPECT_EQ(-1, (int)SendMessageA(EntryList(), LB_GETCURSEL, 0, 0));   /* nothing selected */
}

TEST_F(WorkflowRetrieve, PendingCancelChangesNothingAndShowsNoDialog)
{
    SetValue(HKEY_LOCAL_MACHINE, kVarName, "C:\\m");
    Start();
    const std::vector<std::string> edited = {"#" MACHINE_HEADER_TEXT, "C:\\m", "C:\\new", "#" USER_HEADER_TEXT, "U"};
    EditRows(edited);
    const std::vector<std::string> shown = ListRows();

    DialogAnswerer answerer;
    answerer.QueueClick(IDCANCEL);
    EXPECT_FALSE(RetrieveVariable(TRUE));
    ASSERT_EQ(1u, answerer.Seen().size());   /* the question only: no name dialog */
    const SeenDialog &question = answerer.Seen()[0];
    EXPECT_EQ(PendingText(kVarName, "C:\\m;C:\\new", "U"), Unsummarized(question.text));
    EXPECT_EQ(APP_TITLE, question.caption);
    EXPECT_TRUE(question.hasYes && question.hasNo && question.hasCancel);
    EXPECT_EQ(IDYES, question.defaultButton);
    EXPECT_EQ(MB_ICONWARNING, question.icon);

    EXPECT_EQ(shown, ListRows());
    EXPECT_TRUE(g_modified);
    EXPECT_STREQ(kVarName, g_varName);
    EXPECT_EQ(std::string("C:\\m", 5), StoredValue(HKEY_LOCAL_MACHINE));
    EXPECT_EQ("<none>", StoredValue(HKEY_CURRENT_USER));
}

TEST_F(WorkflowRetrieve, PendingNoDropsTheChangesAndGoesOn)
{
    SetValue(HKEY_LOCAL_MACHINE, kVarName, "C:\\m");
    Start();
    EditRows({"#" MACHINE_HEADER_TEXT, "C:\\changed", "#" USER_HEADER_TEXT, "U"});

    DialogAnswerer answerer;
    answerer.QueueClick(IDNO);
    answerer.QueueClick(IDC_VAR_OK);
    EXPECT_TRUE(RetrieveVariable(TRUE));
    ASSERT_EQ(2u, answerer.Seen().size());
    EXPECT_EQ("EnvVar Name", answerer.Seen()[1].caption);
    EXPECT_EQ((std::vector<std::string>{kMachineHeader, "C:\\m|0", kUserHeader}), ListRows());
    EXPECT_FALSE(g_modified);
    EXPECT_EQ("<none>", StoredValue(HKEY_CURRENT_USER));
}

TEST_F(WorkflowRetrieve, PendingYesWritesBothValuesAndGoesOn)
{
    SetValue(HKEY_LOCAL_MACHINE, kVarName, "C:\\m");
    SetValue(HKEY_CURRENT_USER, kVarName, "old");
    Start();
    EditRows({"#" MACHINE_HEADER_TEXT, "C:\\m", "C:\\m2", "#" USER_HEADER_TEXT, "U1", "U2"});

    DialogAnswerer answerer;
    answerer.QueueClick(IDYES);
    answerer.QueueClick(IDC_VAR_OK);
    EXPECT_TRUE(RetrieveVariable(TRUE));
    EXPECT_EQ(2u, answerer.Seen().size());
    EXPECT_EQ(std::string("C:\\m;C:\\m2", 11), StoredValue(HKEY_LOCAL_MACHINE));
    EXPECT_EQ(std::string("U1;U2", 6), StoredValue(HKEY_CURRENT_USER));
    EXPECT_EQ((std::vector<std::string>{kMachineHeader, "C:\\m|0", "C:\\m2|0", kUserHeader, "U1|0", "U2|0"}),
              ListRows());
    EXPECT_FALSE(g_modified);
}

TEST_F(WorkflowRetrieve, PendingNoThenDialogCancelledKeepsRowsAndCloseAsksNothing)
{
    Start();
    const std::vector<std::string> edited = {"#" MACHINE_HEADER_TEXT, "kept", "#" USER_HEADER_TEXT};
    EditRows(edited);
    const std::vector<std::string> shown = ListRows();

    DialogAnswerer answerer;
    answerer.QueueClick(IDNO);
    answerer.QueueClick(IDC_VAR_CANCEL);
    EXPECT_FALSE(RetrieveVariable(TRUE));
    EXPECT_EQ(2u, answerer.Seen().size());
    EXPECT_EQ(shown, ListRows());
    EXPECT_FALSE(g_modified);

    EXPECT_TRUE(QueryClose());
    EXPECT_EQ(2u, answerer.Seen().size());   /* nothing more asked */
    EXPECT_EQ("<none>", StoredValue(HKEY_LOCAL_MACHINE));
}

/* ---- Update ---- */

TEST_F(WorkflowUpdate, QuestionShowsTheWholeUpdateText)
{
    Start();
    EditRows({"#" MACHINE_HEADER_TEXT, "C:\\A", "%SystemRoot%\\b", "#" USER_HEADER_TEXT, "D:\\x y"});

    DialogAnswerer answerer;
    HWND owner = NULL;
    answerer.Queue([&owner](HWND dialog) {
        owner = GetWindow(dialog, GW_OWNER);
        DialogAnswerer::PostClick(dialog, IDNO);
    });
    EXPECT_TRUE(UpdateVariable(CONFIRM_UPDATE));
    ASSERT_EQ(1u, answerer.Seen().size());
    const SeenDialog &question = answerer.Seen()[0];
    EXPECT_EQ("You are about update environment variable \"VELKOR_TEST_WF\":\r\n"
              "\r\n"
              "---------==< Local Machine >==---------\r\n"
              "C:\\A;%SystemRoot%\\b\r\n"
              "---------==< Current User >==----------\r\n"
              "D:\\x y\r\n"
              "\r\n"
              "Local Machine: 2 added\r\n"
              "+ C:\\A\r\n"
              "+ %SystemRoot%\\b\r\n"
              "Current User: 1 added\r\n"
              "+ D:\\x y\r\n"
              "\r\n"
              "Do you want to proceed?",
              question.text);
    EXPECT_EQ(APP_TITLE, question.caption);
    EXPECT_TRUE(question.hasYes && question.hasNo);
    EXPECT_FALSE(question.hasCancel);
    EXPECT_EQ(IDYES, question.defaultButton);
    EXPECT_EQ(MB_ICONWARNING, question.icon);
    EXPECT_EQ(g_hMainWnd, owner);
}

TEST_F(WorkflowUpdate, NoWritesNothingAndKeepsTheFlag)
{
    SetValue(HKEY_LOCAL_MACHINE, kVarName, "M");
    Start();
    for (BOOL modified : {TRUE, FALSE}) {
        EditRows({"#" MACHINE_HEADER_TEXT, "#" USER_HEADER_TEXT, "U"});
        g_modified = modified;
        DialogAnswerer answerer;
        answerer.QueueClick(IDNO);
        EXPECT_TRUE(UpdateVariable(CONFIRM_UPDATE));
        EXPECT_EQ(modified, g_modified);
        EXPECT_EQ(std::string("M", 2), StoredValue(HKEY_LOCAL_MACHINE));
        EXPECT_EQ("<none>", StoredValue(HKEY_CURRENT_USER));
    }
}

TEST_F(WorkflowUpdate, YesWritesExpandableValuesWithTheirZero)
{
    SetValue(HKEY_LOCAL_MACHINE, kVarName, "old machine", REG_SZ);
    Start();
    const std::vector<std::string> edited = {"#" MACHINE_HEADER_TEXT, "C:\\a", "", "%X%\\b", "#" USER_HEADER_TEXT, "D:\\u"};
    EditRows(edited);
    const std::vector<std::string> shown = ListRows();

    DialogAnswerer answerer;
    answerer.QueueClick(IDYES);
    EXPECT_TRUE(UpdateVariable(CONFIRM_UPDATE));
    EXPECT_EQ(1u, answerer.Seen().size());
    EXPECT_EQ(std::string("C:\\a;;%X%\\b", 12), StoredValue(HKEY_LOCAL_MACHINE));
    EXPECT_EQ(std::string("D:\\u", 5), StoredValue(HKEY_CURRENT_USER));
    EXPECT_FALSE(g_modified);
    EXPECT_EQ(shown, ListRows());   /* not read back */
}

/* An empty section deletes its value. A value that already holds what Yes would store, or is absent
   and would be deleted, is neither written nor deleted: a standard user, whose machine key refuses
   changes, updates the user value without an error about the machine value they did not change. */
TEST_F(WorkflowUpdate, EmptySectionsDeleteTheirValuesAndUnchangedOnesAreLeftAlone)
{
    const struct {
        std::vector<std::string> rows;
        const char *machine, *user;   /* NULL: deleted */
        const char *machineBefore;    /* NULL: absent */
        bool denied;                  /* the machine key refuses changes */
        size_t records;               /* History's records of the update */
    } cases[] = {
        {{"#" MACHINE_HEADER_TEXT, "#" USER_HEADER_TEXT, "U"}, NULL, "U", "old M", false, 1},
        {{"#" MACHINE_HEADER_TEXT, "M", "#" USER_HEADER_TEXT}, "M", NULL, "old M", false, 1},
        {{"#" MACHINE_HEADER_TEXT, "#" USER_HEADER_TEXT}, NULL, NULL, "old M", false, 1},
        {{"#" MACHINE_HEADER_TEXT, "", "#" USER_HEADER_TEXT, ""}, NULL, NULL, "old M", false, 1},   /* empty rows join to nothing */
        {{"#" MACHINE_HEADER_TEXT, "#" USER_HEADER_TEXT, "U"}, NULL, "U", NULL, true, 1},
        {{"#" MACHINE_HEADER_TEXT, "old M", "#" USER_HEADER_TEXT, "U"}, "old M", "U", "old M", true, 1},
        {{"#" MACHINE_HEADER_TEXT, "old M", "#" USER_HEADER_TEXT, "old U"}, "old M", "old U", "old M", false, 0},
    };
    Start();
    for (const auto &c : cases) {
        UseNewLocalAppData();   /* the earlier cases' writes are no other program's */
        SCOPED_TRACE(c.rows.size() * 10 + c.denied);
        if (c.machineBefore)
            SetValue(HKEY_LOCAL_MACHINE, kVarName, c.machineBefore);
        SetValue(HKEY_CURRENT_USER, kVarName, "old U");
        ASSERT_TRUE(RetrieveVariable(FALSE));
        EditRows(c.rows);
        SavedKey key(HKEY_LOCAL_MACHINE, kMachineSubkey);
        ASSERT_TRUE(!c.denied || key.DenyChanges());
        DialogAnswerer answerer;
        answerer.QueueClick(IDYES);
        EXPECT_TRUE(UpdateVariable(CONFIRM_UPDATE));
        ASSERT_TRUE(!c.denied || key.Restore());
        ASSERT_EQ(1u, answerer.Seen().size());
        EXPECT_EQ(std::string::npos, answerer.Seen()[0].text.find("administrator")) << answerer.Seen()[0].text;
        EXPECT_EQ(c.machine ? std::string(c.machine) + '\0' : "<none>", StoredValue(HKEY_LOCAL_MACHINE));
        EXPECT_EQ(c.user ? std::string(c.user) + '\0' : "<none>", StoredValue(HKEY_CURRENT_USER));
        EXPECT_EQ(c.records, SnapshotFiles("*.history").size());
        EXPECT_FALSE(g_modified);
        DeleteEnvValues(kVarName);
    }
}

/* The message box itself shows at most 32767 characters under Wine (its text goes through a
   counted wide string), so the values stay below that here; the composition of texts of any length
   is tested natively. */
TEST_F(WorkflowUpdate, LongNameAndLongValuesAppearInFull)
{
    Start();
    std::string name(255, 'v');
    lstrcpyA(g_varName, name.c_str());
    std::vector<std::string> rows = {"#" MACHINE_HEADER_TEXT};
    std::string machine, user;
    for (int i = 0; i < 20; i++) {
        std::string row = "C:\\" + std::string(700, 'a' + i % 26) + std::to_string(i);
        rows.push_back(row);
        machine += (i ? ";" : "") + row;
    }
    rows.push_back("#" USER_HEADER_TEXT);
    for (int i = 0; i < 10; i++) {
        std::string row = "D:\\" + std::string(900, 'A' + i % 26) + std::to_string(i);
        rows.push_back(row);
        user += (i ? ";" : "") + row;
    }
    EditRows(rows);

    DialogAnswerer answerer;
    answerer.QueueClick(IDCANCEL);
    EXPECT_FALSE(UpdateVariable(CONFIRM_PENDING));
    ASSERT_EQ(1u, answerer.Seen().size());
    EXPECT_TRUE(PendingText(name, machine, user) == Unsummarized(answerer.Seen()[0].text));
    EXPECT_EQ(PendingText(name, machine, user).size(), Unsummarized(answerer.Seen()[0].text).size());
    EXPECT_TRUE(g_modified);
}

/* ---- The machine key missing: opening it fails for real ---- */

TEST_F(WorkflowMachineKeyMissing, StartUpShowsTheSystemTextAndKeepsCommandsGreyed)
{
    ASSERT_TRUE(removal_.Remove());
    DialogAnswerer answerer;
    answerer.QueueClick(IDOK);
    CreateMainWindow();
    ASSERT_EQ(1u, answerer.Seen().size());
    EXPECT_EQ(SystemText(ERROR_FILE_NOT_FOUND), answerer.Seen()[0].text);
    EXPECT_EQ(MB_ICONERROR, answerer.Seen()[0].icon);
    EXPECT_EQ((std::vector<std::string>{kMachineHeader}), ListRows());
    EXPECT_TRUE(CommandGreyed(IDM_EXPORT));
    EXPECT_TRUE(CommandGreyed(IDM_UPDATE));
}

TEST_F(WorkflowMachineKeyMissing, UpdateStillWritesTheUserValueAndFails)
{
    Start();
    EditRows({"#" MACHINE_HEADER_TEXT, "M", "#" USER_HEADER_TEXT, "U1", "U2"});
    ASSERT_TRUE(removal_.Remove());

    DialogAnswerer answerer;
    answerer.QueueClick(IDYES);
    answerer.QueueClick(IDOK);
    EXPECT_FALSE(UpdateVariable(CONFIRM_UPDATE));
    ASSERT_EQ(2u, answerer.Seen().size());
    EXPECT_EQ(SystemText(ERROR_FILE_NOT_FOUND), answerer.Seen()[1].text);
    EXPECT_EQ(std::string("U1;U2", 6), StoredValue(HKEY_CURRENT_USER));
    EXPECT_TRUE(g_modified);
}

TEST_F(WorkflowMachineKeyMissing, PendingYesWithAFailedWriteAbandonsTheRetrieve)
{
    Start();
    const std::vector<std::string> edited = {"#" MACHINE_HEADER_TEXT, "M", "#" USER_HEADER_TEXT, "U"};
    EditRows(edited);
    const std::vector<std::string> shown = ListRows();
    ASSERT_TRUE(removal_.Remove());

    DialogAnswerer answerer;
    answerer.QueueClick(IDYES);
    answerer.QueueClick(IDOK);
    EXPECT_FALSE(RetrieveVariable(TRUE));
    ASSERT_EQ(2u, answerer.Seen().size());   /* question and error; no name dialog */
    EXPECT_EQ(SystemText(ERROR_FILE_NOT_FOUND), answerer.Seen()[1].text);
    EXPECT_TRUE(g_modified);
    EXPECT_EQ(shown, ListRows());
    EXPECT_EQ(std::string("U", 2), StoredValue(HKEY_CURRENT_USER));
}

/* ---- The close guard ---- */

/* What the close question's answer does, through the close button, Exit and the end of the
   session: the window closes (the loop's owner destroys it, so it stays here) with the placement
   saved, or it stays with nothing saved. */
TEST_F(WorkflowClose, TheAnswerDecidesWhetherTheWindowCloses)
{
    enum Way { CLOSE, EXIT, END_SESSION };
    const struct {
        const char *what;
        Way way;
        bool pending;
        int answer;   /* 0: nothing is asked */
        bool closes, modifiedAfter;
        const char *machine, *user;   /* stored afterwards; NULL: nothing */
    } cases[] = {
        {"nothing pending", CLOSE, false, 0, true, false, NULL, NULL},
        {"Cancel", CLOSE, true, IDCANCEL, false, true, NULL, NULL},
        {"No: closes with the changes unwritten", CLOSE, true, IDNO, true, true, NULL, NULL},
        {"Yes: writes and closes", CLOSE, true, IDYES, true, false, "M", "U"},
        {"Exit, nothing pending", EXIT, false, 0, true, false, NULL, NULL},
        {"Exit, Cancel", EXIT, true, IDCANCEL, false, true, NULL, NULL},
        {"end of session, nothing pending", END_SESSION, false, 0, true, false, NULL, NULL},
        {"end of session, Cancel", END_SESSION, true, IDCANCEL, false, true, NULL, NULL},
    };
    Start();
    for (const auto &c : cases) {
        UseNewLocalAppData();   /* the earlier cases' writes are no other program's */
        SCOPED_TRACE(c.what);
        ClearPlacementKeys();
        DeleteEnvValues(kVarName);
        g_modified = FALSE;
        ASSERT_TRUE(RetrieveVariable(FALSE));   /* the question compares with both values absent */
        EditRows({"#" MACHINE_HEADER_TEXT, "M", "#" USER_HEADER_TEXT, "U"});
        g_modified = c.pending;
        DialogAnswerer answerer;
        if (c.answer)
            answerer.QueueClick(c.answer);
        bool closes;
        if (c.way == END_SESSION) {
            /* The dialog manager hands the message result back as the answer; no quit is posted. */
            closes = SendMessageA(g_hMainWnd, WM_QUERYENDSESSION, 0, 0) != 0;
            EXPECT_EQ(closes, GetWindowLongPtrA(g_hMainWnd, DWLP_MSGRESULT) != 0);
            PumpMessages();
            EXPECT_FALSE(TakeQuitMessage());
        } else {
            if (c.way == EXIT)
                SendMessageA(g_hMainWnd, WM_COMMAND, IDM_EXIT, 0);   /* Exit goes through WM_CLOSE */
            else
                SendMessageA(g_hMainWnd, WM_CLOSE, 0, 0);
            PumpMessages();
            closes = TakeQuitMessage();
        }
        EXPECT_EQ(c.closes, closes);
        ASSERT_EQ(c.answer ? 1u : 0u, answerer.Seen().size());
        if (c.answer) {
            EXPECT_EQ(PendingText(kVarName, "M", "U"), Unsummarized(answerer.Seen()[0].text));
        }
        EXPECT_EQ(c.modifiedAfter, g_modified != FALSE);
        EXPECT_TRUE(IsWindowVisible(g_hMainWnd));
        EXPECT_EQ(c.closes, PlacementSaved());
        EXPECT_EQ(c.closes, AnyPlacementKey());
        EXPECT_EQ(c.machine ? std::string(c.machine) + '\0' : "<none>", StoredValue(HKEY_LOCAL_MACHINE));
        EXPECT_EQ(c.user ? std::string(c.user) + '\0' : "<none>", StoredValue(HKEY_CURRENT_USER));
    }
}

/* ---- The variable-name dialog ---- */

TEST_F(WorkflowNameDialog, OffersTheFourNamesAndTheCurrentOne)
{
    Start();
    const std::vector<std::string> shown = ListRows();
    NameDialogView view;
    DialogAnswerer answerer;
    answerer.Queue([&view](HWND dialog) {
        view = ViewNameDialog(dialog);
        DialogAnswerer::PostClick(dialog, IDC_VAR_CANCEL);
    });
    EXPECT_FALSE(RetrieveVariable(TRUE));
    ASSERT_EQ(1u, answerer.Seen().size());
    EXPECT_EQ("EnvVar Name", answerer.Seen()[0].caption);
    EXPECT_EQ((std::vector<std::string>{"LIB", "PATH", "CLASSPATH", "INCLUDE"}), view.items);
    EXPECT_EQ(kVarName, view.text);
    EXPECT_STREQ(kVarName, g_varName);
    EXPECT_EQ(shown, ListRows());
}

TEST_F(WorkflowNameDialog, TypedNameIsTakenExactlyAndRetrieved)
{
    const std::string typed = " velkor_Test Typed ";
    SetValue(HKEY_CURRENT_USER, typed.c_str(), "T1;T2");
    Start();
    DialogAnswerer answerer;
    answerer.Queue([&typed](HWND dialog) {
        TypeName(dialog, typed);
        DialogAnswerer::PostClick(dialog, IDC_VAR_OK);
    });
    EXPECT_TRUE(RetrieveVariable(TRUE));
    EXPECT_EQ(typed, g_varName);
    EXPECT_EQ((std::vector<std::string>{kMachineHeader, kUserHeader, "T1|0", "T2|0"}), ListRows());
}

TEST_F(WorkflowNameDialog, ChosenItemIsTaken)
{
    Start();
    DialogAnswerer answerer;
    answerer.Queue([](HWND dialog) {
        SendDlgItemMessageA(dialog, IDC_VAR_NAME, CB_SETCURSEL, 2, 0);
        DialogAnswerer::PostClick(dialog, IDC_VAR_OK);
    });
    EXPECT_TRUE(RetrieveVariable(TRUE));
    EXPECT_STREQ("CLASSPATH", g_varName);
}

/* The combo box's edit field takes at most 255 characters. It does not scroll sideways, so typing
   stops at its width anyway; a longer text put there by other means is cut to fit g_varName. */
TEST_F(WorkflowNameDialog, NameIsLimitedTo255Characters)
{
    const std::string limited(255, 'W');
    Start();
    LRESULT limit = -1;
    DialogAnswerer answerer;
    answerer.Queue([&limit](HWND dialog) {
        HWND edit = FindWindowExA(GetDlgItem(dialog, IDC_VAR_NAME), NULL, "Edit", NULL);
        limit = SendMessageA(edit, EM_GETLIMITTEXT, 0, 0);
        SetDlgItemTextA(dialog, IDC_VAR_NAME, std::string(300, 'W').c_str());
        DialogAnswerer::PostClick(dialog, IDC_VAR_OK);
    });
    EXPECT_TRUE(RetrieveVariable(TRUE));
    EXPECT_EQ(255, limit);
    EXPECT_EQ(limited, g_varName);
}

namespace {
HWND s_pendingDialog;
bool s_stillOpen;
void CALLBACK CheckOpenThenCancel(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(NULL, id);
    s_stillOpen = IsWindow(s_pendingDialog) && IsWindowVisible(s_pendingDialog);
    DialogAnswerer::PostClick(s_pendingDialog, IDC_VAR_CANCEL);
}
} // namespace

TEST_F(WorkflowNameDialog, EmptyOkAndEscapeDoNotEndIt)
{
    Start();
    s_stillOpen = false;
    DialogAnswerer answerer;
    answerer.Queue([](HWND dialog) {
        SetDlgItemTextA(dialog, IDC_VAR_NAME, "");
        DialogAnswerer::PostClick(dialog, IDC_VAR_OK);
        HWND edit = FindWindowExA(GetDlgItem(dialog, IDC_VAR_NAME), NULL, "Edit", NULL);
        PostMessageA(edit, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
        PostMessageA(edit, WM_KEYUP, VK_ESCAPE, 0xC0010001);
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        s_pendingDialog = dialog;
        SetTimer(NULL, 0, 300, CheckOpenThenCancel);
    });
    EXPECT_FALSE(RetrieveVariable(TRUE));
    EXPECT_TRUE(s_stillOpen);
    EXPECT_STREQ(kVarName, g_varName);
    EXPECT_EQ(0, answerer.Unexpected());
}

TEST_F(WorkflowNameDialog, ClosingEndsItWithoutAName)
{
    Start();
    const std::vector<std::string> shown = ListRows();
    INT_PTR closeResult = -1;
    DialogAnswerer answerer;
    answerer.Queue([&closeResult](HWND dialog) {
        SetDlgItemTextA(dialog, IDC_VAR_NAME, "VELKOR_TEST_NOT_TAKEN");
        closeResult = VarNameDialogProc(dialog, WM_CLOSE, 0, 0);
    });
    answerer.Queue([](HWND dialog) {
        SetDlgItemTextA(dialog, IDC_VAR_NAME, "VELKOR_TEST_NOT_TAKEN");
        PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    });
    EXPECT_FALSE(RetrieveVariable(TRUE));
    EXPECT_EQ(FALSE, closeResult);
    EXPECT_FALSE(RetrieveVariable(TRUE));   /* from the title bar */
    EXPECT_EQ(2u, answerer.Seen().size());
    EXPECT_STREQ(kVarName, g_varName);
    EXPECT_EQ(shown, ListRows());
}

/* A name with "=" (a machine variable named so keeps Windows from starting), or with characters
   that the process's code page cannot hold (the test program runs in code page 1252, which would
   make ŁÓDŹ_LIB into LÓDZ_LIB, another variable), is refused with a message that says why; the
   dialog stays open for another name, and nothing is read. */
TEST_F(WorkflowNameDialog, NamesThatCannotBeUsedAreRefused)
{
    const struct {
        const char *typed, *why;
    } cases[] = {
        {"test=", "A variable's name cannot hold \"=\""},
        {"=C:", "A variable's name cannot hold \"=\""},
        {u8"ŁÓDŹ_LIB", "This system's code page cannot hold every character of this name"},
    };
    const size_t count = sizeof cases / sizeof cases[0];
    Start();
    const std::vector<std::string> shown = ListRows();
    DialogAnswerer answerer;
    answerer.Queue([&cases](HWND dialog) {
        TypeName(dialog, cases[0].typed);
        DialogAnswerer::PostClick(dialog, IDC_VAR_OK);
    });
    /* Each refusal is answered, and the dialog, still open under it, gets the next name. */
    for (size_t i = 1; i <= count; i++) {
        answerer.Queue([&cases, i, count](HWND box) {
            HWND dialog = GetWindow(box, GW_OWNER);
            DialogAnswerer::PostClick(box, IDOK);
            if (i < count)
                TypeName(dialog, cases[i].typed);
            DialogAnswerer::PostClick(dialog, i < count ? IDC_VAR_OK : IDC_VAR_CANCEL);
        });
    }
    EXPECT_FALSE(RetrieveVariable(TRUE));
    ASSERT_EQ(count + 1, answerer.Seen().size());
    for (size_t i = 0; i < count; i++) {
        const SeenDialog &refusal = answerer.Seen()[i + 1];
        EXPECT_EQ(0u, refusal.text.find(cases[i].why)) << cases[i].typed << ": " << refusal.text;
        EXPECT_EQ(APP_TITLE, refusal.caption);
        EXPECT_EQ(MB_ICONWARNING, refusal.icon);
    }
    EXPECT_STREQ(kVarName, g_varName);
    EXPECT_EQ(shown, ListRows());
}

/* ---- Values that the list cannot hold whole ---- */

/* Such a value is left exactly as it is stored: one of another type than REG_SZ or REG_EXPAND_SZ,
   a string with text after a zero, and one with characters that the process's code page cannot
   hold (the test program runs without the manifest, in code page 1252, as the program runs on
   Windows before 10 version 1903: Ł and Chinese, stored through the wide calls as Windows stores
   them, are read with substitutes). The retrieve tells so once, with the reason for each; the
   update and the close guard name it in place of its value and leave it as it is, while the
   other value is written as usual (café, which the code page holds, too). What another program
   writes to it is neither announced in the question nor a reason to ask again. */
class WorkflowLeftAsStored : public WorkflowTest {};

TEST_F(WorkflowLeftAsStored, ValuesTheListCannotHoldWholeAreLeftAsStored)
{
    struct Value {
        DWORD type;
        std::string text;   /* UTF-8; zeros inside are stored as they stand */
    };
    const Value machineForeign = {REG_EXPAND_SZ, u8"C:\\Łódź\\bin;C:\\日本\\tools;C:\\plain"};
    const Value userForeign = {REG_SZ, u8"C:\\Users\\张伟\\bin"};
    const Value cafe = {REG_EXPAND_SZ, u8"C:\\café"}, plain = {REG_SZ, "C:\\u"};
    const Value multi = {REG_MULTI_SZ, std::string("C:\\m1\0C:\\m2\0", 12)};
    const Value cut = {REG_SZ, std::string("C:\\a\0C:\\hidden", 14)};
    const Value number = {REG_DWORD, "A"}, numberNow = {REG_DWORD, "B"}, numberLater = {REG_DWORD, "C"};
    const std::string codePage = "(left as it is in the registry: this system's code page cannot hold all of its characters)";
    const std::string single = "So that nothing is lost, Update leaves it exactly as it is in the registry, and its rows cannot be changed.";
    const std::string both = "So that nothing is lost, Update leaves each of them exactly as it is in the registry, and their rows cannot be changed.";
    const struct {
        const char *what;
        Value machine, user;
        int mode;
        std::vector<std::string> told;   /* in the retrieve's message, in this order */
        std::string machineNote, userNote;   /* in the question in place of the value; "": written */
        bool changedMeanwhile;   /* another program writes the user value before and during the question */
    } cases[] = {
        {"code page, machine, Update", machineForeign, plain, CONFIRM_UPDATE,
         {"The Local Machine value of \"VELKOR_TEST_WF\" holds characters that this system's code page cannot hold", single},
         codePage, "", false},
        {"code page, user, close guard", cafe, userForeign, CONFIRM_PENDING,
         {"The Current User value of \"VELKOR_TEST_WF\" holds characters that this system's code page cannot hold", single},
         "", codePage, false},
        {"code page, both, Update", machineForeign, userForeign, CONFIRM_UPDATE,
         {"The Local Machine value of", "The Current User value of", both}, codePage, codePage, false},
        {"REG_MULTI_SZ and a zero inside, close guard", multi, cut, CONFIRM_PENDING,
         {"The Local Machine value of \"VELKOR_TEST_WF\" is of type REG_MULTI_SZ",
          "The Current User value of \"VELKOR_TEST_WF\" holds a zero character before its end", both},
         "(left as it is in the registry: a value of type REG_MULTI_SZ)",
         "(left as it is in the registry: it holds a zero character before its end)", false},
        {"REG_DWORD that another program changes, Update", cafe, number, CONFIRM_UPDATE,
         {"The Current User value of \"VELKOR_TEST_WF\" is of type REG_DWORD", single},
         "", "(left as it is in the registry: a value of type REG_DWORD)", true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        UseNewLocalAppData();   /* an earlier case's write is no other program's change */
        ASSERT_TRUE(SetWideValue(HKEY_LOCAL_MACHINE, kMachineSubkey, kVarName, c.machine.type, c.machine.text));
        ASSERT_TRUE(SetWideValue(HKEY_CURRENT_USER, kUserSubkey, kVarName, c.user.type, c.user.text));
        {
            DialogAnswerer startup;
            startup.QueueClick(IDOK);
            ASSERT_TRUE(CreateMainWindow() != NULL);
            ASSERT_EQ(1u, startup.Seen().size());
            const std::string &told = startup.Seen()[0].text;
            size_t at = 0;
            for (const std::string &part : c.told) {
                at = told.find(part, at);
                EXPECT_NE(std::string::npos, at) << part << " in: " << told;
            }
            EXPECT_EQ(MB_ICONWARNING, startup.Seen()[0].icon);
        }
        EditRows({"#" MACHINE_HEADER_TEXT, "C:\\m2", "#" USER_HEADER_TEXT, "C:\\u2"});
        const Value userAfter = c.changedMeanwhile ? numberLater : c.user;
        if (c.changedMeanwhile) {
            ASSERT_TRUE(SetWideValue(HKEY_CURRENT_USER, kUserSubkey, kVarName, numberNow.type, numberNow.text));
        }
        DialogAnswerer answerer;
        answerer.Queue([&](HWND question) {
            if (c.changedMeanwhile)
                SetWideValue(HKEY_CURRENT_USER, kUserSubkey, kVarName, userAfter.type, userAfter.text);
            DialogAnswerer::PostClick(question, IDYES);
        });
        EXPECT_TRUE(c.mode == CONFIRM_PENDING ? QueryClose() : UpdateVariable(CONFIRM_UPDATE));
        ASSERT_EQ(1u, answerer.Seen().size());
        const std::string &question = answerer.Seen()[0].text;
        EXPECT_NE(std::string::npos, question.find(MACHINE_HEADER_TEXT "\r\n" +
                                                   (c.machineNote.empty() ? "C:\\m2" : c.machineNote) + "\r\n"))
            << question;
        EXPECT_NE(std::string::npos, question.find(USER_HEADER_TEXT "\r\n" +
                                                   (c.userNote.empty() ? "C:\\u2" : c.userNote) + "\r\n"))
            << question;
        EXPECT_EQ(std::string::npos, question.find("Another program")) << question;
        EXPECT_FALSE(g_modified);

        const struct {
            HKEY root;
            const char *subkey;
            bool left;
            Value before;
            const char *written;
        } sections[] = {
            {HKEY_LOCAL_MACHINE, kMachineSubkey, !c.machineNote.empty(), c.machine, "C:\\m2"},
            {HKEY_CURRENT_USER, kUserSubkey, !c.userNote.empty(), userAfter, "C:\\u2"},
        };
        for (const auto &section : sections) {
            DWORD type = 0;
            std::string stored;
            ASSERT_TRUE(GetWideValue(section.root, section.subkey, kVarName, &type, &stored));
            EXPECT_TRUE((section.left ? section.before.text : section.written) == stored) << section.subkey;
            EXPECT_EQ(section.left ? section.before.type : (DWORD)REG_EXPAND_SZ, type) << section.subkey;
        }
        DestroyMainWindow();
    }
    ClearSettings();   /* the placement that the close guard saved */
}

/* ---- Changes by other programs, long questions, nested operations, failed retrieves ---- */

namespace {

std::string UpdateText(const std::string &name, const std::string &machine, const std::string &user)
{
    return "You are about update environment variable \"" + name + "\":\r\n\r\n"
           "---------==< Local Machine >==---------\r\n" + machine + "\r\n"
           "---------==< Current User >==----------\r\n" + user + "\r\n"
           "\r\nDo you want to proceed?";
}

/* A question with the paragraphs about other programs' changes, which come after the values. */
std::string WithNotes(const std::string &question, const std::string &notes)
{
    size_t closing = question.rfind("\r\n\r\n");
    return question.substr(0, closing) + notes + question.substr(closing);
}

std::string ChangedNote(const char *section, const std::string &now)
{
    return std::string("\r\n\r\nAnother program has changed the ") + section +
           " value since Velkor Editor last read or wrote it. Yes replaces what it holds now:\r\n" + now;
}

/* Both values stored ("C:\m" and "U") and retrieved, then a row added to the machine section. */
void RetrieveAndEditMachine()
{
    UseNewLocalAppData();   /* what an earlier case wrote is no other program's change */
    SetValue(HKEY_LOCAL_MACHINE, kVarName, "C:\\m");
    SetValue(HKEY_CURRENT_USER, kVarName, "U");
    ASSERT_TRUE(RetrieveVariable(FALSE));
    SetListRows({"#" MACHINE_HEADER_TEXT, "C:\\m", "C:\\edited", "#" USER_HEADER_TEXT, "U"});
    g_modified = TRUE;
}

/* Stores what another program writes: the value, or (now NULL) its deletion. */
void WriteAsAnotherProgram(HKEY root, const char *now)
{
    if (now)
        SetValue(root, kVarName, now);
    else
        DeleteRawValue(root, EnvSubkey(root), kVarName);
}

} // namespace

/* An installer changes or deletes a value while the list is open: the update question and the
   close question say so and show what the value holds now; No keeps it; Yes writes the list's
   value, which becomes what the next question compares with. */
TEST_F(WorkflowUpdate, ChangesByAnotherProgramAreShownBeforeTheyAreReplaced)
{
    const struct {
        HKEY root;
        const char *now;   /* NULL: deleted */
        std::string note;
    } cases[] = {
        {HKEY_LOCAL_MACHINE, "C:\\m;C:\\installer", ChangedNote("Local Machine", "C:\\m;C:\\installer")},
        {HKEY_CURRENT_USER, "U;C:\\installer", ChangedNote("Current User", "U;C:\\installer")},
        /* same type and length, other characters: a version folder swapped for another */
        {HKEY_LOCAL_MACHINE, "C:\\n", ChangedNote("Local Machine", "C:\\n")},
        {HKEY_CURRENT_USER, NULL,
         "\r\n\r\nAnother program has deleted the Current User value since Velkor Editor last read or wrote it."},
    };
    Start();
    for (const auto &c : cases) {
        UseNewLocalAppData();   /* the earlier cases' writes are no other program's */
        SCOPED_TRACE(c.note);
        RetrieveAndEditMachine();
        const std::string outside = c.now ? std::string(c.now) + '\0' : "<none>";
        WriteAsAnotherProgram(c.root, c.now);

        DialogAnswerer answerer;
        answerer.QueueClick(IDNO);
        answerer.QueueClick(IDCANCEL);
        answerer.QueueClick(IDYES);
        answerer.QueueClick(IDNO);
        EXPECT_TRUE(UpdateVariable(CONFIRM_UPDATE));
        EXPECT_EQ(outside, StoredValue(c.root));   /* No keeps the other program's value */
        EXPECT_FALSE(QueryClose());
        EXPECT_TRUE(UpdateVariable(CONFIRM_UPDATE));
        EXPECT_EQ(std::string("C:\\m;C:\\edited", 15), StoredValue(HKEY_LOCAL_MACHINE));
        EXPECT_EQ(std::string("U", 2), StoredValue(HKEY_CURRENT_USER));
        EXPECT_TRUE(UpdateVariable(CONFIRM_UPDATE));
        ASSERT_EQ(4u, answerer.Seen().size());
        EXPECT_EQ(WithNotes(UpdateText(kVarName, "C:\\m;C:\\edited", "U"), c.note), Unsummarized(answerer.Seen()[0].text));
        EXPECT_EQ(WithNotes(PendingText(kVarName, "C:\\m;C:\\edited", "U"), c.note), Unsummarized(answerer.Seen()[1].text));
        EXPECT_EQ(WithNotes(UpdateText(kVarName, "C:\\m;C:\\edited", "U"), c.note), Unsummarized(answerer.Seen()[2].text));
        EXPECT_EQ(UpdateText(kVarName, "C:\\m;C:\\edited", "U"), Unsummarized(answerer.Seen()[3].text));   /* as usual */
    }
}

/* An installer writes while the question is open: Yes writes nothing and leaves no snapshot, and
   the question comes again with what the value holds now; its answer is the one that counts. */
TEST_F(WorkflowUpdate, ChangeWhileTheQuestionIsOpenIsAskedAgain)
{
    const struct {
        HKEY root;
        const char *now;   /* NULL: deleted */
        std::string note;
        int second;        /* the answer to the question asked again */
        std::string machine, user;   /* stored afterwards */
    } cases[] = {
        {HKEY_LOCAL_MACHINE, "C:\\m;C:\\installer", ChangedNote("Local Machine", "C:\\m;C:\\installer"), IDYES,
         std::string("C:\\m;C:\\edited", 15), std::string("U", 2)},
        {HKEY_CURRENT_USER, "V", ChangedNote("Current User", "V"), IDYES,   /* same type and length */
         std::string("C:\\m;C:\\edited", 15), std::string("U", 2)},
        {HKEY_CURRENT_USER, NULL,
         "\r\n\r\nAnother program has deleted the Current User value since Velkor Editor last read or wrote it.",
         IDNO, std::string("C:\\m", 5), "<none>"},
    };
    Start();
    for (const auto &c : cases) {
        UseNewLocalAppData();   /* the earlier cases' writes are no other program's */
        SCOPED_TRACE(c.note);
        RetrieveAndEditMachine();
        const size_t snapshots = SnapshotFiles().size();

        DialogAnswerer answerer;
        answerer.Queue([&c](HWND question) {
            WriteAsAnotherProgram(c.root, c.now);
            DialogAnswerer::PostClick(question, IDYES);
        });
        answerer.QueueClick(c.second);
        EXPECT_TRUE(UpdateVariable(CONFIRM_UPDATE));
        ASSERT_EQ(2u, answerer.Seen().size());
        const std::string question = UpdateText(kVarName, "C:\\m;C:\\edited", "U");
        EXPECT_EQ(question, Unsummarized(answerer.Seen()[0].text));
        EXPECT_EQ(WithNotes(question, c.note), Unsummarized(answerer.Seen()[1].text));
        EXPECT_EQ(snapshots + (c.second == IDYES ? 1 : 0), SnapshotFiles().size());
        EXPECT_EQ(c.machine, StoredValue(HKEY_LOCAL_MACHINE));
        EXPECT_EQ(c.user, StoredValue(HKEY_CURRENT_USER));
        EXPECT_EQ(c.second == IDNO, g_modified != FALSE);
    }
}

/* A value that cannot be read at question time is reported in the question itself: no message box
   comes before it. */
TEST_F(WorkflowMachineKeyMissing, UnreadableValueIsSaidInTheQuestionAlone)
{
    Start();
    EditRows({"#" MACHINE_HEADER_TEXT, "M", "#" USER_HEADER_TEXT, "U"});
    ASSERT_TRUE(removal_.Remove());
    DialogAnswerer answerer;
    answerer.QueueClick(IDNO);
    EXPECT_TRUE(UpdateVariable(CONFIRM_UPDATE));
    ASSERT_EQ(1u, answerer.Seen().size());
    EXPECT_EQ(WithNotes(UpdateText(kVarName, "M", "U"),
                        "\r\n\r\nThe Local Machine value is unreadable now, so it cannot be shown whether "
                        "another program has changed it."),
              Unsummarized(answerer.Seen()[0].text));
}

/* A retrieve that fails after one that worked greys Update and Export: neither F2 nor the close
   guard writes the partial list. */
TEST_F(WorkflowMachineKeyMissing, FailedRetrieveGreysUpdateAndNothingWritesThePartialList)
{
    SetValue(HKEY_CURRENT_USER, kVarName, "U");
    Start();
    ASSERT_TRUE(removal_.Remove());
    DialogAnswerer answerer;
    answerer.QueueClick(IDOK);   /* the system's text for the missing key */
    EXPECT_FALSE(RetrieveVariable(FALSE));
    EXPECT_TRUE(CommandGreyed(IDM_EXPORT));
    EXPECT_TRUE(CommandGreyed(IDM_UPDATE));
    EditRows({"#" MACHINE_HEADER_TEXT, "M"});
    EXPECT_TRUE(UpdateVariable(CONFIRM_UPDATE));
    EXPECT_TRUE(QueryClose());
    EXPECT_EQ(1u, answerer.Seen().size());
    EXPECT_EQ(std::string("U", 2), StoredValue(HKEY_CURRENT_USER));
    ClearSettings();
}

/* While the question is open, a log-off query is refused at once, and a posted close, update or
   retrieve starts nothing: no second question, no write. */
TEST_F(WorkflowUpdate, NothingStartsWhileTheQuestionIsOpen)
{
    SetValue(HKEY_LOCAL_MACHINE, kVarName, "M");
    Start();
    EditRows({"#" MACHINE_HEADER_TEXT, "M", "M2", "#" USER_HEADER_TEXT});
    LRESULT endSession = -1;
    DialogAnswerer answerer;
    answerer.Queue([&endSession](HWND dialog) {
        SendMessageA(g_hMainWnd, WM_QUERYENDSESSION, 0, 0);
        endSession = GetWindowLongPtrA(g_hMainWnd, DWLP_MSGRESULT);
        PostMessageA(g_hMainWnd, WM_CLOSE, 0, 0);
        PostMessageA(g_hMainWnd, WM_COMMAND, IDM_UPDATE, 0);
        PostMessageA(g_hMainWnd, WM_COMMAND, IDM_RETRIEVE, 0);
        DialogAnswerer::PostClick(dialog, IDNO);
    });
    EXPECT_TRUE(UpdateVariable(CONFIRM_UPDATE));
    PumpMessages();
    EXPECT_EQ(0, endSession);
    EXPECT_EQ(1u, answerer.Seen().size());
    EXPECT_EQ(0, answerer.Unexpected());
    EXPECT_FALSE(TakeQuitMessage());
    EXPECT_EQ(std::string("M", 2), StoredValue(HKEY_LOCAL_MACHINE));
    EXPECT_TRUE(g_modified);
}

namespace {

/* Ctrl+C in the control, with Ctrl down in this thread's keyboard state; then the clipboard's text. */
std::wstring CopyWithCtrlC(HWND control)
{
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] |= 0x80;
    SetKeyboardState(keys);
    SendMessageA(control, WM_KEYDOWN, 'C', 0x002E0001);
    keys[VK_CONTROL] &= 0x7F;
    SetKeyboardState(keys);
    std::wstring text;
    if (OpenClipboard(NULL)) {
        HANDLE data = GetClipboardData(CF_UNICODETEXT);
        const wchar_t *locked = data ? (const wchar_t *)GlobalLock(data) : NULL;
        if (locked)
            text = locked;
        if (data)
            GlobalUnlock(data);
        CloseClipboard();
    }
    return text;
}

} // namespace

/* A question too long for the screen comes in the program's own dialog, which answers as the
   message box would: Yes, No, Cancel where there is one; Escape is Cancel, or No without it.
   Ctrl+C in its text copies the whole question, as in a message box. */
TEST_F(WorkflowUpdate, LongQuestionDialogAnswersAsTheMessageBox)
{
    std::string machine;
    for (int i = 0; machine.size() < 26000; i++)
        machine += (i ? ";C:\\Program Files\\Tool " : "C:\\Program Files\\Tool ") + std::to_string(i);
    SetValue(HKEY_LOCAL_MACHINE, kVarName, machine, REG_SZ);   /* an update makes it REG_EXPAND_SZ */
    Start();
    const struct {
        int mode, press;   /* press: a button id, or 0 for Escape */
        BOOL result;
        bool written;
    } cases[] = {
        {CONFIRM_UPDATE, 0, TRUE, false},        {CONFIRM_PENDING, 0, FALSE, false},
        {CONFIRM_PENDING, IDNO, TRUE, false},    {CONFIRM_PENDING, IDCANCEL, FALSE, false},
        {CONFIRM_UPDATE, IDYES, TRUE, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.mode * 10 + c.press);
        g_modified = TRUE;
        DialogAnswerer answerer;
        std::wstring copied;
        answerer.Queue([&c, &copied](HWND dialog) {
            copied = CopyWithCtrlC(GetDlgItem(dialog, IDC_QUESTION_TEXT));
            if (c.press)
                DialogAnswerer::PostClick(dialog, c.press);
            else
                PostMessageA(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
        });
        EXPECT_EQ(c.result, UpdateVariable(c.mode));
        ASSERT_EQ(1u, answerer.Seen().size());
        const SeenDialog &seen = answerer.Seen()[0];
        EXPECT_EQ(APP_TITLE, seen.caption);
        EXPECT_EQ(MB_ICONWARNING, seen.icon);
        EXPECT_TRUE(seen.hasYes && seen.hasNo);
        EXPECT_EQ(c.mode == CONFIRM_PENDING, seen.hasCancel);
        EXPECT_EQ(IDYES, seen.defaultButton);
        const std::string expected =
            c.mode == CONFIRM_PENDING ? PendingText(kVarName, machine, "") : UpdateText(kVarName, machine, "");
        EXPECT_TRUE(expected == Unsummarized(seen.text));
        EXPECT_TRUE(WideFromUtf8(expected) == Unsummarized(copied));
        EXPECT_EQ(c.written ? machine + '\0' : "<type 1>", StoredValue(HKEY_LOCAL_MACHINE));
        EXPECT_EQ(!c.written, g_modified != FALSE);
    }
}

/* A write or a deletion that fails, of either value, keeps the changes pending while the other
   value is still written: Update reports it, and a close or the end of the session answered Yes
   keeps the window open. It fails because the key is gone, or because the key refuses changes,
   as HKEY_LOCAL_MACHINE refuses a standard user: that the question says before the answer, and Yes
   then writes the user value alone, without an error. */
TEST_F(WorkflowClose, FailedWriteOrDeletionKeepsTheChangesPendingAndTheWindowOpen)
{
    enum Way { UPDATE, CLOSE, END_SESSION };
    const char *const ways[] = {"update", "close", "end of session"};
    const HKEY user = HKEY_CURRENT_USER, machine = HKEY_LOCAL_MACHINE;
    const struct {
        HKEY failing;
        bool denied;     /* the key refuses changes; otherwise it is gone */
        bool deletion;   /* the failing section is empty, so its value is to be deleted */
        Way way;
    } cases[] = {
        {user, false, false, UPDATE},     {user, false, false, CLOSE},     {user, false, false, END_SESSION},
        {machine, false, false, UPDATE},  {machine, false, false, CLOSE},  {machine, false, false, END_SESSION},
        {machine, true, true, UPDATE},    {machine, false, true, CLOSE},   {user, true, true, END_SESSION},
        {machine, true, false, CLOSE},
    };
    Start();
    for (const auto &c : cases) {
        UseNewLocalAppData();   /* the earlier cases' writes are no other program's */
        HKEY other = c.failing == user ? machine : user;
        SCOPED_TRACE(std::string(ways[c.way]) + (c.failing == user ? ", user " : ", machine ") +
                     (c.deletion ? "deletion" : "write") + (c.denied ? " refused" : ", key gone"));
        std::vector<std::string> rows = {"#" MACHINE_HEADER_TEXT};
        if (!(c.deletion && c.failing == machine))
            rows.push_back("M");
        rows.push_back("#" USER_HEADER_TEXT);
        if (!(c.deletion && c.failing == user))
            rows.push_back("U");
        EditRows(rows);
        SetValue(c.failing, kVarName, "old");
        SavedKey key(c.failing, EnvSubkey(c.failing));
        ASSERT_TRUE(c.denied ? key.DenyChanges() : key.Remove());
        DialogAnswerer answerer;
        answerer.QueueClick(IDYES);
        answerer.QueueClick(IDOK);
        if (c.way == UPDATE) {
            EXPECT_FALSE(UpdateVariable(CONFIRM_UPDATE));
        } else if (c.way == CLOSE) {
            SendMessageA(g_hMainWnd, WM_CLOSE, 0, 0);
            PumpMessages();
            EXPECT_FALSE(TakeQuitMessage());
        } else {
            EXPECT_EQ(0, SendMessageA(g_hMainWnd, WM_QUERYENDSESSION, 0, 0));
        }
        const std::string stored = StoredValue(c.failing);
        ASSERT_TRUE(key.Restore());
        const bool toldFirst = c.denied && c.failing == machine;
        ASSERT_EQ(toldFirst ? 1u : 2u, answerer.Seen().size());
        EXPECT_EQ(toldFirst, answerer.Seen()[0].text.find("The Local Machine value cannot be written without "
                                                          "administrator rights: Yes writes the Current User "
                                                          "value only") != std::string::npos);
        if (!toldFirst) {
            EXPECT_EQ(SystemText(c.denied ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND), answerer.Seen()[1].text);
        }
        EXPECT_TRUE(g_modified);
        EXPECT_TRUE(IsWindowVisible(g_hMainWnd));
        EXPECT_FALSE(AnyPlacementKey());
        EXPECT_EQ(std::string(other == machine ? "M" : "U") + '\0', StoredValue(other));
        EXPECT_EQ(c.denied ? std::string("old", 4) : "<none>", stored);
        DeleteEnvValues(kVarName);
    }
}

/* Joined values that no memory can hold: the user is told, nothing is written and the changes stay
   pending. */
TEST_F(WorkflowUpdate, JoinThatFailsTellsTheUserAndWritesNothing)
{
    SetValue(HKEY_LOCAL_MACHINE, kVarName, "M");
    Start();
    std::vector<std::string> rows = {"#" MACHINE_HEADER_TEXT};
    for (int i = 0; i < 3; i++)
        rows.push_back("r" + std::to_string(i));
    rows.push_back("#" USER_HEADER_TEXT);
    EditRows(rows);
    DialogAnswerer answerer;
    answerer.QueueClick(IDOK);
    {
        FullList full(1 << 30);
        full.textLength = 0x7FFFFFFF;   /* rows of 2 GB each */
        TestMalloc scarce(1 << 30);
        EXPECT_FALSE(UpdateVariable(CONFIRM_UPDATE));
    }
    ASSERT_EQ(1u, answerer.Seen().size());
    EXPECT_EQ(SystemText(ERROR_NOT_ENOUGH_MEMORY), answerer.Seen()[0].text);
    EXPECT_TRUE(g_modified);
    EXPECT_EQ(std::string("M", 2), StoredValue(HKEY_LOCAL_MACHINE));
    EXPECT_EQ("<none>", StoredValue(HKEY_CURRENT_USER));
}

/* ---- Telling running programs ---- */

namespace {

/* A hidden top-level window of the test program, of a Unicode class as Explorer's windows are. It
   records the text of every WM_SETTINGCHANGE that reaches it and the user value stored then. */
class SettingChangeRecorder {
public:
    SettingChangeRecorder()
    {
        WNDCLASSW cls = {};
        cls.lpfnWndProc = Proc;
        cls.hInstance = GetModuleHandleW(NULL);
        cls.lpszClassName = L"VelkorTestSettingChange";
        RegisterClassW(&cls);   /* fails harmlessly when it is registered already */
        wnd_ = CreateWindowExW(0, cls.lpszClassName, L"", WS_OVERLAPPED, 0, 0, 10, 10, NULL, NULL,
                               cls.hInstance, NULL);
        SetWindowLongPtrW(wnd_, GWLP_USERDATA, (LONG_PTR)this);
    }
    ~SettingChangeRecorder() { DestroyWindow(wnd_); }
    std::vector<std::string> texts, usersThen;

private:
    static LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        SettingChangeRecorder *self = (SettingChangeRecorder *)GetWindowLongPtrW(wnd, GWLP_USERDATA);
        if (msg == WM_SETTINGCHANGE && self) {
            self->texts.push_back(lParam ? Utf8FromWide((const wchar_t *)lParam) : "<null>");
            self->usersThen.push_back(StoredValue(HKEY_CURRENT_USER));
        }
        return DefWindowProcW(wnd, msg, wParam, lParam);
    }
    HWND wnd_;
};

} // namespace

/* Notify sends one WM_SETTINGCHANGE "Environment" to every top-level window and then says what it
   did; pending changes are offered first. An update alone sends nothing. The main window receives
   the message too, and goes on as it was. */
TEST_F(WorkflowUpdate, NotifyTellsRunningProgramsAndUpdateAloneDoesNot)
{
    const std::string notified =
        "Running programs have been told that the environment has changed.\r\n\r\n"
        "Programs started from now on see the value of \"" + std::string(kVarName) + "\" that the "
        "registry holds now. Programs that are already running, such as open command prompts, keep "
        "the value they started with and hand it on to the programs they start.";
    const struct {
        const char *what;
        UINT command;
        bool pending;
        int answer;        /* to the question; 0: none is asked */
        bool sent;         /* the message is broadcast, then the user is told */
        const char *user;  /* stored afterwards */
    } cases[] = {
        {"nothing pending", IDM_NOTIFY, false, 0, true, "old"},
        {"Cancel: nothing is sent", IDM_NOTIFY, true, IDCANCEL, false, "old"},
        {"No: what the registry holds is announced", IDM_NOTIFY, true, IDNO, true, "old"},
        {"Yes: written, then announced", IDM_NOTIFY, true, IDYES, true, "new"},
        {"Update alone", IDM_UPDATE, true, IDYES, false, "new"},
    };
    Start();
    for (const auto &c : cases) {
        UseNewLocalAppData();   /* the earlier cases' writes are no other program's */
        SCOPED_TRACE(c.what);
        SetValue(HKEY_LOCAL_MACHINE, kVarName, "M");
        SetValue(HKEY_CURRENT_USER, kVarName, "old");
        g_modified = FALSE;
        ASSERT_TRUE(RetrieveVariable(FALSE));
        EditRows({"#" MACHINE_HEADER_TEXT, "M", "#" USER_HEADER_TEXT, "new"});
        g_modified = c.pending;
        const std::vector<std::string> shown = ListRows();
        SettingChangeRecorder recorder;
        DialogAnswerer answerer;
        if (c.answer)
            answerer.QueueClick(c.answer);
        size_t sentBeforeTold = 0;
        HWND owner = NULL;
        if (c.sent) {
            answerer.Queue([&](HWND dialog) {
                sentBeforeTold = recorder.texts.size();
                owner = GetWindow(dialog, GW_OWNER);
                DialogAnswerer::PostClick(dialog, IDOK);
            });
        }
        SendMessageA(g_hMainWnd, WM_COMMAND, c.command, 0);
        PumpMessages();

        EXPECT_EQ(0u, answerer.Pending());
        ASSERT_EQ((c.answer ? 1u : 0u) + (c.sent ? 1u : 0u), answerer.Seen().size());
        if (c.answer && c.command == IDM_NOTIFY) {
            EXPECT_EQ(PendingText(kVarName, "M", "new"), Unsummarized(answerer.Seen()[0].text));
        }
        EXPECT_EQ(c.sent ? std::vector<std::string>{"Environment"} : std::vector<std::string>{}, recorder.texts);
        if (c.sent) {
            EXPECT_EQ(std::string(c.user) + '\0', recorder.usersThen[0]) << "written before it is sent";
            const SeenDialog &told = answerer.Seen().back();
            EXPECT_EQ(notified, told.text);
            EXPECT_EQ(APP_TITLE, told.caption);
            EXPECT_EQ(MB_ICONINFORMATION, told.icon);
            EXPECT_TRUE(told.hasOk && !told.hasCancel);
            EXPECT_EQ(1u, sentBeforeTold);
            EXPECT_EQ(g_hMainWnd, owner);
        }
        EXPECT_EQ(std::string(c.user) + '\0', StoredValue(HKEY_CURRENT_USER));
        EXPECT_EQ(c.pending && c.answer != IDYES, g_modified != FALSE);
        EXPECT_EQ(shown, ListRows());
    }
}
