#pragma once
// What a program does at the file system's root depends on what the machine keeps there. A test of
// it runs again in a fresh copy of the test program whose "/" is a folder of the test's own: a
// private mount namespace (unshare) with the system's folders the program needs bound in, entered
// with chroot. The test then puts there what it needs; nothing reaches the machine's own root.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace orvane_test {

// True in the copy that runs with the private root.
inline bool InPrivateRoot() { return std::getenv("ORVANE_PRIVATE_ROOT") != nullptr; }

namespace private_root_detail {

inline std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// The first component of an absolute path ("/work/x/bin" gives "work").
inline std::string TopFolder(const std::string& path) {
  const size_t end = path.find('/', 1);
  return path.substr(1, end == std::string::npos ? std::string::npos : end - 1);
}

// Binds the system's folders (var: the font caches), the folders of the program and of the
// sources (the sanitizers' suppressions) into $1, then runs the rest of the arguments there as
// its root.
constexpr char kScript[] = R"sh(set -e
root=$1; tops=$2; shift 2
for d in usr etc var dev proc $tops; do
  [ -d "$root/$d" ] && continue
  mkdir -p "$root/$d"; mount --rbind "/$d" "$root/$d"
done
for d in bin sbin lib lib32 lib64 libx32; do
  if [ -L "/$d" ]; then ln -s "$(readlink "/$d")" "$root/$d"
  elif [ -d "/$d" ]; then mkdir -p "$root/$d"; mount --rbind "/$d" "$root/$d"; fi
done
mkdir -p "$root/tmp"; chmod 1777 "$root/tmp"
exec chroot "$root" env ORVANE_PRIVATE_ROOT=1 "$@")sh";

}  // namespace private_root_detail

// Runs the current test again, alone, with the empty folder root as "/"; 0 when it passed there.
// As root the namespace needs no more; otherwise a user namespace maps the user to root in it.
inline int RunCurrentTestInPrivateRoot(const std::string& root) {
  using namespace private_root_detail;
  const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::string filter =
      std::string("--gtest_filter=") + test->test_suite_name() + "." + test->name();
  char program[PATH_MAX] = {};
  if (::readlink("/proc/self/exe", program, sizeof program - 1) <= 0) return -1;
  std::filesystem::create_directories(root);
  const std::string tops = TopFolder(program) + " " + TopFolder(ORVANE_SOURCE_DIR);
  const std::string unshare = ::geteuid() == 0 ? "unshare --mount --fork"
                                               : "unshare --user --map-root-user --mount --fork";
  const std::string command = unshare + " sh -c " + Quoted(kScript) + " private-root " +
                              Quoted(root) + " " + Quoted(tops) + " " + Quoted(program) + " " +
                              Quoted(filter);
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace orvane_test
