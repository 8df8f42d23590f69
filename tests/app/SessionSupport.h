#pragma once
// Shared by the tests on a private session bus: an album of generated files, and playerctl as the
// client, run while this process's event loop goes on (a window of this process may be the
// player it talks to).

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace session_test {

// A copy of the program in dir, so that its settings file lands there, and a runtime folder of
// its own for the single-instance lock, which environment points the program to.
inline void CopyProgram(const std::filesystem::path& dir, QProcessEnvironment& environment) {
  namespace fs = std::filesystem;
  fs::copy_file(fs::path(ORVANE_BIN_DIR) / "orvane", dir / "orvane");
  fs::create_directory(dir / "run");
  fs::permissions(dir / "run", fs::perms::owner_all);
  environment.insert("XDG_RUNTIME_DIR", QString::fromStdString((dir / "run").string()));
}

inline bool Ffmpeg(const std::string& args) {
  return std::system(("ffmpeg -nostdin -v error -y " + args).c_str()) == 0;
}

// Three tagged 20-second MP3 files and a jacket in one folder.
inline bool MakeAlbum(const std::string& folder) {
  std::filesystem::create_directories(folder);
  for (int n = 1; n <= 3; ++n) {
    const std::string name = folder + "/0" + std::to_string(n) + ".mp3";
    if (!Ffmpeg("-f lavfi -i sine=frequency=440:duration=20 -id3v2_version 3 -write_id3v1 1 "
                "-metadata title='Title " + std::to_string(n) + "' -metadata artist='Artist X' "
                "-metadata album='Album Y' '" + name + "'")) {
      return false;
    }
  }
  return Ffmpeg("-f lavfi -i color=red:size=16x16 -frames:v 1 '" + folder + "/a.jpg'");
}

// Runs the window's event loop until the process ends; its trimmed standard output.
inline std::string RunClient(QProcess& client, int timeoutMs = 20000) {
  QDeadlineTimer deadline(timeoutMs);
  while (client.state() != QProcess::NotRunning && !deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return client.readAllStandardOutput().trimmed().toStdString();
}

inline std::string Playerctl(const QStringList& args) {
  QProcess client;
  client.start("playerctl", QStringList{"-p", "orvane"} + args);
  return RunClient(client);
}

using TAnswerCheck = std::function<bool(const std::string&)>;

// Asks again until the answer holds (playback settles on the graph's streaming threads).
inline bool AnswerHolds(const QStringList& query, const TAnswerCheck& holds, std::string* last) {
  QDeadlineTimer deadline(10000);
  do {
    *last = Playerctl(query);
    if (holds(*last)) return true;
  } while (!deadline.hasExpired());
  return false;
}

inline TAnswerCheck Is(const std::string& expected) {
  return [expected](const std::string& answer) { return answer == expected; };
}

inline TAnswerCheck Between(double low, double high) {
  return [low, high](const std::string& answer) {
    const double value = std::atof(answer.c_str());
    return !answer.empty() && value >= low && value <= high;
  };
}

// One command of playerctl, then a question asked until its answer holds.
struct TStep {
  QStringList command;  // empty: only ask
  QStringList query;
  TAnswerCheck holds;
};

// The first step that fails ends the run (a fatal failure: wrap the call in
// ASSERT_NO_FATAL_FAILURE): every later step would wait its full time on a player gone wrong.
inline void RunSteps(const std::vector<TStep>& steps) {
  for (const TStep& step : steps) {
    const std::string what =
        (step.command + QStringList{"->"} + step.query).join(' ').toStdString();
    if (!step.command.isEmpty()) {
      QProcess command;
      command.start("playerctl", QStringList{"-p", "orvane"} + step.command);
      RunClient(command);
      ASSERT_EQ(command.exitCode(), 0) << what;
    }
    std::string answer;
    ASSERT_TRUE(AnswerHolds(step.query, step.holds, &answer)) << what << " answered " << answer;
  }
}

}  // namespace session_test
