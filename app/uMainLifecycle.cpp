#include "app/uMain.h"

#include <QStatusBar>
#include <algorithm>

#include "app/DataFiles.h"
#include "desktop/TrayIcon.h"
#include "desktop/Winplace.h"
#include "imaging/ABitmap.h"
#include "platform/Profile.h"
#include "tags/sMediaTagReader.h"

#include "app/uMainShared.h"

using namespace umain;

// Creation, first showing and destruction; the caption.

void TfrmMain::FormCreate() {
  FirstShow = true;
  Background = std::make_unique<TABitmap>();
  try {
    Background->LoadFromFile(BackgroundFileName(ExeFolder()));
  } catch (const std::exception&) {
    // No usable picture: plain white tiles.
    Background->SetSize(kTileSize, kTileSize);
    for (int y = 0; y < kTileSize; ++y) std::fill_n(Background->ScanLine(y), kTileSize, 0xFFFFFFFFu);
  }
  JacketRect = {6, 6, 86, 86};
  ImageListFolder.SetSize(kTileSize, kTileSize);
  ListViewFolder->setIconSize(QSize(kTileSize, kTileSize));
  TagReader = std::make_unique<TsMediaTagReader>();
  Engine = EngineFactory_ ? EngineFactory_() : std::make_unique<TVideoGate1000>();
  Engine->SetVideoGateVideo(false);
  Engine->SetVideoGateAudio(false);
  LoadSettings();
  UpdateCaption("");
}

void TfrmMain::FormShow() {
  if (!FirstShow) return;
  FirstShow = false;
  PositionBar_ = std::make_unique<TScrollBarPositionBar>(ScrollBar1);
  Engine->AttachScrollBar(PositionBar_.get());
  LoadPlacement(this);
  BuildFolderList();
  if (ListViewFolder->count() == 0) return;

  // Resume the previous run: the saved folder, then the saved file in it.
  const std::string target = WithoutTrailingDelimiter(PlayPath);
  for (int i = 0; i < ListViewFolder->count(); ++i) {
    if (RootPath + FolderCaption(ListViewFolder, i) != target) continue;
    ListViewFolder->setCurrentRow(i);  // runs ListViewFolderSelectItem, which lists the files
    for (int row = 0; row < ListViewPlay->rowCount(); ++row) {
      if (PlayPath + RowCaption(ListViewPlay, row) != PlayFile) continue;
      ListViewPlay->selectRow(row);
      PlayIndex = row;
      if (ResumePlaying) {
        Engine->OpenFile(PlayFile);
        Engine->SetPosition(ResumePosition);
        Engine->Play();
        UpdateCaption(PlayFile);
      }
      break;
    }
    break;
  }
}

void TfrmMain::FormDestroy() {
  {
    // One replacement of the file for the whole save: a kill or a crash half-way leaves the old
    // file, never new values beside old ones.
    platform::TProfileTransaction save(ApplicationIniFileName());
    SaveSettings();
    SavePlacement(this);
    if (!save.Commit()) throw platform::EIniFileException::CannotWrite(ApplicationIniFileName());
  }
  Engine.reset();
  TagReader.reset();
  Background.reset();
}

void TfrmMain::SetStatusText(const std::string& text) { StatusBar1->showMessage(ForDisplay(text)); }

void TfrmMain::UpdateCaption(const std::string& name) {
  std::string shown = name;
  std::string title;
  if (name.empty()) shown = kStoppedText;
  else if (platform::FileExists(name)) title = ReadTitle(name);
  const std::string status = title.empty() ? shown : shown + " - " + title;
  const std::string tip = title.empty() ? shown : shown + "\r" + title;
  SetStatusText(status);
  Caption_ = kCaptionPrefix + status;
  setWindowTitle(ForDisplay(Caption_));
  TrayIcon1->SetTipHelp(tip);
}

std::string TfrmMain::ReadTitle(const std::string& name) {
  TagReader->ReadTags(name);
  return TagReader->GetTagValue("Title");
}
