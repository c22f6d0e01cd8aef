#include <gtest/gtest.h>

#include "entries/wow64path.h"

#include <stdlib.h>
#include <string>

/* A 32-bit program on 64-bit Windows expands the 64-bit Program Files folders; System32 is left to
   the file-system redirection being off, and everything else stays as written. */
TEST(Wow64Path, ProgramFilesReferencesNameThe64BitFolders)
{
    const struct {
        const char *text;
        int wow64, program64, common64;
        const char *expanded;
    } cases[] = {
        {"%ProgramFiles%\\Git\\cmd", 1, 1, 1, "%ProgramW6432%\\Git\\cmd"},
        {"%ProgramFiles%\\Git\\cmd", 0, 1, 1, "%ProgramFiles%\\Git\\cmd"},         /* not WOW64 */
        {"%programfiles%\\a;%PROGRAMFILES%", 1, 1, 1, "%ProgramW6432%\\a;%ProgramW6432%"},
        {"%CommonProgramFiles%\\System", 1, 1, 1, "%CommonProgramW6432%\\System"},
        {"%CommonProgramFiles%\\x %ProgramFiles%\\y", 1, 0, 1, "%CommonProgramW6432%\\x %ProgramFiles%\\y"},
        {"%CommonProgramFiles%\\x %ProgramFiles%\\y", 1, 1, 0, "%CommonProgramFiles%\\x %ProgramW6432%\\y"},
        {"%ProgramFiles(x86)%\\Tool", 1, 1, 1, "%ProgramFiles(x86)%\\Tool"},
        {"%SystemRoot%\\System32\\OpenSSH\\", 1, 1, 1, "%SystemRoot%\\System32\\OpenSSH\\"},
        {"C:\\Program Files\\Git\\cmd", 1, 1, 1, "C:\\Program Files\\Git\\cmd"},
        {"%ProgramFiles", 1, 1, 1, "%ProgramFiles"},                                /* not a reference */
        {"50%%ProgramFiles%", 1, 1, 1, "50%%ProgramFiles%"},                       /* "%%" takes the '%' */
        {"%A%ProgramFiles%B%", 1, 1, 1, "%A%ProgramFiles%B%"},                    /* between references */
        {"%ProgramFiles%%CommonProgramFiles%", 1, 1, 1, "%ProgramW6432%%CommonProgramW6432%"},
        {"", 1, 1, 1, ""},
    };
    for (const auto &c : cases) {
        char *expanded = Wow64ExpansionText(c.text, c.wow64, c.program64, c.common64);
        ASSERT_TRUE(expanded != NULL);
        EXPECT_EQ(c.expanded, std::string(expanded)) << c.text << " / " << c.wow64 << c.program64 << c.common64;
        free(expanded);
    }
}
