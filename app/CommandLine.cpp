#include "app/CommandLine.h"

#include <cstdio>
#include <string>
#include <string_view>

#include "app/Commands.h"
#include "platform/RemoteService.h"

namespace {

void PrintUsage(std::FILE* out) {
  std::fputs("Usage: orvane [OPTION]\n"
             "Without an option, starts the player. With one, sends a command to the running\n"
             "player and ends.\n\n",
             out);
  for (const TCommandInfo& info : kCommands) {
    if (info.RemoteName != nullptr) std::fprintf(out, "  --%s\n", info.RemoteName);
  }
  std::fputs("  --help      show this text\n  --version   show the version\n", out);
}

int SendCommand(const char* name) {
  std::string error;
  switch (platform::SendRemoteCommand(name, &error)) {
    case platform::TRemoteResult::Sent: return 0;
    case platform::TRemoteResult::NoPlayer:
      std::fprintf(stderr, "orvane: --%s: %s\n", name, error.c_str());
      return 1;
    case platform::TRemoteResult::Refused: break;
  }
  std::fprintf(stderr, "orvane: --%s: the player refused it: %s\n", name, error.c_str());
  return 1;
}

}  // namespace

std::optional<int> RunCommandLine(int argc, char** argv) {
  if (argc < 2) return std::nullopt;
  const std::string_view option = argv[1];
  if (argc == 2 && (option == "--help" || option == "-h")) {
    PrintUsage(stdout);
    return 0;
  }
  if (argc == 2 && option == "--version") {
    std::printf("orvane %s\n", ORVANE_VERSION);
    return 0;
  }
  const TCommandInfo* command =
      option.starts_with("--") ? CommandOfRemoteName(option.substr(2)) : nullptr;
  if (argc > 2 || command == nullptr) {
    std::fprintf(stderr, "orvane: unknown option: %s\n", argc > 2 ? argv[2] : argv[1]);
    PrintUsage(stderr);
    return 2;
  }
  return SendCommand(command->RemoteName);
}
