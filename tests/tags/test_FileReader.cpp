// The tag readers' file: reads served from its two windows must give exactly the bytes and
// counts that plain reading of the file would, wherever the reads fall.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "TagFixtures.h"
#include "tags/ByteReader.h"

namespace {

constexpr int64_t kWindow = static_cast<int64_t>(TFileReader::kWindowBytes);

// Bytes that differ from their neighbours and repeat only after 251 positions, so a copy from
// the wrong offset shows.
std::vector<uint8_t> Pattern(size_t size) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i % 251);
  return bytes;
}

class FileReaderWindows : public ::testing::Test {
 protected:
  std::string Write(const std::vector<uint8_t>& bytes) {
    FBytes = bytes;
    return tagtest::WriteFile(FDir.Path("data.bin"), bytes);
  }
  // Seeks, reads count bytes and checks count, bytes and position against the file's bytes.
  void ExpectRead(TFileReader& file, int64_t at, size_t count) {
    SCOPED_TRACE("read of " + std::to_string(count) + " at " + std::to_string(at));
    ASSERT_TRUE(file.Seek(at));
    std::vector<uint8_t> out(count, 0xEE);
    const size_t got = file.Read(out.data(), count);
    const int64_t size = static_cast<int64_t>(FBytes.size());
    const size_t want = at >= size ? 0 : std::min<size_t>(count, static_cast<size_t>(size - at));
    ASSERT_EQ(got, want);
    for (size_t i = 0; i < got; ++i) ASSERT_EQ(out[i], FBytes[static_cast<size_t>(at) + i]) << i;
    EXPECT_EQ(file.Position(), at + static_cast<int64_t>(got));
  }

  tagtest::TempDir FDir;
  std::vector<uint8_t> FBytes;
};

TEST_F(FileReaderWindows, SequentialSmallReadsRebuildTheFile) {
  TFileReader file(Write(Pattern(3 * kWindow + 123)));
  std::vector<uint8_t> copy;
  uint8_t piece[7];
  for (size_t got; (got = file.Read(piece, sizeof piece)) > 0;) {
    copy.insert(copy.end(), piece, piece + got);
  }
  EXPECT_EQ(copy, FBytes);
  EXPECT_TRUE(file.AtEnd());
}

// The order an MPEG reader uses: tag header and frames at the head, the last 128 bytes, a block
// after the head tag, a block in front of the last 128 bytes.
TEST_F(FileReaderWindows, HeadTailAndBlocksBetween) {
  TFileReader file(Write(Pattern(50000)));
  ExpectRead(file, 0, 10);
  ExpectRead(file, 10, 10);
  ExpectRead(file, 20, 500);
  ExpectRead(file, 50000 - 128, 128);
  ExpectRead(file, 1137, 3458);
  ExpectRead(file, 50000 - 3458 - 128, 3458);
  ExpectRead(file, 25000, 3458);
  ExpectRead(file, 0, 10);  // the head again after both windows were replaced
}

TEST_F(FileReaderWindows, ReadsThatStraddleAWindowEdge) {
  TFileReader file(Write(Pattern(4 * kWindow)));
  ExpectRead(file, 0, 1);                 // window at 0
  ExpectRead(file, kWindow - 3, 10);      // starts inside it, ends past it
  ExpectRead(file, kWindow - 3, 3);       // ends exactly at its edge
  ExpectRead(file, 2 * kWindow - 1, 2);
  ExpectRead(file, 4 * kWindow - 5, 10);  // short at the end of the file
}

TEST_F(FileReaderWindows, LargeReadsAndShortFiles) {
  TFileReader file(Write(Pattern(3 * kWindow)));
  ExpectRead(file, 5, static_cast<size_t>(kWindow));  // as large as a window: read directly
  ExpectRead(file, 100, 2 * static_cast<size_t>(kWindow) + 7);
  ExpectRead(file, 3 * kWindow - 10, static_cast<size_t>(kWindow) + 1);
  ExpectRead(file, 3 * kWindow, 1);
  ExpectRead(file, 3 * kWindow + 1000, 1);  // past the end: nothing

  TFileReader small(Write(Pattern(300)));
  ExpectRead(small, 290, 128);
  ExpectRead(small, 0, 300);
  ExpectRead(small, 172, 128);
}

TEST_F(FileReaderWindows, ScatteredReadsMatchTheFile) {
  TFileReader file(Write(Pattern(5 * kWindow + 77)));
  const int64_t size = static_cast<int64_t>(FBytes.size());
  uint32_t state = 12345;
  auto next = [&state](uint32_t bound) {
    state = state * 1103515245u + 12345u;
    return (state >> 8) % bound;
  };
  for (int i = 0; i < 3000; ++i) {
    const int64_t at = next(static_cast<uint32_t>(size + 200));
    // Mostly small reads, some of window size and above.
    const size_t count = next(10) == 0 ? next(3 * kWindow) : next(600);
    ExpectRead(file, at, count);
    if (HasFatalFailure()) return;
  }
}

TEST_F(FileReaderWindows, SeekAndReadUpToLimits) {
  TFileReader file(Write(Pattern(1000)));
  EXPECT_FALSE(file.Seek(-1));
  EXPECT_TRUE(file.Seek(990));
  EXPECT_EQ(file.ReadUpTo(1u << 30).size(), 10u);  // capped by the file, not by the request
  EXPECT_TRUE(file.AtEnd());
  EXPECT_TRUE(file.Seek(5000));
  EXPECT_TRUE(file.ReadUpTo(10).empty());
}

TEST_F(FileReaderWindows, FileThatCannotBeOpened) {
  TFileReader file(FDir.Path("missing.bin"));
  EXPECT_FALSE(file.IsOpen());
  EXPECT_FALSE(file.Seek(0));
  uint8_t b = 0;
  EXPECT_EQ(file.Read(&b, 1), 0u);
  EXPECT_TRUE(file.ReadUpTo(10).empty());
}

}  // namespace
