// The command line: only the first argument counts, options are case-sensitive
// substrings, "-TRY" wins over "-UPDATA".
#include <gtest/gtest.h>

#include "startup/RunOptions.h"

using namespace kestra;

TEST(RunOptions, NoArgumentOrEmptyFirstArgumentIsNoOption) {
  EXPECT_FALSE(ParseRunOptions({}).uninstall);
  EXPECT_EQ(ParseRunOptions({}).run_mode, 0);
  EXPECT_EQ(ParseRunOptions({"", "-TRY"}).run_mode, 0);
  EXPECT_FALSE(ParseRunOptions({"", "-UNINST"}).uninstall);
}

TEST(RunOptions, UninstallIsASubstringAndCaseSensitive) {
  EXPECT_TRUE(ParseRunOptions({"-UNINST"}).uninstall);
  EXPECT_TRUE(ParseRunOptions({"x-UNINSTy"}).uninstall);
  EXPECT_FALSE(ParseRunOptions({"-uninst"}).uninstall);
  EXPECT_FALSE(ParseRunOptions({"/UNINST"}).uninstall);
}

TEST(RunOptions, UpgradeAndTry) {
  EXPECT_EQ(ParseRunOptions({"-UPDATA"}).run_mode, 2);
  EXPECT_EQ(ParseRunOptions({"-TRY"}).run_mode, 3);
  EXPECT_EQ(ParseRunOptions({"-UPDATA-TRY"}).run_mode, 3);
  EXPECT_EQ(ParseRunOptions({"-TRY-UPDATA"}).run_mode, 3);
  EXPECT_EQ(ParseRunOptions({"-try"}).run_mode, 0);
}

TEST(RunOptions, OnlyTheFirstArgumentIsExamined) {
  EXPECT_EQ(ParseRunOptions({"hello", "-TRY"}).run_mode, 0);
  EXPECT_FALSE(ParseRunOptions({"hello", "-UNINST"}).uninstall);
}

TEST(RunOptions, UninstallIsTestedFirst) {
  RunOptions o = ParseRunOptions({"-UNINST-TRY"});
  EXPECT_TRUE(o.uninstall);
}
