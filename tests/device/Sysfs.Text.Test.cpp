#include "device/Sysfs.Text.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

TEST(SysfsText, DecimalsUpToTheirLimit) {
  struct TCase {
    std::string Text;
    std::uint64_t Limit;
    std::optional<std::uint64_t> Value;
  };
  const TCase Cases[] = {
      {"1\n", 1, 1},
      {"0", 1, 0},
      {"2\n", 1, std::nullopt},  // a flag that is neither 0 nor 1
      {"9", 1, std::nullopt},
      {"10", 9, std::nullopt},
      {"512 \t\n", UINT32_MAX, 512},
      {"18446744073709551615", UINT64_MAX, UINT64_MAX},
      {"18446744073709551616", UINT64_MAX, std::nullopt},
      {"", 10, std::nullopt},
      {"\n", 10, std::nullopt},
      {" 1", 10, std::nullopt},
      {"-1", 10, std::nullopt},
      {"1x", 10, std::nullopt},
  };
  for (const TCase& Case : Cases) {
    std::uint64_t Value = 77;
    const bool Parsed = ParseDecimal(Case.Text, Value, Case.Limit);
    EXPECT_EQ(Parsed, Case.Value.has_value()) << "'" << Case.Text << "' limit " << Case.Limit;
    EXPECT_EQ(Value, Case.Value.value_or(77)) << "'" << Case.Text << "'";
  }
}

}  // namespace
