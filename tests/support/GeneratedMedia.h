#pragma once
// Audio files for tests that play through the real program or its window: sine tones made with
// ffmpeg at test time. Each distinct file is encoded once per process and copied from then on, so
// a library of many files costs a few encoder runs.

#include <QProcess>
#include <QStringList>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <tuple>

namespace orvane_test {

namespace media_detail {

// A folder of this process's own for the encoded originals, removed at exit.
inline const std::filesystem::path& CacheFolder() {
  static const std::filesystem::path folder = [] {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "orvane-media-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(CacheFolder(), ignored);
    });
    return std::filesystem::path(pattern);
  }();
  return folder;
}

inline void Encode(const std::string& path, double seconds, const std::string& title) {
  QStringList arguments = {"-v", "error", "-nostdin", "-y", "-f", "lavfi", "-i",
                           QString("sine=frequency=440:sample_rate=44100:duration=%1").arg(seconds),
                           "-ac", "2"};
  if (path.ends_with(".mp3")) {
    // ID3v2.3 keeps the title in a frame the player reads (ffmpeg's default 2.4 writes UTF-8).
    arguments << "-c:a" << "libmp3lame" << "-b:a" << "64k" << "-id3v2_version" << "3";
  } else {
    arguments << "-c:a" << "pcm_s16le";
  }
  if (!title.empty()) arguments << "-metadata" << QString::fromStdString("title=" + title);
  arguments << QString::fromStdString(path);
  QProcess ffmpeg;
  ffmpeg.start("ffmpeg", arguments);
  if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitStatus() != QProcess::NormalExit ||
      ffmpeg.exitCode() != 0) {
    throw std::runtime_error("ffmpeg could not make " + path + ": " +
                             ffmpeg.readAllStandardError().toStdString());
  }
}

}  // namespace media_detail

// Writes a tone of the given length to path (".mp3" gives MP3 with an ID3v2.3 title, anything
// else 16-bit PCM WAV with the title in a LIST/INFO chunk). Throws when ffmpeg fails.
inline void MakeAudio(const std::string& path, double seconds, const std::string& title = "") {
  namespace fs = std::filesystem;
  const std::string extension = fs::path(path).extension().string();
  static std::map<std::tuple<std::string, double, std::string>, fs::path> made;
  auto [it, isNew] = made.try_emplace({extension, seconds, title});
  if (isNew) {
    it->second = media_detail::CacheFolder() / ("tone" + std::to_string(made.size()) + extension);
    try {
      media_detail::Encode(it->second.string(), seconds, title);
    } catch (...) {
      made.erase(it);
      throw;
    }
  }
  fs::copy_file(it->second, path, fs::copy_options::overwrite_existing);
}

}  // namespace orvane_test
