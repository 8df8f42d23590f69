#pragma once
// A second process for the platform tests, with its standard output on a pipe.

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

// A child process with its standard output on a pipe.
struct TChild {
  pid_t Pid = -1;
  int Out = -1;
};

inline TChild Spawn(const std::vector<std::string>& args) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return {};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  TChild child;
  if (posix_spawn(&child.Pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
    child.Pid = -1;
  }
  posix_spawn_file_actions_destroy(&actions);
  ::close(fds[1]);
  child.Out = fds[0];
  return child;
}

// The exit code of the child, or -1 when it did not end within the timeout.
inline int WaitExit(pid_t pid, std::chrono::seconds timeout = std::chrono::seconds(60)) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < deadline) {
    int status = 0;
    const pid_t r = ::waitpid(pid, &status, WNOHANG);
    if (r == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (r < 0) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return -1;
}

}  // namespace
