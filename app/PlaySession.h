#pragma once
// TPlaySession, what the player plays and what it plays next, without a window: the root folder
// and its folder entries, the play folder and its playable files, the index and path of the file
// last started, and the rules that choose the next file or folder. The window shows the lists
// and runs the engine; the session answers "what now" and records what was started.
//
// Names are kept as the file system's bytes: a name need not be UTF-8 (a Shift-JIS album copied
// from an old disc), and every path is built from these bytes, never from a display text.
// GUI thread only, like everything that drives playback.

#include <optional>
#include <string>
#include <vector>

class TPlayableExtensions;

// What a command or a file's end leads to.
enum class TPlayStepKind {
  None,    // nothing to do: an empty play list, no folder selected, no folder to step to
  Row,     // start row Index of the play list
  Folder,  // select folder entry Index (its files are listed), then start its first file
  Stop,    // every file tried since the last normal end failed: stop, show the stopped text
};

struct TPlayStep {
  TPlayStepKind Kind = TPlayStepKind::None;
  int Index = -1;  // the row or the folder entry; -1 with None and Stop

  bool operator==(const TPlayStep&) const = default;
};

class TPlaySession {
 public:
  // The root folder of the folder pane and the play folder, each set with a trailing delimiter
  // added where it lacks one (an empty text becomes a lone delimiter); the file last started, a
  // full path. All three are empty until the settings are read.
  const std::string& RootPath() const { return RootPath_; }
  void SetRootPath(const std::string& path);
  const std::string& PlayPath() const { return PlayPath_; }
  void SetPlayPath(const std::string& path);
  const std::string& PlayFile() const { return PlayFile_; }
  void SetPlayFile(const std::string& path) { PlayFile_ = path; }
  // Index in the play list of the file last started; 0 before any start. It may lie outside
  // the list once the list is rebuilt: the steps then wrap.
  int PlayIndex() const { return PlayIndex_; }
  bool AutoNextFolder() const { return AutoNextFolder_; }
  void SetAutoNextFolder(bool on) { AutoNextFolder_ = on; }

  // Folder entries: the sub-folders of RootPath in the search's order, entry 0 being ".." (the
  // parent) or "..." (the folder dialog, at the root, where there is no parent). Re-reading
  // them removes the selection; the file list stays.
  void ListFolders();
  const std::vector<std::string>& Folders() const { return Folders_; }
  // RootPath, the entry's name and a delimiter.
  std::string FolderPath(int index) const;
  // The selected entry, -1 for none. Selecting an entry makes it the play folder; the caller
  // then lists its files. Selecting none keeps the play folder and its list.
  int FolderIndex() const { return FolderIndex_; }
  void SelectFolder(int index);

  // The playable files of PlayPath that mask finds, in the search's order. PlayIndex stays.
  void ListFiles(const std::string& mask, const TPlayableExtensions& extensions);
  const std::vector<std::string>& Files() const { return Files_; }
  // PlayPath followed by the row's name.
  std::string FilePath(int row) const;

  // Play: the selected row, or row 0 when none is (selectedRow -1 or outside the list).
  TPlayStep Play(int selectedRow) const;
  // The row after PlayIndex; past the last row row 0, or with AutoNextFolder the next folder.
  TPlayStep Next() const;
  // The row before PlayIndex; before row 0 (or outside the list) the last row. Never a folder.
  TPlayStep Previous() const;
  // The folder walk skips entry 0: after the last entry comes entry 1, before entry 1 the last.
  TPlayStep NextFolder() const;
  TPlayStep PreviousFolder() const;
  // The file last started came to its end: as Next, and the run of failures is over.
  TPlayStep Ended();
  // The file last started cannot be played: it counts as played and the step is the one its end
  // would take, unless that step goes round to a file that already failed in this run of
  // failures (a row of this list, or the folder where the run began): then Stop.
  TPlayStep Failed();

  // Records row as started: PlayIndex := row, PlayFile := its path, which is returned.
  std::string SetPlayIndex(int row);

  // Resume at start: the first folder entry whose path is PlayPath, and the first row whose
  // path is PlayFile, both compared exactly; -1 when there is none.
  int SavedFolderIndex() const;
  int SavedFileIndex() const;

 private:
  void EndFailureRun();

  std::string RootPath_;
  std::string PlayPath_;
  std::string PlayFile_;
  int PlayIndex_ = 0;
  bool AutoNextFolder_ = false;
  std::vector<std::string> Folders_;
  int FolderIndex_ = -1;
  std::vector<std::string> Files_;
  // The run of failures: rows of this list that failed in it (cleared with a new list), and
  // the folder entry it began in. A normal end or a Stop ends the run.
  std::vector<bool> FailedRows_;
  std::optional<int> FailureRunFolder_;
};
