/* Hostile and odd inputs against the real registry, profile and files: values of every type and
   size, odd variable names, garbage in the profile, files that cannot be written. Each case ends in
   one of two ways: the program does its job, or it shows a clear message and changes nothing. */
#include "app_fixture.h"
#include "output_support.h"
#include "app/settings.h"
#include "entries/entrylist.h"
#include "output/backup.h"
#include "output/export.h"
#include "registry/workflow.h"

#include <regex>
#include <string>
#include <vector>

namespace {

const char kName[] = "VELKOR_ROBUST_VALUE";
const std::string kMachineHeader = std::string(MACHINE_HEADER_TEXT) + "|1";
const std::string kUserHeader = std::string(USER_HEADER_TEXT) + "|1";

void DeleteBoth(const std::string &name) { DeleteEnvValues(name); }

void SetString(HKEY root, const std::string &name, const std::string &text, DWORD type = REG_EXPAND_SZ)
{
    ASSERT_TRUE(SetEnvText(root, name, text, type));
}

std::string Stored(HKEY root, const std::string &name, DWORD *type = nullptr) { return StoredEnv(root, name, type); }

/* The rows that a retrieve must give for these two values, as "text|data". */
std::vector<std::string> ExpectedRows(const std::vector<std::string> &machine, const std::vector<std::string> &user)
{
    std::vector<std::string> rows = {kMachineHeader};
    for (const std::string &row : machine)
        rows.push_back(row + "|0");
    rows.push_back(kUserHeader);
    for (const std::string &row : user)
        rows.push_back(row + "|0");
    return rows;
}

/* Every test starts from a main window showing a test value of its own, and leaves nothing behind
   in the registry or the profile. */
class RobustBase : public AppTest {
protected:
    void SetUp() override
    {
        strcpy(g_varName, kName);
        DeleteBoth(kName);
        ClearSettings();
        ASSERT_TRUE(CreateMainWindow() != NULL);
        dir_ = TempDir();
    }

    /* Retrieves without any dialog; the list must then hold these rows. */
    void ExpectRetrieved(const std::vector<std::string> &rows, const std::string &what)
    {
        DialogAnswerer answerer;
        EXPECT_TRUE(RetrieveVariable(FALSE)) << what;
        EXPECT_EQ(0u, answerer.Seen().size()) << what;
        EXPECT_EQ(rows, ListRows()) << what;
    }

    /* Update answered Yes; TRUE when it reported success. */
    BOOL UpdateAnsweredYes()
    {
        DialogAnswerer answerer;
        answerer.QueueClick(IDYES);
        BOOL result = UpdateVariable(CONFIRM_UPDATE);
        EXPECT_EQ(1u, answerer.Seen().size());
        EXPECT_EQ(0, answerer.Unexpected());
        return result;
    }

    std::string dir_;
};

} // namespace

class RobustRegistryTypes : public RobustBase {};

/* Every byte from 0x01 to 0xFF survives a retrieve, an update with no edit, and an export. */
TEST_F(RobustRegistryTypes, EveryByteSurvivesRetrieveUpdateAndExport)
{
    std::string value;
    for (int byte = 1; byte <= 255; byte++)
        value += (char)byte;
    SetString(HKEY_CURRENT_USER, kName, value);
    /* The only ';' (0x3B) splits the value in two; the '"' (0x22) is not an element's first byte. */
    const std::string first = value.substr(0, 0x3A), second = value.substr(0x3B);
    ExpectRetrieved(ExpectedRows({}, {first, second}), "bytes 1 to 255");

    EXPECT_TRUE(UpdateAnsweredYes());
    EXPECT_EQ(value + '\0', Stored(HKEY_CURRENT_USER, kName));
    EXPECT_EQ("<absent>", Stored(HKEY_LOCAL_MACHINE, kName));

    DialogAnswerer answerer;
    QueueSaveAs(answerer, dir_ + "\\bytes.txt");
    ExportList();
    EXPECT_EQ(1u, answerer.Seen().size());
    /* Byte for byte, except the CR that the text output puts before the LF (0x0A). */
    std::string crlf;
    for (char byte : first)
        crlf += byte == '\n' ? std::string("\r\n") : std::string(1, byte);
    EXPECT_EQ(std::string(kName) + "=\r\n" + MACHINE_HEADER_TEXT "\r\n" USER_HEADER_TEXT "\r\n" + crlf + "\r\n" +
                  second + "\r\n",
              ReadWholeFile(dir_ + "\\bytes.txt"));
}

