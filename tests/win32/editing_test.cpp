#include <gtest/gtest.h>

#include "app_fixture.h"
#include "common/common.h"
#include "entries/editing.h"
#include "entries/entrycheck.h"
#include "entries/entrylist.h"
#include "entries/undo.h"
#include "registry/workflow.h"
#include "resource.h"

#include <dlgs.h>
#include <commctrl.h>
#include <shlobj.h>
#include <algorithm>
#include <string.h>
#include <string>
#include <vector>

namespace {

/* The real main window, started on a variable that exists nowhere: two empty sections. */
class EditWindow : public AppTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(CreateMainWindowOn("VELKOR_TEST_ENTRIES") != NULL);
        g_modified = FALSE;
    }
    void Arrange(const std::vector<std::string> &rows, int selected, const char *edit)
    {
        SetListRows(rows);
        SendMessageA(EntryList(), LB_SETCURSEL, selected, 0);
        SetWindowTextA(EntryEdit(), edit);
        PumpMessages(5);
        ForgetUndoSteps();   /* undo goes back to this list, as to a retrieved one */
    }
    int Selected() { return (int)SendMessageA(EntryList(), LB_GETCURSEL, 0, 0); }
    void Check(const struct CommandCase &c);
};

/* '#' marks a header row, as SetListRows takes them; gives the "text|data" form of ListRows. */
std::vector<std::string> Rows(const std::vector<std::string> &marked)
{
    std::vector<std::string> rows;
    for (const std::string &row : marked)
        rows.push_back(!row.empty() && row[0] == '#' ? row.substr(1) + "|1" : row + "|0");
    return rows;
}

const std::vector<std::string> kList = {"#M", "a", "b", "#U", "c", "d"};   /* as after a retrieve */
const std::vector<std::string> kWithEmpty = {"#M", "a", "", "#U", "c"};

enum Command { INSERT, MODIFY, DELETE_, UP, DOWN };

struct CommandCase {
    const char *what;
    Command command;
    std::vector<std::string> list;
    int selected;
    const char *edit;
    std::vector<std::string> after;   /* empty: unchanged */
    int selectedAfter;
    bool modified;
};

void RunCommand(Command command)
{
    switch (command) {
    case INSERT: InsertEntry(); break;
    case MODIFY: ModifyEntry(); break;
    case DELETE_: DeleteEntry(); break;
    case UP: MoveEntryUp(); break;
    case DOWN: MoveEntryDown(); break;
    }
}

const char *kNames[] = {"insert", "modify", "delete", "up", "down"};

} // namespace

namespace {

/* Whatever changed `before` into `after` was one undo step: Undo gives `before` back with nothing
   pending and selects `changed` (-1: the row that took the place of an inserted one), Redo gives
   `after` again, pending. */
void CheckUndoAndRedo(const std::vector<std::string> &before, const std::vector<std::string> &after,
                      int changed, const std::string &label)
{
    int selectedAfter = (int)SendMessageA(EntryList(), LB_GETCURSEL, 0, 0);
    UndoChange();
    PumpMessages(5);
    EXPECT_EQ(Rows(before), ListRows()) << label << ": undo";
    EXPECT_FALSE(g_modified) << label << ": undo";
    EXPECT_FALSE(CanUndo()) << label << ": undo";
    int expected = changed >= 0 ? changed : std::min(selectedAfter, (int)before.size() - 1);
    EXPECT_EQ(expected, (int)SendMessageA(EntryList(), LB_GETCURSEL, 0, 0)) << label << ": undo";
    RedoChange();
    PumpMessages(5);
    EXPECT_EQ(Rows(after), ListRows()) << label << ": redo";
    EXPECT_TRUE(g_modified) << label << ": redo";
    EXPECT_FALSE(CanRedo()) << label << ": redo";
}

} // namespace

