#include "cli/Cli.StatusLine.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr int FullBarWidth = 20;
constexpr int NarrowBarWidth = 10;

// What a line shows besides the percentage and the time left, which it always shows.
struct TLayout {
  int BarWidth;  // 0: no bar
  bool Sizes;
  bool Speed;
  bool Elapsed;
};

std::string Compose(const TPassStatus& Status, double Fraction, const std::string& Left,
                    const TLayout& Layout) {
  char Text[160];
  std::string Line = Status.Reading ? "verify " : "";
  if (Layout.BarWidth > 0) {
    const int Filled = static_cast<int>(Fraction * Layout.BarWidth);
    Line += "[" + std::string(Filled, '#') + std::string(Layout.BarWidth - Filled, '-') + "]";
    // Right-aligned beside the bar, so that the figures after it do not jump.
    std::snprintf(Text, sizeof Text, " %3d%%", static_cast<int>(Fraction * 100));
  } else {
    std::snprintf(Text, sizeof Text, "%d%%", static_cast<int>(Fraction * 100));
  }
  Line += Text;
  if (Layout.Sizes) {
    std::snprintf(Text, sizeof Text, "  %.2f/%.2f GiB", Status.WrittenInMiB / 1024.0,
                  Status.TargetInMiB / 1024.0);
    Line += Text;
  }
  if (Layout.Speed) {
    Line += "  " + std::to_string(Status.SpeedInMiB) + " MiB/s";
  }
  if (Layout.Elapsed) {
    Line += "  " + FormatClock(Status.ElapsedSeconds) + " elapsed";
  }
  if (!Left.empty()) {
    Line += "  " + Left + " left";
  }
  return Line;
}

}  // namespace

std::string FormatClock(double Seconds) {
  const auto Whole = static_cast<long long>(std::max(0.0, std::floor(Seconds)));
  char Text[32];
  std::snprintf(Text, sizeof Text, "%02lld:%02lld:%02lld", Whole / 3600, Whole / 60 % 60,
                Whole % 60);
  return Text;
}

std::string FormatStatusLine(const TPassStatus& Status, int Width) {
  const double Fraction =
      Status.TargetInMiB > 0
          ? std::clamp(static_cast<double>(Status.WrittenInMiB) / Status.TargetInMiB, 0.0, 1.0)
          : 0.0;
  std::string Left;
  if (Status.WrittenInMiB > 0 && Status.ElapsedSeconds > 0) {
    const double Rate = Status.WrittenInMiB / Status.ElapsedSeconds;
    Left = FormatClock((Status.TargetInMiB - Status.WrittenInMiB) / Rate);
  }
  // From the whole line down to what matters most while waiting: how far, and how long still.
  // The bar narrows before anything goes; the elapsed time goes first, then the bar, the
  // sizes and the speed.
  const TLayout Layouts[] = {
      {FullBarWidth, true, true, true}, {FullBarWidth, true, true, false}, {0, true, true, false},
      {0, false, true, false},          {0, false, false, false},
  };
  std::string Line;
  for (const TLayout& Layout : Layouts) {
    Line = Compose(Status, Fraction, Left, Layout);
    if (Width <= 0 || static_cast<int>(Line.size()) <= Width) {
      return Line;
    }
    // A bar narrower than asked for, as wide as the room allows.
    if (Layout.BarWidth == FullBarWidth) {
      const int Narrower = FullBarWidth - (static_cast<int>(Line.size()) - Width);
      if (Narrower >= NarrowBarWidth) {
        return Compose(Status, Fraction, Left,
                       {Narrower, Layout.Sizes, Layout.Speed, Layout.Elapsed});
      }
    }
  }
  Line.resize(static_cast<std::size_t>(Width));  // plain ASCII, so bytes are columns
  return Line;
}
