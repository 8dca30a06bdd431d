#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <stdexcept>

#include "forms/Forms.Setting.h"
#include "forms/Setting.Getter.h"
#include "platform/Platform.Locale.h"
#include "tests/forms/Forms.Fixtures.h"

namespace {

constexpr std::int64_t FreeOfDrive = 5LL * 1073741824 + 512LL * 1048576;  // 5.5 GiB

struct TSettingWindowTest : testing::Test {
  std::vector<std::string> Drives{"/", "/mnt/usb"};
  std::vector<std::string> Asked;  // paths whose free space was asked for
  TfSetting Window{nullptr, TSettingSources{[this] { return Drives; },
                                            [this](const std::string& Path) {
                                              Asked.push_back(Path);
                                              return Path == "/mnt/usb" ? FreeOfDrive : -1;
                                            }}};
  QTemporaryDir Folder;

  void SetUp() override {
    ASSERT_TRUE(Folder.isValid());
    Window.sdText->setDirectory(Folder.path());
  }

  // Answers the next save dialog with FileName typed in, or cancels it when FileName is empty.
  // The question before creating a new file gets CreateAnswer; Shown receives its title and text.
  void AnswerSaveDialog(const QString& FileName, const QString& CreateAnswer = QStringLiteral("예"),
                        QStringList* Shown = nullptr) {
    WhenModalShown<QFileDialog>([FileName, CreateAnswer, Shown](QFileDialog* Dialog) {
      if (FileName.isEmpty()) {
        Dialog->reject();
        return;
      }
      Dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(FileName);
      if (!QFileInfo::exists(Dialog->directory().filePath(FileName))) {
        AnswerMessageBox(CreateAnswer, Shown);
      }
      static_cast<QDialog*>(Dialog)->accept();
    });
  }

