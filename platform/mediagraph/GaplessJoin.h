#pragma once
// Files joined in front of one running audio output. A queued file gets a source and a decoder
// of its own, linked to a new pad of the renderer's concat, which starts it the moment the file
// before it ends: the output chain and its sink never stop between files.
//
// Which file is audible comes from the running time, not from the sink: the next file's segment
// reaches the sink while the old samples still sit in its buffer, and the sink's position jumps
// early. A probe in front of the output keeps the segments of the current and the next file.
//
// Threads: GUI thread; the probe and the decoder's pad signals run on streaming threads and
// touch only what the mutex or the atomics guard.

#include <gst/gst.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace platform {

class TRendererFilter;

class TGaplessJoin {
 public:
  // renderer: a joinable audio renderer already in pipeline; both outlive this object.
  TGaplessJoin(GstElement* pipeline, TRendererFilter* renderer);
  ~TGaplessJoin();
  TGaplessJoin(const TGaplessJoin&) = delete;
  TGaplessJoin& operator=(const TGaplessJoin&) = delete;

  // Builds the branch of the next file (replacing one queued before); false when it cannot.
  bool Queue(const std::string& file);
  // Takes the queued file out. False when the output had already moved on to it (the current
  // file's samples are all decoded): the current file can then no longer be sought here.
  bool Drop();
  bool HasQueued() const { return queued_ != nullptr; }
  // The queued file's decoder gave up or found no audio alone (video): it cannot join.
  bool QueuedFailed() const;

  // True once the queued file is audible: the file before it has ended. The branch of that file
  // is taken down and the queued one becomes the current.
  bool Advanced(GstClockTime runningTime);
  // The position in the audible file (ns), while a next file is known; none otherwise.
  std::optional<int64_t> Position(GstClockTime runningTime) const;

 private:
  struct TBranch {
    GstElement* bin = nullptr;      // source and decoder, in a bin of NewBranchBin
    GstElement* decoder = nullptr;  // in bin
    GstPad* joinPad = nullptr;  // concat's request pad
    GstPad* input = nullptr;    // its ghost on the renderer
    std::atomic<bool> linked{false};
    std::atomic<bool> failed{false};
  };

  std::unique_ptr<TBranch> MakeBranch(const std::string& file);
  void TakeDown(std::unique_ptr<TBranch> branch);
  bool SwitchedAway() const;
  static void OnPadAdded(GstElement* decoder, GstPad* pad, gpointer branch);
  static void OnNoMorePads(GstElement* decoder, gpointer branch);
  static GstPadProbeReturn OnEvent(GstPad* pad, GstPadProbeInfo* info, gpointer self);
  void PinFormat();

  GstElement* pipeline_;
  GstElement* bin_;     // the renderer's
  GstElement* concat_;
  GstElement* format_;
  GstPad* output_ = nullptr;  // concat's source pad, probed
  gulong probe_ = 0;
  std::unique_ptr<TBranch> playing_;  // null while the file first rendered plays
  std::unique_ptr<TBranch> queued_;
  unsigned serial_ = 0;

  mutable std::mutex mutex_;  // guards the segments and flags below
  std::optional<GstSegment> current_;
  std::optional<GstSegment> next_;
  bool flushed_ = false;
  bool newStream_ = false;
};

}  // namespace platform
