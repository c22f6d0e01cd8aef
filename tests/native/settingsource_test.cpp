#include <gtest/gtest.h>

#include "app/settingsource.h"

#include <string>

/* A key comes from the settings file when it has it, else from the old win.ini section, else from
   that section in win.ini's VirtualStore copy, else the default. The lists are as the profile
   functions give them: names ended by zeros, then a zero. */
TEST(SettingSource, FileThenOldSectionThenDefault)
{
    const std::string xy("x\0y\0", 5), lastpath("lastpath\0", 10), empty("", 1);
    const struct {
        const char *file, *old, *store, *key;   /* store: the VirtualStore's copy of win.ini */
        int source;
    } cases[] = {
        {xy.c_str(), lastpath.c_str(), NULL, "x", SETTING_FROM_FILE},
        {xy.c_str(), xy.c_str(), NULL, "y", SETTING_FROM_FILE},             /* the file wins */
        {xy.c_str(), lastpath.c_str(), NULL, "lastpath", SETTING_FROM_OLD_SECTION},
        {NULL, xy.c_str(), NULL, "y", SETTING_FROM_OLD_SECTION},             /* no file yet */
        {empty.c_str(), xy.c_str(), NULL, "x", SETTING_FROM_OLD_SECTION},
        {xy.c_str(), lastpath.c_str(), NULL, "w", SETTING_DEFAULT},
        {NULL, NULL, NULL, "x", SETTING_DEFAULT},
        {empty.c_str(), empty.c_str(), NULL, "x", SETTING_DEFAULT},
        {xy.c_str(), NULL, NULL, "X", SETTING_FROM_FILE},                    /* case ignored */
        {NULL, lastpath.c_str(), NULL, "LastPath", SETTING_FROM_OLD_SECTION},
        {lastpath.c_str(), NULL, NULL, "last", SETTING_DEFAULT},             /* whole names only */
        {xy.c_str(), NULL, NULL, "xy", SETTING_DEFAULT},
        {NULL, xy.c_str(), lastpath.c_str(), "lastpath", SETTING_FROM_OLD_STORE},
        {NULL, lastpath.c_str(), lastpath.c_str(), "lastpath", SETTING_FROM_OLD_SECTION},
        {lastpath.c_str(), NULL, lastpath.c_str(), "lastpath", SETTING_FROM_FILE},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.source, ChooseSettingSource(c.file, c.old, c.store, c.key)) << c.key;
}
