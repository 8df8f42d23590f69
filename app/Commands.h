#pragma once
// The player's commands in one table, and the settings file's section and key names: the
// actions, the tool bar, the pop-up menu, the hotkeys, the settings and the remote controls
// (the desktop's media-player service, a command line) all read them here, so a command or a
// hotkey is added in one place.

#include <array>
#include <optional>
#include <string_view>

class TVideoGate1000;

// Sections and keys of the settings file, each key in its section.
namespace ini {
inline constexpr const char* kMain = "Main";
inline constexpr const char* kPath = "Path";
inline constexpr const char* kPlayPath = "PlayPath";
inline constexpr const char* kPlayFile = "PlayFile";
inline constexpr const char* kPlaying = "Playing";
inline constexpr const char* kPlayPos = "PlayPos";
inline constexpr const char* kMask = "Mask";

inline constexpr const char* kPlay = "Play";
inline constexpr const char* kUseVideoGate1000 = "UseVideoGate1000";
inline constexpr const char* kAutoNextFolder = "AutoNextFolder";
inline constexpr const char* kGapless = "Gapless";
inline constexpr const char* kFilter = "Filter";
inline constexpr const char* kPlayableExtensions = "PlayableExtensions";

// Besides "Enable", the hotkeys' keys, which the command table holds.
inline constexpr const char* kShortCut = "ShortCut";
inline constexpr const char* kEnable = "Enable";

// The main window's placement: the section is named after the window's class. The keys in the
// order they are written.
inline constexpr const char* kPlacement = "TfrmMain";
inline constexpr std::array<const char*, 10> kPlaceKeys = {
    "PlaceFlags",          "PlaceShowCmd",       "PlaceMinPos.X",        "PlaceMinPos.Y",
    "PlaceMaxPos.X",       "PlaceMaxPos.Y",      "PlaceNormalPos.Left",  "PlaceNormalPos.Top",
    "PlaceNormalPos.Right", "PlaceNormalPos.Bottom"};
}  // namespace ini

// Every command, in the order of the table's rows.
enum class TCommand {
  Play,
  Stop,
  Pause,
  Prev,
  Next,
  PrevFolder,
  NextFolder,
  AutoNextFolder,
  SelectPath,
  UseVideoGate,
  Minus15,
  Minus5,
  Plus5,
  Plus15,
  Plus30,
  Plus45,
  Plus60,
  Plus75,
  Plus90,
  Show,
  Hide,
  FlipVisible,
  Exit,
  PlayPause,  // remote controls only: start, or pause and resume; no action of the window
};

// A global hotkey: its number (the identity given to the system), its key in "ShortCut" and
// the key name used when the file has none.
struct THotkeyInfo {
  int Id = -1;  // -1: the command has no hotkey
  const char* Key = nullptr;
  const char* DefaultKey = nullptr;
};

struct TCommandInfo {
  TCommand Command;
  const char* ActionName;     // the action's object name; nullptr for a remote-only command
  const char* Caption;        // the action's caption, as menus show it
  const char* ButtonCaption;  // on the tool bar, "&" before its accelerator; nullptr: Caption
  int ImageIndex;             // in the window's ImageListAction; -1 for none
  bool Checkable;             // checks and unchecks itself when run
  int SeekSeconds;            // the jump of a seek action (its tag); 0 for other commands
  // The name a remote control sends; nullptr for none. "play" starts the selected file, or
  // resumes when paused; "pause" pauses a playing file (the action toggles).
  const char* RemoteName = nullptr;
  THotkeyInfo Hotkey = {};
  const char* Hint = nullptr;
};

