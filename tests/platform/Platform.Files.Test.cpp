// The system's realisation of the worker's files, through the interface alone: the same
// behaviour on every system (these run on Linux and, cross-built, under wine).
#include "platform/Platform.Files.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <stop_token>
#include <string>
#include <thread>

#include "engine/Aligned.Buffer.h"
#include "report/Report.TempFolder.h"

namespace {

#ifdef _WIN32
constexpr int InUseCode = 32;  // ERROR_SHARING_VIOLATION
#else
constexpr int InUseCode = EBUSY;
#endif

class PlatformFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    Opened = System->OpenFolder(Folder.Path());
    ASSERT_NE(Opened.Handle, NoFolder);
  }
  void TearDown() override {
    if (Opened.Handle != NoFolder) {
      System->CloseFolder(Opened.Handle);
    }
  }
  std::string PathOf(const std::string& Name) const {
    return (std::filesystem::path(Folder.Path()) / Name).string();
  }

  TTempFolder Folder;
  std::shared_ptr<TTesterPlatform> System = Platform::MakeTesterPlatform();
  TOpenedFolder Opened;
};

TEST_F(PlatformFiles, ANameThatMeansAnotherFileNowIsNeverDeleted) {
  const TCreatedFile Ours = System->CreateNewFile(Opened.Handle, "Randomfile0", false);
  ASSERT_NE(Ours.Handle, NoFile);
  System->CloseFile(Ours.Handle);
  // Another file moved over the name. (A newcomer that gets the freed number of a deleted file
  // is a matter of the filesystem: see the Linux test with ext4.)
  WriteBytes(PathOf("theirs"), "theirs");
  std::filesystem::rename(PathOf("theirs"), PathOf("Randomfile0"));
  EXPECT_EQ(System->DeleteOwnFile(Opened.Handle, "Randomfile0", Ours.Identity).Outcome,
            TDeleteOutcome::Replaced);
  EXPECT_EQ(ReadBytes(PathOf("Randomfile0")), "theirs");

  std::filesystem::remove(PathOf("Randomfile0"));
  std::filesystem::create_directory(PathOf("Randomfile0"));
  EXPECT_EQ(System->DeleteOwnFile(Opened.Handle, "Randomfile0", Ours.Identity).Outcome,
            TDeleteOutcome::Replaced);
  EXPECT_TRUE(std::filesystem::is_directory(PathOf("Randomfile0")));

  std::filesystem::remove(PathOf("Randomfile0"));
  EXPECT_EQ(System->DeleteOwnFile(Opened.Handle, "Randomfile0", Ours.Identity).Outcome,
            TDeleteOutcome::Missing);
}

TEST_F(PlatformFiles, ASecondHoldOnTheFolderIsRefusedUntilTheFirstEnds) {
  const TOpenedFolder Second = System->OpenFolder(Folder.Path());
  EXPECT_EQ(Second.Handle, NoFolder);
  EXPECT_TRUE(Second.InUse);
  EXPECT_EQ(Second.Error, InUseCode);
  // The held folder is still the user's: others list it and write in it.
  WriteBytes(PathOf("theirs"), "written while held");
  EXPECT_EQ(ReadBytes(PathOf("theirs")), "written while held");
  EXPECT_FALSE(std::filesystem::is_empty(Folder.Path()));

  System->CloseFolder(Opened.Handle);
  Opened = System->OpenFolder(Folder.Path());
  EXPECT_NE(Opened.Handle, NoFolder);

  const TOpenedFolder Missing = System->OpenFolder(PathOf("missing"));
  EXPECT_EQ(Missing.Handle, NoFolder);
  EXPECT_FALSE(Missing.InUse);
  EXPECT_NE(Missing.Error, 0);
  const TOpenedFolder AFile = System->OpenFolder(PathOf("theirs"));
  EXPECT_EQ(AFile.Handle, NoFolder);
  EXPECT_FALSE(AFile.InUse);
}

