// The play list: which files of a folder each filter entry lists, the tag cells of each row, the
// raw bytes of names that are not UTF-8, the filter box's fall-backs, the list's rebuild while a
// file plays, and the selected row's colour.

#include <gtest/gtest.h>

#include <QAction>
#include <QImage>
#include <QKeyEvent>
#include <QStatusBar>
#include <QTableWidget>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "AppTestSupport.h"
#include "app/FilterComboBox.h"
#include "app/PlayableExtensions.h"
#include "app/uMain.h"
#include "desktop/Winplace.h"
#include "engine/VideoGate1000.h"
#include "platform/CodePage.h"
#include "platform/mediagraph/MediaRuntime.h"

using namespace orvane_test;
using Names = std::vector<std::string>;

namespace {

// "テスト" and "歌手" in Shift-JIS: not valid UTF-8, so shown decoded as code page 932.
const std::string kSjisTest = "\x83\x65\x83\x58\x83\x67";
const std::string kSjisSinger = "\x89\xcc\x8e\xe8";

std::string Padded(const std::string& text, size_t size) {
  std::string field = text.substr(0, size);
  field.resize(size, '\0');
  return field;
}

// Eight silent MPEG-1 Layer III frames (128 kbit/s, 44.1 kHz: 417 bytes each), then an ID3v1 tag.
std::string Id3v1Mp3(const std::string& title, const std::string& artist) {
  std::string audio;
  for (int frame = 0; frame < 8; ++frame) {
    audio += std::string("\xFF\xFB\x90\x00", 4) + std::string(413, '\0');
  }
  return audio + "TAG" + Padded(title, 30) + Padded(artist, 30) +
         Padded("", 30) /* album */ + Padded("", 4) /* year */ + Padded("", 30) /* comment */ +
         "\xFF" /* genre: none */;
}

// 16-bit mono PCM at 8 kHz, silent.
std::string SilentWav(int seconds) {
  auto le = [](uint32_t v, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
    return out;
  };
  const uint32_t dataBytes = 8000u * 2u * static_cast<uint32_t>(seconds);
  return "RIFF" + le(36 + dataBytes, 4) + "WAVE" + "fmt " + le(16, 4) + le(1, 2) /* PCM */ +
         le(1, 2) /* mono */ + le(8000, 4) + le(16000, 4) /* bytes per second */ +
         le(2, 2) /* block */ + le(16, 2) /* bits */ + "data" + le(dataBytes, 4) +
         std::string(dataBytes, '\0');
}

// The real engine on fake sinks that render in real time.
std::unique_ptr<TVideoGate1000> RealEngine() {
  using platform::TSinkOptions;
  return std::make_unique<TVideoGate1000>(std::make_shared<platform::TMediaRuntime>(
      TSinkOptions{TSinkOptions::TKind::Fake, true, nullptr, nullptr}));
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    QCoreApplication::processEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

class PlayListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureApplication();
    SetApplicationIniFileName(IniPath);
  }
  void TearDown() override { SetApplicationIniFileName(""); }

  // A shown window whose play list is built from Music with the settings written before.
  std::unique_ptr<TfrmMain> Open(TfrmMain::TEngineFactory engine = MakeEngineWithoutGraph) {
    auto form = std::make_unique<TfrmMain>(engine);
    form->show();
    QCoreApplication::processEvents();
    form->Session().SetPlayPath(Music.Path() + "/");
    form->BuildPlayList();
    return form;
  }

  void Put(const std::string& name, const std::string& bytes) {
    WriteFile(Music.File(name), bytes);
  }

  // The rows' raw names, in list order.
  static Names Rows(const TfrmMain& form) {
    Names names;
    for (int row = 0; row < form.ListViewPlay->rowCount(); ++row) {
      const QVariant raw = form.ListViewPlay->item(row, 0)->data(Qt::UserRole);
      names.push_back(raw.toByteArray().toStdString());
    }
    return names;
  }

  TTempDir Settings;
  TTempDir Music;
  std::string IniPath = Settings.File("orvane.ini");
  TMessageRecorder Messages;
  THotKeyRecorder HotKeys;
};

}  // namespace

