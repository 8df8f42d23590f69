#pragma once
// An album of one continuous 440 Hz tone cut into two files, and what a recording of it played
// across the join shows: made with ffmpeg (and lame for MP3 with its encoder delay and padding
// declared in a LAME info header) at test time.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

namespace tone_join {

constexpr int kRate = 44100;

struct TPair {
  std::string first;
  std::string second;
  std::string reference;  // the whole tone, 16-bit stereo samples without a header
  size_t joinFrame = 0;   // where the second file starts in it
};

inline void Run(const std::string& command) {
  if (std::system((command + " >/dev/null 2>&1").c_str()) != 0)
    throw std::runtime_error("failed: " + command);
}

// Two files of seconds each ("wav" or "mp3") in dir, cut from one tone sample-exact.
inline TPair Make(const std::string& dir, const std::string& extension, double seconds) {
  const size_t frames = static_cast<size_t>(seconds * kRate);
  TPair pair{dir + "/a." + extension, dir + "/b." + extension, dir + "/tone.raw", frames};
  const std::string tone = "ffmpeg -v error -nostdin -y -f lavfi -i sine=frequency=440:"
                           "sample_rate=44100:duration=" + std::to_string(2 * seconds) +
                           " -ac 2 ";
  Run(tone + "-f s16le '" + pair.reference + "'");
  const std::string cuts[2] = {"atrim=end_sample=" + std::to_string(frames),
                               "atrim=start_sample=" + std::to_string(frames)};
  const std::string* names[2] = {&pair.first, &pair.second};
  for (int i = 0; i < 2; ++i) {
    const std::string wav = extension == "wav" ? *names[i] : *names[i] + ".wav";
    Run(tone + "-af " + cuts[i] + " -c:a pcm_s16le '" + wav + "'");
    if (extension != "wav") Run("lame --quiet -b 128 '" + wav + "' '" + *names[i] + "'");
  }
  return pair;
}

// The left channel of a recording (16-bit stereo samples); empty when it cannot be read.
inline std::vector<int16_t> ReadLeft(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<int16_t> left(bytes.size() / 4);
  for (size_t i = 0; i < left.size(); ++i)
    left[i] = static_cast<int16_t>(static_cast<uint8_t>(bytes[4 * i]) |
                                   (static_cast<uint8_t>(bytes[4 * i + 1]) << 8));
  return left;
}

struct TJoin {
  size_t frames = 0;        // in the recording
  size_t longestQuiet = 0;  // frames in the longest run of near silence
  int lagBefore = 0;        // the recording against the tone just before the join
  int lagAfter = 0;         // and just after: samples lost (positive) or repeated (negative)
};

// The shift of out against ref over [from, from + length) that fits best.
inline int BestLag(const std::vector<int16_t>& out, const std::vector<int16_t>& ref, size_t from,
                   size_t length) {
  int best = 0;
  double bestError = std::numeric_limits<double>::max();
  for (int lag = -8; lag <= 8; ++lag) {
    double error = 0;
    for (size_t i = from; i < from + length; ++i) {
      const long j = static_cast<long>(i) + lag;
      if (i >= out.size() || j < 0 || static_cast<size_t>(j) >= ref.size()) {
        error = std::numeric_limits<double>::max();
        break;
      }
      const double d = double(out[i]) - double(ref[static_cast<size_t>(j)]);
      error += d * d;
    }
    if (error < bestError) bestError = error, best = lag;
  }
  return best;
}

inline TJoin Analyse(const std::vector<int16_t>& out, const std::vector<int16_t>& ref,
                     size_t joinFrame) {
  TJoin join;
  join.frames = out.size();
  size_t run = 0;
  for (int16_t s : out) {
    run = std::abs(s) < 16 ? run + 1 : 0;
    join.longestQuiet = std::max(join.longestQuiet, run);
  }
  if (joinFrame < 3000 || out.size() < joinFrame + 2500) return join;
  join.lagBefore = BestLag(out, ref, joinFrame - 3000, 2000);
  join.lagAfter = BestLag(out, ref, joinFrame + 200, 2000);
  return join;
}

}  // namespace tone_join
