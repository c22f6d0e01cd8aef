/* The base of every Wine test. While a test runs, a dialog answerer is installed: a dialog that the
   test did not queue an answer for fails the test with its caption and text, and is dismissed so
   that nothing waits for a click. When the test ends, passed or failed, the main window that it
   created is destroyed, g_varName is "PATH" again, g_modified is clear, and both Environment keys
   and the program's settings (the section in its settings file, and the one in win.ini that
   earlier versions used) hold exactly what they held before it.

   A test adopts it by deriving its fixture from AppTest instead of ::testing::Test (or, for a
   TEST, by turning it into a TEST_F of `class Suite : public AppTest {};`). Answers are queued on
   `dialogs` (or on a DialogAnswerer of the test's own, which takes over while it lives). */
#ifndef VELKOR_APP_FIXTURE_H
#define VELKOR_APP_FIXTURE_H

#include <gtest/gtest.h>

#include "test_support.h"

#include <string>

class AppTest : public ::testing::Test {
protected:
    AppTest();
    ~AppTest() override;

    DialogAnswerer dialogs;

private:
    SavedKey machineKey_, userKey_;
    std::wstring settingsFile_;
    /* The program's section in the settings file and in win.ini, as "key=value" strings, each
       ended by a zero. */
    std::wstring settings_, oldSettings_;
    HWND windowAtStart_;
};

#endif
