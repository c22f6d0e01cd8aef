#include <gtest/gtest.h>

TEST(NativeSmoke, Runs) { EXPECT_TRUE(true); }
