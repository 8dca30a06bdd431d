#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/Platform.LogFile.h"
#include "report/Report.TempFolder.h"

namespace {

TEST(Win32LogFile, ASecondWriterIsRefusedAndTheFirstKeepsItsLines) {
  TTempFolder Folder;
  const std::string Path = Folder.File("log.txt");
  WriteBytes(Path, "old run\r\n");
  Platform::TLogFile First;
  ASSERT_EQ(First.Create(Path), 0);
  EXPECT_EQ(ReadBytes(Path), "");  // created anew
  const std::string Line = "드라이브 : C:\\\r\n";
  ASSERT_TRUE(First.Write(Line.data(), Line.size()));

  Platform::TLogFile Second;
  // The sharing violation is told as another run's hold, as on Linux.
  EXPECT_EQ(Second.Create(Path), Platform::TLogFile::InUse);
  EXPECT_FALSE(Second.Write("x", 1));
  EXPECT_EQ(ReadBytes(Path), Line);  // bytes as given: no text-mode line ends added

  First.Close();
  EXPECT_EQ(Second.Create(Path), 0);
  EXPECT_EQ(ReadBytes(Path), "");
}

// The second log on the first's file, however it is spelled: refused as the same file before
// anything is emptied.
TEST(Win32LogFile, TheSameFileUnderAnotherNameIsTheSameFile) {
  TTempFolder Folder;
  const std::string Path = Folder.File("k.log");
  WriteBytes(Path, "old run\r\n");
  Platform::TLogFile First;
  ASSERT_EQ(First.Open(Path), 0);
  for (const std::string& Other : {Path, Folder.Path() + "\\.\\K.LOG", Folder.File("./k.log")}) {
    Platform::TLogFile Second;
    const Platform::TLogFile* Same = nullptr;
    EXPECT_EQ(Second.Open(Other, {&First}, &Same), Platform::TLogFile::SameFile) << Other;
    EXPECT_EQ(Same, &First);
  }
  EXPECT_EQ(ReadBytes(Path), "old run\r\n");  // opened, not emptied
}

TEST(Win32LogFile, AbandoningRemovesOnlyAFileMadeHere) {
  TTempFolder Folder;
  const std::string Made = Folder.File("made.log");
  const std::string Existing = Folder.File("existing.log");
  WriteBytes(Existing, "old run\r\n");
  for (const std::string& Path : {Made, Existing}) {
    Platform::TLogFile Log;
    ASSERT_EQ(Log.Open(Path), 0);
    Log.Abandon();
  }
  EXPECT_FALSE(std::filesystem::exists(Made));
  EXPECT_EQ(ReadBytes(Existing), "old run\r\n");
}

TEST(Win32LogFile, AFolderThatIsMissingIsAnError) {
  TTempFolder Folder;
  Platform::TLogFile Log;
  EXPECT_NE(Log.Create(Folder.File("missing/log.txt")), 0);
  EXPECT_FALSE(Log.Write("x", 1));
}

TEST(Win32LogFile, FullPathStartsFromTheCurrentFolder) {
  const std::string Current = std::filesystem::current_path().string();
  EXPECT_EQ(Platform::FullPath("log.txt"), Current + "\\log.txt");
  EXPECT_EQ(Platform::FullPath("C:\\logs\\a.txt"), "C:\\logs\\a.txt");
}

}  // namespace
