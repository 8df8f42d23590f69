#include "platform/Profile.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>

#include "ChildProcess.h"
#include "platform/CodePage.h"
#include "support/Unprivileged.h"

namespace fs = std::filesystem;
using platform::TIniFile;

namespace {

class ProfileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/orvane-profile-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    path_ = dir_ + "/orvane.ini";
  }
  void TearDown() override {
    ::chmod(dir_.c_str(), 0700);
    fs::remove_all(dir_);
  }
  void Put(const std::string& text) { Put(path_, text); }
  static void Put(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
  }
  std::string Get() const { return Get(path_); }
  static std::string Get(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  // Everything in the folder except the settings file: temporary files must not be left behind.
  std::vector<std::string> Leftovers() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_)) {
      if (e.path().filename() != "orvane.ini") names.push_back(e.path().filename());
    }
    return names;
  }
  std::string dir_, path_;
};

// Another program's hand-written section, with its comments and odd spacing.
const char kForeign[] =
    "; settings of another tool\n"
    "[Other]\n"
    "  Alpha = one two  \n"
    "beta=\n"
    "\n"
    "[Main]\n"
    "Path=/music/\n"
    "Mask = 3\n"
    "\n"
    "\n"
    "[Tail]\n"
    "x=y";

TEST_F(ProfileTest, ReadsIgnoringCaseAndBlanks) {
  Put(kForeign);
  TIniFile ini(path_);
  EXPECT_EQ(ini.ReadString("other", "ALPHA", "d"), "one two");
  EXPECT_EQ(ini.ReadString("MAIN", "path", "d"), "/music/");
  EXPECT_EQ(ini.ReadString("Tail", "x", "d"), "y");  // last line without a line ending
  EXPECT_EQ(ini.ReadString("Main", "Missing", "dflt"), "dflt");
  EXPECT_EQ(ini.ReadString("Nowhere", "Path", "dflt"), "dflt");
  // A key present with an empty value is the empty text, not the default.
  EXPECT_EQ(ini.ReadString("Other", "beta", "dflt"), "");
  // A key of one section is not found in another.
  EXPECT_EQ(ini.ReadString("Other", "Path", "dflt"), "dflt");
}

TEST_F(ProfileTest, MissingOrUnreadableFileGivesDefaults) {
  TIniFile missing(dir_ + "/none.ini");
  EXPECT_EQ(missing.ReadString("Main", "Path", "d"), "d");
  EXPECT_EQ(missing.ReadInteger("Main", "Mask", 7), 7);
  TIniFile folder(dir_);  // a folder is no profile file
  EXPECT_EQ(folder.ReadString("Main", "Path", "d"), "d");
}

TEST_F(ProfileTest, ReadsCrLfFilesCommentsAndByteOrderMark) {
  Put("\xEF\xBB\xBF[Main]\r\n;Path=/commented/\r\nPath=/a b/\r\n[Main2]\r\nPath=/other/\r\n");
  TIniFile ini(path_);
  EXPECT_EQ(ini.ReadString("Main", "Path", ""), "/a b/");
  EXPECT_EQ(ini.ReadString("Main2", "Path", ""), "/other/");
}

TEST_F(ProfileTest, ValueIsTheTextAfterTheFirstEquals) {
  Put("[Play]\nFilter=wav|*.wav|a=b\n broken line\n=nokey\n[Unclosed\nz=1\n");
  TIniFile ini(path_);
  EXPECT_EQ(ini.ReadString("Play", "Filter", ""), "wav|*.wav|a=b");
  EXPECT_EQ(ini.ReadString("Play", "", "d"), "d");
  // "[Unclosed" is not a section header, so z still belongs to Play.
  EXPECT_EQ(ini.ReadString("Play", "z", ""), "1");
}

TEST_F(ProfileTest, OnlyTheFirstSectionOfANameIsReadAndWritten) {
  Put("[A]\nk=1\n[B]\nk=2\n[a]\nk=3\nm=4\n");
  TIniFile ini(path_);
  EXPECT_EQ(ini.ReadString("A", "k", ""), "1");
  EXPECT_EQ(ini.ReadString("A", "m", "none"), "none");  // only the later [a] holds it
  ini.WriteString("A", "k", "9");
  ini.WriteString("A", "m", "5");  // added to the first [A], the later m=4 left alone
  EXPECT_EQ(Get(), "[A]\nk=9\nm=5\n[B]\nk=2\n[a]\nk=3\nm=4\n");
  EXPECT_EQ(ini.ReadString("A", "m", ""), "5");
}

