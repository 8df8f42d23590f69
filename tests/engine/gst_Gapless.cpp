// Files that follow each other without a gap: the engine on the real GStreamer graph, its audio
// output recorded to a file in real time, across the join of two halves of one tone.
#include <gtest/gtest.h>

#include <gst/gst.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

#include "engine/VideoGate1000.h"
#include "platform/mediagraph/MediaRuntime.h"
#include "platform/mediagraph/SinkOptions.h"
#include "support/MediaFixtures.h"
#include "support/ToneJoin.h"

using namespace platform;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int64_t kSecond = 10000000;

std::string Folder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "orvane-join-XXXXXX").string();
  return mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
}

class GaplessTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    dir_ = Folder();
    ASSERT_FALSE(dir_.empty());
    recording_ = dir_ + "/out.raw";
    pair_ = tone_join::Make(dir_, GetParam(), 1.0);
    const TSinkOptions sinks(TSinkOptions::TKind::Fake, true, nullptr, nullptr, recording_);
    engine_ = std::make_unique<TVideoGate1000>(std::make_shared<TMediaRuntime>(sinks));
    engine_->SetGapless(true);
  }
  void TearDown() override {
    engine_.reset();
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  bool PollUntilEnded(std::chrono::milliseconds timeout) {
    return media::WaitUntil([&] {
      engine_->UpdatePosition();
      return engine_->Ended();
    }, timeout);
  }

  std::string dir_;
  std::string recording_;
  tone_join::TPair pair_;
  std::unique_ptr<TVideoGate1000> engine_;
};

// The second file's samples follow the first's: none lost, none repeated, no silence between;
// the engine reports the advance once the second file is audible, with its own positions.
TEST_P(GaplessTest, TheSecondFileFollowsTheFirstSampleExact) {
  engine_->OpenFile(pair_.first);
  ASSERT_TRUE(engine_->QueueNext(pair_.second));
  const auto start = Clock::now();
  engine_->Play();
  ASSERT_TRUE(PollUntilEnded(10s));
  const auto advancedAfter = Clock::now() - start;
  EXPECT_TRUE(engine_->AdvancedGapless());
  EXPECT_EQ(engine_->FileName(), pair_.second);
  EXPECT_GT(advancedAfter, 900ms);
  EXPECT_LT(advancedAfter, 1400ms);
  EXPECT_LT(engine_->GetPosition(), kSecond * 4 / 10);
  EXPECT_NEAR(static_cast<double>(engine_->GetStopPosition()), kSecond, kSecond * 0.05);

  engine_->SetEnded(false);
  ASSERT_TRUE(PollUntilEnded(10s));
  EXPECT_FALSE(engine_->AdvancedGapless());
  engine_.reset();  // the recording is complete once the graph is gone

  const tone_join::TJoin join = tone_join::Analyse(tone_join::ReadLeft(recording_),
                                                   tone_join::ReadLeft(pair_.reference),
                                                   pair_.joinFrame);
  EXPECT_EQ(join.frames, 2 * pair_.joinFrame);
  EXPECT_LE(join.longestQuiet, tone_join::kRate / 1000u);  // no silent run of 1 ms
  EXPECT_EQ(join.lagBefore, 0);
  EXPECT_EQ(join.lagAfter, 0);
}

INSTANTIATE_TEST_SUITE_P(WavAndLameMp3, GaplessTest, ::testing::Values("wav", "mp3"));

}  // namespace

// A next file that cannot join (no audio decodable, or a video) is dropped, and so is any
// file queued before a seek: the current file then ends as it always did, with no advance, and
// nothing is queued any more.
TEST(GaplessFallback, WhatCannotJoinOrIsSoughtPastLeavesTheCurrentFileToEnd) {
  const media::TFiles& files = media::Files();
  ASSERT_FALSE(files.dir.empty());
  struct TCase {
    std::string next;
    bool seek;
  };
  for (const TCase& c : {TCase{files.textMp3, false}, TCase{files.avi, false},
                         TCase{files.wavHalf, true}}) {
    SCOPED_TRACE(c.next);
    TVideoGate1000 engine(std::make_shared<TMediaRuntime>(
        TSinkOptions(TSinkOptions::TKind::Fake, true, nullptr, nullptr)));
    engine.SetGapless(true);
    engine.OpenFile(files.wavHalf);
    ASSERT_TRUE(engine.QueueNext(c.next));
    engine.Play();
    if (c.seek) engine.SetPosition(kSecond / 10);
    ASSERT_TRUE(media::WaitUntil([&] {
      engine.UpdatePosition();
      return engine.Ended();
    }, 10s));
    EXPECT_FALSE(engine.AdvancedGapless());
    EXPECT_FALSE(engine.Failed());
    EXPECT_EQ(engine.FileName(), files.wavHalf);
    EXPECT_EQ(engine.QueuedName(), "");
  }
}
