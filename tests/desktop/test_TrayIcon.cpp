// TTrayIcon against a recording shell service (offscreen Qt).

#include "desktop/TrayIcon.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QPixmap>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/CodePage.h"
#include "tests/desktop/TrayIconTestApp.h"

using namespace platform;

namespace {

const std::string kCannotRegister = "タスクトレイにアイコンを登録できません。";
constexpr unsigned kCallback = WM_USER + 200;

struct ShellCall {
  uint32_t message;
  NOTIFYICONDATA data;
  std::string Tip() const { return data.szTip; }
};

// Records every Shell_NotifyIcon call; refuses the kinds of call it is told to.
class ShellRecorder {
 public:
  ShellRecorder() {
    previous_ = SetShellNotifyService([this](uint32_t message, const NOTIFYICONDATA& data) {
      calls.push_back({message, data});
      return !(message == NIM_ADD && refuseAdd) && !(message == NIM_MODIFY && refuseModify);
    });
  }
  ~ShellRecorder() { SetShellNotifyService(std::move(previous_)); }

  std::vector<ShellCall> calls;
  bool refuseAdd = false;
  bool refuseModify = false;

 private:
  TShellNotifyService previous_;
};

QIcon Picture(Qt::GlobalColor color) {
  QPixmap pixmap(16, 16);
  pixmap.fill(color);
  return QIcon(pixmap);
}

class TrayIconTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureTestApplication();
    ASSERT_TRUE(UsedIconIDs().empty()) << "an earlier test left an icon alive";
  }

  // A component as a form makes it: properties first, then the loaded step.
  std::unique_ptr<TTrayIcon> Shown() {
    auto icon = std::make_unique<TTrayIcon>(nullptr);
    icon->Loaded();
    return icon;
  }

  ShellRecorder shell;
};

using Ids = std::set<std::string>;

TEST_F(TrayIconTest, IdentifiersCountFromOneAndOnlyTheHighestIsReused) {
  auto a = std::make_unique<TTrayIcon>(nullptr);
  auto b = std::make_unique<TTrayIcon>(nullptr);
  auto c = std::make_unique<TTrayIcon>(nullptr);
  EXPECT_EQ(a->IconID(), 1);
  EXPECT_EQ(b->IconID(), 2);
  EXPECT_EQ(c->IconID(), 3);
  EXPECT_EQ(UsedIconIDs(), (Ids{"001", "002", "003"}));

  b.reset();  // freed below the highest: not taken again while 003 lives
  auto d = std::make_unique<TTrayIcon>(nullptr);
  EXPECT_EQ(d->IconID(), 4);
  d.reset();
  c.reset();
  auto e = std::make_unique<TTrayIcon>(nullptr);
  EXPECT_EQ(e->IconID(), 2);  // highest living is now 001
  EXPECT_EQ(UsedIconIDs(), (Ids{"001", "002"}));
  EXPECT_TRUE(shell.calls.empty()) << "construction alone shows nothing";
}

TEST_F(TrayIconTest, AThousandthIconIsRefusedAndLeavesTheIdentifiersAlone) {
  std::vector<std::unique_ptr<TTrayIcon>> icons;
  for (int i = 0; i < 999; ++i) icons.push_back(std::make_unique<TTrayIcon>(nullptr));
  EXPECT_EQ(icons.back()->IconID(), 999);
  icons[10].reset();  // a gap below the highest does not help
  const Ids before = UsedIconIDs();
  try {
    TTrayIcon refused(nullptr);
    ADD_FAILURE() << "construction succeeded with 999 in use";
  } catch (const std::bad_alloc& error) {
    EXPECT_NE(dynamic_cast<const EOutOfMemory*>(&error), nullptr);
    EXPECT_EQ(error.what(), kCannotRegister);
  }
  EXPECT_EQ(UsedIconIDs(), before);
  EXPECT_EQ(before.size(), 998u);
  EXPECT_EQ(*before.rbegin(), "999");
}

TEST_F(TrayIconTest, LoadedAddsTheRecordAndDestructionDeletesIt) {
  auto icon = std::make_unique<TTrayIcon>(nullptr);
  EXPECT_FALSE(icon->Registered());
  icon->Loaded();
  EXPECT_TRUE(icon->Registered());
  ASSERT_EQ(shell.calls.size(), 1u);
  const ShellCall& add = shell.calls[0];
  EXPECT_EQ(add.message, NIM_ADD);
  EXPECT_EQ(add.data.cbSize, 88u);
  EXPECT_EQ(add.data.hWnd, icon->TrayWindow());
  EXPECT_EQ(add.data.uID, 1u);
  EXPECT_EQ(add.data.uFlags, 7u);
  EXPECT_EQ(add.data.uCallbackMessage, 1224u);
  EXPECT_EQ(add.Tip(), "TipHelp");

  HWND window = icon->TrayWindow();
  icon.reset();
  ASSERT_EQ(shell.calls.size(), 2u);
  EXPECT_EQ(shell.calls[1].message, NIM_DELETE);
  EXPECT_EQ(shell.calls[1].data.uID, 1u);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_TRUE(UsedIconIDs().empty());
}

