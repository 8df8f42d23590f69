// The settings file: sections "Main", "Play" and "ShortCut" (and "TfrmMain", the window's
// placement), read once when the main window is created and written once when it is destroyed.

#include "app/uMain.h"

#include <QAction>

#include <functional>

#include "app/Commands.h"
#include "app/FilterComboBox.h"
#include "app/HotkeyBinding.h"
#include "desktop/Winplace.h"
#include "engine/VideoGate1000.h"
#include "platform/CodePage.h"
#include "platform/Profile.h"

namespace {

// CloseIni runs however the operation between OpenIni and CloseIni ends.
class TOnExit {
 public:
  explicit TOnExit(std::function<void()> run) : Run_(std::move(run)) {}
  ~TOnExit() { Run_(); }
  TOnExit(const TOnExit&) = delete;
  TOnExit& operator=(const TOnExit&) = delete;

 private:
  std::function<void()> Run_;
};

// The hotkeys in the order the settings file holds them, which is the table's.
template <typename Visit>
void ForEachHotkey(Visit visit) {
  for (const TCommandInfo& info : kCommands) {
    if (info.Hotkey.Id >= 0) visit(info.Hotkey);
  }
}

}  // namespace

void TfrmMain::OpenIni() { Ini = std::make_unique<platform::TIniFile>(ApplicationIniFileName()); }

void TfrmMain::CloseIni() { Ini.reset(); }

void TfrmMain::LoadSettings() {
  // A save that was killed half-way left its copy of the file beside it.
  platform::RemoveLeftoverCopies(ApplicationIniFileName());
  {
    OpenIni();
    const TOnExit close([this] { CloseIni(); });
    using namespace ini;
    Session_.SetRootPath(Ini->ReadString(kMain, kPath, ""));
    Session_.SetPlayPath(Ini->ReadString(kMain, kPlayPath, ""));
    Session_.SetPlayFile(Ini->ReadString(kMain, kPlayFile, ""));
    ResumePlaying_ = Ini->ReadBool(kMain, kPlaying, false);
    ResumePosition_ = Ini->ReadInt64(kMain, kPlayPos, 0);
    FilterComboBox1->SetFilter(Ini->ReadString(kPlay, kFilter, DefaultFilter));
    FilterComboBox1->SetItemIndex(Ini->ReadInteger(kMain, kMask, 0));
    PlayableExtensions =
        TPlayableExtensions(Ini->ReadString(kPlay, kPlayableExtensions, DefaultPlayableExtensions));
    ActionUseVideoGate->setChecked(Ini->ReadBool(kPlay, kUseVideoGate1000, false));
    ActionAutoNextFolder->setChecked(Ini->ReadBool(kPlay, kAutoNextFolder, false));
    Engine_->SetGapless(Ini->ReadBool(kPlay, kGapless, true));
    HotKeysEnabled = Ini->ReadBool(kShortCut, kEnable, true);
    if (HotKeysEnabled) {
      ForEachHotkey([this](const THotkeyInfo& hotkey) {
        ShortCuts_[hotkey.Id] = RegisterShortCut(hotkey.Id, hotkey.Key, hotkey.DefaultKey);
      });
    }
  }
  UseVideoGate(*Engine_, ActionUseVideoGate->isChecked());
}

TShortCut TfrmMain::RegisterShortCut(int id, const char* keyName, const char* defaultText) {
  const TShortCut shortCut = TextToShortCut(Ini->ReadString(ini::kShortCut, keyName, defaultText));
  // Every hotkey is the Windows logo (Super) key and the named key; other modifiers are kept
  // only for writing the text back.
  RegisterCommandHotkey(this, id, platform::MOD_WIN, shortCut & scKeyMask);
  return shortCut;
}

void TfrmMain::SaveSettings() {
  OpenIni();
  const TOnExit close([this] { CloseIni(); });
  using namespace ini;
  Ini->WriteString(kMain, kPath, Session_.RootPath());
  Ini->WriteString(kMain, kPlayPath, Session_.PlayPath());
  Ini->WriteString(kMain, kPlayFile, Session_.PlayFile());
  Ini->WriteBool(kMain, kPlaying, Engine_->Playing());
  Ini->WriteInt64(kMain, kPlayPos, Engine_->GetPosition());
  Ini->WriteInteger(kMain, kMask, FilterComboBox1->ItemIndex());
  Ini->WriteBool(kPlay, kUseVideoGate1000, ActionUseVideoGate->isChecked());
  Ini->WriteBool(kPlay, kAutoNextFolder, Session_.AutoNextFolder());
  Ini->WriteBool(kPlay, kGapless, Engine_->Gapless());
  Ini->WriteString(kPlay, kFilter, FilterComboBox1->Filter());
  Ini->WriteString(kPlay, kPlayableExtensions, PlayableExtensions.Text());
  Ini->WriteBool(kShortCut, kEnable, HotKeysEnabled);
  // Disabled hotkeys were never registered, and their texts in the file stay as they are.
  if (!HotKeysEnabled) return;
  ForEachHotkey([this](const THotkeyInfo& hotkey) {
    SaveShortCut(hotkey.Id, ShortCuts_[hotkey.Id], hotkey.Key);
  });
}

void TfrmMain::SaveShortCut(int id, TShortCut shortCut, const char* keyName) {
  platform::UnregisterHotKey(this, id);
  Ini->WriteString(ini::kShortCut, keyName, ShortCutToText(shortCut));
}
