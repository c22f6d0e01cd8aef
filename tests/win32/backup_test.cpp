/* The Backup command, driven as the user drives it, against the real registry of the test prefix
   (values of the tests' own names), and read back by the system's own registry editor. */
#include "app_fixture.h"
#include "output_support.h"
#include "output/backup.h"
#include "output/export.h"

#include <vector>

namespace {

const char kVar[] = "VELKOR_TEST_OUT";
const std::string kUserKeyLine = "\r\n[" USER_ENV_KEY "]\r\n";
const std::string kMachineKeyLine = "\r\n[" MACHINE_ENV_KEY "]\r\n";

/* REG_SZ values: the type that a quoted string carries. */
void SetUser(const std::string &value)
{
    ASSERT_TRUE(SetEnvText(HKEY_CURRENT_USER, g_varName, value, REG_SZ));
}

void SetMachine(const std::string &value)
{
    ASSERT_TRUE(SetEnvText(HKEY_LOCAL_MACHINE, g_varName, value, REG_SZ));
}

void DeleteValues(const char *name) { DeleteEnvValues(name); }

/* The entry line of a value: "NAME"="escaped value". */
std::string EntryLine(const std::string &name, const std::string &escaped)
{
    return "\"" + name + "\"=\"" + escaped + "\"\r\n";
}

class BackupCommand : public AppTest {
protected:
    void SetUp() override
    {
        ClearLastPath();
        strcpy(g_varName, kVar);
        DeleteValues(kVar);
        savedMainWnd_ = g_hMainWnd;
        g_hMainWnd = NULL;   /* no list, no retrieve: the backup reads the registry alone */
        dir_ = TempDir();
    }

    void TearDown() override { g_hMainWnd = savedMainWnd_; }

    /* Runs the backup, saving to path; returns the bytes of the file. The given number of
       message boxes after the save dialog are answered with OK; every dialog is kept in seen_. */
    std::string BackupTo(const std::string &path, SaveDialogSeen *dialog = nullptr, int messages = 0)
    {
        DialogAnswerer answerer;
        QueueSaveAs(answerer, path, dialog);
        for (int i = 0; i < messages; i++)
            answerer.QueueClick(IDOK);
        BackupRegistryValues();
        EXPECT_EQ(0, answerer.Unexpected());
        EXPECT_EQ(0u, answerer.Pending());
        seen_ = answerer.Seen();
        return ReadWholeFile(path);
    }

    std::string dir_;
    std::vector<SeenDialog> seen_;
    HWND savedMainWnd_ = NULL;
};

} // namespace

TEST_F(BackupCommand, WritesUserBlockThenMachineBlockWithTheValuesEscaped)
{
    SetUser("C:\\Tools;\"D:\\My Tools\\bin\"");
    SetMachine("%SystemRoot%\\system32;%SystemRoot%");
    EXPECT_EQ("REGEDIT4\r\n" + kUserKeyLine + EntryLine(kVar, "C:\\\\Tools;\\\"D:\\\\My Tools\\\\bin\\\"") +
                  kMachineKeyLine + EntryLine(kVar, "%SystemRoot%\\\\system32;%SystemRoot%"),
              BackupTo(dir_ + "\\both.reg"));
    EXPECT_EQ(1u, seen_.size());
}

TEST_F(BackupCommand, ProposesRegFileAndSharesTheFolderWithExport)
{
    SaveDialogSeen first;
    BackupTo(dir_ + "\\first.reg", &first);
    EXPECT_EQ(std::string(kVar) + ".reg", first.fileField);
    EXPECT_EQ(dir_, ReadLastPath());

    std::string other = TempDir();
    SaveDialogSeen second;
    BackupTo(other + "\\second.reg", &second);
    EXPECT_EQ(dir_ + "\\" + kVar + ".reg", second.filePath);
    EXPECT_EQ(other, ReadLastPath());

    DialogAnswerer answerer;
    SaveDialogSeen exportProposal;
    QueueSaveCancel(answerer, &exportProposal);
    ExportList();
    EXPECT_EQ(other + "\\" + kVar + ".txt", exportProposal.filePath);
}

TEST_F(BackupCommand, NameTypedWithoutExtensionGetsReg)
{
    BackupTo(dir_ + "\\plain");
    EXPECT_EQ("REGEDIT4\r\n", ReadWholeFile(dir_ + "\\plain.reg"));
    EXPECT_FALSE(FileExists(dir_ + "\\plain"));
}

TEST_F(BackupCommand, NeitherValueGivesTheHeaderLineAlone)
{
    std::string file = BackupTo(dir_ + "\\none.reg");
    EXPECT_EQ("REGEDIT4\r\n", file);
    EXPECT_EQ(10u, file.size());
}

/* A value that does not exist leaves its block out; an empty one is kept, so that the import
   gives it back. */
TEST_F(BackupCommand, MissingValueLeavesItsBlockOutAndEmptyOneIsKept)
{
    SetMachine("m");
    EXPECT_EQ("REGEDIT4\r\n" + kMachineKeyLine + EntryLine(kVar, "m"), BackupTo(dir_ + "\\machine.reg"));
    SetUser("");
    EXPECT_EQ("REGEDIT4\r\n" + kUserKeyLine + EntryLine(kVar, "") + kMachineKeyLine + EntryLine(kVar, "m"),
              BackupTo(dir_ + "\\machine2.reg"));
    DeleteValues(kVar);
    SetUser("u");
    EXPECT_EQ("REGEDIT4\r\n" + kUserKeyLine + EntryLine(kVar, "u"), BackupTo(dir_ + "\\user.reg"));
    EXPECT_EQ(1u, seen_.size());   /* nothing to report */
}

TEST_F(BackupCommand, UnreadableUserValueShowsOneMessageAndKeepsMachineBlock)
{
    SetMachine("C:\\m");
    SetUser("kept");   /* goes with the key, and must come back with it */
    std::string file;
    SavedKey userKey(HKEY_CURRENT_USER, kUserSubkey);
    ASSERT_TRUE(userKey.Remove());
    file = BackupTo(dir_ + "\\nouser.reg", nullptr, 1);
    ASSERT_TRUE(userKey.Restore());
    EXPECT_EQ("REGEDIT4\r\n" + kMachineKeyLine + EntryLine(kVar, "C:\\\\m"), file);
    ASSERT_EQ(2u, seen_.size());
    EXPECT_EQ(SystemText(ERROR_FILE_NOT_FOUND), seen_[1].text);
    EXPECT_EQ(APP_TITLE, seen_[1].caption);
    EXPECT_EQ(MB_ICONERROR, seen_[1].icon);
    EXPECT_EQ(dir_, ReadLastPath());   /* the file was written whole */
    std::string bytes;
    DWORD type;
    EXPECT_TRUE(GetRawValue(HKEY_CURRENT_USER, kUserSubkey, kVar, &type, &bytes));
    EXPECT_EQ(std::string("kept", 5), bytes);
}
