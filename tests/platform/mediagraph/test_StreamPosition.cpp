// What the media graph reports of a stream's position: current equals stop only at the end of
// the stream, and stop follows the position past a length that was only an estimate.
#include "platform/mediagraph/StreamPosition.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using platform::TStreamPosition;

namespace {

struct TCase {
  std::string what;
  std::function<void(TStreamPosition&)> steps;  // after Started() with a length of 50
  int64_t current;
  int64_t stop;
};

TEST(StreamPosition, ReportsCurrentBelowStopUntilTheStreamEnds) {
  const std::vector<TCase> cases = {
      {"playing", [](TStreamPosition& p) { p.Observed(20); }, 20, 50},
      {"at the claimed length", [](TStreamPosition& p) { p.Observed(50); }, 50, 51},
      {"past a short estimate", [](TStreamPosition& p) { p.Observed(90); }, 90, 91},
      {"stop does not shrink after a seek back",
       [](TStreamPosition& p) { p.Observed(90); p.SeekSent(10); }, 10, 91},
      {"a longer estimate later", [](TStreamPosition& p) { p.Observed(90); p.SetLength(120); },
       90, 120},
      {"ended at a known length", [](TStreamPosition& p) { p.Observed(50); p.StreamEnded(); },
       50, 50},
      {"ended past a short estimate", [](TStreamPosition& p) { p.Observed(99); p.StreamEnded(); },
       99, 99},
      {"ended short of the length", [](TStreamPosition& p) { p.Observed(40); p.StreamEnded(); },
       50, 50},
      {"a pending seek gives its target", [](TStreamPosition& p) { p.SeekSent(30); }, 30, 50},
      {"before the start", [](TStreamPosition& p) { p.SeekSent(-5); }, 0, 50},
      {"at the stop ends at once", [](TStreamPosition& p) { p.SeekSent(50); }, 50, 50},
      {"past the stop ends at the stop", [](TStreamPosition& p) { p.SeekSent(500); }, 50, 50},
      {"a seek back leaves the end", [](TStreamPosition& p) { p.StreamEnded(); p.SeekSent(5); },
       5, 50},
      {"held", [](TStreamPosition& p) { p.Observed(20); p.Hold(25); }, 25, 50},
  };
  for (const TCase& c : cases) {
    TStreamPosition p;
    p.Started();
    p.SetLength(50);
    c.steps(p);
    int64_t current = -1, stop = -1;
    ASSERT_TRUE(p.Report(&current, &stop)) << c.what;
    EXPECT_EQ(current, c.current) << c.what;
    EXPECT_EQ(stop, c.stop) << c.what;
    EXPECT_EQ(current == stop, p.Ended()) << c.what;
  }
}

TEST(StreamPosition, WithoutALengthOnlyTheEndIsReported) {
  TStreamPosition p;
  p.Started();
  p.Observed(7);
  int64_t current = -1, stop = -1;
  EXPECT_FALSE(p.Report(&current, &stop));
  EXPECT_EQ(p.SeekSent(700), 700) << "no stop to end at";
  p.StreamEnded();
  ASSERT_TRUE(p.Report(&current, &stop));
  EXPECT_EQ(current, 700);
  EXPECT_EQ(stop, 700);
}

TEST(StreamPosition, StandsAtTheStartOnlyUntilItRunsOrSeeks) {
  TStreamPosition p;
  p.Started();
  p.SetLength(50);
  EXPECT_TRUE(p.StandsAt(0));
  EXPECT_FALSE(p.StandsAt(10));
  p.Running();
  EXPECT_FALSE(p.StandsAt(0)) << "it played on";
  p.SeekSent(10);
  EXPECT_FALSE(p.StandsAt(10)) << "not there before the seek completes";
  p.SeekDone(true);
  EXPECT_TRUE(p.StandsAt(10));
  p.SeekSent(20);
  p.SeekDone(false);
  EXPECT_FALSE(p.StandsAt(20)) << "completed while running";
}

}  // namespace
