#include <gtest/gtest.h>

#include "registry/confirmtext.h"

#include <stdlib.h>
#include <string>

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
    const OutsideState same = {OUTSIDE_SAME, "ignored"};
    const OutsideState changed = {OUTSIDE_CHANGED, "C:\\m;C:\\installer"};
    const OutsideState changedToEmpty = {OUTSIDE_CHANGED, ""};
    const OutsideState deleted = {OUTSIDE_DELETED, NULL};
    const OutsideState unreadable = {OUTSIDE_UNREADABLE, NULL};
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

TEST(ConfirmText, SoftBreaksSplitOnlyLinesLongerThanTheWidth)
{
    const struct {
        const char *text;
        size_t width;
        const char *broken;
    } cases[] = {
        {"C:\\a;C:\\b;C:\\c", 20, "C:\\a;C:\\b;C:\\c"},                   /* fits: unchanged */
        {"C:\\a;C:\\b;C:\\c", 10, "C:\\a;C:\\b;\r\r\nC:\\c"},              /* after the last ';' */
        {"ab cd;ef", 4, "ab \r\r\ncd;\r\r\nef"},                          /* spaces count too */
        {"abcdefghij", 4, "abcd\r\r\nefgh\r\r\nij"},                      /* no ';': at the width */
        {"x\r\nabcdef\r\n\r\nyz", 3, "x\r\nabc\r\r\ndef\r\n\r\nyz"},      /* lines one by one */
        {"a\xC3\xA9\xC3\xA9", 4, "a\xC3\xA9\r\r\n\xC3\xA9"},              /* never inside a character */
        {"abcdef", 0, "abcdef"},
        {"", 5, ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.broken, Take(AddSoftBreaks(c.text, c.width))) << c.text << " / " << c.width;
}