namespace {

/* Drops the paths on the list over row `row`, as Explorer does: an HDROP of wide names, posted. */
void DropOnRow(const std::vector<std::string> &paths, int row)
{
    std::wstring names;
    for (const std::string &path : paths)
        names += WideFromUtf8(path) + L'\0';
    names += L'\0';
    HGLOBAL drop = GlobalAlloc(GHND, sizeof(DROPFILES) + names.size() * sizeof(WCHAR));
    DROPFILES *files = (DROPFILES *)GlobalLock(drop);
    files->pFiles = sizeof(DROPFILES);
    files->pt.x = 10;
    files->pt.y = (int)SendMessageA(EntryList(), LB_GETITEMHEIGHT, 0, 0) * (2 * row + 1) / 2;
    files->fWide = TRUE;
    memcpy(files + 1, names.data(), names.size() * sizeof(WCHAR));
    GlobalUnlock(drop);
    PostMessageA(EntryList(), WM_DROPFILES, (WPARAM)drop, 0);
    PumpMessages(5);
}

} // namespace

/* Runs the case's command on its list and checks the rows, the selection and g_modified
   afterwards; the edit field is never touched. */
void EditWindow::Check(const CommandCase &c)
{
    std::string label = std::string(kNames[c.command]) + ": " + c.what;
    Arrange(c.list, c.selected, c.edit);
    RunCommand(c.command);
    bool moved = (c.command == UP || c.command == DOWN) && c.modified;
    /* Insert, modify and delete send the new selection; a move posts it, so right after the
       command the moved row (deleted and inserted again) is not selected yet. */
    EXPECT_EQ(moved ? -1 : c.selectedAfter, Selected()) << label;
    PumpMessages(5);
    EXPECT_EQ(Rows(c.after.empty() ? c.list : c.after), ListRows()) << label;
    EXPECT_EQ(c.selectedAfter, Selected()) << label;
    EXPECT_EQ(c.modified, g_modified != FALSE) << label;
    EXPECT_EQ(c.edit, EditText()) << label;
    if (c.modified)
        CheckUndoAndRedo(c.list, c.after.empty() ? c.list : c.after, c.command == INSERT ? -1 : c.selected, label);
    else
        EXPECT_FALSE(CanUndo()) << label << ": nothing to undo";
}

/* Every command with no row, each header, entries at the ends of each section and the last row
   selected: the rows, the selection and g_modified afterwards; the edit field is never touched. */
