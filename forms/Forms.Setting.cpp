#include "forms/Forms.Setting.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <cstdio>

#include "engine/FillTarget.h"
#include "engine/Tester.Thread.h"
#include "forms/Setting.Getter.h"
#include "platform/Platform.Locale.h"

namespace {

const QString TextFileFilter = QStringLiteral("Text File(*.txt)");
// The height of the row that the verification's check box adds: the step between the rows of
// the two logs.
constexpr int VerifyRow = 34;

QLabel* MakeLabel(QWidget* Parent, const QString& Text, int Left, int Top) {
  auto* Label = new QLabel(Text, Parent);
  Label->move(Left, Top);
  Label->adjustSize();  // fits its text
  Label->setFixedHeight(19);
  return Label;
}

QComboBox* MakeList(QWidget* Parent, const QStringList& Items, QRect Geometry) {
  auto* List = new QComboBox(Parent);  // not editable: pick only
  List->addItems(Items);
  List->setGeometry(Geometry);
  return List;
}

template <typename TCheck>
TCheck* MakeCheck(QWidget* Parent, const QString& Text, QRect Geometry, bool Checked) {
  auto* Check = new TCheck(Text, Parent);
  Check->setGeometry(Geometry);
  Check->setChecked(Checked);
  return Check;
}

QPushButton* MakeButton(QWidget* Parent, const QString& Text, QRect Geometry) {
  auto* Button = new QPushButton(Text, Parent);
  Button->setGeometry(Geometry);
  // Enter presses only the focused button (handled by the window), never a default one.
  Button->setAutoDefault(false);
  return Button;
}

QLineEdit* MakePathBox(QWidget* Parent, QRect Geometry) {
  auto* Box = new QLineEdit(Parent);
  Box->setGeometry(Geometry);
  Box->setReadOnly(true);
  return Box;
}

QString FormatOneDecimal(double Value, const std::string& DecimalSeparator) {
  char Text[64];
  std::snprintf(Text, sizeof Text, "%.1f", Value);
  QString Result = QString::fromLatin1(Text);
  // A failed query gives -1 byte: show it as 0.0, not as a negative zero.
  if (Result == QLatin1String("-0.0")) {
    Result = QStringLiteral("0.0");
  }
  return Result.replace(QLatin1Char('.'), QString::fromStdString(DecimalSeparator));
}

}  // namespace

QString FreeSpaceText(std::int64_t Bytes, const std::string& DecimalSeparator) {
  const double MiB = static_cast<double>(Bytes) / 1048576.0;
  const double GiB = static_cast<double>(Bytes) / 1073741824.0;
  return FormatOneDecimal(MiB, DecimalSeparator) + QStringLiteral(" MiB(") +
         FormatOneDecimal(GiB, DecimalSeparator) + QStringLiteral("GiB)");
}

TfSetting::TfSetting(QWidget* Owner, TSettingSources Sources)
    : QDialog(Owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                         Qt::WindowCloseButtonHint),
      FSources(std::move(Sources)) {
  setWindowTitle(tr("설정"));
  QFont Font = font();
  Font.setPixelSize(14);
  setFont(Font);
  resize(470, 337 + VerifyRow);
  CreateControls();
  SetTabOrder();
  FormCreate();
}