  QString Decimal(const char* Text) const {
    return QString::fromLatin1(Text).replace(
        '.', QString::fromStdString(Platform::LocaleDecimalSeparator()));
  }
};

TEST_F(TSettingWindowTest, OpensWithTheDefaults) {
  EXPECT_EQ(Window.windowTitle(), QStringLiteral("설정"));
  EXPECT_EQ(Window.size(), QSize(470, 371));  // one row more than 337, for the verification
  EXPECT_EQ(Window.minimumSize(), Window.maximumSize());
  EXPECT_EQ(Window.eDrive->count(), 2);
  EXPECT_EQ(Window.eDrive->currentIndex(), 0);
  EXPECT_EQ(Window.eLeft->text(), QStringLiteral("0"));
  EXPECT_EQ(Window.cSelection->currentText(), QStringLiteral("GiB"));
  EXPECT_EQ(Window.cUnitSpeed->currentText(), QStringLiteral("0.1%"));
  EXPECT_FALSE(Window.cCacheEffect->isChecked());
  EXPECT_FALSE(Window.cRepeat->isChecked());
  EXPECT_TRUE(Window.cDelete->isChecked());
  EXPECT_FALSE(Window.cVerify->isChecked());
  EXPECT_EQ(Window.cVerify->text(), QStringLiteral("쓰기 후 검증"));
  EXPECT_FALSE(Window.cLogNeeded->isChecked());
  EXPECT_FALSE(Window.cDetailedRecord->isChecked());
  EXPECT_TRUE(Window.eLogPath->text().isEmpty());
  EXPECT_TRUE(Window.eDetailedLogPath->text().isEmpty());
  EXPECT_TRUE(Window.eLogPath->isReadOnly());
  EXPECT_FALSE(Window.IsSet());
  // "/" cannot be read here: the -1 byte count shows as zero, without a minus sign.
  EXPECT_EQ(Window.lCurrRemain->text(), Decimal("0.0 MiB(0.0GiB)"));
  Window.eDrive->setCurrentIndex(1);
  EXPECT_EQ(Window.lCurrRemain->text(), Decimal("5632.0 MiB(5.5GiB)"));
  EXPECT_EQ(Asked, (std::vector<std::string>{"/", "/mnt/usb"}));
}

// The verification's row sits below "종료 후 파일 삭제"; the rows after it moved down by one, and
// no control covers another or leaves the window.
TEST_F(TSettingWindowTest, TheVerificationRowPushesTheLogRowsDownWithoutOverlap) {
  EXPECT_EQ(Window.cVerify->geometry(), QRect(13, 231, 448, 26));
  EXPECT_EQ(Window.cDelete->geometry(), QRect(13, 197, 448, 26));
  EXPECT_EQ(Window.eLogPath->geometry(), QRect(109, 265, 305, 27));
  EXPECT_EQ(Window.eDetailedLogPath->geometry(), QRect(131, 299, 285, 27));
  EXPECT_EQ(Window.bStart->geometry(), QRect(13, 333, 448, 30));
  EXPECT_EQ(Window.height() - Window.bStart->geometry().bottom(), 337 - (299 + 30) + 1);
  if (!TextsAreMeasured()) {
    return;
  }
  const QList<QWidget*> Controls =
      Window.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
  for (QWidget* A : Controls) {
    if (!A->isWindow()) {
      EXPECT_TRUE(Window.rect().contains(A->geometry())) << A->metaObject()->className();
    }
    for (QWidget* B : Controls) {
      if (A != B && !A->isWindow() && !B->isWindow()) {
        EXPECT_FALSE(A->geometry().intersects(B->geometry()))
            << A->metaObject()->className() << " " << B->metaObject()->className() << " at "
            << A->y() << " and " << B->y();
      }
    }
  }
}

TEST(FreeSpaceText, RoundsToOneDecimalWithTheLocaleSeparator) {
  EXPECT_EQ(FreeSpaceText(0, ","), QStringLiteral("0,0 MiB(0,0GiB)"));
  EXPECT_EQ(FreeSpaceText(-1, "."), QStringLiteral("0.0 MiB(0.0GiB)"));
  EXPECT_EQ(FreeSpaceText(1610612736, "."), QStringLiteral("1536.0 MiB(1.5GiB)"));
  EXPECT_EQ(FreeSpaceText(4LL << 40, "."), QStringLiteral("4194304.0 MiB(4096.0GiB)"));
}

TEST_F(TSettingWindowTest, AmountBoxTakesDigitsOnly) {
  Window.eLeft->clear();
  QTest::keyClicks(Window.eLeft, QStringLiteral("1a2-+ 3"));
  EXPECT_EQ(Window.eLeft->text(), QStringLiteral("123"));
  QTest::keyClick(Window.eLeft, Qt::Key_Backspace);
  EXPECT_EQ(Window.eLeft->text(), QStringLiteral("12"));
  // A paste shortcut never reaches the box.
  QApplication::clipboard()->setText(QStringLiteral("99"));
  QTest::keyClick(Window.eLeft, Qt::Key_V, Qt::ControlModifier);
  QTest::keyClick(Window.eLeft, Qt::Key_Insert, Qt::ShiftModifier);
  EXPECT_EQ(Window.eLeft->text(), QStringLiteral("12"));
  // Text that arrives another way is shown in capitals.
  Window.eLeft->setText(QStringLiteral("12ab"));
  EXPECT_EQ(Window.eLeft->text(), QStringLiteral("12AB"));
}

// A key as a keyboard delivers it: X11 gives Delete the text "\x7f" (QTest would give none).
void KeyboardClick(QWidget* Widget, Qt::Key Key, const QString& Text,
                   Qt::KeyboardModifiers Modifiers = Qt::NoModifier) {
  QTest::sendKeyEvent(QTest::Press, Widget, Key, Text, Modifiers);
  QTest::sendKeyEvent(QTest::Release, Widget, Key, Text, Modifiers);
}

// Navigation and editing keys are not typed characters: Tab and Shift+Tab leave the box, Delete,
// the arrows and Home/End edit in it, as in any other box.
TEST_F(TSettingWindowTest, AmountBoxLetsTabLeaveAndDeleteEdit) {
  Window.show();
  QApplication::setActiveWindow(&Window);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&Window));
  Window.eLeft->setFocus();
  KeyboardClick(Window.eLeft, Qt::Key_Tab, QStringLiteral("\t"));
  EXPECT_EQ(QApplication::focusWidget(), Window.cSelection);
  KeyboardClick(Window.cSelection, Qt::Key_Backtab, {}, Qt::ShiftModifier);
  EXPECT_EQ(QApplication::focusWidget(), Window.eLeft);
  KeyboardClick(Window.eLeft, Qt::Key_Backtab, {}, Qt::ShiftModifier);
  EXPECT_EQ(QApplication::focusWidget(), Window.bDriveFolder);

  Window.eLeft->setFocus();
  Window.eLeft->setText(QStringLiteral("12345"));
  QTest::keyClick(Window.eLeft, Qt::Key_Home);
  KeyboardClick(Window.eLeft, Qt::Key_Delete, QStringLiteral("\x7f"));
  EXPECT_EQ(Window.eLeft->text(), QStringLiteral("2345"));
  QTest::keyClick(Window.eLeft, Qt::Key_End);
  QTest::keyClick(Window.eLeft, Qt::Key_Left);
  QTest::keyClick(Window.eLeft, Qt::Key_Left);
  KeyboardClick(Window.eLeft, Qt::Key_Delete, QStringLiteral("\x7f"));
  QTest::keyClick(Window.eLeft, Qt::Key_Right);
  QTest::keyClick(Window.eLeft, Qt::Key_7);
  EXPECT_EQ(Window.eLeft->text(), QStringLiteral("2357"));
  // Still no other character, control characters included.
  QTest::keyClick(Window.eLeft, Qt::Key_Escape);
  QTest::keyClick(Window.eLeft, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(Window.eLeft, Qt::Key_X);
  EXPECT_EQ(Window.eLeft->text(), QStringLiteral("2357"));
}

