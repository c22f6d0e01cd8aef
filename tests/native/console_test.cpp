#include <gtest/gtest.h>

#include "console/args.h"
#include "console/rows.h"

#include <ctype.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

namespace {

struct ArgsCase {
    std::vector<const char *> argv;
    const char *problem;   /* NULL: parsed */
    int command, sections, first, dryRun;
    const char *name, *file, *elements;   /* the elements joined with '|' */
};

TEST(ConsoleArgs, ParsesTheTable)
{
    const ArgsCase cases[] = {
        {{}, "no command", 0, 0, 0, 0, "", "", ""},
        {{"--help"}, NULL, CMD_HELP, 0, 0, 0, "PATH", "", ""},
        {{"add", "--bogus", "--help"}, NULL, CMD_HELP, 0, 0, 0, "PATH", "", ""},
        {{"show"}, NULL, CMD_SHOW, 0, 0, 0, "PATH", "", ""},
        {{"check", "LIB"}, NULL, CMD_CHECK, 0, 0, 0, "LIB", "", ""},
        {{"show", "A", "B"}, "too many arguments", 0, 0, 0, 0, "", "", ""},
        {{"add", "PATH", "C:\\a", "C:\\b"}, NULL, CMD_ADD, IN_USER, 0, 0, "PATH", "", "C:\\a|C:\\b"},
        {{"add", "--machine", "--first", "P", "x"}, NULL, CMD_ADD, IN_MACHINE, 1, 0, "P", "", "x"},
        {{"add", "P", "x", "--dry-run"}, NULL, CMD_ADD, IN_USER, 0, 1, "P", "", "x"},
        {{"add", "--", "P", "--x"}, NULL, CMD_ADD, IN_USER, 0, 0, "P", "", "--x"},
        {{"add", "--both", "P", "x"}, "not --both", 0, 0, 0, 0, "", "", ""},
        {{"add", "P"}, "missing arguments", 0, 0, 0, 0, "", "", ""},
        {{"add", "P", ""}, "an empty ELEMENT", 0, 0, 0, 0, "", "", ""},
        {{"add", "", "x"}, "an empty NAME", 0, 0, 0, 0, "", "", ""},
        {{"remove", "P", "x"}, NULL, CMD_REMOVE, IN_BOTH, 0, 0, "P", "", "x"},
        {{"remove", "--user", "P", "x", "y"}, NULL, CMD_REMOVE, IN_USER, 0, 0, "P", "", "x|y"},
        {{"remove", "--user", "--machine", "P", "x"}, "only one of", 0, 0, 0, 0, "", "", ""},
        {{"remove", "--first", "P", "x"}, "--first goes with add only", 0, 0, 0, 0, "", "", ""},
        {{"backup", "P", "f.reg"}, NULL, CMD_BACKUP, 0, 0, 0, "P", "f.reg", ""},
        {{"export", "P"}, "missing arguments", 0, 0, 0, 0, "", "", ""},
        {{"export", "--dry-run", "P", "f"}, "go with add and remove only", 0, 0, 0, 0, "", "", ""},
        {{"show", "--user"}, "go with add and remove only", 0, 0, 0, 0, "", "", ""},
        {{"notify"}, NULL, CMD_NOTIFY, 0, 0, 0, "PATH", "", ""},
        {{"notify", "x"}, "too many arguments", 0, 0, 0, 0, "", "", ""},
        {{"list"}, "unknown command", 0, 0, 0, 0, "", "", ""},
        {{"show", "--verbose"}, "unknown option", 0, 0, 0, 0, "", "", ""},
    };
    for (const ArgsCase &c : cases) {
        std::vector<const char *> positional(c.argv.size() + 1);
        ConsoleArgs args;
        const char *problem = ParseConsoleArgs((int)c.argv.size(), c.argv.data(), positional.data(), &args);
        std::string line;
        for (const char *arg : c.argv)
            line += std::string(arg) + " ";
        SCOPED_TRACE(line);
        if (c.problem) {
            ASSERT_NE(nullptr, problem);
            EXPECT_NE(nullptr, strstr(problem, c.problem)) << problem;
            continue;
        }
        ASSERT_EQ(nullptr, problem) << problem;
        EXPECT_EQ(c.command, args.command);
        EXPECT_EQ(c.sections, args.sections);
        EXPECT_EQ(c.first, args.first);
        EXPECT_EQ(c.dryRun, args.dryRun);
        EXPECT_STREQ(c.name, args.name);
        EXPECT_STREQ(c.file, args.file ? args.file : "");
        std::string elements;
        for (int i = 0; i < args.elementCount; i++)
            elements += (i ? "|" : "") + std::string(args.elements[i]);
        EXPECT_EQ(c.elements, elements);
    }
}

/* Upper case of ASCII and of the two Cyrillic letters that the table uses (UTF-8). */
char *Fold(void *, const char *text)
{
    std::string folded(text);
    for (char &c : folded)
        c = (char)toupper((unsigned char)c);
    for (size_t at; (at = folded.find("\xd0\xb6")) != std::string::npos;)   /* ж as Ж */
        folded.replace(at, 2, "\xd0\x96");
    char *copy = (char *)malloc(folded.size() + 1);
    memcpy(copy, folded.c_str(), folded.size() + 1);
    return copy;
}

struct EditCase {
    const char *value;
    bool add, first;
    std::vector<const char *> elements;
    const char *result;   /* NULL: nothing changes */
    int changed;
    int unsafe;
};

/* The element comparison and the edits that rest on it: a row that names the element as Check all
   compares folders is the element; every other row keeps its bytes. */
TEST(ConsoleRows, AddsAndRemovesByTheFolderKey)
{
    const EditCase cases[] = {
        {"C:\\a;C:\\b", true, false, {"c:\\A"}, NULL, 0, -1},
        {"C:\\a;C:\\b", true, false, {"C:/a/"}, NULL, 0, -1},
        {"C:\\a;C:\\b", true, false, {"\"C:\\a\\\\\""}, NULL, 0, -1},
        {"\"C:\\a\";C:\\b", true, false, {"C:\\A"}, NULL, 0, -1},
        {"C:\\\xd0\xb6;x", true, false, {"c:\\\xd0\x96"}, NULL, 0, -1},
        {"C:\\a;C:\\b", true, false, {"C:\\c"}, "C:\\a;C:\\b;C:\\c", 1, -1},
        {"C:\\a;C:\\b", true, true, {"C:\\c", "C:\\d"}, "C:\\c;C:\\d;C:\\a;C:\\b", 2, -1},
        {"C:\\a", true, false, {"C:\\c", "c:\\C\\"}, "C:\\a;C:\\c", 1, -1},
        {"", true, false, {"C:\\c"}, "C:\\c", 1, -1},
        {"C:\\a", true, false, {"C:\\b;c"}, "C:\\a;\"C:\\b;c\"", 1, -1},
        {"C:\\a", true, false, {"C:\\\"b;c"}, NULL, 0, 0},
        {"C:\\a;\"open", true, false, {"C:\\c"}, NULL, 0, 1},
        {"C:\\",  true, false, {"C:"}, "C:\\;C:", 1, -1},
        {"C:\\a;;x;  ;%DIR%\\bin", true, false, {"y"}, "C:\\a;;x;  ;%DIR%\\bin;y", 1, -1},
        {"C:\\a;c:/A/;C:\\b", false, false, {"C:\\a"}, "C:\\b", 2, -1},
        {"C:\\a;;C:\\b", false, false, {"c:\\b\\"}, "C:\\a", 1, -1},
        {"C:\\a;\"C:\\b;c\";d", false, false, {"C:\\b;c"}, "C:\\a;d", 1, -1},
        {"C:\\a", false, false, {"C:\\a"}, "", 1, -1},
        {"C:\\a", false, false, {"C:\\z"}, NULL, 0, -1},
        {"C:\\a;  ;x", false, false, {"  "}, NULL, 0, -1},
    };
    for (const EditCase &c : cases) {
        SCOPED_TRACE(std::string(c.value) + (c.add ? " + " : " - ") + c.elements[0]);
        std::string value(c.value);
        RowList list;
        RowEdit edit;
        ASSERT_EQ(1, SplitRows(&value[0], &list));
        int elementCount = (int)c.elements.size();
        ASSERT_EQ(1, c.add ? AddElements(&list, c.elements.data(), elementCount, c.first, Fold, NULL, &edit)
                           : RemoveElements(&list, c.elements.data(), elementCount, Fold, NULL, &edit));
        EXPECT_STREQ(c.result, edit.value);
        EXPECT_EQ(c.changed, edit.changed);
        EXPECT_EQ(c.unsafe, edit.unsafe);
        free(edit.value);
        ReleaseRows(&list);
    }
}

}  // namespace