/* About 1 MB in 100,000 elements: every row arrives, and an update with no edit writes the same
   bytes back, one trailing ';' excepted, which the split drops by design. */
TEST_F(RobustRegistryTypes, MegabyteValueOfHundredThousandElementsComesBackWhole)
{
    std::string user, machine = "%SystemRoot%;\"C:\\quoted;path\";;x;";
    for (int i = 0; i < 100000; i++)
        user += "C:\\d" + std::to_string(i) + ";";
    ASSERT_GT(user.size(), 700000u);
    SetString(HKEY_CURRENT_USER, kName, user);
    SetString(HKEY_LOCAL_MACHINE, kName, machine, REG_SZ);

    {
        DialogAnswerer quiet;
        ASSERT_TRUE(RetrieveVariable(FALSE));
        EXPECT_EQ(0u, quiet.Seen().size());
    }
    std::vector<std::string> rows = ListRows();
    ASSERT_EQ(2u + 3u + 100000u, rows.size());
    EXPECT_EQ("\"C:\\quoted;path\"|0", rows[2]);
    EXPECT_EQ(";x|0", rows[3]);
    EXPECT_EQ(kUserHeader, rows[4]);
    EXPECT_EQ("C:\\d0|0", rows[5]);
    EXPECT_EQ("C:\\d50000|0", rows[50005]);
    EXPECT_EQ("C:\\d99999|0", rows.back());

    EXPECT_TRUE(UpdateAnsweredYes());
    DWORD type = 0;
    user.pop_back();
    machine.pop_back();
    EXPECT_EQ(user + '\0', Stored(HKEY_CURRENT_USER, kName, &type));
    EXPECT_EQ((DWORD)REG_EXPAND_SZ, type);
    EXPECT_EQ(machine + '\0', Stored(HKEY_LOCAL_MACHINE, kName, &type));
    EXPECT_EQ((DWORD)REG_EXPAND_SZ, type);
}

/* Retrieve then update with no edit writes back exactly the bytes that were stored. */
TEST_F(RobustRegistryTypes, UpdateWithoutEditWritesTheSameBytes)
{
    const struct {
        const char *stored;
        const char *written;   /* only a single trailing ';' may go */
    } cases[] = {
        {"a;;b", "a;;b"}, {"a;;", "a;;"}, {";", ";"}, {";;;", ";;;"}, {"a;", "a"},
        {"\"a;b", "\"a;b"}, {"\"\";\"", "\"\";\""}, {" a ; b ", " a ; b "}, {"%PATH%;=;\\\\", "%PATH%;=;\\\\"},
    };
    for (const auto &c : cases) {
        UseNewLocalAppData();   /* the earlier cases' writes are no other program's */
        SetString(HKEY_CURRENT_USER, kName, c.stored);
        SetString(HKEY_LOCAL_MACHINE, kName, c.stored);
        {
            DialogAnswerer quiet;
            ASSERT_TRUE(RetrieveVariable(FALSE));
        }
        EXPECT_TRUE(UpdateAnsweredYes()) << c.stored;
        EXPECT_EQ(std::string(c.written) + '\0', Stored(HKEY_CURRENT_USER, kName)) << c.stored;
        EXPECT_EQ(std::string(c.written) + '\0', Stored(HKEY_LOCAL_MACHINE, kName)) << c.stored;
    }
}

/* Odd variable names reach the registry, the questions and the files unchanged, and come back
   from the backup. */
