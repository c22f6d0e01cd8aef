/* The Backup command, driven as the user drives it, against the real registry of the test prefix
   (values of the tests' own names), and read back by the system's own registry editor. */
#include <gtest/gtest.h>

#include "output_support.h"
#include "output/backup.h"
#include "output/export.h"

#include <utility>
#include <vector>

namespace {

const char kVar[] = "VELKOR_TEST_OUT";
const std::string kUserKeyLine = "\r\n[" USER_ENV_KEY "]\r\n";
const std::string kMachineKeyLine = "\r\n[" MACHINE_ENV_KEY "]\r\n";

void SetUser(const std::string &value, DWORD type = REG_EXPAND_SZ)
{
    ASSERT_TRUE(SetRawValue(HKEY_CURRENT_USER, kUserSubkey, g_varName, type, value.c_str(), (DWORD)value.size() + 1));
}

void SetMachine(const std::string &value, DWORD type = REG_EXPAND_SZ)
{
    ASSERT_TRUE(SetRawValue(HKEY_LOCAL_MACHINE, kMachineSubkey, g_varName, type, value.c_str(), (DWORD)value.size() + 1));
}

void DeleteValues(const char *name)
{
    DeleteRawValue(HKEY_CURRENT_USER, kUserSubkey, name);
    DeleteRawValue(HKEY_LOCAL_MACHINE, kMachineSubkey, name);
}

/* The entry line of a value: "NAME"="escaped value". */
std::string EntryLine(const std::string &name, const std::string &escaped)
{
    return "\"" + name + "\"=\"" + escaped + "\"\r\n";
}

class BackupCommand : public ::testing::Test {
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

    void TearDown() override
    {
        g_hMainWnd = savedMainWnd_;
        DeleteValues(kVar);
        ClearLastPath();
        strcpy(g_varName, "PATH");
    }

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

/* Takes HKEY_CURRENT_USER\Environment away, so that the user value cannot be read at all, and
   puts it back with all its values, whatever happens in between. */
class UserEnvironmentRemoved {
public:
    UserEnvironmentRemoved()
    {
        HKEY key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, kUserSubkey, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return;
        for (DWORD i = 0;; i++) {
            char name[16384];
            DWORD nameSize = sizeof name, type = 0, dataSize = 0;
            if (RegEnumValueA(key, i, name, &nameSize, NULL, &type, NULL, &dataSize) != ERROR_SUCCESS)
                break;
            std::string data(dataSize, '\0');
            nameSize = sizeof name;
            RegEnumValueA(key, i, name, &nameSize, NULL, &type, (BYTE *)&data[0], &dataSize);
            values_.push_back({std::string(name, nameSize), {type, data}});
        }
        RegCloseKey(key);
        removed_ = RegDeleteKeyA(HKEY_CURRENT_USER, kUserSubkey) == ERROR_SUCCESS;
    }

    ~UserEnvironmentRemoved()
    {
        for (const auto &value : values_)
            SetRawValue(HKEY_CURRENT_USER, kUserSubkey, value.first.c_str(), value.second.first,
                        value.second.second.data(), (DWORD)value.second.second.size());
        HKEY key;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, kUserSubkey, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL) == ERROR_SUCCESS)
            RegCloseKey(key);
    }

    bool Removed() const { return removed_; }

private:
    std::vector<std::pair<std::string, std::pair<DWORD, std::string>>> values_;
    bool removed_ = false;
};

} // namespace

TEST_F(BackupCommand, WritesUserBlockThenMachineBlockWithOnlyTheValuesEscaped)
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

TEST_F(BackupCommand, MissingOrEmptyValueLeavesItsBlockOut)
{
    SetMachine("m");
    EXPECT_EQ("REGEDIT4\r\n" + kMachineKeyLine + EntryLine(kVar, "m"), BackupTo(dir_ + "\\machine.reg"));
    SetUser("");
    EXPECT_EQ("REGEDIT4\r\n" + kMachineKeyLine + EntryLine(kVar, "m"), BackupTo(dir_ + "\\machine2.reg"));
    DeleteValues(kVar);
    SetUser("u");
    EXPECT_EQ("REGEDIT4\r\n" + kUserKeyLine + EntryLine(kVar, "u"), BackupTo(dir_ + "\\user.reg"));
    EXPECT_EQ(1u, seen_.size());   /* nothing to report */
}

