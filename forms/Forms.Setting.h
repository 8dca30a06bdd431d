#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "forms/Release.CheckBox.h"

class QComboBox;
class QFileDialog;
class QLabel;
class QLineEdit;
class QPushButton;

// Where the settings window gets its drives and their free space; tests hand in their own.
struct TSettingSources {
  // Mount points the user may test, "/" included when listed.
  std::function<std::vector<std::string>()> Drives;
  // Free bytes available to the user on the filesystem holding Path; -1 when unknown.
  std::function<std::int64_t(const std::string& Path)> FreeBytes;
  // Size of the filesystem holding Path in bytes; -1 when unknown. A percentage to leave is of
  // the whole volume.
  std::function<std::int64_t(const std::string& Path)> TotalBytes = nullptr;
  // True when Path lies on the filesystem the running system needs room on: the start asks
  // before filling it. Without it nothing is asked.
  std::function<bool(const std::string& Path)> HoldsSystem = nullptr;
};

// The modal settings window shown before a test.
class TfSetting : public QDialog {
  Q_OBJECT

 public:
  TfSetting(QWidget* Owner, TSettingSources Sources);

  bool IsSet() const { return FIsSet; }
  // Paths exactly as chosen (Linux paths are case-sensitive); the boxes show them in capitals.
  const QString& RecordPath() const { return FRecordPath; }
  const QString& DetailedRecordPath() const { return FDetailedRecordPath; }

  // The controls, in declaration order; public so that the getter and the tests read them.
  QLabel* lDrive;
  QComboBox* eDrive;
  QPushButton* bDriveFolder;  // chooses a folder on a drive: the root is rarely writable
  QLabel* lCurrRemain;
  QLabel* lCurrRemainName;
  QLabel* lLeft;
  QLineEdit* eLeft;
  QComboBox* cSelection;
  QComboBox* cUnitSpeed;
  QLabel* lUnitSpeed;
  QCheckBox* cCacheEffect;
  QCheckBox* cRepeat;
  QPushButton* bStart;
  QFileDialog* sdText;
  QCheckBox* cDelete;
  // Read back and check what each pass wrote; the row below cDelete, which moved the rows
  // after it (and the window's bottom) down by one.
  QCheckBox* cVerify;
  TReleaseCheckBox* cDetailedRecord;
  TReleaseCheckBox* cLogNeeded;
  QLineEdit* eLogPath;
  QLineEdit* eDetailedLogPath;
  QPushButton* bLogPath;
  QPushButton* bDetailedLogPath;
  QFileDialog* sdFolder;

  void eDriveChange();
  void bStartClick();
  void bLogNeededClick();
  void bDetailedRecordClick();
  void bDriveFolderClick();
  void cLogNeededMouseUp();
  void cDetailedRecordMouseUp();
  QString PickTextFile();

 protected:
  bool eventFilter(QObject* Watched, QEvent* Event) override;
  void keyPressEvent(QKeyEvent* Event) override;

 private:
  void FormCreate();
  void CreateControls();
  void SetTabOrder();
  // One of the two pickers: runs the dialog and updates its box, stored path and check box.
  void PickLogPath(const QString& Title, QLineEdit* PathBox, QString& StoredPath,
                   QCheckBox* CheckBox);
  void ClearLogPath(QLineEdit* PathBox, QString& StoredPath, QCheckBox* CheckBox);
  // Asks whether to create the log file Path, which does not exist yet.
  bool ConfirmCreate(const QString& Path);
  // Before a start on the running system's drive: asks whether to fill it, naming the drive
  // and what will be written. True when the start may go on.
  bool ConfirmSystemDrive(std::int32_t Amount);
  bool eLeftKeyPress(QKeyEvent* Event) const;

  TSettingSources FSources;
  bool FIsSet = false;
  QString FRecordPath;
  QString FDetailedRecordPath;
};

// "12345.6 MiB(12.1GiB)" for a free-space byte count, with the locale's decimal separator.
QString FreeSpaceText(std::int64_t Bytes, const std::string& DecimalSeparator);
