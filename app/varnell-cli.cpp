#include <cstdio>
#include <string>
#include <vector>

#include "cli/Cli.Run.h"

int main(int argc, char** argv) {
  const std::vector<std::string> Arguments(argv + 1, argv + argc);
  return RunCli(Arguments, stdout, stderr);
}