TEST_F(ProfileTest, AMatchingPairOfQuotesIsNotPartOfTheValue) {
  const struct {
    const char* stored;
    const char* read;
  } cases[] = {
      {"\"Quoted Artist\"", "Quoted Artist"}, {"'single'", "single"}, {"  \"x\"  ", "x"},
      {"\"\"", ""}, {"\"", "\""}, {"\"open", "\"open"}, {"'mixed\"", "'mixed\""},
      {"a \"b\"", "a \"b\""}, {"\"in\"ner\"", "in\"ner"},
  };
  for (const auto& c : cases) {
    Put(std::string("[CD]\nARTIST=") + c.stored + "\n");
    EXPECT_EQ(TIniFile(path_).ReadString("CD", "ARTIST", "d"), c.read) << c.stored;
  }
  // Unquoted on reading only: a write keeps the other lines and the quotes it is given.
  Put("[CD]\nARTIST=\"A\"\ntitle='T'\n");
  TIniFile(path_).WriteString("CD", "ARTIST", "\"B\"");
  EXPECT_EQ(Get(), "[CD]\nARTIST=\"B\"\ntitle='T'\n");
}

TEST_F(ProfileTest, LongValuesAreCutAt2047BytesOnACharacterBoundary) {
  const std::string ascii(3000, 'x');
  // 2046 ASCII bytes and then a three-byte character across the limit.
  const std::string wide = std::string(2046, 'y') + "\xE3\x81\x82" + "zz";
  Put("[S]\na=" + ascii + "\nb=" + wide + "\n");
  TIniFile ini(path_);
  EXPECT_EQ(ini.ReadString("S", "a", ""), std::string(2047, 'x'));
  EXPECT_EQ(ini.ReadString("S", "b", ""), std::string(2046, 'y'));
  EXPECT_EQ(ini.ReadString("S", "none", ascii), std::string(2047, 'x'));
}

TEST_F(ProfileTest, IntegersDecimalHexOrDefault) {
  Put("[N]\nhex=0x1F\nHEX=0X1f\nneg=-5\nplus=+7\nspaced=  42  \ntext=abc\nmixed=12abc\n"
      "empty=\nbig=2147483648\nsmall=-2147483648\nallbits=0xFFFFFFFF\nhexonly=0x\n"
      "pos=36000000000\nmin64=-9223372036854775808\nover64=9223372036854775808\n");
  TIniFile ini(path_);
  EXPECT_EQ(ini.ReadInteger("N", "hex", 0), 31);
  EXPECT_EQ(ini.ReadInteger("N", "neg", 0), -5);
  EXPECT_EQ(ini.ReadInteger("N", "plus", 0), 7);
  EXPECT_EQ(ini.ReadInteger("N", "spaced", 0), 42);
  EXPECT_EQ(ini.ReadInteger("N", "text", -9), -9);
  EXPECT_EQ(ini.ReadInteger("N", "mixed", -9), -9);
  EXPECT_EQ(ini.ReadInteger("N", "empty", -9), -9);
  EXPECT_EQ(ini.ReadInteger("N", "big", -9), -9);
  EXPECT_EQ(ini.ReadInteger("N", "small", 0), INT32_MIN);
  EXPECT_EQ(ini.ReadInteger("N", "allbits", 0), -1);
  EXPECT_EQ(ini.ReadInteger("N", "hexonly", -9), -9);
  EXPECT_EQ(ini.ReadInt64("N", "pos", 0), 36000000000);
  EXPECT_EQ(ini.ReadInt64("N", "big", 0), 2147483648);
  EXPECT_EQ(ini.ReadInt64("N", "min64", 0), INT64_MIN);
  EXPECT_EQ(ini.ReadInt64("N", "over64", -9), -9);
  EXPECT_EQ(ini.ReadInt64("N", "hex", 0), 31);
  EXPECT_EQ(ini.ReadInt64("N", "text", -9), -9);
}