class RobustVariableNames : public RobustBase {};

TEST_F(RobustVariableNames, OddNamesRoundTripThroughRetrieveUpdateAndBackup)
{
    const std::string names[] = {
        std::string("VELKOR_ROBUST_") + std::string(255 - 14, 'N'),
        "VELKOR_ROBUST \"quoted\"",
        "VELKOR_ROBUST\\back\\slash",
        "VELKOR_ROBUST=equals",
        "  VELKOR ROBUST spaces  ",
    };
    for (const std::string &name : names) {
        ASSERT_LT(name.size(), (size_t)VAR_NAME_SIZE);
        strcpy(g_varName, name.c_str());
        DeleteBoth(name);
        SetString(HKEY_CURRENT_USER, name, "u1;u2");
        SetString(HKEY_LOCAL_MACHINE, name, "m1");
        ExpectRetrieved(ExpectedRows({"m1"}, {"u1", "u2"}), name);

        {
            DialogAnswerer answerer;
            answerer.QueueClick(IDYES);
            EXPECT_TRUE(UpdateVariable(CONFIRM_UPDATE)) << name;
            ASSERT_EQ(1u, answerer.Seen().size());
            EXPECT_EQ(0u, answerer.Seen()[0].text.find("You are about update environment variable \"" + name + "\":"))
                << name;
        }
        EXPECT_EQ(std::string("u1;u2") + '\0', Stored(HKEY_CURRENT_USER, name)) << name;
        EXPECT_EQ(std::string("m1") + '\0', Stored(HKEY_LOCAL_MACHINE, name)) << name;

        DeleteFileA((dir_ + "\\names.reg").c_str());
        DialogAnswerer answerer;
        QueueSaveAs(answerer, dir_ + "\\names.reg");
        BackupRegistryValues();
        EXPECT_EQ(1u, answerer.Seen().size()) << name;
        DeleteBoth(name);
        ASSERT_TRUE(ImportWithRegedit(dir_ + "\\names.reg"));
        EXPECT_EQ(std::string("u1;u2") + '\0', Stored(HKEY_CURRENT_USER, name)) << name;
        EXPECT_EQ(std::string("m1") + '\0', Stored(HKEY_LOCAL_MACHINE, name)) << name;
        DeleteBoth(name);
    }
}

/* Garbage in the profile: the window is placed somewhere and the program goes on working. */
class RobustProfile : public RobustBase {
protected:
    static RECT NormalRect()
    {
        WINDOWPLACEMENT placement = {};
        placement.length = sizeof placement;
        GetWindowPlacement(g_hMainWnd, &placement);
        return placement.rcNormalPosition;
    }
};

TEST_F(RobustProfile, GarbagePlacementKeysNeitherCrashNorLoseTheWindow)
{
    const struct {
        const char *x, *y, *w, *h;
    } cases[] = {
        {"abc", "-", "wide", ""},
        {"99999999999", "99999999999", "99999999999", "99999999999"},
        {"2147483647", "2147483647", "2147483647", "2147483647"},
        {"-2147483648", "-2147483648", "-2147483648", "-2147483648"},
        {"-5000", "-5000", "-1", "-1"},
        {"0x7fffffff", "1e9", " 12", "12abc"},
        {"100", "100", "0", "0"},
    };
    SetString(HKEY_CURRENT_USER, kName, "a;b");
    for (const auto &c : cases) {
        SetRawSetting("x", c.x);
        SetRawSetting("y", c.y);
        SetRawSetting("w", c.w);
        SetRawSetting("h", c.h);
        PersistWindowPlacement(FALSE);
        PumpMessages(5);
        EXPECT_TRUE(IsWindowVisible(g_hMainWnd)) << c.x;
        /* The window still works: a retrieve fills its list, and a save stores its rectangle as
           plain numbers. */
        ExpectRetrieved(ExpectedRows({}, {"a", "b"}), c.x);
        PersistWindowPlacement(TRUE);
        RECT saved = NormalRect();
        for (const char *key : {"x", "y", "w", "h"}) {
            std::string text = RawSetting(key);
            EXPECT_TRUE(std::regex_match(text, std::regex("-?[0-9]+"))) << c.x << ": " << key << "=" << text;
        }
        EXPECT_EQ(saved.left, ReadSettingInt("x", -1)) << c.x;
        EXPECT_EQ(saved.top, ReadSettingInt("y", -1)) << c.x;
        EXPECT_EQ(saved.right - saved.left, ReadSettingInt("w", -1)) << c.x;
        EXPECT_EQ(saved.bottom - saved.top, ReadSettingInt("h", -1)) << c.x;
    }
    /* Reasonable keys bring the window back where they say. */
    SetRawSetting("x", "40");
    SetRawSetting("y", "50");
    SetRawSetting("w", "400");
    SetRawSetting("h", "300");
    PersistWindowPlacement(FALSE);
    RECT normal = NormalRect();
    EXPECT_EQ(40, normal.left);
    EXPECT_EQ(50, normal.top);
    EXPECT_EQ(400, normal.right - normal.left);
    EXPECT_EQ(300, normal.bottom - normal.top);
}

