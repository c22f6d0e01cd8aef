#include "app_fixture.h"
#include "common/common.h"

#include <string>

namespace {


SeenDialog ShowAndRecord(DWORD code)
{
    DialogAnswerer answerer;
    answerer.QueueClick(IDOK);
    ShowSystemError(code);
    EXPECT_EQ(1u, answerer.Seen().size());
    EXPECT_EQ(0, answerer.Unexpected());
    return answerer.Seen().empty() ? SeenDialog() : answerer.Seen()[0];
}

class SysError : public AppTest {};

} // namespace

TEST_F(SysError, KnownCodesShowTheSystemsText)
{
    for (DWORD code : {(DWORD)ERROR_ACCESS_DENIED, (DWORD)ERROR_FILE_NOT_FOUND, (DWORD)ERROR_NOT_ENOUGH_MEMORY}) {
        SCOPED_TRACE(code);
        std::string expected = SystemText(code);
        ASSERT_FALSE(expected.empty());
        SeenDialog seen = ShowAndRecord(code);
        EXPECT_EQ(expected, seen.text);
        EXPECT_EQ(APP_TITLE, seen.caption);
        EXPECT_EQ(MB_ICONERROR, seen.icon);
        EXPECT_TRUE(seen.hasOk);
    }
}

TEST_F(SysError, CodeWithoutTextShowsItsNumber)
{
    const DWORD code = 0x2000FFFF;   /* a customer code: the system has no text for it */
    ASSERT_EQ("", SystemText(code));
    SeenDialog seen = ShowAndRecord(code);
    EXPECT_EQ("Error 536936447", seen.text);
    EXPECT_EQ(APP_TITLE, seen.caption);
    EXPECT_EQ(MB_ICONERROR, seen.icon);
}

TEST_F(SysError, ZeroShowsTheThreadsLastError)
{
    SetLastError(ERROR_PATH_NOT_FOUND);
    SeenDialog seen = ShowAndRecord(0);
    EXPECT_EQ(SystemText(ERROR_PATH_NOT_FOUND), seen.text);
}