TEST_F(ProfileTest, BooleansReadAsIntegers) {
  Put("[B]\nzero=0\none=1\ntwo=2\nhex=0x10\nword=true\n");
  TIniFile ini(path_);
  EXPECT_FALSE(ini.ReadBool("B", "zero", true));
  EXPECT_TRUE(ini.ReadBool("B", "one", false));
  EXPECT_TRUE(ini.ReadBool("B", "two", false));
  EXPECT_TRUE(ini.ReadBool("B", "hex", false));
  EXPECT_TRUE(ini.ReadBool("B", "word", true));
  EXPECT_FALSE(ini.ReadBool("B", "word", false));
  EXPECT_TRUE(ini.ReadBool("B", "missing", true));
}

TEST_F(ProfileTest, WritesKeepEveryOtherLineByteForByte) {
  Put(kForeign);
  TIniFile ini(path_);
  ini.WriteString("Main", "Path", "/new/");      // replaced in place
  ini.WriteInteger("main", "Mask", -1);          // matched ignoring case, spacing kept
  ini.WriteString("Main", "PlayFile", "/f.mp3"); // appended after the section's last key
  ini.WriteString("Tail", "z", "1");             // after an unterminated last line
  ini.WriteBool("Play", "AutoNextFolder", true); // new section at the end
  EXPECT_EQ(Get(),
            "; settings of another tool\n"
            "[Other]\n"
            "  Alpha = one two  \n"
            "beta=\n"
            "\n"
            "[Main]\n"
            "Path=/new/\n"
            "Mask = -1\n"
            "PlayFile=/f.mp3\n"
            "\n"
            "\n"
            "[Tail]\n"
            "x=y\n"
            "z=1\n"
            "\n"
            "[Play]\n"
            "AutoNextFolder=1\n");
  EXPECT_TRUE(Leftovers().empty());
}

TEST_F(ProfileTest, WritesKeepCrLfLineEndings) {
  Put("[Main]\r\nPath=/a/\r\n\r\n[X]\r\nq=1");
  TIniFile ini(path_);
  ini.WriteString("Main", "PlayPath", "/a/b/");
  ini.WriteString("X", "r", "2");
  ini.WriteInt64("ShortCut", "n", 5);
  EXPECT_EQ(Get(),
            "[Main]\r\nPath=/a/\r\nPlayPath=/a/b/\r\n\r\n[X]\r\nq=1\r\nr=2\r\n\r\n"
            "[ShortCut]\r\nn=5\r\n");
}

TEST_F(ProfileTest, KeyAfterALastLineEndingInALoneCarriageReturn) {
  for (const char* text : {"[Main]\nPath=/a/\r", "[Main]\r\nPath=/a/\r"}) {
    SCOPED_TRACE(text);
    Put(text);
    TIniFile ini(path_);
    ini.WriteString("Main", "Mask", "2");
    ini.WriteString("Play", "Filter", "x");
    EXPECT_EQ(ini.ReadString("Main", "Path", ""), "/a/");
    EXPECT_EQ(ini.ReadInteger("Main", "Mask", 0), 2);
    Put(text);
    ini.WriteString("Play", "Filter", "x");
    EXPECT_EQ(ini.ReadString("Main", "Path", ""), "/a/");
  }
}

TEST_F(ProfileTest, NewFileInTheOrderOfWriting) {
  TIniFile ini(path_);
  ini.WriteString("Main", "Path", "/m/");
  ini.WriteString("Main", "PlayPath", "");
  ini.WriteInt64("Main", "PlayPos", 36000000000);
  ini.WriteBool("Play", "UseVideoGate1000", false);
  ini.WriteString("ShortCut", "Pause", "Shift+Ctrl+F5");
  EXPECT_EQ(Get(),
            "[Main]\nPath=/m/\nPlayPath=\nPlayPos=36000000000\n\n"
            "[Play]\nUseVideoGate1000=0\n\n[ShortCut]\nPause=Shift+Ctrl+F5\n");
  EXPECT_EQ(ini.ReadString("Main", "PlayPath", "d"), "");
  EXPECT_EQ(ini.ReadInt64("Main", "PlayPos", 0), 36000000000);
  EXPECT_EQ(ini.ReadString("ShortCut", "Pause", ""), "Shift+Ctrl+F5");
}

