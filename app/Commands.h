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

struct TCommandInfo {
  TCommand Command;
  const char* ActionName;     // the action's object name; nullptr for a remote-only command
  const char* Caption;        // the action's caption, as menus show it
  const char* ButtonCaption;  // the tool bar's caption, "&" before its accelerator; nullptr:
                              // the caption
  const char* Hint;           // nullptr for none
  int ImageIndex;             // in the window's ImageListAction; -1 for none
  bool Checkable;             // checks and unchecks itself when run
  int SeekSeconds;            // the jump of a seek action (its tag); 0 for other commands
  // The global hotkey: its number (the identity given to the system), its key in "ShortCut"
  // and the key name used when the file has none. -1 and nullptr for no hotkey.
  int HotkeyId;
  const char* ShortCutKey;
  const char* DefaultKey;
  // The name a remote control sends; nullptr for none. "play" starts the selected file, or
  // resumes when paused; "pause" pauses a playing file (the action toggles).
  const char* RemoteName;
};

// Rows in TCommand order. The hotkey rows come in the order the settings file holds them:
// "NextFld" is hotkey 3 though it follows "PrevFld", which is hotkey 4.
inline constexpr std::array<TCommandInfo, 24> kCommands = {{
    // clang-format off
    // command                 action name            caption         button         hint  image check seek  hotkey key        default  remote
    {TCommand::Play,           "ActionPlay",          "Play",         "&Play",       nullptr, 0, false, 0,   -1, nullptr,   nullptr, "play"},
    {TCommand::Stop,           "ActionStop",          "Stop",         "&Stop",       nullptr, 1, false, 0,   -1, nullptr,   nullptr, "stop"},
    {TCommand::Pause,          "ActionPause",         "Pause",        "P&ause",      nullptr, 4, true,  0,    0, "Pause",   "End",   "pause"},
    {TCommand::Prev,           "ActionPrev",          "Prev",         "P&rev",       nullptr, 2, false, 0,    1, "Prev",    "Left",  "previous"},
    {TCommand::Next,           "ActionNext",          "Next",         "&Next",       nullptr, 3, false, 0,    2, "Next",    "Right", "next"},
    {TCommand::PrevFolder,     "ActionPrevFolder",    "PrevFolder",   nullptr,       nullptr, -1, false, 0,   4, "PrevFld", "Up",    "previous-folder"},
    {TCommand::NextFolder,     "ActionNextFolder",    "NextFolder",   nullptr,       nullptr, -1, false, 0,   3, "NextFld", "Down",  "next-folder"},
    {TCommand::AutoNextFolder, "ActionAutoNextFolder", "AutoNextFolder", nullptr,    nullptr, -1, true,  0,  -1, nullptr,   nullptr, nullptr},
    {TCommand::SelectPath,     "ActionSelectPath",    "SelectPath",   "S&electPath", nullptr, -1, false, 0,  -1, nullptr,   nullptr, nullptr},
    {TCommand::UseVideoGate,   "ActionUseVideoGate",  "VideoGate1000", nullptr, "VideoGate1000を使用する", -1, true, 0, -1, nullptr, nullptr, nullptr},
    {TCommand::Minus15,        "ActionMinus15",       "-15",          "-&15",        nullptr, -1, false, -15, -1, nullptr,  nullptr, nullptr},
    {TCommand::Minus5,         "ActionMinus5",        "-5",           "-&5",         nullptr, -1, false, -5,  -1, nullptr,  nullptr, nullptr},
    {TCommand::Plus5,          "ActionPlus5",         "+5",           nullptr,       nullptr, -1, false, 5,   -1, nullptr,  nullptr, nullptr},
    {TCommand::Plus15,         "ActionPlus15",        "+15",          nullptr,       nullptr, -1, false, 15,  -1, nullptr,  nullptr, nullptr},
    {TCommand::Plus30,         "ActionPlus30",        "+30",          "+&30",        nullptr, -1, false, 30,  -1, nullptr,  nullptr, nullptr},
    {TCommand::Plus45,         "ActionPlus45",        "+45",          "+&45",        nullptr, -1, false, 45,  -1, nullptr,  nullptr, nullptr},
    {TCommand::Plus60,         "ActionPlus60",        "+60",          "+&60",        nullptr, -1, false, 60,  -1, nullptr,  nullptr, nullptr},
    {TCommand::Plus75,         "ActionPlus75",        "+75",          "+&75",        nullptr, -1, false, 75,  -1, nullptr,  nullptr, nullptr},
    {TCommand::Plus90,         "ActionPlus90",        "+90",          "+&90",        nullptr, -1, false, 90,  -1, nullptr,  nullptr, nullptr},
    {TCommand::Show,           "ActionShow",          "Show",         nullptr,       nullptr, -1, false, 0,   -1, nullptr,  nullptr, "show"},
    {TCommand::Hide,           "ActionHide",          "Hide",         "H&ide",       nullptr, -1, false, 0,   -1, nullptr,  nullptr, "hide"},
    {TCommand::FlipVisible,    "ActionFlipVisible",   "FlipVisible",  nullptr,       nullptr, -1, false, 0,    5, "Visible", "Home", "toggle-window"},
    {TCommand::Exit,           "ActionExit",          "Exit",         nullptr,       nullptr, -1, false, 0,   -1, nullptr,  nullptr, "quit"},
    {TCommand::PlayPause,      nullptr,               nullptr,        nullptr,       nullptr, -1, false, 0,   -1, nullptr,  nullptr, "play-pause"},
    // clang-format on
}};

inline constexpr int kHotkeyCount = 6;  // numbers 0 to 5

// Tool bar, left to right, and pop-up menu, top to bottom; nullopt is a separator.
using TCommandLayout = std::optional<TCommand>;
inline constexpr std::array<TCommandLayout, 23> kToolBar = {
    TCommand::Play,       TCommand::Stop,       TCommand::Pause,          TCommand::Prev,
    TCommand::Next,       std::nullopt,         TCommand::PrevFolder,     TCommand::NextFolder,
    TCommand::AutoNextFolder, TCommand::SelectPath, std::nullopt,         TCommand::UseVideoGate,
    std::nullopt,         TCommand::Minus15,    TCommand::Minus5,         TCommand::Plus5,
    TCommand::Plus15,     TCommand::Plus30,     TCommand::Plus45,         TCommand::Plus60,
    TCommand::Plus75,     TCommand::Plus90,     TCommand::Hide};
inline constexpr std::array<TCommandLayout, 12> kPopupMenu = {
    TCommand::Exit, std::nullopt,    TCommand::SelectPath, std::nullopt,
    TCommand::Play, TCommand::Stop,  TCommand::Pause,      TCommand::Prev,
    TCommand::Next, std::nullopt,    TCommand::Show,       TCommand::Hide};

constexpr const TCommandInfo& CommandInfo(TCommand command) {
  return kCommands[static_cast<size_t>(command)];
}

// The command of a hotkey number or of a remote control's name; nullptr for none.
constexpr const TCommandInfo* CommandOfHotkey(int id) {
  for (const TCommandInfo& info : kCommands) {
    if (info.HotkeyId >= 0 && info.HotkeyId == id) return &info;
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
