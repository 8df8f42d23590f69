#include "desktop/Winplace.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>

#include "platform/Profile.h"
#include "platform/UserFolders.h"
#include "platform/WindowPlacement.h"

namespace {

std::string& IniFileNameOverride() {
  static std::string name;
  return name;
}

std::string ClassName(const QWidget* window) { return window->metaObject()->className(); }

using WP = platform::WINDOWPLACEMENT;

// The ten keys with the fields they hold, in the order they are read and written.
std::array<std::pair<const char*, int32_t*>, 10> PlaceKeys(WP& p) {
  return {{{"PlaceFlags", &p.flags},
           {"PlaceShowCmd", &p.showCmd},
           {"PlaceMinPos.X", &p.ptMinPosition.x},
           {"PlaceMinPos.Y", &p.ptMinPosition.y},
           {"PlaceMaxPos.X", &p.ptMaxPosition.x},
           {"PlaceMaxPos.Y", &p.ptMaxPosition.y},
           {"PlaceNormalPos.Left", &p.rcNormalPosition.left},
           {"PlaceNormalPos.Top", &p.rcNormalPosition.top},
           {"PlaceNormalPos.Right", &p.rcNormalPosition.right},
           {"PlaceNormalPos.Bottom", &p.rcNormalPosition.bottom}}};
}

// Whether the window can take the saved normal rectangle: at least its minimum size (anything
// smaller is the remains of a broken save, such as a window measured while it was unframed) and
// shown, at least in part, on one of the screens. 64-bit sums: the file may hold any integers.
bool Usable(const WP::Rect& r, const QWidget* window) {
  const QSize minimum = window->minimumSize().expandedTo(window->minimumSizeHint());
  if (int64_t{r.right} - r.left < std::max(1, minimum.width()) ||
      int64_t{r.bottom} - r.top < std::max(1, minimum.height())) {
    return false;
  }
  for (const QScreen* screen : QGuiApplication::screens()) {
    const QRect s = screen->geometry();
    if (r.left < int64_t{s.left()} + s.width() && r.right > s.left() &&
        r.top < int64_t{s.top()} + s.height() && r.bottom > s.top()) {
      return true;
    }
  }
  return false;
}

}  // namespace

std::string IniFileNameFor(const std::string& exeName) {
  const size_t slash = exeName.rfind('/');
  const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  const size_t dot = exeName.rfind('.');
  // A leading dot names a hidden file; it is no extension.
  if (dot == std::string::npos || dot <= nameStart) return exeName + ".ini";
  return exeName.substr(0, dot) + ".ini";
}

std::string SettingsFileNameFor(const std::string& exeName) {
  const size_t slash = exeName.rfind('/');
  const std::string exeFolder = slash == std::string::npos ? "." : exeName.substr(0, slash + 1);
  if (platform::IsFolderWritable(exeFolder)) return IniFileNameFor(exeName);
  const std::string config = platform::UserConfigFolder();
  // Nowhere else to go: beside the executable, where saving reports that it cannot write.
  if (config.empty()) return IniFileNameFor(exeName);
  const std::string folder = config + "orvane/";
  // Made now, so that the first save, which replaces the file through a copy beside it, can.
  platform::ForceFolders(folder);
  return folder + "orvane.ini";
}

std::string ApplicationIniFileName() {
  if (!IniFileNameOverride().empty()) return IniFileNameOverride();
  return SettingsFileNameFor(QCoreApplication::applicationFilePath().toStdString());
}

void SetApplicationIniFileName(std::string fileName) { IniFileNameOverride() = std::move(fileName); }

void LoadPlacement(QWidget* window) { LoadPlacement(window, ClassName(window)); }

void LoadPlacement(QWidget* window, const std::string& section) {
  const platform::TIniFile ini(ApplicationIniFileName());
  WP placement;
  platform::GetWindowPlacement(window, &placement);
  const WP::Rect present = placement.rcNormalPosition;
  for (auto [key, field] : PlaceKeys(placement)) *field = ini.ReadInteger(section, key, *field);
  // The original platform brings such a window back onto a screen; here it keeps the place it
  // has, the default one at a start. A place kept is not set again: set as a rectangle it would
  // become the client's position, while the form's default position is its frame's.
  const WP::Rect& r = placement.rcNormalPosition;
  const bool keepPlace = !Usable(r, window) || (r.left == present.left && r.top == present.top &&
                                                r.right == present.right &&
                                                r.bottom == present.bottom);
  if (keepPlace && placement.showCmd == platform::SW_SHOWNORMAL) return;
  if (keepPlace) placement.rcNormalPosition = present;
  platform::SetWindowPlacement(window, &placement);
}

void SavePlacement(QWidget* window) { SavePlacement(window, ClassName(window)); }

void SavePlacement(QWidget* window, const std::string& section) {
  platform::TIniFile ini(ApplicationIniFileName());
  WP placement;
  platform::GetWindowPlacement(window, &placement);
  for (auto [key, field] : PlaceKeys(placement)) ini.WriteInteger(section, key, *field);
}
