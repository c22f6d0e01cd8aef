#include "app_fixture.h"
#include "common/common.h"
#include "registry/regaccess.h"

#include <string>

namespace {

const char kValueName[] = "VELKOR_TEST_RA";
const char kMissingKeyPath[] = "HKEY_CURRENT_USER\\VelkorTestMissingKey";


/* ReadEnvValue's result as a string, released; "<null>" for none. */
std::string Read(const char *path)
{
    char *text = ReadEnvValue(path, kValueName);
    if (!text)
        return "<null>";
    std::string copy = text;
    ReleaseText(&text);
    return copy;
}

void ExpectIncorrectKeyMessage(const DialogAnswerer &answerer)
{
    ASSERT_EQ(1u, answerer.Seen().size());
    EXPECT_EQ("Incorrect registry key!", answerer.Seen()[0].text);
    EXPECT_EQ(APP_TITLE, answerer.Seen()[0].caption);
    EXPECT_EQ(MB_ICONERROR, answerer.Seen()[0].icon);
    EXPECT_TRUE(answerer.Seen()[0].hasOk);
}

/* Test values of their own under both keys, removed before and after each test. */
class RegValueTest : public AppTest {
protected:
    void SetUp() override { DeleteEnvValues(kValueName); }
};

class RegSplit : public AppTest {};

/* The two keys, as a path string and as root and subkey. */
struct Place {
    const char *path;
    HKEY root;
    const char *subkey;
};
const Place kPlaces[2] = {
    {USER_ENV_KEY, HKEY_CURRENT_USER, kUserSubkey},
    {MACHINE_ENV_KEY, HKEY_LOCAL_MACHINE, kMachineSubkey},
};

} // namespace

TEST_F(RegSplit, AcceptsTheTwoRootNamesInAnyCase)
{
    const struct {
        const char *path;
        HKEY root;
        size_t subkeyOffset;
    } cases[] = {
        {MACHINE_ENV_KEY, HKEY_LOCAL_MACHINE, 19},
        {USER_ENV_KEY, HKEY_CURRENT_USER, 18},
        {"hkey_local_machine\\Software", HKEY_LOCAL_MACHINE, 19},
        {"Hkey_Current_User\\a\\b", HKEY_CURRENT_USER, 18},
        {"HKEY_CURRENT_USER\\", HKEY_CURRENT_USER, 18},   /* empty subkey */
        {"HKEY_LOCAL_MACHINE\\\\x", HKEY_LOCAL_MACHINE, 19},
    };
    DialogAnswerer answerer;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path);
        HKEY root = NULL;
        const char *subkey = NULL;
        EXPECT_EQ(1, SplitRegistryPath(c.path, &root, &subkey));
        EXPECT_EQ(c.root, root);
        EXPECT_EQ(c.path + c.subkeyOffset, subkey);   /* the tail of the caller's string */
    }
    EXPECT_EQ(0u, answerer.Seen().size());
}

TEST_F(RegSplit, SubkeysOfTheTwoEnvironmentPaths)
{
    HKEY root;
    const char *subkey;
    ASSERT_EQ(1, SplitRegistryPath(MACHINE_ENV_KEY, &root, &subkey));
    EXPECT_STREQ("SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment", subkey);
    ASSERT_EQ(1, SplitRegistryPath(USER_ENV_KEY, &root, &subkey));
    EXPECT_STREQ("Environment", subkey);
}

TEST_F(RegSplit, RejectsOtherPathsWithAMessage)
{
    const char *const paths[] = {
        "HKEY_CURRENT_USER",                 /* no backslash */
        "",
        "\\Environment",                     /* empty root name */
        "HKLM\\SYSTEM",
        "HKEY_USERS\\.DEFAULT\\Environment",
        "HKEY_CURRENT_USERS\\Environment",   /* a known name with more behind it */
        "XHKEY_LOCAL_MACHINE\\SYSTEM",       /* ... or before it */
    };
    for (const char *path : paths) {
        SCOPED_TRACE(path);
        DialogAnswerer answerer;
        answerer.QueueClick(IDOK);
        HKEY root = HKEY_CURRENT_USER;
        const char *subkey = NULL;
        EXPECT_EQ(0, SplitRegistryPath(path, &root, &subkey));
        EXPECT_EQ(NULL, root);
        ExpectIncorrectKeyMessage(answerer);
    }
}

