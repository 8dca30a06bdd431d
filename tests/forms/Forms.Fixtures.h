#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFontDatabase>
#include <QMessageBox>
#include <QPointF>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <iostream>
#include <ostream>

// Texts the application's error report showed (the tests' main replaces the message box).
inline QStringList& ReportedErrors() {
  static QStringList Errors;
  return Errors;
}

// Whether texts are measured with real fonts. Qt's offscreen platform on Windows reads fonts
// only from QT_QPA_FONTDIR, finds none under wine and draws every letter as a box as wide as
// the font is high, so how a text fits its widget cannot be judged there (the real window
// under wine shows that it does). Elsewhere the checks always run.
inline bool TextsAreMeasured() {
#ifdef _WIN32
  if (QFontDatabase::families().isEmpty()) {
    std::cerr << "[ NOTE     ] offscreen on Windows without fonts: text widths and overlaps "
                 "not checked\n";
    return false;
  }
#endif
  return true;
}

// Runs the event loop until Condition holds or TimeoutMs passed; returns Condition().
inline bool WaitUntil(const std::function<bool()>& Condition, int TimeoutMs = 5000) {
  QDeadlineTimer Deadline(TimeoutMs);
  while (!Condition()) {
    if (Deadline.hasExpired()) {
      return false;
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

// Calls Action on the modal window of type T as soon as it is shown (from inside its exec()).
template <typename T>
void WhenModalShown(std::function<void(T*)> Action) {
  auto* Poll = new QTimer();
  Poll->setInterval(10);
  QObject::connect(Poll, &QTimer::timeout, [Poll, Action] {
    for (QWidget* Widget : QApplication::topLevelWidgets()) {
      auto* Window = qobject_cast<T*>(Widget);
      if (Window != nullptr && Window->isVisible()) {
        Poll->stop();
        Poll->deleteLater();
        Action(Window);
        return;
      }
    }
  });
  Poll->start();
}

// Clicks the button labelled ButtonText of the next message box shown; Shown, when given,
// receives the box's title and text.
inline void AnswerMessageBox(const QString& ButtonText, QStringList* Shown = nullptr) {
  WhenModalShown<QMessageBox>([ButtonText, Shown](QMessageBox* Box) {
    if (Shown != nullptr) {
      *Shown << Box->windowTitle() << Box->text();
    }
    for (QAbstractButton* Button : Box->buttons()) {
      if (Button->text() == ButtonText) {
        Button->click();
        return;
      }
    }
    ADD_FAILURE() << "no button " << ButtonText.toStdString() << " in "
                  << Box->text().toStdString();
    Box->reject();
  });
}

// Readable QString and QPointF values in failure messages.
inline void PrintTo(const QString& Text, std::ostream* Stream) {
  *Stream << Text.toStdString();
}
inline void PrintTo(const QPointF& Point, std::ostream* Stream) {
  *Stream << "(" << Point.x() << ", " << Point.y() << ")";
}
