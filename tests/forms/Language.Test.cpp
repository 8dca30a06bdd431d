#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QtCharts/QAbstractAxis>
#include <QtCharts/QChart>
#include <QtCharts/QLegendMarker>

#include "forms/Forms.Language.h"
#include "forms/Forms.Main.h"
#include "forms/Forms.Setting.h"
#include "forms/Speed.Chart.h"
#include "forms/Tester.Starter.h"
#include "tests/forms/Forms.Fixtures.h"
#include "text/Text.Catalogue.h"

namespace {

const QRegularExpression Hangul(QStringLiteral("[\\x{AC00}-\\x{D7A3}]"));

struct TLanguageTest : testing::TestWithParam<const char*> {
  void SetUp() override { ASSERT_TRUE(ApplyLanguage(QString::fromLatin1(GetParam()))); }
  void TearDown() override { ApplyLanguage(QStringLiteral("ko")); }
  bool English() const { return QString::fromLatin1(GetParam()) == QStringLiteral("en"); }
};

TSettingSources OneDrive() {
  return TSettingSources{[] { return std::vector<std::string>{"/mnt/usb"}; },
                         [](const std::string&) { return std::int64_t{5} << 30; }};
}

TTesterFactory NoTester(int& Calls) {
  return [&Calls](const TSetting&, TTesterView&, std::function<void()>) {
    ++Calls;
    return std::unique_ptr<TTesterWorker>();
  };
}

QString TextOf(const QWidget* Control) {
  if (const auto* Label = qobject_cast<const QLabel*>(Control)) {
    return Label->text();
  }
  if (const auto* Button = qobject_cast<const QAbstractButton*>(Control)) {
    return Button->text();
  }
  return QString::fromLatin1(Control->metaObject()->className());
}

// Every text the window shows: its title and the texts of its labels and buttons.
QStringList TextsOf(QWidget& Window) {
  QStringList Texts{Window.windowTitle()};
  for (const QLabel* Label : Window.findChildren<QLabel*>()) {
    Texts << Label->text();
  }
  for (const QAbstractButton* Button : Window.findChildren<QAbstractButton*>()) {
    Texts << Button->text() << Button->toolTip();
  }
  return Texts;
}

// A text cut off or lying over its neighbour: each button (a check box too) must be as wide as
// its text needs, and no two of the window's own controls may overlap.
void ExpectEveryControlFits(QWidget& Window) {
  if (!TextsAreMeasured()) {
    return;
  }
  const QList<QWidget*> Controls = Window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
  for (const QWidget* Control : Controls) {
    if (const auto* Check = qobject_cast<const QCheckBox*>(Control)) {
      EXPECT_LE(Check->sizeHint().width(), Check->width()) << Check->text().toStdString();
    } else if (const auto* Button = qobject_cast<const QPushButton*>(Control)) {
      // The style's minimum width aside: the text and a margin on each side.
      EXPECT_LE(Button->fontMetrics().horizontalAdvance(Button->text()) + 8, Button->width())
          << Button->text().toStdString();
    }
    for (const QWidget* Other : Controls) {
      if (Control < Other && Control->isVisibleTo(&Window) && Other->isVisibleTo(&Window) &&
          Control->geometry().intersects(Other->geometry())) {
        ADD_FAILURE() << "\"" << TextOf(Control).toStdString() << "\" overlaps \""
                      << TextOf(Other).toStdString() << "\"";
      }
    }
  }
}

TEST_P(TLanguageTest, TheSettingsWindowSpeaksTheLanguageAndEveryTextFits) {
  TfSetting Window(nullptr, OneDrive());
  Window.show();
  for (const QString& Text : TextsOf(Window)) {
    if (English()) {
      EXPECT_FALSE(Text.contains(Hangul)) << Text.toStdString();
    }
  }
  EXPECT_EQ(Window.bStart->text(), English() ? QStringLiteral("Start") : QStringLiteral("시작"));
  ExpectEveryControlFits(Window);
}

TEST_P(TLanguageTest, TheMainWindowItsChartAndItsReportLinesSpeakTheLanguage) {
  int FactoryCalls = 0;
  TfMain Window(OneDrive(), NoTester(FactoryCalls));
  QCoreApplication::removePostedEvents(&Window, WM_OPEN_SETTING);
  Window.show();
  QStringList Texts = TextsOf(Window);
  for (const QAbstractAxis* Axis : Window.cLog->chart()->axes()) {
    Texts << Axis->titleText();
  }
  for (const QLegendMarker* Marker : Window.cLog->chart()->legend()->markers()) {
    Texts << Marker->label();
  }
  for (const QString& Text : Texts) {
    if (English()) {
      EXPECT_FALSE(Text.contains(Hangul)) << Text.toStdString();
    }
  }
  ExpectEveryControlFits(Window);
  EXPECT_TRUE(Texts.contains(English() ? QStringLiteral("Free space left (%)")
                                       : QStringLiteral("남은 용량 (%)")));
  // The pause button's caption turns and turns back in the language shown.
  Window.bIdle->click();
  EXPECT_EQ(Window.bIdle->text(), English() ? QStringLiteral("Resume") : QStringLiteral("재개"));
  Window.bIdle->click();
  EXPECT_EQ(Window.bIdle->text(), English() ? QStringLiteral("Pause") : QStringLiteral("일시정지"));
  // The core's texts follow the same choice.
  EXPECT_EQ(Localized("속도 : {0}", "5MiB/s"), English() ? "Speed : 5MiB/s" : "속도 : 5MiB/s");
}

INSTANTIATE_TEST_SUITE_P(Languages, TLanguageTest, testing::Values("ko", "en"));

TEST(Language, AnUnknownLanguageChangesNothing) {
  EXPECT_FALSE(ApplyLanguage(QStringLiteral("xx")));
  EXPECT_EQ(TextLanguage(), "ko");
}

}  // namespace
