// Jacket loading against djpeg's full-size decode, and the stretch's throughput.
//
// For each size, makes Count folders holding an "a.jpg" jacket (a few distinct pictures made by
// ImageMagick, like scanned covers: 4:2:0, quality 90), then times the whole set:
//   ours:  LoadJacket on every folder (read, decode in memory, stretch to 80 x 80);
//   djpeg: "djpeg -bmp" of every file to a BMP file, one process per file, as a script loop.
// Both wall time and CPU time (user + system) are reported: on a loaded machine the wall time
// mostly measures waiting for a core. djpeg's figures include starting a process per file; that
// start-up is measured on an 8 x 8 JPEG and also reported subtracted.
//
// Usage: jacket_bench [count=200] [runs=5]   (needs convert, djpeg and GNU time)

#include "imaging/ABitmapFilters32.h"
#include "imaging/JacketLoader.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

struct TTiming {
  double WallMs = 0;
  double CpuMs = 0;
};

double MedianOf(std::vector<double> Values) {
  std::sort(Values.begin(), Values.end());
  return Values[Values.size() / 2];
}

// The medians of Runs timed runs of Work, after one warm-up run. Work returns the CPU
// milliseconds it used, or a negative value to have the process's own CPU time taken.
TTiming Median(int Runs, const std::function<double()>& Work) {
  Work();
  std::vector<double> Wall, Cpu;
  for (int i = 0; i < Runs; ++i) {
    const std::clock_t CpuStart = std::clock();
    const auto Start = Clock::now();
    const double ChildCpuMs = Work();
    Wall.push_back(std::chrono::duration<double, std::milli>(Clock::now() - Start).count());
    Cpu.push_back(ChildCpuMs >= 0 ? ChildCpuMs
                                  : 1000.0 * double(std::clock() - CpuStart) / CLOCKS_PER_SEC);
  }
  return {MedianOf(Wall), MedianOf(Cpu)};
}

void Run(const std::string& Command) {
  if (std::system(Command.c_str()) != 0) {
    std::fprintf(stderr, "failed: %s\n", Command.c_str());
    std::exit(1);
  }
}

std::string Quote(const fs::path& Path) { return "'" + Path.string() + "'"; }

// Count folders "0", "1", ... under Root, each with an a.jpg of Side x Side pixels.
std::vector<fs::path> MakeJackets(const fs::path& Root, int Side, int Count) {
  constexpr int Variants = 4;
  std::vector<fs::path> Pictures;
  for (int v = 0; v < Variants; ++v) {
    const fs::path Picture = Root / ("variant" + std::to_string(v) + ".jpg");
    const std::string Size = std::to_string(Side) + "x" + std::to_string(Side);
    Run("convert -seed " + std::to_string(v + 1) + " -size " + Size + " plasma:fractal -blur 0x1 " +
        "-quality 90 -sampling-factor 2x2 " + Quote(Picture));
    Pictures.push_back(Picture);
  }
  std::vector<fs::path> Jackets;
  for (int i = 0; i < Count; ++i) {
    const fs::path Folder = Root / std::to_string(i);
    fs::create_directories(Folder);
    fs::copy_file(Pictures[i % Variants], Folder / "a.jpg", fs::copy_options::overwrite_existing);
    Jackets.push_back(Folder / "a.jpg");
  }
  return Jackets;
}

// A script at Script that runs djpeg with Options on every file, writing Out each time.
fs::path DjpegScript(const fs::path& Script, const std::vector<fs::path>& Files,
                     const std::string& Options, const fs::path& Out) {
  std::ofstream List(Script);
  for (const fs::path& File : Files)
    List << "djpeg " << Options << " -outfile " << Quote(Out) << " " << Quote(File)
         << " || exit 1\n";
  return Script;
}

// Runs the script under GNU time; gives the CPU milliseconds of the shell and its children.
double RunTimed(const fs::path& Script) {
  fs::path Report = Script;
  Report += ".time";  // beside the script, inside the bench's own temporary folder
  Run("/usr/bin/time -f '%U %S' -o " + Quote(Report) + " sh " + Quote(Script));
  std::ifstream In(Report);
  double User = 0, System = 0;
  In >> User >> System;
  return 1000.0 * (User + System);
}