TEST(PlayableExtensionsTest, LastDotDecidesLetterCaseIgnoredAndTheListComesFromItsText) {
  const TPlayableExtensions defaults;
  EXPECT_EQ(defaults.Extensions(),
            (Names{".wav", ".mp3", ".avi", ".wmv", ".mpg", ".m2p", ".vob", ".vg2"}));
  const struct {
    const char* name;
    bool listed;
  } names[] = {{"01.MP3", true},        {"a.Vg2", true},  {".mp3", true},  {"song.mp3.txt", false},
               {"mp3", false},          {"a.mp3.", false}, {"a.flac", false}, {"a.mp", false}};
  for (const auto& c : names) EXPECT_EQ(defaults.Matches(c.name), c.listed) << c.name;

  const TPlayableExtensions custom(" flac, .OGG ,,mp3 ");
  EXPECT_EQ(custom.Extensions(), (Names{".flac", ".OGG", ".mp3"}));
  EXPECT_EQ(custom.Text(), " flac, .OGG ,,mp3 ");
  EXPECT_TRUE(custom.Matches("x.ogg"));
  EXPECT_FALSE(custom.Matches("x.wav"));
  // Naming nothing would empty every folder's list; the eight types stand in.
  EXPECT_EQ(TPlayableExtensions(" , ").Extensions(), defaults.Extensions());
  EXPECT_EQ(TPlayableExtensions(" , ").Text(), " , ");
}

TEST_F(PlayListTest, EachFilterEntryListsOnlyPlayableFilesInTheSearchesNameOrder) {
  Put("02.mp3", Id3v1Mp3("Two", ""));
  Put("01.MP3", Id3v1Mp3("One", ""));
  Put("cover.jpg", "\xFF\xD8\xFF");
  Put("song.mp3.txt", Id3v1Mp3("Text", ""));
  Put("clip.wmv", std::string(2048, '\0'));
  std::filesystem::create_directory(Music.File("extra"));
  std::filesystem::create_directory(Music.File("folder.mp3"));
  auto form = Open();
  const struct {
    int entry;
    Names rows;
  } cases[] = {{0, {}},
               {1, {"01.MP3", "02.mp3"}},
               {3, {"clip.wmv"}},
               {8, {"01.MP3", "02.mp3", "clip.wmv"}}};
  for (const auto& c : cases) {
    form->FilterComboBox1->SetItemIndex(c.entry);
    form->BuildPlayList();
    EXPECT_EQ(Rows(*form), c.rows) << "entry " << c.entry;
    EXPECT_TRUE(form->ListViewPlay->selectedItems().isEmpty());
  }
}

TEST_F(PlayListTest, EveryRowHasThreeCellsWithTheTagsAsTheyDisplay) {
  WriteFile(IniPath, "[Main]\nMask=8\n");
  Put("01.mp3", Id3v1Mp3("One", "Band"));
  Put("sjis.mp3", Id3v1Mp3(kSjisTest, kSjisSinger));
  Put("clip.wmv", std::string(2048, '\0'));
  // Listed by the search, gone when its tags are read.
  std::filesystem::create_symlink(Music.File("missing.mp3"), Music.File("gone.mp3"));
  auto form = Open();
  const struct {
    const char* name;
    const char* title;
    const char* artist;
  } rows[] = {{"01.mp3", "One", "Band"},
              {"sjis.mp3", "テスト", "歌手"},
              {"clip.wmv", "", ""},
              {"gone.mp3", "", ""}};
  const Names listed = Rows(*form);
  ASSERT_EQ(listed.size(), std::size(rows));
  for (const auto& expected : rows) {
    const int row = static_cast<int>(std::find(listed.begin(), listed.end(), expected.name) -
                                     listed.begin());
    ASSERT_LT(row, static_cast<int>(listed.size())) << expected.name;
    for (int column = 0; column < 3; ++column) {
      ASSERT_NE(form->ListViewPlay->item(row, column), nullptr) << expected.name << column;
    }
    EXPECT_EQ(form->ListViewPlay->item(row, 0)->text().toStdString(), expected.name);
    EXPECT_EQ(form->ListViewPlay->item(row, 1)->text().toStdString(), expected.title);
    EXPECT_EQ(form->ListViewPlay->item(row, 2)->text().toStdString(), expected.artist);
  }
}

