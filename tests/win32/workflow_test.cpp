#include <gtest/gtest.h>

#include "test_support.h"
#include "common/common.h"
#include "registry/confirmtext.h"
#include "registry/workflow.h"
#include "resource.h"

#include <algorithm>
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
    const char *subkey = root == HKEY_LOCAL_MACHINE ? kMachineSubkey : kUserSubkey;
    ASSERT_TRUE(SetRawValue(root, subkey, name, type, text.c_str(), (DWORD)text.size() + 1));
}

/* The stored bytes of a value, "<none>" when it does not exist, "<type N>" when it is not
   REG_EXPAND_SZ. */
std::string StoredValue(HKEY root, const char *name = kVarName)
{
    const char *subkey = root == HKEY_LOCAL_MACHINE ? kMachineSubkey : kUserSubkey;
    DWORD type = 0;
    std::string bytes;
    if (!GetRawValue(root, subkey, name, &type, &bytes))
        return "<none>";
    if (type != REG_EXPAND_SZ)
        return "<type " + std::to_string(type) + ">";
    return bytes;
}

bool IsGrayed(int command)
{
    HMENU file = GetSubMenu(GetMenu(g_hMainWnd), 0);
    return (GetMenuState(file, command, MF_BYCOMMAND) & MF_GRAYED) != 0;
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
    int count = (int)SendMessageA(combo, CB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; i++) {
        int length = (int)SendMessageA(combo, CB_GETLBTEXTLEN, i, 0);
        std::string item(length + 1, '\0');
        SendMessageA(combo, CB_GETLBTEXT, i, (LPARAM)&item[0]);
        item.resize(length);
        view.items.push_back(item);
    }
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
class WorkflowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        lstrcpyA(g_varName, kVarName);
        g_modified = FALSE;
        CleanValues();
    }
    void TearDown() override
    {
        DestroyMainWindow();
        CleanValues();
        lstrcpyA(g_varName, "PATH");
    }
    static void CleanValues()
    {
        DeleteRawValue(HKEY_CURRENT_USER, kUserSubkey, kVarName);
        DeleteRawValue(HKEY_LOCAL_MACHINE, kMachineSubkey, kVarName);
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
    void TearDown() override
    {
        WorkflowTest::TearDown();
        WriteProfileStringA(APP_SHORT_NAME, NULL, NULL);
    }
    static bool HasKey(const char *key)
    {
        char text[64];
        return GetProfileStringA(APP_SHORT_NAME, key, "", text, sizeof text) > 0;
    }
    static bool PlacementSaved()
    {
        return HasKey("x") && HasKey("y") && (int)GetProfileIntA(APP_SHORT_NAME, "w", 0) > 0 &&
               (int)GetProfileIntA(APP_SHORT_NAME, "h", 0) > 0;
    }
    static bool AnyPlacementKey() { return HasKey("x") || HasKey("y") || HasKey("w") || HasKey("h"); }
};
class WorkflowMachineKeyMissing : public WorkflowTest {
protected:
    void TearDown() override
    {
        WorkflowTest::TearDown();
        EXPECT_TRUE(removal_.Restore()) << "the machine environment key was not restored exactly";
    }
    MachineKeyRemoval removal_;
};
class WorkflowNameDialog : public WorkflowTest {
protected:
    void TearDown() override
    {
        WorkflowTest::TearDown();
        for (const std::string &name : extraNames_) {
            DeleteRawValue(HKEY_CURRENT_USER, kUserSubkey, name.c_str());
            DeleteRawValue(HKEY_LOCAL_MACHINE, kMachineSubkey, name.c_str());
        }
    }
    std::vector<std::string> extraNames_;
};

} // namespace

/* ---- Retrieve ---- */

