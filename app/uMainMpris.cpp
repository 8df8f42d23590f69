#include "app/uMainMpris.h"

#include <QAction>
#include <QScrollBar>
#include <QTableWidget>
#include <QTimer>

#include "app/Application.h"
#include "app/uMain.h"
#include "engine/VideoGate1000.h"
#include "imaging/JacketLoader.h"
#include "platform/CodePage.h"
#include "platform/ForegroundWindow.h"
#include "platform/MprisService.h"
#include "tags/sMediaTagReader.h"

using platform::TMprisStatus;

namespace {

// Tag text as a display shows it: up to an inner zero byte, decoded from the ANSI code page.
std::string TagText(const TsMediaTagReader& reader, const char* name) {
  const std::string value = reader.GetTagValue(name);
  return platform::AnsiToUtf8(value.substr(0, value.find('\0')));
}

// The jacket the folder pane shows for the file's folder.
std::string JacketOf(const std::string& fileName) {
  return FindJacketFile(fileName.substr(0, fileName.rfind(platform::PathDelim) + 1) + "a");
}

}  // namespace

TMainMpris::TMainMpris(TfrmMain& form)
    : Form_(form), Service_(std::make_unique<platform::TMprisService>(*this)) {
  if (Service_->Start()) ConnectAnnouncements();
}

TMainMpris::~TMainMpris() = default;

bool TMainMpris::Active() const { return Service_->Active(); }

void TMainMpris::ConnectAnnouncements() {
  platform::TMprisService* service = Service_.get();
  // Connected after the window's own handlers, so these run once a handler has done its work:
  // the timer's tick (a file's end starts the next one) and every seek of the window.
  QObject::connect(Form_.Timer1, &QTimer::timeout, service, [service] { service->Refresh(); });
  for (QAction* seek : {Form_.ActionMinus15, Form_.ActionMinus5, Form_.ActionPlus5,
                        Form_.ActionPlus15, Form_.ActionPlus30, Form_.ActionPlus45,
                        Form_.ActionPlus60, Form_.ActionPlus75, Form_.ActionPlus90}) {
    QObject::connect(seek, &QAction::triggered, service, [service] { service->AnnounceSeek(); });
  }
  QObject::connect(Form_.ScrollBar1, &QScrollBar::actionTriggered, service,
                   [service] { service->AnnounceSeek(); });
}

const platform::TMprisTrack& TMainMpris::TrackOf(const std::string& fileName) {
  if (fileName == TrackFile_) return Track_;
  TrackFile_ = fileName;
  Track_ = {};
  Track_.Path = platform::AnsiToUtf8(fileName);
  const std::string jacket = JacketOf(fileName);
  Track_.JacketPath = platform::AnsiToUtf8(jacket);
  if (Form_.TagReader) {
    Form_.TagReader->ReadTags(fileName);
    Track_.Title = TagText(*Form_.TagReader, "Title");
    Track_.Artist = TagText(*Form_.TagReader, "Artist");
    Track_.Album = TagText(*Form_.TagReader, "Album");
  }
  return Track_;
}

platform::TMprisState TMainMpris::State() {
  platform::TMprisState state;
  TVideoGate1000* engine = Form_.Engine.get();
  if (engine == nullptr) return state;
  const bool playing = engine->Playing();
  const bool paused = playing && engine->Paused();
  state.Status = !playing ? TMprisStatus::Stopped
                 : paused ? TMprisStatus::Paused
                          : TMprisStatus::Playing;
  if (!engine->FileName().empty()) {
    state.Track = TrackOf(engine->FileName());
    state.Track.LengthUs = engine->GetStopPosition() / 10;
  }
  const bool hasRows = Form_.ListViewPlay->rowCount() > 0;
  state.CanGoNext = hasRows;
  state.CanGoPrevious = hasRows;
  state.CanPlay = hasRows || paused;
  state.CanPause = playing;
  state.CanSeek = playing;
  return state;
}

int64_t TMainMpris::PositionUs() {
  TVideoGate1000* engine = Form_.Engine.get();
  if (engine == nullptr || engine->FileName().empty()) return 0;
  return engine->GetPosition() / 10;
}

void TMainMpris::Raise() {
  RunHandler([this] {
    Form_.ActionShowExecute(Form_.ActionShow);
    // A user who asks for the window from the desktop wants it in front, also when minimised.
    Form_.setWindowState(Form_.windowState() & ~Qt::WindowMinimized);
    platform::SetForegroundWindow(&Form_);  // a refusal is ignored
  });
}

void TMainMpris::Quit() {
  RunHandler([this] { Form_.ActionExitExecute(Form_.ActionExit); });
}

void TMainMpris::Play() {
  RunHandler([this] {
    if (!Form_.Engine->Playing()) Form_.ActionPlayExecute(Form_.ActionPlay);
    else if (Form_.Engine->Paused()) Form_.ActionPauseExecute(Form_.ActionPause);
  });
}

void TMainMpris::Pause() {
  RunHandler([this] {
    if (Form_.Engine->Playing() && !Form_.Engine->Paused()) {
      Form_.ActionPauseExecute(Form_.ActionPause);
    }
  });
}

void TMainMpris::PlayPause() {
  RunHandler([this] {
    if (!Form_.Engine->Playing()) Form_.ActionPlayExecute(Form_.ActionPlay);
    else Form_.ActionPauseExecute(Form_.ActionPause);
  });
}

void TMainMpris::Stop() {
  RunHandler([this] { Form_.ActionStopExecute(Form_.ActionStop); });
}

void TMainMpris::Next() {
  RunHandler([this] { Form_.ActionNextExecute(Form_.ActionNext); });
}

void TMainMpris::Previous() {
  RunHandler([this] { Form_.ActionPrevExecute(Form_.ActionPrev); });
}

void TMainMpris::SeekToUs(int64_t positionUs) {
  // The engine counts 100 ns; a position past what that can hold goes to the end.
  const int64_t units = positionUs > INT64_MAX / 10 ? INT64_MAX : positionUs * 10;
  RunHandler([this, units] { Form_.Engine->SetPosition(units); });
}
