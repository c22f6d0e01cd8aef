#include <gtest/gtest.h>

#include "golden.h"

#include "common/texts.h"
#include "output/snapshotformat.h"

#include <stdio.h>
#include <stdlib.h>

#include <algorithm>

#include <string>
#include <vector>

namespace {

const unsigned long kSz = 1, kExpandSz = 2, kMultiSz = 7, kDword = 4, kQword = 11;

/* A UTF-16LE text as its bytes, the terminating zero included, from UTF-16 units. */
std::string Utf16(const std::u16string &text)
{
    std::string bytes;
    for (char16_t unit : text) {
        bytes += (char)(unit & 0xFF);
        bytes += (char)(unit >> 8);
    }
    return bytes + std::string(2, '\0');
}

struct Value {
    int state;
    unsigned long type;
    std::string bytes;
    unsigned long error;
    SnapshotValue Get() const
    {
        return {state, type, (const unsigned char *)bytes.data(), bytes.size(), error};
    }
};

Value Present(unsigned long type, const std::string &bytes)
{
    return {SNAPSHOT_VALUE_PRESENT, type, bytes, 0};
}

const Value kAbsent = {SNAPSHOT_VALUE_ABSENT, 0, "", 0};
const Value kUnread = {-1, 0, "", 0};   /* given as NULL: the backup could not read it */
const Value kKeyMissing = {SNAPSHOT_KEY_MISSING, 0, "", 5};   /* error 5: access denied */

std::string Compose(const char *name, const Value &user, const Value &machine)
{
    SnapshotValue u = user.Get(), m = machine.Get();
    size_t length = 0;
    char *bytes = ComposeSnapshotFile(name, &u, &m, &length);
    EXPECT_NE(nullptr, bytes);
    std::string file = bytes ? std::string(bytes, length) : std::string();
    free(bytes);
    return file;
}

std::string Backup(const char *name, const Value &user, const Value &machine)
{
    SnapshotValue u = user.Get(), m = machine.Get();
    size_t length = 0;
    char *bytes = ComposeBackupFile(name, user.state < 0 ? nullptr : &u,
                                    machine.state < 0 ? nullptr : &m, &length);
    EXPECT_NE(nullptr, bytes);
    std::string file = bytes ? std::string(bytes, length) : std::string();
    free(bytes);
    return file;
}

/* A file as text: a REGEDIT4 file as it is, a Unicode file's UTF-16LE as UTF-8 (its byte-order
   mark included, as U+FEFF). */
std::string Readable(const std::string &file)
{
    if (file.compare(0, 2, "\xFF\xFE") != 0)
        return file;
    std::string text;
    EXPECT_EQ(0u, file.size() % 2);
    for (size_t i = 0; i + 1 < file.size(); i += 2) {
        unsigned long point = (unsigned char)file[i] | (unsigned)(unsigned char)file[i + 1] << 8;
        if (point >= 0xD800 && point <= 0xDBFF && i + 3 < file.size()) {
            i += 2;
            point = 0x10000 + ((point - 0xD800) << 10) +
                    (((unsigned char)file[i] | (unsigned)(unsigned char)file[i + 1] << 8) - 0xDC00);
        }
        if (point < 0x80) {
            text += (char)point;
        } else if (point < 0x800) {
            text += (char)(0xC0 | (point >> 6));
            text += (char)(0x80 | (point & 0x3F));
        } else if (point < 0x10000) {
            text += (char)(0xE0 | (point >> 12));
            text += (char)(0x80 | ((point >> 6) & 0x3F));
            text += (char)(0x80 | (point & 0x3F));
        } else {
            text += (char)(0xF0 | (point >> 18));
            text += (char)(0x80 | ((point >> 12) & 0x3F));
            text += (char)(0x80 | ((point >> 6) & 0x3F));
            text += (char)(0x80 | (point & 0x3F));
        }
    }
    return text;
}

/* The machine block's value line of a snapshot. */
std::string MachineLine(const Value &machine)
{
    std::string text = Readable(Compose("N", kAbsent, machine));
    size_t start = text.find("\"N\"=", text.find("[HKEY_LOCAL_MACHINE"));
    return text.substr(start, text.find("\r\n", start) - start);
}

/* Each file in tests/golden, whole. The snapshots hold one value of every kind between them; the
   backups are REGEDIT4 while every character is ASCII, string types beyond REG_SZ one byte per
   character, and the Unicode format otherwise. */
TEST(SnapshotFormatGolden, EveryKindOfValue)
{
    std::string expand = Utf16(u"%SystemRoot%\\system32;%SystemRoot%;%SystemRoot%\\System32\\Wbem");
    std::string multi = Utf16(u"one") + Utf16(u"two") + std::string(2, '\0');
    std::string machinePath = Utf16(u"%SystemRoot%\\system32;%SystemRoot%");
    const struct {
        const char *golden;
        bool backup;
        const char *name;
        Value user, machine;
    } cases[] = {
        {"snapshot_sz_expand.reg", false, "PATH",
         Present(kSz, Utf16(u"C:\\Tools;\"quoted\";\u0141\u00f3d\u017a;\u4e2d\u6587;\U0001F600")),
         Present(kExpandSz, expand)},
        {"snapshot_absent_multi.reg", false, "A\"B\\C", kAbsent, Present(kMultiSz, multi)},
        {"snapshot_unquotable_dword.reg", false, "PATH",
         Present(kSz, Utf16(u"line\nbreak") + Utf16(u"\xD800 lone")),
         Present(kDword, std::string("\x2a\0\0\0", 4))},
        {"snapshot_missing_key_qword.reg", false, "PATH",
         kKeyMissing, Present(kQword, std::string("\1\2\3\4\5\6\7\x80", 8))},
        {"backup_example.reg", true, "PATH", Present(kSz, Utf16(u"C:\\Tools;\"D:\\My Tools\\bin\"")),
         Present(kSz, machinePath)},
        {"backup_machine_only.reg", true, "PATH", kAbsent, Present(kSz, machinePath)},
        {"backup_unicode.reg", true, "PATH", Present(kSz, Utf16(u"C:\\Users\\\u5f20\u4f1f\\bin")),
         Present(kSz, Utf16(u"C:\\\u0141\u00f3d\u017a\\bin;C:\\\u65e5\u672c\\tools;\"C:\\plain\""))},
        {"backup_typed.reg", true, "A\"B\\C", Present(kMultiSz, multi), Present(kExpandSz, expand)},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ReadGolden(c.golden), c.backup ? Backup(c.name, c.user, c.machine)
                                                 : Compose(c.name, c.user, c.machine))
            << c.golden;
}

/* A backup holds every value that exists, the empty ones too (an empty REG_EXPAND_SZ would not
   come back otherwise), as the snapshot writes it, with the name escaped; REGEDIT4 only while
   every character is ASCII, which every code page reads alike. */
TEST(SnapshotFormat, BackupWritesEveryPresentValueInTheFormatThatCarriesIt)
{
    const std::string r4 = "REGEDIT4\r\n", u5 = u8"\uFEFF" UNICODE_REG_HEAD "\r\n";
    const std::string user = "\r\n[" USER_ENV_KEY "]\r\n", machine = "\r\n[" MACHINE_ENV_KEY "]\r\n";
    const Value missing = {SNAPSHOT_KEY_MISSING, 0, "", 2};
    const struct {
        const char *what, *name;
        Value user, machine;
        std::string expected;
    } cases[] = {
        {"neither value", "P", kAbsent, kAbsent, r4},
        {"neither could be read", "P", kUnread, missing, r4},
        {"name and value escaped", "A\"B\\C", Present(kSz, Utf16(u"u")), Present(kSz, Utf16(u"m\\")),
         r4 + user + "\"A\\\"B\\\\C\"=\"u\"\r\n" + machine + "\"A\\\"B\\\\C\"=\"m\\\\\"\r\n"},
        {"empty string", "P", Present(kSz, Utf16(u"")), kAbsent, r4 + user + "\"P\"=\"\"\r\n"},
        {"empty expandable string", "P", kAbsent, Present(kExpandSz, Utf16(u"")),
         r4 + machine + "\"P\"=hex(2):00\r\n"},
        {"expandable", "P", Present(kExpandSz, Utf16(u"%A%\\b")), kAbsent,
         r4 + user + "\"P\"=hex(2):25,41,25,5c,62,00\r\n"},
        /* A REG_SZ that cannot be quoted goes in hex(1) of a Unicode file, never of REGEDIT4. */
        {"line feed", "P", Present(kSz, Utf16(u"a\nb")), kAbsent,
         u5 + user + "\"P\"=hex(1):61,00,0a,00,62,00,00,00\r\n"},
        {"zero inside", "P", Present(kSz, Utf16(u"a") + Utf16(u"b")), kAbsent,
         u5 + user + "\"P\"=hex(1):61,00,00,00,62,00,00,00\r\n"},
        {"other value unquotable", "P", Present(kSz, Utf16(u"x")), Present(kSz, Utf16(u"\r")),
         u5 + user + "\"P\"=\"x\"\r\n" + machine + "\"P\"=hex(1):0d,00,00,00\r\n"},
        {"multi-string", "P", Present(kMultiSz, Utf16(u"a") + Utf16(u"") + std::string(2, '\0')), kAbsent,
         r4 + user + "\"P\"=hex(7):61,00,00,00\r\n"},
        {"other type", "P", kAbsent, Present(kDword, std::string("\x2a\0\0\x80", 4)),
         r4 + machine + "\"P\"=hex(4):2a,00,00,80\r\n"},
        {"Latin-1", "P", Present(kSz, Utf16(u"C:\\caf\u00e9")), kAbsent, u5 + user + u8"\"P\"=\"C:\\\\café\"\r\n"},
        {"double-byte character", "P", Present(kSz, Utf16(u"C:\\\u30bd\\bin")), kAbsent,
         u5 + user + u8"\"P\"=\"C:\\\\ソ\\\\bin\"\r\n"},
        {"expandable beyond ASCII", "P", kAbsent, Present(kExpandSz, Utf16(u"\u30bd")),
         u5 + machine + "\"P\"=hex(2):bd,30,00,00\r\n"},
        {"name beyond ASCII", u8"Ż", Present(kSz, Utf16(u"x")), kAbsent, u5 + user + u8"\"Ż\"=\"x\"\r\n"},
        {"string without its zero", "P", Present(kSz, std::string("a\0", 2)), kAbsent,
         u5 + user + "\"P\"=hex(1):61,00\r\n"},
        {"unread user value, machine beyond", "P", kUnread, Present(kSz, Utf16(u"\u65e5")),
         u5 + machine + u8"\"P\"=\"日\"\r\n"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.expected, Readable(Backup(c.name, c.user, c.machine))) << c.what;
}

TEST(SnapshotFormat, MegabyteValueIsWrittenWhole)
{
    std::u16string value;
    std::string escaped;
    for (int i = 0; i < 50000; i++) {
        std::string element = "C:\\dir" + std::to_string(i) + ";";
        value += std::u16string(element.begin(), element.end());
        escaped += "C:\\\\dir" + std::to_string(i) + ";";
    }
    EXPECT_EQ("REGEDIT4\r\n\r\n[" USER_ENV_KEY "]\r\n\"P\"=\"" + escaped + "\"\r\n",
              Backup("P", Present(kSz, Utf16(value)), kAbsent));
}

/* A REG_SZ is quoted only when the quotes give back exactly its bytes. */
TEST(SnapshotFormat, StringIsQuotedOnlyWhenExact)
{
    const struct {
        std::string bytes;
        const char *line;
    } cases[] = {
        {Utf16(u""), "\"N\"=\"\""},
        {Utf16(u"a\\\"b"), "\"N\"=\"a\\\\\\\"b\""},
        {"", "\"N\"=hex(1):"},
        {std::string("a\0", 2), "\"N\"=hex(1):61,00"},                   /* no terminator */
        {std::string("a\0\0", 3), "\"N\"=hex(1):61,00,00"},              /* odd size */
        {Utf16(u"a") + Utf16(u"b"), "\"N\"=hex(1):61,00,00,00,62,00,00,00"},   /* inner zero */
        {Utf16(u"\r"), "\"N\"=hex(1):0d,00,00,00"},
        {Utf16(u"\xDC00"), "\"N\"=hex(1):00,dc,00,00"},                  /* lone low surrogate */
        {Utf16(u"\xD800"), "\"N\"=hex(1):00,d8,00,00"},                  /* lone high, at the end */
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.line, MachineLine(Present(kSz, c.bytes)));
}

TEST(SnapshotFormat, LongHexIsContinuedOnIndentedLines)
{
    std::string line = MachineLine(Present(kExpandSz, std::string(40, 'a')));
    EXPECT_EQ("\"N\"=hex(2):61,61,61,61,61,61,61,61,61,61,61,61,61,61,61,61,61,61,61,61,61,61,\\", line);
    std::string file = Compose("N", kAbsent, Present(kExpandSz, std::string(40, 'a')));
    std::string text;
    for (size_t i = 2; i < file.size(); i += 2)
        text += file[i];
    EXPECT_NE(std::string::npos, text.find("61,\\\r\n  61,61,")) << text;
    EXPECT_EQ(std::string::npos, text.find(",\r\n")) << "no line ends after a comma without '\\'";
}

TEST(SnapshotFormat, NameIsSanitizedAndCut)
{
    std::string twoFiftyFive(255, 'A'), hundredL;
    for (int i = 0; i < 100; i++)
        hundredL += "\xC5\x82";   /* U+0142, one unit each */
    const struct {
        std::string name, safe;
    } cases[] = {
        {"PATH", "PATH"},
        {"a\"b\\c:d*e?f<g>h|i/j", "a_b_c_d_e_f_g_h_i_j"},
        {"tab\there\x01\x1f", "tab_here__"},
        {twoFiftyFive, std::string(100, 'A')},
        {hundredL + "x", hundredL},
        {std::string(99, 'A') + "\xF0\x9F\x98\x80", std::string(99, 'A')},   /* a pair never split */
        {std::string(98, 'A') + "\xF0\x9F\x98\x80z", std::string(98, 'A') + "\xF0\x9F\x98\x80"},
        {"bad\xFF\xC3(end", "bad__(end"},
    };
    for (const auto &c : cases) {
        char out[SNAPSHOT_FILE_NAME_SIZE];
        SanitizeSnapshotName(c.name.c_str(), out);
        EXPECT_EQ(c.safe, out) << c.name;
    }
}

TEST(SnapshotFormat, FileNameCarriesTimeAndCounter)
{
    const SnapshotTime time = {2026, 1, 7, 8, 5, 9};
    const struct {
        int counter;
        const char *name;
    } cases[] = {
        {1, "PATH-20260107-080509.reg"},
        {2, "PATH-20260107-080509-2.reg"},
        {13, "PATH-20260107-080509-13.reg"},
    };
    for (const auto &c : cases) {
        char out[SNAPSHOT_FILE_NAME_SIZE];
        SnapshotFileName(out, "PATH", &time, c.counter);
        EXPECT_STREQ(c.name, out);
    }
}

/* Newest first by the time in the name, then by the counter; only this variable's snapshots (the
   name's form and the head's name), never the one just written. */
TEST(SnapshotFormat, RetentionDropsOnlyTheOldestOfThisVariable)
{
    const std::vector<const char *> names = {
        "PATH-20260102-000000-2.reg",    /* 2nd newest */
        "PATH-20260101-000000.reg",      /* 5th */
        "path-20260102-000000.REG",      /* 3rd: case ignored */
        "PATH-20260102-000000-10.reg",   /* newest */
        "PATH-20251231-235959-3.reg",    /* 6th */
        "PATH-20260101-120000.reg",      /* 4th */
        "PATH-19990101-000000.reg",      /* the one just written, under a clock set back */
        "PATH-20000101-000000.reg",      /* its head names another variable, or was unreadable */
        "PATHX-20250101-000000.reg", "PATH-20250101-000000.txt", "PATH-2025011-000000.reg",
        "PATH-20250101-000000-1.reg", "PATH-20250101-000000-02.reg", "PATH-20250101-0000000.reg",
        "PATH-20250101-000000-2x.reg", "PATH-20250101-000000.reg.bak", "PATH",
    };
    std::vector<unsigned char> ours(names.size(), 1);
    ours[7] = 0;
    const struct {
        size_t keep;
        const char *written;
        const char *doomed;   /* one flag per name */
    } cases[] = {
        {100, "PATH-19990101-000000.reg", "00000000000000000"},
        {7, "PATH-19990101-000000.reg", "00000000000000000"},
        {6, "PATH-19990101-000000.reg", "00001000000000000"},
        {3, "path-19990101-000000.reg", "01101100000000000"},
        {1, "PATH-19990101-000000.reg", "11111100000000000"},
        {0, "PATH-19990101-000000.reg", "11111100000000000"},
        {6, "PATH-20260102-000000-10.reg", "00000010000000000"},
        {7, nullptr, "00000000000000000"},
        {2, nullptr, "01101110000000000"},
        {6, "PATH-20300101-000000.reg", "00001010000000000"},   /* not in the listing: still one place */
    };
    for (const auto &c : cases) {
        std::vector<unsigned char> doomed(names.size(), 9);
        size_t marked = ChooseOldSnapshots(names.data(), ours.data(), names.size(), "PATH", c.written,
                                           c.keep, doomed.data());
        std::string flags;
        size_t count = 0;
        for (unsigned char d : doomed) {
            flags += d ? '1' : '0';
            count += d ? 1 : 0;
        }
        EXPECT_EQ(c.doomed, flags) << "keep " << c.keep << ", written " << (c.written ? c.written : "none");
        EXPECT_EQ(count, marked);
    }
    EXPECT_TRUE(IsSnapshotFileOf("path-20260102-000000-2.REG", "PATH"));
    EXPECT_FALSE(IsSnapshotFileOf("PATHX-20250101-000000.reg", "PATH"));
}

/* The head of a snapshot names its variable exactly: names that give one safe name, or share a
   beginning, are told apart. */
TEST(SnapshotFormat, HeadTellsWhoseSnapshotItIs)
{
    std::string wide, quotes(255, '"');
    for (int i = 0; i < 255; i++)
        wide += u8"\u65e5";
    const Value sz = Present(kSz, Utf16(u"x")), missing = {SNAPSHOT_KEY_MISSING, 0, "", 5};
    const struct {
        std::string written, asked;
        Value user;
        bool ours;
    } cases[] = {
        {"PATH", "PATH", sz, true},
        {"PATH", "Path", sz, true},
        {"A:B", "A_B", sz, false},
        {"A_B", "A?B", sz, false},
        {"AB", "ABC", sz, false},
        {"ABC", "AB", sz, false},
        {"A\"B\\C", "A\"B\\C", kAbsent, true},
        {"A\"B\\C", "A\"B\\", kAbsent, false},
        {u8"\u017b\U0001F600", u8"\u017b\U0001F600", sz, true},
        {u8"\u017b", u8"\u017c", sz, false},   /* beyond ASCII, case counts: a snapshot kept more */
        {wide, wide, missing, true},   /* the longest name, behind a comment, within the head read */
        {quotes, quotes, missing, true},
    };
    for (const auto &c : cases) {
        std::string file = Compose(c.written.c_str(), c.user, sz);
        size_t size = std::min(file.size(), (size_t)SNAPSHOT_HEAD_SIZE);
        EXPECT_EQ(c.ours, SnapshotNamesVariable((const unsigned char *)file.data(), size, c.asked.c_str()))
            << c.written << " asked as " << c.asked;
    }
    /* A head cut anywhere before the '=' after the name names nobody; nor does a REGEDIT4 file. */
    std::string file = Compose("PATH", sz, sz);
    size_t equals = file.find(std::string("=\0", 2));
    for (size_t cut = 0; cut <= equals + 2; cut++)
        EXPECT_EQ(cut == equals + 2, SnapshotNamesVariable((const unsigned char *)file.data(), cut, "PATH"))
            << cut;
    std::string r4 = Backup("PATH", sz, sz);
    EXPECT_FALSE(SnapshotNamesVariable((const unsigned char *)r4.data(), r4.size(), "PATH"));
}

}  // namespace
