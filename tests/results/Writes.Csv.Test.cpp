// The per-write CSV's lines: exact text, exact round trip, and every way a line can be wrong.
#include "results/Writes.Csv.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "analysis/Analysis.Pass.h"
#include "analysis/Curve.Maker.h"

namespace {

const std::string Header = std::string(WritesCsvHeader) + "\n";

TWriteRecord Record(std::int32_t WrittenInMiB, double Seconds, std::int32_t Speed,
                    double RemainPercent, std::optional<float> Temperature) {
  return {WrittenInMiB, Speed, Seconds, RemainPercent, Temperature};
}

std::string CsvOf(const std::vector<TPassWrites>& Passes) {
  std::string Text = Header;
  for (const TPassWrites& Pass : Passes) {
    for (std::size_t Index = 0; Index < Pass.Writes.size(); ++Index) {
      const auto Number = static_cast<std::int32_t>(Index + 1);
      AppendWritesCsvLine(Text, Pass.Pass, Number, Pass.Writes[Index]);
      if (Pass.Writes[Index].CloseSeconds > 0.0) {
        AppendClosesCsvLine(Text, Pass.Pass, Number, Pass.Writes[Index],
                            Pass.Writes[Index].CloseSeconds);
      }
    }
    for (std::size_t Index = 0; Index < Pass.Reads.size(); ++Index) {
      AppendReadsCsvLine(Text, Pass.Pass, static_cast<std::int32_t>(Index + 1), Pass.Reads[Index]);
    }
  }
  return Text;
}

TEST(WritesCsv, LineIsTheShortestExactTextOfEachNumber) {
  std::string Out;
  Out.reserve(4 * WritesCsvMaxLine);
  const char* const Buffer = Out.data();
  AppendWritesCsvLine(Out, 1, 1, Record(8, 0.0053, 1509, 99.9995, 41.5F));
  AppendWritesCsvLine(Out, 12, 345, Record(2760, 1.0 / 3.0, 24, -0.25, std::nullopt));
  AppendWritesCsvLine(Out, 2, 7, Record(56, 0.0, std::numeric_limits<std::int32_t>::max(), 0, NAN));
  AppendWritesCsvLine(Out, 3, 1, Record(8, 1e-5, 800000, 50, -5.0F));
  EXPECT_EQ(Out,
            "1,1,8,99.9995,0.0053,1509,41.5\n"
            "12,345,2760,-0.25,0.3333333333333333,24,\n"
            "2,7,56,0,0,2147483647,\n"
            "3,1,8,50,1e-05,800000,-5\n");
  EXPECT_EQ(Out.data(), Buffer) << "the reserved buffer was enough";
}

TEST(WritesCsv, ReadsBackWhatWasWrittenToTheBit) {
  // Times of every kind of binary fraction, two passes, temperatures now and then.
  std::vector<TPassWrites> Passes = {{1, TCurve(5).Steady(300, 1500, 0.35).Stall(2.2), {}},
                                     {2, TCurve(6).Steady(200, 180, 0.35), {}}};
  for (TPassWrites& Pass : Passes) {
    for (std::size_t Index = 0; Index < Pass.Writes.size(); Index += 7) {
      Pass.Writes[Index].TemperatureInC = 30.0F + 0.1F * static_cast<float>(Index);
    }
  }
  // Each pass's files closed after a few writes, the last close the longest wait.
  Passes[0].Writes[99].CloseSeconds = 0.125;
  Passes[0].Writes.back().CloseSeconds = 31.7;
  Passes[1].Writes.back().CloseSeconds = 1.0 / 3.0;
  // The first pass was read back (the reads without a temperature); the second was not.
  const std::vector<TWriteRecord> Reads = TCurve(7).Steady(300, 900, 0.35);
  for (TWriteRecord Read : Reads) {
    Read.TemperatureInC.reset();
    Passes[0].Reads.push_back(Read);
  }
  const std::vector<TPassWrites> Read = ParseWritesCsv(CsvOf(Passes));
  EXPECT_EQ(Read, Passes);
  // So the speed recomputed from the time is the one the program showed.
  for (const TWriteRecord& Write : Read[0].Writes) {
    EXPECT_EQ(TCurve::ShownSpeed(Write.Seconds), Write.SpeedInMiB);
  }
  // And the analysis of the file is the analysis of the pass.
  EXPECT_EQ(AnalysePass(Read[1].Writes), AnalysePass(Passes[1].Writes));
}

TEST(WritesCsv, TolerantOfLineEndsAndAByteOrderMark) {
  const std::vector<TPassWrites> Expected = {
      {1, {Record(8, 0.5, 16, 90, std::nullopt), Record(16, 0.25, 32, 80, 40.0F)}, {}},
      {3, {Record(8, 1, 8, 70, std::nullopt)}, {}},
  };
  for (const char* Text : {
           "pass,index,written_mib,remain_pct,seconds,mib_s,temp_c\n1,1,8,90,0.5,16,\n"
           "1,2,16,80,0.25,32,40\n3,1,8,70,1,8,\n",
           "pass,index,written_mib,remain_pct,seconds,mib_s,temp_c\r\n1,1,8,90,0.5,16,\r\n"
           "1,2,16,80,0.25,32,40\r\n3,1,8,70,1,8,",
           "\xEF\xBB\xBFpass,index,written_mib,remain_pct,seconds,mib_s,temp_c\n\n1,1,8,90,0.5,16,"
           "\n1,2,16,80,0.25,32,40\n\r\n3,1,8,70,1,8,\n\n",
       }) {
    EXPECT_EQ(ParseWritesCsv(Text), Expected) << Text;
  }
  EXPECT_TRUE(ParseWritesCsv(Header).empty());
}

TEST(WritesCsv, AReadLineNamesItsKindAndLacksOnlyTheTemperature) {
  std::string Out;
  AppendReadsCsvLine(Out, 2, 3, Record(24, 0.0125, 640, 90.5, 41.0F));
  EXPECT_EQ(Out, "read,2,3,24,90.5,0.0125,640\n");
  Out.clear();
  AppendClosesCsvLine(Out, 2, 5, Record(40, 0.0125, 640, 90.5, 41.0F), 31.75);
  EXPECT_EQ(Out, "close,2,5,40,31.75\n");
}

TEST(WritesCsv, MalformedLinesAreRefusedWithTheirNumber) {
  const std::string First = Header + "1,1,8,90,0.5,16,\n";
  const struct {
    std::string Text;
    std::size_t Line;
    const char* Message;
  } Cases[] = {
      {"", 1, "line 1: the file is empty"},
      {"pass;index\n", 1, "line 1: the header \"pass,index,written_mib,"},
      {"1,1,8,90,0.5,16,\n", 1, "line 1: the header"},
      {First + "1,2,16,80,0.25,32\n", 3, "line 3: 6 fields where 7 are expected"},
      {First + "1,2,16,80,0.25,32,,\n", 3, "line 3: 8 fields where 7 are expected"},
      {First + "1,2,16,80,abc,32,\n", 3, "line 3: seconds \"abc\" is not a number"},
      {First + "1,2,16,80,nan,32,\n", 3, "line 3: seconds \"nan\" is not a number"},
      {First + "1,2,16,80,inf,32,\n", 3, "line 3: seconds \"inf\" is not a number"},
      {First + "1,2,16,80,-0.5,32,\n", 3, "line 3: seconds \"-0.5\" is below 0"},
      {First + "1,2,16,80,0.5 ,32,\n", 3, "line 3: seconds \"0.5 \" is not a number"},
      {First + "1,2,16,80,0.5,32.5,\n", 3, "line 3: mib_s \"32.5\" is not a whole number"},
      {First + "1,2,16,80,0.5,-1,\n", 3, "line 3: mib_s \"-1\" is below 0"},
      {First + "1,2,16,80,0.5,99999999999,\n", 3, "line 3: mib_s \"99999999999\" is not a whole"},
      {First + "1,2,16,,0.5,32,\n", 3, "line 3: remain_pct \"\" is not a number"},
      {First + "1,2,16,80,0.5,32,hot\n", 3, "line 3: temp_c \"hot\" is not a number"},
      {First + "0,1,8,80,0.5,32,\n", 3, "line 3: pass \"0\" is below 1"},
      {First + "1,3,24,80,0.5,32,\n", 3, "line 3: index 3 where 2 is expected"},
      {First + "1,1,8,80,0.5,32,\n", 3, "line 3: index 1 where 2 is expected"},
      {First + "1,2,8,80,0.5,32,\n", 3,
       "line 3: written_mib 8 is not more than the line before (8)"},
      {First + "2,2,8,80,0.5,32,\n", 3, "line 3: index 2 where 1 is expected"},
      {First + "2,1,8,80,0.5,32,\n1,2,16,80,0.5,32,\n", 4, "line 4: pass 1 after pass 2"},
      {First + "\r\n\n1,2,16,80,0.5,32,x\r\n", 5, "line 5: temp_c \"x\" is not a number"},
      // The reads of the verification, after their pass's writes.
      {Header + "read,1,1,8,90,0.5,16\n", 2, "line 2: read of pass 1 does not follow the writes"},
      {First + "read,2,1,8,90,0.5,16\n", 3, "line 3: read of pass 2 does not follow the writes"},
      {First + "read,1,1,8,90,0.5\n", 3, "line 3: 6 fields where 7 are expected (read,pass,"},
      {First + "read,1,2,8,90,0.5,16\n", 3, "line 3: index 2 where 1 is expected"},
      {First + "read,1,1,16,90,0.5,16\n", 3, "line 3: read_mib 16 is not between 0 and what"},
      {First + "read,1,1,8,90,-1,16\n", 3, "line 3: seconds \"-1\" is below 0"},
      {First + "read,1,1,8,90,0.5,x\n", 3, "line 3: mib_s \"x\" is not a whole number"},
      {First + "read,1,1,8,90,0.5,16\n1,2,16,80,0.5,32,\n", 4,
       "line 4: a write of pass 1 after its reads"},
      // A file's close, right after the write it followed.
      {Header + "close,1,1,8,0.5\n", 2, "line 2: close of pass 1 does not follow the writes"},
      {First + "close,1,1,8\n", 3, "line 3: 4 fields where 5 are expected (close,pass,"},
      {First + "close,1,2,16,0.5\n", 3, "line 3: close after write 2 at 16 MiB where the last"},
      {First + "close,1,1,16,0.5\n", 3, "line 3: close after write 1 at 16 MiB where the last"},
      {First + "close,1,1,8,-2\n", 3, "line 3: seconds \"-2\" is below 0"},
      {First + "read,1,1,8,90,0.5,16\nclose,1,1,8,0.5\n", 4, "line 4: close of pass 1 does not"},
  };
  for (const auto& Case : Cases) {
    try {
      ParseWritesCsv(Case.Text);
      ADD_FAILURE() << "accepted: " << Case.Text;
    } catch (const TWritesCsvError& Error) {
      EXPECT_EQ(Error.Line(), Case.Line) << Case.Text;
      EXPECT_EQ(std::string(Error.what()).rfind(Case.Message, 0), 0U)
          << Error.what() << "\nexpected to begin with: " << Case.Message;
    }
  }
}

}  // namespace
