#pragma once
// Shared by the main-window tests: a private settings folder, a message-box recorder, a hotkey
// recorder and an engine on a media runtime that has no graph at all.

#include <QApplication>
#include <QMouseEvent>
#include <QProcess>
#include <QWidget>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "engine/VideoGate1000.h"
#include "platform/Hotkeys.h"
#include "platform/mediagraph/MediaGraph.h"
#include "platform/MessageBox.h"

namespace orvane_test {

// One QApplication for the whole binary (offscreen, set by the test's environment).
inline void EnsureApplication() {
  if (QCoreApplication::instance() == nullptr) {
    static int argc = 1;
    static char name[] = "app_tests";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
  }
}

// Keys pressed on the X display as a user would press them ("super+Home").
inline bool PressKeys(const QString& keys) {
  QProcess xdotool;
  xdotool.start("xdotool", {"key", keys});
  return xdotool.waitForFinished(10000) && xdotool.exitCode() == 0;
}

// A double-click of the left button at a point of the widget: press, release, double-click,
// release, what the window system delivers for one.
inline void DoubleClick(QWidget* on, QPoint at) {
  for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                            QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, at, on->mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
    QCoreApplication::sendEvent(on, &event);
  }
}

// A unique folder, removed with everything in it at the end of the test.
class TTempDir {
 public:
  TTempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "orvane-app-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    Path_ = pattern;
  }
  ~TTempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(Path_, ignored);
  }
  const std::string& Path() const { return Path_; }
  std::string File(const std::string& name) const { return Path_ + "/" + name; }

 private:
  std::string Path_;
};

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

inline void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// (section, key, value) of every key line, in file order.
using TIniEntries = std::vector<std::tuple<std::string, std::string, std::string>>;
inline TIniEntries ParseIni(const std::string& text) {
  TIniEntries entries;
  std::istringstream lines(text);
  std::string line, section;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[' && line.find(']') != std::string::npos) {
      section = line.substr(1, line.find(']') - 1);
    } else if (line.find('=') != std::string::npos) {
      entries.emplace_back(section, line.substr(0, line.find('=')),
                           line.substr(line.find('=') + 1));
    }
  }
  return entries;
}

struct TMessageRecord {
  std::string Text;
  std::string Caption;
};

// Records message boxes for the life of the object, answering OK.
class TMessageRecorder {
 public:
  TMessageRecorder() {
    Previous_ = platform::SetMessageBoxShower(
        [this](const std::string& text, const std::string& caption, unsigned) {
          Messages.push_back({text, caption});
          return platform::IDOK;
        });
  }
  ~TMessageRecorder() { platform::SetMessageBoxShower(Previous_); }
  // The boxes other than the engine's own reports (caption "Error") about its missing graph.
  std::vector<TMessageRecord> ApplicationMessages() const {
    std::vector<TMessageRecord> result;
    for (const TMessageRecord& m : Messages) {
      if (m.Caption != "Error") result.push_back(m);
    }
    return result;
  }
  std::vector<TMessageRecord> Messages;

 private:
  platform::TMessageBoxShower Previous_;
};

struct THotKeyCall {
  bool Register;  // false: UnregisterHotKey
  int Id;
  unsigned Modifiers;
  unsigned Vk;
  bool operator==(const THotKeyCall&) const = default;
};

class TRecordingHotKeys : public platform::THotKeyBackend {
 public:
  explicit TRecordingHotKeys(std::vector<THotKeyCall>* calls) : Calls_(calls) {}
  bool Register(QWidget*, int id, unsigned modifiers, unsigned vk) override {
    Calls_->push_back({true, id, modifiers, vk});
    return true;
  }
  bool Unregister(QWidget*, int id) override {
    Calls_->push_back({false, id, 0, 0});
    return true;
  }

 private:
  std::vector<THotKeyCall>* Calls_;
};

// Installs the recorder for the life of the object.
class THotKeyRecorder {
 public:
  THotKeyRecorder() { platform::SetHotKeyBackend(std::make_unique<TRecordingHotKeys>(&Calls)); }
  ~THotKeyRecorder() { platform::SetHotKeyBackend(nullptr); }
  std::vector<THotKeyCall> Calls;
};

// A media runtime without COM: the engine reports that once and then does nothing.
class TNoGraphRuntime : public platform::TComRuntime {
 public:
  platform::HRESULT CoInitialize() override { return platform::E_FAIL; }
  void CoUninitialize() override {}
  platform::HRESULT CoCreateInstance(platform::REFCLSID, platform::IUnknown*, platform::DWORD,
                                     platform::REFIID, void**) override {
    return platform::E_FAIL;
  }
};

inline std::unique_ptr<TVideoGate1000> MakeEngineWithoutGraph() {
  return std::make_unique<TVideoGate1000>(std::make_shared<TNoGraphRuntime>());
}

}  // namespace orvane_test
