#include <gtest/gtest.h>

#include "entries/rowdiff.h"
#include "output/historyformat.h"
#include "registry/changetext.h"

#include <stdlib.h>
#include <string.h>
#include <string>

namespace {

std::string Take(char *text)
{
    std::string copy(text ? text : "<null>");
    free(text);
    return copy;
}

/* The diff as one line per row: "+a@2", "-b@1", "~c@1>3". */
std::string Describe(const RowDiff &diff)
{
    std::string out;
    for (size_t i = 0; i < diff.count; i++) {
        const DiffRow &row = diff.rows[i];
        std::string text(row.text, row.length);
        if (row.kind == ROW_ADDED)
            out += "+" + text + "@" + std::to_string(row.to) + " ";
        else if (row.kind == ROW_REMOVED)
            out += "-" + text + "@" + std::to_string(row.from) + " ";
        else
            out += "~" + text + "@" + std::to_string(row.from) + ">" + std::to_string(row.to) + " ";
    }
    return out;
}

}  // namespace

TEST(RowDiff, AddedRemovedMoved)
{
    const struct {
        const char *before, *after, *expected;
    } cases[] = {
        {"", "", ""},
        {"a;b;c", "a;b;c", ""},
        {"", "a;b", "+a@1 +b@2 "},
        {"a;b", "", "-a@1 -b@2 "},
        {"a;b;c", "a;x;c", "+x@2 -b@2 "},
        {"a;b;c;d", "d;a;b;c", "~d@4>1 "},           /* one row moved, not three */
        {"a;b;c;d", "a;c;b;d", "~c@3>2 "},
        {"a;b;a;c", "a;b;c", "-a@3 "},               /* repeated rows: occurrence by occurrence */
        {"a;b;c", "a;b;c;a", "+a@4 "},
        {"a;a;a", "a;a", "-a@3 "},
        {"\"C:\\x;y\";b", "b;\"C:\\x;y\"", "~b@2>1 "},   /* a quoted row with ';' is one row */
        {"\"C:\\x\";b", "C:\\x;b", "+C:\\x@1 -\"C:\\x\"@1 "},
        {"a;b;", "a;b", ""},                         /* an empty end is no row */
        {"A;b", "a;b", "+a@1 -A@1 "},                /* rows compare exactly */
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.before) + " -> " + c.after);
        RowDiff diff;
        ASSERT_TRUE(DiffValues(c.before, c.after, &diff));
        EXPECT_EQ(c.expected, Describe(diff));
        ReleaseRowDiff(&diff);
    }
}

TEST(RowDiff, LinesAreCutAfterTheLimit)
{
    RowDiff diff;
    ASSERT_TRUE(DiffValues("o;p;q", "p;o;n1;n2;n3", &diff));
    EXPECT_EQ("+ n1\r\n+ n2\r\n... and 1 more\r\n- q\r\nmoved p (from 2 to 1)\r\n",
              Take(ComposeChangeLines(&diff, 2, 1)));
    EXPECT_EQ("+ n1\r\n+ n2\r\n+ n3\r\n- q\r\nmoved p\r\n", Take(ComposeChangeLines(&diff, 0, 0)));
    ReleaseRowDiff(&diff);
}

namespace {

char *ExpandForTest(void *, const char *text)
{
    std::string out(text);
    const std::string refs[][2] = {{"%SystemRoot%", "C:\\Windows"}, {"%JAVA%", "C:\\jdk"}};
    for (const auto &ref : refs) {
        size_t at;
        while ((at = out.find(ref[0])) != std::string::npos)
            out.replace(at, ref[0].size(), ref[1]);
    }
    return strdup(out.c_str());
}

}  // namespace