TEST_F(TrayIconTest, RefusalsRaiseTheErrorAndKeepTheState) {
  shell.refuseAdd = true;
  auto icon = std::make_unique<TTrayIcon>(nullptr);
  EXPECT_THROW(icon->Loaded(), EOutOfMemory);
  EXPECT_FALSE(icon->Registered());

  shell.refuseAdd = false;
  auto shown = Shown();
  shell.refuseModify = true;
  try {
    shown->SetTipHelp("refused");
    ADD_FAILURE() << "a refused modify went unreported";
  } catch (const EOutOfMemory& error) {
    EXPECT_EQ(error.what(), kCannotRegister);
  }
  EXPECT_TRUE(shown->Registered());

  shell.calls.clear();
  icon.reset();  // never registered: nothing to delete
  EXPECT_TRUE(shell.calls.empty());
}

// A tray here shows a long tip whole: the path of a file deep in a home folder, then its title.
TEST_F(TrayIconTest, TipIsShownWholeAndAnUnchangedTipSendsNothing) {
  auto icon = Shown();
  shell.calls.clear();
  const std::string tip = "/home/someone/Music/" + std::string(200, 'x') + "/01.mp3\r再生";
  icon->SetTipHelp(tip);
  EXPECT_EQ(icon->TipHelp(), tip);
  ASSERT_EQ(shell.calls.size(), 1u);
  EXPECT_EQ(shell.calls[0].message, NIM_MODIFY);
  EXPECT_EQ(shell.calls[0].Tip(), tip);

  icon->SetTipHelp(tip);
  EXPECT_EQ(shell.calls.size(), 1u);
}

// Only a runaway text is cut: after its 1,000th character, never inside one.
TEST_F(TrayIconTest, TipCutAfterAThousandCharactersNeverSplitsOne) {
  auto icon = std::make_unique<TTrayIcon>(nullptr);
  icon->SetTipHelp(std::string(999, 'a') + "再生停止");
  EXPECT_EQ(icon->TipHelp(), std::string(999, 'a') + "再");

  SetACP(TCodePage::ShiftJis);
  icon->SetTipHelp(std::string(998, 'a') + "\x8d\xc4\x90\xb6\x8d\xc4");  // three characters
  EXPECT_EQ(icon->TipHelp(), std::string(998, 'a') + "\x8d\xc4\x90\xb6");
  SetACP(TCodePage::Utf8);
}

TEST_F(TrayIconTest, ChangesWhileHiddenReachTheShellWithTheNextAdd) {
  auto icon = std::make_unique<TTrayIcon>(nullptr);
  icon->SetVisible(false);  // still being loaded: only stored
  EXPECT_TRUE(shell.calls.empty());
  icon->Loaded();
  EXPECT_TRUE(shell.calls.empty());
  EXPECT_FALSE(icon->Registered());

  icon->SetTipHelp("hidden tip");
  icon->SetIcon(QIcon());
  EXPECT_TRUE(shell.calls.empty());

  icon->SetVisible(true);
  ASSERT_EQ(shell.calls.size(), 1u);
  EXPECT_EQ(shell.calls[0].message, NIM_ADD);
  EXPECT_EQ(shell.calls[0].Tip(), "hidden tip");
  EXPECT_EQ(shell.calls[0].data.uFlags, NIF_MESSAGE | NIF_TIP);
  EXPECT_TRUE(icon->Registered());

  icon->SetVisible(true);  // unchanged: nothing
  icon->SetVisible(false);
  ASSERT_EQ(shell.calls.size(), 2u);
  EXPECT_EQ(shell.calls[1].message, NIM_DELETE);
  EXPECT_FALSE(icon->Registered());
  shell.calls.clear();
  icon.reset();
  EXPECT_TRUE(shell.calls.empty());
}

TEST_F(TrayIconTest, IconNoneClearsNifIconAndAPictureRestoresIt) {
  auto icon = Shown();
  shell.calls.clear();
  const QIcon red = Picture(Qt::red);
  icon->SetIcon(red);
  icon->SetIcon(QIcon());
  icon->SetIcon(red);
  ASSERT_EQ(shell.calls.size(), 3u);
  EXPECT_EQ(shell.calls[0].data.uFlags, 7u);
  EXPECT_EQ(shell.calls[0].data.hIcon.cacheKey(), icon->Icon().cacheKey());
  EXPECT_EQ(shell.calls[1].data.uFlags, NIF_MESSAGE | NIF_TIP);
  EXPECT_TRUE(shell.calls[1].data.hIcon.isNull());
  EXPECT_EQ(shell.calls[2].data.uFlags, 7u);
  EXPECT_FALSE(shell.calls[2].data.hIcon.isNull());

  icon->SetIcon(icon->Icon());  // its own picture: nothing
  EXPECT_EQ(shell.calls.size(), 3u);
}

