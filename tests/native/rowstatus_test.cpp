#include <gtest/gtest.h>

#include "entries/findings.h"
#include "entries/rowstatus.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace {

/* The variables as log-on defines them: TOOLS twice, the user's taking the place of the
   machine's in user rows. */
const LogOnVariable kVariables[] = {
    {"SystemRoot", "C:\\Windows", GROUP_CORE_SYSTEM},
    {"TOOLS", "D:\\Tools", GROUP_MACHINE_SZ},
    {"MEXP", "E:\\mexp", GROUP_MACHINE_EXPAND},
    {"USERPROFILE", "C:\\Users\\me", GROUP_CORE_USER},
    {"TOOLS", "G:\\user-tools", GROUP_USER_SZ},
    {"UEXP", "H:\\uexp", GROUP_USER_EXPAND},
    {"USERNAME", "me", GROUP_ACCOUNT},
};

const char kNotKnown[] = "%UTOOLS% is not known at log-on: it would have to be a machine variable of type REG_SZ";

/* One row: its section, its text, its path's answer and its other findings (as the check words
   them) give its mark and the status bar's words. */
struct RowCase {
    int user;
    const char *text;
    int pathState;
    std::vector<const char *> others;
    int mark;
    const char *status;
};

const RowCase kRows[] = {
    {0, "%SystemRoot%\\system32", PATH_EXISTS, {}, MARK_NONE, "C:\\Windows\\system32"},
    {0, "C:\\gone", PATH_MISSING, {}, MARK_MISSING, "C:\\gone - does not exist"},
    {0, "%UTOOLS%\\bin", PATH_EXISTS, {kNotKnown}, MARK_PROBLEM, "%UTOOLS%\\bin - %UTOOLS% is not known at log-on: it would have to be a machine variable of type REG_SZ"},
    {0, "%tools%\\x", PATH_WAITING, {}, MARK_NONE, "D:\\Tools\\x"},
    {0, "%MEXP%;%USERPROFILE%", PATH_EXISTS, {}, MARK_NONE, "%MEXP%;%USERPROFILE%"},
    {1, "%TOOLS%\\x", PATH_EXISTS, {}, MARK_NONE, "G:\\user-tools\\x"},
    {1, "%MEXP%\\%USERPROFILE%", PATH_EXISTS, {}, MARK_NONE, "E:\\mexp\\C:\\Users\\me"},
    {1, "%UEXP%;%USERNAME%", PATH_EXISTS, {}, MARK_NONE, "%UEXP%;%USERNAME%"},
    {1, "100%%SystemRoot%%", PATH_EXISTS, {}, MARK_NONE, "100%C:\\Windows%"},
    {1, "C:\\x", PATH_EXISTS, {"same folder as the earlier row c:\\X"}, MARK_PROBLEM, "C:\\x - same folder as the earlier row c:\\X"},
    {1, "C:\\x", PATH_MISSING, {"same folder as the earlier row c:\\X"}, MARK_MISSING, "C:\\x - does not exist; same folder as the earlier row c:\\X"},
    {1, "\"\\\\share\\slow", PATH_NOT_ANSWERING, {"odd number of double quotes"}, MARK_NOT_ANSWERING, "\"\\\\share\\slow - not answering; odd number of double quotes"},
    {1, "", PATH_NONE, {"empty element"}, MARK_PROBLEM, " - empty element"},
};

} // namespace

TEST(RowStatus, MarkWordsAndExpansionOfEachRow)
{
    for (const RowCase &c : kRows) {
        std::vector<const char *> problems;
        if (PathProblem(c.pathState))
            problems.push_back(PathProblem(c.pathState));
        problems.insert(problems.end(), c.others.begin(), c.others.end());
        char *expansion = ExpandAtLogOn(c.text, c.user, kVariables, sizeof kVariables / sizeof kVariables[0]);
        ASSERT_TRUE(expansion != nullptr);
        char *status = FormatRowStatus(expansion, problems.data(), problems.size());
        EXPECT_EQ(c.status, std::string(status)) << c.text;
        EXPECT_EQ(c.mark, RowMark(c.pathState, (int)c.others.size())) << c.text;
        free(status);
        free(expansion);
    }
    char summary[64];
    FormatSectionStatus(summary, sizeof summary, "Local Machine", 12, 2);
    EXPECT_STREQ("Local Machine: 12 rows, 2 problems", summary);
    FormatSectionStatus(summary, sizeof summary, "Current User", 1, 0);
    EXPECT_STREQ("Current User: 1 row, no problems", summary);
}