TEST_F(ProfileTest, WriteKeepsPermissionsAndFollowsLinks) {
  Put("[Main]\nPath=/a/\n");
  ASSERT_EQ(::chmod(path_.c_str(), 0640), 0);
  const std::string link = dir_ + "/link.ini";
  ASSERT_EQ(::symlink(path_.c_str(), link.c_str()), 0);
  ASSERT_TRUE(platform::WritePrivateProfileStringA("Main", "Path", "/b/", link));
  struct stat st {};
  ASSERT_EQ(::lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  ASSERT_EQ(::stat(path_.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(Get(), "[Main]\nPath=/b/\n");
}

TEST_F(ProfileTest, TextThatWouldBreakTheFileIsRefused) {
  Put("[Main]\nPath=/a/\n");
  const std::string before = Get();
  EXPECT_FALSE(platform::WritePrivateProfileStringA("Main", "Path", "/a\n[Evil]\nx=1", path_));
  EXPECT_FALSE(platform::WritePrivateProfileStringA("Main", "Pa=th", "v", path_));
  EXPECT_FALSE(platform::WritePrivateProfileStringA("Ma]in", "Path", "v", path_));
  EXPECT_FALSE(platform::WritePrivateProfileStringA("Main", "", "v", path_));
  EXPECT_FALSE(platform::WritePrivateProfileStringA("Main", ";Path", "v", path_));
  EXPECT_FALSE(platform::WritePrivateProfileStringA("", "Path", "v", path_));
  EXPECT_EQ(Get(), before);
  TIniFile ini(path_);
  EXPECT_THROW(ini.WriteString("Main", "Path", "a\rb"), platform::EIniFileException);
  EXPECT_EQ(Get(), before);
}

TEST_F(ProfileTest, WriteFailureRaisesTheMessageWithThePath) {
  // The settings path is taken by a folder: the rename over it fails.
  const std::string taken = dir_ + "/taken.ini";
  ASSERT_TRUE(fs::create_directory(taken));
  TIniFile blocked(taken);
  try {
    blocked.WriteString("Main", "Path", "/a/");
    FAIL() << "no error raised";
  } catch (const platform::EIniFileException& e) {
    EXPECT_EQ(std::string(e.what()), taken + " に書き込めません");
  }
  EXPECT_TRUE(fs::is_empty(taken));
  // A folder that does not exist.
  TIniFile nowhere(dir_ + "/no/such/folder.ini");
  EXPECT_THROW(nowhere.WriteBool("Main", "Playing", true), platform::EIniFileException);
  EXPECT_EQ(Leftovers(), std::vector<std::string>{"taken.ini"});
}

// Read-only is only read-only for an unprivileged writer, so the write happens in a child without
// privileges. It gives 0 when the write raised the right error.
int TryWriteUnprivileged(const std::string& path) {
  return orvane_test::RunUnprivileged([&path] {
    TIniFile ini(path);
    if (ini.ReadString("Main", "Path", "") != "/old/") return 11;
    try {
      ini.WriteString("Main", "Path", "/new/");
    } catch (const platform::EIniFileException& e) {
      return std::string(e.what()) == path + " に書き込めません" ? 0 : 12;
    }
    return 13;
  });
}

constexpr char kChildCodes[] =
    "125: could not drop privileges, 11: could not read, 12: wrong message, 13: no error";

TEST_F(ProfileTest, ReadOnlyFolderRaisesAndKeepsTheOldFile) {
  const std::string old = "[Main]\nPath=/old/\n[Other]\nkeep=me\n";
  Put(old);
  ASSERT_EQ(::chmod(path_.c_str(), 0644), 0);
  ASSERT_EQ(::chmod(dir_.c_str(), 0555), 0);
  EXPECT_EQ(TryWriteUnprivileged(path_), 0) << kChildCodes;
  EXPECT_EQ(Get(), old);
  EXPECT_TRUE(Leftovers().empty());
}

TEST_F(ProfileTest, ReadOnlyFileInAWritableFolderIsNotReplaced) {
  const std::string old = "[Main]\nPath=/old/\n";
  Put(old);
  ASSERT_EQ(::chmod(path_.c_str(), 0444), 0);
  ASSERT_EQ(::chmod(dir_.c_str(), 0777), 0);
  EXPECT_EQ(TryWriteUnprivileged(path_), 0) << kChildCodes;
  EXPECT_EQ(Get(), old);
  EXPECT_TRUE(Leftovers().empty());
}

TEST_F(ProfileTest, SomethingOtherThanAFileIsNeitherReadNorReplaced) {
  ASSERT_EQ(::mkfifo(path_.c_str(), 0644), 0);
  TIniFile ini(path_);
  EXPECT_EQ(ini.ReadString("Main", "Path", "d"), "d");  // returns at once, no writer needed
  EXPECT_THROW(ini.WriteString("Main", "Path", "/a/"), platform::EIniFileException);
  struct stat st {};
  ASSERT_EQ(::lstat(path_.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST_F(ProfileTest, UnreadableFileIsNotOverwritten) {
  // A file too large to be read whole would lose its tail: the write is refused instead.
  std::string big = "[Main]\nPath=/a/\n";
  big.append((16u << 20) + 10, ';');
  Put(big);
  EXPECT_FALSE(platform::WritePrivateProfileStringA("Main", "Path", "/b/", path_));
  EXPECT_EQ(fs::file_size(path_), big.size());
  EXPECT_EQ(TIniFile(path_).ReadString("Main", "Path", ""), "/a/");
}

TEST_F(ProfileTest, ShiftJisValuesPassUntouched) {
  platform::SetACP(platform::TCodePage::ShiftJis);
  // 0x95 0x5C is one character whose trail byte is "\"; it must survive a write and a read.
  const std::string value = "C:\\\x95\x5C\\\x83\x41";
  TIniFile ini(path_);
  ini.WriteString("Main", "Path", value);
  EXPECT_EQ(ini.ReadString("Main", "Path", ""), value);
  platform::SetACP(platform::TCodePage::Utf8);
}

}  // namespace

// Killed (-9) at whatever moment of its saves, a process leaves the file with every key of one
// save and the other lines as they were; the copy it was writing goes at the next start.
TEST_F(ProfileTest, AKillDuringTransactionsLeavesOneWholeSaveAndNoLitterAfterTheNextStart) {
  const std::string foreign = "; another tool\n[Other]\n  Alpha = one two  \nbeta=\n";
  Put(foreign);
  std::mt19937 random(20261209);
  for (int round = 0; round < 40; ++round) {
    SCOPED_TRACE(round);
    TChild child = Spawn({std::string(ORVANE_BIN_DIR) + "/helper_profile_saves", path_});
    ASSERT_GE(child.Pid, 0);
    // The helper saves without pause: killed after its n-th save, it is somewhere in a later one.
    const int saves = std::uniform_int_distribution<int>(1, 6)(random);
    int lines = 0;
    char c = 0;
    while (lines < saves && ::read(child.Out, &c, 1) == 1) lines += c == '\n';
    ::kill(child.Pid, SIGKILL);
    EXPECT_EQ(WaitExit(child.Pid), 128 + SIGKILL);
    ::close(child.Out);
    ASSERT_EQ(lines, saves) << "the helper ended by itself";
    const std::string text = Get();
    EXPECT_EQ(text.rfind(foreign, 0), 0u) << text;
    std::set<std::string> values;
    for (int key = 0; key < 27; ++key) {
      values.insert(TIniFile(path_).ReadString(key % 3 == 0 ? "Main" : key % 3 == 1 ? "Play"
                                                                                  : "ShortCut",
                                               "Key" + std::to_string(key), "<missing>"));
    }
    EXPECT_EQ(values.size(), 1u) << text;
    EXPECT_EQ(values.count("<missing>"), 0u);
    platform::RemoveLeftoverCopies(path_);
    EXPECT_TRUE(Leftovers().empty());
  }
}
