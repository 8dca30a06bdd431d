#include "cli/Cli.StatusLine.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

std::string FormatClock(double Seconds) {
  const auto Whole = static_cast<long long>(std::max(0.0, std::floor(Seconds)));
  char Text[32];
  std::snprintf(Text, sizeof Text, "%02lld:%02lld:%02lld", Whole / 3600, Whole / 60 % 60,
                Whole % 60);
  return Text;
}

std::string FormatStatusLine(const TPassStatus& Status, int Width) {
  constexpr int BarWidth = 20;
  const double Fraction =
      Status.TargetInMiB > 0
          ? std::clamp(static_cast<double>(Status.WrittenInMiB) / Status.TargetInMiB, 0.0, 1.0)
          : 0.0;
  const int Filled = static_cast<int>(Fraction * BarWidth);
  std::string Line = "[" + std::string(Filled, '#') + std::string(BarWidth - Filled, '-') + "]";

  char Figures[160];
  std::snprintf(Figures, sizeof Figures, " %3d%%  %.2f/%.2f GiB  %d MiB/s  %s elapsed",
                static_cast<int>(Fraction * 100), Status.WrittenInMiB / 1024.0,
                Status.TargetInMiB / 1024.0, Status.SpeedInMiB,
                FormatClock(Status.ElapsedSeconds).c_str());
  Line += Figures;
  if (Status.WrittenInMiB > 0 && Status.ElapsedSeconds > 0) {
    const double Rate = Status.WrittenInMiB / Status.ElapsedSeconds;
    const double Left = (Status.TargetInMiB - Status.WrittenInMiB) / Rate;
    Line += "  " + FormatClock(Left) + " left";
  }
  if (Width > 0 && static_cast<int>(Line.size()) > Width) {
    Line.resize(static_cast<std::size_t>(Width));  // plain ASCII, so bytes are columns
  }
  return Line;
}
