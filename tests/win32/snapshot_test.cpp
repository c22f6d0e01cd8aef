/* Snapshots written by updates, restored with the system's registry editor: every value comes back
   with its type and bytes, and every absence as an absence. */
#include "app_fixture.h"
#include "output_support.h"
#include "common/common.h"
#include "app/historydlg.h"
#include "output/snapshot.h"
#include "resource.h"
#include "registry/workflow.h"

#include <string>
#include <vector>

namespace {

const std::vector<std::string> kNewRows = {"#" MACHINE_HEADER_TEXT, "C:\\new-machine",
                                           "#" USER_HEADER_TEXT, "C:\\new-user"};

/* A value as stored, or its absence; what a restore must give back. */
struct Raw {
    bool exists;
    DWORD type;
    std::string bytes;
    bool operator==(const Raw &other) const
    {
        return exists == other.exists && (!exists || (type == other.type && bytes == other.bytes));
    }
};

Raw ReadRaw(HKEY root, const std::string &name)
{
    Raw raw = {false, 0, ""};
    raw.exists = GetRawValue(root, EnvSubkey(root), name.c_str(), &raw.type, &raw.bytes);
    return raw;
}

void WriteRaw(HKEY root, const std::string &name, const Raw &raw)
{
    if (raw.exists)
        ASSERT_TRUE(SetRawValue(root, EnvSubkey(root), name.c_str(), raw.type, raw.bytes.data(), (DWORD)raw.bytes.size()));
    else
        DeleteRawValue(root, EnvSubkey(root), name.c_str());
}

std::string Text(const char *text)
{
    return std::string(text, strlen(text) + 1);
}

/* The main window on a variable of the test's own, snapshots in a new folder of the test's own. */
class Snapshots : public AppTest {
protected:
    void SetUp() override { UseNewLocalAppData(); }
    /* Edits the list and answers the update's question with answer; then whatever dialogs follow
       are answered with OK and recorded in seen. */
    BOOL Update(int answer, std::vector<SeenDialog> *seen = nullptr)
    {
        SetListRows(kNewRows);
        g_modified = TRUE;
        DialogAnswerer answerer;
        answerer.QueueClick(answer);
        answerer.QueueClick(IDOK);
        BOOL result = UpdateVariable(CONFIRM_UPDATE);
        if (seen)
            *seen = answerer.Seen();
        return result;
    }
};

}  // namespace

/* Each update with Yes leaves one snapshot, named after the variable, and importing it puts back
   what the update replaced, whatever its type, and removes what the update created. */
