#include <gtest/gtest.h>

#include "entries/findings.h"

#include <algorithm>
#include <ctype.h>
#include <map>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

namespace {

char *Copy(const std::string &text)
{
    char *copy = (char *)malloc(text.size() + 1);
    memcpy(copy, text.c_str(), text.size() + 1);
    return copy;
}

const std::string kLong = "C:\\" + std::string(19997, 'x');   /* 20,000 characters */

/* The program's environment: a reference to anything else stays as it is, and its closing '%'
   may open the next one, as the system's expansion does. */
char *Expand(void *, const char *text)
{
    static const std::map<std::string, std::string> env = {{"DIR", "C:\\dir"}, {"LONG", kLong}, {"EMPTY", ""}};
    std::string out;
    for (const char *p = text; *p;) {
        const char *close = *p == '%' ? strchr(p + 1, '%') : NULL;
        if (close == NULL) {
            out += *p++;
            continue;
        }
        auto found = env.find(std::string(p + 1, close));
        if (found != env.end()) {
            out += found->second;
            p = close + 1;
        } else {
            out += std::string(p, close);
            p = close;
        }
    }
    return Copy(out);
}

/* Everything exists but what is empty, says "missing" (in lower case: the test tells case) or holds
   a quote, which no file name can. */
int g_existsAsked;

int Exists(void *, const char *path)
{
    g_existsAsked++;
    return path[0] != '\0' && !strstr(path, "missing") && !strchr(path, '"');
}

size_t Units(void *, const char *text) { return strlen(text); }

char *Fold(void *, const char *text)
{
    std::string folded(text);
    for (char &c : folded)
        c = (char)toupper((unsigned char)c);
    return Copy(folded);
}

void Found(void *context, int row, const char *problem)
{
    static_cast<std::vector<std::pair<int, std::string>> *>(context)->push_back({row, problem});
}

/* Both Environment keys of the machine the cases run on. */
const CheckVariable kVariables[] = {
    {"MSZ", 1, 0}, {"MEXP", 1, 1}, {"DIR", 1, 0}, {"LONG", 1, 0}, {"EMPTY", 1, 0},
    {"BOTH", 1, 0}, {"BOTH", 0, 1}, {"USZ", 0, 0}, {"UEXP", 0, 1},
    {"PATH", 1, 0},   /* as REG_SZ: yet the program writes the value it edits as REG_EXPAND_SZ */
};

/* Checks the rows ('#' marks a header) as the report does; the findings as "row: problem", in
   the list's order (the too-long ones, reported at the end, go after their row's others). */
std::vector<std::string> Findings(const char *varName, const std::vector<std::string> &rows)
{
    std::vector<std::pair<int, std::string>> found;
    CheckCallbacks callbacks = {&found, Expand, Exists, Units, Fold, Found};
    CheckRun *run = StartCheck(varName, kVariables, sizeof kVariables / sizeof kVariables[0], &callbacks);
    EXPECT_TRUE(run != NULL);
    if (run == NULL)
        return {};
    for (size_t i = 0; i < rows.size(); i++) {
        bool header = !rows[i].empty() && rows[i][0] == '#';
        EXPECT_EQ(1, CheckRow(run, (int)i, header ? NULL : rows[i].c_str(), header));
    }
    EXPECT_EQ(1, FinishCheck(run));
    EndCheck(run);
    std::stable_sort(found.begin(), found.end(),
                     [](const std::pair<int, std::string> &a, const std::pair<int, std::string> &b) { return a.first < b.first; });
    std::vector<std::string> lines;
    for (const auto &f : found)
        lines.push_back(std::to_string(f.first) + ": " + f.second);
    return lines;
}

#define EMPTY_ELEMENT "empty element (some programs read it as the current folder)"
#define FOR_MACHINE "it would have to be a machine variable of type REG_SZ"
#define FOR_USER "it would have to be a machine variable, or a user variable of type REG_SZ"

const std::string k32767 = "C:\\" + std::string(32764, 'x');

} // namespace

