#pragma once
// Permission checks bind only a process without root's privileges, and CI runs the suite as root:
// a test of what a user cannot read or write runs its checks in a child that has given root up.
// Run as an ordinary user, the child keeps that user's ids.

#include <gtest/gtest.h>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <functional>
#include <string>

namespace orvane_test {

// The ids the child takes as root: those of "nobody", which owns nothing on the machine.
constexpr uid_t kUnprivilegedUid = 65534;
constexpr gid_t kUnprivilegedGid = 65534;

// Exit status of a child that could not give root up.
constexpr int kCannotDropPrivileges = 125;

namespace unprivileged_detail {

// Async-signal-safe, so a child of a process with threads may call it before exec.
inline bool DropPrivileges() {
  if (::geteuid() != 0) return true;
  return ::setgroups(0, nullptr) == 0 && ::setgid(kUnprivilegedGid) == 0 &&
         ::setuid(kUnprivilegedUid) == 0;
}

inline int StatusOf(pid_t pid) {
  int status = 0;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

}  // namespace unprivileged_detail

// Runs body in a forked child without privileges; its result is the child's exit status (0-124
// by convention), -1 when the child did not end normally. Only for processes without threads:
// the child runs ordinary code.
inline int RunUnprivileged(const std::function<int()>& body) {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(unprivileged_detail::DropPrivileges() ? body() : kCannotDropPrivileges);
  return unprivileged_detail::StatusOf(pid);
}

// Runs the current test again, alone, in a fresh copy of this test program without privileges;
// 0 when it passed there. For a process with threads (a Qt application): the child only drops
// its ids and starts the program anew. The test program and the folders on its path must be
// readable by the unprivileged user.
inline int RunCurrentTestUnprivileged() {
  const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string filter =
      std::string("--gtest_filter=") + test->test_suite_name() + "." + test->name();
  char program[PATH_MAX] = {};
  if (::readlink("/proc/self/exe", program, sizeof program - 1) <= 0) return -1;
  char* const argv[] = {program, filter.data(), nullptr};
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (unprivileged_detail::DropPrivileges()) ::execv(program, argv);
    ::_exit(kCannotDropPrivileges);
  }
  return unprivileged_detail::StatusOf(pid);
}

}  // namespace orvane_test
