#include <gtest/gtest.h>

#include "app/settingsource.h"

#include <string>

/* A key comes from the settings file when it has it, else from the old win.ini section, else the
   default. The lists are as the profile functions give them: names ended by zeros, then a zero. */
TEST(SettingSource, FileThenOldSectionThenDefault)
{
    const std::string xy("x\0y\0", 5), lastpath("lastpath\0", 10), empty("", 1);
    const struct {
        const char *file, *old, *key;
        int source;
    } cases[] = {
        {xy.c_str(), lastpath.c_str(), "x", SETTING_FROM_FILE},
        {xy.c_str(), xy.c_str(), "y", SETTING_FROM_FILE},             /* the file wins */
        {xy.c_str(), lastpath.c_str(), "lastpath", SETTING_FROM_OLD_SECTION},
        {NULL, xy.c_str(), "y", SETTING_FROM_OLD_SECTION},             /* no file yet */
        {empty.c_str(), xy.c_str(), "x", SETTING_FROM_OLD_SECTION},
        {xy.c_str(), lastpath.c_str(), "w", SETTING_DEFAULT},
        {NULL, NULL, "x", SETTING_DEFAULT},
        {empty.c_str(), empty.c_str(), "x", SETTING_DEFAULT},
        {xy.c_str(), NULL, "X", SETTING_FROM_FILE},                    /* case ignored */
        {NULL, lastpath.c_str(), "LastPath", SETTING_FROM_OLD_SECTION},
        {lastpath.c_str(), NULL, "last", SETTING_DEFAULT},             /* whole names only */
        {xy.c_str(), NULL, "xy", SETTING_DEFAULT},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.source, ChooseSettingSource(c.file, c.old, c.key)) << c.key;
}
