#include "orvane-tags_options.h"

#include <string_view>

const char UsageLine[] = "usage: orvane-tags [-p LIST] [--json] [--] FILE...\n";

const char HelpText[] =
    "usage: orvane-tags [OPTION]... [--] FILE...\n"
    "Prints what the Orvane player reads from each FILE: the reader that accepted it, the\n"
    "title and artist the play list shows, and every property the reader publishes (a tag\n"
    "object's as ID3v2.Title=...). Text is UTF-8; a block of lines per file, then a blank line.\n"
    "\n"
    "  -p, --properties LIST  only these properties, comma-separated, in the order given:\n"
    "                         Title and Artist as the player finds them (the reader, then its\n"
    "                         ID3v2, ID3v1 and APE tags), other names from the reader (Duration,\n"
    "                         BitRate) or from one of its objects (ID3v2.Year, VBR.Frames);\n"
    "                         a name that nothing publishes prints an empty value\n"
    "      --json             one JSON array with an object per file: \"file\", \"reader\", then\n"
    "                         the properties as numbers, booleans and strings, tag objects and\n"
    "                         records nested\n"
    "      --help             this text\n"
    "      --version          the program's version\n"
    "      --                 ends the options; every argument after it is a file\n"
    "\n"
    "Exit status: 0 when a reader accepted every file, 1 when one did not, 2 for a usage error.\n";

namespace {

// "Title,Artist" gives both names; empty names (",," or a trailing comma) are dropped.
std::vector<std::string> SplitList(std::string_view list) {
  std::vector<std::string> names;
  while (!list.empty()) {
    const size_t comma = list.find(',');
    const std::string_view name = list.substr(0, comma);
    if (!name.empty()) names.emplace_back(name);
    if (comma == std::string_view::npos) break;
    list.remove_prefix(comma + 1);
  }
  return names;
}

TParsedCommandLine Usage(std::string error) {
  TParsedCommandLine parsed;
  parsed.Action = TToolAction::Usage;
  parsed.Error = std::move(error);
  return parsed;
}

}  // namespace

TParsedCommandLine ParseCommandLine(int argc, const char* const* argv) {
  TParsedCommandLine parsed;
  TToolOptions& options = parsed.Options;
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    // A lone "-" is a file name, as is everything after "--".
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      options.Files.emplace_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "--help" || arg == "-h") {
      parsed.Action = TToolAction::Help;
      return parsed;
    } else if (arg == "--version") {
      parsed.Action = TToolAction::Version;
      return parsed;
    } else if (arg == "--json") {
      options.Json = true;
    } else if (arg == "-p" || arg == "--properties") {
      if (i + 1 >= argc) return Usage("orvane-tags: " + std::string(arg) + " needs a LIST");
      options.PropertiesGiven = true;
      options.Properties = SplitList(argv[++i]);
    } else if (arg.starts_with("--properties=")) {
      options.PropertiesGiven = true;
      options.Properties = SplitList(arg.substr(std::string_view("--properties=").size()));
    } else if (arg.starts_with("-p")) {  // -pTitle,Artist
      options.PropertiesGiven = true;
      options.Properties = SplitList(arg.substr(2));
    } else {
      return Usage("orvane-tags: unknown option " + std::string(arg));
    }
  }
  if (options.Files.empty()) return Usage("");
  return parsed;
}