TEST_F(PlatformFiles, NamesAreFilesFoldersOrMissingAndListedByPrefix) {
  WriteBytes(PathOf("Randomfile0"), "12345");
  WriteBytes(PathOf("Randomfile12"), "1");
  WriteBytes(PathOf("other"), "x");
  std::filesystem::create_directory(PathOf("Randomfile3"));
  const TNameInfo File = System->LookUp(Opened.Handle, "Randomfile0");
  EXPECT_EQ(File.Kind, TNameKind::File);
  EXPECT_EQ(File.Size, 5);
  EXPECT_EQ(System->LookUp(Opened.Handle, "Randomfile3").Kind, TNameKind::Folder);
  EXPECT_EQ(System->LookUp(Opened.Handle, "Randomfile9").Kind, TNameKind::Missing);
  EXPECT_NE(System->LookUp(Opened.Handle, "Randomfile12").Identity, File.Identity);

  const TFolderListing Listing = System->ListFiles(Opened.Handle, "Randomfile");
  EXPECT_EQ(Listing.Error, 0);
  std::map<std::string, std::int64_t> Found;
  for (const auto& Each : Listing.Files) {
    Found[Each.Name] = Each.Size;
  }
  EXPECT_EQ(Found, (std::map<std::string, std::int64_t>{{"Randomfile0", 5}, {"Randomfile12", 1}}));
}

// What a pass wrote is read back from any offset to the file's end, written and read with or
// without the cache; a name that is gone is said to be missing, not an error.
TEST_F(PlatformFiles, AFileIsReadBackFromAnyOffsetToItsEnd) {
  constexpr std::size_t Block = 64 * 1024;
  TAlignedBuffer Data;
  ASSERT_TRUE(Data.Allocate(3 * Block));
  for (std::size_t At = 0; At < Data.Length(); ++At) {
    Data.Data()[At] = static_cast<std::byte>(At * 7 / 4096 + At);
  }
  for (const bool Unbuffered : {false, true}) {
    SCOPED_TRACE(Unbuffered ? "unbuffered" : "through the cache");
    const std::string Name = Unbuffered ? "Randomfile1" : "Randomfile0";
    const TCreatedFile Created = System->CreateNewFile(Opened.Handle, Name, Unbuffered);
    ASSERT_NE(Created.Handle, NoFile) << Created.Error;
    ASSERT_EQ(System->WriteAll(Created.Handle, Data.Data(), Data.Length()), 0);
    EXPECT_EQ(System->FlushFile(Created.Handle), 0);
    System->CloseFile(Created.Handle);

    const TOpenedForRead Reader = System->OpenForRead(Opened.Handle, Name, Unbuffered);
    ASSERT_NE(Reader.Handle, NoFile) << Reader.Error;
    EXPECT_EQ(Reader.Identity, Created.Identity);
    TAlignedBuffer Back;
    ASSERT_TRUE(Back.Allocate(2 * Block));
    TReadResult Read = System->ReadAt(Reader.Handle, Block, Back.Data(), Block);
    EXPECT_EQ(Read.Count, Block);
    EXPECT_EQ(Read.Error, 0);
    EXPECT_EQ(std::memcmp(Back.Data(), Data.Data() + Block, Block), 0);
    Read = System->ReadAt(Reader.Handle, 2 * Block, Back.Data(), 2 * Block);
    EXPECT_EQ(Read.Count, Block) << "the file ends after its third block";
    EXPECT_EQ(Read.Error, 0);
    EXPECT_EQ(std::memcmp(Back.Data(), Data.Data() + 2 * Block, Block), 0);
    Read = System->ReadAt(Reader.Handle, 3 * Block, Back.Data(), Block);
    EXPECT_EQ(Read.Count, 0U);
    EXPECT_EQ(Read.Error, 0);
    System->CloseFile(Reader.Handle);
  }
  const TOpenedForRead Gone = System->OpenForRead(Opened.Handle, "Randomfile9", false);
  EXPECT_EQ(Gone.Handle, NoFile);
  EXPECT_TRUE(Gone.Missing);
  EXPECT_EQ(Gone.Error, 0);
}

TEST(PlatformWait, AStopRequestEndsTheWaitAtOnce) {
  const auto System = Platform::MakeTesterPlatform();
  std::stop_source Stop;
  std::thread Stopper([&Stop] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    Stop.request_stop();
  });
  const auto Start = std::chrono::steady_clock::now();
  EXPECT_FALSE(System->SleepUnlessStopped(60'000, Stop.get_token()));
  // A minute's wait, woken: generous for a loaded machine, far below the minute.
  EXPECT_LT(std::chrono::steady_clock::now() - Start, std::chrono::seconds(30));
  Stopper.join();
  EXPECT_TRUE(System->SleepUnlessStopped(1, std::stop_token()));
}

}  // namespace
