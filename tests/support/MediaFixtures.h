#pragma once
// Media files for the graph tests, made at test time with ffmpeg into a folder of this process's
// own (removed at exit), so parallel runs never share a name.

#include <chrono>
#include <functional>
#include <string>

namespace media {

struct TFiles {
  std::string dir;
  std::string wavHalf;   // 0.5 s, 44.1 kHz stereo PCM
  std::string wav3;      // 3 s
  std::string mp3;       // 3 s, 128 kbit/s
  std::string avi;       // 1 s, 320x240 MPEG-4 video and MP3 audio
  std::string mpg;       // 1 s, 320x240 MPEG-1 video and MP2 audio
  std::string wmv;       // 1 s, 320x240 WMV8 video and WMA2 audio
  std::string textMp3;   // text named .mp3
  // 10 s VBR MP3 without a Xing header: 4 s of loud noise, then 6 s of silence, so a length
  // estimated from its first frames is about half the real one.
  std::string vbrMp3;
  std::string chainedOgg;  // two 1 s Ogg Vorbis files one after the other, as a chained stream
};

// Made once per process; a test fails (gtest assertion in the caller) when dir is empty.
const TFiles& Files();

// Polls cond every few milliseconds until it holds or timeout passes; true when it held.
bool WaitUntil(const std::function<bool()>& cond, std::chrono::milliseconds timeout);

}  // namespace media
