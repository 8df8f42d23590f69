#include "app/uMain.h"

#include <algorithm>

#include "app/DataFiles.h"
#include "desktop/Winplace.h"
#include "imaging/ABitmap.h"
#include "platform/Profile.h"
#include "tags/sMediaTagReader.h"

#include "app/uMainShared.h"

using namespace umain;

// Creation, first showing and destruction.

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
  TagReader_ = std::make_unique<TsMediaTagReader>();
  Engine_ = EngineFactory_ ? EngineFactory_() : std::make_unique<TVideoGate1000>();
  UseVideoGate(*Engine_, false);
  LoadSettings();
  UpdateCaption("");
}

void TfrmMain::FormShow() {
  if (!FirstShow) return;
  FirstShow = false;
  PositionBar_ = std::make_unique<TScrollBarPositionBar>(ScrollBar1);
  Engine_->AttachScrollBar(PositionBar_.get());
  LoadPlacement(this);
  BuildFolderList();
  if (ListViewFolder->count() == 0) return;

  // Resume the previous run: the saved folder, then the saved file in it.
  const int entry = Session_.SavedFolderIndex();
  if (entry < 0) return;
  ListViewFolder->setCurrentRow(entry);  // runs ListViewFolderSelectItem, which lists the files
  const int row = Session_.SavedFileIndex();
  if (row < 0) return;
  ListViewPlay->selectRow(row);
  const std::string file = Session_.SetPlayIndex(row);
  if (!ResumePlaying_) return;
  Engine_->OpenFile(file);
  Engine_->SetPosition(ResumePosition_);
  Engine_->Play();
  UpdateCaption(file);
  QueueWanted_ = true;
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
  Engine_.reset();
  TagReader_.reset();
  Background.reset();
}
