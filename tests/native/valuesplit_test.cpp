#include <gtest/gtest.h>

#include "entries/valuesplit.h"

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Split(const std::string &value)
{
    struct Collect {
        const std::string *value;
        std::vector<std::string> rows;
    } collect{&value, {}};
    size_t count = SplitValue(value.c_str(), [](void *context, size_t begin, size_t end) {
        Collect *c = static_cast<Collect *>(context);
        c->rows.push_back(c->value->substr(begin, end - begin));
    }, &collect);
    EXPECT_EQ(collect.rows.size(), count);
    return collect.rows;
}

struct Row {
    std::string text;
    int data;   /* non-zero: header row */
    size_t overReported = 0;   /* bytes that the length query adds to the real length */
};

RowSource SourceOf(const std::vector<Row> &rows)
{
    RowSource source;
    source.context = const_cast<std::vector<Row> *>(&rows);
    source.count = (int)rows.size();
    source.isHeader = [](void *context, int index) {
        return (*static_cast<std::vector<Row> *>(context))[index].data != 0 ? 1 : 0;
    };
    source.textLength = [](void *context, int index) {
        const Row &row = (*static_cast<std::vector<Row> *>(context))[index];
        return row.text.size() + row.overReported;
    };
    source.copyText = [](void *context, int index, char *dest) {
        const std::string &text = (*static_cast<std::vector<Row> *>(context))[index].text;
        memcpy(dest, text.c_str(), text.size() + 1);
        return text.size();
    };
    return source;
}

/* Joins into a buffer of exactly the announced size, guarded by canaries on both sides. */
std::string Join(const std::vector<Row> &rows, int start)
{
    RowSource source = SourceOf(rows);
    size_t size = JoinedSectionSize(&source, start);
    std::string buffer(size + 2, '#');
    size_t length = FillJoinedSection(&source, start, &buffer[1], size);
    EXPECT_EQ('#', buffer[0]);
    EXPECT_EQ('#', buffer[size + 1]);
    std::string result(&buffer[1]);
    EXPECT_EQ(result.size(), length);
    return result;
}

std::vector<Row> EntryRows(const std::vector<std::string> &texts)
{
    std::vector<Row> rows;
    for (const std::string &text : texts)
        rows.push_back({text, 0});
    return rows;
}

std::string JoinEntries(const std::vector<std::string> &texts)
{
    std::vector<Row> rows = {{"M", 1}};
    for (const Row &row : EntryRows(texts))
        rows.push_back(row);
    return Join(rows, 1);
}

const Row M{"---machine---", 1};
const Row U{"---user---", 1};
Row E(const char *text) { return {text, 0}; }

} // namespace

TEST(ValueSplit, SplitsLikeTheRulesSay)
{
    const struct {
        const char *value;
        std::vector<std::string> rows;
    } cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a;b", {"a", "b"}},
        {"a;", {"a"}},
        {"a;;b", {"a", ";b"}},
        {";a", {";a"}},
        {";", {";"}},
        {";;", {";"}},
        {";;;", {";", ";"}},
        {"a;;", {"a", ";"}},
        {"\"a;b\";c", {"\"a;b\"", "c"}},
        {"\"a\"b;c", {"\"a\"b", "c"}},
        {"a\"b;c\"d", {"a\"b", "c\"d"}},
        {"\"a;b", {"\"a;b"}},
        {"\"a;b;", {"\"a;b;"}},
        {"\"\"", {"\"\""}},
        {"\"", {"\""}},
        {"\"\";;", {"\"\"", ";"}},
        {" a ; b ", {" a ", " b "}},
        {"C:\\x;\"C:\\Program Files;x\";%SystemRoot%\\bin", {"C:\\x", "\"C:\\Program Files;x\"", "%SystemRoot%\\bin"}},
        {"\xE9;\xE9\xE9", {"\xE9", "\xE9\xE9"}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.rows, Split(c.value)) << "value [" << c.value << "]";
}