TEST_F(RegSplit, ValueOperationsStopAtABadPath)
{
    DialogAnswerer answerer;
    answerer.QueueClick(IDOK);
    answerer.QueueClick(IDOK);
    answerer.QueueClick(IDOK);
    EXPECT_EQ("<null>", Read("HKLM\\SYSTEM"));
    EXPECT_EQ(0, WriteEnvValue("HKEY_USERS\\.DEFAULT", kValueName, "x"));
    EXPECT_EQ(0, DeleteEnvValue("Environment", kValueName));
    ASSERT_EQ(3u, answerer.Seen().size());
    for (const SeenDialog &seen : answerer.Seen())
        EXPECT_EQ("Incorrect registry key!", seen.text);
}

TEST_F(RegValueTest, MissingValueReadsAsEmptyTextSilently)
{
    DialogAnswerer answerer;
    for (const Place &place : kPlaces)
        EXPECT_EQ("", Read(place.path));
    EXPECT_EQ(0u, answerer.Seen().size());
}

TEST_F(RegValueTest, StringTypesReadBackUnexpanded)
{
    const std::string stored = "%SystemRoot%\\system32;C:\\Tools;%USERPROFILE%\\bin";
    DialogAnswerer answerer;
    for (const Place &place : kPlaces) {
        for (DWORD type : {(DWORD)REG_SZ, (DWORD)REG_EXPAND_SZ}) {
            SCOPED_TRACE(std::string(place.path) + " type " + std::to_string(type));
            ASSERT_TRUE(SetRawValue(place.root, place.subkey, kValueName, type, stored.c_str(),
                                    (DWORD)stored.size() + 1));
            EXPECT_EQ(stored, Read(place.path));
        }
    }
    EXPECT_EQ(0u, answerer.Seen().size());
}

/* Values of every type come back as their bytes up to the first zero byte, never beyond the stored
   bytes, and terminated also when the stored bytes hold no zero (the heap's blocks come full of 'Z'
   bytes meanwhile, so that a missing terminator shows); reading changes nothing. */
TEST_F(RegValueTest, EveryTypeReadsAsItsBytesUpToTheFirstZero)
{
    const DWORD number = 0x44434241;   /* the bytes "ABCD", no zero after them */
    const struct {
        const char *what;
        DWORD type;
        const void *data;
        DWORD size;
        const char *expected;
    } cases[] = {
        {"string with its zero", REG_SZ, "C:\\a;C:\\b", 10, "C:\\a;C:\\b"},
        {"string without its zero", REG_SZ, "abc", 3, "abc"},
        {"expandable without its zero", REG_EXPAND_SZ, "%A%;b", 5, "%A%;b"},
        {"empty string, no bytes", REG_SZ, "", 0, ""},
        {"binary", REG_BINARY, "xyz", 3, "xyz"},
        {"binary, no bytes", REG_BINARY, "", 0, ""},
        {"binary with a zero inside", REG_BINARY, "ab\0cd", 5, "ab"},
        {"binary starting with a zero", REG_BINARY, "\0a;b", 4, ""},
        {"number", REG_DWORD, &number, 4, "ABCD"},
        {"multi-string ends at its first zero", REG_MULTI_SZ, "a;b\0c;d\0", 9, "a;b"},
        {"no type", REG_NONE, "n", 1, "n"},
        {"binary of 40 bytes", REG_BINARY, "0123456789012345678901234567890123456789", 40,
         "0123456789012345678901234567890123456789"},
    };
    for (const Place &place : kPlaces) {
        for (const auto &c : cases) {
            SCOPED_TRACE(std::string(place.path) + ": " + c.what);
            ASSERT_TRUE(SetRawValue(place.root, place.subkey, kValueName, c.type, c.data, c.size));
            DWORD type = 0;
            std::string before = StoredEnv(place.root, kValueName), text;
            {
                TestMalloc dirty;
                text = Read(place.path);
            }
            EXPECT_EQ(c.expected, text);
            EXPECT_EQ(before, StoredEnv(place.root, kValueName, &type));
            EXPECT_EQ(c.type, type);
        }
    }
    EXPECT_EQ(0u, dialogs.Seen().size());
}

