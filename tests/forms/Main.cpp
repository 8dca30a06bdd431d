#include <gtest/gtest.h>

#include "forms/Varnell.Application.h"
#include "tests/forms/Forms.Fixtures.h"

// Qt Charts itself never frees some of a chart's title and label items (a bare chart view
// shows it too); the leak checker is told so, and still sees every other leak.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libQt6Charts.so\n";
}

// Qt's libraries are not built for the thread checker: it cannot see how their queues and
// caches synchronise, so only races in this project's code are reported.
extern "C" const char* __tsan_default_options() {
  return "ignore_noninstrumented_modules=1";
}

int main(int Argc, char** Argv) {
  testing::InitGoogleTest(&Argc, Argv);
  // Also when run by hand or listed by ctest, which does not pass the tests' environment.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  TVarnellApplication Application(Argc, Argv);
  Application.ErrorReport = [](const QString& Text) { ReportedErrors().push_back(Text); };
  return RUN_ALL_TESTS();
}