TEST_F(BackupCommand, StringAndExpandableStringGiveTheSameEntryLine)
{
    SetUser("%A%\\b;c", REG_SZ);
    SetMachine("%A%\\b;c", REG_EXPAND_SZ);
    std::string line = EntryLine(kVar, "%A%\\\\b;c");
    EXPECT_EQ("REGEDIT4\r\n" + kUserKeyLine + line + kMachineKeyLine + line, BackupTo(dir_ + "\\types.reg"));
}

TEST_F(BackupCommand, VariableNameIsWrittenUnchanged)
{
    strcpy(g_varName, "VELKOR_TEST_\"Q\\");
    SetUser("v\\");
    std::string file = BackupTo(dir_ + "\\name.reg");
    DeleteValues(g_varName);
    EXPECT_EQ("REGEDIT4\r\n" + kUserKeyLine + EntryLine("VELKOR_TEST_\"Q\\", "v\\\\"), file);
}

TEST_F(BackupCommand, LineFeedInValueGetsCarriageReturn)
{
    SetUser("a\nb");
    EXPECT_EQ("REGEDIT4\r\n" + kUserKeyLine + EntryLine(kVar, "a\r\nb"), BackupTo(dir_ + "\\lf.reg"));
}

TEST_F(BackupCommand, UnreadableUserValueShowsOneMessageAndKeepsMachineBlock)
{
    SetMachine("C:\\m");
    SetUser("kept");   /* goes with the key, and must come back with it */
    std::string file;
    {
        UserEnvironmentRemoved removed;
        ASSERT_TRUE(removed.Removed());
        file = BackupTo(dir_ + "\\nouser.reg", nullptr, 1);
    }
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

TEST_F(BackupCommand, CancelWritesNothingAndKeepsLastPath)
{
    SetLastPath(dir_);
    SetUser("u");
    DialogAnswerer answerer;
    SaveDialogSeen seen;
    QueueSaveCancel(answerer, &seen);
    BackupRegistryValues();
    EXPECT_EQ(1u, answerer.Seen().size());
    EXPECT_EQ(std::string(kVar) + ".reg", seen.fileField);
    EXPECT_EQ(0, FilesIn(dir_));
    EXPECT_EQ(dir_, ReadLastPath());
}

/* C:\velkor-devfull leads to /dev/full: it opens, but every write fails with "disk full". */
TEST_F(BackupCommand, FailingWriteShowsSystemTextAndKeepsLastPath)
{
    SetLastPath(dir_);
    SetUser(std::string(100000, 'u'));
    DialogAnswerer answerer;
    QueueSaveAs(answerer, "C:\\velkor-devfull.");   /* the dot: no default extension */
    for (int i = 0; i < 2; i++)   /* the question to replace the file, if asked, then the error */
        answerer.Queue([](HWND dialog) {
            DialogAnswerer::PostClick(dialog, GetDlgItem(dialog, IDYES) ? IDYES : IDOK);
        });
    BackupRegistryValues();

    ASSERT_GE(answerer.Seen().size(), 2u);
    const SeenDialog &error = answerer.Seen().back();
    EXPECT_EQ(SystemText(ERROR_DISK_FULL), error.text);
    EXPECT_EQ(APP_TITLE, error.caption);
    EXPECT_EQ(MB_ICONERROR, error.icon);
    EXPECT_EQ(dir_, ReadLastPath());
    EXPECT_FALSE(FileExists("C:\\velkor-devfull.reg"));
}

/* The registry editor of the system reads the file back: after the values have been removed,
   importing the backup gives back exactly the bytes that were backed up (as REG_SZ: the plain
   string entries carry no type). */
TEST(BackupRoundTrip, SystemRegistryEditorRestoresTheValues)
{
    const char *name = "VELKOR_TEST_ROUNDTRIP";
    const std::string user = "C:\\Program Files\\x;\"D:\\q t\\\";%USERPROFILE%\\bin; lead;trail\\";
    const std::string machine = "%SystemRoot%\\system32;\\\\server\\share\\;\"\";a b=c";
    strcpy(g_varName, name);
    ClearLastPath();
    DeleteValues(name);
    SetUser(user);
    SetMachine(machine);
    std::string path = TempDir() + "\\roundtrip.reg";
    {
        DialogAnswerer answerer;
        QueueSaveAs(answerer, path);
        BackupRegistryValues();
        EXPECT_EQ(1u, answerer.Seen().size());
    }
    DeleteValues(name);

    ASSERT_TRUE(ImportWithRegedit(path));

    DWORD type = 0;
    std::string bytes;
    EXPECT_TRUE(GetRawValue(HKEY_CURRENT_USER, kUserSubkey, name, &type, &bytes));
    EXPECT_EQ(user + '\0', bytes);
    EXPECT_EQ((DWORD)REG_SZ, type);
    EXPECT_TRUE(GetRawValue(HKEY_LOCAL_MACHINE, kMachineSubkey, name, &type, &bytes));
    EXPECT_EQ(machine + '\0', bytes);
    EXPECT_EQ((DWORD)REG_SZ, type);

    DeleteValues(name);
    ClearLastPath();
    strcpy(g_varName, "PATH");
}

/* The registry editor reads REGEDIT4 in the system's ANSI code page (1252 here): values that it
   holds (é, ß) go out as REGEDIT4 in that code page, values beyond it (Ł, Chinese) in the Unicode
   format. Either way the import gives back exactly the characters stored, read through the wide
   calls although the test program's own code page cannot hold them. */
TEST(BackupRoundTrip, EveryCharacterComesBackInTheFormatThatHoldsIt)
{
    const char *name = "VELKOR_TEST_ROUNDTRIP";
    const struct {
        const char *what;
        std::string user, machine, head;
    } cases[] = {
        {"code page 1252", u8"C:\\café;D:\\Straße", u8"C:\\Tools;\"E:\\naïve\"", "REGEDIT4\r\n"},
        {"beyond it", u8"C:\\Users\\张伟\\bin", u8"C:\\Łódź\\bin;C:\\日本\\tools;C:\\plain",
         std::string("\xFF\xFEW\0i\0n\0d\0o\0w\0s\0", 16)},
    };
    strcpy(g_varName, name);
    ClearLastPath();
    for (const auto &c : cases) {
        DeleteValues(name);
        ASSERT_TRUE(SetWideValue(HKEY_CURRENT_USER, kUserSubkey, name, REG_EXPAND_SZ, c.user));
        ASSERT_TRUE(SetWideValue(HKEY_LOCAL_MACHINE, kMachineSubkey, name, REG_EXPAND_SZ, c.machine));
        std::string path = TempDir() + "\\roundtrip.reg";
        {
            DialogAnswerer answerer;
            QueueSaveAs(answerer, path);
            BackupRegistryValues();
            EXPECT_EQ(1u, answerer.Seen().size()) << c.what;
        }
        EXPECT_EQ(c.head, ReadWholeFile(path).substr(0, c.head.size())) << c.what;
        DeleteValues(name);

        ASSERT_TRUE(ImportWithRegedit(path));

        DWORD type = 0;
        std::string text;
        EXPECT_TRUE(GetWideValue(HKEY_CURRENT_USER, kUserSubkey, name, &type, &text));
        EXPECT_EQ(c.user, text) << c.what;
        EXPECT_TRUE(GetWideValue(HKEY_LOCAL_MACHINE, kMachineSubkey, name, &type, &text));
        EXPECT_EQ(c.machine, text) << c.what;
    }
    DeleteValues(name);
    ClearLastPath();
    strcpy(g_varName, "PATH");
}