void TfSetting::CreateControls() {
  lDrive = MakeLabel(this, tr("시험할 드라이브 : "), 13, 13);
  eDrive = MakeList(this, {}, {136, 11, 278, 27});
  bDriveFolder = MakeButton(this, QStringLiteral("..."), {422, 11, 39, 27});
  bDriveFolder->setToolTip(tr("드라이브의 폴더 선택"));
  lCurrRemainName = MakeLabel(this, tr("남은 용량 : "), 13, 40);
  lCurrRemain = MakeLabel(this, QStringLiteral("0 MB"), 96, 40);
  lLeft = MakeLabel(this, tr("남길 용량 : "), 13, 69);
  eLeft = new QLineEdit(QStringLiteral("0"), this);
  eLeft->setGeometry(96, 67, 299, 27);
  cSelection = MakeList(this, {"GiB", "MiB", "%"}, {403, 67, 58, 27});
  lUnitSpeed = MakeLabel(this, tr("속도 기록 단위 : "), 13, 103);
  cUnitSpeed = MakeList(this, {"0.1%", "1%", "10%"}, {129, 101, 332, 27});
  cCacheEffect = MakeCheck<QCheckBox>(this, tr("윈도 캐시 효과 적용"), {13, 135, 448, 18}, false);
  cRepeat = MakeCheck<QCheckBox>(this, tr("무한 반복 진행"), {13, 164, 448, 25}, false);
  bStart = MakeButton(this, tr("시작"), {13, 299 + VerifyRow, 448, 30});
  cDelete = MakeCheck<QCheckBox>(this, tr("종료 후 파일 삭제"), {13, 197, 448, 26}, true);
  cVerify = MakeCheck<QCheckBox>(this, tr("쓰기 후 검증"), {13, 231, 448, 26}, false);
  cVerify->setToolTip(
      tr("패스가 드라이브를 채운 뒤 쓴 파일을 모두 다시 읽어 모든 바이트를 "
         "확인합니다.\n가짜 용량 드라이브와 바뀐 데이터를 찾아냅니다."));
  cDetailedRecord = MakeCheck<TReleaseCheckBox>(this, tr("상세 로그 저장"),
                                                {13, 268 + VerifyRow, 117, 19}, false);
  cLogNeeded =
      MakeCheck<TReleaseCheckBox>(this, tr("로그 저장"), {13, 235 + VerifyRow, 89, 19}, false);
  eLogPath = MakePathBox(this, {109, 231 + VerifyRow, 305, 27});
  eDetailedLogPath = MakePathBox(this, {131, 265 + VerifyRow, 285, 27});
  bLogPath = MakeButton(this, QStringLiteral("..."), {422, 231 + VerifyRow, 39, 26});
  bDetailedLogPath = MakeButton(this, QStringLiteral("..."), {422, 265 + VerifyRow, 39, 26});

  // Qt's own dialog, so it looks and behaves the same everywhere and tests can drive it.
  sdText = new QFileDialog(this);
  sdText->setOption(QFileDialog::DontUseNativeDialog);
  sdText->setAcceptMode(QFileDialog::AcceptSave);
  sdText->setFileMode(QFileDialog::AnyFile);
  sdText->setNameFilters({TextFileFilter});
  sdText->setSizeGripEnabled(true);
  sdFolder = new QFileDialog(this, tr("시험할 폴더"));
  sdFolder->setOption(QFileDialog::DontUseNativeDialog);
  sdFolder->setFileMode(QFileDialog::Directory);
  sdFolder->setOption(QFileDialog::ShowDirsOnly);

  eLeft->installEventFilter(this);
  eLogPath->installEventFilter(this);
  eDetailedLogPath->installEventFilter(this);
  // The amount box shows capitals, whatever reaches it (pasted text included).
  connect(eLeft, &QLineEdit::textChanged, this, [this](const QString& Text) {
    const QString Upper = Text.toUpper();
    if (Upper != Text) {
      const int Cursor = eLeft->cursorPosition();
      eLeft->setText(Upper);
      eLeft->setCursorPosition(Cursor);
    }
  });
  connect(eDrive, &QComboBox::currentIndexChanged, this, [this] { eDriveChange(); });
  connect(bDriveFolder, &QPushButton::clicked, this, [this] { bDriveFolderClick(); });
  connect(bStart, &QPushButton::clicked, this, [this] { bStartClick(); });
  connect(bLogPath, &QPushButton::clicked, this, [this] { bLogNeededClick(); });
  connect(bDetailedLogPath, &QPushButton::clicked, this, [this] { bDetailedRecordClick(); });
  connect(cLogNeeded, &TReleaseCheckBox::Released, this, [this] { cLogNeededMouseUp(); });
  connect(cDetailedRecord, &TReleaseCheckBox::Released, this, [this] { cDetailedRecordMouseUp(); });
}

void TfSetting::SetTabOrder() {
  const QWidget* Order[] = {eDrive,     bDriveFolder,     eLeft,           cSelection,
                            cUnitSpeed, cCacheEffect,     cRepeat,         bStart,
                            cDelete,    cVerify,          cDetailedRecord, cLogNeeded,
                            eLogPath,   eDetailedLogPath, bLogPath,        bDetailedLogPath};
  for (std::size_t Index = 1; Index < std::size(Order); ++Index) {
    setTabOrder(const_cast<QWidget*>(Order[Index - 1]), const_cast<QWidget*>(Order[Index]));
  }
  eDrive->setFocus();
}

