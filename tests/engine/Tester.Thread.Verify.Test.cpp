#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "engine/Tester.Thread.Fixture.h"
#include "engine/Verify.Stamp.h"

// The read-back of a pass on the in-memory volume, which keeps what was written: three writes of
// 8 MiB (24 MiB, 6144 sectors) into one file, read back at 800 MiB/s.
namespace {

using Calls = std::vector<std::string>;

constexpr std::int32_t Sectors = 24 * 256;

class TesterThreadVerifyTest : public TesterThreadTest {
 protected:
  void SetUp() override {
    MakeVolume(25 * MiB + MiB / 2);
    Volume->KeepData = true;
  }
  static TSetting VerifySetting(bool Delete = true) {
    TSetting Result = Setting(0);
    Result.NeedVerify = true;
    Result.NeedDelete = Delete;
    return Result;
  }
  // The calls from the first read on.
  Calls FromRead() const {
    const Calls All = Record->Calls();
    const auto Start = std::find(All.begin(), All.end(), "StartVerify 24");
    return Calls(Start, All.end());
  }
};

TEST_F(TesterThreadVerifyTest, ReadsThePassBackBeforeDeletingItsFiles) {
  Run(VerifySetting());
  EXPECT_FALSE(Thread->Error());
  EXPECT_FALSE(Thread->DataDamaged());
  EXPECT_EQ(FromRead(),
            (Calls{"StartVerify 24", ReadProgress(8, 24, 800), ReadProgress(16, 24, 800),
                   ReadProgress(24, 24, 800), "EndVerify 6144/6144 6144 0 0 0 0", "StartDeleting",
                   "EndDeleting", EndTest(0, 0), "HideButtons", "HideButtons"}));
  // Written through the cache, flushed and closed, then opened again the same way.
  EXPECT_EQ(Volume->Log(), (Calls{"create " + File(0), "flush " + File(0), "close " + File(0),
                                  "open " + File(0), "close " + File(0), "delete " + File(0)}));
  ASSERT_EQ(Record->Tallies().size(), 1U);
  EXPECT_NEAR(Record->Tallies()[0].ReadSeconds, 0.03, 1e-9) << "the reads alone are timed";
}

TEST_F(TesterThreadVerifyTest, UnbufferedWritesAreReadBackUnbuffered) {
  TSetting Chosen = VerifySetting();
  Chosen.NeedCache = false;
  Run(Chosen);
  EXPECT_EQ(Volume->Log(),
            (Calls{"create " + File(0) + " direct", "flush " + File(0), "close " + File(0),
                   "open " + File(0) + " direct", "close " + File(0), "delete " + File(0)}));
}

// Every sector of every write names its place; what follows the stamp is the one random block.
TEST_F(TesterThreadVerifyTest, EachSectorWrittenCarriesTheStampOfItsPlace) {
  Run(VerifySetting(false));
  EXPECT_EQ(Record->Calls().back(), "HideButtons");
  // The file is kept: its bytes are read through the fake's reader, as the worker does.
  auto Reader = std::static_pointer_cast<TTesterPlatform>(Volume);
  const TFolderHandle Folder = Reader->OpenFolder(Drive).Handle;
  const TOpenedForRead Opened = Reader->OpenForRead(Folder, "Randomfile0", false);
  ASSERT_NE(Opened.Handle, NoFile);
  std::vector<std::byte> Kept(24 * MiB);
  ASSERT_EQ(Reader->ReadAt(Opened.Handle, 0, Kept.data(), Kept.size()).Count, Kept.size());
  std::optional<TSectorStamp> First;
  for (std::size_t At = 0; At < Kept.size(); At += SectorBytes) {
    const auto Stamp = ReadStamp(Kept.data() + At);
    ASSERT_TRUE(Stamp) << "sector at " << At;
    First = First ? First : Stamp;
    EXPECT_EQ(*Stamp, (TSectorStamp{First->Run, 1, 0, static_cast<std::int64_t>(At)}));
    const std::size_t InBlock = At % (8 * MiB);
    EXPECT_EQ(std::memcmp(Kept.data() + At + StampBytes, Kept.data() + InBlock + StampBytes,
                          SectorBytes - StampBytes),
              0);
  }
}

TEST_F(TesterThreadVerifyTest, DamageIsCountedPerSectorWithTheFirstPlace) {
  struct TCase {
    const char* What;
    std::function<void(TFakeTesterPlatform&)> Damage;
    const char* Verified;
  };
  const TCase Cases[] = {
      {"a bit flipped in the second block",
       [](TFakeTesterPlatform& Drive) { Drive.ChangeData(File(0), 8 * MiB + 5000, std::byte{1}); },
       "EndVerify 6144/6144 6143 1 0 0 0 0:8392704"},
      // The rest of a block with a bad sector is still read, and checked, sector by sector.
      {"two unreadable sectors",
       [](TFakeTesterPlatform& Drive) {
         Drive.BadSectors[File(0)] = {16 * MiB + 4096, 23 * MiB};
       },
       "EndVerify 6144/6144 6142 0 0 0 2 0:16781312"},
  };
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(Case.What);
    Record = std::make_shared<TPresenterRecord>();
    SetUp();
    Record->OnCall = [this, &Case](const std::string& Call) {
      if (Call == "StartVerify 24") {
        Case.Damage(*Volume);
      }
    };
    Run(VerifySetting());
    EXPECT_FALSE(Thread->Error());
    EXPECT_TRUE(Thread->DataDamaged());
    EXPECT_EQ(Record->CallsStartingWith("EndVerify"), Calls{Case.Verified});
    EXPECT_EQ(Record->Calls().back(), "HideButtons");
    EXPECT_TRUE(Volume->Files().empty());
    Thread.reset();
  }
}

