// BuildFolderList on generated libraries, with the jacket workers and without, against the
// CPU time djpeg needs for the same jackets.
//
//   jackets:    200 folders, each with a 500 x 500 "a.jpg" (4:2:0, quality 90)
//   no jackets: 2,000 empty folders
// For each, the median wall time of BuildFolderList on the real window (offscreen) with one
// worker per core and with none (every jacket on the GUI thread). The peer figure is the sum of
// djpeg's CPU time (user + system) over full-size decodes of the same files, less djpeg's own
// start-up (measured on an 8 x 8 JPEG); divided by the cores it is the best a pool could do.
//
// Then the return to the root folder of 2,000 jacketed albums, without a jacket cache (every
// jacket decoded), with the cache empty at every return (the first) and filled (the later
// ones), and of 10,000 plain folders. The jacket
// cache is a private one; for the decoding figures above it cannot be written, so every jacket
// is decoded.
//
// Usage: QT_QPA_PLATFORM=offscreen folderpane_bench [runs=5]   (needs djpeg)

#include <QApplication>
#include <QImage>
#include <QListWidget>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "desktop/Winplace.h"
#include "app/AppTestSupport.h"
#include "app/uMain.h"
#include "imaging/JacketTiles.h"
#include "platform/MessageBox.h"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

// before runs ahead of every run, outside the time.
double MedianMs(int runs, const std::function<void()>& work,
                const std::function<void()>& before = [] {}) {
  before();
  work();  // warm the page cache
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    before();
    const auto start = Clock::now();
    work();
    times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

double ChildrenCpuMs() {
  rusage usage{};
  ::getrusage(RUSAGE_CHILDREN, &usage);
  return usage.ru_utime.tv_sec * 1e3 + usage.ru_utime.tv_usec / 1e3 +
         usage.ru_stime.tv_sec * 1e3 + usage.ru_stime.tv_usec / 1e3;
}

// djpeg's CPU time for a full-size decode of every file, its start-up left out.
double DjpegSumMs(const std::vector<std::string>& files, const std::string& tiny) {
  const auto run = [](const std::string& file) {
    const std::string command = "djpeg -bmp -outfile /dev/null '" + file + "'";
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "failed: %s\n", command.c_str());
  };
  double before = ChildrenCpuMs();
  for (int i = 0; i < 20; ++i) run(tiny);
  const double startupMs = (ChildrenCpuMs() - before) / 20;
  before = ChildrenCpuMs();
  for (const std::string& file : files) run(file);
  return std::max(ChildrenCpuMs() - before - startupMs * files.size(), 0.0);
}

QImage Cover(int seed) {
  QImage image(500, 500, QImage::Format_RGB32);
  for (int y = 0; y < 500; ++y)
    for (int x = 0; x < 500; ++x)
      image.setPixel(x, y, qRgb((x * 7 + seed * 31) & 255, (y * 3 + x / 5) & 255,
                                ((x ^ y) + seed * 17) & 255));
  return image;
}

