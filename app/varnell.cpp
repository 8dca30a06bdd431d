// The GUI program: the main window, which opens the settings window once it is on screen.
#include <QApplication>
#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/Program.Answers.h"
#include "forms/Forms.Language.h"
#include "forms/Forms.Main.h"
#include "forms/Setting.Sources.h"
#include "forms/Stop.Signals.h"
#include "forms/Tester.Starter.h"
#include "forms/Varnell.Application.h"
#include "platform/Platform.Terminal.h"

namespace {

constexpr const char* Usage =
    "Usage: varnell [--lang LANG] [Qt options]\n"
    "Opens Varnell's window. Its settings window asks for the drive (or a folder on it), the\n"
    "free space to leave and the options; the test then fills the drive with files of random\n"
    "data and charts the speed of every 8 MiB write against the share of the disk still free.\n"
    "\n"
    "  -h, --help       this text\n"
    "      --version    the program's version\n"
    "      --lang LANG  language of the windows, the report and the log files:\n"
    "                   ko or en; without it, VARNELL_LANG says, else the\n"
    "                   locale (LC_ALL, LC_MESSAGES, LANG, LANGUAGE), else ko\n"
    "\n"
    "Qt's own options are accepted too, e.g. -platform xcb|wayland|offscreen, -style NAME.\n"
    "Without a display, varnell-cli runs the same test on a terminal: varnell-cli --help\n";

// Qt aborts without a display; say how to run the program instead. Windows always has one.
bool HasDisplay() {
#ifdef _WIN32
  return true;
#else
  const char* Platform = std::getenv("QT_QPA_PLATFORM");
  if (Platform != nullptr && *Platform != '\0') {
    return true;
  }
  const char* X11 = std::getenv("DISPLAY");
  const char* Wayland = std::getenv("WAYLAND_DISPLAY");
  return (X11 != nullptr && *X11 != '\0') || (Wayland != nullptr && *Wayland != '\0');
#endif
}

// The terminal program beside this one: "build/app/varnell-cli" when started from the build
// folder, plain "varnell-cli" when found on the PATH.
std::string SiblingProgram(const std::string& Self, const char* Name) {
  const std::size_t Slash = Self.rfind('/');
  return Slash == std::string::npos ? Name : Self.substr(0, Slash + 1) + Name;
}

}  // namespace

int main(int Argc, char** Argv) {
  // The parent's console first: a standard handle opened on the null device would hide it.
  Platform::UseParentConsole();
  Platform::OpenMissingStandardDescriptors();
  if (const auto ExitCode = AnswerHelpOrVersion(Argc, Argv, "varnell", Usage, stdout)) {
    return *ExitCode;
  }
  std::string Language;
  if (const auto ExitCode = TakeLanguage(Argc, Argv, "varnell", Language, stderr)) {
    return *ExitCode;
  }
  if (!HasDisplay()) {
    std::fprintf(stderr,
                 "No display found. Varnell is a windowed program; without a screen, either run "
                 "it on\na virtual one:\n  xvfb-run -a %s\nor run the same test on the "
                 "terminal:\n  %s --help\n",
                 Argv[0], SiblingProgram(Argv[0], "varnell-cli").c_str());
    return 1;
  }
  TVarnellApplication Application(Argc, Argv);
  // Qt has taken its own options out of the arguments; whatever is left is not for this program.
  if (Argc > 1) {
    std::fprintf(stderr, "varnell: unknown argument \"%s\" (see varnell --help)\n", Argv[1]);
    return 2;
  }
  ApplyLanguage(QString::fromStdString(Language));
  // Lets a Wayland desktop match the window to its menu entry and icon.
  QGuiApplication::setDesktopFileName(QStringLiteral("invalid.varnell.varnell"));
  // The font is set before any window (and so before the chart) is built.
  TfMain fMain(SystemSettingSources(), MakeTesterFactory());
  // A signal ends the program as closing its window does: the test stops, its files go.
  const TStopSignals Signals([&fMain] {
    if (fMain.close()) {
      // A settings window or a message box may still be open, each with its own loop.
      QApplication::closeAllWindows();
      QCoreApplication::quit();
    }
  });
  fMain.show();
  return Application.exec();
}
