// Play-list rebuild: TfrmMain::BuildPlayList on a folder of tagged MP3s (search, extension test,
// rows, tag cells, the repaint that follows) against the bare tag reading it cannot avoid: one
// ReadTags and two GetTagValue calls per file, paths made beforehand. Warm cache; both alternate
// within each round, on Qt's offscreen platform. The folder search alone is timed too: it is the
// part of the rebuild that is neither tag reading nor the list's rows.
//
//   playlist_bench [files] [rounds]    defaults 2000 and 7; prints medians in ms and their ratio

#include <QApplication>
#include <QTableWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/uMain.h"
#include "desktop/Winplace.h"
#include "platform/FileSearch.h"
#include "platform/Hotkeys.h"
#include "platform/MessageBox.h"
#include "tags/sMediaTagReader.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

double MillisecondsOf(const std::function<void()>& work) {
  const Clock::time_point start = Clock::now();
  work();
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The bench must not grab the desktop's keys.
class TNoHotKeys : public platform::THotKeyBackend {
 public:
  bool Register(QWidget*, int, unsigned, unsigned) override { return true; }
  bool Unregister(QWidget*, int) override { return true; }
};

// One 3-second MP3 at 128 kbit/s with an ID3v2.3 tag in front and an ID3v1 tag behind, copied
// count times into dir/list; the paths, in name order.
std::vector<std::string> MakeMp3s(const fs::path& dir, int count) {
  const std::string mp3 = (dir / "tone.mp3").string();
  const std::string command =
      "timeout 120 ffmpeg -nostdin -y -loglevel error -f lavfi -i sine=frequency=440:duration=3 "
      "-ac 2 -b:a 128k -id3v2_version 3 -write_id3v1 1 -metadata 'title=Bench Title' "
      "-metadata 'artist=Bench Artist' -metadata 'album=Bench Album' '" + mp3 + "'";
  if (std::system(command.c_str()) != 0) return {};
  fs::create_directory(dir / "list");
  std::vector<std::string> paths;
  for (int i = 0; i < count; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "song%05d.mp3", i);
    paths.push_back((dir / "list" / name).string());
    fs::copy_file(mp3, paths.back(), fs::copy_options::overwrite_existing);
  }
  return paths;
}

}  // namespace

int main(int argc, char** argv) {
  const int files = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 7;
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);

  std::string pattern = (fs::temp_directory_path() / "orvane-playlist-bench-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) return 1;
  const fs::path dir = pattern;
  const std::vector<std::string> paths = MakeMp3s(dir, files);
  if (paths.empty()) {
    std::fprintf(stderr, "playlist_bench: ffmpeg could not make the MP3 file\n");
    fs::remove_all(dir);
    return 1;
  }
  {
    FILE* ini = std::fopen((dir / "orvane.ini").c_str(), "w");
    std::fputs("[Main]\nMask=1\n", ini);  // the "mp3" entry
    std::fclose(ini);
  }
  SetApplicationIniFileName((dir / "orvane.ini").string());
  platform::SetHotKeyBackend(std::make_unique<TNoHotKeys>());
  platform::SetMessageBoxShower([](const std::string&, const std::string&, unsigned) {
    return platform::IDOK;
  });

  std::vector<double> build, bare, search;
  bool right = true;
  {
    TfrmMain form;
    form.show();
    QCoreApplication::processEvents();
    form.Session().SetPlayPath((dir / "list").string() + "/");
    TsMediaTagReader reader;
    auto rebuild = [&] {
      form.BuildPlayList();
      QCoreApplication::processEvents();
    };
    auto readTags = [&] {
      for (const std::string& path : paths) {
        reader.ReadTags(path);
        right &= reader.GetTagValue("Title") == "Bench Title";
        right &= reader.GetTagValue("Artist") == "Bench Artist";
      }
    };
    auto searchOnly = [&] {
      right &= platform::FindFiles(form.Session().PlayPath() + "*.mp3").size() == paths.size();
    };
    rebuild();  // warms the cache and Qt's first-use paths
    readTags();
    for (int round = 0; round < rounds; ++round) {
      build.push_back(MillisecondsOf(rebuild));
      bare.push_back(MillisecondsOf(readTags));
      search.push_back(MillisecondsOf(searchOnly));
    }
    right &= form.ListViewPlay->rowCount() == files &&
             form.ListViewPlay->item(files - 1, 2)->text() == "Bench Artist";
  }
  const double b = Median(build), r = Median(bare);
  std::printf("play list of %d tagged MP3s, %d rounds (median):\n", files, rounds);
  std::printf("  BuildPlayList             %8.1f ms\n", b);
  std::printf("  ReadTags + 2 GetTagValue  %8.1f ms\n", r);
  std::printf("  ratio                     %8.2f x%s\n", b / r, right ? "" : "  (WRONG VALUES)");
  std::printf("  of which folder search    %8.1f ms\n", Median(search));
  platform::SetHotKeyBackend(nullptr);
  fs::remove_all(dir);
  return right ? 0 : 1;
}
