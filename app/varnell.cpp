// The GUI program: the main window, which opens the settings window once it is on screen.
#include <cstdio>
#include <cstdlib>

#include "forms/Forms.Main.h"
#include "forms/Setting.Sources.h"
#include "forms/Tester.Starter.h"
#include "forms/Varnell.Application.h"

namespace {

// Qt aborts without a display; say how to run the program instead.
bool HasDisplay() {
  const char* Platform = std::getenv("QT_QPA_PLATFORM");
  if (Platform != nullptr && *Platform != '\0') {
    return true;
  }
  const char* X11 = std::getenv("DISPLAY");
  const char* Wayland = std::getenv("WAYLAND_DISPLAY");
  return (X11 != nullptr && *X11 != '\0') || (Wayland != nullptr && *Wayland != '\0');
}

}  // namespace

int main(int Argc, char** Argv) {
  if (!HasDisplay()) {
    std::fputs(
        "No display found. Varnell is a windowed program; without a screen, either run it on\n"
        "a virtual one:\n"
        "  xvfb-run -a build/app/varnell\n"
        "or run the same test on the terminal:\n"
        "  build/app/varnell-cli --help\n",
        stderr);
    return 1;
  }
  TVarnellApplication Application(Argc, Argv);
  // The font is set before any window (and so before the chart) is built.
  TfMain fMain(SystemSettingSources(), MakeTesterFactory());
  fMain.show();
  return Application.exec();
}