TEST_F(PlayListTest, ShiftJisNamesAreShownDecodedAndPlayAndResumeFromTheirBytes) {
  // A Shift-JIS folder holding a Shift-JIS file, both reached through the real folder pane; the
  // file lists after "zz.mp3" (its first byte is above "Z").
  const std::string album = Music.File(kSjisSinger);
  const std::string file = album + "/" + kSjisTest + ".mp3";
  const std::string other = album + "/zz.mp3";
  std::filesystem::create_directory(album);
  WriteFile(file, Id3v1Mp3("", ""));
  WriteFile(other, Id3v1Mp3("", ""));
  WriteFile(IniPath, "[Main]\nPath=" + Music.Path() + "\nPlayPath=" + album + "/\nMask=1\n");
  {
    TfrmMain form(RealEngine);
    form.show();
    QCoreApplication::processEvents();
    ASSERT_EQ(form.ListViewPlay->rowCount(), 2);
    EXPECT_EQ(form.ListViewPlay->item(1, 0)->text().toStdString(), "テスト.mp3");
    form.ListViewPlay->selectRow(1);
    form.ActionPlay->trigger();
    EXPECT_EQ(form.Session().PlayFile(), file);
    // It plays to its end, and the list goes on (round to row 0), naming the next file only.
    ASSERT_TRUE(WaitUntil([&] { return form.Session().PlayFile() == other; }, std::chrono::seconds(10)));
    EXPECT_EQ(form.StatusBar1->currentMessage().toStdString(), platform::AnsiToUtf8(other));
    form.ListViewPlay->selectRow(1);
    form.ActionPlay->trigger();
  }
  EXPECT_NE(ReadFile(IniPath).find("PlayFile=" + file + "\n"), std::string::npos);
  TfrmMain form(RealEngine);
  form.show();
  QCoreApplication::processEvents();
  ASSERT_EQ(form.ListViewPlay->rowCount(), 2);
  EXPECT_EQ(form.ListViewPlay->selectionModel()->selectedRows().size(), 1);
  EXPECT_EQ(form.Session().PlayIndex(), 1);
  EXPECT_EQ(form.Engine()->FileName(), file);
  EXPECT_TRUE(form.Engine()->Playing());
}

TEST_F(PlayListTest, FilterBoxFallsBackToItsLastEntryOrToEveryFile) {
  Put("a.wav", SilentWav(1));
  Put("b.mp3", Id3v1Mp3("", ""));
  Put("c.txt", "text");
  const struct {
    const char* ini;
    int index;
  } cases[] = {{"[Main]\nMask=99\n", 8},                 // none selected: the last, "all"
               {"[Main]\nMask=0\n[Play]\nFilter=\n", -1}};  // no entries: "*.*"
  for (const auto& c : cases) {
    WriteFile(IniPath, c.ini);
    auto form = Open();
    EXPECT_EQ(form->FilterComboBox1->ItemIndex(), c.index) << c.ini;
    EXPECT_EQ(Rows(*form), (Names{"a.wav", "b.mp3"})) << c.ini;
  }
}