TEST_F(Snapshots, RegeditRestoresExactlyWhatTheUpdateReplaced)
{
    const Raw absent = {false, 0, ""};
    const std::string longName = "VELKOR_SNAP_" + std::string(243, 'L');
    const struct {
        std::string name, filePrefix;
        Raw user, machine;
    } cases[] = {
        {"VELKOR_SNAP_SZ", "VELKOR_SNAP_SZ-", {true, REG_SZ, Text("C:\\u;\"quoted\";%X%")}, absent},
        {"VELKOR \" \\ : * ? < > | SNAP", "VELKOR _ _ _ _ _ _ _ _ SNAP-",
         {true, REG_SZ, Text("C:\\odd")}, {true, REG_EXPAND_SZ, Text("%SystemRoot%\\snap;C:\\m")}},
        {longName, longName.substr(0, 100) + "-", absent, {true, REG_EXPAND_SZ, Text("%SystemRoot%")}},
        {"VELKOR_SNAP_TYPES", "VELKOR_SNAP_TYPES-", {true, REG_BINARY, std::string("\x01\x00\xff", 3)},
         {true, REG_SZ, std::string("a\0b\0", 4)}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        UseNewLocalAppData();
        CreateMainWindowOn(c.name.c_str());
        WriteRaw(HKEY_CURRENT_USER, c.name, c.user);
        WriteRaw(HKEY_LOCAL_MACHINE, c.name, c.machine);

        std::vector<SeenDialog> seen;
        EXPECT_TRUE(Update(IDYES, &seen));
        EXPECT_EQ(1u, seen.size()) << "only the question";
        EXPECT_EQ(Text("C:\\new-user"), ReadRaw(HKEY_CURRENT_USER, c.name).bytes);

        std::vector<std::string> files = SnapshotFiles();
        ASSERT_EQ(1u, files.size());
        std::string file = files[0].substr(SnapshotFolder().size() + 1);
        EXPECT_EQ(0u, file.find(c.filePrefix)) << file;
        EXPECT_EQ(c.filePrefix.size() + 19, file.size()) << file;   /* YYYYMMDD-HHMMSS.reg */

        ASSERT_TRUE(ImportWithRegedit(files[0]));
        EXPECT_TRUE(c.user == ReadRaw(HKEY_CURRENT_USER, c.name));
        EXPECT_TRUE(c.machine == ReadRaw(HKEY_LOCAL_MACHINE, c.name));
        DeleteRawValue(HKEY_CURRENT_USER, kUserSubkey, c.name.c_str());
        DeleteRawValue(HKEY_LOCAL_MACHINE, kMachineSubkey, c.name.c_str());
        DestroyMainWindow();
    }
}

TEST_F(Snapshots, NoWritesNoSnapshot)
{
    CreateMainWindowOn("VELKOR_SNAP_NO");
    EXPECT_TRUE(Update(IDNO));
    EXPECT_TRUE(SnapshotFiles().empty());
    EXPECT_FALSE(ReadRaw(HKEY_CURRENT_USER, "VELKOR_SNAP_NO").exists);
}

/* A plain file where the snapshot folder should be: the update shows why, writes nothing and
   keeps the changes pending. */
TEST_F(Snapshots, SnapshotThatCannotBeWrittenStopsTheUpdate)
{
    const Raw before = {true, REG_SZ, Text("C:\\before")};
    CreateMainWindowOn("VELKOR_SNAP_BLOCKED");
    WriteRaw(HKEY_CURRENT_USER, "VELKOR_SNAP_BLOCKED", before);
    std::string velkor = SnapshotFolder().substr(0, SnapshotFolder().rfind('\\'));
    ASSERT_TRUE(CreateDirectoryA(velkor.c_str(), NULL));
    HANDLE blocker = CreateFileA(SnapshotFolder().c_str(), GENERIC_WRITE, 0, NULL, CREATE_NEW, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, blocker);
    CloseHandle(blocker);

    std::vector<SeenDialog> seen;
    EXPECT_FALSE(Update(IDYES, &seen));
    ASSERT_EQ(2u, seen.size());
    EXPECT_EQ(SystemText(ERROR_ALREADY_EXISTS), seen[1].text);
    EXPECT_EQ(MB_ICONERROR, seen[1].icon);
    EXPECT_TRUE(g_modified);
    EXPECT_TRUE(before == ReadRaw(HKEY_CURRENT_USER, "VELKOR_SNAP_BLOCKED"));
    EXPECT_FALSE(ReadRaw(HKEY_LOCAL_MACHINE, "VELKOR_SNAP_BLOCKED").exists);
}

/* The newest SNAPSHOTS_KEPT of the variable stay. Whose a file is, its head says: another
   variable's files stay, even where its name gives the same file name (VELKOR:SNAP_KEEP), and so
   does a file that names nobody. */
TEST_F(Snapshots, OnlyTheNewestOfTheVariableAreKept)
{
    CreateMainWindowOn("VELKOR_SNAP_KEEP");
    ASSERT_TRUE(Update(IDYES));   /* makes the folder */
    const struct {
        const char *file, *variable;   /* variable NULL: an empty file */
    } others[] = {
        {"\\VELKOR_SNAP_KEEPER-20000101-000000.reg", "VELKOR_SNAP_KEEPER"},
        {"\\VELKOR_SNAP_KEEP-19990101-000000.reg", "VELKOR:SNAP_KEEP"},
        {"\\VELKOR_SNAP_KEEP-19990101-000001.reg", nullptr},
    };
    std::vector<std::pair<std::string, const char *>> files;
    for (const auto &other : others)
        files.push_back({SnapshotFolder() + other.file, other.variable});
    for (int i = 0; i < SNAPSHOTS_KEPT; i++) {
        char name[64];
        snprintf(name, sizeof name, "\\VELKOR_SNAP_KEEP-20000101-%06d.reg", i);
        files.push_back({SnapshotFolder() + name, "VELKOR_SNAP_KEEP"});
    }
    for (const auto &file : files) {
        HANDLE handle = CreateFileA(file.first.c_str(), GENERIC_WRITE, 0, NULL, CREATE_NEW, 0, NULL);
        std::wstring head = std::wstring(L"\xFEFF" L"Windows Registry Editor Version 5.00\r\n\r\n[" USER_ENV_KEY "]\r\n\"") +
                            WideFromUtf8(file.second ? file.second : "") + L"\"=-\r\n";
        DWORD written = 0;
        if (file.second)
            WriteFile(handle, head.data(), (DWORD)(head.size() * sizeof(WCHAR)), &written, NULL);
        CloseHandle(handle);
    }

    ASSERT_TRUE(Update(IDYES));
    EXPECT_EQ((size_t)SNAPSHOTS_KEPT + 3, SnapshotFiles().size());   /* and the three others */
    EXPECT_FALSE(FileExists(files[3].first));
    EXPECT_FALSE(FileExists(files[4].first));
    EXPECT_TRUE(FileExists(files[5].first));
    for (int i = 0; i < 3; i++)
        EXPECT_TRUE(FileExists(files[i].first)) << files[i].first;
}

/* The folder may hold characters that the process's code page cannot: the test program's is 1252. */
TEST_F(Snapshots, FolderMayHoldAnyCharacter)
{
    std::string base = TempDir();
    std::wstring folder = std::wstring(base.begin(), base.end()) + L"\\\u0141\u00f3d\u017a \u4e2d\u6587";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), NULL));
    SetEnvironmentVariableW(L"LOCALAPPDATA", folder.c_str());
    CreateMainWindowOn("VELKOR_SNAP_WIDE");
    EXPECT_TRUE(Update(IDYES));
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((folder + L"\\Velkor\\snapshots\\VELKOR_SNAP_WIDE-*.reg").c_str(), &found);
    EXPECT_NE(INVALID_HANDLE_VALUE, find);
    if (find != INVALID_HANDLE_VALUE)
        FindClose(find);
    UseNewLocalAppData();   /* a folder that the A functions of the other tests can name */
}

