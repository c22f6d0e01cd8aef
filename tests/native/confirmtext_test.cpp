#include <gtest/gtest.h>

#include "registry/confirmtext.h"

#include <stdlib.h>
#include <string>
#include <vector>

namespace {

/* Takes a composed text, frees it and hands it back as a string ("<null>" for none). */
std::string Take(char *text)
{
    if (!text)
        return "<null>";
    std::string copy(text);
    free(text);
    return copy;
}

std::string UpdateText(const std::string &name, const std::string &machine, const std::string &user)
{
    return "You are about update environment variable \"" + name + "\":\r\n\r\n"
           "---------==< Local Machine >==---------\r\n" + machine + "\r\n"
           "---------==< Current User >==----------\r\n" + user + "\r\n"
           "\r\nDo you want to proceed?";
}

std::string PendingText(const std::string &name, const std::string &machine, const std::string &user)
{
    return "The environment variable \"" + name + "\" has been changed:\r\n\r\n"
           "---------==< Local Machine >==---------\r\n" + machine + "\r\n"
           "---------==< Current User >==----------\r\n" + user + "\r\n"
           "\r\nDo you want to update?";
}

struct ConfirmCase {
    const char *name, *machine, *user;
};

const ConfirmCase kCases[] = {
    {"PATH", "C:\\Windows;C:\\Windows\\System32", "C:\\Tools"},
    {"PATH", "", ""},                                        /* both sections empty */
    {"LIB", "", "C:\\lib"},
    {"Odd Name", "%SystemRoot%\\system32;%PATH%", "100%;%s%d%n"},   /* no format interpretation */
    {"INCLUDE", "\"C:\\a;b\";c", " spaced ; value "},
};

} // namespace

TEST(ConfirmText, UpdateTextHasEightLinesWithTheArgumentsInOrder)
{
    for (const ConfirmCase &c : kCases) {
        SCOPED_TRACE(c.machine);
        EXPECT_EQ(UpdateText(c.name, c.machine, c.user), Take(ComposeUpdateText(c.name, c.machine, c.user)));
    }
}

TEST(ConfirmText, PendingTextHasEightLinesWithTheArgumentsInOrder)
{
    for (const ConfirmCase &c : kCases) {
        SCOPED_TRACE(c.machine);
        EXPECT_EQ(PendingText(c.name, c.machine, c.user), Take(ComposePendingText(c.name, c.machine, c.user)));
    }
}

TEST(ConfirmText, ExactTextOfAnEmptyUpdate)
{
    EXPECT_EQ("You are about update environment variable \"PATH\":\r\n\r\n"
              "---------==< Local Machine >==---------\r\n\r\n"
              "---------==< Current User >==----------\r\n\r\n"
              "\r\nDo you want to proceed?",
              Take(ComposeUpdateText("PATH", "", "")));
}

TEST(ConfirmText, LongNameAndHugeValuesAppearWhole)
{
    std::string name(255, 'N');
    std::string machine, user;
    for (int i = 0; machine.size() < 400000; i++)
        machine += "C:\\machine\\folder" + std::to_string(i) + ";";
    for (int i = 0; user.size() < 300000; i++)
        user += "D:\\user\\folder" + std::to_string(i) + ";";
    machine.pop_back();
    user.pop_back();

    std::string update = Take(ComposeUpdateText(name.c_str(), machine.c_str(), user.c_str()));
    EXPECT_EQ(UpdateText(name, machine, user).size(), update.size());
    EXPECT_TRUE(update == UpdateText(name, machine, user));

    std::string pending = Take(ComposePendingText(name.c_str(), machine.c_str(), user.c_str()));
    EXPECT_TRUE(pending == PendingText(name, machine, user));
}

TEST(ConfirmText, MissingArgumentGivesNoText)
{
    EXPECT_EQ("<null>", Take(ComposeUpdateText(NULL, "", "")));
    EXPECT_EQ("<null>", Take(ComposeUpdateText("PATH", NULL, "")));
    EXPECT_EQ("<null>", Take(ComposePendingText("PATH", "", NULL)));
}

/* The paragraphs about other programs' changes come after the values, one per section, machine
   first; with both sections as they were the questions are exactly the usual ones. */