TEST_F(TSettingWindowTest, StartAcceptsOnlyASigned32BitAmount) {
  struct TCase {
    const char* Text;
    bool Accepted;
    std::int64_t ToLeft;
  };
  const TCase Cases[] = {
      {"", false, 0},
      {"2147483647", true, 2147483647},
      {"2147483648", false, 0},
      {"-5", true, -5},
      {"0", true, 0},
      {"12AB", false, 0},
      {"-2147483648", true, -2147483648LL},
  };
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(Case.Text);
    TfSetting Fresh(nullptr, TSettingSources{[] { return std::vector<std::string>{"/mnt/d"}; },
                                             [](const std::string&) { return 0; }});
    Fresh.show();
    Fresh.eLeft->setText(QString::fromLatin1(Case.Text));
    Fresh.bStart->click();
    EXPECT_EQ(Fresh.IsSet(), Case.Accepted);
    EXPECT_EQ(Fresh.isVisible(), !Case.Accepted);  // a refused start leaves the window open
    const TSetting Setting = GetSetting(&Fresh);
    EXPECT_EQ(Setting.IsSet, Case.Accepted);
    EXPECT_EQ(Setting.ToLeft, Case.ToLeft);
  }
}

TEST_F(TSettingWindowTest, GetSettingReadsEveryControl) {
  Window.eDrive->setCurrentIndex(1);
  Window.eLeft->setText(QStringLiteral("0"));
  Window.cSelection->setCurrentIndex(2);
  Window.cUnitSpeed->setCurrentIndex(2);
  Window.cCacheEffect->setChecked(true);
  Window.cRepeat->setChecked(true);
  Window.cDelete->setChecked(false);
  Window.cVerify->setChecked(true);
  Window.bStartClick();
  TSetting Expected;
  Expected.IsSet = true;
  Expected.DrivePath = "/mnt/usb/";
  Expected.ToLeftUnit = TLeftUnit::LeaveByPercent;
  Expected.UnitSpeed = TUnitSpeed::TenPercent;
  Expected.NeedCache = true;
  Expected.InfiniteRepetition = true;
  Expected.NeedVerify = true;
  EXPECT_EQ(GetSetting(&Window), Expected);

  Window.eDrive->setCurrentIndex(0);  // the root keeps its single separator
  EXPECT_EQ(GetSetting(&Window).DrivePath, "/");
  Window.cSelection->setCurrentIndex(1);
  Window.cUnitSpeed->setCurrentIndex(1);
  EXPECT_EQ(GetSetting(&Window).ToLeftUnit, TLeftUnit::LeaveByMiB);
  EXPECT_EQ(GetSetting(&Window).UnitSpeed, TUnitSpeed::OnePercent);
}

TEST_F(TSettingWindowTest, ClosedWithoutStartOrNoWindowGivesAnEmptyRecord) {
  Window.cRepeat->setChecked(true);
  Window.show();
  Window.close();
  EXPECT_EQ(GetSetting(&Window), TSetting{});
  EXPECT_EQ(GetSetting(nullptr), TSetting{});
}