// ---- mouse messages ----

struct MouseEventRecord {
  std::string kind;
  TMouseButton button;
  TShiftState shift;
  QPoint at;
};

class TrayIconMouseTest : public TrayIconTest {
 protected:
  void SetUp() override {
    TrayIconTest::SetUp();
    icon = Shown();
    icon->SetOnMouseDown([this](QObject* sender, TMouseButton b, TShiftState s, int x, int y) {
      EXPECT_EQ(sender, icon.get());
      events.push_back({"down", b, s, {x, y}});
    });
    icon->SetOnMouseUp([this](QObject* sender, TMouseButton b, TShiftState s, int x, int y) {
      EXPECT_EQ(sender, icon.get());
      events.push_back({"up", b, s, {x, y}});
    });
    icon->SetOnMouseMove([this](QObject*, TShiftState s, int x, int y) {
      events.push_back({"move", mbLeft, s, {x, y}});
    });
    icon->SetOnDblClick([this](QObject* sender) {
      EXPECT_EQ(sender, icon.get());
      events.push_back({"dblclick", mbLeft, 0, {}});
    });
    leftMenu.addAction("Left");
    rightMenu.addAction("Right");
  }
  void TearDown() override {
    leftMenu.hide();
    rightMenu.hide();
    icon.reset();
  }

  LRESULT Mouse(unsigned message) {
    return SendMessage(icon->TrayWindow(), kCallback, icon->IconID(), message);
  }

  std::unique_ptr<TTrayIcon> icon;
  std::vector<MouseEventRecord> events;
  QMenu leftMenu;
  QMenu rightMenu;
};

TEST_F(TrayIconMouseTest, ButtonsWithoutMenusRaiseDownAndUpWithTheirOwnShiftState) {
  Mouse(WM_LBUTTONDOWN);
  Mouse(WM_LBUTTONUP);
  Mouse(WM_RBUTTONDOWN);
  Mouse(WM_RBUTTONUP);
  Mouse(WM_MBUTTONDOWN);
  Mouse(WM_MBUTTONUP);
  Mouse(WM_MOUSEMOVE);
  const QPoint cursor = GetCursorPos();
  ASSERT_EQ(events.size(), 7u);
  const TMouseButton buttons[] = {mbLeft, mbLeft, mbRight, mbRight, mbMiddle, mbMiddle};
  const TShiftState shifts[] = {ssLeft, ssLeft, ssRight, ssRight, ssMiddle, ssMiddle};
  for (size_t i = 0; i < 6; ++i) {
    EXPECT_EQ(events[i].kind, i % 2 ? "up" : "down") << i;
    EXPECT_EQ(events[i].button, buttons[i]) << i;
    EXPECT_EQ(events[i].shift, shifts[i]) << i;
    EXPECT_EQ(events[i].at, cursor) << i;
  }
  EXPECT_EQ(events[6].kind, "move");
  EXPECT_EQ(events[6].shift, 0u);
}

TEST_F(TrayIconMouseTest, RightPressOpensTheMenuAtTheCursorInsteadOfMouseDown) {
  QCursor::setPos(120, 90);
  icon->SetRBPopupMenu(&rightMenu);
  Mouse(WM_RBUTTONDOWN);
  EXPECT_TRUE(rightMenu.isVisible());
  EXPECT_EQ(rightMenu.pos(), GetCursorPos());
  EXPECT_FALSE(leftMenu.isVisible());
  EXPECT_TRUE(events.empty());

  Mouse(WM_RBUTTONUP);  // the release is still reported
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].kind, "up");
}

TEST_F(TrayIconMouseTest, WithoutAutoPopupAPressIsAMouseDown) {
  icon->SetRBPopupMenu(&rightMenu);
  icon->SetLBPopupMenu(&leftMenu);
  icon->SetAutoPopup(false);
  Mouse(WM_RBUTTONDOWN);
  Mouse(WM_LBUTTONDOWN);
  EXPECT_FALSE(rightMenu.isVisible());
  EXPECT_FALSE(leftMenu.isVisible());
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].button, mbRight);
  EXPECT_EQ(events[0].shift, ssRight);
  EXPECT_EQ(events[1].button, mbLeft);
}