TEST(RowDiff, DamageSignatures)
{
    const std::string cut(1024, 'x');
    const struct {
        unsigned long typeBefore, typeAfter;
        std::string machineBefore, machineAfter, userBefore, userAfter;
        size_t userUnits;
        int isPath;
        unsigned machine, user;
    } cases[] = {
        {2, 2, "%SystemRoot%\\system32;C:\\m", "%SystemRoot%\\system32;C:\\m", "a", "b", 1, 1, 0, 0},
        {2, 2, "%SystemRoot%\\system32", "%SystemRoot%\\system32", "a", cut, 1024, 1, 0, DAMAGE_CUT},
        {2, 2, "%SystemRoot%\\system32", "%SystemRoot%\\system32", "a", cut, 2047, 1, 0, DAMAGE_CUT},
        {2, 2, "%SystemRoot%\\system32", "%SystemRoot%\\system32", "a", cut, 1023, 1, 0, 0},
        {2, 1, "%SystemRoot%\\system32", "%SystemRoot%\\system32", "a", "a", 1, 1, 0, DAMAGE_TYPE},
        {1, 2, "%SystemRoot%\\system32", "%SystemRoot%\\system32", "a", "a", 1, 1, 0, 0},
        /* the expansion standing where the reference stood: no damage to the system folder */
        {2, 2, "%SystemRoot%\\system32;C:\\m", "C:\\Windows\\system32;C:\\m", "%JAVA%\\bin;u",
         "C:\\jdk\\bin;u", 1, 1, DAMAGE_EXPANDED, DAMAGE_EXPANDED},
        {2, 2, "%SystemRoot%\\system32;C:\\m", "C:\\m", "a", "a", 1, 1, DAMAGE_SYSTEM32, 0},
        {2, 2, "C:\\Windows\\system32;C:\\m", "C:\\m", "a", "a", 1, 1, DAMAGE_SYSTEM32, 0},
        {2, 2, "%SystemRoot%\\system32;C:\\m", "C:\\m", "a", "a", 1, 0, 0, 0},   /* not PATH */
        {2, 2, "s;m1;m2", "s;m1;m2", "u", "s;m1;m2;u", 1, 0, 0, DAMAGE_MERGED},
        {2, 2, "s;m1;m2", "s;m1;m2", "s;m1;m2;u", "s;m1;m2;v", 1, 0, 0, 0},   /* merged before */
        {2, 2, "s;m1;m2", "s;m1;m2", "u", "s;u", 1, 0, 0, 0},                 /* a third only */
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.machineAfter + " | " + c.userAfter);
        DamageSide before[2] = {{1, 2, c.machineBefore.c_str(), c.machineBefore.size()},
                                {1, c.typeBefore, c.userBefore.c_str(), c.userBefore.size()}};
        DamageSide after[2] = {{1, 2, c.machineAfter.c_str(), c.machineAfter.size()},
                               {1, c.typeAfter, c.userAfter.c_str(), c.userUnits}};
        unsigned found[2] = {99, 99};
        ASSERT_TRUE(FindDamage(before, after, c.isPath, ExpandForTest, NULL, found));
        EXPECT_EQ(c.machine, found[0]);
        EXPECT_EQ(c.user, found[1]);
    }
}

TEST(RowDiff, ChangeTexts)
{
    RowDiff machine, user;
    ASSERT_TRUE(DiffValues("a;b;c;d", "x;a;d;c", &machine));
    ASSERT_TRUE(DiffValues("u", "u", &user));
    const SectionChange change[2] = {{&machine, 2, 2}, {&user, 1, 2}};
    const SectionChange left[2] = {{&machine, 0, 2}, {NULL, 1, 2}};
    EXPECT_EQ("\r\n\r\nLocal Machine: 1 added, 1 removed, 1 moved\r\n+ x\r\n- b\r\nmoved d"
              "\r\nCurrent User: unchanged\r\nYes writes it as REG_EXPAND_SZ instead of REG_SZ: "
              "each %NAME% in it will then be expanded.",
              Take(ComposeChangeSummary(change)));
    EXPECT_EQ("\r\n\r\nLocal Machine: 1 added, 1 removed, 1 moved\r\n+ x\r\n- b\r\nmoved d"
              "\r\nCurrent User: left as it is",
              Take(ComposeChangeSummary(left)));
    EXPECT_EQ("2026-12-08 11:24:00   another program   machine +1 -1 moved 1, user type",
              Take(ComposeHistoryLine("2026-12-08 11:24:00", 1, change)));
    EXPECT_EQ("Local Machine: 1 added, 1 removed, 1 moved\r\n+ x\r\n- b\r\nmoved d (from 4 to 3)\r\n"
              "Current User: unchanged\r\ntype changed from REG_SZ to REG_EXPAND_SZ\r\n",
              Take(ComposeHistoryChanges(change)));
    const unsigned damage[2] = {DAMAGE_SYSTEM32, DAMAGE_TYPE | DAMAGE_CUT};
    const size_t units[2] = {3, 2047};
    std::string text = Take(ComposeOutsideChangeText("PATH", "2026-12-08 11:24:00", 0, change, damage, units));
    EXPECT_EQ(0u, text.find("Another program has changed the environment variable \"PATH\" since "
                            "Velkor Editor last wrote it, on 2026-12-08 11:24:00:\r\n\r\nLocal Machine: "));
    EXPECT_NE(std::string::npos, text.find("exactly 2,047 characters"));
    EXPECT_NE(std::string::npos, text.find("REG_SZ instead of REG_EXPAND_SZ"));
    EXPECT_NE(std::string::npos, text.find("%SystemRoot%\\system32 is gone"));
    EXPECT_NE(std::string::npos, text.find("\r\n\r\nFile > History shows this change and can undo it."));
    text = Take(ComposeOutsideChangeText("PATH", "2026-12-08 11:24:00", 1, change, damage, units));
    EXPECT_EQ(0u, text.find("Another program has changed the environment variable \"PATH\" since "
                            "Velkor Editor last found it changed by another program, on 2026-12-08 11:24:00:"));
    ReleaseRowDiff(&machine);
    ReleaseRowDiff(&user);
}

