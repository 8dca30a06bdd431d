#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <memory>
#include <string>

#include "engine/RandomBuffer.h"
#include "platform/Platform.Clock.h"
#include "platform/Platform.Files.h"
#include "platform/Platform.Locale.h"
#include "report/Report.TempFolder.h"

namespace {

constexpr int ErrorFileNotFound = 2;
constexpr int ErrorSharingViolation = 32;
constexpr int ErrorFileExists = 80;

std::wstring Win32Path(const std::string& Path) {
  const std::u8string Text(Path.begin(), Path.end());
  return std::filesystem::path(Text).wstring();
}

class Win32Files : public ::testing::Test {
 protected:
  void SetUp() override {
    Opened = System->OpenFolder(Folder.Path() + "\\");
    ASSERT_NE(Opened.Handle, NoFolder) << Platform::SystemErrorText(Opened.Error);
  }
  void TearDown() override {
    if (Opened.Handle != NoFolder) {
      System->CloseFolder(Opened.Handle);
    }
  }
  std::string PathOf(const std::string& Name) const { return Folder.Path() + "\\" + Name; }

  TTempFolder Folder;
  std::shared_ptr<TTesterPlatform> System = Platform::MakeTesterPlatform();
  TOpenedFolder Opened;
};

TEST_F(Win32Files, CreateNewOverATakenNameFailsAndLeavesItsBytes) {
  const std::string Taken = PathOf("Randomfile0");
  WriteBytes(Taken, "an earlier run");
  for (const bool Unbuffered : {false, true}) {
    SCOPED_TRACE(Unbuffered ? "unbuffered" : "cached");
    const TCreatedFile Created = System->CreateNewFile(Opened.Handle, "Randomfile0", Unbuffered);
    EXPECT_EQ(Created.Handle, NoFile);
    EXPECT_EQ(Created.Error, ErrorFileExists);
  }
  EXPECT_EQ(ReadBytes(Taken), "an earlier run");
}

TEST_F(Win32Files, AlignedBlocksGoOutWholeWithAndWithoutTheCache) {
  TRandomBuffer Buffer(12345);
  ASSERT_TRUE(Buffer.CreateBuffer(8192));
  ASSERT_TRUE(Buffer.FillBuffer(100));
  const auto Length = static_cast<std::size_t>(Buffer.GetLength());
  const std::string Block(reinterpret_cast<const char*>(Buffer.GetRawBuffer()), Length);
  for (const bool Unbuffered : {false, true}) {
    SCOPED_TRACE(Unbuffered ? "unbuffered" : "cached");
    const std::string Name = Unbuffered ? "unbuffered" : "cached";
    const TCreatedFile Created = System->CreateNewFile(Opened.Handle, Name, Unbuffered);
    ASSERT_NE(Created.Handle, NoFile) << Platform::SystemErrorText(Created.Error);
    EXPECT_EQ(System->WriteAll(Created.Handle, Buffer.GetRawBuffer(), Length), 0);
    EXPECT_EQ(System->WriteAll(Created.Handle, Buffer.GetRawBuffer(), Length), 0);
    EXPECT_EQ(System->FlushFile(Created.Handle), 0);
    System->CloseFile(Created.Handle);
    EXPECT_EQ(ReadBytes(PathOf(Name)), Block + Block);

    const TNameInfo Found = System->LookUp(Opened.Handle, Name);
    EXPECT_EQ(Found.Kind, TNameKind::File);
    EXPECT_EQ(Found.Identity, Created.Identity);
    EXPECT_EQ(Found.Size, static_cast<std::int64_t>(2 * Length));
    EXPECT_EQ(System->DeleteOwnFile(Opened.Handle, Name, Created.Identity).Outcome,
              TDeleteOutcome::Deleted);
    EXPECT_EQ(System->LookUp(Opened.Handle, Name).Kind, TNameKind::Missing);
    EXPECT_EQ(System->DeleteOwnFile(Opened.Handle, Name, Created.Identity).Outcome,
              TDeleteOutcome::Missing);
  }
}

// Held open elsewhere without leave to delete: the delete fails and says why.
TEST_F(Win32Files, AFileHeldWithoutDeleteSharingIsNotDeleted) {
  const TCreatedFile Ours = System->CreateNewFile(Opened.Handle, "Randomfile0", false);
  ASSERT_NE(Ours.Handle, NoFile);
  System->CloseFile(Ours.Handle);
  const HANDLE Held = CreateFileW(Win32Path(PathOf("Randomfile0")).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(Held, INVALID_HANDLE_VALUE);
  const TDeleteResult Result = System->DeleteOwnFile(Opened.Handle, "Randomfile0", Ours.Identity);
  CloseHandle(Held);
  EXPECT_EQ(Result.Outcome, TDeleteOutcome::Failed);
  EXPECT_EQ(Result.Error, ErrorSharingViolation);
  EXPECT_EQ(System->DeleteOwnFile(Opened.Handle, "Randomfile0", Ours.Identity).Outcome,
            TDeleteOutcome::Deleted);
}

TEST_F(Win32Files, Utf8NamesReachTheSystemAsTheirCharacters) {
  const std::string Name = "랜덤 파일 ✓";  // UTF-8 in the core, UTF-16 on the system
  const TCreatedFile Created = System->CreateNewFile(Opened.Handle, Name, false);
  ASSERT_NE(Created.Handle, NoFile);
  System->CloseFile(Created.Handle);
  const std::filesystem::directory_iterator Entries(Folder.Path());
  ASSERT_NE(Entries, std::filesystem::directory_iterator());
  const std::u8string Found = Entries->path().filename().u8string();
  EXPECT_EQ(std::string(Found.begin(), Found.end()), Name);
  EXPECT_EQ(System->LookUp(Opened.Handle, Name).Kind, TNameKind::File);
  EXPECT_EQ(System->DeleteOwnFile(Opened.Handle, Name, Created.Identity).Outcome,
            TDeleteOutcome::Deleted);
}

TEST_F(Win32Files, FreeSpaceOfAFolderAndOfNoFolder) {
  const TVolumeSpace Space = System->VolumeSpace(Folder.Path() + "\\");
  EXPECT_EQ(Space.Error, 0);
  EXPECT_GT(Space.FreeBytes, 0);
  EXPECT_GE(Space.TotalBytes, Space.FreeBytes);

  const TVolumeSpace Missing = System->VolumeSpace(PathOf("missing\\"));
  EXPECT_NE(Missing.Error, 0);
  EXPECT_EQ(Missing.FreeBytes, 0);
  EXPECT_FALSE(Platform::SystemErrorText(Missing.Error).empty());
}

TEST(Win32Clock, CounterCountsInItsFrequency) {
  const std::int64_t Frequency = Platform::PerformanceFrequency();
  ASSERT_GT(Frequency, 0);
  const std::int64_t Start = Platform::PerformanceCounter();
  const std::uint32_t StartTicks = Platform::TickCount();
  Platform::SleepMs(30);
  const double Seconds =
      static_cast<double>(Platform::PerformanceCounter() - Start) / static_cast<double>(Frequency);
  EXPECT_GE(Seconds, 0.02);  // a wrong frequency would be off by orders of magnitude
  EXPECT_LT(Seconds, 30.0);
  EXPECT_GE(Platform::TickCount() - StartTicks, 15u);
}

TEST(Win32Locale, SystemTextsAreOneLineOfUtf8) {
  const std::string Text = Platform::SystemErrorText(ErrorFileExists);
  ASSERT_FALSE(Text.empty());
  EXPECT_EQ(Text.find_first_of("\r\n"), std::string::npos);
  // A code the system has no text for still says which code it was.
  EXPECT_EQ(Platform::SystemErrorText(0x7FFFFFF0), "Error 2147483632");
  const std::string Separator = Platform::LocaleDecimalSeparator();
  EXPECT_FALSE(Separator.empty());
}

}  // namespace