TEST_F(EditWindow, CommandsOverEverySelection)
{
    const std::vector<std::string> L = kList;
    const CommandCase cases[] = {
        {"no selection appends", INSERT, L, -1, "x", {"#M", "a", "b", "#U", "c", "d", "x"}, 6, true},
        {"machine header: first machine entry", INSERT, L, 0, "x", {"#M", "x", "a", "b", "#U", "c", "d"}, 1, true},
        {"user header: first user entry", INSERT, L, 3, "x", {"#M", "a", "b", "#U", "x", "c", "d"}, 4, true},
        {"after the first machine entry", INSERT, L, 1, "x", {"#M", "a", "x", "b", "#U", "c", "d"}, 2, true},
        {"after the last machine entry", INSERT, L, 2, "x", {"#M", "a", "b", "x", "#U", "c", "d"}, 3, true},
        {"after the first user entry", INSERT, L, 4, "x", {"#M", "a", "b", "#U", "c", "x", "d"}, 5, true},
        {"after the last row", INSERT, L, 5, "x", {"#M", "a", "b", "#U", "c", "d", "x"}, 6, true},
        {"a ';' stays one row", INSERT, L, 5, "x;y", {"#M", "a", "b", "#U", "c", "d", "x;y"}, 6, true},
        {"empty edit field", INSERT, L, 1, "", {}, 1, false},

        {"no selection", MODIFY, L, -1, "x", {}, -1, false},
        {"machine header", MODIFY, L, 0, "x", {}, 0, false},
        {"user header", MODIFY, L, 3, "x", {}, 3, false},
        {"first machine entry", MODIFY, L, 1, "x", {"#M", "x", "b", "#U", "c", "d"}, 1, true},
        {"last machine entry", MODIFY, L, 2, "x", {"#M", "a", "x", "#U", "c", "d"}, 2, true},
        {"first user entry", MODIFY, L, 4, "x", {"#M", "a", "b", "#U", "x", "d"}, 4, true},
        {"last row", MODIFY, L, 5, "x", {"#M", "a", "b", "#U", "c", "x"}, 5, true},
        {"same text still modifies", MODIFY, L, 1, "a", {}, 1, true},
        {"empty edit field", MODIFY, L, 1, "", {}, 1, false},
        {"an empty row gets a text", MODIFY, kWithEmpty, 2, "x", {"#M", "a", "x", "#U", "c"}, 2, true},

        {"no selection", DELETE_, L, -1, "e", {}, -1, false},
        {"machine header", DELETE_, L, 0, "e", {}, 0, false},
        {"user header", DELETE_, L, 3, "e", {}, 3, false},
        {"first machine entry", DELETE_, L, 1, "e", {"#M", "b", "#U", "c", "d"}, 1, true},
        {"last machine entry: the header follows", DELETE_, L, 2, "e", {"#M", "a", "#U", "c", "d"}, 2, true},
        {"first user entry", DELETE_, L, 4, "e", {"#M", "a", "b", "#U", "d"}, 4, true},
        {"last row: no selection after", DELETE_, L, 5, "e", {"#M", "a", "b", "#U", "c"}, -1, true},
        {"an empty row", DELETE_, kWithEmpty, 2, "", {"#M", "a", "#U", "c"}, 2, true},

        {"no selection", UP, L, -1, "e", {}, -1, false},
        {"machine header", UP, L, 0, "e", {}, 0, false},
        {"user header is never moved", UP, L, 3, "e", {}, 3, false},
        {"row 1 cannot pass the machine header", UP, L, 1, "e", {}, 1, false},
        {"last machine entry", UP, L, 2, "e", {"#M", "b", "a", "#U", "c", "d"}, 1, true},
        {"first user entry joins the machine section", UP, L, 4, "e", {"#M", "a", "b", "c", "#U", "d"}, 3, true},
        {"last row", UP, L, 5, "e", {"#M", "a", "b", "#U", "d", "c"}, 4, true},
        {"an empty row stays", UP, kWithEmpty, 2, "e", {}, 2, false},

        {"no selection", DOWN, L, -1, "e", {}, -1, false},
        {"machine header is never moved", DOWN, L, 0, "e", {}, 0, false},
        {"user header is never moved", DOWN, L, 3, "e", {}, 3, false},
        {"first machine entry", DOWN, L, 1, "e", {"#M", "b", "a", "#U", "c", "d"}, 2, true},
        {"last machine entry joins the user section", DOWN, L, 2, "e", {"#M", "a", "#U", "b", "c", "d"}, 3, true},
        {"first user entry", DOWN, L, 4, "e", {"#M", "a", "b", "#U", "d", "c"}, 5, true},
        {"last row cannot move down", DOWN, L, 5, "e", {}, 5, false},
        {"an empty row stays", DOWN, kWithEmpty, 2, "e", {}, 2, false},
    };
    for (const CommandCase &c : cases)
        Check(c);
}

/* A section whose value updates leave as it is stored (here one of type REG_BINARY) is read-only:
   no command changes, deletes or moves its rows, puts a row into it or takes one out of it, and
   neither a selection, Up or Down in the edit field nor F5 brings its text into the edit field,
   from where it could be copied elsewhere. The commands do nothing and show nothing; the other
   section is edited as usual. */
