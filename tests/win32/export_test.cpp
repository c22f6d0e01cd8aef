/* The Export command, driven as the user drives it: the save dialog is answered through its own
   file name field, and the written file is read back byte for byte. */
#include "app_fixture.h"
#include "output_support.h"
#include "output/backup.h"
#include "output/export.h"
#include "registry/workflow.h"

#include <regex>

namespace {

const char kVar[] = "VELKOR_TEST_OUT";

/* One main window serves the whole suite (closing a window costs seconds under Wine); each test
   fills the list itself. */
class ExportCommand : public AppTest {
protected:
    static void SetUpTestSuite()
    {
        strcpy(g_varName, kVar);
        DeleteValues();
        DialogAnswerer quiet;   /* the start-up retrieve asks nothing; should it, it is closed */
        CreateMainWindow();
        EXPECT_EQ(0u, quiet.Seen().size());
    }

    static void TearDownTestSuite()
    {
        DestroyMainWindow();
        strcpy(g_varName, "PATH");
    }

    void SetUp() override
    {
        ASSERT_TRUE(g_hMainWnd != NULL);
        ClearLastPath();
        strcpy(g_varName, kVar);
        DeleteValues();
        SetListRows({"#" MACHINE_HEADER_TEXT, "#" USER_HEADER_TEXT});
        dir_ = TempDir();
    }

    static void DeleteValues() { DeleteEnvValues(kVar); }

    /* Runs the export, saving to path; returns the bytes of the file. */
    std::string ExportTo(const std::string &path, SaveDialogSeen *seen = nullptr)
    {
        DialogAnswerer answerer;
        QueueSaveAs(answerer, path, seen);
        ExportList();
        EXPECT_EQ(0, answerer.Unexpected());
        EXPECT_EQ(0u, answerer.Pending());
        EXPECT_EQ(1u, answerer.Seen().size());
        return ReadWholeFile(path);
    }

    /* Runs the export and cancels the dialog; returns what the dialog proposed. */
    SaveDialogSeen ProposalOfExport()
    {
        DialogAnswerer answerer;
        SaveDialogSeen seen;
        QueueSaveCancel(answerer, &seen);
        ExportList();
        EXPECT_EQ(1u, answerer.Seen().size());   /* the dialog and nothing else */
        EXPECT_TRUE(seen.shown);
        return seen;
    }

    std::string dir_;
};

} // namespace

TEST_F(ExportCommand, WithoutLastPathProposesVariableNameInTheRoot)
{
    const char *names[] = {"PATH", "CLASSPATH"};
    for (const char *name : names) {
        strcpy(g_varName, name);
        SaveDialogSeen seen = ProposalOfExport();
        EXPECT_EQ(std::string(name) + ".txt", seen.fileField);
        /* "\NAME.txt": the root of the current drive. */
        EXPECT_TRUE(std::regex_match(seen.filePath, std::regex(std::string("[A-Za-z]:\\\\+") + name + "\\.txt")))
            << seen.filePath;
    }
    EXPECT_EQ("<absent>", ReadLastPath());
}

TEST_F(ExportCommand, ProposesLastPathAndRemembersTheChosenFolder)
{
    SetLastPath(dir_);
    std::string other = TempDir();
    SaveDialogSeen seen;
    ExportTo(other + "\\list.txt", &seen);
    EXPECT_EQ(std::string(kVar) + ".txt", seen.fileField);
    EXPECT_EQ(dir_ + "\\" + kVar + ".txt", seen.filePath);
    EXPECT_EQ(other, ReadLastPath());
    EXPECT_EQ(other + "\\" + kVar + ".txt", ProposalOfExport().filePath);
}

TEST_F(ExportCommand, FileInDriveRootLeavesDriveAsLastPath)
{
    std::string path = std::string("C:\\") + kVar + ".txt";
    DeleteFileA(path.c_str());
    SetListRows({"#H"});
    EXPECT_EQ(std::string(kVar) + "=\r\nH\r\n", ExportTo(path));
    EXPECT_EQ("C:", ReadLastPath());
    SaveDialogSeen seen = ProposalOfExport();
    EXPECT_TRUE(std::regex_match(seen.filePath, std::regex(std::string("C:\\\\+") + kVar + "\\.txt")))
        << seen.filePath;
    DeleteFileA(path.c_str());
}

