// What the window and the log show of a pass's read-back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Report.Rig.h"

namespace {

const std::string Rule(39, '*');
using Lines = std::vector<std::string>;

TSetting Verifying() {
  TSetting Setting;
  Setting.DrivePath = "/mnt/usb/";
  Setting.NeedVerify = true;
  return Setting;
}

// 24 MiB written and read back: a sector with a few bits changed 8 MiB + 4 KiB in, the last
// MiB from elsewhere on the drive.
TVerifyTally DamagedTally() {
  TVerifyTally Tally;
  Tally.WrittenSectors = 24 * 256;
  Tally.IntactSectors = 23 * 256 - 1;
  Tally.FewBitsSectors = 1;
  Tally.OverwrittenSectors = 256;
  Tally.FirstDamage = TDamagePlace{0, 8 * MiB + 4096, 8 * MiB + 4096};
  Tally.ReadSeconds = 0.0575;
  return Tally;
}

TEST(VerifyReport, TheHeaderNamesTheModeOnlyWhenItIsOn) {
  TPresenterRig Rig(Verifying());
  Rig->PrintInitialSetting(1, 875 * MiB, 960 * MiB, 32);
  const Lines Header = Rig.View.LogLines();
  ASSERT_EQ(Header.size(), 21U);
  EXPECT_EQ(Header[18], "무한 반복 : 미적용");
  EXPECT_EQ(Header[19], "쓰기 후 검증 : 적용");
  EXPECT_EQ(Header[20], Rule);
  TPresenterRig Plain;
  Plain->PrintInitialSetting(1, 875 * MiB, 960 * MiB, 32);
  EXPECT_EQ(Plain.View.LogLines().size(), 20U);
}

TEST(VerifyReport, TheReadMovesTheBarLabelsAndTheReadSeries) {
  TPresenterRig Rig(Verifying());
  Rig.Clock.Set(EncodeDateTime({2024, 5, 1, 13, 0, 5, 0}));
  Rig.Pass(1, 875, {100, 200, 300});
  Rig.View.Calls.clear();
  Rig->StartVerify(24);
  Rig->ApplyReadProgress(8, 24, 500, 0.016);
  Rig->ApplyReadProgress(16, 24, 400, 0.02);
  EXPECT_EQ(Rig.View.Calls,
            (Lines{"Log - 24/05/01 13:00:05에 쓰기 후 검증 시작 -", "Progress 0",
                   "File 현재 검증한 용량 : 0.00GiB / 0.02GiB", "Progress 33",
                   "File 현재 검증한 용량 : 0.01GiB / 0.02GiB",
                   // Where the first write lay: (1000 - 125 - 8) / 1000 of the disk left.
                   "ReadPoint 86.7 500", "Speed 읽기 속도 : 500MiB/s", "Progress 67",
                   "File 현재 검증한 용량 : 0.02GiB / 0.02GiB", "ReadPoint 85.9 400",
                   "Speed 읽기 속도 : 400MiB/s"}));
}

TEST(VerifyReport, TheSummaryIsFollowedByWhatTheReadFound) {
  TPresenterRig Rig(Verifying());
  Rig.Clock.Set(EncodeDateTime({2024, 5, 1, 13, 0, 0, 0}));
  Rig.Pass(1, 875, {100, 40, 48});
  Rig->StartVerify(24);
  for (const auto& [Read, Speed] : {std::pair{8, 500}, {16, 300}, {24, 451}}) {
    Rig->ApplyReadProgress(Read, 24, Speed, 8.0 / Speed);
  }
  Rig->EndVerify(DamagedTally());
  Rig.View.Calls.clear();
  Rig->EndTest(0.0, 0);
  const Lines Shown = Rig.View.LogLines();
  // The summary's nine lines, what the read found, then the pass's analysis.
  ASSERT_EQ(Shown.size(), 26U);
  EXPECT_EQ(Shown.back(), "- 판단하기에 너무 짧은 회차입니다 (쓰기 3회) -");
  EXPECT_EQ(Lines(Shown.begin() + 9, Shown.end() - 1),
            (Lines{"- 쓰기 후 검증 -", "읽은 용량 : 24MiB / 24MiB", "온전한 용량 : 22.99MiB",
                   "바뀐 용량 (몇 비트) : 4KiB (1섹터)", "바뀐 용량 (많은 바이트) : 0MiB",
                   "덮어쓰인 용량 : 1MiB (256섹터)", "읽지 못한 용량 : 0MiB",
                   "첫 손상 위치 : Randomfile0, 8392704바이트 지점", "사용 가능한 용량 : 8.00MiB",
                   // Data overwritten from other places: what the drive holds beside what it says.
                   "표시 용량 1000MiB, 실제로 저장된 데이터 약 23MiB", "최대 읽기 속도 : 500MiB/s",
                   "최소 읽기 속도 : 300MiB/s", "평균 읽기 속도 : 417MiB/s", "읽기 시간 : 0.058초",
                   "검증 결과 : 손상 있음", Rule}));
  // The window also says it in a box of its own, once a run.
  ASSERT_EQ(Rig.View.Errors.size(), 1U);
  EXPECT_EQ(Rig.View.Errors[0],
            "표시 용량 1000MiB, 실제로 저장된 데이터 약 23MiB\n"
            "쓰기 후 검증에서 손상된 데이터를 찾았습니다.\n손상된 용량 : 1.00MiB / 24MiB\n"
            "첫 손상 위치 : Randomfile0, 8392704바이트 지점\n사용 가능한 용량 : 8.00MiB");
  Rig.Pass(2, 875, {100});
  Rig->StartVerify(8);
  Rig->EndVerify(DamagedTally());
  EXPECT_EQ(Rig.View.Errors.size(), 1U);
}

TEST(VerifyReport, TheVerdictSaysWhetherTheReadEndedAndFoundAnything) {
  const struct {
    std::int64_t Read;
    const char *ReadLine, *UsableLine, *Verdict;
  } Cases[] = {
      {24 * 256, "읽은 용량 : 24MiB / 24MiB", "사용 가능한 용량 : 24MiB", "검증 결과 : 이상 없음"},
      {10 * 256 + 3, "읽은 용량 : 10,01MiB / 24MiB", "사용 가능한 용량 : 10,01MiB",
       "검증 결과 : 중단 (읽은 부분은 이상 없음)"},
  };
  for (const auto& Case : Cases) {
    SCOPED_TRACE(Case.Verdict);
    TPresenterRig Rig(Verifying(), ",");
    Rig.Pass(1, 875, {100, 100, 100});
    Rig->StartVerify(24);
    TVerifyTally Tally;
    Tally.WrittenSectors = 24 * 256;
    Tally.IntactSectors = Case.Read;
    Tally.ReadSeconds = 1.5;
    Rig->EndVerify(Tally);
    Rig.View.Calls.clear();
    Rig->EndTest(0.0, 0);
    const Lines Shown = Rig.View.LogLines();
    ASSERT_EQ(Shown.size(), 25U);
    EXPECT_EQ(Shown[10], Case.ReadLine);
    EXPECT_EQ(Shown[16], "첫 손상 위치 : 없음");
    EXPECT_EQ(Shown[17], Case.UsableLine);
    EXPECT_EQ(Shown[20], "평균 읽기 속도 : 0MiB/s") << "no read was timed";
    EXPECT_EQ(Shown[21], "읽기 시간 : 1,500초");
    EXPECT_EQ(Shown[22], Case.Verdict);
    EXPECT_TRUE(Rig.View.Errors.empty());
  }
}

}  // namespace
