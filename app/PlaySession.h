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
  // True when RootPath has no parent: entry 0 is then the dialog entry "...", not a folder.
  bool AtRoot() const;
  // The selected entry, -1 for none. Selecting an entry makes it the play folder; the caller
  // then lists its files. Selecting none keeps the play folder and its list.
  int FolderIndex() const { return FolderIndex_; }
  void SelectFolder(int index);
  // The entry lost the selection: its folder becomes the play folder all the same (the pane's
  // last change wins), and no entry is selected.
  void DeselectFolder(int index);
  // Opens the entry: RootPath moves up for "..", else into the entry's folder. The caller
  // re-reads the folders. Not for the dialog entry "...", whose path comes from the dialog.
  void OpenFolder(int index);

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
  // The file last started came to its end: as Next.
  TPlayStep Ended();
  // The path of the file that the end of the one last started leads to, so that it can follow
  // without a gap: the row Next gives, or for a folder its first file as ListFiles would list it
  // there with mask and extensions; "" when the end leads to no file.
  std::string NextFile(const std::string& mask, const TPlayableExtensions& extensions) const;
  // The file last started cannot be played: it counts as played and the step is the one its end
  // would take, unless the files that failed one after the other in this list are now as many
  // as its rows (nothing of it can be played, the empty list included): then Stop. A step into
  // another folder starts the count afresh there.
  TPlayStep Failed();

  // Records row as started: PlayIndex := row, PlayFile := its path, which is returned. A start
  // ends the run of failures, except the start that Failed() led to in the same list.
  std::string SetPlayIndex(int row);

  // Resume at start: the first folder entry whose path is PlayPath, and the first row whose
  // path is PlayFile, both compared exactly; -1 when there is none.
  int SavedFolderIndex() const;
  int SavedFileIndex() const;

 private:
  std::string RootPath_;
  std::string PlayPath_;
  std::string PlayFile_;
  int PlayIndex_ = 0;
  bool AutoNextFolder_ = false;
  std::vector<std::string> Folders_;
  int FolderIndex_ = -1;
  std::vector<std::string> Files_;
  // Files of the play list that failed one after the other since a start by anything but the
  // advance past a failure.
  int FailedInARow_ = 0;
  // Set by Failed() for the start it leads to: the count that start carries on, and the list
  // it counts in. A list of another folder drops it.
  struct TFailureAdvance {
    int Count;
    std::string List;
  };
  std::optional<TFailureAdvance> Advance_;
};
