#include "device/Disk.Temperature.h"

#include <memory>

namespace {

constexpr std::int64_t LowestMillidegrees = -100'000;
constexpr std::int64_t HighestMillidegrees = 250'000;
// "-100000\n" and a little slack: a longer answer is no temperature.
constexpr std::size_t ReadingBytes = 24;

}  // namespace

TDiskTemperature::TDiskTemperature(const std::string& SensorPath)
    : FPath(SensorPath), FFile(SensorPath) {}

std::optional<double> TDiskTemperature::ReadCelsius() const {
  char Buffer[ReadingBytes];
  const long Count = FFile.ReadFromStart(Buffer, sizeof Buffer);
  if (Count <= 0 || static_cast<std::size_t>(Count) >= sizeof Buffer) {
    return std::nullopt;
  }
  const auto Millidegrees =
      ParseMillidegrees(std::string_view(Buffer, static_cast<std::size_t>(Count)));
  if (!Millidegrees) {
    return std::nullopt;
  }
  return *Millidegrees / 1000.0;
}

std::optional<std::int32_t> ParseMillidegrees(std::string_view Text) {
  while (!Text.empty() && (Text.back() == '\n' || Text.back() == ' ' || Text.back() == '\t')) {
    Text.remove_suffix(1);
  }
  const bool Negative = !Text.empty() && Text.front() == '-';
  if (Negative) {
    Text.remove_prefix(1);
  }
  if (Text.empty() || Text.size() > 9) {
    return std::nullopt;
  }
  std::int64_t Value = 0;
  for (const char Character : Text) {
    if (Character < '0' || Character > '9') {
      return std::nullopt;
    }
    Value = Value * 10 + (Character - '0');
  }
  if (Negative) {
    Value = -Value;
  }
  if (Value < LowestMillidegrees || Value > HighestMillidegrees) {
    return std::nullopt;
  }
  return static_cast<std::int32_t>(Value);
}

std::function<std::optional<double>()> DiskTemperatureReaderOf(const std::string& Folder) {
  auto Sensor = std::make_shared<TDiskTemperature>(TDiskTemperature::OfFolder(Folder));
  if (!Sensor->HasSensor()) {
    return {};
  }
  return [Sensor] { return Sensor->ReadCelsius(); };
}
