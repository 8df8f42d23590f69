#include "app/Commands.h"

#include "engine/VideoGate1000.h"

namespace {

constexpr bool SameText(const char* a, const char* b) {
  return a != nullptr && b != nullptr && std::string_view(a) == b;
}

// A row out of place, or a name or hotkey number given twice, would run the wrong command or
// write one key over another without any error at run time: the build stops instead.
constexpr bool TableConsistent() {
  if (kCommands.size() != static_cast<size_t>(TCommand::PlayPause) + 1) return false;
  int hotkeys = 0;
  for (size_t i = 0; i < kCommands.size(); ++i) {
    const TCommandInfo& row = kCommands[i];
    if (static_cast<size_t>(row.Command) != i) return false;
    if (row.Hotkey.Id >= 0) {
      ++hotkeys;
      if (row.Hotkey.Id >= kHotkeyCount || row.Hotkey.Key == nullptr) return false;
    }
    for (size_t j = i + 1; j < kCommands.size(); ++j) {
      const TCommandInfo& other = kCommands[j];
      if (SameText(row.ActionName, other.ActionName) ||
          SameText(row.RemoteName, other.RemoteName) ||
          SameText(row.Hotkey.Key, other.Hotkey.Key)) {
        return false;
      }
      if (row.Hotkey.Id >= 0 && row.Hotkey.Id == other.Hotkey.Id) return false;
    }
  }
  return hotkeys == kHotkeyCount;
}

static_assert(TableConsistent(), "command table: rows out of order, or a name or number twice");

}  // namespace

void UseVideoGate(TVideoGate1000& engine, bool on) {
  engine.SetVideoGateVideo(on);
  engine.SetVideoGateAudio(on);
}