// A file whose name came to mean another one holds nothing of the pass: all of it counts as
// unreadable, and the file is left as it is.
TEST_F(TesterThreadVerifyTest, AReplacedFileIsNotReadAsThePasssOwn) {
  Record->OnCall = [this](const std::string& Call) {
    if (Call == "StartVerify 24") {
      Volume->AddFile(File(0), 24 * MiB);
    }
  };
  Run(VerifySetting());
  EXPECT_TRUE(Thread->DataDamaged());
  EXPECT_EQ(FromRead(), (Calls{"StartVerify 24", "EndVerify 6144/6144 0 0 0 0 6144 0:0",
                               "StartDeleting", "PrintReplacedFile " + File(0), "EndDeleting",
                               EndTest(0, 0), "HideButtons", "HideButtons"}));
}

// A drive that is gone is no bad sector: the pass ends as after a failed write.
TEST_F(TesterThreadVerifyTest, AReadFailureOtherThanABadSectorEndsThePass) {
  Volume->FailReadAt = 1;
  Run(VerifySetting());
  ASSERT_TRUE(Thread->Error());
  EXPECT_EQ(Thread->Error()->Operation, "ReadFile");
  EXPECT_EQ(Thread->Error()->Code, static_cast<std::uint32_t>(ENOTCONN));
  EXPECT_EQ(Thread->Error()->Path, File(0));
  EXPECT_EQ(FromRead(),
            (Calls{"StartVerify 24", ReadProgress(8, 24, 800), ErrorCall(*Thread->Error()),
                   "StartDeleting", "EndDeleting", "HideButtons"}));
  EXPECT_EQ(Volume->OpenFiles(), 0U);
}

TEST_F(TesterThreadVerifyTest, PauseAndCancelWorkDuringTheRead) {
  // Paused after the first read, resumed by the first wait; cancelled during the second.
  Volume->OnRead = [this](int Index) {
    if (Index == 0) {
      Worker->ToggleIdle();
    } else {
      Worker->Terminate();
    }
  };
  Volume->OnSleep = [this](std::uint32_t) { Worker->ToggleIdle(); };
  Run(VerifySetting());
  EXPECT_FALSE(Thread->Error());
  EXPECT_FALSE(Thread->DataDamaged());
  EXPECT_EQ(FromRead(),
            (Calls{"StartVerify 24", ReadProgress(8, 24, 800), "StartIdle", "EndIdle",
                   ReadProgress(16, 24, 800), "PassCancelled", "EndVerify 4096/6144 4096 0 0 0 0",
                   "StartDeleting", "EndDeleting", EndTest(0, 0), "HideButtons", "HideButtons"}));
}

// Cancelled right after its last write: the pass is unread, so it did not complete either.
TEST_F(TesterThreadVerifyTest, ACancelAfterTheLastWriteLeavesThePassCancelledAndUnread) {
  Volume->OnWrite = [this](int Index) {
    if (Index == 2) {
      Worker->Terminate();
    }
  };
  Run(VerifySetting());
  const Calls Seen = Record->Calls();
  EXPECT_EQ(std::count(Seen.begin(), Seen.end(), "PassCancelled"), 1);
  EXPECT_TRUE(FromRead().empty()) << "no read-back";
  ASSERT_GE(Seen.size(), 7U);
  EXPECT_EQ(Calls(Seen.end() - 7, Seen.end()),
            (Calls{Progress(24, 24, 400), "PassCancelled", "StartDeleting", "EndDeleting",
                   EndTest(0, 0), "HideButtons", "HideButtons"}));
}

// Each pass reads back its own writes, whose stamps name the pass; a cancel during the writes
// leaves the pass unread.
TEST_F(TesterThreadVerifyTest, EveryPassOfARepeatingRunIsReadBack) {
  TSetting Chosen = VerifySetting(false);
  Chosen.InfiniteRepetition = true;
  int Writes = 0;
  Volume->OnWrite = [&](int) {
    if (++Writes == 5) {
      Worker->Terminate();
    }
  };
  Run(Chosen);
  EXPECT_FALSE(Thread->DataDamaged());
  EXPECT_EQ(Record->CallsStartingWith("EndVerify"), Calls{"EndVerify 6144/6144 6144 0 0 0 0"});
  EXPECT_EQ(Record->CallsStartingWith("StartVerify").size(), 1U);
  EXPECT_EQ(Record->CallsStartingWith("EndTest").size(), 2U);
  EXPECT_EQ(Volume->Files().size(), 1U) << "the cancelled pass keeps its file";
}

}  // namespace
