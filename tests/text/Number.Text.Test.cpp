#include "text/Number.Text.h"

#include <gtest/gtest.h>

namespace {

TEST(NumberText, RoundHalfEvenGoesToTheEvenNeighbour) {
  const struct {
    double In, Out;
  } Cases[] = {{12.5, 12}, {13.5, 14}, {0.5, 0}, {-2.5, -2}, {12.4999, 12}, {12.5001, 13}};
  for (const auto& Case : Cases) {
    EXPECT_EQ(RoundHalfEven(Case.In), Case.Out) << Case.In;
  }
}

TEST(NumberText, FixedWritesExactlyTheDecimalsAsked) {
  const struct {
    double Value;
    int Decimals;
    const char* Separator;
    const char* Text;
  } Cases[] = {
      {87.5, 1, ".", "87.5"},
      {87.0, 1, ".", "87.0"},
      {0.0, 1, ".", "0.0"},
      {25.0, 1, ",", "25,0"},
      {12.5, 2, ".", "12.50"},
      {100.0, 2, ".", "100.00"},
      {6.25, 1, ".", "6.3"},
      {0.15, 1, ".", "0.2"},
      {2.675, 2, ".", "2.68"},
      {99.96, 1, ".", "100.0"},
      {9.999, 2, ".", "10.00"},
      {-0.01, 1, ".", "0.0"},
      {-3.25, 1, ".", "-3.3"},
      {1e-7, 2, ".", "0.00"},
      {33.333333333333336, 1, ".", "33.3"},
      {1234567.0, 0, ".", "1234567"},
      {-9.96, 1, ".", "-10.0"},
      {99.5, 0, ".", "100"},
      {0.96, 0, ".", "1"},
  };
  for (const auto& Case : Cases) {
    EXPECT_EQ(FormatFixed(Case.Value, Case.Decimals, Case.Separator), Case.Text) << Case.Value;
    // Appended behind other text, the carry and the sign stay within the number.
    std::string Line = "9 ";
    AppendFixed(Line, Case.Value, Case.Decimals, Case.Separator);
    EXPECT_EQ(Line, std::string("9 ") + Case.Text) << Case.Value;
  }
}

TEST(NumberText, GeneralFormatUsesFifteenDigitsAndSwitchesToScientificBelowOneHundredThousandth) {
  const struct {
    double Value;
    const char* Text;
  } Cases[] = {
      {87.5, "87.5"},
      {100.0, "100"},
      {0.0, "0"},
      {0.72 * 100, "72"},  // binary noise below the 15th digit is not shown
      {86.7, "86.7"},
      {100.0 / 3.0, "33.3333333333333"},
      {0.00001, "0.00001"},
      {0.0000015, "1.5E-6"},
      {0.000001, "1E-6"},
      {-4.25, "-4.25"},
      {123456789012345.0, "123456789012345"},
      {1e15, "1E15"},
      {99.99999999999999, "100"},   // rounding to 15 digits carries into a new digit
      {999999999999999.9, "1E15"},  // and across into the scientific form
      {-2.5e-7, "-2.5E-7"},
      {1.25e100, "1.25E100"},
      {1e-300, "1E-300"},
  };
  for (const auto& Case : Cases) {
    EXPECT_EQ(FormatGeneral(Case.Value, "."), Case.Text) << Case.Value;
  }
  EXPECT_EQ(FormatGeneral(87.5, ","), "87,5");
}

}  // namespace