TEST_F(PlayListTest, PickingAnotherEntryRebuildsAtOnceWhileTheFileGoesOnPlaying) {
  Put("tone.wav", SilentWav(30));
  Put("01.mp3", Id3v1Mp3("One", "Band"));
  auto form = Open([] {
    using platform::TSinkOptions;
    return std::make_unique<TVideoGate1000>(std::make_shared<platform::TMediaRuntime>(
        TSinkOptions{TSinkOptions::TKind::Fake, true, nullptr, nullptr}));
  });
  ASSERT_EQ(Rows(*form), Names{"tone.wav"});
  form->ListViewPlay->selectRow(0);
  form->ActionPlay->trigger();
  ASSERT_TRUE(form->Engine()->Playing());
  ASSERT_TRUE(WaitUntil([&] { return form->Engine()->GetPosition() > 0; }, std::chrono::seconds(10)));

  // The user steps the closed box from "wav" to "mp3" with the keyboard.
  QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
  QCoreApplication::sendEvent(form->FilterComboBox1, &down);
  EXPECT_EQ(form->FilterComboBox1->currentText().toStdString(), "mp3");
  EXPECT_EQ(Rows(*form), Names{"01.mp3"});
  EXPECT_EQ(form->ListViewPlay->item(0, 1)->text().toStdString(), "One");
  EXPECT_TRUE(form->ListViewPlay->selectedItems().isEmpty());
  EXPECT_EQ(form->Session().PlayIndex(), 0);
  EXPECT_EQ(form->Session().PlayFile(), Music.File("tone.wav"));
  EXPECT_TRUE(form->Engine()->Playing());
  const int64_t before = form->Engine()->GetPosition();
  EXPECT_TRUE(WaitUntil([&] { return form->Engine()->GetPosition() > before; },
                        std::chrono::seconds(10)));
  form->Engine()->Stop();
}

TEST_F(PlayListTest, AddedExtensionsListTheirFilesWithTagsAndAreWrittenBack) {
  const std::string flac = Music.File("song.flac");
  const std::string command =
      "timeout 60 ffmpeg -nostdin -loglevel error -f lavfi -i anullsrc=r=8000:cl=mono -t 0.2 "
      "-metadata 'title=Flac Title' -metadata 'artist=Flac Artist' '" + flac + "'";
  ASSERT_EQ(std::system(command.c_str()), 0) << "ffmpeg could not make a FLAC file";
  Put("01.mp3", Id3v1Mp3("One", "Band"));
  Put("tone.wav", SilentWav(1));
  WriteFile(IniPath, "[Main]\nMask=8\n[Play]\nPlayableExtensions=mp3, FLAC\n");
  {
    auto form = Open();
    EXPECT_EQ(Rows(*form), (Names{"01.mp3", "song.flac"}));
    EXPECT_EQ(form->ListViewPlay->item(1, 1)->text().toStdString(), "Flac Title");
    EXPECT_EQ(form->ListViewPlay->item(1, 2)->text().toStdString(), "Flac Artist");
  }
  EXPECT_NE(ReadFile(IniPath).find("PlayableExtensions=mp3, FLAC\n"), std::string::npos);
}

TEST_F(PlayListTest, SelectedRowKeepsTheActiveHighlightWithoutTheFocus) {
  Put("01.mp3", Id3v1Mp3("", ""));
  WriteFile(IniPath, "[Main]\nMask=1\n");
  auto form = Open();
  // Qt paints a selection in the inactive colours while the window is not the active one.
  QPalette palette = form->ListViewPlay->palette();
  palette.setColor(QPalette::Active, QPalette::Highlight, QColor(10, 36, 106));
  palette.setColor(QPalette::Inactive, QPalette::Highlight, QColor(191, 191, 191));
  form->ListViewPlay->setPalette(palette);
  form->ListViewPlay->selectRow(0);
  // Another window of the desktop takes the focus.
  QWidget other;
  other.show();
  other.activateWindow();
  ASSERT_TRUE(WaitUntil([&] { return !form->isActiveWindow(); }, std::chrono::seconds(5)));
  ASSERT_FALSE(form->ListViewPlay->hasFocus());
  // Near the right end of the name cell, past the short name's text.
  const QRect cell = form->ListViewPlay->visualRect(form->ListViewPlay->model()->index(0, 0));
  const QPoint inside(cell.right() - 4, cell.center().y());
  const QImage shot = form->ListViewPlay->viewport()->grab().toImage();
  ASSERT_TRUE(shot.rect().contains(inside));
  EXPECT_EQ(shot.pixelColor(inside), QColor(10, 36, 106));
}
