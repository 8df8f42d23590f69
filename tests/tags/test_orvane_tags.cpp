// The orvane-tags tool, run as a program the way a user runs it.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <iterator>
#include <cstdio>
#include <memory>

#include "TagFixtures.h"

using tagtest::Bytes;
using tagtest::TempDir;

namespace {

struct TToolRun {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs the tool with the given (shell-quoted) arguments; stdout captured, a time limit kept.
TToolRun RunTool(const std::string& args, const TempDir& dir) {
  const std::string errFile = dir.Path("stderr.txt");
  const std::string command = "timeout 120 '" ORVANE_BIN_DIR "/orvane-tags' " + args + " 2>'" +
                              errFile + "'";
  TToolRun run;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe) return run;
  std::array<char, 4096> buf;
  for (size_t n; (n = std::fread(buf.data(), 1, buf.size(), pipe.get())) > 0;) {
    run.out.append(buf.data(), n);
  }
  const int raw = pclose(pipe.release());
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  std::ifstream errIn(errFile, std::ios::binary);
  run.err.assign(std::istreambuf_iterator<char>(errIn), std::istreambuf_iterator<char>());
  return run;
}

std::string Quote(const std::string& path) { return "'" + path + "'"; }

std::string NotAccepted(const std::string& path) {
  return "File=" + path + "\nReader=\nTitle=\nArtist=\n\n";
}

}  // namespace

TEST(OrvaneTags, NoArgumentIsAUsageError) {
  TempDir dir;
  const TToolRun run = RunTool("", dir);
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "usage: orvane-tags FILE...\n");
}

TEST(OrvaneTags, UnreadableThingsPrintFourLinesAndExitOne) {
  TempDir dir;
  const std::string missing = dir.Path("missing.mp3");
  const std::string folder = dir.Path("folder.mp3");
  const std::string fifo = dir.Path("fifo.mp3");
  ASSERT_TRUE(tagtest::Run("mkdir " + Quote(folder) + " && mkfifo " + Quote(fifo)));
  const TToolRun run = RunTool(Quote(missing) + " " + Quote(folder) + " " + Quote(fifo), dir);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, NotAccepted(missing) + NotAccepted(folder) + NotAccepted(fifo));
}

// Needs the MPEG audio reader to accept the file.
TEST(OrvaneTags, LameMp3ShowsItsTitleArtistAndTagObjects) {
  TempDir dir;
  const std::string wav = tagtest::MakeToneWav(dir);
  const std::string mp3 = dir.Path("song.mp3");
  ASSERT_TRUE(tagtest::Run("lame --quiet --tt '夜明けの歌' --ta 'Beyoncé' --add-id3v2 " +
                           Quote(wav) + " " + Quote(mp3)));
  const TToolRun run = RunTool(Quote(mp3) + " " + Quote(mp3), dir);
  EXPECT_EQ(run.status, 0);
  const std::string head =
      "File=" + mp3 + "\nReader=TMPEGaudio\nTitle=夜明けの歌\nArtist=Beyoncé\n";
  ASSERT_EQ(run.out.substr(0, head.size()), head);
  EXPECT_NE(run.out.find("\nID3v2.Title=夜明けの歌\n"), std::string::npos);
  EXPECT_NE(run.out.find("\nID3v1.Exists=True\n"), std::string::npos);
  EXPECT_NE(run.out.find("\nValid=True\n"), std::string::npos);
  EXPECT_EQ(run.out.find("\nID3v2=\n"), std::string::npos);  // objects print their properties
  // Two identical blocks, each ending in a blank line.
  EXPECT_EQ(run.out.substr(0, run.out.size() / 2), run.out.substr(run.out.size() / 2));
  EXPECT_EQ(run.out.substr(run.out.size() - 2), "\n\n");
}

TEST(OrvaneTags, ThousandsOfFilesInOneCall) {
  TempDir dir;
  std::string args;
  for (int i = 0; i < 3000; ++i) {
    args += " " + Quote(tagtest::WriteFile(dir.Path("f" + std::to_string(i) + ".wav"),
                                          Bytes().Text("RIFF").Zeros(4)));
  }
  const TToolRun run = RunTool(args, dir);
  EXPECT_TRUE(run.status == 0 || run.status == 1) << run.status;
  size_t blocks = 0;
  for (size_t at = 0; (at = run.out.find("File=", at)) != std::string::npos; ++at) ++blocks;
  EXPECT_EQ(blocks, 3000u);
}
