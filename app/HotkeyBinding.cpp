#include "app/HotkeyBinding.h"

#include <string_view>

#include "app/Commands.h"
#include "platform/Hotkeys.h"

namespace {

// The sentence of each hotkey's command, by its remote name.
const char* Description(std::string_view remoteName) {
  if (remoteName == "pause") return "Pause or resume playback";
  if (remoteName == "previous") return "Play the previous file";
  if (remoteName == "next") return "Play the next file";
  if (remoteName == "previous-folder") return "Play the previous folder";
  if (remoteName == "next-folder") return "Play the next folder";
  if (remoteName == "toggle-window") return "Show or hide the Orvane window";
  return "Orvane command";
}

}  // namespace

bool RegisterCommandHotkey(QWidget* window, int id, unsigned modifiers, unsigned vk) {
  const TCommandInfo* info = CommandOfHotkey(id);
  const char* settingKey = info ? info->Hotkey.Key : "?";
  if (info != nullptr && info->RemoteName != nullptr) {
    platform::SetHotKeyPurpose(id, {info->RemoteName, Description(info->RemoteName), settingKey});
  }
  if (platform::RegisterHotKey(window, id, modifiers, vk)) return true;
  platform::ReportHotKeyFailure(settingKey, modifiers, vk, platform::HotKeyError());
  return false;
}
