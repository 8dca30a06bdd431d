#include "forms/Varnell.Application.h"

#include <QFont>
#include <QMessageBox>
#include <exception>

TVarnellApplication::TVarnellApplication(int& Argc, char** Argv) : QApplication(Argc, Argv) {
  ErrorReport = [](const QString& Text) {
    QMessageBox::critical(QApplication::activeWindow(), QStringLiteral("Varnell"), Text);
  };
  SetApplicationFont(*this);
}

bool TVarnellApplication::notify(QObject* Receiver, QEvent* Event) {
  try {
    return QApplication::notify(Receiver, Event);
  } catch (const std::exception& Error) {
    ErrorReport(QString::fromUtf8(Error.what()));
  } catch (...) {
    ErrorReport(QStringLiteral("Unknown error"));
  }
  return false;
}

void SetApplicationFont(QApplication& Application) {
  QFont Font = Application.font();
  Font.setFamilies({QStringLiteral("Malgun Gothic"), QStringLiteral("NanumGothic"),
                    QStringLiteral("Noto Sans CJK KR")});
  Font.setPixelSize(12);
  Application.setFont(Font);
}