TEST(ConfirmText, ChangesByOtherProgramsFollowTheValues)
{
    const std::string changedMachine =
        "\r\n\r\nAnother program has changed the Local Machine value since Velkor Editor last read or "
        "wrote it. Yes replaces what it holds now:\r\nC:\\m;C:\\installer";
    const std::string deletedUser =
        "\r\n\r\nAnother program has deleted the Current User value since Velkor Editor last read or wrote it.";
    const std::string unreadableMachine =
        "\r\n\r\nThe Local Machine value is unreadable now, so it cannot be shown whether another "
        "program has changed it.";
    const std::string changedUserToEmpty =
        "\r\n\r\nAnother program has changed the Current User value since Velkor Editor last read or "
        "wrote it. Yes replaces what it holds now:\r\n";
    const OutsideState same = {OUTSIDE_SAME, "ignored", 0};
    const OutsideState changed = {OUTSIDE_CHANGED, "C:\\m;C:\\installer", 0};
    const OutsideState changedToEmpty = {OUTSIDE_CHANGED, "", 0};
    const OutsideState deleted = {OUTSIDE_DELETED, NULL, 0};
    const OutsideState unreadable = {OUTSIDE_UNREADABLE, NULL, 0};
    /* The machine value would change but its key refuses changes: said last, before the question. */
    const OutsideState refused = {OUTSIDE_CHANGED, "C:\\m;C:\\installer", 1};
    const std::string refusedMachine =
        "\r\n\r\nThe Local Machine value cannot be written without administrator rights: Yes writes the "
        "Current User value only, and the changes to the Local Machine value stay pending. To write it, "
        "choose File > Restart as administrator, which keeps the changes, and update again.";
    /* Started with an administrator's credentials while another user is signed in, the user
       section is the administrator's: said after the other paragraphs, by name or else by SID. */
    const AccountPair sameAccount = {"S-1-5-21-7-1001", "PC\\ann", "S-1-5-21-7-1001", "PC\\ann"};
    const AccountPair otherAccount = {"S-1-5-21-7-500", "PC\\admin", "S-1-5-21-7-1001", "PC\\ann"};
    const AccountPair unnamed = {"S-1-5-21-7-500", NULL, "S-1-5-21-7-1001", NULL};
    const std::string adminUser =
        "\r\n\r\nThe Current User value is the one of \"PC\\admin\", the account that Velkor Editor runs "
        "as, not the one of \"PC\\ann\", who is signed in.";
    const std::string unnamedUser =
        "\r\n\r\nThe Current User value is the one of \"S-1-5-21-7-500\", the account that Velkor Editor "
        "runs as, not the one of \"S-1-5-21-7-1001\", who is signed in.";
    const struct {
        const OutsideState *machine, *user;
        const AccountPair *accounts;
        std::string notes;
    } cases[] = {
        {NULL, NULL, NULL, ""},
        {&same, &same, NULL, ""},
        {&changed, &same, NULL, changedMachine},
        {&same, &deleted, NULL, deletedUser},
        {&unreadable, &changedToEmpty, NULL, unreadableMachine + changedUserToEmpty},
        {&changed, &deleted, NULL, changedMachine + deletedUser},
        {&same, &same, &sameAccount, ""},
        {&changed, &deleted, &otherAccount, changedMachine + deletedUser + adminUser},
        {NULL, NULL, &unnamed, unnamedUser},
        {&refused, &deleted, &otherAccount, changedMachine + deletedUser + adminUser + refusedMachine},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.notes);
        std::string update = UpdateText("PATH", "C:\\m", "U");
        std::string pending = PendingText("PATH", "C:\\m", "U");
        update.insert(update.size() - std::string("\r\n\r\nDo you want to proceed?").size(), c.notes);
        pending.insert(pending.size() - std::string("\r\n\r\nDo you want to update?").size(), c.notes);
        EXPECT_EQ(update, Take(ComposeQuestionText(0, "PATH", "C:\\m", "U", c.machine, c.user, c.accounts)));
        EXPECT_EQ(pending, Take(ComposeQuestionText(1, "PATH", "C:\\m", "U", c.machine, c.user, c.accounts)));
    }
}

namespace {

/* Character widths of 1 for ASCII and 2 beyond, with UTF-8 or a double-byte code page whose
   lead bytes are those of Shift-JIS. */
RowMetrics MakeMetrics(bool utf8)
{
    RowMetrics metrics;
    for (int b = 0; b < 256; b++) {
        metrics.width[b] = b < 0x80 ? 1 : 2;
        metrics.bytes[b] = 1;
        if (utf8 && b >= 0xC0)
            metrics.bytes[b] = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : 2;
        if (!utf8 && ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)))
            metrics.bytes[b] = 2;
    }
    return metrics;
}

/* The rows of the text, each followed by '|' when the next row goes on with its line and by '/'
   when its line ends there. */
std::string Rows(const char *text, const RowMetrics &metrics, int width)
{
    std::string rows;
    for (const char *row = text;;) {
        const char *next;
        size_t length = NextRow(row, &metrics, width, &next);
        bool broken = next == row + length;
        rows.append(row, length);
        if (broken && !*next)
            return rows;
        rows += broken ? "|" : "/";
        row = next;
    }
}

} // namespace