void TfSetting::FormCreate() {
  FIsSet = false;
  if (FSources.Drives) {
    const QSignalBlocker Quiet(eDrive);  // eDriveChange runs once, below
    for (const std::string& Drive : FSources.Drives()) {
      eDrive->addItem(QString::fromStdString(Drive));
    }
  }
  eDrive->setCurrentIndex(eDrive->count() > 0 ? 0 : -1);
  eDriveChange();
  setFixedSize(size());
}

void TfSetting::eDriveChange() {
  std::int64_t Bytes = -1;
  if (eDrive->currentIndex() >= 0 && FSources.FreeBytes) {
    Bytes = FSources.FreeBytes(eDrive->currentText().toStdString());
  }
  lCurrRemain->setText(FreeSpaceText(Bytes, Platform::LocaleDecimalSeparator()));
  lCurrRemain->adjustSize();
  lCurrRemain->setFixedHeight(19);
}

bool TfSetting::eLeftKeyPress(QKeyEvent* Event) const {
  // A paste shortcut is a character too (or none at all, Shift+Insert): never let it through.
  if (Event->matches(QKeySequence::Paste)) {
    return false;
  }
  // Keys that move or edit rather than type pass, whatever text the platform gives them
  // (Tab comes as "\t", Delete as "\x7f"): eating Tab would trap the focus in the box.
  switch (Event->key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
      return true;
    default:
      break;
  }
  const QString Text = Event->text();
  if (Text.isEmpty()) {
    return true;  // navigation keys type no character
  }
  for (const QChar Char : Text) {
    if (Char < QLatin1Char('0') || Char > QLatin1Char('9')) {
      return false;
    }
  }
  return true;
}

bool TfSetting::eventFilter(QObject* Watched, QEvent* Event) {
  if (Watched == eLeft && Event->type() == QEvent::KeyPress) {
    return !eLeftKeyPress(static_cast<QKeyEvent*>(Event));
  }
  if (Event->type() == QEvent::MouseButtonRelease) {
    if (Watched == eLogPath) {
      bLogNeededClick();
      return true;
    }
    if (Watched == eDetailedLogPath) {
      bDetailedRecordClick();
      return true;
    }
  }
  return QDialog::eventFilter(Watched, Event);
}

void TfSetting::keyPressEvent(QKeyEvent* Event) {
  switch (Event->key()) {
    case Qt::Key_Escape:
      return;  // no cancel button: Escape does nothing
    case Qt::Key_Enter:
    case Qt::Key_Return:
      if (auto* Button = qobject_cast<QPushButton*>(focusWidget())) {
        Button->click();
      }
      return;
    default:
      QDialog::keyPressEvent(Event);
  }
}

void TfSetting::bStartClick() {
  std::int32_t Amount = 0;
  bool Valid = ParseLeftAmount(eLeft->text(), Amount);
  // Without a drive there is nothing to test.
  Valid = Valid && eDrive->currentIndex() >= 0;
  // A "no" leaves the window open, as if start had not been pressed.
  if (Valid && !ConfirmSystemDrive(Amount)) {
    return;
  }
  FIsSet = Valid;
  if (Valid) {
    accept();
  }
}

bool TfSetting::ConfirmSystemDrive(std::int32_t Amount) {
  const std::string Drive = eDrive->currentText().toStdString();
  if (!FSources.HoldsSystem || !FSources.HoldsSystem(Drive)) {
    return true;
  }
  const std::int64_t Free = FSources.FreeBytes ? FSources.FreeBytes(Drive) : -1;
  const std::int64_t Total = FSources.TotalBytes ? FSources.TotalBytes(Drive) : -1;
  QString Written = tr("알 수 없음");
  if (Free >= 0 && Total >= 0) {
    const TFillTarget Target = CalculateFillTarget(Free, Total, Amount, GetLeftUnit(*this),
                                                   TTesterThread::BufferKiB / 1024);
    if (IsNoRoomTarget(Target.ReportedInMiB)) {
      return true;  // nothing will be written: the pass says why
    }
    Written = FreeSpaceText(Target.ReportedInMiB * 1048576, Platform::LocaleDecimalSeparator());
  }
  QMessageBox Question(QMessageBox::Warning, windowTitle(),
                       tr("드라이브 : %1\n쓸 용량 : %2\n\n실행 중인 시스템이 있는 드라이브입니다.\n"
                          "가득 채우면 다른 프로그램이 멈추거나 실패할 수 있습니다.\n"
                          "시작하시겠습니까?")
                           .arg(QDir::toNativeSeparators(eDrive->currentText()), Written),
                       QMessageBox::NoButton, this);
  QPushButton* Yes = Question.addButton(tr("예"), QMessageBox::YesRole);
  QPushButton* No = Question.addButton(tr("아니요"), QMessageBox::NoRole);
  Question.setDefaultButton(No);  // Enter must not fill the system's drive
  Question.setEscapeButton(No);
  Question.exec();
  return Question.clickedButton() == Yes;
}

