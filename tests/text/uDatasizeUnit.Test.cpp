#include "text/uDatasizeUnit.h"

#include <gtest/gtest.h>

namespace {

TEST(DatasizeUnit, SummarySettingPicksAUnitOnceTheSizeExceedsThreeQuartersOfIt) {
  const TDatasizeSetting Summary{TKUnit::KUnit1024, 0};
  const struct {
    double MiB;
    const char* Text;
  } Cases[] = {
      {1, "1MB"},         {0.5, "0MB"},
      {0.75, "0MB"},      {0, "0MB"},
      {-5, "0MB"},        {768, "768MB"},
      {769, "1GB"},       {800, "1GB"},
      {1600, "2GB"},      {786432, "768GB"},
      {786433, "1TB"},    {805306368, "768TB"},
      {805306369, "1PB"}, {1073741824.0 * 5000, "5000PB"},
  };
  for (const auto& Case : Cases) {
    EXPECT_EQ(FormatDatasize(Summary, Case.MiB, "."), Case.Text) << Case.MiB;
  }
}

TEST(DatasizeUnit, PrecisionStepAndSeparator) {
  EXPECT_EQ(FormatDatasize({TKUnit::KUnit1024, 2}, 1536, "."), "1.50GB");
  EXPECT_EQ(FormatDatasize({TKUnit::KUnit1024, 2}, 1536, ","), "1,50GB");
  EXPECT_EQ(FormatDatasize({TKUnit::KUnit1000, 0}, 1600, "."), "2GB");
  EXPECT_EQ(FormatDatasize({TKUnit::KUnit1000, 0}, 749, "."), "749MB");
  EXPECT_EQ(FormatDatasize({TKUnit::KUnit1000, 0}, 751, "."), "1GB");
  // Any other step byte counts in ones: every unit "fits" from 1 up, so PB wins.
  EXPECT_EQ(FormatDatasize({static_cast<TKUnit>(7), 0}, 2, "."), "2PB");
}

TEST(DatasizeUnit, KUnitFactor) {
  EXPECT_EQ(GetKUnitFactor(TKUnit::KUnit1000), 1000);
  EXPECT_EQ(GetKUnitFactor(TKUnit::KUnit1024), 1024);
  EXPECT_EQ(GetKUnitFactor(static_cast<TKUnit>(2)), 1);
}

TEST(DatasizeUnit, AUnitThatDoesNotFitLeavesTheResultAlone) {
  std::string Result = "untouched";
  FormatInDatasizeUnit(TBUnit, {TKUnit::KUnit1024, 0}, 1600, Result, ".");
  EXPECT_EQ(Result, "untouched");
  FormatInDatasizeUnit(GBUnit, {TKUnit::KUnit1024, 1}, 1600, Result, ".");
  EXPECT_EQ(Result, "1.6GB");
}

}  // namespace