TEST_F(EditWindow, SectionLeftAsStoredIsReadOnly)
{
    const std::vector<std::string> L = kList;
    const CommandCase machineLeft[] = {
        {"machine header", INSERT, L, 0, "x", {}, 0, false},
        {"after the last machine entry", INSERT, L, 2, "x", {}, 2, false},
        {"user header: into the user section", INSERT, L, 3, "x", {"#M", "a", "b", "#U", "x", "c", "d"}, 4, true},
        {"machine entry", MODIFY, L, 1, "x", {}, 1, false},
        {"machine entry", DELETE_, L, 2, "e", {}, 2, false},
        {"within the machine section", UP, L, 2, "e", {}, 2, false},
        {"first user entry into the machine section", UP, L, 4, "e", {}, 4, false},
        {"last machine entry out of its section", DOWN, L, 2, "e", {}, 2, false},
        {"within the user section", DOWN, L, 4, "e", {"#M", "a", "b", "#U", "d", "c"}, 5, true},
    };
    const CommandCase userLeft[] = {
        {"no selection: after the last row", INSERT, L, -1, "x", {}, -1, false},
        {"user header", INSERT, L, 3, "x", {}, 3, false},
        {"after the last machine entry", INSERT, L, 2, "x", {"#M", "a", "b", "x", "#U", "c", "d"}, 3, true},
        {"user entry", MODIFY, L, 5, "x", {}, 5, false},
        {"user entry", DELETE_, L, 4, "e", {}, 4, false},
        {"last machine entry into the user section", DOWN, L, 2, "e", {}, 2, false},
        {"first user entry out of its section", UP, L, 4, "e", {}, 4, false},
        {"within the machine section", UP, L, 2, "e", {"#M", "b", "a", "#U", "c", "d"}, 1, true},
    };
    const struct {
        HKEY left;
        const CommandCase *begin, *end;
        int header;   /* of the section left as stored */
    } sides[] = {
        {HKEY_LOCAL_MACHINE, std::begin(machineLeft), std::end(machineLeft), 0},
        {HKEY_CURRENT_USER, std::begin(userLeft), std::end(userLeft), 3},
    };
    for (const auto &side : sides) {
        DeleteEnvValues(g_varName);
        ASSERT_TRUE(SetEnvText(side.left, g_varName, "a;b", REG_BINARY));
        dialogs.QueueClick(IDOK);   /* the retrieve tells that the value is left as stored */
        ASSERT_TRUE(RetrieveVariable(FALSE));
        for (const CommandCase *c = side.begin; c != side.end; c++)
            Check(*c);

        /* Files dropped on its header or its rows go nowhere. */
        for (int row : {side.header, side.header + 1}) {
            Arrange(kList, -1, "");
            DropOnRow({"C:\\velkor-none"}, row);
            EXPECT_EQ(Rows(kList), ListRows()) << "drop on row " << row;
            EXPECT_FALSE(g_modified);
        }

        /* The edit field stays empty on its rows; F5 from its header still finds "a" missing. */
        Arrange(kList, side.header + 1, "old");
        SyncEditField();
        EXPECT_EQ("", EditText());
        Arrange(kList, side.header, "old");
        SelectNextRow();
        PumpMessages(5);
        EXPECT_EQ(side.header + 1, Selected());
        EXPECT_EQ("", EditText());
        Arrange(kList, side.header, "old");
        DialogAnswerer answerer;
        answerer.QueueClick(IDOK);
        CheckEntries();
        ASSERT_EQ(1u, answerer.Seen().size());
        EXPECT_EQ("May be error here?", answerer.Seen()[0].text);
        EXPECT_EQ(side.header + 1, Selected());
        EXPECT_EQ("", EditText());
        EXPECT_FALSE(g_modified);
    }
}

/* Each command changes the list here, and a flag set before it stays set. */
TEST_F(EditWindow, CommandsNeverClearTheModifiedFlag)
{
    for (Command command : {INSERT, MODIFY, DELETE_, UP, DOWN}) {
        Arrange(kList, 4, "x");
        g_modified = TRUE;
        RunCommand(command);
        PumpMessages(5);
        EXPECT_TRUE(g_modified) << kNames[command];
        EXPECT_NE(Rows(kList), ListRows()) << kNames[command] << " did nothing";
    }
}

TEST_F(EditWindow, MovesAcrossSectionsChangeTheJoinedValues)
{
    Arrange(kList, 4, "");
    MoveEntryUp();
    PumpMessages(5);
    char *machine = JoinSection(SECTION_MACHINE), *user = JoinSection(SECTION_USER);
    EXPECT_STREQ("a;b;c", machine);
    EXPECT_STREQ("d", user);
    ReleaseText(&machine);
    ReleaseText(&user);

    Arrange(kList, 2, "");
    MoveEntryDown();
    PumpMessages(5);
    machine = JoinSection(SECTION_MACHINE);
    user = JoinSection(SECTION_USER);
    EXPECT_STREQ("a", machine);
    EXPECT_STREQ("b;c;d", user);
    ReleaseText(&machine);
    ReleaseText(&user);
}

TEST_F(EditWindow, SyncEditFieldShowsTheSelectedEntry)
{
    const struct {
        int selected;
        const char *edit;
    } cases[] = {{-1, ""}, {0, ""}, {3, ""}, {1, "a"}, {2, ""}, {4, "c"}};
    for (const auto &c : cases) {
        Arrange(kWithEmpty, c.selected, "old");
        SyncEditField();
        EXPECT_EQ(c.edit, EditText()) << "selected " << c.selected;
        EXPECT_EQ(c.selected, Selected());
        EXPECT_FALSE(g_modified);
    }
}