TEST_F(WorkflowRetrieve, StartUpWithNeitherValueGivesTwoHeadersAndEnablesCommands)
{
    Start();
    EXPECT_EQ((std::vector<std::string>{kMachineHeader, kUserHeader}), ListRows());
    EXPECT_FALSE(IsGrayed(IDM_EXPORT));
    EXPECT_FALSE(IsGrayed(IDM_UPDATE));
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
    WriteProfileStringA(APP_SHORT_NAME, NULL, NULL);
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
    EXPECT_TRUE(IsGrayed(IDM_EXPORT));
    EXPECT_TRUE(IsGrayed(IDM_UPDATE));
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

TEST_F(WorkflowClose, NoPendingChangesClosesWithoutAQuestionAndSavesPlacement)
{
    Start();
    DialogAnswerer answerer;
    SendMessageA(g_hMainWnd, WM_CLOSE, 0, 0);
    PumpMessages();
    EXPECT_TRUE(TakeQuitMessage());
    EXPECT_EQ(0u, answerer.Seen().size());
    EXPECT_TRUE(PlacementSaved());
}

TEST_F(WorkflowClose, CancelKeepsTheWindowOpenAndSavesNothing)
{
    Start();
    EditRows({"#" MACHINE_HEADER_TEXT, "M", "#" USER_HEADER_TEXT});
    DialogAnswerer answerer;
    answerer.QueueClick(IDCANCEL);
    SendMessageA(g_hMainWnd, WM_CLOSE, 0, 0);
    PumpMessages();
    EXPECT_FALSE(TakeQuitMessage());
    ASSERT_EQ(1u, answerer.Seen().size());
    EXPECT_EQ(PendingText(kVarName, "M", ""), answerer.Seen()[0].text);
    EXPECT_TRUE(IsWindowVisible(g_hMainWnd));
    EXPECT_TRUE(g_modified);
    EXPECT_FALSE(AnyPlacementKey());
    EXPECT_EQ("<none>", StoredValue(HKEY_LOCAL_MACHINE));
}

TEST_F(WorkflowClose, NoLetsTheWindowCloseWithTheChangesUnwritten)
{
    Start();
    EditRows({"#" MACHINE_HEADER_TEXT, "M", "#" USER_HEADER_TEXT});
    DialogAnswerer answerer;
    answerer.QueueClick(IDNO);
    EXPECT_TRUE(QueryClose());
    EXPECT_EQ(1u, answerer.Seen().size());
    EXPECT_TRUE(g_modified);   /* the guard never clears it */
    EXPECT_TRUE(PlacementSaved());
    EXPECT_EQ("<none>", StoredValue(HKEY_LOCAL_MACHINE));
}

TEST_F(WorkflowClose, YesWritesAndCloses)
{
    Start();
    EditRows({"#" MACHINE_HEADER_TEXT, "M", "#" USER_HEADER_TEXT, "U"});
    DialogAnswerer answerer;
    answerer.QueueClick(IDYES);
    EXPECT_TRUE(QueryClose());
    EXPECT_FALSE(g_modified);
    EXPECT_EQ(std::string("M", 2), StoredValue(HKEY_LOCAL_MACHINE));
    EXPECT_EQ(std::string("U", 2), StoredValue(HKEY_CURRENT_USER));
    EXPECT_TRUE(PlacementSaved());
}

TEST_F(WorkflowClose, QueryEndSessionAnswersThroughTheMessageResult)
{
    Start();
    EditRows({"#" MACHINE_HEADER_TEXT, "M", "#" USER_HEADER_TEXT});
    {
        DialogAnswerer answerer;
        answerer.QueueClick(IDCANCEL);
        /* The dialog manager hands the message result back as the answer. */
        EXPECT_EQ(0, SendMessageA(g_hMainWnd, WM_QUERYENDSESSION, 0, 0));
        EXPECT_EQ(0, GetWindowLongPtrA(g_hMainWnd, DWLP_MSGRESULT));
        EXPECT_EQ(1u, answerer.Seen().size());
        EXPECT_FALSE(AnyPlacementKey());
    }
    g_modified = FALSE;
    DialogAnswerer answerer;
    EXPECT_NE(0, SendMessageA(g_hMainWnd, WM_QUERYENDSESSION, 0, 0));
    EXPECT_NE(0, GetWindowLongPtrA(g_hMainWnd, DWLP_MSGRESULT));
    EXPECT_EQ(0u, answerer.Seen().size());
    EXPECT_TRUE(PlacementSaved());
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
    extraNames_.push_back(typed);
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
    extraNames_.push_back(limited);
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
            DeleteRawValue(c.root, c.root == HKEY_LOCAL_MACHINE ? kMachineSubkey : kUserSubkey, kVarName);

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
    EXPECT_TRUE(IsGrayed(IDM_EXPORT));
    EXPECT_TRUE(IsGrayed(IDM_UPDATE));
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

/* A question too long for the screen comes in the program's own dialog, which answers as the
   message box would: Yes, No, Cancel where there is one; Escape is Cancel, or No without it. */
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
        answerer.Queue([&c](HWND dialog) {
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
        EXPECT_TRUE((c.mode == CONFIRM_PENDING ? PendingText(kVarName, machine, "") : UpdateText(kVarName, machine, "")) ==
                    seen.text);
        EXPECT_EQ(c.written ? machine + '\0' : "<type 1>", StoredValue(HKEY_LOCAL_MACHINE));
        EXPECT_EQ(!c.written, g_modified != FALSE);
    }
}