TEST(HistoryRecord, ReadsBackWhatWasWritten)
{
    const unsigned char path[] = {'C', 0, ':', 0, 0, 0};
    const unsigned char odd[] = {0x41, 0, 0, 0, 0x42};   /* text after a zero, odd size */
    HistoryRecord record = {};
    record.byOther = 1;
    record.time = {2026, 12, 8, 11, 24, 5};
    record.before[0] = {SNAPSHOT_VALUE_PRESENT, 2, path, sizeof path, 0};
    record.before[1] = {SNAPSHOT_VALUE_ABSENT, 0, NULL, 0, 0};
    record.after[0] = {SNAPSHOT_KEY_MISSING, 0, NULL, 0, 5};
    record.after[1] = {SNAPSHOT_VALUE_PRESENT, 7, odd, sizeof odd, 0};
    const char *names[] = {"PATH", "Ünïcode name", "a b\tc"};
    for (const char *name : names) {
        SCOPED_TRACE(name);
        size_t length = 0;
        char *text = ComposeHistoryRecord(name, &record, &length);
        ASSERT_NE(nullptr, text);
        HistoryRecord back;
        char *backName = NULL;
        ASSERT_TRUE(ParseHistoryRecord(text, length, &back, &backName));
        EXPECT_STREQ(name, backName);
        EXPECT_EQ(1, back.byOther);
        EXPECT_EQ(5, back.time.second);
        EXPECT_EQ(2u, back.before[0].type);
        ASSERT_EQ(sizeof path, back.before[0].size);
        EXPECT_EQ(0, memcmp(path, back.before[0].bytes, sizeof path));
        EXPECT_EQ(SNAPSHOT_VALUE_ABSENT, back.before[1].state);
        EXPECT_EQ(SNAPSHOT_KEY_MISSING, back.after[0].state);
        EXPECT_EQ(5u, back.after[0].error);
        ASSERT_EQ(sizeof odd, back.after[1].size);
        EXPECT_EQ(0, memcmp(odd, back.after[1].bytes, sizeof odd));
        /* a cut or altered record is no record */
        HistoryRecord broken;
        char *brokenName = NULL;
        EXPECT_FALSE(ParseHistoryRecord(text, length - 1, &broken, &brokenName));
        text[length - 3] = 'x';
        EXPECT_FALSE(ParseHistoryRecord(text, length, &broken, &brokenName));
        free(text);
        free(backName);
        ReleaseHistoryRecord(&back);
    }
}

TEST(HistoryRecord, FileNamesSortNewestFirst)
{
    const SnapshotTime early = {2026, 12, 8, 9, 0, 0}, late = {2026, 12, 8, 10, 0, 0};
    char a[SNAPSHOT_FILE_NAME_SIZE], b[SNAPSHOT_FILE_NAME_SIZE], c[SNAPSHOT_FILE_NAME_SIZE];
    HistoryFileName(a, "PATH", &early, 2);
    HistoryFileName(b, "PATH", &late, 1);
    HistoryFileName(c, "PATH", &early, 10);
    EXPECT_STREQ("PATH-20261208-090000-002.history", a);
    const char *names[] = {a, b, c};
    qsort(names, 3, sizeof names[0], NewestHistoryFirst);
    EXPECT_EQ(b, names[0]);
    EXPECT_EQ(c, names[1]);
    EXPECT_TRUE(IsHistoryFileOf("path-20261208-090000-002.history", "PATH"));
    EXPECT_FALSE(IsHistoryFileOf("PATHX-20261208-090000-002.history", "PATH"));
    EXPECT_FALSE(IsHistoryFileOf("PATH-20261208-090000.reg", "PATH"));
}
