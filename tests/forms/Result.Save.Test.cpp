// The run's result saved from the window: the whole document, or the failure said.
#include "forms/Result.Save.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "results/Run.Json.h"

namespace {

std::string ReadAll(const QString& Path) {
  QFile File(Path);
  return File.open(QIODevice::ReadOnly) ? File.readAll().toStdString() : std::string();
}

TEST(ResultSave, TheDocumentReadsBackAndAFailureIsSaid) {
  QTemporaryDir Folder;
  ASSERT_TRUE(Folder.isValid());
  TRunResult Run;
  Run.Version = "6.0.5";
  Run.Setting.DrivePath = "/mnt/usb/";
  TPassResult Pass;
  Pass.Number = 1;
  Pass.Writes = 2;
  Pass.WriteSeconds = {0.5, 0.25};
  Run.Passes.push_back(Pass);

  const QString Path = Folder.filePath(QStringLiteral("run.json"));
  ASSERT_EQ(SaveRunResultFile(Run, Path.toStdString()), "");
  EXPECT_EQ(ParseRunResult(ReadAll(Path)).Passes, Run.Passes);

  // A file in the way of the temporary copy's folder: nothing saved, the error said.
  const QString Blocked = Folder.filePath(QStringLiteral("not-a-folder"));
  QFile(Blocked).open(QIODevice::WriteOnly);
  EXPECT_NE(SaveRunResultFile(Run, (Blocked + QStringLiteral("/run.json")).toStdString()), "");
  EXPECT_EQ(ParseRunResult(ReadAll(Path)).Passes, Run.Passes);
}

}  // namespace
