#include "app_fixture.h"
#include "common/common.h"
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

/* Replaces the combo box's text as typing would: through its edit field, so its limit applies. */
void TypeName(HWND dialog, const std::string &name)
{
    HWND edit = FindWindowExA(GetDlgItem(dialog, IDC_VAR_NAME), NULL, "Edit", NULL);
    SendMessageA(edit, EM_SETSEL, 0, -1);
    SendMessageA(edit, EM_REPLACESEL, TRUE, (LPARAM)name.c_str());
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
    /* Creates the main window; its start-up retrieve must ask nothing. */
    static void Start()
    {
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
        WriteProfileStringA(APP_SHORT_NAME, NULL, NULL);
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
    EXPECT_EQ(PendingText(kVarName, "C:\\m;C:\\new", "U"), question.text);
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

TEST_F(WorkflowUpdate, EmptySectionsDeleteTheirValues)
{
    const struct {
        std::vector<std::string> rows;
        const char *machine, *user;   /* NULL: deleted */
    } cases[] = {
        {{"#" MACHINE_HEADER_TEXT, "#" USER_HEADER_TEXT, "U"}, NULL, "U"},
        {{"#" MACHINE_HEADER_TEXT, "M", "#" USER_HEADER_TEXT}, "M", NULL},
        {{"#" MACHINE_HEADER_TEXT, "#" USER_HEADER_TEXT}, NULL, NULL},
        {{"#" MACHINE_HEADER_TEXT, "", "#" USER_HEADER_TEXT, ""}, NULL, NULL},   /* empty rows join to nothing */
    };
    Start();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.rows.size());
        SetValue(HKEY_LOCAL_MACHINE, kVarName, "old M");
        SetValue(HKEY_CURRENT_USER, kVarName, "old U");
        EditRows(c.rows);
        DialogAnswerer answerer;
        answerer.QueueClick(IDYES);
        EXPECT_TRUE(UpdateVariable(CONFIRM_UPDATE));
        EXPECT_EQ(1u, answerer.Seen().size());
        EXPECT_EQ(c.machine ? std::string(c.machine) + '\0' : "<none>", StoredValue(HKEY_LOCAL_MACHINE));
        EXPECT_EQ(c.user ? std::string(c.user) + '\0' : "<none>", StoredValue(HKEY_CURRENT_USER));
        EXPECT_FALSE(g_modified);
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
    EXPECT_TRUE(PendingText(name, machine, user) == answerer.Seen()[0].text);
    EXPECT_EQ(PendingText(name, machine, user).size(), answerer.Seen()[0].text.size());
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
            EXPECT_EQ(PendingText(kVarName, "M", "U"), answerer.Seen()[0].text);
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

/* ---- Values that the process's code page cannot hold ---- */

/* The test program runs without the manifest, in code page 1252, as the program runs on Windows
   before 10 version 1903: a value stored with Ł or Chinese (through the wide calls, as Windows
   stores it) is read with substitutes. The retrieve tells so once, naming the section; the update
   and the close guard leave that value exactly as stored and say so in their question, while the
   other value is written as usual. A value that the code page holds (café) is written. */
class WorkflowForeignCharacters : public WorkflowTest {};

TEST_F(WorkflowForeignCharacters, ValueWithSubstitutesIsLeftAsStored)
{
    const std::string machineForeign = u8"C:\\Łódź\\bin;C:\\日本\\tools;C:\\plain";
    const std::string userForeign = u8"C:\\Users\\张伟\\bin";
    const struct {
        const char *what;
        bool machineLeft, userLeft;
        int mode;
        const char *told;
    } cases[] = {
        {"machine, Update", true, false, CONFIRM_UPDATE, "The Local Machine value of \"VELKOR_TEST_WF\" holds"},
        {"user, close guard", false, true, CONFIRM_PENDING, "The Current User value of \"VELKOR_TEST_WF\" holds"},
        {"both, Update", true, true, CONFIRM_UPDATE,
         "The Local Machine and Current User values of \"VELKOR_TEST_WF\" hold"},
    };
    const std::string note = LEFT_AS_STORED_NOTE;
    for (const auto &c : cases) {
        std::string machine = c.machineLeft ? machineForeign : u8"C:\\café";
        std::string user = c.userLeft ? userForeign : "C:\\u";
        ASSERT_TRUE(SetWideValue(HKEY_LOCAL_MACHINE, kMachineSubkey, kVarName, REG_EXPAND_SZ, machine));
        ASSERT_TRUE(SetWideValue(HKEY_CURRENT_USER, kUserSubkey, kVarName, REG_SZ, user));
        {
            DialogAnswerer startup;
            startup.QueueClick(IDOK);
            ASSERT_TRUE(CreateMainWindow() != NULL);
            ASSERT_EQ(1u, startup.Seen().size()) << c.what;
            EXPECT_EQ(0u, startup.Seen()[0].text.find(c.told)) << startup.Seen()[0].text;
            EXPECT_EQ(MB_ICONWARNING, startup.Seen()[0].icon) << c.what;
        }
        EditRows({"#" MACHINE_HEADER_TEXT, "C:\\m2", "#" USER_HEADER_TEXT, "C:\\u2"});
        DialogAnswerer answerer;
        answerer.QueueClick(IDYES);
        EXPECT_TRUE(c.mode == CONFIRM_PENDING ? QueryClose() : UpdateVariable(CONFIRM_UPDATE)) << c.what;
        ASSERT_EQ(1u, answerer.Seen().size()) << c.what;
        const std::string &question = answerer.Seen()[0].text;
        EXPECT_NE(std::string::npos, question.find(MACHINE_HEADER_TEXT "\r\n" +
                                                   (c.machineLeft ? note : "C:\\m2") + "\r\n")) << question;
        EXPECT_NE(std::string::npos, question.find(USER_HEADER_TEXT "\r\n" +
                                                   (c.userLeft ? note : "C:\\u2") + "\r\n")) << question;
        EXPECT_FALSE(g_modified) << c.what;

        DWORD type = 0;
        std::string stored;
        ASSERT_TRUE(GetWideValue(HKEY_LOCAL_MACHINE, kMachineSubkey, kVarName, &type, &stored));
        EXPECT_EQ(c.machineLeft ? machine : "C:\\m2", stored) << c.what;
        EXPECT_EQ((DWORD)REG_EXPAND_SZ, type) << c.what;
        ASSERT_TRUE(GetWideValue(HKEY_CURRENT_USER, kUserSubkey, kVarName, &type, &stored));
        EXPECT_EQ(c.userLeft ? user : "C:\\u2", stored) << c.what;
        EXPECT_EQ(c.userLeft ? (DWORD)REG_SZ : (DWORD)REG_EXPAND_SZ, type) << c.what;
        DestroyMainWindow();
    }
    WriteProfileStringA(APP_SHORT_NAME, NULL, NULL);   /* the placement that the close guard saved */
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
        {HKEY_CURRENT_USER, NULL,
         "\r\n\r\nAnother program has deleted the Current User value since Velkor Editor last read or wrote it."},
    };
    Start();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.note);
        SetValue(HKEY_LOCAL_MACHINE, kVarName, "C:\\m");
        SetValue(HKEY_CURRENT_USER, kVarName, "U");
        ASSERT_TRUE(RetrieveVariable(FALSE));
        EditRows({"#" MACHINE_HEADER_TEXT, "C:\\m", "C:\\edited", "#" USER_HEADER_TEXT, "U"});
        const std::string outside = c.now ? std::string(c.now) + '\0' : "<none>";
        if (c.now)
            SetValue(c.root, kVarName, c.now);
        else
            DeleteRawValue(c.root, EnvSubkey(c.root), kVarName);

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
        EXPECT_EQ(WithNotes(UpdateText(kVarName, "C:\\m;C:\\edited", "U"), c.note), answerer.Seen()[0].text);
        EXPECT_EQ(WithNotes(PendingText(kVarName, "C:\\m;C:\\edited", "U"), c.note), answerer.Seen()[1].text);
        EXPECT_EQ(WithNotes(UpdateText(kVarName, "C:\\m;C:\\edited", "U"), c.note), answerer.Seen()[2].text);
        EXPECT_EQ(UpdateText(kVarName, "C:\\m;C:\\edited", "U"), answerer.Seen()[3].text);   /* as usual */
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
              answerer.Seen()[0].text);
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
    WriteProfileStringA(APP_SHORT_NAME, NULL, NULL);
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
        EXPECT_TRUE(expected == seen.text);
        EXPECT_TRUE(WideFromUtf8(expected) == copied);
        EXPECT_EQ(c.written ? machine + '\0' : "<type 1>", StoredValue(HKEY_LOCAL_MACHINE));
        EXPECT_EQ(!c.written, g_modified != FALSE);
    }
}

