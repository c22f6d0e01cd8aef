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
