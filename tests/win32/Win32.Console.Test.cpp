#include <gtest/gtest.h>

#include <string>

#include "platform/Platform.Terminal.h"
#include "report/Report.TempFolder.h"

namespace {

constexpr int ErrorPathNotFound = 3;
constexpr int ErrorFileNotFound = 2;
constexpr int ErrorDirectory = 267;  // "the directory name is invalid"

TEST(Win32Console, OnlyAnExistingFolderIsOffered) {
  TTempFolder Folder;
  WriteBytes(Folder.File("file"), "x");
  int Error = -1;
  EXPECT_TRUE(Platform::IsWritableDirectory(Folder.Path().c_str(), Error));
  EXPECT_EQ(Error, 0);
  EXPECT_FALSE(Platform::IsWritableDirectory(Folder.File("file").c_str(), Error));
  EXPECT_EQ(Error, ErrorDirectory);
  EXPECT_FALSE(Platform::IsWritableDirectory(Folder.File("missing/deeper").c_str(), Error));
  EXPECT_TRUE(Error == ErrorPathNotFound || Error == ErrorFileNotFound) << Error;
}

}  // namespace
