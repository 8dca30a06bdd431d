// Lists the drives Varnell offers, with the disk under each: device, bus, size, temperature,
// vendor, model, serial and firmware, so that a user can check what the program will see on
// their machine. --json gives the same for programs.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>

#include "cli/Cli.HelpFormatter.h"
#include "device/Drive.Listing.h"
#include "platform/Platform.Terminal.h"
#include "text/Varnell.Identity.h"

int main(int argc, char** argv) {
  Platform::OpenMissingStandardDescriptors();
  Platform::PrepareConsole();
  CLI::App App(
      "Lists the drives Varnell offers (writable, fixed or removable), each with its mount\n"
      "point and the identity of the disk under it.",
      "varnell-drives");
  App.formatter(std::make_shared<TCliHelpFormatter>(""));
  bool Json = false;
  App.add_flag("--json", Json, "print JSON instead of a table");
  App.set_version_flag("--version",
                       std::string("varnell-drives ") + VarnellIdentity::ProductVersion,
                       "print the program's name and version and exit");
  App.set_help_flag("-h,--help", "print this help and exit");
  try {
    App.parse(argc, argv);
  } catch (const CLI::CallForHelp& Help) {
    std::fputs(App.help().c_str(), stdout);
    return 0;
  } catch (const CLI::CallForVersion&) {
    std::printf("varnell-drives %s\n", VarnellIdentity::ProductVersion);
    return 0;
  } catch (const CLI::ExtrasError& Error) {
    const std::vector<std::string> Extras = App.remaining();
    std::fprintf(stderr, "varnell-drives: unknown argument \"%s\" (see varnell-drives --help)\n",
                 Extras.empty() ? Error.what() : Extras.front().c_str());
    return 2;
  } catch (const CLI::ParseError& Error) {
    std::fprintf(stderr, "varnell-drives: %s (see varnell-drives --help)\n", Error.what());
    return 2;
  }

  const std::vector<TDriveListing> Drives = ListDrives();
  const std::string Text = Json ? DriveListingJson(Drives).dump(
                                      2, ' ', false, nlohmann::json::error_handler_t::replace) +
                                      "\n"
                                : DriveListingTable(Drives);
  std::fwrite(Text.data(), 1, Text.size(), stdout);
  return std::fflush(stdout) == 0 ? 0 : 1;
}