TEST_F(TrayIconMouseTest, LeftPressOpensTheLeftMenuOnly) {
  icon->SetRBPopupMenu(&rightMenu);
  icon->SetLBPopupMenu(&leftMenu);
  Mouse(WM_LBUTTONDOWN);
  EXPECT_TRUE(leftMenu.isVisible());
  EXPECT_FALSE(rightMenu.isVisible());
  EXPECT_TRUE(events.empty());
}

TEST_F(TrayIconMouseTest, MiddlePressIsAlwaysAMouseDownAndOnlyLeftDoubleClickCounts) {
  icon->SetRBPopupMenu(&rightMenu);
  icon->SetLBPopupMenu(&leftMenu);
  Mouse(WM_MBUTTONDOWN);
  Mouse(WM_RBUTTONDBLCLK);
  Mouse(WM_MBUTTONUP + 1);  // the middle double-click, and beyond: nothing
  Mouse(0x0209);
  EXPECT_FALSE(leftMenu.isVisible());
  EXPECT_FALSE(rightMenu.isVisible());
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].button, mbMiddle);
  EXPECT_EQ(events[0].shift, ssMiddle);

  Mouse(WM_LBUTTONDBLCLK);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[1].kind, "dblclick");
}

TEST_F(TrayIconMouseTest, AMenuDestroyedElsewhereCountsAsNone) {
  auto menu = std::make_unique<QMenu>();
  icon->SetRBPopupMenu(menu.get());
  menu.reset();
  EXPECT_EQ(icon->RBPopupMenu(), nullptr);
  Mouse(WM_RBUTTONDOWN);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].button, mbRight);
}

TEST_F(TrayIconMouseTest, OtherMessagesGoToTheDefaultProcedureAndUnsetEventsAreSkipped) {
  EXPECT_EQ(SendMessage(icon->TrayWindow(), WM_USER + 1, 0, WM_LBUTTONDOWN), 0);
  EXPECT_TRUE(events.empty());
  icon->SetOnMouseDown(nullptr);
  icon->SetOnDblClick(nullptr);
  Mouse(WM_LBUTTONDOWN);
  Mouse(WM_LBUTTONDBLCLK);
  EXPECT_TRUE(events.empty());
}

TEST_F(TrayIconMouseTest, PostedCallbacksArriveThroughTheEventLoop) {
  PostMessage(icon->TrayWindow(), kCallback, icon->IconID(), WM_LBUTTONDBLCLK);
  EXPECT_TRUE(events.empty()) << "posted, not sent";
  QCoreApplication::processEvents();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].kind, "dblclick");

  // A message still queued when its component goes is dropped.
  PostMessage(icon->TrayWindow(), kCallback, icon->IconID(), WM_LBUTTONDBLCLK);
  icon.reset();
  QCoreApplication::processEvents();
  EXPECT_EQ(events.size(), 1u);
}

TEST_F(TrayIconMouseTest, AHandlerMayFreeTheComponent) {
  icon->SetOnDblClick([this](QObject*) { icon.reset(); });
  HWND window = icon->TrayWindow();
  Mouse(WM_LBUTTONDBLCLK);
  EXPECT_EQ(icon, nullptr);
  EXPECT_FALSE(IsWindow(window));
  // The window itself goes once its procedure has returned.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// ---- the real service (offscreen: no notification area) ----

TEST(ShellNotifyIcon, AddsEachIconOnceAndRefusesIconsItDoesNotHold) {
  EnsureTestApplication();
  HWND window = AllocateHWnd(nullptr);
  NOTIFYICONDATA data;
  data.hWnd = window;
  data.uID = 7;
  data.uFlags = NIF_MESSAGE | NIF_TIP;
  data.uCallbackMessage = kCallback;
  data.szTip = "name\rtitle";
  EXPECT_TRUE(Shell_NotifyIcon(NIM_ADD, data)) << "kept until a notification area appears";
  EXPECT_FALSE(Shell_NotifyIcon(NIM_ADD, data));
  EXPECT_TRUE(Shell_NotifyIcon(NIM_MODIFY, data));

  NOTIFYICONDATA other = data;
  other.uID = 8;
  EXPECT_FALSE(Shell_NotifyIcon(NIM_MODIFY, other));
  EXPECT_FALSE(Shell_NotifyIcon(NIM_DELETE, other));
  other.uID = 7;
  other.hWnd = nullptr;
  EXPECT_FALSE(Shell_NotifyIcon(NIM_DELETE, other));

  EXPECT_TRUE(Shell_NotifyIcon(NIM_DELETE, data));
  EXPECT_FALSE(Shell_NotifyIcon(NIM_DELETE, data));
  DeallocateHWnd(window);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_FALSE(PostMessage(window, kCallback, 7, WM_LBUTTONDOWN));
}

}  // namespace