TEST_F(RegValueTest, WriteStoresExpandSzWithItsTerminator)
{
    const char *const texts[] = {"C:\\Windows;%SystemRoot%\\bin", "x", ""};
    DialogAnswerer answerer;
    for (const Place &place : kPlaces) {
        for (const char *text : texts) {
            SCOPED_TRACE(std::string(place.path) + ": " + text);
            ASSERT_EQ(1, WriteEnvValue(place.path, kValueName, text));
            DWORD type = 0;
            std::string bytes;
            ASSERT_TRUE(GetRawValue(place.root, place.subkey, kValueName, &type, &bytes));
            EXPECT_EQ((DWORD)REG_EXPAND_SZ, type);
            EXPECT_EQ(std::string(text) + '\0', bytes);   /* the empty text: one zero byte */
            EXPECT_EQ(text, Read(place.path));
        }
    }
    EXPECT_EQ(0u, answerer.Seen().size());
}

TEST_F(RegValueTest, WriteOverAStringValueMakesItExpandable)
{
    DialogAnswerer answerer;
    for (const Place &place : kPlaces) {
        SCOPED_TRACE(place.path);
        ASSERT_TRUE(SetRawValue(place.root, place.subkey, kValueName, REG_SZ, "a much longer old value", 24));
        ASSERT_EQ(1, WriteEnvValue(place.path, kValueName, "newer"));
        DWORD type = 0;
        std::string bytes;
        ASSERT_TRUE(GetRawValue(place.root, place.subkey, kValueName, &type, &bytes));
        EXPECT_EQ((DWORD)REG_EXPAND_SZ, type);
        EXPECT_EQ(6u, bytes.size());
        EXPECT_EQ(std::string("newer", 6), bytes);
    }
    EXPECT_EQ(0u, answerer.Seen().size());
}

TEST_F(RegValueTest, DeleteRemovesTheValueAndAMissingOneSilently)
{
    DialogAnswerer answerer;
    for (const Place &place : kPlaces) {
        SCOPED_TRACE(place.path);
        ASSERT_TRUE(SetRawValue(place.root, place.subkey, kValueName, REG_EXPAND_SZ, "x", 2));
        EXPECT_EQ(1, DeleteEnvValue(place.path, kValueName));
        DWORD type;
        std::string bytes;
        EXPECT_FALSE(GetRawValue(place.root, place.subkey, kValueName, &type, &bytes));
        EXPECT_EQ(1, DeleteEnvValue(place.path, kValueName));   /* nothing left to delete */
    }
    EXPECT_EQ(0u, answerer.Seen().size());
}

TEST_F(RegValueTest, MissingKeyShowsTheSystemTextAndFails)
{
    const std::string expected = SystemText(ERROR_FILE_NOT_FOUND);
    ASSERT_FALSE(expected.empty());
    DialogAnswerer answerer;
    for (int i = 0; i < 3; i++)
        answerer.QueueClick(IDOK);
    EXPECT_EQ("<null>", Read(kMissingKeyPath));
    EXPECT_EQ(0, WriteEnvValue(kMissingKeyPath, kValueName, "x"));
    EXPECT_EQ(0, DeleteEnvValue(kMissingKeyPath, kValueName));
    ASSERT_EQ(3u, answerer.Seen().size());
    for (const SeenDialog &seen : answerer.Seen()) {
        EXPECT_EQ(expected, seen.text);
        EXPECT_EQ(APP_TITLE, seen.caption);
        EXPECT_EQ(MB_ICONERROR, seen.icon);
    }
    HKEY key;
    EXPECT_NE(ERROR_SUCCESS, RegOpenKeyA(HKEY_CURRENT_USER, "VelkorTestMissingKey", &key));   /* never created */
}
