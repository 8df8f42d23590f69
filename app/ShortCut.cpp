#include "app/ShortCut.h"

#include "platform/CodePage.h"
#include "platform/Hotkeys.h"

namespace {

using namespace platform;

// The names of the keys that have one of their own; digits, letters and F1-F24 are computed.
// Keys beyond the settings' list carry the names a US keyboard layout gives them.
struct TKeyName {
  unsigned Vk;
  const char* Name;
};
constexpr TKeyName kKeyNames[] = {
    {VK_BACK, "BkSp"},    {VK_TAB, "Tab"},         {VK_RETURN, "Enter"},    {VK_ESCAPE, "Esc"},
    {VK_SPACE, "Space"},  {VK_PRIOR, "PgUp"},      {VK_NEXT, "PgDn"},       {VK_END, "End"},
    {VK_HOME, "Home"},    {VK_LEFT, "Left"},       {VK_UP, "Up"},           {VK_RIGHT, "Right"},
    {VK_DOWN, "Down"},    {VK_INSERT, "Ins"},      {VK_DELETE, "Del"},      {0x13, "Pause"},
    {0x14, "Caps Lock"},  {0x2C, "Print Screen"},  {0x60, "Num 0"},         {0x61, "Num 1"},
    {0x62, "Num 2"},      {0x63, "Num 3"},         {0x64, "Num 4"},         {0x65, "Num 5"},
    {0x66, "Num 6"},      {0x67, "Num 7"},         {0x68, "Num 8"},         {0x69, "Num 9"},
    {0x6A, "Num *"},      {0x6B, "Num +"},         {0x6D, "Num -"},         {0x6E, "Num Del"},
    {0x6F, "Num /"},      {0x90, "Num Lock"},      {0x91, "Scroll Lock"},   {0xBA, ";"},
    {0xBB, "="},          {0xBC, ","},             {0xBD, "-"},             {0xBE, "."},
    {0xBF, "/"},          {0xC0, "`"},             {0xDB, "["},             {0xDC, "\\"},
    {0xDD, "]"},          {0xDE, "'"},
};

std::string KeyName(unsigned vk) {
  if (vk >= '0' && vk <= '9') return std::string(1, static_cast<char>(vk));
  if (vk >= 'A' && vk <= 'Z') return std::string(1, static_cast<char>(vk));
  if (vk >= VK_F1 && vk <= VK_F24) return "F" + std::to_string(vk - VK_F1 + 1);
  for (const TKeyName& key : kKeyNames) {
    if (key.Vk == vk) return key.Name;
  }
  return {};
}

// Removes prefix from text when text starts with it (letter case ignored).
bool TakePrefix(std::string_view& text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  if (!AnsiSameText(text.substr(0, prefix.size()), prefix)) return false;
  text.remove_prefix(prefix.size());
  return true;
}

}  // namespace

std::string ShortCutToText(TShortCut shortCut) {
  const std::string name = KeyName(shortCut & scKeyMask);
  if (name.empty()) return {};
  std::string text;
  if (shortCut & scShift) text += "Shift+";
  if (shortCut & scCtrl) text += "Ctrl+";
  if (shortCut & scAlt) text += "Alt+";
  return text + name;
}

TShortCut TextToShortCut(std::string_view text) {
  TShortCut modifiers = 0;
  for (;;) {
    if (TakePrefix(text, "Shift+")) modifiers |= scShift;
    else if (TakePrefix(text, "Ctrl+") || TakePrefix(text, "^")) modifiers |= scCtrl;
    else if (TakePrefix(text, "Alt+")) modifiers |= scAlt;
    else break;
  }
  // The key is whichever code writes the same name, so reading accepts exactly what is written.
  for (unsigned vk = 0x08; vk <= 0xFF; ++vk) {
    const std::string name = KeyName(vk);
    if (!name.empty() && AnsiSameText(text, name)) return static_cast<TShortCut>(vk | modifiers);
  }
  return 0;
}