/* A remembered folder of 3,000 characters still gives a proposal that fits the file-name buffer,
   for the export and for the backup; cancelling changes nothing. */
TEST_F(RobustProfile, HugeLastPathStillProposesAName)
{
    const std::string huge = "C:\\" + std::string(2997, 'f');
    ASSERT_EQ(3000u, huge.size());
    SetLastPath(huge);
    SetString(HKEY_CURRENT_USER, kName, "a");
    RetrieveVariable(FALSE);

    for (int backup = 0; backup < 2; backup++) {
        DialogAnswerer answerer;
        SaveDialogSeen seen;
        QueueSaveCancel(answerer, &seen);
        SaveOutput(backup);
        ASSERT_TRUE(seen.shown);
        EXPECT_EQ(std::string(kName) + (backup ? ".reg" : ".txt"), seen.fileField);
        EXPECT_EQ(std::string::npos, seen.filePath.find("fff")) << seen.filePath;
        EXPECT_EQ(1u, answerer.Seen().size());
        EXPECT_EQ(huge, ReadLastPath());
    }
}

/* A remembered folder that no longer exists: the dialog still opens, and a file saved elsewhere is
   written and remembered. */
TEST_F(RobustProfile, VanishedLastPathStillSaves)
{
    std::string gone = dir_ + "\\gone";
    CreateDirectoryA(gone.c_str(), NULL);
    RemoveDirectoryA(gone.c_str());
    SetLastPath(gone);
    SetString(HKEY_CURRENT_USER, kName, "a");
    RetrieveVariable(FALSE);

    for (int backup = 0; backup < 2; backup++) {
        DialogAnswerer answerer;
        SaveDialogSeen seen;
        std::string path = dir_ + (backup ? "\\saved.reg" : "\\saved.txt");
        QueueSaveAs(answerer, path, &seen);
        SaveOutput(backup);
        EXPECT_TRUE(seen.shown);
        EXPECT_EQ(1u, answerer.Seen().size());
        EXPECT_TRUE(FileExists(path)) << path;
        EXPECT_EQ(dir_, ReadLastPath());
        SetLastPath(gone);
    }
}

/* Files that cannot be written: a clear message, no remembered folder changed, no harm done. */
class RobustFiles : public RobustBase {
protected:
    /* Runs the export or the backup, answering the save dialog with path, any question to replace
       the file with Yes, and the error message with OK. */
    std::vector<SeenDialog> SaveTo(bool backup, const std::string &path)
    {
        DialogAnswerer answerer;
        QueueSaveAs(answerer, path);
        for (int i = 0; i < 3; i++)
            QueueYesOrOk(answerer);
        SaveOutput(backup);
        EXPECT_EQ(0, answerer.Unexpected());
        return answerer.Seen();
    }