TEST_F(EditWindow, SelectPreviousAndNextFollowTheCaret)
{
    const struct {
        bool next;
        int caret;
        int selected;
        const char *edit;
    } cases[] = {
        {false, 0, 0, ""},   /* stays on row 0, a header: the field is emptied */
        {false, 2, 1, "a"},
        {false, 4, 3, ""},
        {true, 0, 1, "a"},
        {true, 1, 2, "b"},
        {true, 5, 5, "d"},   /* the last row stays selected */
    };
    for (const auto &c : cases) {
        Arrange(kList, c.caret, "old");
        if (c.next)
            SelectNextRow();
        else
            SelectPreviousRow();
        EXPECT_EQ(c.selected, Selected());
        EXPECT_EQ("old", EditText()) << "the field follows only through UM_SYNC_EDIT";
        PumpMessages(5);
        EXPECT_EQ(c.edit, EditText()) << (c.next ? "next" : "previous") << " from " << c.caret;
        EXPECT_FALSE(g_modified);
    }
}

/* Keystrokes through the program's own loop handling (accelerators, then dialog processing). */
namespace {

void Press(WORD key) { PressKey(key); }
void PressWithCtrl(WORD key) { PressKeys({VK_CONTROL}, key); }

class EditKeys : public EditWindow {
protected:
    void SetUp() override
    {
        EditWindow::SetUp();
        ShowWindow(g_hMainWnd, SW_SHOW);
        SetForegroundWindow(g_hMainWnd);
        PumpMessages();
    }
    void Focus(HWND control)
    {
        SetFocus(control);
        PumpMessages(5);
        ASSERT_EQ(control, GetFocus());
    }
};

} // namespace

TEST_F(EditKeys, CtrlUpAndCtrlDownInTheListLeaveTheMovedRowSelected)
{
    Arrange(kList, 4, "");
    Focus(EntryList());
    PressWithCtrl(VK_UP);
    EXPECT_EQ(Rows({"#M", "a", "b", "c", "#U", "d"}), ListRows());
    EXPECT_EQ(3, Selected());
    EXPECT_TRUE(g_modified);

    PressWithCtrl(VK_DOWN);
    EXPECT_EQ(Rows(kList), ListRows());
    EXPECT_EQ(4, Selected());

    Arrange(kList, 1, "");
    Focus(EntryList());
    PressWithCtrl(VK_DOWN);
    EXPECT_EQ(Rows({"#M", "b", "a", "#U", "c", "d"}), ListRows());
    EXPECT_EQ(2, Selected());
}

TEST_F(EditKeys, EnterModifiesCtrlEnterInsertsF8Deletes)
{
    Arrange(kList, 1, "typed");
    Focus(EntryEdit());
    Press(VK_RETURN);
    EXPECT_EQ(Rows({"#M", "typed", "b", "#U", "c", "d"}), ListRows());
    EXPECT_EQ(1, Selected());
    EXPECT_TRUE(g_modified);
    EXPECT_EQ("typed", EditText());

    g_modified = FALSE;
    PressWithCtrl(VK_RETURN);   /* once: one new row after the selected one */
    EXPECT_EQ(Rows({"#M", "typed", "typed", "b", "#U", "c", "d"}), ListRows());
    EXPECT_EQ(2, Selected());
    EXPECT_TRUE(g_modified);

    Arrange(kList, 4, "");
    Focus(EntryList());
    Press(VK_F8);               /* once: the row that took its place stays */
    EXPECT_EQ(Rows({"#M", "a", "b", "#U", "d"}), ListRows());
    EXPECT_EQ(4, Selected());
    EXPECT_TRUE(g_modified);
}

/* Ctrl+Z in the edit field takes back the field's own typing first, then the list's last change;
   Ctrl+Y redoes it. The menu greys Undo and Redo when there is nothing to undo or redo. */
