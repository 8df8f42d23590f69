#pragma once
// Encoder-made fixtures for the stream readers' tests and what ffprobe says about them.

#include <cstdio>
#include <string>

#include "TagFixtures.h"

namespace tagtest {

// stdout of a shell command with a time limit; "" when it could not run.
inline std::string Capture(const std::string& command, int timeoutSeconds = 60) {
  const std::string line =
      "timeout " + std::to_string(timeoutSeconds) + " " + command + " 2>/dev/null";
  std::string out;
  if (std::FILE* pipe = popen(line.c_str(), "r")) {
    char buf[256];
    size_t got;
    while ((got = std::fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, got);
    pclose(pipe);
  }
  return out;
}

// The stream properties ffprobe reports for the first audio stream.
struct Probe {
  int SampleRate = 0;
  int Channels = 0;
  double Duration = 0;  // seconds; the stream's, else the container's
};

inline Probe FFprobe(const std::string& path) {
  const std::string text = Capture(
      "ffprobe -v error -select_streams a:0 -show_entries stream=sample_rate,channels,duration"
      ":format=duration -of default=noprint_wrappers=1 '" + path + "'");
  Probe p;
  double streamDuration = 0, formatDuration = 0;
  size_t at = 0;
  bool inFormat = false;
  while (at < text.size()) {
    const size_t end = text.find('\n', at);
    const std::string line =
        text.substr(at, end == std::string::npos ? std::string::npos : end - at);
    at = end == std::string::npos ? text.size() : end + 1;
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
    if (value == "N/A") continue;
    if (key == "sample_rate") p.SampleRate = std::stoi(value);
    if (key == "channels") p.Channels = std::stoi(value);
    // ffprobe prints the stream's fields before the format's.
    if (key == "duration") (inFormat ? formatDuration : streamDuration) = std::stod(value);
    if (key == "duration") inFormat = true;
  }
  p.Duration = streamDuration > 0 ? streamDuration : formatDuration;
  return p;
}

// A tone of the given length as 16-bit PCM WAV, the input for the encoders.
inline std::string MakeTone(const TempDir& dir, const std::string& name, double seconds,
                            int channels = 2, int sampleRate = 44100) {
  const std::string path = dir.Path(name);
  Run("ffmpeg -nostdin -loglevel error -y -f lavfi -i sine=frequency=440:sample_rate=" +
      std::to_string(sampleRate) + ":duration=" + std::to_string(seconds) + " -ac " +
      std::to_string(channels) + " -fflags +bitexact '" + path + "'");
  return path;
}

}  // namespace tagtest