QString TfSetting::PickTextFile() {
  for (;;) {
    if (sdText->exec() != QDialog::Accepted || sdText->selectedFiles().isEmpty()) {
      return {};
    }
    QString Result = sdText->selectedFiles().first();
    sdText->selectFile(Result);  // the next picker opens with the last choice
    const QString FileName = QFileInfo(Result).fileName();
    if (!FileName.contains(QLatin1Char('.')) && sdText->selectedNameFilter() == TextFileFilter) {
      Result += QStringLiteral(".txt");
    }
    // Qt's dialog asks before overwriting but has no question before creating: asked here.
    // A "no" returns to the dialog, as the system's save dialog does.
    if (QFileInfo::exists(Result) || ConfirmCreate(Result)) {
      return Result;
    }
  }
}

bool TfSetting::ConfirmCreate(const QString& Path) {
  QMessageBox Question(
      QMessageBox::Question, sdText->windowTitle(),
      tr("%1\n이 파일이 없습니다.\n새로 만드시겠습니까?").arg(QDir::toNativeSeparators(Path)),
      QMessageBox::NoButton, this);
  QPushButton* Yes = Question.addButton(tr("예"), QMessageBox::YesRole);
  Question.addButton(tr("아니요"), QMessageBox::NoRole);
  Question.setDefaultButton(Yes);
  Question.exec();
  return Question.clickedButton() == Yes;
}

void TfSetting::PickLogPath(const QString& Title, QLineEdit* PathBox, QString& StoredPath,
                            QCheckBox* CheckBox) {
  sdText->setWindowTitle(Title);
  const QString Path = PickTextFile();
  // The box shows capitals; the stored path stays as chosen, since Linux paths are
  // case-sensitive. The tooltip shows the real path.
  PathBox->setText(Path.toUpper());
  PathBox->setToolTip(Path);
  StoredPath = Path;
  const bool HasPath = !PathBox->text().isEmpty();
  if (CheckBox->isChecked() != HasPath) {
    CheckBox->setChecked(HasPath);
  }
}

void TfSetting::ClearLogPath(QLineEdit* PathBox, QString& StoredPath, QCheckBox* CheckBox) {
  CheckBox->setChecked(false);
  PathBox->clear();
  PathBox->setToolTip({});
  StoredPath.clear();
}

void TfSetting::bLogNeededClick() {
  PickLogPath(tr("로그 저장 위치"), eLogPath, FRecordPath, cLogNeeded);
}

void TfSetting::bDetailedRecordClick() {
  PickLogPath(tr("상세 로그 저장 위치"), eDetailedLogPath, FDetailedRecordPath, cDetailedRecord);
}

void TfSetting::cLogNeededMouseUp() {
  if (cLogNeeded->isChecked()) {
    bLogNeededClick();
  } else {
    ClearLogPath(eLogPath, FRecordPath, cLogNeeded);
  }
}

void TfSetting::cDetailedRecordMouseUp() {
  if (cDetailedRecord->isChecked()) {
    bDetailedRecordClick();
  } else {
    ClearLogPath(eDetailedLogPath, FDetailedRecordPath, cDetailedRecord);
  }
}

void TfSetting::bDriveFolderClick() {
  if (eDrive->currentIndex() >= 0) {
    sdFolder->setDirectory(eDrive->currentText());
  }
  if (sdFolder->exec() != QDialog::Accepted || sdFolder->selectedFiles().isEmpty()) {
    return;
  }
  const QString Folder = QDir::cleanPath(sdFolder->selectedFiles().first());
  int Index = eDrive->findText(Folder);
  if (Index < 0) {
    eDrive->addItem(Folder);
    Index = eDrive->count() - 1;
  }
  eDrive->setCurrentIndex(Index);
  eDriveChange();  // also when the index did not change: the folder may be on another filesystem
}
