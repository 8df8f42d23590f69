// Tag reading throughput: the front-end's ReadTags + GetTagValue("Title") + GetTagValue("Artist"),
// as the play list does it for every file, against TagLib's FileRef (audio properties in fast
// mode) reading the same title and artist. 1,000 MP3 files with ID3v2 and ID3v1 tags, then
// 1,000 Ogg Vorbis files; warm cache; both readers alternate within each round.
//
//   tags_bench [files] [rounds]     defaults 1000 and 7; prints medians in files per second
//   tags_bench --make DIR [files]   only writes the files, into DIR/mp3 and DIR/ogg, for the
//                                   whole-process benchmark (tags_process_bench)

#include <taglib/fileref.h>
#include <taglib/tag.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include <time.h>

#include "tags/sMediaTagReader.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

struct TSample {
  std::string Path, Title, Artist;
};

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

bool Run(const std::string& command) {
  return std::system(("timeout 120 " + command + " >/dev/null 2>&1").c_str()) == 0;
}

std::vector<char> Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<char>(std::istreambuf_iterator<char>(in), {});
}

void Put32BE(std::string& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>(v >> shift);
}

// An ID3v2.3 tag with Latin-1 title, artist and album frames and 1 KB of padding, as taggers
// leave room for later edits.
std::string ID3v2Tag(const std::string& title, const std::string& artist) {
  std::string frames;
  for (const auto& [id, text] : {std::pair<std::string, std::string>{"TIT2", title},
                                 {"TPE1", artist}, {"TALB", "Benchmark Album"}}) {
    frames += id;
    Put32BE(frames, static_cast<uint32_t>(text.size() + 1));
    frames += std::string("\0\0\0", 3) + text;
  }
  frames.append(1024, '\0');
  std::string tag = "ID3";
  tag += std::string("\3\0\0", 3);
  const uint32_t size = static_cast<uint32_t>(frames.size());
  for (int shift = 21; shift >= 0; shift -= 7) tag += static_cast<char>(size >> shift & 0x7F);
  return tag + frames;
}

std::string ID3v1Tag(const std::string& title, const std::string& artist) {
  auto field = [](const std::string& s) { return (s + std::string(30, '\0')).substr(0, 30); };
  return "TAG" + field(title) + field(artist) + field("Benchmark Album") + "2026" +
         std::string(30, '\0') + std::string(1, '\x0C');
}

std::vector<TSample> MakeMp3s(const fs::path& dir, int count) {
  const std::string wav = (dir / "tone.wav").string(), mp3 = (dir / "tone.mp3").string();
  if (!Run("ffmpeg -nostdin -y -f lavfi -i sine=frequency=440:duration=3 -ac 2 '" + wav + "'") ||
      !Run("lame --quiet -b 128 '" + wav + "' '" + mp3 + "'")) {
    return {};
  }
  const std::vector<char> audio = Slurp(mp3);
  std::vector<TSample> samples;
  for (int i = 0; i < count; ++i) {
    TSample s{(dir / ("song" + std::to_string(i) + ".mp3")).string(),
              "Title " + std::to_string(i), "Artist " + std::to_string(i)};
    std::ofstream out(s.Path, std::ios::binary);
    const std::string front = ID3v2Tag(s.Title, s.Artist), back = ID3v1Tag(s.Title, s.Artist);
    out.write(front.data(), static_cast<std::streamsize>(front.size()));
    out.write(audio.data(), static_cast<std::streamsize>(audio.size()));
    out.write(back.data(), static_cast<std::streamsize>(back.size()));
    samples.push_back(s);
  }
  return samples;
}

std::vector<TSample> MakeOggs(const fs::path& dir, int count) {
  const std::string wav = (dir / "tone.wav").string(), ogg = (dir / "tone.ogg").string();
  if (!Run("oggenc -Q -o '" + ogg + "' '" + wav + "'")) return {};
  std::vector<TSample> samples;
  for (int i = 0; i < count; ++i) {
    TSample s{(dir / ("song" + std::to_string(i) + ".ogg")).string(),
              "Title " + std::to_string(i), "Artist " + std::to_string(i)};
    fs::copy_file(ogg, s.Path, fs::copy_options::overwrite_existing);
    if (!Run("vorbiscomment -w -t 'TITLE=" + s.Title + "' -t 'ARTIST=" + s.Artist +
             "' -t 'ALBUM=Benchmark Album' '" + s.Path + "'")) {
      return {};
    }
    samples.push_back(s);
  }
  return samples;
}