/* An update that replaced a value the list cannot hold is a line of History whose Restore is
   greyed, the reason first among its lines. */
TEST_F(Snapshots, HistoryGreysRestoreOfAValueTheListCannotHold)
{
    CreateMainWindowOn("VELKOR_SNAP_HISTORY");
    WriteRaw(HKEY_CURRENT_USER, "VELKOR_SNAP_HISTORY", {true, REG_MULTI_SZ, std::string("a\0b\0\0", 5)});
    ASSERT_TRUE(Update(IDYES));
    DialogAnswerer answerer;
    BOOL restorable = TRUE;
    std::string lines[2];
    answerer.Queue([&](HWND dialog) {
        restorable = IsWindowEnabled(GetDlgItem(dialog, IDOK));
        for (int i = 0; i < 2; i++) {
            char text[1024] = "";
            SendDlgItemMessageA(dialog, i == 0 ? IDC_HISTORY_LIST : IDC_HISTORY_CHANGES, LB_GETTEXT, 0, (LPARAM)text);
            lines[i] = text;
        }
        DialogAnswerer::PostClick(dialog, IDCANCEL);
    });
    ShowHistory();
    EXPECT_FALSE(restorable);
    EXPECT_NE(std::string::npos, lines[0].find("   Velkor Editor   machine +1, user +1 -1 type")) << lines[0];
    EXPECT_EQ("Restore is not possible: the Current User value before this change cannot be held by the "
              "list whole (it was of type REG_MULTI_SZ). Its snapshot file (Open folder) restores it "
              "with the registry editor.", lines[1]);
}
