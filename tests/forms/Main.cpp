#include <gtest/gtest.h>

#include "forms/Varnell.Application.h"
#include "tests/forms/Forms.Fixtures.h"

int main(int Argc, char** Argv) {
  testing::InitGoogleTest(&Argc, Argv);
  TVarnellApplication Application(Argc, Argv);
  Application.ErrorReport = [](const QString& Text) { ReportedErrors().push_back(Text); };
  return RUN_ALL_TESTS();
}