// Back to the root folder of a large library (Backspace, ".."): the rebuild and the view's layout
// that follows it, on a shown window, for 2,000 jacketed albums and 10,000 plain folders.
void ReturnToRoot(const fs::path& root, const fs::path& cache, int runs) {
  const fs::path large = root / "large";
  const QImage cover = Cover(3);
  for (int i = 0; i < 2000; ++i) {
    const fs::path folder = large / "jackets" / ("album" + std::to_string(i));
    fs::create_directories(folder);
    cover.save(QString::fromStdString((folder / "a.jpg").string()), "JPG", 90);
  }
  for (int i = 0; i < 10000; ++i) fs::create_directories(large / "plain" / ("f" + std::to_string(i)));
  TfrmMain form(orvane_test::MakeEngineWithoutGraph);
  form.show();
  QCoreApplication::processEvents();
  enum TCache { Kept, Emptied, Unusable };
  const struct {
    const char* Name;
    const char* Library;
    TCache Cache;
  } cases[] = {{"jackets, no cache", "jackets", Unusable},
               {"jackets, cold cache", "jackets", Emptied},
               {"jackets, warm cache", "jackets", Kept},
               {"plain", "plain", Kept}};
  for (const auto& c : cases) {
    form.RootPath = (large / c.Library).string() + "/";
    // Emptied by moving it aside (removed at the end): the file system's work on thousands of
    // files just deleted is no part of a first start.
    int moved = 0;
    const auto emptyCache = [&] {
      if (c.Cache == Emptied && fs::exists(cache))
        fs::rename(cache, cache.string() + "-old" + std::to_string(moved++));
    };
    if (c.Cache == Unusable) std::ofstream(cache) << "not a folder";
    const double ms = MedianMs(
        runs,
        [&] {
          form.BuildFolderList();
          QCoreApplication::processEvents();  // the deferred layout of the entries
        },
        emptyCache);
    std::printf("return to root, %-19s %5d entries: %8.1f ms (target <= 500)\n", c.Name,
                form.ListViewFolder->count(), ms);
    if (c.Cache == Unusable) fs::remove(cache);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  int qtArgc = 1;
  QApplication application(qtArgc, argv);
  platform::SetMessageBoxShower(
      [](const std::string& text, const std::string&, unsigned) {
        std::fprintf(stderr, "message: %s\n", text.c_str());
        return platform::IDOK;
      });
  const fs::path root =
      fs::temp_directory_path() / ("orvane-panebench-" + std::to_string(::getpid()));
  fs::create_directories(root / "jackets");
  fs::create_directories(root / "plain");
  // A file where the cache folder would go: the decoding figures decode every jacket.
  const fs::path cache = root / "cache";
  ::setenv("XDG_CACHE_HOME", cache.c_str(), 1);
  std::ofstream(cache) << "not a folder";
  SetApplicationIniFileName((root / "orvane.ini").string());

  std::vector<std::string> jpegs;
  for (int i = 0; i < 200; ++i) {
    const fs::path folder = root / "jackets" / ("album" + std::to_string(i));
    fs::create_directory(folder);
    jpegs.push_back((folder / "a.jpg").string());
    Cover(i % 16).save(QString::fromStdString(jpegs.back()), "JPG", 90);
  }
  for (int i = 0; i < 2000; ++i)
    fs::create_directory(root / "plain" / ("folder" + std::to_string(i)));
  const std::string tiny = (root / "tiny.jpg").string();
  QImage(8, 8, QImage::Format_RGB32).save(QString::fromStdString(tiny), "JPG", 90);

  const int cores = TJacketTileMaker::DefaultThreads();
  {
    // No media graph: the bench needs the window, not playback.
    TfrmMain form(orvane_test::MakeEngineWithoutGraph);
    for (const char* library : {"jackets", "plain"}) {
      form.Session().SetRootPath((root / library).string() + "/");
      form.SetFolderTileThreads(-1);
      const double parallelMs = MedianMs(runs, [&] { form.BuildFolderList(); });
      form.SetFolderTileThreads(0);
      const double sequentialMs = MedianMs(runs, [&] { form.BuildFolderList(); });
      std::printf("%-10s %5d entries: parallel (%d workers) %8.1f ms, sequential %8.1f ms, "
                  "ratio %.2f\n",
                  library, form.ListViewFolder->count(), cores, parallelMs, sequentialMs,
                  sequentialMs / parallelMs);
      if (std::string(library) == "jackets") {
        const double djpegMs = DjpegSumMs(jpegs, tiny);
        std::printf("           djpeg sum %8.1f ms CPU, / %d cores = %8.1f ms; parallel build is "
                    "%.2f x that (target <= 1.3)\n",
                    djpegMs, cores, djpegMs / cores, parallelMs / (djpegMs / cores));
      }
    }
  }
  fs::remove(cache);
  ReturnToRoot(root, cache, runs);
  SetApplicationIniFileName("");
  fs::remove_all(root);
  return 0;
}
