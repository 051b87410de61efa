#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace fw {

// What the command line of the window program asks for: `fuellwerk [--version] [--help]
// [TABLE.dbf]`. The window system's own options are taken out before.
struct StartArguments {
  enum class Action { Run, Version, Help, Usage };
  Action Do = Action::Run;
  std::string Table;    // the table to open at start; empty: none
  std::string Message;  // for Usage: what is wrong (German)
};

// `arguments` without the program's name. "--" ends the options.
StartArguments ParseStartArguments(const std::vector<std::string>& arguments);

// Version or Help when the whole command line asks for one of them, else Run. These two are
// answered before the window system starts, so that they also work without a display.
StartArguments::Action EarlyAction(int argc, const char* const* argv);

// The text of --help.
extern const char* const kStartHelp;

}  // namespace fw
