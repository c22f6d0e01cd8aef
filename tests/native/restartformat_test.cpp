#include <gtest/gtest.h>

#include "output/restartformat.h"

#include <stdlib.h>

#include <string>
#include <vector>

namespace {

struct Rows {
    std::string name, account;
    int pending;
    std::vector<std::string> machine, user;
};

/* The file's text for the rows. */
std::string Format(const Rows &rows)
{
    std::vector<char *> sections[2];
    const std::vector<std::string> *texts[2] = {&rows.machine, &rows.user};
    for (int s = 0; s < 2; s++)
        for (const std::string &text : *texts[s])
            sections[s].push_back(const_cast<char *>(text.c_str()));
    RestartList list = {const_cast<char *>(rows.name.c_str()), const_cast<char *>(rows.account.c_str()),
                        rows.pending, {sections[0].size(), sections[1].size()},
                        {sections[0].data(), sections[1].data()}};
    size_t size = 0;
    char *text = FormatRestartList(&list, &size);
    std::string formatted = text ? std::string(text, size) : "<null>";
    free(text);
    return formatted;
}

bool Parse(const std::string &text, Rows *rows)
{
    RestartList list;
    if (!ParseRestartList(text.data(), text.size(), &list))
        return false;
    rows->name = list.name;
    rows->account = list.account;
    rows->pending = list.pending;
    rows->machine.assign(list.rows[0], list.rows[0] + list.count[0]);
    rows->user.assign(list.rows[1], list.rows[1] + list.count[1]);
    ReleaseRestartList(&list);
    return true;
}

} // namespace

TEST(RestartFormat, RowsComeBackExactly)
{
    const Rows cases[] = {
        {"PATH", "S-1-5-21-7-1001", 1, {"C:\\m", "%SystemRoot%\\b"}, {"D:\\u"}},
        {"LIB", "", 0, {}, {}},                                                   /* both sections empty */
        {"\xE8\xB7\xAF\xE5\xBE\x84", "", 1, {"C:\\\xE5\xB7\xA5\xE5\x85\xB7"}, {}},   /* Chinese name and row */
        {"X", "S-1-5-18", 1, {"\"C:\\Program Files\\a;b\"", "", "line\r\nbreak", "9:"}, {"end\r\n"}},
    };
    for (const Rows &c : cases) {
        SCOPED_TRACE(c.name);
        Rows back;
        ASSERT_TRUE(Parse(Format(c), &back));
        EXPECT_EQ(c.name, back.name);
        EXPECT_EQ(c.account, back.account);
        EXPECT_EQ(c.pending, back.pending);
        EXPECT_EQ(c.machine, back.machine);
        EXPECT_EQ(c.user, back.user);
    }
    EXPECT_EQ("Velkor Editor restart 1\r\nname 4:PATH\r\naccount 8:S-1-5-18\r\npending 1\r\nmachine 1\r\n"
              "4:C:\\m\r\nuser 0\r\nend\r\n",
              Format({"PATH", "S-1-5-18", 1, {"C:\\m"}, {}}));
}

TEST(RestartFormat, DamagedFilesAreRefused)
{
    const std::string whole = Format({"PATH", "S-1-5-18", 0, {"C:\\m", "C:\\n"}, {"U"}});
    const std::string head = "Velkor Editor restart 1\r\nname 1:P\r\naccount 0:\r\n";
    const struct {
        const char *what;
        std::string text;
    } cases[] = {
        {"empty", ""},
        {"cut short", whole.substr(0, whole.size() - 3)},
        {"cut inside a row", whole.substr(0, whole.find("C:\\n") + 2)},
        {"something after the end", whole + "x"},
        {"another first line", "Velkor Editor restart 2" + whole.substr(whole.find("\r\n"))},
        {"no account", "Velkor Editor restart 1\r\nname 1:P\r\npending 0\r\nmachine 0\r\nuser 0\r\nend\r\n"},
        {"a row longer than counted", head + "pending 0\r\nmachine 1\r\n3:C:\\m\r\nuser 0\r\nend\r\n"},
        {"more rows counted than there are", head + "pending 0\r\nmachine 999999999\r\n4:C:\\m\r\nuser 0\r\nend\r\n"},
        {"no name", "Velkor Editor restart 1\r\nname 0:\r\naccount 0:\r\npending 0\r\nmachine 0\r\nuser 0\r\nend\r\n"},
        {"a zero in a row", head + "pending 0\r\nmachine 1\r\n" + std::string("1:\0\r\n", 5) + "user 0\r\nend\r\n"},
        {"pending neither 0 nor 1", head + "pending 2\r\nmachine 0\r\nuser 0\r\nend\r\n"},
        {"sections swapped", head + "pending 0\r\nuser 0\r\nmachine 0\r\nend\r\n"},
        {"a count with a leading zero", head + "pending 0\r\nmachine 01\r\n1:x\r\nuser 0\r\nend\r\n"},
        {"UTF-16", std::string("V\0e\0", 4)},
    };
    Rows rows;
    ASSERT_TRUE(Parse(whole, &rows));
    ASSERT_TRUE(Parse(head + "pending 0\r\nmachine 0\r\nuser 0\r\nend\r\n", &rows));
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(Parse(c.text, &rows));
    }
}
