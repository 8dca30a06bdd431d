#pragma once

#include <cstdint>
#include <string>

// Short texts for amounts of data such as "2TB": the largest unit that the amount exceeds
// by more than three quarters.

// The kilo step. Any other value of the byte means a step of 1.
enum class TKUnit : std::uint8_t {
  KUnit1000 = 0,
  KUnit1024 = 1,
};

struct TDatasizeUnit {
  std::int32_t FPowerOfKUnit;  // the base unit "MB" is power 1
  const char* FUnitName;
};

struct TDatasizeSetting {
  TKUnit FKUnit = TKUnit::KUnit1024;
  std::int32_t FPrecision = 0;  // decimals
};

inline constexpr TDatasizeUnit PBUnit{4, "PB"};
inline constexpr TDatasizeUnit TBUnit{3, "TB"};
inline constexpr TDatasizeUnit GBUnit{2, "GB"};
inline constexpr TDatasizeUnit MBUnit{1, "MB"};

std::int32_t GetKUnitFactor(TKUnit FKUnit);

// Writes Size (in base units) in Unit into Result when the unit fits; otherwise leaves Result
// as it was. A size exactly halfway between two texts rounds to the even one ("%f" of the C
// library): 2.5 with 0 decimals is "2".
void FormatInDatasizeUnit(const TDatasizeUnit& Unit, const TDatasizeSetting& Setting, double Size,
                          std::string& Result, const std::string& DecimalSeparator);
void FormatInDatasizeUnit(const TDatasizeUnit& Unit, const TDatasizeSetting& Setting, double Size,
                          std::string& Result);

// Size in base units (MiB in this program); "0MB" when no unit fits.
std::string FormatDatasize(const TDatasizeSetting& Setting, double Size,
                           const std::string& DecimalSeparator);
// The same with the user's locale's decimal separator.
std::string FormatDatasize(const TDatasizeSetting& Setting, double Size);
