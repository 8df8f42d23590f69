#include "app/Settings.h"

#include <QAction>

#include "app/FilterComboBox.h"
#include "app/HotkeyBinding.h"
#include "app/uMain.h"
#include "desktop/Winplace.h"
#include "engine/VideoGate1000.h"
#include "platform/CodePage.h"
#include "platform/Profile.h"

namespace {

// Closes the settings object however the operation between OpenIni and CloseIni ends.
class TIniGuard {
 public:
  explicit TIniGuard(TfrmMain& form) : Form_(form) { Form_.OpenIni(); }
  ~TIniGuard() { Form_.CloseIni(); }
  TIniGuard(const TIniGuard&) = delete;
  TIniGuard& operator=(const TIniGuard&) = delete;

 private:
  TfrmMain& Form_;
};

}  // namespace

void TfrmMain::OpenIni() { Ini = std::make_unique<platform::TIniFile>(ApplicationIniFileName()); }

void TfrmMain::CloseIni() { Ini.reset(); }

void TfrmMain::LoadSettings() {
  // A save that was killed half-way left its copy of the file beside it.
  platform::RemoveLeftoverCopies(ApplicationIniFileName());
  {
    TIniGuard guard(*this);
    RootPath = Ini->ReadString("Main", "Path", "");
    PlayPath = Ini->ReadString("Main", "PlayPath", "");
    PlayFile = Ini->ReadString("Main", "PlayFile", "");
    ResumePlaying = Ini->ReadBool("Main", "Playing", false);
    ResumePosition = Ini->ReadInt64("Main", "PlayPos", 0);
    FilterComboBox1->SetFilter(Ini->ReadString("Play", "Filter", DefaultFilter));
    FilterComboBox1->SetItemIndex(Ini->ReadInteger("Main", "Mask", 0));
    PlayableExtensions = TPlayableExtensions(
        Ini->ReadString("Play", "PlayableExtensions", DefaultPlayableExtensions));
    ActionUseVideoGate->setChecked(Ini->ReadBool("Play", "UseVideoGate1000", false));
    ActionAutoNextFolder->setChecked(Ini->ReadBool("Play", "AutoNextFolder", false));
    HotKeysEnabled = Ini->ReadBool("ShortCut", "Enable", true);
    if (HotKeysEnabled) {
      // The numbers are the hotkeys' identities: "NextFld" is 3 although it comes after "PrevFld".
      PauseShortCut = RegisterShortCut(0, "Pause", "End");
      PrevShortCut = RegisterShortCut(1, "Prev", "Left");
      NextShortCut = RegisterShortCut(2, "Next", "Right");
      PrevFolderShortCut = RegisterShortCut(4, "PrevFld", "Up");
      NextFolderShortCut = RegisterShortCut(3, "NextFld", "Down");
      VisibleShortCut = RegisterShortCut(5, "Visible", "Home");
    }
  }
  RootPath = platform::IncludeTrailingPathDelimiter(RootPath);
  PlayPath = platform::IncludeTrailingPathDelimiter(PlayPath);
  Engine->SetVideoGateVideo(ActionUseVideoGate->isChecked());
  Engine->SetVideoGateAudio(ActionUseVideoGate->isChecked());
}

TShortCut TfrmMain::RegisterShortCut(int id, const char* keyName, const char* defaultText) {
  const TShortCut shortCut = TextToShortCut(Ini->ReadString("ShortCut", keyName, defaultText));
  // Every hotkey is the Windows logo (Super) key and the named key; other modifiers are kept
  // only for writing the text back.
  RegisterCommandHotkey(this, id, platform::MOD_WIN, shortCut & scKeyMask);
  return shortCut;
}

void TfrmMain::SaveSettings() {
  TIniGuard guard(*this);
  Ini->WriteString("Main", "Path", RootPath);
  Ini->WriteString("Main", "PlayPath", PlayPath);
  Ini->WriteString("Main", "PlayFile", PlayFile);
  Ini->WriteBool("Main", "Playing", Engine->Playing());
  Ini->WriteInt64("Main", "PlayPos", Engine->GetPosition());
  Ini->WriteInteger("Main", "Mask", FilterComboBox1->ItemIndex());
  Ini->WriteBool("Play", "UseVideoGate1000", ActionUseVideoGate->isChecked());
  Ini->WriteBool("Play", "AutoNextFolder", ActionAutoNextFolder->isChecked());
  Ini->WriteString("Play", "Filter", FilterComboBox1->Filter());
  Ini->WriteString("Play", "PlayableExtensions", PlayableExtensions.Text());
  Ini->WriteBool("ShortCut", "Enable", HotKeysEnabled);
  // Disabled hotkeys were never registered, and their texts in the file stay as they are.
  if (!HotKeysEnabled) return;
  SaveShortCut(0, PauseShortCut, "Pause");
  SaveShortCut(1, PrevShortCut, "Prev");
  SaveShortCut(2, NextShortCut, "Next");
  SaveShortCut(4, PrevFolderShortCut, "PrevFld");
  SaveShortCut(3, NextFolderShortCut, "NextFld");
  SaveShortCut(5, VisibleShortCut, "Visible");
}

void TfrmMain::SaveShortCut(int id, TShortCut shortCut, const char* keyName) {
  platform::UnregisterHotKey(this, id);
  Ini->WriteString("ShortCut", keyName, ShortCutToText(shortCut));
}