TEST_F(TSettingWindowTest, ListIndexOutsideTheEntriesRaises) {
  Window.bStartClick();
  Window.cSelection->setCurrentIndex(-1);
  try {
    GetSetting(&Window);
    FAIL() << "no error";
  } catch (const std::invalid_argument& Error) {
    EXPECT_STREQ(Error.what(), "Wrong ItemIndex at cSelection: -1");
  }
  Window.cSelection->setCurrentIndex(0);
  Window.cUnitSpeed->setCurrentIndex(-1);
  EXPECT_THROW(
      {
        try {
          GetUnitSpeed(Window);
        } catch (const std::invalid_argument& Error) {
          EXPECT_STREQ(Error.what(), "Wrong ItemIndex at cUnitSpeed: -1");
          throw;
        }
      },
      std::invalid_argument);
}

TEST_F(TSettingWindowTest, WithoutDrivesNoStartAndNoPath) {
  TfSetting Empty(nullptr, TSettingSources{[] { return std::vector<std::string>{}; }, nullptr});
  EXPECT_EQ(Empty.eDrive->currentIndex(), -1);
  EXPECT_EQ(Empty.lCurrRemain->text(), Decimal("0.0 MiB(0.0GiB)"));
  Empty.bStartClick();
  EXPECT_FALSE(Empty.IsSet());
  EXPECT_TRUE(GetSetting(&Empty).DrivePath.empty());
}

TEST_F(TSettingWindowTest, PickerStoresTheRealPathAndShowsCapitals) {
  const QString Dir = QDir(Folder.path()).canonicalPath();
  AnswerSaveDialog(QStringLiteral("log"));
  Window.bLogPath->click();
  EXPECT_EQ(Window.RecordPath(), Dir + QStringLiteral("/log.txt"));
  EXPECT_EQ(Window.eLogPath->text(), (Dir + QStringLiteral("/log.txt")).toUpper());
  EXPECT_EQ(Window.eLogPath->toolTip(), Window.RecordPath());
  EXPECT_TRUE(Window.cLogNeeded->isChecked());
  EXPECT_EQ(Window.sdText->windowTitle(), QStringLiteral("로그 저장 위치"));

  // A name with an extension keeps it; the shared dialog also serves the detailed log.
  AnswerSaveDialog(QStringLiteral("Run.log"));
  Window.bDetailedRecordClick();
  EXPECT_EQ(Window.DetailedRecordPath(), Dir + QStringLiteral("/Run.log"));
  EXPECT_EQ(Window.eDetailedLogPath->text(), (Dir + QStringLiteral("/Run.log")).toUpper());
  EXPECT_EQ(Window.sdText->windowTitle(), QStringLiteral("상세 로그 저장 위치"));
  EXPECT_TRUE(Window.cDetailedRecord->isChecked());

  Window.bStartClick();
  const TSetting Setting = GetSetting(&Window);
  EXPECT_EQ(Setting.RecordPath, (Dir + QStringLiteral("/log.txt")).toStdString());
  EXPECT_EQ(Setting.DetailedRecordPath, (Dir + QStringLiteral("/Run.log")).toStdString());

  // Cancelling after a choice switches the log off.
  AnswerSaveDialog({});
  QTest::mouseClick(Window.eLogPath, Qt::LeftButton);  // the path box opens the picker too
  EXPECT_TRUE(Window.RecordPath().isEmpty());
  EXPECT_TRUE(Window.eLogPath->text().isEmpty());
  EXPECT_FALSE(Window.cLogNeeded->isChecked());
}

