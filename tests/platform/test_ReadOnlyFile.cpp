#include "platform/ReadOnlyFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "support/Unprivileged.h"

namespace fs = std::filesystem;
using platform::TReadOnlyFile;

namespace {

class ReadOnlyFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/orvane-rofile-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    dir_ = std::string(tmpl) + "/";
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string File(const std::string& name, const std::string& bytes) {
    std::ofstream(dir_ + name, std::ios::binary) << bytes;
    return dir_ + name;
  }
  // The descriptors the process holds: a file left open shows up here.
  static size_t OpenDescriptors() {
    return static_cast<size_t>(std::distance(fs::directory_iterator("/proc/self/fd"), {}));
  }
  std::string dir_;
};

TEST_F(ReadOnlyFileTest, SizeAndReadsAtOffsets) {
  const TReadOnlyFile file(File("a.bin", "0123456789"));
  ASSERT_TRUE(file.IsOpen());
  EXPECT_EQ(file.Size(), 10);
  char buf[8] = {};
  EXPECT_EQ(file.ReadAt(3, buf, 4), 4u);
  EXPECT_EQ(std::string(buf, 4), "3456");
  // Positioned reads leave no position behind: the same offset gives the same bytes again.
  EXPECT_EQ(file.ReadAt(3, buf, 2), 2u);
  EXPECT_EQ(std::string(buf, 2), "34");
}

TEST_F(ReadOnlyFileTest, ShortAtTheEndNothingPastItOrBeforeTheStart) {
  const TReadOnlyFile file(File("a.bin", "abcdef"));
  char buf[8] = {};
  EXPECT_EQ(file.ReadAt(4, buf, 8), 2u);
  EXPECT_EQ(std::string(buf, 2), "ef");
  EXPECT_EQ(file.ReadAt(6, buf, 1), 0u);
  EXPECT_EQ(file.ReadAt(1000, buf, 1), 0u);
  EXPECT_EQ(file.ReadAt(-1, buf, 1), 0u);
  // An offset at the top of the range must not wrap when the count is added to it.
  EXPECT_EQ(file.ReadAt(INT64_MAX, buf, 8), 0u);
}

TEST_F(ReadOnlyFileTest, EmptyFileOpensWithSizeZero) {
  const TReadOnlyFile file(File("empty", ""));
  ASSERT_TRUE(file.IsOpen());
  EXPECT_EQ(file.Size(), 0);
  char c = 0;
  EXPECT_EQ(file.ReadAt(0, &c, 1), 0u);
}

TEST_F(ReadOnlyFileTest, MissingFileAndFolderAreNotOpened) {
  const TReadOnlyFile missing(dir_ + "none.mp3");
  EXPECT_FALSE(missing.IsOpen());
  EXPECT_EQ(missing.Size(), -1);
  char c = 0;
  EXPECT_EQ(missing.ReadAt(0, &c, 1), 0u);
  fs::create_directory(dir_ + "folder.mp3");
  EXPECT_FALSE(TReadOnlyFile(dir_ + "folder.mp3").IsOpen());
}

TEST_F(ReadOnlyFileTest, DeviceIsNotOpened) { EXPECT_FALSE(TReadOnlyFile("/dev/null").IsOpen()); }

TEST_F(ReadOnlyFileTest, FifoWithoutWriterIsRefusedWithoutBlocking) {
  const std::string fifo = dir_ + "pipe.mp3";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::promise<bool> opened;
  std::future<bool> result = opened.get_future();
  // Detached: should the open block, the test fails on its timeout instead of hanging.
  std::thread([&opened, fifo] { opened.set_value(TReadOnlyFile(fifo).IsOpen()); }).detach();
  ASSERT_EQ(result.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  EXPECT_FALSE(result.get());
}

TEST_F(ReadOnlyFileTest, SymbolicLinkToAFileIsFollowed) {
  File("song.mp3", "ID3");
  fs::create_symlink(dir_ + "song.mp3", dir_ + "link.mp3");
  const TReadOnlyFile file(dir_ + "link.mp3");
  ASSERT_TRUE(file.IsOpen());
  EXPECT_EQ(file.Size(), 3);
}

TEST_F(ReadOnlyFileTest, DescriptorIsClosedWithTheObject) {
  const std::string path = File("a.bin", "x");
  const size_t before = OpenDescriptors();
  {
    const TReadOnlyFile file(path);
    ASSERT_TRUE(file.IsOpen());
    EXPECT_EQ(OpenDescriptors(), before + 1);
  }
  EXPECT_EQ(OpenDescriptors(), before);
  fs::create_directory(dir_ + "folder");
  { const TReadOnlyFile refused(dir_ + "folder"); }
  EXPECT_EQ(OpenDescriptors(), before);  // a refused file is closed at once
}

TEST_F(ReadOnlyFileTest, UnreadableFileIsNotOpened) {
  const std::string path = File("secret.mp3", "x");
  fs::permissions(path, fs::perms::none);
  // Only the file's own mode may refuse the reader: its folder stays open to everyone.
  fs::permissions(dir_, fs::perms::owner_all | fs::perms::others_exec);
  EXPECT_EQ(orvane_test::RunUnprivileged([&path] { return TReadOnlyFile(path).IsOpen() ? 1 : 0; }),
            0);
}

TEST_F(ReadOnlyFileTest, LargeReadComesWhole) {
  std::string bytes(200000, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 31 + (i >> 9));
  const TReadOnlyFile file(File("big.bin", bytes));
  std::vector<char> out(bytes.size() + 100);
  ASSERT_EQ(file.ReadAt(0, out.data(), out.size()), bytes.size());
  EXPECT_EQ(std::string(out.data(), bytes.size()), bytes);
}

}  // namespace
