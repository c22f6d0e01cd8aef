#include <gtest/gtest.h>

#include "golden.h"

#include "common/texts.h"
#include "output/fileformat.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

namespace {

std::string Take(char *bytes, size_t length)
{
    EXPECT_NE(nullptr, bytes);
    if (!bytes)
        return std::string();
    std::string result(bytes, length);
    free(bytes);
    return result;
}

std::string Export(const char *name, const std::vector<const char *> &rows)
{
    size_t length = 0;
    char *bytes = ComposeExportFile(name, rows.data(), (int)rows.size(), &length);
    return Take(bytes, length);
}

/* The bytes that WriteEscapedValue gives for one value. */
std::string Escaped(const std::string &value)
{
    std::string out;
    TextFile *file = new TextFile;
    StartTextFile(file, [](void *context, const char *bytes, size_t count) {
        static_cast<std::string *>(context)->append(bytes, count);
        return 1;
    }, &out);
    WriteEscapedValue(file, value.c_str());
    EXPECT_TRUE(FinishTextFile(file));
    delete file;
    return out;
}

} // namespace

TEST(FileFormatGolden, ExportWorkedExample)
{
    EXPECT_EQ(ReadGolden("export_example.txt"),
              Export("PATH", {MACHINE_HEADER_TEXT, "%SystemRoot%\\system32", "%SystemRoot%",
                              USER_HEADER_TEXT, "C:\\Tools"}));
}

TEST(FileFormat, ExportWritesEveryRowUnchangedWithCrLf)
{
    EXPECT_EQ("X=\r\n", Export("X", {}));
    EXPECT_EQ("X=\r\na=b;\"c\"%d%\r\n\r\n \\ \r\n",
              Export("X", {"a=b;\"c\"%d%", "", " \\ "}));
}

TEST(FileFormat, LineFeedInsideTextGetsCarriageReturn)
{
    EXPECT_EQ("X=\r\na\r\nb\r\n", Export("X", {"a\nb"}));
    EXPECT_EQ("a\r\nb", Escaped("a\nb"));
    /* A CR already there is not doubled or dropped: only a CR is put before each LF. */
    EXPECT_EQ("a\r\r\nb\r", Escaped("a\r\nb\r"));
}

TEST(FileFormat, EscapingTouchesOnlyBackslashAndDoubleQuote)
{
    for (int byte = 1; byte < 256; byte++) {
        if (byte == '\n')
            continue;   /* checked above: the text-mode rule, not the escaping */
        std::string value(1, (char)byte);
        std::string expected = (byte == '\\' || byte == '"') ? "\\" + value : value;
        EXPECT_EQ(expected, Escaped("x" + value + "y").substr(1, expected.size())) << "byte " << byte;
        EXPECT_EQ(expected.size() + 2, Escaped("x" + value + "y").size()) << "byte " << byte;
    }
    EXPECT_EQ("", Escaped(""));
    EXPECT_EQ("%SystemRoot%;C:\\\\a\\\"b\\\"", Escaped("%SystemRoot%;C:\\a\"b\""));
}

/* Long texts cross the buffer boundary; every CR must stay directly before its LF. */
TEST(FileFormat, LongTextsKeepEveryByteAcrossBufferBoundaries)
{
    for (size_t offset = TEXT_FILE_BUFFER_SIZE - 4; offset <= TEXT_FILE_BUFFER_SIZE + 1; offset++) {
        std::string value(offset, 'v');
        value += "\n\\\"\n";
        value += std::string(3 * TEXT_FILE_BUFFER_SIZE, 'w');
        std::string expected(offset, 'v');
        expected += "\r\n\\\\\\\"\r\n";
        expected += std::string(3 * TEXT_FILE_BUFFER_SIZE, 'w');
        EXPECT_EQ(expected, Escaped(value)) << "offset " << offset;
    }
}

TEST(FileFormat, FailingSinkIsNotCalledAgainAndFinishReportsIt)
{
    struct Count { int calls = 0; } count;
    TextFile *file = new TextFile;
    StartTextFile(file, [](void *context, const char *, size_t) {
        static_cast<Count *>(context)->calls++;
        return 0;
    }, &count);
    std::string big(3 * TEXT_FILE_BUFFER_SIZE, 'x');
    WriteText(file, big.c_str());
    WriteText(file, "tail\n");
    EXPECT_FALSE(FinishTextFile(file));
    EXPECT_EQ(1, count.calls);
    delete file;
}

TEST(FileFormat, SinkGetsNothingForAnEmptyFile)
{
    int calls = 0;
    TextFile *file = new TextFile;
    StartTextFile(file, [](void *context, const char *, size_t) {
        ++*static_cast<int *>(context);
        return 1;
    }, &calls);
    EXPECT_TRUE(FinishTextFile(file));
    EXPECT_EQ(0, calls);
    delete file;
}

TEST(CutToFolder, KeepsTheTextBeforeTheLastBackslash)
{
    const struct { const char *path, *folder; } cases[] = {
        {"C:\\Data\\PATH.txt", "C:\\Data"},
        {"C:\\PATH.txt", "C:"},
        {"\\\\server\\share\\PATH.txt", "\\\\server\\share"},
        {"PATH.txt", ""},
        {"\\PATH.txt", ""},
        {"", ""},
        {"C:\\Data\\", "C:\\Data"},
        {"\x83\\x", "\x83"},   /* byte-wise: a trail byte 0x5C counts as a backslash */
    };
    for (const auto &c : cases) {
        std::vector<char> buffer(c.path, c.path + strlen(c.path) + 1);
        EXPECT_EQ(buffer.data(), CutToFolder(buffer.data())) << c.path;
        EXPECT_STREQ(c.folder, buffer.data()) << c.path;
    }
}