// The save dialog asks before creating a file that does not exist yet; a "no" returns to the
// dialog. An existing file gets only Qt's own question about replacing it.
TEST_F(TSettingWindowTest, PickerAsksBeforeCreatingANewFile) {
  const QString Dir = QDir(Folder.path()).canonicalPath();
  QStringList Shown;
  AnswerSaveDialog(QStringLiteral("new"), QStringLiteral("예"), &Shown);
  Window.bLogPath->click();
  EXPECT_EQ(Shown,
            (QStringList{QStringLiteral("로그 저장 위치"),
                         QDir::toNativeSeparators(Dir + QStringLiteral("/new.txt")) +
                             QStringLiteral("\n이 파일이 없습니다.\n새로 만드시겠습니까?")}));
  EXPECT_EQ(Window.RecordPath(), Dir + QStringLiteral("/new.txt"));
  EXPECT_FALSE(QFileInfo::exists(Window.RecordPath()));  // created when the test starts

  // "No" opens the dialog again; cancelling it then switches the log off.
  Shown.clear();
  int Opened = 0;
  WhenModalShown<QFileDialog>([&](QFileDialog* Dialog) {
    ++Opened;
    Dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(QStringLiteral("other"));
    AnswerMessageBox(QStringLiteral("아니요"), &Shown);
    WhenModalShown<QFileDialog>([&](QFileDialog* Again) {
      ++Opened;
      Again->reject();
    });
    static_cast<QDialog*>(Dialog)->accept();
  });
  Window.bDetailedLogPath->click();
  EXPECT_EQ(Opened, 2);
  EXPECT_EQ(Shown.value(0), QStringLiteral("상세 로그 저장 위치"));
  EXPECT_TRUE(Window.DetailedRecordPath().isEmpty());
  EXPECT_FALSE(Window.cDetailedRecord->isChecked());

  // An existing file: no question about creating it.
  QFile Existing(Dir + QStringLiteral("/old.txt"));
  ASSERT_TRUE(Existing.open(QIODevice::WriteOnly));
  Existing.close();
  Shown.clear();
  WhenModalShown<QFileDialog>([&](QFileDialog* Dialog) {
    Dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))
        ->setText(QStringLiteral("old.txt"));
    AnswerMessageBox(QStringLiteral("&Yes"), &Shown);  // Qt's "replace it?"
    static_cast<QDialog*>(Dialog)->accept();
  });
  Window.bLogPath->click();
  EXPECT_EQ(Window.RecordPath(), Dir + QStringLiteral("/old.txt"));
  EXPECT_TRUE(WaitUntil([] { return QApplication::activeModalWidget() == nullptr; }));
  ASSERT_EQ(Shown.size(), 2);
  EXPECT_FALSE(Shown[1].contains(QStringLiteral("새로 만드시겠습니까?")));
}

TEST_F(TSettingWindowTest, LogCheckBoxOpensThePickerOrClearsThePath) {
  Window.show();
  AnswerSaveDialog(QStringLiteral("a"));
  QTest::mouseClick(Window.cLogNeeded, Qt::LeftButton);
  EXPECT_TRUE(Window.cLogNeeded->isChecked());
  EXPECT_TRUE(Window.RecordPath().endsWith(QStringLiteral("/a.txt")));

  QTest::mouseClick(Window.cLogNeeded, Qt::LeftButton);
  EXPECT_FALSE(Window.cLogNeeded->isChecked());
  EXPECT_TRUE(Window.RecordPath().isEmpty());
  EXPECT_TRUE(Window.eLogPath->text().isEmpty());

  // Checking by keyboard opens it too; a cancel leaves the box unchecked.
  Window.cDetailedRecord->setFocus();
  AnswerSaveDialog({});
  QTest::keyClick(Window.cDetailedRecord, Qt::Key_Space);
  EXPECT_FALSE(Window.cDetailedRecord->isChecked());
  EXPECT_TRUE(Window.DetailedRecordPath().isEmpty());
}

TEST_F(TSettingWindowTest, FolderChoiceBecomesTheDrivePath) {
  const QString Dir = QDir(Folder.path()).canonicalPath();
  WhenModalShown<QFileDialog>([Dir](QFileDialog* Dialog) {
    Dialog->setDirectory(Dir);
    Dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->clear();
    static_cast<QDialog*>(Dialog)->accept();
  });
  Window.bDriveFolder->click();
  EXPECT_EQ(Window.eDrive->currentText(), Dir);
  EXPECT_EQ(Asked.back(), Dir.toStdString());  // the free space is the folder's filesystem's
  Window.bStartClick();
  EXPECT_EQ(GetSetting(&Window).DrivePath, (Dir + QStringLiteral("/")).toStdString());
}

TEST_F(TSettingWindowTest, EscapeDoesNothingAndEnterPressesOnlyTheFocusedButton) {
  Window.show();
  QTest::keyClick(&Window, Qt::Key_Escape);
  EXPECT_TRUE(Window.isVisible());
  Window.eLeft->setFocus();
  QTest::keyClick(Window.eLeft, Qt::Key_Return);
  EXPECT_TRUE(Window.isVisible());
  EXPECT_FALSE(Window.IsSet());
  Window.bStart->setFocus();
  QTest::keyClick(Window.bStart, Qt::Key_Return);
  EXPECT_TRUE(Window.IsSet());
  EXPECT_FALSE(Window.isVisible());
}

}  // namespace