    void Arrange()
    {
        SetString(HKEY_CURRENT_USER, kName, "u;" + std::string(50000, 'v'), REG_SZ);
        SetString(HKEY_LOCAL_MACHINE, kName, "m");
        RetrieveVariable(FALSE);
        SetLastPath(dir_);
    }
};

TEST_F(RobustFiles, UnwritableDestinationsShowTheSystemTextAndKeepLastPath)
{
    Arrange();
    const std::string held = dir_ + "\\held.out";
    HANDLE holder = CreateFileA(held.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    DWORD written = 0;
    WriteFile(holder, "keep", 4, &written, NULL);

    /* The dot after "velkor-devfull": no default extension. */
    const struct {
        const char *what;
        std::string path;
        DWORD error;
        size_t dialogs;   /* the save dialog, the question to replace the file if it is asked, the error */
    } cases[] = {
        {"held open without sharing", held, ERROR_SHARING_VIOLATION, 3},
        {"fails on write", "C:\\velkor-devfull.", ERROR_DISK_FULL, 2},
    };
    for (bool backup : {false, true}) {
        for (const auto &c : cases) {
            std::vector<SeenDialog> seen = SaveTo(backup, c.path);
            ASSERT_EQ(c.dialogs, seen.size()) << c.what;
            EXPECT_EQ(SystemText(c.error), seen.back().text) << c.what << (backup ? " (backup)" : " (export)");
            EXPECT_EQ(APP_TITLE, seen.back().caption) << c.what;
            EXPECT_EQ(MB_ICONERROR, seen.back().icon) << c.what;
            EXPECT_EQ(dir_, ReadLastPath()) << c.what;
        }
    }
    CloseHandle(holder);
    EXPECT_EQ("keep", ReadWholeFile(held));
    EXPECT_FALSE(FileExists("C:\\velkor-devfull.txt"));
    EXPECT_FALSE(FileExists("C:\\velkor-devfull.reg"));
    EXPECT_EQ(std::string("u;") + std::string(50000, 'v') + '\0', Stored(HKEY_CURRENT_USER, kName));
}

/* A folder that does not exist: the save dialog itself says so (a message of its own, not the
   program's error), the user cancels it, and no file appears and the remembered folder stays. */
TEST_F(RobustFiles, MissingFolderWritesNothing)
{
    Arrange();
    for (bool backup : {false, true}) {
        std::string path = dir_ + "\\missing\\out.txt";
        DialogAnswerer answerer;
        HWND saveDialog = NULL, complaintOwner = NULL;
        answerer.Queue([&](HWND dialog) {
            saveDialog = dialog;
            SetDlgItemTextA(dialog, GetDlgItem(dialog, cmb13) ? cmb13 : edt1, path.c_str());
            DialogAnswerer::PostClick(dialog, IDOK);
        });
        answerer.Queue([&](HWND dialog) {
            complaintOwner = GetWindow(dialog, GW_OWNER);
            DialogAnswerer::PostClick(dialog, IDOK);
            DialogAnswerer::PostClick(complaintOwner, IDCANCEL);
        });
        SaveOutput(backup);
        ASSERT_EQ(2u, answerer.Seen().size()) << backup;
        EXPECT_EQ(saveDialog, complaintOwner) << backup;
        EXPECT_NE(APP_TITLE, answerer.Seen()[1].caption) << backup;
        EXPECT_NE(SystemText(ERROR_PATH_NOT_FOUND), answerer.Seen()[1].text) << backup;
        EXPECT_FALSE(FileExists(path));
        EXPECT_EQ(dir_, ReadLastPath());
    }
}

/* A path of 259 characters, the longest that a plain path may be, is written whole by the export
   and by the backup, and its folder remembered. (Longer paths cannot be tried here: the save
   dialog of Wine itself faults when one is typed in, before the program sees it.) */
TEST_F(RobustFiles, LongestPlainPathIsWrittenWhole)
{
    Arrange();
    for (bool backup : {false, true}) {
        std::string path = dir_ + "\\";
        path += std::string(259 - path.size() - 4, backup ? 'b' : 'e') + (backup ? ".reg" : ".txt");
        ASSERT_EQ(259u, path.size());
        SetLastPath("C:\\elsewhere");
        std::vector<SeenDialog> seen = SaveTo(backup, path);
        EXPECT_EQ(1u, seen.size());
        std::string file = ReadWholeFile(path);
        EXPECT_EQ(0u, file.find(backup ? "REGEDIT4\r\n" : std::string(kName) + "=\r\n")) << path;
        EXPECT_NE(std::string::npos, file.find(std::string(50000, 'v'))) << path;
        EXPECT_EQ(dir_, ReadLastPath());
        DeleteFileA(path.c_str());
    }
}

/* The backup, and the snapshot that an update writes, imported by the system's registry editor
   give back every value exactly: its type, its bytes and its name. Each value is stored under
   both keys through the wide calls; the test program's own code page (1252) plays no part. */
TEST_F(RobustFiles, BackupAndSnapshotRestoredByTheRegistryEditorGiveTheSameValues)
{
    std::string printable;
    for (int byte = 0x20; byte <= 0x7E; byte++)
        printable += (char)byte;
    const struct {
        const char *what;
        std::string name;
        DWORD type;
        std::string text;   /* UTF-8, stored as UTF-16 with a zero added */
    } cases[] = {
        {"REG_SZ", kName, REG_SZ, printable + "\\\\\"\\"},
        {"REG_EXPAND_SZ", kName, REG_EXPAND_SZ, "%SystemRoot%\\system32;\\\\server\\share\\;\"\";a b=c;"},
        {"REG_MULTI_SZ", kName, REG_MULTI_SZ, std::string("C:\\one\0%A%\\two\0", 15)},
        {"line feeds", kName, REG_SZ, "a\nb\r\nc;"},
        {"a quote and a backslash in the name", "VELKOR_ROBUST \"A\\B\"", REG_EXPAND_SZ, "%A%;C:\\b"},
        {"double-byte character", kName, REG_SZ, u8"C:\\ソ\\bin;D:\\表"},
        {"code page 1252 and beyond", kName, REG_EXPAND_SZ, u8"C:\\café;D:\\Łódź\\日本"},
        {"empty", kName, REG_EXPAND_SZ, ""},
    };
    const HKEY roots[] = {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        strcpy(g_varName, c.name.c_str());
        UseNewLocalAppData();
        std::string stored[2];
        for (int i = 0; i < 2; i++) {
            std::string text;
            DWORD type = 0;
            ASSERT_TRUE(SetWideValue(roots[i], EnvSubkey(roots[i]), c.name, c.type, c.text));
            ASSERT_TRUE(GetWideValue(roots[i], EnvSubkey(roots[i]), c.name, &type, &text, &stored[i]));
        }
        std::string backup = dir_ + "\\restore.reg";
        DeleteFileA(backup.c_str());
        EXPECT_EQ(1u, SaveTo(true, backup).size());
        SetListRows({"#" MACHINE_HEADER_TEXT, "C:\\new", "#" USER_HEADER_TEXT, "C:\\new"});
        g_modified = TRUE;
        EXPECT_TRUE(UpdateAnsweredYes());
        std::vector<std::string> snapshots = SnapshotFiles();
        ASSERT_EQ(1u, snapshots.size());

        for (const std::string &file : {backup, snapshots[0]}) {
            DeleteBoth(c.name);
            ASSERT_TRUE(ImportWithRegedit(file)) << file;
            for (int i = 0; i < 2; i++) {
                std::string text, bytes;
                DWORD type = 0;
                EXPECT_TRUE(GetWideValue(roots[i], EnvSubkey(roots[i]), c.name, &type, &text, &bytes)) << file;
                EXPECT_EQ(c.type, type) << file;
                EXPECT_EQ(stored[i], bytes) << file;
            }
        }
        DeleteBoth(c.name);
    }
}
