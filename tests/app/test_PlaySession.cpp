// The play order without a window: the session over a real library folder, steps asked and
// starts recorded as the window will do it.

#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "AppTestSupport.h"
#include "app/PlaySession.h"
#include "app/PlayableExtensions.h"

using namespace orvane_test;
namespace fs = std::filesystem;

// How a failed expectation names a step.
static void PrintTo(const TPlayStep& step, std::ostream* out) {
  const char* kinds[] = {"None", "Row", "Folder", "Stop"};
  *out << kinds[static_cast<int>(step.Kind)] << " " << step.Index;
}

namespace {

// 雨 in Shift-JIS: not UTF-8, as names copied from a Japanese system's disc are.
const std::string kRain = "\x89\x4A";

enum class TCmd { Play, Next, Previous, Ended, Failed, NextFolder, PreviousFolder };

constexpr TPlayStep Row(int i) { return {TPlayStepKind::Row, i}; }
constexpr TPlayStep Folder(int i) { return {TPlayStepKind::Folder, i}; }
constexpr TPlayStep kNone{};
constexpr TPlayStep kStop{TPlayStepKind::Stop, -1};

class PlaySessionTest : public ::testing::Test {
 protected:
  // lib/ holds A (three playable files and a picture), B (nothing playable) and a folder with
  // a Shift-JIS name; loop/ holds two folders of one file each.
  void SetUp() override {
    const std::string files[] = {"lib/A/01.mp3",         "lib/A/02.MP3",
                                 "lib/A/03.mp3",         "lib/A/cover.jpg",
                                 "lib/B/notes.txt",      "lib/" + kRain + "/01.wav",
                                 "lib/" + kRain + "/" + kRain + ".mp3",
                                 "loop/X/1.mp3",         "loop/Y/1.mp3"};
    for (const std::string& file : files) {
      fs::create_directories(fs::path(Dir_.File(file)).parent_path());
      WriteFile(Dir_.File(file), "not media: the session never opens a file");
    }
  }

  // The session on root with folder entry `folder` selected and listed, as the window does.
  TPlaySession& Open(const std::string& root, const std::string& folder) {
    Session_.SetRootPath(Dir_.File(root));
    Session_.ListFolders();
    Select(EntryOf(folder));
    return Session_;
  }

  int EntryOf(const std::string& name) const {
    const std::vector<std::string>& folders = Session_.Folders();
    for (size_t i = 0; i < folders.size(); ++i) {
      if (folders[i] == name) return static_cast<int>(i);
    }
    return -1;
  }

  void Select(int entry) {
    Session_.SelectFolder(entry);
    Session_.ListFiles("*.*", TPlayableExtensions());
  }

  TPlayStep Run(TCmd cmd) {
    switch (cmd) {
      case TCmd::Play: return Session_.Play(-1);
      case TCmd::Next: return Session_.Next();
      case TCmd::Previous: return Session_.Previous();
      case TCmd::Ended: return Session_.Ended();
      case TCmd::Failed: return Session_.Failed();
      case TCmd::NextFolder: return Session_.NextFolder();
      case TCmd::PreviousFolder: return Session_.PreviousFolder();
    }
    return kNone;
  }

  TTempDir Dir_;
  TPlaySession Session_;
};

TEST_F(PlaySessionTest, StepsThroughRowsAndWraps) {
  struct TCase {
    bool AutoNextFolder;
    int Started;  // the row started before the command; -1 for none since the session began
    TCmd Command;
    TPlayStep Expected;
  } cases[] = {
      {false, -1, TCmd::Play, Row(0)},
      {false, -1, TCmd::Next, Row(1)},  // PlayIndex is 0 before any start
      {false, 0, TCmd::Next, Row(1)},
      {false, 2, TCmd::Next, Row(0)},
      {false, 2, TCmd::Ended, Row(0)},
      {true, 2, TCmd::Ended, Folder(2)},  // B, the entry after A
      {false, 1, TCmd::Previous, Row(0)},
      {true, 0, TCmd::Previous, Row(2)},  // never a folder
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "started " << c.Started << ", command "
                                    << static_cast<int>(c.Command));
    Session_ = TPlaySession();
    Open("lib", "A").SetAutoNextFolder(c.AutoNextFolder);
    ASSERT_EQ(Session_.Files(), (std::vector<std::string>{"01.mp3", "02.MP3", "03.mp3"}));
    if (c.Started >= 0) Session_.SetPlayIndex(c.Started);
    EXPECT_EQ(Run(c.Command), c.Expected);
  }
  EXPECT_EQ(Session_.Play(2), Row(2));
  EXPECT_EQ(Session_.SetPlayIndex(2), Dir_.File("lib/A/03.mp3"));
}

