#include "platform/NamedMutex.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "ChildProcess.h"

using namespace platform;
namespace fs = std::filesystem;

namespace {

// Names unique to this test process, so that parallel runs and a running player never meet.
std::string UniqueName(const char* what) {
  static std::atomic<int> counter{0};
  return std::string("orvane-test-") + what + "-" + std::to_string(::getpid()) + "-" +
         std::to_string(counter++);
}

bool IsHeld(const std::string& name) {
  const HANDLE h = OpenMutexA(MUTEX_ALL_ACCESS, false, name.c_str());
  if (h != 0) CloseHandle(h);
  return h != 0;
}

// True when the child printed "held" within the timeout.
bool WaitHeld(const TChild& child, int timeoutMs = 60000) {
  std::string out;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (out.find("held") == std::string::npos && std::chrono::steady_clock::now() < deadline) {
    pollfd p{child.Out, POLLIN, 0};
    if (::poll(&p, 1, 200) <= 0) continue;
    char buf[64];
    const ssize_t n = ::read(child.Out, buf, sizeof buf);
    if (n <= 0) return false;
    out.append(buf, static_cast<size_t>(n));
  }
  return out.find("held") != std::string::npos;
}

const std::string kHelper = std::string(ORVANE_BIN_DIR) + "/helper_mutex";

int RunHelper(const char* mode, const std::string& name) {
  TChild c = Spawn({kHelper, mode, name});
  if (c.Pid < 0) return -2;
  const int rc = WaitExit(c.Pid);
  ::close(c.Out);
  return rc;
}

TEST(NamedMutexTest, OpenSeesOnlyAMutexThatSomeoneHolds) {
  const std::string name = UniqueName("inproc");
  EXPECT_EQ(OpenMutexA(MUTEX_ALL_ACCESS, false, name.c_str()), 0);
  const HANDLE mine = CreateMutexA(nullptr, false, name.c_str());
  ASSERT_NE(mine, 0);
  EXPECT_EQ(GetLastError(), 0u);
  EXPECT_TRUE(IsHeld(name));
  EXPECT_FALSE(IsHeld(name + "x"));
  // Without ownership there is nothing to release; the name stays until the handle closes.
  EXPECT_FALSE(ReleaseMutex(mine));
  EXPECT_TRUE(IsHeld(name));
  EXPECT_TRUE(CloseHandle(mine));
  EXPECT_FALSE(CloseHandle(mine));
  EXPECT_FALSE(IsHeld(name));
  EXPECT_EQ(OpenMutexA(MUTEX_ALL_ACCESS, false, nullptr), 0);
  EXPECT_EQ(OpenMutexA(MUTEX_ALL_ACCESS, false, ""), 0);
}

TEST(NamedMutexTest, SecondCreateReportsTheExistingMutex) {
  const std::string name = UniqueName("twice");
  const HANDLE first = CreateMutexA(nullptr, true, name.c_str());
  ASSERT_NE(first, 0);
  const HANDLE second = CreateMutexA(nullptr, false, name.c_str());
  ASSERT_NE(second, 0);
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  // Closing the handle that merely refers to the mutex keeps it alive.
  CloseHandle(second);
  EXPECT_TRUE(IsHeld(name));
  EXPECT_TRUE(ReleaseMutex(first));
  EXPECT_FALSE(ReleaseMutex(first));
  CloseHandle(first);
  EXPECT_FALSE(IsHeld(name));
}

TEST(NamedMutexTest, NamesAreKeptApart) {
  // Names that escape to similar file names, and a name far longer than a file name may be.
  const std::string base = UniqueName("apart");
  const std::vector<std::string> names = {base + "/a", base + "%2Fa", base + "\\a",
                                          base + std::string(400, 'L'),
                                          base + std::string(399, 'L') + "M"};
  std::vector<HANDLE> handles;
  for (const auto& n : names) {
    ASSERT_FALSE(IsHeld(n)) << n;
    handles.push_back(CreateMutexA(nullptr, false, n.c_str()));
    ASSERT_NE(handles.back(), 0);
    EXPECT_EQ(GetLastError(), 0u) << n;
  }
  for (HANDLE h : handles) CloseHandle(h);
  for (const auto& n : names) EXPECT_FALSE(IsHeld(n));
}

TEST(NamedMutexTest, HolderRemovesItsLockFileOnClose) {
  char tmpl[] = "/tmp/orvane-runtime-XXXXXX";
  ASSERT_NE(::mkdtemp(tmpl), nullptr);
  const std::string runtime = tmpl;
  const char* saved = std::getenv("XDG_RUNTIME_DIR");
  const std::string savedValue = saved ? saved : "";
  ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  const std::string folder = runtime + "/orvane-mutex";
  const std::string name = UniqueName("tidy");

  const HANDLE holder = CreateMutexA(nullptr, false, name.c_str());
  ASSERT_NE(holder, 0);
  const HANDLE probe = OpenMutexA(MUTEX_ALL_ACCESS, false, name.c_str());
  EXPECT_NE(probe, 0);
  CloseHandle(probe);  // a handle that does not hold the lock leaves the file alone
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
  CloseHandle(holder);
  EXPECT_TRUE(fs::is_empty(folder));
  const HANDLE again = CreateMutexA(nullptr, false, name.c_str());
  EXPECT_NE(again, 0);
  EXPECT_EQ(GetLastError(), 0u);
  CloseHandle(again);

  if (saved) ::setenv("XDG_RUNTIME_DIR", savedValue.c_str(), 1);
  else ::unsetenv("XDG_RUNTIME_DIR");
  fs::remove_all(runtime);
}

TEST(NamedMutexTest, SecondProcessSeesTheFirstAndAKilledHolderLeavesNoLock) {
  const std::string name = UniqueName("procs");
  TChild first = Spawn({kHelper, "hold", name});
  ASSERT_GT(first.Pid, 0);
  ASSERT_TRUE(WaitHeld(first));
  EXPECT_TRUE(IsHeld(name));
  EXPECT_EQ(RunHelper("hold", name), 3);   // a second instance ends at once
  EXPECT_EQ(RunHelper("probe", name), 3);

  ASSERT_EQ(::kill(first.Pid, SIGKILL), 0);
  EXPECT_EQ(WaitExit(first.Pid), 128 + SIGKILL);
  ::close(first.Out);
  EXPECT_FALSE(IsHeld(name));
  EXPECT_EQ(RunHelper("probe", name), 0);

  TChild next = Spawn({kHelper, "hold", name});  // a new instance starts after the crash
  ASSERT_GT(next.Pid, 0);
  EXPECT_TRUE(WaitHeld(next));
  ::kill(next.Pid, SIGKILL);
  WaitExit(next.Pid);
  ::close(next.Out);
  // The killed holder's file is taken over and, on a clean close, removed.
  const HANDLE last = CreateMutexA(nullptr, false, name.c_str());
  EXPECT_NE(last, 0);
  EXPECT_EQ(GetLastError(), 0u);
  CloseHandle(last);
}

TEST(NamedMutexTest, ProgramsStartedByTheHolderDoNotInheritIt) {
  const std::string name = UniqueName("inherit");
  const HANDLE mine = CreateMutexA(nullptr, false, name.c_str());
  ASSERT_NE(mine, 0);
  TChild sleeper = Spawn({"/bin/sleep", "60"});
  ASSERT_GT(sleeper.Pid, 0);
  CloseHandle(mine);
  // Had the child inherited the lock, the name would outlive our handle.
  EXPECT_FALSE(IsHeld(name));
  ::kill(sleeper.Pid, SIGKILL);
  WaitExit(sleeper.Pid);
  ::close(sleeper.Out);
}

}  // namespace
