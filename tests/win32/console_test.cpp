/* The real velkorc.exe, run as a script runs it: its arguments in UTF-16, its output through a
   pipe, its exit code; the registry, the snapshots and the History records read back after each
   step. */
#include "e2e_support.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char kVar[] = "VelkorcTest";
const std::string kMulti("a\0b\0", 4);

struct Step {
    HKEY root;                  /* the value that the step arranges and checks */
    const char *arrange;        /* stored first (UTF-8) with arrangeType; NULL: as the last step left it */
    DWORD arrangeType;
    std::vector<std::string> args;
    int exitCode;
    std::string stored;         /* the value afterwards, "<absent>" for none */
    DWORD storedType;
    size_t snapshots;           /* taken by the step */
    const char *out, *err;      /* each found in the step's standard output and error */
    bool denyChanges;           /* the key refuses changes, as for a standard user */
};

std::string Stored(HKEY root, DWORD *type)
{
    std::string text;
    *type = 0;
    return GetWideValue(root, EnvSubkey(root), kVar, type, &text) ? text : "<absent>";
}

class Console : public ::testing::Test {
protected:
    void SetUp() override
    {
        UseNewLocalAppData();   /* velkorc.exe inherits it */
        DeleteEnvValues(kVar);
    }
    void TearDown() override { DeleteEnvValues(kVar); }
};

TEST_F(Console, KeepsTheEditorsPromises)
{
    const HKEY user = HKEY_CURRENT_USER, machine = HKEY_LOCAL_MACHINE;
    const std::string quoted = "C:\\a;\"C:\\b;c\"";
    const std::string chinese = "C:\\\xe4\xb8\xad\xe6\x96\x87;x";   /* C:\中文;x */
    const Step steps[] = {
        {user, "C:\\a", REG_SZ, {"add", kVar, "C:\\b;c", "D:\\x"}, 0, quoted + ";D:\\x", REG_EXPAND_SZ, 1,
         "Current User: 2 elements added", "", false},
        {user, NULL, 0, {"add", kVar, "c:/B;C", "d:\\X\\"}, 0, quoted + ";D:\\x", REG_EXPAND_SZ, 0,
         "Nothing to do", "", false},
        {user, NULL, 0, {"remove", "--user", kVar, "D:\\x"}, 0, quoted, REG_EXPAND_SZ, 1, "1 row removed", "", false},
        {user, NULL, 0, {"add", "--dry-run", "--first", kVar, "E:\\new"}, 0, quoted, REG_EXPAND_SZ, 0,
         "\r\nE:\\new;C:\\a;\"C:\\b;c\"\r\n", "", false},
        {user, kMulti.c_str(), REG_MULTI_SZ, {"add", kVar, "x"}, 5, kMulti, REG_MULTI_SZ, 0, "", "REG_MULTI_SZ", false},
        {user, "C:\\a", REG_EXPAND_SZ, {"add", "A=B", "x"}, 5, "C:\\a", REG_EXPAND_SZ, 0, "", "\"=\"", false},
        {user, "C:\\windows;C:\\velkorc-missing", REG_EXPAND_SZ, {"check", kVar}, 1,
         "C:\\windows;C:\\velkorc-missing", REG_EXPAND_SZ, 0, "C:\\velkorc-missing\tdoes not exist\r\n1 problem in 2 rows", "", false},
        {user, "C:\\windows", REG_EXPAND_SZ, {"check", kVar}, 0, "C:\\windows", REG_EXPAND_SZ, 0,
         "No problems in 1 row", "", false},
        {user, chinese.c_str(), REG_EXPAND_SZ, {"show", kVar}, 0, chinese, REG_EXPAND_SZ, 0,
         "Current User >==----------\r\nC:\\\xe4\xb8\xad\xe6\x96\x87\r\nx\r\n", "", false},
        {user, "C:\\a", REG_EXPAND_SZ, {"remove", kVar, "c:\\A\\"}, 0, "<absent>", 0, 1, "1 row removed", "", false},
        {user, NULL, 0, {"add", kVar}, 2, "<absent>", 0, 0, "", "Usage: velkorc", false},
        {machine, NULL, 0, {"add", "--machine", "--notify", kVar, "C:\\m"}, 0, "C:\\m", REG_EXPAND_SZ, 1,
         "Local Machine: 1 element added", "", false},
        {machine, NULL, 0, {"add", "--machine", kVar, "C:\\n"}, 4, "C:\\m", REG_EXPAND_SZ, 1, "", "", true},
    };
    for (const Step &step : steps) {
        std::string line;
        for (const std::string &arg : step.args)
            line += arg + " ";
        SCOPED_TRACE(line);
        if (step.arrange) {
            ASSERT_TRUE(SetWideValue(step.root, EnvSubkey(step.root), kVar, step.arrangeType,
                                     step.arrangeType == REG_MULTI_SZ ? kMulti : std::string(step.arrange)));
        }
        size_t before = SnapshotFiles().size(), recordsBefore = SnapshotFiles("*.history").size();
        SavedKey key(step.root, EnvSubkey(step.root));
        if (step.denyChanges) {
            ASSERT_TRUE(key.DenyChanges());
        }
        std::string out, err;
        int code = RunConsoleProgram(step.args, &out, &err);
        if (step.denyChanges) {
            ASSERT_TRUE(key.Restore());
        }
        EXPECT_EQ(step.exitCode, code) << out << err;
        DWORD type = 0;
        EXPECT_EQ(step.stored, Stored(step.root, &type));
        EXPECT_EQ(step.storedType, type);
        EXPECT_EQ(step.snapshots, SnapshotFiles().size() - before);
        /* A write that went through is in the editor's History too. */
        EXPECT_EQ(step.exitCode == 0 ? step.snapshots : 0, SnapshotFiles("*.history").size() - recordsBefore);
        EXPECT_NE(std::string::npos, out.find(step.out)) << out;
        EXPECT_NE(std::string::npos, err.find(step.err)) << err;
        if (step.denyChanges) {
            std::string denied = SystemText(ERROR_ACCESS_DENIED);
            EXPECT_NE(std::string::npos, err.find(denied.substr(0, denied.find_first_of("\r\n")))) << err;
        }
    }
}

}  // namespace
