// Where the program finds its files: the tile background beside the executable or in the
// installation's share folder, and the user's configuration folder for the settings of a program
// that cannot write its own folder (the installed run itself is tests/app/installed_run.sh).

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "AppTestSupport.h"
#include "app/DataFiles.h"
#include "desktop/Winplace.h"
#include "platform/UserFolders.h"

using namespace orvane_test;
namespace fs = std::filesystem;

namespace {

// Sets an environment variable (or removes it, for nullopt) for the life of the object.
class TEnvValue {
 public:
  TEnvValue(const char* name, std::optional<std::string> value) : Name_(name) {
    if (const char* old = std::getenv(name)) Old_ = old;
    if (value) setenv(name, value->c_str(), 1);
    else unsetenv(name);
  }
  ~TEnvValue() {
    if (Old_) setenv(Name_, Old_->c_str(), 1);
    else unsetenv(Name_);
  }

 private:
  const char* Name_;
  std::optional<std::string> Old_;
};

}  // namespace

TEST(InstalledFilesTest, BackgroundBesideTheExecutableWinsOverTheShareFolder) {
  struct Case {
    bool beside, shared;
    const char* expected;  // relative to bin/
    bool besideIsFifo = false;
  } cases[] = {
      {true, true, "bg.bmp"},
      {false, true, "../share/orvane/bg.bmp"},
      {true, false, "bg.bmp"},
      {false, false, "bg.bmp"},  // neither: loading fails and the tiles stay blank
      {false, true, "../share/orvane/bg.bmp", true},  // a FIFO is no picture
  };
  for (const Case& c : cases) {
    TTempDir dir;
    const std::string bin = dir.File("bin/");
    fs::create_directories(bin);
    fs::create_directories(dir.File("share/orvane"));
    if (c.besideIsFifo) ASSERT_EQ(::mkfifo((bin + "bg.bmp").c_str(), 0644), 0);
    if (c.beside) WriteFile(bin + "bg.bmp", "BM");
    if (c.shared) WriteFile(dir.File("share/orvane/bg.bmp"), "BM");
    EXPECT_EQ(BackgroundFileName(bin), bin + c.expected) << c.beside << c.shared;
  }
}

TEST(InstalledFilesTest, ConfigurationFolderFollowsXdgThenHome) {
  struct Case {
    std::optional<std::string> xdg, home;
    std::string expected;
  } cases[] = {
      {"/cfg", "/home/u", "/cfg/"},
      {"/cfg/", "/home/u", "/cfg/"},
      {"relative/cfg", "/home/u", "/home/u/.config/"},  // relative values are ignored
      {"", "/home/u/", "/home/u/.config/"},
      {std::nullopt, "/home/u", "/home/u/.config/"},
      {std::nullopt, std::nullopt, ""},
  };
  for (const Case& c : cases) {
    TEnvValue xdg("XDG_CONFIG_HOME", c.xdg);
    TEnvValue home("HOME", c.home);
    EXPECT_EQ(platform::UserConfigFolder(), c.expected) << c.xdg.value_or("(unset)");
  }
}

TEST(InstalledFilesTest, SettingsStayBesideAWritableExecutableAndFoldersAreMadePrivate) {
  TTempDir dir;
  EXPECT_EQ(SettingsFileNameFor(dir.File("orvane")), dir.File("orvane.ini"));

  const std::string nested = dir.File("a/b/orvane/");
  ASSERT_TRUE(platform::ForceFolders(nested));
  struct stat st {};
  ASSERT_EQ(stat(nested.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_TRUE(platform::ForceFolders(nested));  // already there
  WriteFile(dir.File("file"), "x");
  EXPECT_FALSE(platform::ForceFolders(dir.File("file/sub")));
}
