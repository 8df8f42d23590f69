// Window placement kept in the settings file.

#include <gtest/gtest.h>

#include <QApplication>
#include <QMainWindow>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "desktop/Winplace.h"
#include "platform/Profile.h"
#include "tests/desktop/TrayIconTestApp.h"

namespace {

class WinplaceTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureTestApplication(); }
  void SetUp() override {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "orvane-winplace-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    Dir = pattern;
    IniPath = Dir + "/orvane.ini";
    SetApplicationIniFileName(IniPath);
  }
  void TearDown() override {
    SetApplicationIniFileName("");
    std::error_code ignored;
    std::filesystem::remove_all(Dir, ignored);
  }

  std::string Read(const std::string& section, const std::string& key) const {
    return platform::TIniFile(IniPath).ReadString(section, key, "<missing>");
  }

  std::string Dir;
  std::string IniPath;
};

void ShowAt(QWidget& window, const QRect& geometry) {
  window.setGeometry(geometry);
  window.show();
  QCoreApplication::processEvents();
}

}  // namespace

TEST(IniFileNameTest, ExtensionOfTheExecutableBecomesIni) {
  EXPECT_EQ(IniFileNameFor("/opt/orvane"), "/opt/orvane.ini");
  EXPECT_EQ(IniFileNameFor("/opt/orvane.bin"), "/opt/orvane.ini");
  EXPECT_EQ(IniFileNameFor("/opt/v1.07/orvane"), "/opt/v1.07/orvane.ini");
  EXPECT_EQ(IniFileNameFor("/opt/.orvane"), "/opt/.orvane.ini");
}

TEST_F(WinplaceTest, SaveWritesTenKeysUnderTheClassNameAndLoadRestoresThem) {
  QWidget saved;
  ShowAt(saved, QRect(150, 160, 400, 300));
  SavePlacement(&saved);
  std::ifstream in(IniPath);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str().rfind("[QWidget]\nPlaceFlags=0\nPlaceShowCmd=1\nPlaceMinPos.X=-1\n"
                             "PlaceMinPos.Y=-1\nPlaceMaxPos.X=-1\nPlaceMaxPos.Y=-1\n", 0), 0u)
      << text.str();
  const QRect frame = saved.frameGeometry();
  EXPECT_EQ(Read("QWidget", "PlaceNormalPos.Left"), std::to_string(frame.left()));
  EXPECT_EQ(Read("QWidget", "PlaceNormalPos.Right"), std::to_string(frame.left() + frame.width()));

  QWidget restored;
  ShowAt(restored, QRect(10, 20, 100, 100));
  LoadPlacement(&restored);
  QCoreApplication::processEvents();
  EXPECT_EQ(restored.frameGeometry(), frame);
  EXPECT_EQ(restored.windowState(), Qt::WindowNoState);
}

TEST_F(WinplaceTest, MissingKeysKeepThePresentPlacement) {
  {
    std::ofstream(IniPath) << "[QWidget]\nPlaceNormalPos.Left=77\nPlaceShowCmd=junk\n";
  }
  QWidget window;
  ShowAt(window, QRect(200, 210, 320, 240));
  const QRect before = window.frameGeometry();
  LoadPlacement(&window);
  QCoreApplication::processEvents();
  EXPECT_EQ(window.frameGeometry().left(), 77);
  EXPECT_EQ(window.frameGeometry().top(), before.top());
  // The right edge stays where it was, so the window grows to the left.
  EXPECT_EQ(window.frameGeometry().right(), before.right());
  EXPECT_EQ(window.windowState(), Qt::WindowNoState);

  LoadPlacement(&window, "NoSuchSection");
  EXPECT_EQ(window.frameGeometry().left(), 77);
}

TEST_F(WinplaceTest, MaximisedWindowReopensMaximisedWithItsNormalRectangleKept) {
  QWidget saved;
  ShowAt(saved, QRect(120, 130, 500, 350));
  const QSize normalSize = saved.size();
  saved.showMaximized();
  QCoreApplication::processEvents();
  SavePlacement(&saved);
  EXPECT_EQ(Read("QWidget", "PlaceShowCmd"), "3");

  QWidget restored;
  ShowAt(restored, QRect(0, 0, 200, 200));
  LoadPlacement(&restored);
  QCoreApplication::processEvents();
  EXPECT_TRUE(restored.windowState() & Qt::WindowMaximized);
  EXPECT_EQ(restored.normalGeometry().size(), normalSize);
  restored.showNormal();
  QCoreApplication::processEvents();
  EXPECT_EQ(restored.size(), normalSize);
}

TEST_F(WinplaceTest, WindowsOfDifferentClassesKeepSeparateSections) {
  QWidget plain;
  ShowAt(plain, QRect(50, 60, 300, 200));
  QMainWindow main;
  ShowAt(main, QRect(400, 410, 350, 250));
  SavePlacement(&plain);
  SavePlacement(&main);
  SavePlacement(&main, "Named");
  EXPECT_EQ(Read("QWidget", "PlaceNormalPos.Left"), std::to_string(plain.frameGeometry().left()));
  EXPECT_EQ(Read("QMainWindow", "PlaceNormalPos.Left"), std::to_string(main.frameGeometry().left()));
  EXPECT_EQ(Read("Named", "PlaceNormalPos.Top"), std::to_string(main.frameGeometry().top()));
}

TEST_F(WinplaceTest, ARectangleTheWindowCannotTakeIsNotApplied) {
  const std::pair<const char*, const char*> cases[] = {
      {"1 x 1, the remains of a broken save", "202,104,203,105"},
      {"below the minimum size", "100,100,250,400"},
      {"right and bottom before left and top", "500,500,100,100"},
      {"outside every screen", "-9000,-9000,-8000,-8000"},
      {"the integers' extremes, empty", "2147483647,2147483647,-2147483648,-2147483648"},
  };
  for (const auto& [what, rect] : cases) {
    SCOPED_TRACE(what);
    int l = 0, t = 0, r = 0, b = 0;
    ASSERT_EQ(std::sscanf(rect, "%d,%d,%d,%d", &l, &t, &r, &b), 4);
    std::ofstream(IniPath, std::ios::trunc)
        << "[QWidget]\nPlaceShowCmd=1\nPlaceNormalPos.Left=" << l << "\nPlaceNormalPos.Top=" << t
        << "\nPlaceNormalPos.Right=" << r << "\nPlaceNormalPos.Bottom=" << b << "\n";
    QWidget window;
    window.setMinimumSize(200, 150);
    ShowAt(window, QRect(150, 160, 400, 300));
    const QRect before = window.frameGeometry();
    LoadPlacement(&window);
    QCoreApplication::processEvents();
    EXPECT_EQ(window.frameGeometry(), before);
  }
}
