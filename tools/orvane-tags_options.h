#pragma once
// The command line of orvane-tags: options first (or anywhere before "--"), then files.

#include <string>
#include <vector>

struct TToolOptions {
  // Set by --properties: only these names, in this order. Unset: everything.
  bool PropertiesGiven = false;
  std::vector<std::string> Properties;
  bool Json = false;
  std::vector<std::string> Files;
};

// What the command line asks for. Usage carries the reason in Error.
enum class TToolAction {
  Run,      // read Files
  Help,     // print HelpText and end with 0
  Version,  // print the version and end with 0
  Usage,    // print Error and UsageLine on standard error and end with 2
};

struct TParsedCommandLine {
  TToolAction Action = TToolAction::Run;
  TToolOptions Options;
  std::string Error;  // "" when there is no more to say than the usage line
};

extern const char UsageLine[];
extern const char HelpText[];

TParsedCommandLine ParseCommandLine(int argc, const char* const* argv);
