#include "text/uDatasizeUnit.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/Platform.Locale.h"

std::int32_t GetKUnitFactor(TKUnit FKUnit) {
  switch (FKUnit) {
    case TKUnit::KUnit1000:
      return 1000;
    case TKUnit::KUnit1024:
      return 1024;
  }
  return 1;
}

void FormatInDatasizeUnit(const TDatasizeUnit& Unit, const TDatasizeSetting& Setting, double Size,
                          std::string& Result, const std::string& DecimalSeparator) {
  // Single precision is exact for these powers of 1000 and 1024, which is all that is needed.
  const auto K = static_cast<float>(GetKUnitFactor(Setting.FKUnit));
  const auto Base = static_cast<std::int64_t>(
      std::floor(std::pow(K, static_cast<float>(Unit.FPowerOfKUnit - 1))));
  if (static_cast<double>(Base) * 0.75 >= Size) {
    return;
  }
  const int Precision = Setting.FPrecision < 0 ? 0 : Setting.FPrecision;
  char Buffer[400];
  std::snprintf(Buffer, sizeof Buffer, "%.*f", Precision, Size / static_cast<double>(Base));
  // The C library writes its own locale's separator; write the user's instead.
  std::string Text = Buffer;
  const auto Point = Text.find_first_of(".,");
  if (Precision > 0 && Point != std::string::npos) {
    Text.replace(Point, 1, DecimalSeparator);
  }
  Result = Text + Unit.FUnitName;
}

void FormatInDatasizeUnit(const TDatasizeUnit& Unit, const TDatasizeSetting& Setting, double Size,
                          std::string& Result) {
  FormatInDatasizeUnit(Unit, Setting, Size, Result, Platform::LocaleDecimalSeparator());
}

std::string FormatDatasize(const TDatasizeSetting& Setting, double Size,
                           const std::string& DecimalSeparator) {
  std::string Result;
  for (const TDatasizeUnit& Unit : {PBUnit, TBUnit, GBUnit, MBUnit}) {
    FormatInDatasizeUnit(Unit, Setting, Size, Result, DecimalSeparator);
    if (!Result.empty()) {
      return Result;
    }
  }
  return "0MB";
}

std::string FormatDatasize(const TDatasizeSetting& Setting, double Size) {
  return FormatDatasize(Setting, Size, Platform::LocaleDecimalSeparator());
}
