#include "app/DisplayPlatform.h"

#include <cstdio>
#include <cstdlib>

namespace {

bool IsSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

}  // namespace

bool ChooseDisplayPlatform() {
  if (IsSet("QT_QPA_PLATFORM")) return true;
  const bool x11 = IsSet("DISPLAY");
  if (x11 && IsSet("WAYLAND_DISPLAY")) setenv("QT_QPA_PLATFORM", "xcb", 1);
  if (x11 || IsSet("WAYLAND_DISPLAY")) return true;
  std::fputs("orvane: no display: neither DISPLAY nor WAYLAND_DISPLAY is set\n", stderr);
  return false;
}