TEST_F(EditKeys, CtrlZUndoesTheFieldsTypingFirstThenTheList)
{
    auto greyed = [](UINT id) {
        SendMessageA(g_hMainWnd, WM_INITMENU, (WPARAM)GetMenu(g_hMainWnd), 0);
        return CommandGreyed(id);
    };
    Arrange(kList, 1, "");
    EXPECT_TRUE(greyed(IDM_UNDO));
    Focus(EntryList());
    Press(VK_F8);
    EXPECT_EQ(Rows({"#M", "b", "#U", "c", "d"}), ListRows());
    EXPECT_FALSE(greyed(IDM_UNDO));
    EXPECT_TRUE(greyed(IDM_REDO));

    Focus(EntryEdit());
    SendMessageA(EntryEdit(), EM_REPLACESEL, TRUE, (LPARAM)"typed");
    PressWithCtrl('Z');
    EXPECT_EQ("", EditText());
    EXPECT_EQ(Rows({"#M", "b", "#U", "c", "d"}), ListRows());
    PressWithCtrl('Z');
    EXPECT_EQ(Rows(kList), ListRows());
    EXPECT_EQ(1, Selected());
    EXPECT_EQ("a", EditText());
    EXPECT_FALSE(g_modified);
    EXPECT_TRUE(greyed(IDM_UNDO));
    EXPECT_FALSE(greyed(IDM_REDO));
    PressWithCtrl('Y');
    EXPECT_EQ(Rows({"#M", "b", "#U", "c", "d"}), ListRows());
    EXPECT_TRUE(g_modified);
}

/* Ctrl+F opens Find: typing selects the first entry row from the selection on whose text or
   expansion holds the text, whatever its case; Enter finds the next one, wrapping, and modifies
   nothing; a text that no row holds leaves the selection; the edit field follows; Escape closes. */
TEST_F(EditKeys, FindSelectsAsTheUserTypesAndEnterFindsTheNext)
{
    const std::vector<std::string> list = {"#M", "C:\\\xC9t\xE9", "%SystemRoot%\\x", "#U", "D:\\abc", "E:\\ABC\\b"};
    HWND find = NULL;
    dialogs.Queue([&](HWND dialog) { find = dialog; });
    Arrange(list, 0, "");
    Focus(EntryList());
    PressWithCtrl('F');
    PumpMessages(100);
    ASSERT_TRUE(find != NULL);
    EXPECT_EQ("Velkor Editor - Find", dialogs.Seen()[0].caption);
    ASSERT_EQ(GetDlgItem(find, IDC_FIND_TEXT), GetFocus());
    const struct {
        const char *typed;   /* NULL: Enter */
        int selected;
    } steps[] = {{"aBc", 4}, {NULL, 5}, {NULL, 4}, {"\xC9T\xC9", 1}, {"windows", 2}, {"nowhere", 2}};
    for (const auto &step : steps) {
        if (step.typed)
            SetWindowTextA(GetDlgItem(find, IDC_FIND_TEXT), step.typed);
        else
            Press(VK_RETURN);
        PumpMessages(5);
        EXPECT_EQ(step.selected, Selected()) << (step.typed ? step.typed : "Enter");
    }
    EXPECT_EQ(Rows(list), ListRows());
    EXPECT_EQ("%SystemRoot%\\x", EditText());
    Press(VK_ESCAPE);
    EXPECT_FALSE(IsWindow(find));
}

/* An update keeps the history: undo after it makes changes pending again, redo makes the list
   what was written. A retrieve starts the history afresh. */
TEST_F(EditWindow, UndoAfterAnUpdateMakesChangesPendingAgain)
{
    Arrange(kList, 2, "x");
    InsertEntry();
    QueueYesOrOk(dialogs);
    ASSERT_TRUE(UpdateVariable(CONFIRM_UPDATE));
    EXPECT_FALSE(g_modified);
    UndoChange();
    EXPECT_EQ(Rows(kList), ListRows());
    EXPECT_TRUE(g_modified);
    RedoChange();
    EXPECT_FALSE(g_modified);
    ASSERT_TRUE(RetrieveVariable(FALSE));
    EXPECT_FALSE(CanUndo());
}

/* A row dragged with the mouse lands in the gap nearest the release, in its section or the other,
   as one undo step; a header, and a gap above the machine header, take no drag. */
