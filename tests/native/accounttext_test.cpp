#include <gtest/gtest.h>

#include "registry/accounttext.h"

#include <stdlib.h>
#include <string>

/* The program tells the user only when both accounts are known and differ (by SID, else by name),
   naming both: by name, or by SID where the name is not known. */
TEST(AccountText, OtherAccountIsToldByNameOrSid)
{
    const std::string adminAnn =
        "Velkor Editor runs as \"PC\\admin\", while \"PC\\ann\" is signed in.\r\n\r\n"
        "The Current User section shows the values of \"PC\\admin\", and Update writes them: those of "
        "\"PC\\ann\" are neither shown nor changed. To edit them, start Velkor Editor as \"PC\\ann\".";
    const std::string bySid =
        "Velkor Editor runs as \"S-1-5-21-7-500\", while \"CORP\\bob\" is signed in.\r\n\r\n"
        "The Current User section shows the values of \"S-1-5-21-7-500\", and Update writes them: those "
        "of \"CORP\\bob\" are neither shown nor changed. To edit them, start Velkor Editor as \"CORP\\bob\".";
    /* Two accounts of the same name (a local one and a domain one, say): the SIDs decide. */
    const std::string sameName =
        "Velkor Editor runs as \"x\", while \"x\" is signed in.\r\n\r\n"
        "The Current User section shows the values of \"x\", and Update writes them: those of "
        "\"x\" are neither shown nor changed. To edit them, start Velkor Editor as \"x\".";
    const std::string adminAnnShort =
        "Velkor Editor runs as \"PC\\admin\", while \"ann\" is signed in.\r\n\r\n"
        "The Current User section shows the values of \"PC\\admin\", and Update writes them: those of "
        "\"ann\" are neither shown nor changed. To edit them, start Velkor Editor as \"ann\".";
    const struct {
        const char *processSid, *processName, *sessionSid, *sessionName;
        std::string told;   /* "": nothing */
    } cases[] = {
        {"S-1-5-21-7-1001", "PC\\ann", "S-1-5-21-7-1001", "PC\\ann", ""},
        {"S-1-5-21-7-500", "PC\\admin", "S-1-5-21-7-1001", "PC\\ann", adminAnn},
        {"S-1-5-21-7-500", NULL, "S-1-5-21-9-1001", "CORP\\bob", bySid},
        {"S-1-5-21-7-500", "", "S-1-5-21-9-1001", "CORP\\bob", bySid},
        {"S-1-5-21-7-500", "PC\\admin", NULL, NULL, ""},   /* no session user, or it could not be asked */
        {"S-1-5-21-7-500", "PC\\admin", "", NULL, ""},
        {NULL, NULL, "S-1-5-21-7-1001", "PC\\ann", ""},
        {"S-1-5-21-7-100", "x", "S-1-5-21-7-1001", "x", sameName},
        /* The session's user by name only, as the system gives it: the names decide. */
        {"S-1-5-21-7-500", "PC\\admin", NULL, "PC\\ann", adminAnn},
        {"S-1-5-21-7-1001", "PC\\ann", NULL, "pc\\ANN", ""},
        {"S-1-5-21-7-500", NULL, NULL, "PC\\ann", ""},
        {"S-1-5-21-7-500", "PC\\admin", NULL, "", ""},
        {"S-1-5-21-7-1001", "PC\\ann", NULL, "ann", ""},   /* a session without its domain */
        {"S-1-5-21-7-500", "PC\\admin", NULL, "ann", adminAnnShort},
    };
    for (const auto &c : cases) {
        const AccountPair accounts = {c.processSid, c.processName, c.sessionSid, c.sessionName};
        char *told = ComposeOtherAccountText(&accounts);
        SCOPED_TRACE(&c - cases);
        EXPECT_EQ(!c.told.empty(), RunsAsOtherAccount(&accounts) != 0);
        EXPECT_EQ(c.told, told ? std::string(told) : std::string());
        free(told);
    }
    EXPECT_EQ(0, RunsAsOtherAccount(NULL));
}