TEST(ValueSplit, JoinsEachSectionByCountingHeaders)
{
    const struct {
        const char *what;
        std::vector<Row> rows;
        std::string machine, user;
    } cases[] = {
        {"usual shape", {M, E("a"), E("b"), U, E("c")}, "a;b", "c"},
        {"empty sections", {M, U}, "", ""},
        {"empty list", {}, "", ""},
        {"empty row gives an empty element", {M, E("a"), E(""), E("b"), U}, "a;;b", ""},
        {"a section of one empty row", {M, E(""), U, E("x")}, "", "x"},
        {"empty row last", {M, E("a"), E(""), U}, "a;", ""},
        {"empty row first", {M, E(""), E("a"), U}, ";a", ""},
        {"rows above the first header", {E("z"), M, E("a"), U, E("c")}, "a", "c"},
        {"rows after a third header", {M, E("a"), U, E("c"), M, E("y")}, "a", "c"},
        {"one header only", {M, E("a")}, "a", ""},
        {"no header", {E("a"), E("b")}, "", ""},
        {"any non-zero data is a header", {{"h", 7}, E("a"), {"h", -1}, E("c")}, "a", "c"},
        {"texts kept as they are", {M, E(" a "), E("\"b;c\""), U, E(";d")}, " a ;\"b;c\"", ";d"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(c.machine, Join(c.rows, 1)) << c.what;
        EXPECT_EQ(c.user, Join(c.rows, 0)) << c.what;
    }
}

TEST(ValueSplit, JoinedSizeIsRowsPlusSectionTextPlusTwo)
{
    std::vector<Row> rows = {E("zz"), M, E("abc"), E(""), U, E("de"), M, E("ffff")};
    RowSource source = SourceOf(rows);
    EXPECT_EQ(8u + 3u + 2u, JoinedSectionSize(&source, 1));
    EXPECT_EQ(8u + 2u + 2u, JoinedSectionSize(&source, 0));
}

TEST(ValueSplit, FillStopsShortOfASmallBuffer)
{
    std::vector<Row> rows = {M, E("abc"), E("def")};
    RowSource source = SourceOf(rows);
    char buffer[8];
    memset(buffer, '#', sizeof buffer);
    /* Room for "abc;" and its zero only: the second row must not be written. */
    size_t length = FillJoinedSection(&source, 1, buffer, 6);
    EXPECT_EQ(3u, length);
    EXPECT_STREQ("abc", buffer);
    EXPECT_EQ('#', buffer[6]);
}

TEST(ValueSplit, SectionCounterTakesRowsWhileItIsTwo)
{
    /* header, entry, header, entry, header, entry: machine takes the first, user the second. */
    const int headers[] = {1, 0, 1, 0, 1, 0};
    const int machine[] = {0, 1, 0, 0, 0, 0};
    const int user[] = {0, 0, 0, 1, 0, 0};
    int machineCounter = 1, userCounter = 0;
    for (int i = 0; i < 6; i++) {
        EXPECT_EQ(machine[i], InSection(&machineCounter, headers[i])) << "row " << i;
        EXPECT_EQ(user[i], InSection(&userCounter, headers[i])) << "row " << i;
    }
}

TEST(ValueSplit, JoinOfSplitGivesTheValueBack)
{
    const struct {
        const char *value;
        const char *joined;
    } cases[] = {
        {"a;;b", "a;;b"}, {"a;;", "a;;"}, {";;", ";"}, {"a;", "a"}, {"\"a;b", "\"a;b"}, {"", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.joined, JoinEntries(Split(c.value))) << "value [" << c.value << "]";
}

/* Over random values of 'a', ';', '"', space and 0xE9, with r = join(split(v)):
   - no row is empty, and re-splitting r gives the same rows (the join loses no element);
   - r is v, or r + ";" is v: the one byte that can be lost is a final ';' that ends the last
     element, because the join puts ';' only between elements;
   - that ';' is lost exactly when it adds nothing to the split: split(v) equals the split of v
     without its last byte. A final ';' that starts an element ("a;;") or sits inside an
     unclosed quote ("\"a;") is part of a row and comes back. */
TEST(ValueSplit, RandomRoundTripLosesOnlyAFinalSeparator)
{
    std::mt19937 random(20261207);
    const char alphabet[] = {'a', ';', '"', ' ', '\xE9'};
    int lost = 0, kept = 0;
    for (int round = 0; round < 20000; round++) {
        std::string value;
        int length = (int)(random() % 12);
        for (int i = 0; i < length; i++)
            value += alphabet[random() % sizeof alphabet];
        std::vector<std::string> rows = Split(value);
        std::string joined = JoinEntries(rows);
        for (const std::string &row : rows)
            ASSERT_FALSE(row.empty()) << "value [" << value << "]";
        ASSERT_EQ(rows, Split(joined)) << "value [" << value << "]";
        if (joined == value) {
            kept++;
            continue;
        }
        lost++;
        ASSERT_EQ(value, joined + ";");
        ASSERT_EQ(rows, Split(value.substr(0, value.size() - 1))) << "value [" << value << "]";
    }
    /* Both outcomes must really have been exercised. */
    EXPECT_GT(lost, 100);
    EXPECT_GT(kept, 100);
}

TEST(ValueSplit, LinearOnAMegabyteOfElements)
{
    /* The largest values the program is made for: 100,000 elements, about 1 MB. */
    std::string value;
    for (int i = 0; i < 100000; i++)
        value += "C:\\folder" + std::to_string(i % 10) + ";";
    value.pop_back();
    std::vector<std::string> rows = Split(value);
    ASSERT_EQ(100000u, rows.size());
    EXPECT_EQ(value, JoinEntries(rows));
}

/* A list box may report more than a text's real length (A callers in a multi-byte code page such
   as UTF-8): the join must go on where each text really ends, or a zero byte left inside the
   value would cut off every later element. */
TEST(ValueSplit, JoinIgnoresOverReportedLengths)
{
    std::vector<Row> rows = {M, {u8"C:\\Łódź\\bin", 0, 3}, {"", 0, 2}, {"C:\\plain", 0, 9},
                             U, {u8"C:\\Users\\张伟\\bin", 0, 4}, {"b", 0, 1}};
    EXPECT_EQ(u8"C:\\Łódź\\bin;;C:\\plain", Join(rows, 1));
    EXPECT_EQ(u8"C:\\Users\\张伟\\bin;b", Join(rows, 0));
}
