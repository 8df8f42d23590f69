#include "support/MediaFixtures.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

namespace media {
namespace {

namespace fs = std::filesystem;

bool Run(const std::string& args) {
  const std::string command = "ffmpeg -nostdin -v error -y " + args;
  return std::system(command.c_str()) == 0;
}

const char kVideo[] = "-f lavfi -i testsrc=size=320x240:rate=25 ";
const char kTone[] = "-f lavfi -i sine=frequency=440:sample_rate=44100 ";

class TCleanup : public ::testing::Environment {
 public:
  explicit TCleanup(std::string dir) : dir_(std::move(dir)) {}
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

 private:
  std::string dir_;
};

TFiles Make() {
  TFiles f;
  std::random_device random;
  const fs::path dir = fs::temp_directory_path() /
                       ("orvane-engine-" + std::to_string(random()) + std::to_string(random()));
  std::error_code error;
  if (!fs::create_directory(dir, error)) return f;
  ::testing::AddGlobalTestEnvironment(new TCleanup(dir.string()));
  auto at = [&](const char* name) { return (dir / name).string(); };
  f.wavHalf = at("half.wav");
  f.wav3 = at("three.wav");
  f.mp3 = at("three.mp3");
  f.avi = at("clip.avi");
  f.mpg = at("clip.mpg");
  f.wmv = at("clip.wmv");
  f.textMp3 = at("text.mp3");
  f.vbrMp3 = at("vbr.mp3");
  f.chainedOgg = at("chained.ogg");
  const bool ok =
      Run(std::string(kTone) + "-t 0.5 -ac 2 -c:a pcm_s16le " + f.wavHalf) &&
      Run(std::string(kTone) + "-t 3 -ac 2 -c:a pcm_s16le " + f.wav3) &&
      Run(std::string(kTone) + "-t 3 -ac 2 -c:a libmp3lame -b:a 128k " + f.mp3) &&
      Run(std::string(kVideo) + kTone + "-t 1 -c:v mpeg4 -c:a libmp3lame " + f.avi) &&
      Run(std::string(kVideo) + kTone + "-t 1 -c:v mpeg1video -c:a mp2 -f mpeg " + f.mpg) &&
      Run(std::string(kVideo) + kTone + "-t 1 -c:v wmv2 -c:a wmav2 " + f.wmv) &&
      Run("-f lavfi -i anoisesrc=d=4:a=1:r=44100 -f lavfi -i anullsrc=r=44100 -filter_complex "
          "\"[1]atrim=duration=6[s];[0][s]concat=n=2:v=0:a=1\" -ac 2 -c:a pcm_s16le " +
          at("vbr.wav")) &&
      // -t: no Xing/LAME header, as many encoders and rippers leave it out.
      std::system(("lame --quiet -V 0 -t '" + at("vbr.wav") + "' '" + f.vbrMp3 + "'").c_str()) ==
          0 &&
      Run(std::string(kTone) + "-t 1 -ac 2 -c:a libvorbis " + at("a.ogg")) &&
      Run("-f lavfi -i sine=frequency=880:sample_rate=22050 -t 1 -ac 1 -c:a libvorbis " +
          at("b.ogg")) &&
      std::system(("cat '" + at("a.ogg") + "' '" + at("b.ogg") + "' > '" + f.chainedOgg + "'")
                      .c_str()) == 0;
  std::ofstream text(f.textMp3);
  for (int i = 0; i < 200; ++i) text << "This is a text file, not audio. Line " << i << "\n";
  if (ok && text) f.dir = dir.string();
  return f;
}

}  // namespace

const TFiles& Files() {
  static const TFiles files = Make();
  return files;
}

bool WaitUntil(const std::function<bool()>& cond, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!cond()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

}  // namespace media
