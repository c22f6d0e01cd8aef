#include "app_fixture.h"
#include "common/common.h"
#include "entries/entrylist.h"
#include "registry/workflow.h"
#include "resource.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

namespace {

/* The real main window, started on a variable that exists nowhere: two empty sections. */
class EntryListWindow : public AppTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(CreateMainWindowOn("VELKOR_TEST_ENTRIES") != NULL);
    }
    LRESULT List(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0)
    {
        return SendMessageA(EntryList(), msg, wParam, lParam);
    }
};

std::string Taken(char *text)
{
    std::string copy = text ? text : "(none)";
    ReleaseText(&text);
    return copy;
}

} // namespace

TEST_F(EntryListWindow, StartsWithTheTwoHeadersOfEmptySections)
{
    EXPECT_EQ((std::vector<std::string>{MACHINE_HEADER_TEXT "|1", USER_HEADER_TEXT "|1"}), ListRows());
}

TEST_F(EntryListWindow, RowOperations)
{
    ClearList();
    EXPECT_EQ(0, GetRowCount());
    EXPECT_EQ(-1, GetSelectedRow());
    EXPECT_EQ(-1, AddRow("", 0));
    EXPECT_EQ(-1, AddRow(NULL, 1));
    EXPECT_EQ(0, GetRowCount());
    EXPECT_EQ(0, AddRow("head", 1));
    EXPECT_EQ(1, AddRow("x", 0));
    EXPECT_EQ(2, AddRow("\xE9t\xE9", 0));
    EXPECT_EQ(3, InsertEntryRow("end", -1));
    EXPECT_EQ(1, InsertEntryRow("", 1));              /* an empty text is inserted like any other */
    /* An insert at a header's place gives an entry row; the header moves down. */
    EXPECT_EQ(0, InsertEntryRow("top", 0));
    EXPECT_EQ((std::vector<std::string>{"top|0", "head|1", "|0", "x|0", "\xE9t\xE9|0", "end|0"}), ListRows());

    EXPECT_EQ(-1, GetSelectedRow());
    EXPECT_EQ(-1, GetRowData(-1));
    EXPECT_EQ(-1, GetRowData(6));
    EXPECT_EQ(-1, GetRowTextLength(-1));
    EXPECT_EQ(-1, GetRowTextLength(6));
    EXPECT_EQ("(none)", Taken(CopyRowText(-1)));
    EXPECT_EQ("(none)", Taken(CopyRowText(6)));
    EXPECT_EQ("(none)", Taken(CopyRowText(2)));      /* the empty row */
    EXPECT_EQ(0, GetRowTextLength(2));
    EXPECT_EQ("\xE9t\xE9", Taken(CopyRowText(4)));
    EXPECT_EQ(3, GetRowTextLength(4));
    EXPECT_EQ(1, GetRowData(1));
    EXPECT_EQ(0, GetRowData(2));
    char *kept = NULL;   /* one buffer, grown and kept from row to row */
    size_t keptSize = 0;
    EXPECT_EQ(3, ReadRowText(4, &kept, &keptSize));
    EXPECT_STREQ("\xE9t\xE9", kept);
    EXPECT_EQ(0, ReadRowText(2, &kept, &keptSize));
    EXPECT_STREQ("", kept);
    EXPECT_EQ(-1, ReadRowText(6, &kept, &keptSize));
    EXPECT_EQ(-1, ReadRowText(-1, &kept, &keptSize));
    free(kept);

    List(LB_SETCURSEL, 3);
    EXPECT_EQ(3, GetSelectedRow());
    EXPECT_EQ("x", Taken(CopyRowText(-1)));
    EXPECT_EQ(1, GetRowTextLength(-1));
    EXPECT_EQ(0, GetRowData(-1));
    List(LB_SETCURSEL, 1);
    EXPECT_EQ(1, GetRowData(-1));

    DeleteRow(0);
    EXPECT_EQ(5, GetRowCount());
    EXPECT_EQ("head|1", ListRows()[0]);
    ClearList();
    EXPECT_EQ(0, GetRowCount());
    EXPECT_EQ(-1, GetSelectedRow());
}

TEST_F(EntryListWindow, JoinSectionCountsHeadersFromTheTop)
{
    const struct {
        const char *what;
        std::vector<std::string> rows;
        const char *machine, *user;
    } cases[] = {
        {"usual shape", {"#M", "a", "b", "#U", "c"}, "a;b", "c"},
        {"empty sections", {"#M", "#U"}, "", ""},
        {"empty row", {"#M", "a", "", "b", "#U"}, "a;;b", ""},
        {"one empty row", {"#M", "", "#U", ""}, "", ""},
        {"rows above the first header", {"z", "#M", "a", "#U", "c"}, "a", "c"},
        {"rows after a third header", {"#M", "a", "#U", "c", "#X", "y", "#Y", "w"}, "a", "c"},
        {"one header", {"#M", "a"}, "a", ""},
        {"no header", {"a"}, "", ""},
        {"bytes kept", {"#M", " \xE9 ", "\"q;r\"", "#U", ";s"}, " \xE9 ;\"q;r\"", ";s"},
    };
    for (const auto &c : cases) {
        SetListRows(c.rows);
        EXPECT_EQ(c.machine, Taken(JoinSection(SECTION_MACHINE))) << c.what;
        EXPECT_EQ(c.user, Taken(JoinSection(SECTION_USER))) << c.what;
    }
}

