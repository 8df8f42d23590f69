#include "app/PlaySession.h"

#include "app/PlayableExtensions.h"
#include "platform/CodePage.h"
#include "platform/FileSearch.h"

namespace {

std::string WithoutTrailingDelimiter(const std::string& path) {
  return platform::HasTrailingPathDelimiter(path) ? path.substr(0, path.size() - 1) : path;
}

// A folder's last name; "" for the root (a lone delimiter), which has no parent entry.
std::string LastName(const std::string& folder) {
  const std::string path = WithoutTrailingDelimiter(folder);
  return path.substr(path.rfind(platform::PathDelim) + 1);
}

bool InRange(int index, size_t size) { return index >= 0 && static_cast<size_t>(index) < size; }

// The names of the playable files in folder that mask finds, in the search's order.
std::vector<std::string> PlayableFiles(const std::string& folder, const std::string& mask,
                                       const TPlayableExtensions& extensions) {
  std::vector<std::string> names;
  for (const platform::TSearchRec& rec : platform::FindFiles(folder + mask)) {
    if (!rec.Directory && extensions.Matches(rec.Name)) names.push_back(rec.Name);
  }
  return names;
}

}  // namespace

void TPlaySession::SetRootPath(const std::string& path) {
  RootPath_ = platform::IncludeTrailingPathDelimiter(path);
}

void TPlaySession::SetPlayPath(const std::string& path) {
  PlayPath_ = platform::IncludeTrailingPathDelimiter(path);
}

void TPlaySession::ListFolders() {
  Folders_.clear();
  FolderIndex_ = -1;
  // The folder steps and Backspace rely on entry 0 being ".." or "...". The search gives ".."
  // first wherever there is a parent; at the root the dialog entry takes its place.
  if (AtRoot()) Folders_.push_back("...");
  for (const platform::TSearchRec& rec : platform::FindFiles(RootPath_ + "*.*")) {
    if (rec.Directory && rec.Name != ".") Folders_.push_back(rec.Name);
  }
}

std::string TPlaySession::FolderPath(int index) const {
  if (!InRange(index, Folders_.size())) return std::string();
  return platform::IncludeTrailingPathDelimiter(RootPath_ + Folders_[index]);
}

bool TPlaySession::AtRoot() const { return LastName(RootPath_).empty(); }

void TPlaySession::SelectFolder(int index) {
  if (!InRange(index, Folders_.size())) {
    FolderIndex_ = -1;
    return;
  }
  FolderIndex_ = index;
  PlayPath_ = FolderPath(index);
}

void TPlaySession::DeselectFolder(int index) {
  SelectFolder(index);
  FolderIndex_ = -1;
}

void TPlaySession::OpenFolder(int index) {
  if (!InRange(index, Folders_.size())) return;
  if (Folders_[index] == "..") {
    const std::string current = WithoutTrailingDelimiter(RootPath_);
    SetRootPath(current.substr(0, current.rfind(platform::PathDelim) + 1));
  } else {
    SetRootPath(RootPath_ + Folders_[index]);
  }
}

void TPlaySession::ListFiles(const std::string& mask, const TPlayableExtensions& extensions) {
  Files_ = PlayableFiles(PlayPath_, mask, extensions);
  if (Advance_ && Advance_->List != PlayPath_) Advance_.reset();
}

std::string TPlaySession::FilePath(int row) const {
  if (!InRange(row, Files_.size())) return std::string();
  return PlayPath_ + Files_[row];
}

TPlayStep TPlaySession::Play(int selectedRow) const {
  if (Files_.empty()) return {};
  return {TPlayStepKind::Row, InRange(selectedRow, Files_.size()) ? selectedRow : 0};
}

TPlayStep TPlaySession::Next() const {
  const int rows = static_cast<int>(Files_.size());
  if (rows == 0) return {};
  const int next = PlayIndex_ + 1;
  if (next < rows) return {TPlayStepKind::Row, next};
  if (AutoNextFolder_) return NextFolder();
  return {TPlayStepKind::Row, 0};
}

TPlayStep TPlaySession::Previous() const {
  const int rows = static_cast<int>(Files_.size());
  if (rows == 0) return {};
  const int previous = PlayIndex_ - 1;
  return {TPlayStepKind::Row, InRange(previous, Files_.size()) ? previous : rows - 1};
}

TPlayStep TPlaySession::NextFolder() const {
  const int count = static_cast<int>(Folders_.size());
  if (FolderIndex_ < 0) return {};
  // Entry 0 is ".." or "...": past the last entry the walk wraps to entry 1.
  const int next = FolderIndex_ < count - 1 ? FolderIndex_ + 1 : 1;
  if (next >= count) return {};
  return {TPlayStepKind::Folder, next};
}

TPlayStep TPlaySession::PreviousFolder() const {
  const int count = static_cast<int>(Folders_.size());
  if (FolderIndex_ < 0) return {};
  return {TPlayStepKind::Folder, FolderIndex_ >= 2 ? FolderIndex_ - 1 : count - 1};
}

TPlayStep TPlaySession::Ended() {
  Advance_.reset();
  return Next();
}

std::string TPlaySession::NextFile(const std::string& mask,
                                   const TPlayableExtensions& extensions) const {
  const TPlayStep step = Next();
  if (step.Kind == TPlayStepKind::Row) return FilePath(step.Index);
  if (step.Kind != TPlayStepKind::Folder) return std::string();
  const std::string folder = FolderPath(step.Index);
  const std::vector<std::string> files = PlayableFiles(folder, mask, extensions);
  return files.empty() ? std::string() : folder + files.front();
}

TPlayStep TPlaySession::Failed() {
  const int failedInARow = FailedInARow_ + 1;
  Advance_.reset();
  if (failedInARow >= static_cast<int>(Files_.size())) {
    FailedInARow_ = 0;
    return {TPlayStepKind::Stop, -1};
  }
  const TPlayStep step = Next();
  if (step.Kind != TPlayStepKind::None) Advance_ = TFailureAdvance{failedInARow, PlayPath_};
  return step;
}

std::string TPlaySession::SetPlayIndex(int row) {
  if (!InRange(row, Files_.size())) return std::string();
  const bool advance = Advance_ && Advance_->List == PlayPath_;
  FailedInARow_ = advance ? Advance_->Count : 0;
  Advance_.reset();
  PlayIndex_ = row;
  PlayFile_ = FilePath(row);
  return PlayFile_;
}

int TPlaySession::SavedFolderIndex() const {
  const std::string target = WithoutTrailingDelimiter(PlayPath_);
  for (size_t i = 0; i < Folders_.size(); ++i) {
    if (RootPath_ + Folders_[i] == target) return static_cast<int>(i);
  }
  return -1;
}

int TPlaySession::SavedFileIndex() const {
  for (size_t row = 0; row < Files_.size(); ++row) {
    if (PlayPath_ + Files_[row] == PlayFile_) return static_cast<int>(row);
  }
  return -1;
}
