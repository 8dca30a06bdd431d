#include "forms/Result.Save.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QSaveFile>

#include "results/Run.Json.h"

namespace {

QString Translated(const char* Korean) {
  return QCoreApplication::translate("TResultSave", Korean);
}

}  // namespace

std::string SaveRunResultFile(const TRunResult& Run, const std::string& Path) {
  const std::string Text = RunResultToJson(Run).dump() + "\n";
  // A file that was there stays whole until the new one is complete.
  QSaveFile File(QString::fromStdString(Path));
  if (!File.open(QIODevice::WriteOnly)) {
    return File.errorString().toStdString();
  }
  if (File.write(Text.data(), static_cast<qint64>(Text.size())) !=
      static_cast<qint64>(Text.size())) {
    const std::string Error = File.errorString().toStdString();
    File.cancelWriting();
    return Error;
  }
  if (!File.commit()) {
    return File.errorString().toStdString();
  }
  return {};
}

std::string SaveResultAs(QWidget* Owner, const TRunResult& Run) {
  QFileDialog Dialog(Owner, Translated("결과 저장"));
  Dialog.setAcceptMode(QFileDialog::AcceptSave);
  Dialog.setNameFilters({Translated("결과 파일 (*.json)")});
  Dialog.setOption(QFileDialog::DontUseNativeDialog);
  Dialog.setDefaultSuffix(QStringLiteral("json"));
  if (Dialog.exec() != QDialog::Accepted || Dialog.selectedFiles().isEmpty()) {
    return {};
  }
  const QString Path = Dialog.selectedFiles().first();
  const std::string Error = SaveRunResultFile(Run, Path.toStdString());
  if (!Error.empty()) {
    QMessageBox::warning(Owner, Translated("결과 저장"),
                         Translated("결과를 저장하지 못했습니다.") + QStringLiteral("\n") +
                             QString::fromStdString(Error));
    return {};
  }
  return Path.toStdString();
}