TEST_F(PlaySessionTest, FolderWalkSkipsTheParentEntry) {
  Open("lib", "A");
  const int last = static_cast<int>(Session_.Folders().size()) - 1;
  ASSERT_EQ(Session_.Folders()[0], "..");
  struct TCase {
    int Selected;
    TCmd Command;
    TPlayStep Expected;
  } cases[] = {
      {1, TCmd::NextFolder, Folder(2)},
      {last, TCmd::NextFolder, Folder(1)},
      {1, TCmd::PreviousFolder, Folder(last)},
      {2, TCmd::PreviousFolder, Folder(1)},
      {-1, TCmd::NextFolder, kNone},
      {-1, TCmd::PreviousFolder, kNone},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "selected " << c.Selected);
    Session_.SelectFolder(c.Selected);
    EXPECT_EQ(Run(c.Command), c.Expected);
  }
}

TEST_F(PlaySessionTest, AutoNextFolderStopsAtAFolderWithoutPlayableFiles) {
  Open("lib", "A").SetAutoNextFolder(true);
  Session_.SetPlayIndex(2);
  const TPlayStep step = Session_.Ended();
  ASSERT_EQ(step, Folder(EntryOf("B")));
  Select(step.Index);
  EXPECT_EQ(Session_.PlayPath(), Dir_.File("lib/B/"));
  EXPECT_TRUE(Session_.Files().empty());
  for (TCmd cmd : {TCmd::Play, TCmd::Next, TCmd::Previous, TCmd::Ended}) {
    EXPECT_EQ(Run(cmd), kNone);
  }
}

// A file that cannot be played counts as played; a run of failures that would go round to a
// file or folder that already failed in it stops. A normal end ends the run.
TEST_F(PlaySessionTest, FailuresAdvanceAndStopAfterOnePass) {
  struct TCase {
    TCmd Event;  // what happened to the row started last
    TPlayStep Expected;
  } cases[] = {
      {TCmd::Failed, Row(2)}, {TCmd::Failed, Row(0)}, {TCmd::Failed, kStop},
      // A new run after the stop; a file that plays ends the run, so all three may fail again.
      {TCmd::Failed, Row(1)}, {TCmd::Ended, Row(2)},  {TCmd::Failed, Row(0)},
      {TCmd::Failed, Row(1)}, {TCmd::Failed, kStop},
      // A start by the user begins the count again.
      {TCmd::Failed, Row(2)}, {TCmd::Failed, Row(0)}, {TCmd::Next, Row(1)},
      {TCmd::Failed, Row(2)}, {TCmd::Failed, Row(0)}, {TCmd::Failed, kStop},
  };
  Open("lib", "A");
  Session_.SetPlayIndex(1);
  int row = 1;
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "row " << row);
    const TPlayStep step = Run(c.Event);
    ASSERT_EQ(step, c.Expected);
    if (step.Kind == TPlayStepKind::Row) row = step.Index;
    Session_.SetPlayIndex(row);
  }

  // With auto-next-folder a failure leads into the next folder, where the count starts afresh;
  // a folder of which nothing can be played stops all the same.
  Open("lib", "A").SetAutoNextFolder(true);
  Session_.SetPlayIndex(1);
  ASSERT_EQ(Session_.Failed(), Row(2));
  Session_.SetPlayIndex(2);
  EXPECT_EQ(Session_.Failed(), Folder(EntryOf("B")));
  Open("loop", "X").SetAutoNextFolder(true);
  Session_.SetPlayIndex(0);
  EXPECT_EQ(Session_.Failed(), kStop);
}

TEST_F(PlaySessionTest, ResumeFindsTheSavedFolderAndFileByTheirBytes) {
  const std::string folder = Dir_.File("lib/" + kRain);
  struct TCase {
    std::string PlayPath;  // as saved: without its trailing delimiter
    std::string PlayFile;
    std::string FolderName;  // "" when no entry matches
    std::string FileName;    // "" when no row matches
  } cases[] = {
      {folder, folder + "/" + kRain + ".mp3", kRain, kRain + ".mp3"},
      {folder, folder + "/01.WAV", kRain, ""},  // comparisons are exact
      {Dir_.File("lib/gone"), folder + "/01.wav", "", ""},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.PlayFile);
    Session_ = TPlaySession();
    Session_.SetRootPath(Dir_.File("lib"));
    Session_.SetPlayPath(c.PlayPath);
    Session_.SetPlayFile(c.PlayFile);
    Session_.ListFolders();
    const int entry = Session_.SavedFolderIndex();
    EXPECT_EQ(entry < 0 ? "" : Session_.Folders()[entry], c.FolderName);
    if (entry < 0) continue;
    Select(entry);
    const int row = Session_.SavedFileIndex();
    EXPECT_EQ(row < 0 ? "" : Session_.Files()[row], c.FileName);
    if (row >= 0) EXPECT_EQ(Session_.SetPlayIndex(row), c.PlayFile);
  }
}

}  // namespace
