#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/Platform.LogFile.h"
#include "report/Report.TempFolder.h"

namespace {

constexpr int ErrorSharingViolation = 32;

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
  EXPECT_EQ(Second.Create(Path), ErrorSharingViolation);
  EXPECT_FALSE(Second.Write("x", 1));
  EXPECT_EQ(ReadBytes(Path), Line);  // bytes as given: no text-mode line ends added

  First.Close();
  EXPECT_EQ(Second.Create(Path), 0);
  EXPECT_EQ(ReadBytes(Path), "");
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