/* Cancel, in the export's or the backup's save dialog, writes nothing and keeps the folder. */
TEST_F(ExportCommand, CancelWritesNothingAndKeepsLastPath)
{
    SetLastPath(dir_);
    ASSERT_TRUE(SetEnvText(HKEY_CURRENT_USER, kVar, "u"));
    for (bool backup : {false, true}) {
        DialogAnswerer answerer;
        SaveDialogSeen seen;
        QueueSaveCancel(answerer, &seen);
        SaveOutput(backup);
        EXPECT_EQ(1u, answerer.Seen().size());
        EXPECT_EQ(std::string(kVar) + (backup ? ".reg" : ".txt"), seen.fileField);
        EXPECT_EQ(0, FilesIn(dir_));
        EXPECT_EQ(dir_, ReadLastPath());
    }
}

TEST_F(ExportCommand, NameWithoutExtensionGetsTxt)
{
    SetListRows({});
    DialogAnswerer answerer;
    QueueSaveAs(answerer, dir_ + "\\plain");
    ExportList();
    EXPECT_EQ(std::string(kVar) + "=\r\n", ReadWholeFile(dir_ + "\\plain.txt"));
    EXPECT_FALSE(FileExists(dir_ + "\\plain"));
}

TEST_F(ExportCommand, WritesNameLineThenEveryRowWhole)
{
    std::string longRow(5000, 'L');
    longRow += ";end";
    SetListRows({"#" MACHINE_HEADER_TEXT, "a", longRow, "%SystemRoot%;\"C:\\x y\"=1", "",
                 "#" USER_HEADER_TEXT, "bb", std::string(300, 'm')});
    std::string expected = std::string(kVar) + "=\r\n" MACHINE_HEADER_TEXT "\r\na\r\n" + longRow +
                           "\r\n%SystemRoot%;\"C:\\x y\"=1\r\n\r\n" USER_HEADER_TEXT "\r\nbb\r\n" +
                           std::string(300, 'm') + "\r\n";
    EXPECT_EQ(expected, ExportTo(dir_ + "\\rows.txt"));
}

TEST_F(ExportCommand, ListRetrievedWithEmptyUserValueEndsWithUserHeader)
{
    const char machine[] = "C:\\a;%X%";
    ASSERT_TRUE(SetRawValue(HKEY_LOCAL_MACHINE, kMachineSubkey, kVar, REG_EXPAND_SZ, machine, sizeof machine));
    ASSERT_TRUE(SetRawValue(HKEY_CURRENT_USER, kUserSubkey, kVar, REG_EXPAND_SZ, "", 1));
    ASSERT_TRUE(RetrieveVariable(FALSE));
    EXPECT_EQ(std::string(kVar) + "=\r\n" MACHINE_HEADER_TEXT "\r\nC:\\a\r\n%X%\r\n" USER_HEADER_TEXT "\r\n",
              ExportTo(dir_ + "\\retrieved.txt"));
}

/* A file that replaces a longer one holds the new text alone: nothing of the old tail survives. */
TEST_F(ExportCommand, ReplacingALongerFileLeavesNoOldTail)
{
    SetListRows({"#H", "a"});
    for (bool backup : {false, true}) {
        std::string path = dir_ + (backup ? "\\old.reg" : "\\old.txt");
        FILE *old = fopen(path.c_str(), "wb");
        ASSERT_TRUE(old != NULL);
        fputs(std::string(5000, 'o').c_str(), old);
        fclose(old);
        DialogAnswerer answerer;
        QueueSaveAs(answerer, path);
        QueueYesOrOk(answerer);   /* replace it */
        SaveOutput(backup);
        EXPECT_EQ(2u, answerer.Seen().size());
        EXPECT_EQ(backup ? std::string("REGEDIT4\r\n") : std::string(kVar) + "=\r\nH\r\na\r\n", ReadWholeFile(path));
    }
}

/* A row buffer that cannot be had: the user is told, and the rows and the remembered folder stay. */
TEST_F(ExportCommand, RowBufferThatCannotBeHadTellsTheUser)
{
    SetLastPath(dir_);
    SetListRows({"#H", "a"});
    const std::vector<std::string> rows = ListRows();
    DialogAnswerer answerer;
    QueueSaveAs(answerer, TempDir() + "\\rows.txt");
    answerer.QueueClick(IDOK);
    {
        FullList full(0);
        full.textLength = 0x7FFFFFFF;   /* a row of 2 GB */
        TestMalloc scarce(1 << 30);
        ExportList();
    }
    ASSERT_EQ(2u, answerer.Seen().size());
    EXPECT_EQ(SystemText(ERROR_NOT_ENOUGH_MEMORY), answerer.Seen()[1].text);
    EXPECT_EQ(MB_ICONERROR, answerer.Seen()[1].icon);
    EXPECT_EQ(rows, ListRows());
    EXPECT_EQ(dir_, ReadLastPath());
}
