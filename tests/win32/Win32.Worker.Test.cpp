#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

#include "engine/Tester.Thread.h"
#include "fakes/Forwarding.TesterPlatform.h"
#include "fakes/Recording.Presenter.h"
#include "platform/Platform.Files.h"
#include "report/Report.TempFolder.h"

namespace {

constexpr std::int64_t MiB = 1024 * 1024;

// The system's files, thread and clocks; only the free space is made to look small, so that a
// pass on a big disk writes a few MiB.
class TSmallVolume final : public TForwardingTesterPlatform {
 public:
  explicit TSmallVolume(std::int64_t FreeBytes) : FFreeBytes(FreeBytes) {}

  TVolumeSpace VolumeSpace(const std::string& Path) override {
    TVolumeSpace Space = FReal->VolumeSpace(Path);
    Space.FreeBytes = FFreeBytes;
    return Space;
  }

 private:
  std::int64_t FFreeBytes;
};

// Randomfile0 and Randomfile2 belong to someone else: the pass takes number 1, unbuffered,
// 41.5 MiB free leaves a target of 40 MiB (five writes), and only its own file may go.
TEST(Win32Worker, APassWritesItsOwnFileAndDeletesNothingElse) {
  for (const bool NeedDelete : {true, false}) {
    SCOPED_TRACE(NeedDelete ? "delete" : "keep");
    TTempFolder Folder;
    const std::string Drive = Folder.Path() + "\\";
    WriteBytes(Drive + "Randomfile0", "not ours 0");
    WriteBytes(Drive + "Randomfile2", "not ours 2");
    TSetting Setting;
    Setting.IsSet = true;
    Setting.DrivePath = Drive;
    Setting.ToLeft = 0;
    Setting.ToLeftUnit = TLeftUnit::LeaveByMiB;
    Setting.NeedCache = false;
    Setting.NeedDelete = NeedDelete;
    auto Record = std::make_shared<TPresenterRecord>();
    TTesterThread Thread(Setting, std::make_unique<TRecordingPresenter>(Record),
                         std::make_shared<TSmallVolume>(41 * MiB + MiB / 2));
    ASSERT_TRUE(Thread.WaitFor(std::chrono::seconds(60)));
    EXPECT_FALSE(Thread.Error()) << Thread.Error()->Message;

    EXPECT_EQ(Record->CallsStartingWith("ApplyProgress").size(), 5u);
    EXPECT_EQ(Record->CallsStartingWith("EndTest"), (std::vector<std::string>{EndTest(0.0, 0)}));
    EXPECT_EQ(ReadBytes(Drive + "Randomfile0"), "not ours 0");
    EXPECT_EQ(ReadBytes(Drive + "Randomfile2"), "not ours 2");
    const std::string Ours = Drive + "Randomfile1";
    if (NeedDelete) {
      EXPECT_FALSE(std::filesystem::exists(Ours));
    } else {
      EXPECT_EQ(std::filesystem::file_size(Ours), static_cast<std::uintmax_t>(40 * MiB));
    }
  }
}

// The read-back through the system's own files: every sector of the pass comes back intact.
TEST(Win32Worker, AVerifiedPassReadsItsFileBackIntact) {
  for (const bool NeedCache : {false, true}) {
    SCOPED_TRACE(NeedCache ? "through the cache" : "unbuffered");
    TTempFolder Folder;
    TSetting Setting;
    Setting.IsSet = true;
    Setting.DrivePath = Folder.Path() + "\\";
    Setting.ToLeftUnit = TLeftUnit::LeaveByMiB;
    Setting.NeedCache = NeedCache;
    Setting.NeedDelete = true;
    Setting.NeedVerify = true;
    auto Record = std::make_shared<TPresenterRecord>();
    TTesterThread Thread(Setting, std::make_unique<TRecordingPresenter>(Record),
                         std::make_shared<TSmallVolume>(41 * MiB + MiB / 2));
    ASSERT_TRUE(Thread.WaitFor(std::chrono::seconds(60)));
    EXPECT_FALSE(Thread.Error()) << Thread.Error()->Message;
    EXPECT_FALSE(Thread.DataDamaged());
    EXPECT_EQ(Record->CallsStartingWith("EndVerify"),
              (std::vector<std::string>{"EndVerify 10240/10240 10240 0 0 0 0"}));
    EXPECT_FALSE(std::filesystem::exists(Setting.DrivePath + "Randomfile0"));
  }
}

}  // namespace
