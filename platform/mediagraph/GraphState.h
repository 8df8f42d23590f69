#pragma once
// The run state of one graph and what its pipeline owes before it may run, in one place. Every
// change is a named transition, so the rules that tie the fields together live here only.

#include "platform/mediagraph/MediaGraph.h"

namespace platform {

class TGraphState {
 public:
  // What Run, Pause or Stop asked for last (the pipeline may have refused it).
  OAFilterState Requested() const { return requested_; }
  bool Running() const { return requested_ == State_Running; }
  // The pipeline left NULL: something was rendered and positions can be read.
  bool Live() const { return live_; }
  // An edit on the prerolled graph flushed its streams: they must be sought again before running.
  bool NeedsReseek() const { return needsReseek_; }
  // An ERROR arrived since the last build or wait began: the build or wait fails.
  bool ErrorSeen() const { return errorSeen_; }
  // A stream of the file had no decoder: the build is partial.
  bool Partial() const { return partial_; }
  // A sink posted an ERROR since the last build began: its device may have gone.
  bool SinkFailed() const { return sinkFailed_; }

  void Enter(OAFilterState state) { requested_ = state; }
  void BuildStarted() { errorSeen_ = false; partial_ = false; sinkFailed_ = false; }
  void WaitStarted() { errorSeen_ = false; }
  void WentLive() { live_ = true; }
  // Back to NULL (a failed build, a source or decoder removed): nothing is owed any more.
  void WentDown() { live_ = false; needsReseek_ = false; }
  void Edited() { if (live_) needsReseek_ = true; }
  void Resought() { needsReseek_ = false; }
  void BuildUndone() { errorSeen_ = false; needsReseek_ = false; }
  void ErrorArrived(bool fromSink) {
    errorSeen_ = true;
    sinkFailed_ = sinkFailed_ || fromSink;
  }
  void PluginMissing() { partial_ = true; }

 private:
  OAFilterState requested_ = State_Stopped;
  bool live_ = false;
  bool needsReseek_ = false;
  bool errorSeen_ = false;
  bool partial_ = false;
  bool sinkFailed_ = false;
};

}  // namespace platform