TEST(ConfirmText, RowsBreakOnlyLinesWiderThanTheList)
{
    const RowMetrics utf8 = MakeMetrics(true), doubleByte = MakeMetrics(false);
    const struct {
        const char *text;
        const RowMetrics &metrics;
        int width;
        const char *rows;
    } cases[] = {
        {"C:\\a;C:\\b;C:\\c", utf8, 20, "C:\\a;C:\\b;C:\\c"},       /* fits: one row */
        {"C:\\a;C:\\b;C:\\c", utf8, 10, "C:\\a;C:\\b;|C:\\c"},      /* after the last ';' */
        {"ab cd;ef", utf8, 4, "ab |cd;|ef"},                           /* spaces count too */
        {"abcdefghij", utf8, 4, "abcd|efgh|ij"},                       /* no ';': as much as fits */
        {"x\r\nabcdef\r\n\r\nyz", utf8, 3, "x/abc|def//yz"},           /* lines one by one */
        {"a\xC3\xA9\xC3\xA9", utf8, 4, "a\xC3\xA9|\xC3\xA9"},              /* by the characters' widths */
        {"\x81\x40\x81\x40", doubleByte, 3, "\x81\x40|\x81\x40"},        /* never inside a character */
        {"\xC3\r\nb", utf8, 5, "\xC3/b"},                               /* nor across a line break */
        {"\xC3\xA9\xC3\xA9", utf8, 1, "\xC3\xA9|\xC3\xA9"},                /* too wide: one character */
        {"abcdef", utf8, 0, "abcdef"},                                 /* no width: lines whole */
        {"a\r\n", utf8, 5, "a/"},
        {"", utf8, 5, ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.rows, Rows(c.text, c.metrics, c.width)) << c.text << " / " << c.width;
}

/* The retrieve's message names each value that updates leave as it is stored, machine first, with
   the reason (a type by its registry name), and says once, for one value or both, that Update
   leaves it and that its rows cannot be changed. The question names the reason in place of the
   value. */
TEST(ConfirmText, LeftAsStoredTextsNameEachValueAndWhy)
{
    const LeftAsStored none = {LEFT_NONE, 0}, codePage = {LEFT_CODE_PAGE, 0}, multi = {LEFT_TYPE, 7},
                       dword = {LEFT_TYPE, 4}, unknown = {LEFT_TYPE, 4660}, zero = {LEFT_ZERO, 0};
    const struct {
        LeftAsStored machine, user;
        std::vector<std::string> parts;   /* in this order */
        const char *absent;
    } cases[] = {
        {codePage, none,
         {"The Local Machine value of \"PATH\" holds characters that this system's code page cannot hold",
          "Update leaves it exactly as it is in the registry, and its rows cannot be changed."},
         "Current User"},
        {none, multi, {"The Current User value of \"PATH\" is of type REG_MULTI_SZ", "leaves it exactly"}, "Local Machine"},
        {dword, zero,
         {"The Local Machine value of \"PATH\" is of type REG_DWORD",
          "The Current User value of \"PATH\" holds a zero character before its end",
          "Update leaves each of them exactly as it is in the registry, and their rows cannot be changed."},
         "code page"},
        {unknown, codePage, {"is of type 4660,", "The Current User value of \"PATH\" holds characters", "each of them"},
         "zero character"},
    };
    for (const auto &c : cases) {
        std::string text = Take(ComposeLeftAsStoredText("PATH", &c.machine, &c.user));
        size_t at = 0;
        for (const std::string &part : c.parts) {
            at = text.find(part, at);
            EXPECT_NE(std::string::npos, at) << part << " in: " << text;
        }
        EXPECT_EQ(std::string::npos, text.find(c.absent)) << text;
    }
    EXPECT_EQ("<null>", Take(ComposeLeftAsStoredText(NULL, &codePage, &none)));

    const struct {
        LeftAsStored left;
        const char *note;
    } notes[] = {
        {codePage, "(left as it is in the registry: this system's code page cannot hold all of its characters)"},
        {multi, "(left as it is in the registry: a value of type REG_MULTI_SZ)"},
        {unknown, "(left as it is in the registry: a value of type 4660)"},
        {zero, "(left as it is in the registry: it holds a zero character before its end)"},
    };
    for (const auto &n : notes)
        EXPECT_EQ(n.note, Take(ComposeLeftAsStoredNote(&n.left)));
}

/* The variable-name dialog refuses a name with "=" (saying so, "=" named) before anything else, and
   a name that the code page could not hold exactly; it takes any other. */
TEST(ConfirmText, VariableNamesWithEqualsOrSubstitutesAreRefused)
{
    const std::string equals = "A variable's name cannot hold \"=\"";
    const std::string codePage = "This system's code page cannot hold every character of this name";
    const struct {
        const char *name;
        int exact;
        std::string why;   /* "": taken */
    } cases[] = {
        {"PATH", 1, ""},      {" odd name ", 1, ""}, {"test=", 1, equals}, {"=C:", 1, equals},
        {"A=B=C", 1, equals}, {"L?DZ_LIB", 0, codePage}, {"?=", 0, equals},
    };
    for (const auto &c : cases) {
        const char *refusal = VarNameRefusal(c.name, c.exact);
        EXPECT_EQ(c.why, refusal ? std::string(refusal).substr(0, c.why.size()) : "") << c.name;
    }
}
