#include "cli/Cli.HelpFormatter.h"

#include <sstream>
#include <utility>

namespace {

// Descriptions start in this column, as in the help the program has always printed.
constexpr std::size_t DescriptionColumn = 27;

}  // namespace

TCliHelpFormatter::TCliHelpFormatter(std::string Operands) : FOperands(std::move(Operands)) {
  column_width(DescriptionColumn);
  label("Positionals", "Arguments");
}

std::string TCliHelpFormatter::make_help(const CLI::App* App, std::string Name,
                                         CLI::AppFormatMode Mode) const {
  if (Mode == CLI::AppFormatMode::Sub) {
    return make_expanded(App);
  }
  std::ostringstream Out;
  Out << make_usage(App, Name) << make_description(App) << make_positionals(App)
      << make_groups(App, Mode) << make_subcommands(App, Mode);
  const std::string Footer = make_footer(App);
  if (!Footer.empty()) {
    Out << '\n' << Footer;
  }
  return Out.str();
}

std::string TCliHelpFormatter::make_usage(const CLI::App*, std::string Name) const {
  // Name is the whole command: "varnell-cli", or "varnell-cli analyze" for a subcommand.
  std::string Usage = "Usage: " + Name + " [options]";
  if (!FOperands.empty()) {
    Usage += " " + FOperands;
  }
  return Usage + "\n";
}

std::string TCliHelpFormatter::make_option_name(const CLI::Option* Option,
                                                bool IsPositional) const {
  if (IsPositional) {
    return Option->get_name(true, false);
  }
  std::string Names;
  for (const std::string& Short : Option->get_snames()) {
    Names += "-" + Short + ", ";
  }
  if (Names.empty()) {
    Names = "    ";  // long names line up under those of options with a short name
  }
  bool First = true;
  for (const std::string& Long : Option->get_lnames()) {
    Names += (First ? "--" : ", --") + Long;
    First = false;
  }
  return Names;
}

std::string TCliHelpFormatter::make_option_opts(const CLI::Option* Option) const {
  // The value's name only ("AMOUNT", "FILE"): defaults and repetition are said in the text.
  if (Option->get_positional() || Option->get_expected_max() == 0) {
    return {};
  }
  return " " + Option->get_type_name();
}
