// Lists the drives Varnell offers, with the disk under each: device, bus, size, temperature,
// vendor, model, serial and firmware, so that a user can check what the program will see on
// their machine. --json gives the same for programs.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>

#include "device/Drive.Listing.h"
#include "platform/Platform.Terminal.h"

int main(int argc, char** argv) {
  Platform::PrepareConsole();
  CLI::App App("Lists the drives Varnell can test and the disk under each.", "varnell-drives");
  bool Json = false;
  App.add_flag("--json", Json, "Print JSON instead of a table");
  CLI11_PARSE(App, argc, argv);

  const std::vector<TDriveListing> Drives = ListDrives();
  const std::string Text = Json ? DriveListingJson(Drives).dump(
                                      2, ' ', false, nlohmann::json::error_handler_t::replace) +
                                      "\n"
                                : DriveListingTable(Drives);
  std::fwrite(Text.data(), 1, Text.size(), stdout);
  return std::fflush(stdout) == 0 ? 0 : 1;
}
