#include "cli/Cli.StatusLine.h"

#include <gtest/gtest.h>

namespace {

TEST(CliStatusLine, ShowsBarFiguresAndTimeLeft) {
  // 25 GiB of 100 written in 100 s: another 300 s to go at that rate.
  const std::string Line = FormatStatusLine({25 * 1024, 100 * 1024, 512, 100.0}, 200);
  EXPECT_EQ(Line,
            "[#####---------------]  25%  25.00/100.00 GiB  512 MiB/s  00:01:40 elapsed  "
            "00:05:00 left");
}

TEST(CliStatusLine, NothingWrittenYetHasNoTimeLeftAndFitsTheWidth) {
  const std::string Line = FormatStatusLine({0, 8, 0, 0.0}, 200);
  EXPECT_EQ(Line, "[--------------------]   0%  0.00/0.01 GiB  0 MiB/s  00:00:00 elapsed");
  EXPECT_EQ(FormatStatusLine({4, 8, 100, 1.0}, 30).size(), 30u);
}

TEST(CliStatusLine, ClockCountsHoursPastADay) {
  EXPECT_EQ(FormatClock(90061.9), "25:01:01");
}

}  // namespace
