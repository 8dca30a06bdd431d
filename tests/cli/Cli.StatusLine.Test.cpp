#include "cli/Cli.StatusLine.h"

#include <gtest/gtest.h>

namespace {

// 25 GiB of 100 written in 100 s at 512 MiB/s: another 300 s to go at that rate.
const TPassStatus Running{25 * 1024, 100 * 1024, 512, 100.0};

TEST(CliStatusLine, ShowsBarFiguresAndTimeLeft) {
  EXPECT_EQ(FormatStatusLine(Running, 200),
            "[#####---------------]  25%  25.00/100.00 GiB  512 MiB/s  00:01:40 elapsed  "
            "00:05:00 left");
}

TEST(CliStatusLine, TheReadBackSaysSoAndStillFits) {
  TPassStatus Reading = Running;
  Reading.Reading = true;
  EXPECT_EQ(FormatStatusLine(Reading, 200),
            "verify [#####---------------]  25%  25.00/100.00 GiB  512 MiB/s  00:01:40 elapsed  "
            "00:05:00 left");
  EXPECT_EQ(FormatStatusLine(Reading, 31), "verify 25%  00:05:00 left");
}

TEST(CliStatusLine, ANarrowTerminalKeepsThePercentageAndTheTimeLeft) {
  const struct {
    int Width;
    const char* Line;
  } Cases[] = {
      {89,
       "[#####---------------]  25%  25.00/100.00 GiB  512 MiB/s  00:01:40 elapsed  00:05:00 left"},
      {85, "[####------------]  25%  25.00/100.00 GiB  512 MiB/s  00:01:40 elapsed  00:05:00 left"},
      // 80 columns: the bar narrows, nothing goes.
      {79, "[##--------]  25%  25.00/100.00 GiB  512 MiB/s  00:01:40 elapsed  00:05:00 left"},
      {70, "[####---------------]  25%  25.00/100.00 GiB  512 MiB/s  00:05:00 left"},
      {59, "25%  25.00/100.00 GiB  512 MiB/s  00:05:00 left"},
      {45, "25%  512 MiB/s  00:05:00 left"},
      {24, "25%  00:05:00 left"},
      {10, "25%  00:05"},
  };
  for (const auto& Case : Cases) {
    const std::string Line = FormatStatusLine(Running, Case.Width);
    EXPECT_EQ(Line, Case.Line) << Case.Width;
    EXPECT_LE(static_cast<int>(Line.size()), Case.Width);
  }
}

TEST(CliStatusLine, NothingWrittenYetHasNoTimeLeftAndFitsTheWidth) {
  const std::string Line = FormatStatusLine({0, 8, 0, 0.0}, 200);
  EXPECT_EQ(Line, "[--------------------]   0%  0.00/0.01 GiB  0 MiB/s  00:00:00 elapsed");
  EXPECT_EQ(FormatStatusLine({4, 8, 100, 1.0}, 30), "50%  100 MiB/s  00:00:01 left");
}

TEST(CliStatusLine, ClockCountsHoursPastADay) {
  EXPECT_EQ(FormatClock(90061.9), "25:01:01");
}

}  // namespace