// Rows in TCommand order: command, action name, caption, button caption, image, checkable,
// seek seconds, remote name, hotkey, hint. The hotkey rows come in the order the settings file
// holds them: "NextFld" is hotkey 3 though it follows "PrevFld", which is hotkey 4.
inline constexpr auto kCommands = std::to_array<TCommandInfo>({
    {TCommand::Play, "ActionPlay", "Play", "&Play", 0, false, 0, "play"},
    {TCommand::Stop, "ActionStop", "Stop", "&Stop", 1, false, 0, "stop"},
    {TCommand::Pause, "ActionPause", "Pause", "P&ause", 4, true, 0, "pause", {0, "Pause", "End"}},
    {TCommand::Prev, "ActionPrev", "Prev", "P&rev", 2, false, 0, "previous", {1, "Prev", "Left"}},
    {TCommand::Next, "ActionNext", "Next", "&Next", 3, false, 0, "next", {2, "Next", "Right"}},
    {TCommand::PrevFolder, "ActionPrevFolder", "PrevFolder", nullptr, -1, false, 0,
     "previous-folder", {4, "PrevFld", "Up"}},
    {TCommand::NextFolder, "ActionNextFolder", "NextFolder", nullptr, -1, false, 0,
     "next-folder", {3, "NextFld", "Down"}},
    {TCommand::AutoNextFolder, "ActionAutoNextFolder", "AutoNextFolder", nullptr, -1, true, 0},
    {TCommand::SelectPath, "ActionSelectPath", "SelectPath", "S&electPath", -1, false, 0},
    {TCommand::UseVideoGate, "ActionUseVideoGate", "VideoGate1000", nullptr, -1, true, 0, nullptr,
     {}, "VideoGate1000を使用する"},
    {TCommand::Minus15, "ActionMinus15", "-15", "-&15", -1, false, -15},
    {TCommand::Minus5, "ActionMinus5", "-5", "-&5", -1, false, -5},
    {TCommand::Plus5, "ActionPlus5", "+5", nullptr, -1, false, 5},
    {TCommand::Plus15, "ActionPlus15", "+15", nullptr, -1, false, 15},
    {TCommand::Plus30, "ActionPlus30", "+30", "+&30", -1, false, 30},
    {TCommand::Plus45, "ActionPlus45", "+45", "+&45", -1, false, 45},
    {TCommand::Plus60, "ActionPlus60", "+60", "+&60", -1, false, 60},
    {TCommand::Plus75, "ActionPlus75", "+75", "+&75", -1, false, 75},
    {TCommand::Plus90, "ActionPlus90", "+90", "+&90", -1, false, 90},
    {TCommand::Show, "ActionShow", "Show", nullptr, -1, false, 0, "show"},
    {TCommand::Hide, "ActionHide", "Hide", "H&ide", -1, false, 0, "hide"},
    {TCommand::FlipVisible, "ActionFlipVisible", "FlipVisible", nullptr, -1, false, 0,
     "toggle-window", {5, "Visible", "Home"}},
    {TCommand::Exit, "ActionExit", "Exit", nullptr, -1, false, 0, "quit"},
    {TCommand::PlayPause, nullptr, nullptr, nullptr, -1, false, 0, "play-pause"},
});

inline constexpr int kHotkeyCount = 6;  // numbers 0 to 5

// Tool bar, left to right, and pop-up menu, top to bottom; nullopt is a separator.
using TCommandLayout = std::optional<TCommand>;
inline constexpr auto kToolBar = std::to_array<TCommandLayout>({
    TCommand::Play,       TCommand::Stop,    TCommand::Pause,          TCommand::Prev,
    TCommand::Next,       std::nullopt,      TCommand::PrevFolder,     TCommand::NextFolder,
    TCommand::AutoNextFolder,                TCommand::SelectPath,     std::nullopt,
    TCommand::UseVideoGate,                  std::nullopt,             TCommand::Minus15,
    TCommand::Minus5,     TCommand::Plus5,   TCommand::Plus15,         TCommand::Plus30,
    TCommand::Plus45,     TCommand::Plus60,  TCommand::Plus75,         TCommand::Plus90,
    TCommand::Hide});
inline constexpr auto kPopupMenu = std::to_array<TCommandLayout>({
    TCommand::Exit, std::nullopt,   TCommand::SelectPath, std::nullopt,
    TCommand::Play, TCommand::Stop, TCommand::Pause,      TCommand::Prev,
    TCommand::Next, std::nullopt,   TCommand::Show,       TCommand::Hide});

constexpr const TCommandInfo& CommandInfo(TCommand command) {
  return kCommands[static_cast<size_t>(command)];
}

// The command of a hotkey number or of a remote control's name; nullptr for none.
constexpr const TCommandInfo* CommandOfHotkey(int id) {
  for (const TCommandInfo& info : kCommands) {
    if (info.Hotkey.Id >= 0 && info.Hotkey.Id == id) return &info;
  }
  return nullptr;
}

constexpr const TCommandInfo* CommandOfRemoteName(std::string_view name) {
  for (const TCommandInfo& info : kCommands) {
    if (info.RemoteName != nullptr && name == info.RemoteName) return &info;
  }
  return nullptr;
}

// The VideoGate1000 switch: the device takes the picture and the sound together, from the
// engine's next file on.
void UseVideoGate(TVideoGate1000& engine, bool on);