TEST_F(EditWindow, DraggedRowLandsInTheMarkedGap)
{
    const struct {
        int row, gap;
        std::vector<std::string> after;   /* empty: unchanged */
        int selectedAfter;
    } cases[] = {
        {4, 2, {"#M", "a", "c", "b", "#U", "d"}, 2},
        {1, 6, {"#M", "b", "#U", "c", "d", "a"}, 5},
        {3, 1, {}, 1},   /* the list box's own tracking moves the selection along */
        {2, 0, {}, 2},
    };
    for (const auto &c : cases) {
        Arrange(kList, -1, "");
        int height = (int)SendMessageA(EntryList(), LB_GETITEMHEIGHT, 0, 0);
        SendMessageA(EntryList(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, c.row * height + height / 2));
        SendMessageA(EntryList(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(30, c.row * height + height / 2 + 1));
        SendMessageA(EntryList(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(30, c.gap * height + 1));
        SendMessageA(EntryList(), WM_LBUTTONUP, 0, MAKELPARAM(30, c.gap * height + 1));
        PumpMessages(5);
        std::string label = "row " + std::to_string(c.row) + " to gap " + std::to_string(c.gap);
        EXPECT_EQ(Rows(c.after.empty() ? kList : c.after), ListRows()) << label;
        EXPECT_EQ(c.selectedAfter, Selected()) << label;
        EXPECT_EQ(!c.after.empty(), g_modified != FALSE) << label;
        if (!c.after.empty())
            CheckUndoAndRedo(kList, c.after, c.row, label);
    }
}

/* Files and folders dropped from Explorer go in, as their paths, after the row under the cursor,
   all as one undo step. */
TEST_F(EditWindow, DroppedFilesGoInAfterTheRowUnderTheCursor)
{
    const std::vector<std::string> paths = {TempDir(), "C:\\velkor-none\\lib.jar"};
    Arrange(kList, -1, "");
    DropOnRow(paths, 1);
    const std::vector<std::string> after = {"#M", "a", paths[0], paths[1], "b", "#U", "c", "d"};
    EXPECT_EQ(Rows(after), ListRows());
    EXPECT_EQ(3, Selected());
    EXPECT_EQ(paths[1], EditText());
    CheckUndoAndRedo(kList, after, 2, "drop");
    RemoveDirectoryA(paths[0].c_str());
}

/* The shell's folder browser and the open-file dialog, answered from the dialog hook. */
namespace {

std::string TreeItemText(HWND tree, HTREEITEM item)
{
    char text[MAX_PATH] = "";
    TVITEMA tv;
    ZeroMemory(&tv, sizeof tv);
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = text;
    tv.cchTextMax = sizeof text;
    SendMessageA(tree, TVM_GETITEMA, 0, (LPARAM)&tv);
    return text;
}

class EditDialogs : public EditWindow {};

} // namespace

TEST_F(EditDialogs, FolderBrowserInsertsTheChosenFolder)
{
    char desktop[MAX_PATH] = "";
    ASSERT_TRUE(SHGetSpecialFolderPathA(NULL, desktop, CSIDL_DESKTOPDIRECTORY, FALSE));
    DialogAnswerer answerer;
    bool titled = false;
    answerer.Queue([&](HWND dialog) {
        titled = HasChildText(dialog, "Select Folder to add");
        /* The root item is the desktop, whose path is the user's desktop folder. */
        HWND tree = FindDescendant(dialog, "SysTreeView32");
        HTREEITEM root = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
        SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)root);
        DialogAnswerer::PostClick(dialog, IDOK);
    });
    Arrange(kList, 3, "typed");
    InsertFolderEntry();
    EXPECT_EQ(1u, answerer.Seen().size());
    EXPECT_TRUE(titled);
    EXPECT_EQ(Rows({"#M", "a", "b", "#U", desktop, "c", "d"}), ListRows());
    EXPECT_EQ(4, Selected());
    EXPECT_TRUE(g_modified);
    EXPECT_EQ("typed", EditText());
}

TEST_F(EditDialogs, FolderBrowserItemWithoutAPathInsertsNothing)
{
    DialogAnswerer answerer;
    std::string chosen;
    answerer.Queue([&](HWND dialog) {
        /* A child of the desktop that is no file-system folder (such as the computer itself). */
        HWND tree = FindDescendant(dialog, "SysTreeView32");
        HTREEITEM root = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
        SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, (LPARAM)root);
        for (HTREEITEM item = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, (LPARAM)root); item;
             item = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, (LPARAM)item)) {
            std::string text = TreeItemText(tree, item);
            if (text == "My Computer" || text == "This PC") {
                chosen = text;
                SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)item);
                break;
            }
        }
        DialogAnswerer::PostClick(dialog, IDOK);
    });
    Arrange(kList, 1, "typed");
    InsertFolderEntry();
    ASSERT_FALSE(chosen.empty()) << "no item without a path was found in the browser";
    EXPECT_EQ(Rows(kList), ListRows());
    EXPECT_EQ(1, Selected());
    EXPECT_FALSE(g_modified);
}

