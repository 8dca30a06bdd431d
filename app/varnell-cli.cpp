#include <cstdio>
#include <string>
#include <vector>

#include "cli/Cli.Run.h"
#include "platform/Platform.Terminal.h"

int main(int argc, char** argv) {
  Platform::PrepareConsole();
  const std::vector<std::string> Arguments = Platform::ProgramArguments(argc, argv);
  return RunCli(Arguments, stdout, stderr);
}
