#include "app/uMainMpris.h"

#include <QAction>
#include <QScrollBar>
#include <QTimer>

#include "app/Application.h"
#include "app/Commands.h"
#include "app/uMain.h"
#include "engine/VideoGate1000.h"
#include "imaging/JacketLoader.h"
#include "platform/CodePage.h"
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
  for (const TCommandInfo& info : kCommands) {
    if (info.SeekSeconds == 0) continue;
    QObject::connect(Form_.Action(info.Command), &QAction::triggered, service,
                     [service] { service->AnnounceSeek(); });
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
  if (TsMediaTagReader* reader = Form_.TagReader()) {
    reader->ReadTags(fileName);
    Track_.Title = TagText(*reader, "Title");
    Track_.Artist = TagText(*reader, "Artist");
    Track_.Album = TagText(*reader, "Album");
  }
  return Track_;
}

platform::TMprisState TMainMpris::State() {
  platform::TMprisState state;
  TVideoGate1000* engine = Form_.Engine();
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
  const bool hasRows = !Form_.Session().Files().empty();
  state.CanGoNext = hasRows;
  state.CanGoPrevious = hasRows;
  state.CanPlay = hasRows || paused;
  state.CanPause = playing;
  state.CanSeek = playing;
  return state;
}

int64_t TMainMpris::PositionUs() {
  TVideoGate1000* engine = Form_.Engine();
  if (engine == nullptr || engine->FileName().empty()) return 0;
  return engine->GetPosition() / 10;
}

void TMainMpris::Run(TCommand command) {
  RunHandler([this, command] { Form_.RunRemoteCommand(command); });
}

void TMainMpris::Raise() { Run(TCommand::Show); }
void TMainMpris::Quit() { Run(TCommand::Exit); }
void TMainMpris::Play() { Run(TCommand::Play); }
void TMainMpris::Pause() { Run(TCommand::Pause); }
void TMainMpris::PlayPause() { Run(TCommand::PlayPause); }
void TMainMpris::Stop() { Run(TCommand::Stop); }
void TMainMpris::Next() { Run(TCommand::Next); }
void TMainMpris::Previous() { Run(TCommand::Prev); }

void TMainMpris::SeekToUs(int64_t positionUs) {
  // The engine counts 100 ns; a position past what that can hold goes to the end.
  const int64_t units = positionUs > INT64_MAX / 10 ? INT64_MAX : positionUs * 10;
  RunHandler([this, units] { Form_.SeekTo(units); });
}