TEST_F(EntryListWindow, ParseAppendsEntryRowsAndLeavesTheValueAlone)
{
    const struct {
        const char *value;
        std::vector<std::string> rows;
    } cases[] = {
        {"", {}},
        {"a;b", {"a|0", "b|0"}},
        {"a;", {"a|0"}},
        {"a;;b", {"a|0", ";b|0"}},
        {";;", {";|0"}},
        {"\"a;b\";c", {"\"a;b\"|0", "c|0"}},
        {"\"a;b", {"\"a;b|0"}},
        {" a ; \xE9 ", {" a |0", " \xE9 |0"}},
    };
    for (const auto &c : cases) {
        SetListRows({"#H"});
        std::string value = c.value;
        std::vector<char> buffer(value.begin(), value.end());
        buffer.push_back('\0');
        ParseValueIntoList(buffer.data());
        EXPECT_EQ(value, std::string(buffer.data(), buffer.size() - 1)) << "value [" << c.value << "]";
        std::vector<std::string> expected = {"H|1"};
        expected.insert(expected.end(), c.rows.begin(), c.rows.end());
        EXPECT_EQ(expected, ListRows()) << "value [" << c.value << "]";
    }
}

TEST_F(EntryListWindow, SplitThenJoinGivesTheValueBack)
{
    const char *values[] = {"a;;b", "x;\"y;z\";w", "a;;", ";", "\"open;quote", " \xE9 ; "};
    for (const char *value : values) {
        std::string machine = value, user = "u1;u2";
        ClearList();
        AddRow(MACHINE_HEADER_TEXT, 1);
        ParseValueIntoList(&machine[0]);
        AddRow(USER_HEADER_TEXT, 1);
        ParseValueIntoList(&user[0]);
        EXPECT_EQ(value, Taken(JoinSection(SECTION_MACHINE)));
        EXPECT_EQ("u1;u2", Taken(JoinSection(SECTION_USER)));
    }
}

/* A list box that runs out of room during a retrieve: the user is told, the rows it took are in
   order, and the stored value is not touched. */
TEST_F(EntryListWindow, SplitTheListCannotHoldIsReported)
{
    const std::string value = "u1;u2;u3;u4;u5";
    ASSERT_TRUE(SetEnvText(HKEY_CURRENT_USER, g_varName, value));
    DialogAnswerer answerer;
    answerer.QueueClick(IDOK);
    {
        FullList full(4);   /* the two headers and two rows */
        RetrieveVariable(FALSE);
        EXPECT_EQ(1, full.refusals);
    }
    ASSERT_EQ(1u, answerer.Seen().size());
    EXPECT_EQ(SystemText(ERROR_NOT_ENOUGH_MEMORY), answerer.Seen()[0].text);
    EXPECT_EQ((std::vector<std::string>{MACHINE_HEADER_TEXT "|1", USER_HEADER_TEXT "|1", "u1|0", "u2|0"}), ListRows());
    EXPECT_EQ(value + '\0', StoredEnv(HKEY_CURRENT_USER, g_varName));
}

/* After such a retrieve, an update never writes the shortened list over the whole value: Update is
   greyed and F2 asks nothing (once it wrote "u1;u2" over "u1;u2;u3;u4;u5"). */
TEST_F(EntryListWindow, SplitTheListCannotHoldIsNeverWrittenBack)
{
    const std::string value = "u1;u2;u3;u4;u5";
    ASSERT_TRUE(SetEnvText(HKEY_CURRENT_USER, g_varName, value));
    {
        DialogAnswerer answerer;
        answerer.QueueClick(IDOK);
        FullList full(4);
        RetrieveVariable(FALSE);
    }
    ShowWindow(g_hMainWnd, SW_SHOW);
    SetForegroundWindow(g_hMainWnd);
    SetFocus(EntryEdit());
    EXPECT_TRUE(CommandGreyed(IDM_UPDATE));
    DialogAnswerer answerer;
    answerer.QueueClick(IDYES);   /* should it ask after all */
    PressKey(VK_F2);
    EXPECT_EQ(0u, answerer.Seen().size());
    EXPECT_EQ(value + '\0', StoredEnv(HKEY_CURRENT_USER, g_varName));
}