namespace {

/* Types a name into the open dialog's file-name field and presses Open. */
void ChooseFile(HWND dialog, const std::string &name)
{
    HWND field = GetDlgItem(dialog, edt1);
    if (!field)
        field = GetDlgItem(dialog, cmb13);
    SetWindowTextA(field, name.c_str());
    DialogAnswerer::PostClick(dialog, IDOK);
}

} // namespace

TEST_F(EditDialogs, OpenFileDialogInsertsTheFullPath)
{
    std::string folder = TempDir();
    std::string existing = folder + "\\lib.jar";
    std::string missing = folder + "\\not-yet.zip";   /* the folder must exist, the file need not */
    CloseHandle(CreateFileA(existing.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));

    std::vector<std::string> filters;
    int filterIndex = -2;
    DialogAnswerer answerer;
    answerer.Queue([&](HWND dialog) {
        HWND filter = GetDlgItem(dialog, cmb1);
        filters = ComboItems(filter);
        filterIndex = (int)SendMessageA(filter, CB_GETCURSEL, 0, 0);
        ChooseFile(dialog, existing);
    });
    answerer.Queue([&](HWND dialog) { ChooseFile(dialog, missing); });

    Arrange(kList, 2, "typed");
    InsertFileEntry();
    EXPECT_EQ((std::vector<std::string>{"Archive files(*.zip;*.jar)", "All files"}), filters);
    EXPECT_EQ(0, filterIndex);
    EXPECT_EQ(Rows({"#M", "a", "b", existing, "#U", "c", "d"}), ListRows());
    EXPECT_EQ(3, Selected());
    EXPECT_TRUE(g_modified);
    EXPECT_EQ("typed", EditText());

    Arrange(kList, -1, "");
    InsertFileEntry();
    EXPECT_EQ(Rows({"#M", "a", "b", "#U", "c", "d", missing}), ListRows());
    EXPECT_EQ(6, Selected());
    EXPECT_EQ(2u, answerer.Seen().size());
    EXPECT_EQ(0, answerer.Unexpected());

    DeleteFileA(existing.c_str());
    RemoveDirectoryA(folder.c_str());
}

/* Cancel in the folder browser or the open-file dialog changes nothing, the flag included. */
TEST_F(EditDialogs, CancelChangesNothing)
{
    const struct {
        const char *what;
        void (*command)(void);
        int selected;
    } cases[] = {{"folder browser", InsertFolderEntry, 1}, {"open-file dialog", InsertFileEntry, 4}};
    for (const auto &c : cases) {
        for (BOOL modified : {FALSE, TRUE}) {
            DialogAnswerer answerer;
            answerer.QueueClick(IDCANCEL);
            Arrange(kList, c.selected, "typed");
            g_modified = modified;
            c.command();
            EXPECT_EQ(1u, answerer.Seen().size()) << c.what;
            EXPECT_EQ(Rows(kList), ListRows()) << c.what;
            EXPECT_EQ(c.selected, Selected()) << c.what;
            EXPECT_EQ(modified, g_modified) << c.what;
            EXPECT_EQ("typed", EditText()) << c.what;
        }
    }
}

/* A list that has no room for one more row: insert, modify and the moves tell the user and leave
   every row, the selection and the flag as they were. */
TEST_F(EditWindow, CommandsOnAFullListTellTheUserAndLoseNothing)
{
    for (Command command : {INSERT, MODIFY, UP, DOWN}) {
        Arrange(kList, 4, "x");
        DialogAnswerer answerer;
        answerer.QueueClick(IDOK);
        {
            FullList full(0, 1);   /* refuses the next row, then takes rows again */
            RunCommand(command);
            PumpMessages(5);
            EXPECT_EQ(1, full.refusals) << kNames[command];
        }
        ASSERT_EQ(1u, answerer.Seen().size()) << kNames[command];
        EXPECT_EQ(SystemText(ERROR_NOT_ENOUGH_MEMORY), answerer.Seen()[0].text) << kNames[command];
        EXPECT_EQ(Rows(kList), ListRows()) << kNames[command];
        EXPECT_EQ(4, Selected()) << kNames[command];
        EXPECT_FALSE(g_modified) << kNames[command];
    }
}