/* A write that fails, whichever of the two it is, keeps the changes pending and the other value is
   still written: Update reports it, and a close or the end of the session answered Yes keeps the
   window open. */
TEST_F(WorkflowClose, FailedWriteKeepsTheChangesPendingAndTheWindowOpen)
{
    enum Way { UPDATE, CLOSE, END_SESSION };
    const char *const ways[] = {"update", "close", "end of session"};
    Start();
    for (HKEY failing : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        HKEY other = failing == HKEY_CURRENT_USER ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
        for (Way way : {UPDATE, CLOSE, END_SESSION}) {
            SCOPED_TRACE(std::string(ways[way]) + (failing == HKEY_CURRENT_USER ? ", user" : ", machine") +
                         " write failing");
            EditRows({"#" MACHINE_HEADER_TEXT, "M", "#" USER_HEADER_TEXT, "U"});
            SavedKey key(failing, EnvSubkey(failing));
            ASSERT_TRUE(key.Remove());
            DialogAnswerer answerer;
            answerer.QueueClick(IDYES);
            answerer.QueueClick(IDOK);
            if (way == UPDATE) {
                EXPECT_FALSE(UpdateVariable(CONFIRM_UPDATE));
            } else if (way == CLOSE) {
                SendMessageA(g_hMainWnd, WM_CLOSE, 0, 0);
                PumpMessages();
                EXPECT_FALSE(TakeQuitMessage());
            } else {
                EXPECT_EQ(0, SendMessageA(g_hMainWnd, WM_QUERYENDSESSION, 0, 0));
            }
            ASSERT_TRUE(key.Restore());
            ASSERT_EQ(2u, answerer.Seen().size());
            EXPECT_EQ(SystemText(ERROR_FILE_NOT_FOUND), answerer.Seen()[1].text);
            EXPECT_TRUE(g_modified);
            EXPECT_TRUE(IsWindowVisible(g_hMainWnd));
            EXPECT_FALSE(AnyPlacementKey());
            EXPECT_EQ(std::string(other == HKEY_LOCAL_MACHINE ? "M" : "U") + '\0', StoredValue(other));
            EXPECT_EQ("<none>", StoredValue(failing));
            DeleteEnvValues(kVarName);
        }
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