namespace {

TEST(SettingWindowFocus, TabGoesThroughTheControlsInTheirOrder) {
  TfSetting Window(nullptr, TSettingSources{[] { return std::vector<std::string>{"/"}; },
                                            [](const std::string&) { return 0; }});
  const std::vector<QWidget*> Expected{
      Window.eDrive,     Window.bDriveFolder,     Window.eLeft,           Window.cSelection,
      Window.cUnitSpeed, Window.cCacheEffect,     Window.cRepeat,         Window.bStart,
      Window.cDelete,    Window.cVerify,          Window.cDetailedRecord, Window.cLogNeeded,
      Window.eLogPath,   Window.eDetailedLogPath, Window.bLogPath,        Window.bDetailedLogPath};
  std::vector<QWidget*> Seen;
  QWidget* Widget = Window.eDrive;
  do {
    if (std::find(Expected.begin(), Expected.end(), Widget) != Expected.end()) {
      Seen.push_back(Widget);
    }
    Widget = Widget->nextInFocusChain();
  } while (Widget != Window.eDrive);
  EXPECT_EQ(Seen, Expected);
}

}  // namespace

namespace {

// A start on the running system's drive asks first, naming the drive and what will be written;
// a "no" keeps the window open. Any other drive, or a pass with no room, is not asked about.
TEST(SettingWindowSystemDrive, StartAsksBeforeFillingTheSystemsDrive) {
  constexpr std::int64_t GiB = 1073741824;
  const struct {
    const char* Drive;
    const char* Leave;  // GiB
    const char* Answer;
    bool Asked;
    bool Started;
  } Cases[] = {
      {"/", "1", "아니요", true, false},
      {"/", "1", "예", true, true},
      {"/mnt/usb", "1", "", false, true},
      {"/", "6", "", false, true},  // leaves more than is free: nothing is written
  };
  for (const auto& Case : Cases) {
    SCOPED_TRACE(std::string(Case.Drive) + " leave " + Case.Leave);
    TSettingSources Sources{[] {
                              return std::vector<std::string>{"/", "/mnt/usb"};
                            },
                            [](const std::string&) { return FreeOfDrive; }};
    Sources.TotalBytes = [](const std::string&) { return 10 * GiB; };
    Sources.HoldsSystem = [](const std::string& Path) { return Path == "/"; };
    TfSetting Window(nullptr, Sources);
    Window.eDrive->setCurrentText(QString::fromLatin1(Case.Drive));
    Window.eLeft->setText(QString::fromLatin1(Case.Leave));
    Window.show();

    // Answers any question while this case runs, so that an unexpected one cannot hang it.
    QStringList Shown;
    QTimer Answerer;
    Answerer.setInterval(10);
    QObject::connect(&Answerer, &QTimer::timeout, [&] {
      auto* Box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (Box == nullptr || !Box->isVisible()) {
        return;
      }
      Shown << Box->text();
      for (QAbstractButton* Button : Box->buttons()) {
        if (Button->text() == QString::fromUtf8(Case.Answer) || *Case.Answer == '\0') {
          Button->click();
          return;
        }
      }
    });
    Answerer.start();
    Window.bStart->click();
    Answerer.stop();

    EXPECT_EQ(Window.IsSet(), Case.Started);
    EXPECT_EQ(Window.isVisible(), !Case.Started);
    ASSERT_EQ(Shown.size(), Case.Asked ? 1 : 0);
    if (Case.Asked) {
      // 5.5 GiB free, 1 GiB and the spare MiB left, rounded down to whole 8 MiB writes.
      const QString Separator = QString::fromStdString(Platform::LocaleDecimalSeparator());
      // The drive as the system writes paths ("\\" on Windows).
      EXPECT_EQ(Shown[0], QStringLiteral("드라이브 : ") +
                              QDir::toNativeSeparators(QStringLiteral("/")) +
                              QStringLiteral("\n쓸 용량 : 4600") + Separator +
                              QStringLiteral("0 MiB(4") + Separator +
                              QStringLiteral("5GiB)\n\n실행 중인 시스템이 있는 드라이브입니다.\n"
                                             "가득 채우면 다른 프로그램이 멈추거나 실패할 수 "
                                             "있습니다.\n시작하시겠습니까?"));
    }
  }
}

}  // namespace
