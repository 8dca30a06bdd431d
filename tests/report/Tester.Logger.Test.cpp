#include "report/Tester.Logger.h"

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

#include "Report.TempFolder.h"

namespace {

namespace fs = std::filesystem;

TEST(TesterLogger, WritesEachLineThroughAsUtf8WithCrLfAndNoByteOrderMark) {
  TTempFolder Folder;
  const std::string Path = Folder.File("log.txt");
  TTesterLogger Logger(Path);
  EXPECT_EQ(ReadBytes(Path), "");

  Logger.Add("최대 속도 : 512MiB/s");
  EXPECT_EQ(ReadBytes(Path), "최대 속도 : 512MiB/s\r\n");  // in the file when Add returns
  Logger.Add("");
  Logger.Add(std::string(3000, 'x'));  // longer than any write buffer
  EXPECT_EQ(ReadBytes(Path), "최대 속도 : 512MiB/s\r\n\r\n" + std::string(3000, 'x') + "\r\n");
  EXPECT_EQ(static_cast<unsigned char>(ReadBytes(Path)[0]), 0xEC);  // "최", not EF BB BF

  EXPECT_EQ(Logger.Count(), 3);
  EXPECT_EQ(Logger.GetItem(1), "");
  EXPECT_THROW(Logger.GetItem(3), std::out_of_range);
  EXPECT_THROW(Logger.GetItem(-1), std::out_of_range);
}

TEST(TesterLogger, AnExistingFileIsReplacedNotAppendedTo) {
  TTempFolder Folder;
  const std::string Path = Folder.File("log.txt");
  WriteBytes(Path, "an older and much longer log of an earlier run\r\n");
  TTesterLogger Logger(Path);
  Logger.Add("new");
  EXPECT_EQ(ReadBytes(Path), "new\r\n");
}

TEST(TesterLogger, CreationFailuresNameTheFullPathAndTheSystemsText) {
  TTempFolder Folder;
  const std::string Missing = Folder.File("no-such-folder/log.txt");
  try {
    TTesterLogger Logger(Missing);
    FAIL() << "created a log in a missing folder";
  } catch (const TCreateFileError& Error) {
    EXPECT_STREQ(Error.what(),
                 ("Cannot create file \"" + Missing + "\". No such file or directory").c_str());
  }

  // A relative path is named in full.
  const fs::path Before = fs::current_path();
  fs::current_path(Folder.Path());
  try {
    TTesterLogger Logger("missing/log.txt");
    ADD_FAILURE() << "created a log in a missing folder";
  } catch (const TCreateFileError& Error) {
    EXPECT_NE(std::string(Error.what()).find("\"" + Folder.File("missing/log.txt") + "\""),
              std::string::npos)
        << Error.what();
  }
  fs::current_path(Before);
}

TEST(TesterLogger, ASecondLogOnTheSamePathIsRefusedAndTheFirstKeepsItsLines) {
  TTempFolder Folder;
  const std::string Path = Folder.File("log.txt");
  {
    TTesterLogger First(Path);
    First.Add("first");
    EXPECT_THROW(TTesterLogger Second(Path), TCreateFileError);
    First.Add("still first");
    EXPECT_EQ(ReadBytes(Path), "first\r\nstill first\r\n");
  }
  TTesterLogger Later(Path);  // the lock went with the first logger
  EXPECT_EQ(ReadBytes(Path), "");
}

TEST(TesterLogger, AFullDiskLosesLinesFromTheFileOnlyAndNeverStopsTheLogger) {
  if (geteuid() != 0) {
    GTEST_SKIP() << "mounting a small tmpfs needs root";
  }
  TTempFolder Folder;
  const std::string Mount = Folder.File("small");
  fs::create_directory(Mount);
  ASSERT_EQ(mount("tmpfs", Mount.c_str(), "tmpfs", 0, "size=16k"), 0) << "mount failed";
  struct TUnmount {
    std::string Path;
    ~TUnmount() { umount(Path.c_str()); }
  } Unmount{Mount};
  {
    TTesterLogger Logger(Mount + "/log.txt");
    const std::string Line(1000, 'y');
    for (int I = 0; I < 40; ++I) {  // 40 kB into 16 kB
      EXPECT_NO_THROW(Logger.Add(Line));
    }
    EXPECT_EQ(Logger.Count(), 40);
    EXPECT_EQ(Logger.GetItem(39), Line);
    EXPECT_LE(fs::file_size(Mount + "/log.txt"), 16u * 1024);
  }
}

}  // namespace
