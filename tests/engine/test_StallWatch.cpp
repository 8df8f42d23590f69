// When a running stream counts as stalled: no change of position for 20 s, seen by 50 polls.
#include "engine/StallWatch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <vector>

namespace {

struct TPoll {
  int64_t atMs;
  std::optional<int64_t> position;  // none: it could not be read
};

// Polls from a restart at 0 ms; the time of the first poll that answered stalled, or -1.
int64_t StalledAt(const std::vector<TPoll>& polls) {
  TStallWatch watch;
  watch.Restart(0);
  for (const TPoll& p : polls) {
    if (watch.Poll(p.position, p.atMs)) return p.atMs;
  }
  return -1;
}

// Every 200 ms from 200 to toMs; position(t) gives what each poll reads.
template <class F>
std::vector<TPoll> Every200Ms(int64_t toMs, F position) {
  std::vector<TPoll> polls;
  for (int64_t t = 200; t <= toMs; t += 200) polls.push_back({t, position(t)});
  return polls;
}

}  // namespace

TEST(StallWatchTest, OnlyAStreamThatStandsStillForTwentySecondsOfPollsHasStalled) {
  const struct {
    const char* what;
    std::vector<TPoll> polls;
    int64_t stalledAt;
  } cases[] = {
      {"never moves", Every200Ms(30000, [](int64_t) { return 0; }), 20000},
      {"cannot be read", Every200Ms(30000, [](int64_t) { return std::nullopt; }), 20000},
      {"moves for 5 s, then stands",
       Every200Ms(40000, [](int64_t t) { return std::min<int64_t>(t, 5000); }), 5000 + 20000},
      // A slow start: nothing for 19 s (a network file, a loaded machine), then on, slowly.
      {"slow start", Every200Ms(60000, [](int64_t t) { return t < 19000 ? 0 : t / 100; }), -1},
      // Suspended for a minute between two polls: time nobody watched does not count.
      {"a gap with few polls", {{200, 0}, {60000, 0}, {60200, 0}, {60400, 0}}, -1},
  };
  for (const auto& c : cases) EXPECT_EQ(StalledAt(c.polls), c.stalledAt) << c.what;
}

TEST(StallWatchTest, ARestartForgetsTheTimeBefore) {
  TStallWatch watch;
  watch.Restart(0);
  for (int64_t t = 200; t < 19000; t += 200) ASSERT_FALSE(watch.Poll(0, t));
  watch.Restart(19000);  // resumed after a pause
  for (int64_t t = 19200; t < 39000; t += 200) ASSERT_FALSE(watch.Poll(0, t)) << t;
  EXPECT_TRUE(watch.Poll(0, 39000));
}