TEST(Findings, FindsEachKindInTheListsOrder)
{
    const struct {
        const char *what, *varName;
        std::vector<std::string> rows;
        std::vector<std::string> findings;
    } cases[] = {
        {"the row's own problems", "PATH",
         {"#M", "C:\\dir", "C:\\missing", "c:/DIR\\", "\"C:\\dir\"", "", "   ", ";C:\\other", ";", "C:\\a\"b",
          "%DIR%", "C:\\", "c:/", "C:", "#U", "C:\\DIR", "%EMPTY%", "\"C:\\missing", ";C:\\other\\\\", "C:\\MISSING"},
         {"2: does not exist",
          "3: same folder as the earlier row C:\\dir",
          "4: same folder as the earlier row C:\\dir",
          "5: " EMPTY_ELEMENT,
          "6: " EMPTY_ELEMENT,
          "7: " EMPTY_ELEMENT,
          "8: " EMPTY_ELEMENT,
          "9: does not exist",
          "9: odd number of double quotes",
          "10: same folder as the earlier row C:\\dir",
          "12: same folder as the earlier row C:\\",
          "15: same folder as the earlier row C:\\dir",
          "16: does not exist",
          "17: does not exist",
          "17: odd number of double quotes",
          "18: same folder as the earlier row ;C:\\other",
          "18: " EMPTY_ELEMENT,
          "19: same folder as the earlier row C:\\missing"}},
        {"references Windows cannot expand at log-on", "PATH",
         {"#M", "%SystemRoot%\\a", "%msz%\\b", "%MEXP%\\c", "%ProgramFiles%\\d", "%BOTH%\\e", "%PATH%\\f",
          "%NOPE%MEXP%", "%MSZ%NOPE%", "%%g", "#U", "%MEXP%\\h", "%USERPROFILE%\\i", "%USZ%\\j", "%UEXP%\\k",
          "%USERNAME%\\l", "%Path%\\m", "%Nope%\\n", "#", "%NOPE%\\o"},
         {"3: %MEXP% is not known at log-on: " FOR_MACHINE,
          "4: %ProgramFiles% is not known at log-on: " FOR_MACHINE,
          "6: %PATH% is not known at log-on: " FOR_MACHINE,
          "7: %NOPE% is defined nowhere: " FOR_MACHINE,
          "7: %MEXP% is not known at log-on: " FOR_MACHINE,
          "14: %UEXP% is not known at log-on: " FOR_USER,
          "15: %USERNAME% is not known at log-on: " FOR_USER,
          "17: %Nope% is defined nowhere: " FOR_USER}},
        {"the value itself, with an empty machine section", "PATH",
         {"#M", "#U", "%PATH%\\bin"},
         {"2: %PATH% is not known at log-on: " FOR_USER}},
        {"another variable may use PATH", "LIB", {"#M", "%PATH%\\lib", "#U"}, {}},
        {"a variable that Windows sets stays known while edited", "SystemRoot", {"#M", "%SYSTEMROOT%\\x", "#U"}, {}},
        {"PATH at the limit", "PATH", {"#M", k32767, "#U"}, {}},
        {"PATH over it with the user value", "PATH", {"#M", k32767, "#U", "y"},
         {"3: the machine and the user value together are 32769 characters long expanded, more than 32767"}},
        {"PATH over it with the machine value alone", "PATH", {"#M", "%LONG%", "%LONG%\\y", "#U", "y"},
         {"1: the machine and the user value together are 40005 characters long expanded, more than 32767"}},
        {"PATH over it in the user value alone", "PATH", {"#M", "#U", "%LONG%", "%LONG%\\y"},
         {"2: the user value is 40003 characters long expanded, more than 32767"}},
        {"another variable's machine value", "LIB", {"#M", "%LONG%", "%LONG%\\y", "#U"},
         {"1: the machine value is 40003 characters long expanded, more than 32767"}},
        {"another variable's user value takes its place", "LIB", {"#M", "%LONG%", "%LONG%\\y", "#U", "y"}, {}},
        {"another variable's user value", "LIB", {"#M", "#U", ";%LONG%", "%LONG%\\y"},
         {"2: " EMPTY_ELEMENT, "2: the user value is 40004 characters long expanded, more than 32767"}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.findings, Findings(c.varName, c.rows)) << c.what;
}

TEST(Findings, SummaryCountsProblemsAndRows)
{
    const struct {
        int state, problems, done, rows;
        const char *summary;
    } cases[] = {
        {CHECK_DONE, 3, 42, 42, "3 problems in 42 rows"},
        {CHECK_DONE, 1, 1, 1, "1 problem in 1 row"},
        {CHECK_DONE, 0, 42, 42, "No problems in 42 rows"},
        {CHECK_RUNNING, 0, 3, 42, "Checking: 3 of 42 rows"},
        {CHECK_STOPPED, 2, 10, 42, "Stopped: 2 problems in 10 of 42 rows"},
    };
    for (const auto &c : cases) {
        char summary[128];
        FormatCheckSummary(summary, sizeof summary, c.state, c.problems, c.done, c.rows);
        EXPECT_STREQ(c.summary, summary);
    }
}

/* A path exactly as an earlier row's is asked once (a share that does not answer costs its wait
   once), unless every row's path is to be asked, as the list's marks ask them. */
TEST(Findings, ARepeatedPathIsAskedOnceUnlessEveryPathIsAsked)
{
    const char *const rows[] = {"C:\\dir", "C:\\dir", "c:\\DIR", "C:\\missing", "C:\\missing"};
    for (int every : {0, 1}) {
        std::vector<std::pair<int, std::string>> found;
        CheckCallbacks callbacks = {&found, Expand, Exists, Units, Fold, Found};
        CheckRun *run = StartCheck("PATH", kVariables, sizeof kVariables / sizeof kVariables[0], &callbacks);
        ASSERT_TRUE(run != NULL);
        AskEveryPath(run, every);
        g_existsAsked = 0;
        for (int i = 0; i < 5; i++)
            EXPECT_EQ(1, CheckRow(run, i, rows[i], 0));
        EndCheck(run);
        EXPECT_EQ(every ? 5 : 3, g_existsAsked) << every;
        EXPECT_EQ(2, std::count_if(found.begin(), found.end(), [](const std::pair<int, std::string> &f) {
                      return f.second == "does not exist";
                  })) << every;
    }
}
