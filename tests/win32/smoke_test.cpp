#include <gtest/gtest.h>

#include "test_support.h"
#include "common/common.h"

TEST(Smoke, MessageBoxIsAnsweredAndRecorded)
{
    DialogAnswerer answerer;
    answerer.QueueClick(IDNO);
    int answer = MessageBoxA(NULL, "Question?", APP_TITLE, MB_YESNO | MB_ICONWARNING);
    EXPECT_EQ(IDNO, answer);
    ASSERT_EQ(1u, answerer.Seen().size());
    EXPECT_EQ("Question?", answerer.Seen()[0].text);
    EXPECT_EQ(APP_TITLE, answerer.Seen()[0].caption);
    EXPECT_EQ(MB_ICONWARNING, answerer.Seen()[0].icon);
    EXPECT_EQ(IDYES, answerer.Seen()[0].defaultButton);
}
