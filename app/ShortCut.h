#pragma once
// Shortcut codes and their texts, as the settings file keeps the hotkeys: a 16-bit code whose low
// 13 bits are a virtual-key code, with 0x2000 Shift, 0x4000 Ctrl and 0x8000 Alt; written as
// "Shift+Ctrl+Alt+<key name>", read with the prefixes in any order and any letter case.

#include <cstdint>
#include <string>
#include <string_view>

using TShortCut = uint16_t;

constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;
constexpr TShortCut scKeyMask = 0x1FFF;

// "" for 0 and for a key that has no name.
std::string ShortCutToText(TShortCut shortCut);
// 0 when the text does not name a key ("", "Ctrl+", "Foo").
TShortCut TextToShortCut(std::string_view text);
