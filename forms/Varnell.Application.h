#pragma once

#include <QApplication>
#include <QString>
#include <functional>

// The GUI application. An exception that leaves an event handler on the GUI thread is shown
// to the user (its text in a message box) and the event loop goes on.
class TVarnellApplication : public QApplication {
 public:
  TVarnellApplication(int& Argc, char** Argv);

  bool notify(QObject* Receiver, QEvent* Event) override;

  // How an error is shown; tests replace the message box.
  std::function<void(const QString& Text)> ErrorReport;
};

// "Malgun Gothic", falling back to the Korean font the setup installs; 12 pixels.
void SetApplicationFont(QApplication& Application);
