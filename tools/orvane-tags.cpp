// orvane-tags [OPTION]... FILE...: prints what the player reads from each file, one block of
// Name=value lines per file (or, with --json, one JSON array); see HelpText for the options.
// Exit status: 0 when every file was accepted, 1 when one was not, 2 for a usage error.

#include <cstdio>
#include <string>

#include "orvane-tags_options.h"
#include "orvane-tags_output.h"
#include "tags/sMediaTagReader.h"

namespace {

// Output is written in large pieces: thousands of files in one call print megabytes.
constexpr size_t kFlushBytes = 64 * 1024;

void Write(std::string& out) {
  std::fwrite(out.data(), 1, out.size(), stdout);
  out.clear();
}

int Run(const TToolOptions& options) {
  TsMediaTagReader reader;
  bool allAccepted = true;
  std::string out;
  if (options.Json) out += "[\n";
  for (size_t i = 0; i < options.Files.size(); ++i) {
    const std::string& file = options.Files[i];
    if (!reader.ReadTags(file)) allAccepted = false;
    if (options.Json) {
      AppendJsonObject(out, reader, file, options);
      out += i + 1 < options.Files.size() ? ",\n" : "\n";
    } else {
      AppendTextBlock(out, reader, file, options);
    }
    if (out.size() >= kFlushBytes) Write(out);
  }
  if (options.Json) out += "]\n";
  Write(out);
  std::fflush(stdout);
  return allAccepted ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const TParsedCommandLine parsed = ParseCommandLine(argc, argv);
  switch (parsed.Action) {
    case TToolAction::Help:
      std::fputs(HelpText, stdout);
      return 0;
    case TToolAction::Version:
      std::fputs("orvane-tags " ORVANE_VERSION "\n", stdout);
      return 0;
    case TToolAction::Usage:
      if (!parsed.Error.empty()) std::fprintf(stderr, "%s\n", parsed.Error.c_str());
      std::fputs(UsageLine, stderr);
      return 2;
    case TToolAction::Run:
      break;
  }
  return Run(parsed.Options);
}