// One pass over all files; the count of files whose title and artist came out right.
int OrvanePass(const std::vector<TSample>& samples) {
  TsMediaTagReader reader;
  int right = 0;
  for (const TSample& s : samples) {
    reader.ReadTags(s.Path);
    right += reader.GetTagValue("Title") == s.Title && reader.GetTagValue("Artist") == s.Artist;
  }
  return right;
}

int TagLibPass(const std::vector<TSample>& samples) {
  int right = 0;
  for (const TSample& s : samples) {
    TagLib::FileRef file(s.Path.c_str(), true, TagLib::AudioProperties::Fast);
    if (file.isNull() || file.tag() == nullptr) continue;
    right += file.tag()->title().to8Bit(true) == s.Title &&
             file.tag()->artist().to8Bit(true) == s.Artist;
  }
  return right;
}

// CPU time of this thread, user and system: on a machine shared with other work the wall clock
// also counts the time spent waiting for a processor, which is nobody's reading cost.
double CpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return ts.tv_sec + ts.tv_nsec / 1e9;
}

struct TRates {
  std::vector<double> Wall, Cpu;  // files per second, one entry per round
};

void Compare(const char* kind, const std::vector<TSample>& samples, int rounds) {
  if (samples.empty()) {
    std::printf("%s: could not make the files\n", kind);
    return;
  }
  // The first pass of each warms the cache.
  const int orvaneRight = OrvanePass(samples), tagLibRight = TagLibPass(samples);
  TRates orvane, tagLib;
  for (int r = 0; r < rounds; ++r) {
    for (auto [pass, rates] : {std::pair{&OrvanePass, &orvane}, std::pair{&TagLibPass, &tagLib}}) {
      const auto start = Clock::now();
      const double cpuStart = CpuSeconds();
      pass(samples);
      const double cpu = CpuSeconds() - cpuStart;
      const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
      rates->Wall.push_back(samples.size() / seconds);
      rates->Cpu.push_back(samples.size() / cpu);
    }
  }
  std::printf("%s, %zu files, %d rounds (median files per second, wall clock | CPU time):\n", kind,
              samples.size(), rounds);
  std::printf("  orvane  %9.0f | %9.0f  (%d/%zu titles and artists right)\n", Median(orvane.Wall),
              Median(orvane.Cpu), orvaneRight, samples.size());
  std::printf("  TagLib  %9.0f | %9.0f  (%d/%zu titles and artists right)\n", Median(tagLib.Wall),
              Median(tagLib.Cpu), tagLibRight, samples.size());
  std::printf("  ratio   %9.2f | %9.2f x\n", Median(orvane.Wall) / Median(tagLib.Wall),
              Median(orvane.Cpu) / Median(tagLib.Cpu));
}

// Writes the benchmark's files into dir/mp3 and dir/ogg and keeps them.
int MakeOnly(const fs::path& dir, int count) {
  fs::create_directories(dir / "mp3");
  fs::create_directories(dir / "ogg");
  bool made = !MakeMp3s(dir / "mp3", count).empty();
  std::error_code copied;
  fs::copy_file(dir / "mp3/tone.wav", dir / "ogg/tone.wav", copied);  // the Oggs' source too
  made = made && !copied && !MakeOggs(dir / "ogg", count).empty();
  for (const char* scratch : {"mp3/tone.wav", "mp3/tone.mp3", "ogg/tone.wav", "ogg/tone.ogg"}) {
    std::error_code ec;
    fs::remove(dir / scratch, ec);
  }
  if (!made) std::fprintf(stderr, "tags_bench: could not make the files in %s\n", dir.c_str());
  return made ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 2 && std::string(argv[1]) == "--make") {
    return MakeOnly(argv[2], argc > 3 ? std::atoi(argv[3]) : 1000);
  }
  const int count = argc > 1 ? std::atoi(argv[1]) : 1000;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 7;
  std::string tmpl = (fs::temp_directory_path() / "orvane-tags-bench-XXXXXX").string();
  if (mkdtemp(tmpl.data()) == nullptr) return 1;
  const fs::path dir = tmpl;
  Compare("MP3 (ID3v2.3 + ID3v1)", MakeMp3s(dir, count), rounds);
  Compare("Ogg Vorbis", MakeOggs(dir, count), rounds);
  std::error_code ec;
  fs::remove_all(dir, ec);
  return 0;
}
