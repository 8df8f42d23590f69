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

const char kUsage[] = "usage: orvane-tags [-p LIST] [--json] [--] FILE...\n";

TEST(OrvaneTags, NoArgumentIsAUsageError) {
  TempDir dir;
  const TToolRun run = RunTool("", dir);
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, kUsage);
}

TEST(OrvaneTags, OptionsHelpVersionAndUsageErrors) {
  TempDir dir;
  const struct {
    const char* args;
    int status;
    const char* out;  // "*": anything but empty
    const char* err;
  } cases[] = {
      {"--version", 0, "orvane-tags 1.07\n", ""},
      {"--help", 0, "*", ""},
      {"-h x.mp3", 0, "*", ""},
      {"--bogus x.mp3", 2, "", "orvane-tags: unknown option --bogus\n"},
      {"-x", 2, "", "orvane-tags: unknown option -x\n"},
      {"x.mp3 -p", 2, "", "orvane-tags: -p needs a LIST\n"},
      {"--json", 2, "", ""},
      {"-p Title", 2, "", ""},
  };
  for (const auto& c : cases) {
    const TToolRun run = RunTool(c.args, dir);
    EXPECT_EQ(run.status, c.status) << c.args;
    if (std::string(c.out) == "*") {
      EXPECT_NE(run.out.find("--properties LIST"), std::string::npos) << c.args;
    } else {
      EXPECT_EQ(run.out, c.out) << c.args;
    }
    EXPECT_EQ(run.err, c.status == 2 ? std::string(c.err) + kUsage : "") << c.args;
  }
  // After "--" every argument is a file, one that looks like an option too; so is a lone "-".
  const TToolRun ended = RunTool("-p Title -- --json -", dir);
  EXPECT_EQ(ended.status, 1);
  EXPECT_EQ(ended.out, "File=--json\nTitle=\n\nFile=-\nTitle=\n\n");
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

// An MP3 by lame with ID3v2 and ID3v1 tags: the properties the player resolves by name.
class OrvaneTagsOnMp3 : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string wav = tagtest::MakeToneWav(dir);
    ASSERT_TRUE(tagtest::Run("lame --quiet -b 128 --tt 'Song' --ta 'Singer' --ty 2001 "
                             "--add-id3v2 " + Quote(wav) + " " + Quote(mp3)));
  }
  TempDir dir;
  const std::string mp3 = dir.Path("song.mp3");
};

TEST_F(OrvaneTagsOnMp3, PropertiesInTheOrderGiven) {
  const TToolRun run =
      RunTool("-p Title,artist,Duration,BitRate,ID3v2.Year,VBR.Frames,Nothing,ID3v1.Nothing,"
              "Nothing.Title,ID3v2 " + Quote(mp3) + " --properties=Valid,ID3v1.Title", dir);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
  // The later --properties wins; names print as given, an object as "" like any display.
  EXPECT_EQ(run.out, "File=" + mp3 + "\nValid=True\nID3v1.Title=Song\n\n");
  const TToolRun first = RunTool(
      "-pTitle,artist,BitRate,ID3v2.Year,VBR.Frames,Nothing,ID3v1.Nothing,Nothing.Title,ID3v2 " +
          Quote(mp3),
      dir);
  EXPECT_EQ(first.out, "File=" + mp3 +
                           "\nTitle=Song\nartist=Singer\nBitRate=128\nID3v2.Year=2001\n"
                           "VBR.Frames=0\nNothing=\nID3v1.Nothing=\nNothing.Title=\nID3v2=\n\n");
}

TEST_F(OrvaneTagsOnMp3, JsonIsValidTypedAndNested) {
  // A second file whose ID3v1 title is no text in any code page, and one that cannot be read.
  const std::string odd = dir.Path("odd\"name.mp3");
  ASSERT_TRUE(tagtest::Run("cp " + Quote(mp3) + " '" + dir.Path("odd\"name.mp3") + "'"));
  const std::string title("\xFF\xFE tab\there\0hidden", 18);
  std::ofstream(odd, std::ios::binary | std::ios::app)
      << "TAG" << title << std::string(30 - title.size() + 95, '\0');
  const std::string json = dir.Path("out.json");
  const TToolRun run = RunTool("--json " + Quote(mp3) + " '" + odd + "' " +
                               Quote(dir.Path("missing")) + " >" + Quote(json), dir);
  EXPECT_EQ(run.status, 1);
  ASSERT_TRUE(tagtest::Run("python3 -m json.tool " + Quote(json)));
  const std::string check =
      "import json,sys\n"
      "a=json.load(open(sys.argv[1],encoding='utf-8'))\n"
      "m,o,x=a\n"
      "assert m['reader']=='TMPEGaudio' and m['Title']=='Song' and m['Artist']=='Singer'\n"
      "assert m['Valid'] is True and m['BitRate']==128 and type(m['Duration']) is float\n"
      "assert m['ID3v2']['Year']=='2001' and m['ID3v2']['Exists'] is True\n"
      "assert m['VBR']['Found'] is False and m['Emphasis']=='None'\n"
      "assert list(m)[:4]==['file','reader','Title','Artist'], list(m)[:4]\n"
      "assert o['file'].endswith('odd\"name.mp3'), o['file']\n"
      "assert o['ID3v1']['Title']=='\ufffd\ufffd tab\there', repr(o['ID3v1']['Title'])\n"
      "assert x=={'file':x['file'],'reader':'','Title':'','Artist':''}, x\n";
  std::ofstream(dir.Path("check.py")) << check;
  ASSERT_TRUE(tagtest::Run("python3 " + Quote(dir.Path("check.py")) + " " + Quote(json)));
  const TToolRun chosen = RunTool("--json -p VBR,Nothing,Duration " + Quote(mp3), dir);
  EXPECT_NE(chosen.out.find("\"VBR\":{\"Found\":false,"), std::string::npos) << chosen.out;
  EXPECT_NE(chosen.out.find("\"Nothing\":\"\",\"Duration\":"), std::string::npos);
}

// The fuzzers' seed files (malformed on purpose, several readers' kinds): the JSON stays valid.
TEST(OrvaneTags, JsonStaysValidOnMalformedFiles) {
  TempDir dir;
  const std::string json = dir.Path("out.json");
  const TToolRun run = RunTool("--json '" ORVANE_SOURCE_DIR "/tests/tags/corpus'/*/* >" + Quote(json),
                               dir);
  EXPECT_TRUE(run.status == 0 || run.status == 1) << run.status;
  EXPECT_EQ(run.err, "");
  EXPECT_TRUE(tagtest::Run("python3 -m json.tool " + Quote(json)));
}