void BenchSize(const fs::path& Root, int Side, int Count, int Runs) {
  const fs::path Dir = Root / ("s" + std::to_string(Side));
  fs::create_directories(Dir);
  const std::vector<fs::path> Jackets = MakeJackets(Dir, Side, Count);

  const TTiming Ours = Median(Runs, [&] {
    for (const fs::path& Jacket : Jackets)
      if (!LoadJacket((Jacket.parent_path() / "a").string())) std::exit(1);
    return -1.0;
  });
  const fs::path Djpeg = DjpegScript(Dir / "bmp.sh", Jackets, "-bmp", Dir / "out.bmp");
  const TTiming Peer = Median(Runs, [&] { return RunTimed(Djpeg); });

  // Process start-up: the same loop over an 8 x 8 picture.
  const fs::path Tiny = Dir / "tiny.jpg";
  Run("convert -size 8x8 xc:gray -quality 90 " + Quote(Tiny));
  const fs::path TinyLoop = DjpegScript(
      Dir / "tiny.sh", std::vector<fs::path>(Jackets.size(), Tiny), "-bmp", Dir / "tiny.bmp");
  const TTiming Startup = Median(Runs, [&] { return RunTimed(TinyLoop); });

  const auto Report = [&](const char* What, double OursMs, double PeerMs, double StartupMs) {
    const double PeerDecodeMs = std::max(PeerMs - StartupMs, 0.0);
    std::printf("%4d x %-4d %-4s LoadJacket %7.3f ms/jacket | djpeg -bmp %7.3f ms/file, "
                "%7.3f without process start | ratio %.2f, %.2f\n",
                Side, Side, What, OursMs / Count, PeerMs / Count, PeerDecodeMs / Count,
                OursMs / PeerMs, PeerDecodeMs > 0 ? OursMs / PeerDecodeMs : 0.0);
  };
  Report("wall", Ours.WallMs, Peer.WallMs, Startup.WallMs);
  Report("cpu", Ours.CpuMs, Peer.CpuMs, Startup.CpuMs);

  // For reference, the decode alone: top-down PPM into /dev/null, no BMP buffering or file.
  const fs::path PlainLoop = DjpegScript(Dir / "ppm.sh", Jackets, "-ppm", "/dev/null");
  const TTiming Plain = Median(Runs, [&] { return RunTimed(PlainLoop); });
  std::printf("%4d x %-4d cpu  djpeg -ppm to /dev/null %7.3f ms/file, %7.3f without process "
              "start | ratio %.2f\n",
              Side, Side, Plain.CpuMs / Count, std::max(Plain.CpuMs - Startup.CpuMs, 0.0) / Count,
              Ours.CpuMs / std::max(Plain.CpuMs - Startup.CpuMs, 1e-9));
}

// Destination megapixels per second of StretchNearest from a Side x Side source to DstW x DstH.
void BenchStretch(int SrcSide, int DstSide, int Runs) {
  TABitmap Src;
  Src.SetSize(SrcSide, SrcSide);
  for (int y = 0; y < SrcSide; ++y)
    for (int x = 0; x < SrcSide; ++x) Src.ScanLine(y)[x] = static_cast<uint32_t>(x * 31 + y);
  TABitmap Dst;
  Dst.SetSize(DstSide, DstSide);
  const int Repeats = std::max(1, 20'000'000 / (DstSide * DstSide));
  const double Ms = Median(Runs, [&] {
                      for (int i = 0; i < Repeats; ++i)
                        StretchNearest(DstSide, DstSide, Src, 0, 0, SrcSide, SrcSide, 0, 0, Dst);
                      return -1.0;
                    }).CpuMs;
  const double Megapixels = double(DstSide) * DstSide * Repeats / 1e6;
  std::printf("StretchNearest %4d^2 -> %4d^2: %8.1f destination Mpixel/s (CPU time)\n", SrcSide,
              DstSide, Megapixels / (Ms / 1000.0));
}

}  // namespace

int main(int argc, char** argv) {
  const int Count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
  const int Runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  std::string Template = (fs::temp_directory_path() / "orvane-jacket-bench-XXXXXX").string();
  if (mkdtemp(Template.data()) == nullptr) return 1;
  const fs::path Root = Template;
  std::printf("%d jackets a set, median of %d runs\n", Count, Runs);
  BenchSize(Root, 500, Count, Runs);
  BenchSize(Root, 1500, Count, Runs);
  BenchStretch(1500, 80, Runs);
  BenchStretch(500, 80, Runs);
  BenchStretch(1000, 2000, Runs);
  BenchStretch(2000, 1000, Runs);
  fs::remove_all(Root);
  return 0;
}