TEST(ProposeFileName, AppendsNameToTheFolder)
{
    const struct { const char *folder, *name, *extension, *proposed; } cases[] = {
        {"", "PATH", "txt", "\\PATH.txt"},
        {"", "CLASSPATH", "txt", "\\CLASSPATH.txt"},
        {"C:\\Temp", "PATH", "txt", "C:\\Temp\\PATH.txt"},
        {"E:\\Saves", "PATH", "reg", "E:\\Saves\\PATH.reg"},
        {"C:", "PATH", "txt", "C:\\PATH.txt"},
    };
    for (const auto &c : cases) {
        char buffer[3001];
        strcpy(buffer, c.folder);
        ProposeFileName(buffer, sizeof buffer, c.name, c.extension);
        EXPECT_STREQ(c.proposed, buffer) << c.folder;
    }
}

/* The buffer lies inside a larger block filled with guard bytes that must stay untouched. */
TEST(ProposeFileName, LongFolderGivesTheFileNameAloneWithinTheBuffer)
{
    const size_t size = 3001;
    const size_t guard = 64;
    const char *name = "PATH";   /* "\PATH.txt" is 9 characters */
    const struct { size_t folderLength; bool keepsFolder; } cases[] = {
        {2991, true},    /* 2991 + 9 = 3000 characters and the zero: just fits */
        {2992, false},
        {3000, false},   /* the longest that the profile read returns */
    };
    for (const auto &c : cases) {
        std::vector<char> block(size + 2 * guard, '#');
        char *buffer = block.data() + guard;
        memset(buffer, 'f', c.folderLength);
        buffer[c.folderLength] = '\0';
        ProposeFileName(buffer, size, name, "txt");
        std::string expected = c.keepsFolder ? std::string(c.folderLength, 'f') + "\\PATH.txt" : "PATH.txt";
        EXPECT_EQ(expected, std::string(buffer)) << c.folderLength;
        EXPECT_EQ(std::string(guard, '#'), std::string(block.data(), guard));
        EXPECT_EQ(std::string(guard, '#'), std::string(block.data() + guard + size, guard));
    }
}

TEST(ProposeFileName, UnterminatedOrTinyBufferIsNeverOverrun)
{
    std::vector<char> block(40, '#');
    memset(block.data() + 8, 'f', 16);   /* 16 bytes without a zero */
    ProposeFileName(block.data() + 8, 16, "PATH", "txt");
    EXPECT_STREQ("PATH.txt", block.data() + 8);
    EXPECT_EQ('#', block[7]);
    EXPECT_EQ('#', block[24]);

    char small[8] = "";
    ProposeFileName(small, sizeof small, "PATH", "txt");   /* "PATH.txt" needs 9 bytes */
    EXPECT_STREQ("", small);
    char exact[9] = "";
    ProposeFileName(exact, sizeof exact, "PATH", "txt");
    EXPECT_STREQ("PATH.txt", exact);
}

/* The Unicode text file: UTF-8 in, UTF-16LE out after a byte-order mark, CR before LF, any
   malformed byte as U+FFFD; a buffer boundary never splits a character. */
static std::u16string WriteUnicode(const std::string &text)
{
    std::string bytes;
    TextFile *file = new TextFile;
    StartUnicodeTextFile(file, [](void *context, const char *data, size_t count) {
        static_cast<std::string *>(context)->append(data, count);
        return 1;
    }, &bytes);
    WriteText(file, text.c_str());
    EXPECT_TRUE(FinishTextFile(file));
    delete file;
    std::u16string units;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        units += (char16_t)((unsigned char)bytes[i] | (unsigned char)bytes[i + 1] << 8);
    EXPECT_EQ(0u, bytes.size() % 2);
    return units;
}

TEST(UnicodeTextFile, ConvertsUtf8AndMarksMalformedBytes)
{
    const struct { const char *utf8; std::u16string expected; } cases[] = {
        {"", u"\uFEFF"},
        {"A\n", u"\uFEFFA\r\n"},
        {"C:\\\xC5\x81\xC3\xB3\x64\xC5\xBA", u"\uFEFFC:\\\u0141\u00F3d\u017A"},     /* Łódź */
        {"\xE6\x97\xA5\xE6\x9C\xAC", u"\uFEFF\u65E5\u672C"},                         /* 日本 */
        {"\xF0\x9F\x98\x80", u"\uFEFF\xD83D\xDE00"},                                 /* U+1F600 */
        {"a\x80" "b", u"\uFEFFa\uFFFDb"},                                            /* stray */
        {"\xC0\xAF", u"\uFEFF\uFFFD"},                                               /* overlong */
        {"\xED\xA0\x80", u"\uFEFF\uFFFD"},                                           /* surrogate */
        {"\xE6\x97" "x", u"\uFEFF\uFFFDx"},                                          /* cut short */
        {"\xE6\x97", u"\uFEFF\uFFFD"},                                               /* at the end */
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.expected, WriteUnicode(c.utf8)) << c.utf8;
}

TEST(UnicodeTextFile, LongTextsCrossTheBufferWhole)
{
    std::string text;
    std::u16string expected = u"\uFEFF";
    for (int i = 0; i < 20000; i++) {
        text += "\xF0\x9F\x98\x80\xC5\x81\n";
        expected += u"\xD83D\xDE00\u0141\r\n";
    }
    EXPECT_EQ(expected, WriteUnicode(text));
}
