#pragma once

#include <CLI/CLI.hpp>

#include <string>

// The help of one command in the layout of a Unix tool: the usage line first, then what the
// command does, its arguments and options ("-l, --leave AMOUNT", long-only options indented
// under the long names), its subcommands and the footer. Each command gets its own formatter
// with the operands its usage line shows ("FOLDER", "FILE..."); CLI11 2.1 has no setting for
// that line.
class TCliHelpFormatter final : public CLI::Formatter {
 public:
  explicit TCliHelpFormatter(std::string Operands);

  std::string make_help(const CLI::App* App, std::string Name,
                        CLI::AppFormatMode Mode) const override;
  std::string make_usage(const CLI::App* App, std::string Name) const override;
  std::string make_option_name(const CLI::Option* Option, bool IsPositional) const override;
  std::string make_option_opts(const CLI::Option* Option) const override;

 private:
  std::string FOperands;
};
