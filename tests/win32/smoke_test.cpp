/* The fixture's promise: a dialog that a test did not expect fails that test, with its caption
   and text, and is closed rather than left waiting for a click. */
#include "app_fixture.h"
#include "common/common.h"
#include "registry/workflow.h"
#include "resource.h"

#include <gtest/gtest-spi.h>

namespace {

class Smoke : public AppTest {};

} // namespace

TEST_F(Smoke, UnexpectedDialogsFailTheTestAndAreClosed)
{
    /* A question without Cancel, an error box, and the variable-name dialog, which Escape does
       not end. */
    EXPECT_NONFATAL_FAILURE(EXPECT_EQ(IDNO, MessageBoxA(NULL, "Question?", APP_TITLE, MB_YESNO | MB_ICONWARNING)),
                            "caption \"" APP_TITLE "\", text \"Question?\"");
    EXPECT_NONFATAL_FAILURE(MessageBoxA(NULL, "Broken", "Other", MB_OK | MB_ICONERROR), "caption \"Other\", text \"Broken\"");
    ASSERT_TRUE(CreateMainWindowOn("VELKOR_TEST_SMOKE") != NULL);
    EXPECT_NONFATAL_FAILURE(EXPECT_FALSE(RetrieveVariable(TRUE)), "caption \"EnvVar Name\"");
    EXPECT_EQ(3, dialogs.Unexpected());
}

TEST_F(Smoke, ExpectedDialogsAreAnsweredAndRecorded)
{
    dialogs.QueueClick(IDNO);
    EXPECT_EQ(IDNO, MessageBoxA(NULL, "Question?", APP_TITLE, MB_YESNO | MB_ICONWARNING));
    ASSERT_EQ(1u, dialogs.Seen().size());
    EXPECT_EQ("Question?", dialogs.Seen()[0].text);
    EXPECT_EQ(APP_TITLE, dialogs.Seen()[0].caption);
    EXPECT_EQ(MB_ICONWARNING, dialogs.Seen()[0].icon);
    EXPECT_EQ(IDYES, dialogs.Seen()[0].defaultButton);
    EXPECT_EQ(0, dialogs.Unexpected());
}
