// The per-write CSV as the presenter writes it: a real file in a temporary folder.
#include "results/Writes.CsvFile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/Curve.Maker.h"
#include "report/Report.TempFolder.h"
#include "results/Writes.Csv.h"

namespace {

TEST(WritesCsvFile, HeaderAtOnceLinesByPassAndEverythingOnFlush) {
  TTempFolder Folder;
  const std::string Path = Folder.File("writes.csv");
  const std::vector<TWriteRecord> First = TCurve(1).Steady(3, 500, 0.35);
  const std::vector<TWriteRecord> Second = TCurve(2).Steady(2, 90, 0.35);
  {
    TWritesCsvFile File(Path);
    for (const TWriteRecord& Write : First) {
      EXPECT_TRUE(File.Append(1, Write));
    }
    for (const TWriteRecord& Write : Second) {
      EXPECT_TRUE(File.Append(2, Write));
    }
    // Held back until a flush: a pass's lines do not cost a system call each.
    EXPECT_EQ(ReadBytes(Path), "");
    EXPECT_TRUE(File.Flush());
    EXPECT_EQ(ParseWritesCsv(ReadBytes(Path)),
              (std::vector<TPassWrites>{{1, First, {}}, {2, Second, {}}}));
    EXPECT_TRUE(File.Append(2, Second.back()));
  }
  // The destructor writes out the rest: the third line of pass 2.
  const std::string Text = ReadBytes(Path);
  EXPECT_EQ(Text.substr(Text.rfind('\n', Text.size() - 2) + 1, 4), "2,3,");
}

TEST(WritesCsvFile, LongPassGoesOutInPiecesAndReadsBackWhole) {
  TTempFolder Folder;
  const std::string Path = Folder.File("long.csv");
  // About 2 MiB of lines: many write-outs of the 64 KiB buffer.
  const std::vector<TWriteRecord> Writes = TCurve(3).Steady(50000, 900, 0.35);
  {
    TWritesCsvFile File(Path);
    for (const TWriteRecord& Write : Writes) {
      ASSERT_TRUE(File.Append(7, Write));
    }
    EXPECT_GT(ReadBytes(Path).size(), 1024U * 1024U) << "written out before the end";
  }
  EXPECT_EQ(ParseWritesCsv(ReadBytes(Path)), (std::vector<TPassWrites>{{7, Writes, {}}}));
}

TEST(WritesCsvFile, FileThatCannotBeCreatedThrowsWithItsPath) {
  TTempFolder Folder;
  const std::string Path = Folder.File("missing/writes.csv");
  try {
    TWritesCsvFile File(Path);
    ADD_FAILURE() << "created " << Path;
  } catch (const TWritesCsvFileError& Error) {
    EXPECT_NE(std::string(Error.what()).find("Cannot create file \""), std::string::npos);
    EXPECT_NE(std::string(Error.what()).find("writes.csv"), std::string::npos);
  }
}

TEST(WritesCsvFile, FullDiskIsReportedAndTheNextLinesAreTriedAgain) {
#ifdef __linux__
  // Every write to /dev/full fails with ENOSPC, as on a full disk.
  TWritesCsvFile File("/dev/full");
  const TWriteRecord Write = TCurve().Steady(1, 100).Writes().front();
  EXPECT_TRUE(File.Append(1, Write));
  EXPECT_FALSE(File.Flush());
  EXPECT_TRUE(File.Append(1, Write)) << "held back again, not failed for good";
  EXPECT_FALSE(File.Flush());
#else
  GTEST_SKIP() << "no /dev/full here";
#endif
}

}  // namespace
