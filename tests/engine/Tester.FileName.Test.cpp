#include "engine/Tester.FileName.h"

#include <gtest/gtest.h>

namespace {

TEST(TesterFileName, OnlyNamesTheProgramGivesCount) {
  EXPECT_EQ(TestFileName(0), "Randomfile0");
  EXPECT_EQ(TestFileName(2147483647), "Randomfile2147483647");
  for (const char* Name : {"Randomfile0", "Randomfile7", "Randomfile10", "Randomfile2147483647"}) {
    EXPECT_TRUE(IsTestFileName(Name)) << Name;
  }
  for (const char* Name :
       {"Randomfile", "Randomfile01", "Randomfile00", "Randomfile-1", "Randomfile-0",
        "Randomfile+1", "Randomfile 1", "Randomfile1 ", "Randomfile1.bak", "Randomfile2147483648",
        "randomfile1", "Random1", "xRandomfile1", ""}) {
    EXPECT_FALSE(IsTestFileName(Name)) << Name;
  }
}

}  // namespace
