#include "platform/mediagraph/GaplessJoin.h"

#include "platform/mediagraph/BranchBin.h"
#include "platform/mediagraph/ChainBin.h"
#include "platform/mediagraph/RendererFilter.h"

namespace platform {

namespace {

bool HasVideo(GstCaps* caps) {
  if (caps == nullptr || gst_caps_is_empty(caps)) return false;
  return g_str_has_prefix(gst_structure_get_name(gst_caps_get_structure(caps, 0)), "video/");
}

bool HasAudio(GstCaps* caps) {
  if (caps == nullptr || gst_caps_is_empty(caps)) return false;
  return g_str_has_prefix(gst_structure_get_name(gst_caps_get_structure(caps, 0)), "audio/");
}

}  // namespace

TGaplessJoin::TGaplessJoin(GstElement* pipeline, TRendererFilter* renderer)
    : pipeline_(pipeline),
      bin_(renderer->Element()),
      concat_(renderer->Join()),
      format_(renderer->Format()) {
  output_ = gst_element_get_static_pad(concat_, "src");
  // The current file's segment went by before this probe: the pad keeps it.
  if (GstEvent* sticky = gst_pad_get_sticky_event(output_, GST_EVENT_SEGMENT, 0)) {
    const GstSegment* segment = nullptr;
    gst_event_parse_segment(sticky, &segment);
    current_ = *segment;
    gst_event_unref(sticky);
  }
  const auto events = static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM |
                                                   GST_PAD_PROBE_TYPE_EVENT_FLUSH);
  probe_ = gst_pad_add_probe(output_, events, OnEvent, this, nullptr);
}

TGaplessJoin::~TGaplessJoin() {
  Drop();
  if (playing_) TakeDown(std::move(playing_));
  gst_pad_remove_probe(output_, probe_);
  gst_object_unref(output_);
}

// Runs on the streaming thread in front of the output: a flush starts the current file's
// segments again (a seek); a segment after a new stream start without one is the next file's.
GstPadProbeReturn TGaplessJoin::OnEvent(GstPad*, GstPadProbeInfo* info, gpointer self) {
  auto* join = static_cast<TGaplessJoin*>(self);
  GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
  std::lock_guard lock(join->mutex_);
  switch (GST_EVENT_TYPE(event)) {
    case GST_EVENT_FLUSH_STOP:
      join->flushed_ = true;
      join->newStream_ = false;
      join->next_.reset();
      break;
    case GST_EVENT_STREAM_START:
      join->newStream_ = join->current_.has_value() && !join->flushed_;
      break;
    case GST_EVENT_SEGMENT: {
      const GstSegment* segment = nullptr;
      gst_event_parse_segment(event, &segment);
      if (join->newStream_) join->next_ = *segment;
      else join->current_ = *segment;
      join->newStream_ = false;
      join->flushed_ = false;
      break;
    }
    default:
      break;
  }
  return GST_PAD_PROBE_OK;
}

bool TGaplessJoin::Queue(const std::string& file) {
  if (!Drop()) return false;
  std::unique_ptr<TBranch> branch = MakeBranch(file);
  if (!branch) return false;
  PinFormat();
  queued_ = std::move(branch);
  return true;
}

// The concat pad is requested before anything else: were the current file to end without a next
// pad, concat would pass its end of stream on and the queued file would never play.
std::unique_ptr<TGaplessJoin::TBranch> TGaplessJoin::MakeBranch(const std::string& file) {
  auto branch = std::make_unique<TBranch>();
  branch->joinPad = gst_element_request_pad_simple(concat_, "sink_%u");
  if (branch->joinPad == nullptr) return {};
  const std::string name = TRendererFilter::kJoinPadPrefix + std::to_string(++serial_);
  branch->input = gst_ghost_pad_new(name.c_str(), branch->joinPad);
  gst_object_ref(branch->input);
  gst_pad_set_active(branch->input, TRUE);
  gst_element_add_pad(bin_, branch->input);
  // In a bin of its own that settles its own state changes and is left out of the pipeline's:
  // the running graph must not wait for this decoder's preroll (one that fails would never end
  // it), nor take it along when it pauses for a seek. Without a sink the bin needs no clock.
  branch->bin = NewBranchBin();
  g_object_set(branch->bin, "async-handling", TRUE, nullptr);
  gst_object_ref(branch->bin);
  gst_bin_add(GST_BIN(pipeline_), branch->bin);
  gst_element_set_locked_state(branch->bin, TRUE);
  GstElement* source = Make("filesrc");
  branch->decoder = Make("decodebin");
  if (source == nullptr || branch->decoder == nullptr) {
    if (source != nullptr) gst_object_unref(gst_object_ref_sink(source));
    if (branch->decoder != nullptr) gst_object_unref(gst_object_ref_sink(branch->decoder));
    branch->decoder = nullptr;
    TakeDown(std::move(branch));
    return {};
  }
  g_object_set(source, "location", file.c_str(), nullptr);
  gst_bin_add_many(GST_BIN(branch->bin), source, branch->decoder, nullptr);
  g_signal_connect(branch->decoder, "pad-added", G_CALLBACK(OnPadAdded), branch.get());
  g_signal_connect(branch->decoder, "no-more-pads", G_CALLBACK(OnNoMorePads), branch.get());
  if (!gst_element_link(source, branch->decoder) ||
      gst_element_set_state(branch->bin, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
    TakeDown(std::move(branch));
    return {};
  }
  return branch;
}

// Streaming thread. The one audio stream goes to the concat pad; a file with video cannot join.
void TGaplessJoin::OnPadAdded(GstElement*, GstPad* pad, gpointer data) {
  auto* branch = static_cast<TBranch*>(data);
  GstCaps* caps = gst_pad_get_current_caps(pad);
  if (caps == nullptr) caps = gst_pad_query_caps(pad, nullptr);
  if (HasVideo(caps)) branch->failed = true;
  else if (HasAudio(caps) && !branch->linked) {
    GstPad* ghost = gst_ghost_pad_new(nullptr, pad);
    gst_pad_set_active(ghost, TRUE);
    gst_element_add_pad(branch->bin, ghost);
    branch->linked = gst_pad_link(ghost, branch->input) == GST_PAD_LINK_OK;
  }
  if (caps != nullptr) gst_caps_unref(caps);
}

void TGaplessJoin::OnNoMorePads(GstElement*, gpointer data) {
  auto* branch = static_cast<TBranch*>(data);
  if (!branch->linked) branch->failed = true;
}

// The sink keeps the format it was opened with; a file of another rate, width or channel count
// is converted in front of it instead of reopening the device.
void TGaplessJoin::PinFormat() {
  if (format_ == nullptr) return;
  GstPad* pad = gst_element_get_static_pad(format_, "src");
  GstCaps* caps = gst_pad_get_current_caps(pad);
  gst_object_unref(pad);
  if (caps == nullptr) return;
  if (gst_caps_is_fixed(caps)) g_object_set(format_, "caps", caps, nullptr);
  gst_caps_unref(caps);
}

bool TGaplessJoin::SwitchedAway() const {
  std::lock_guard lock(mutex_);
  if (next_) return true;
  if (!queued_) return false;
  GstPad* active = nullptr;
  g_object_get(concat_, "active-pad", &active, nullptr);
  const bool away = active != nullptr && active == queued_->joinPad;
  if (active != nullptr) gst_object_unref(active);
  return away;
}

bool TGaplessJoin::Drop() {
  if (!queued_) return true;
  const bool before = !SwitchedAway();
  // concat may wait on this file already (the current one's samples all passed): its end goes
  // in for it, so that the current file ends as it would have without a next one.
  GstPad* active = nullptr;
  g_object_get(concat_, "active-pad", &active, nullptr);
  if (active != nullptr && active == queued_->joinPad)
    gst_pad_send_event(queued_->joinPad, gst_event_new_eos());
  if (active != nullptr) gst_object_unref(active);
  TakeDown(std::move(queued_));
  std::lock_guard lock(mutex_);
  next_.reset();
  newStream_ = false;
  return before;
}

// Releasing the concat pad first wakes a stream waiting there for its turn, which would
// otherwise hold the state change to NULL for ever.
void TGaplessJoin::TakeDown(std::unique_ptr<TBranch> branch) {
  if (branch->joinPad != nullptr) {
    gst_element_release_request_pad(concat_, branch->joinPad);
    gst_object_unref(branch->joinPad);
  }
  if (branch->bin != nullptr) {
    gst_element_set_state(branch->bin, GST_STATE_NULL);
    if (branch->decoder != nullptr) g_signal_handlers_disconnect_by_data(branch->decoder, branch.get());
    gst_bin_remove(GST_BIN(pipeline_), branch->bin);
    gst_object_unref(branch->bin);
  }
  if (branch->input != nullptr) {
    gst_element_remove_pad(bin_, branch->input);
    gst_object_unref(branch->input);
  }
}

bool TGaplessJoin::QueuedFailed() const {
  return queued_ && (queued_->failed || BranchFailed(queued_->bin));
}

bool TGaplessJoin::Advanced(GstClockTime runningTime) {
  {
    std::lock_guard lock(mutex_);
    if (!next_ || !queued_ || !GST_CLOCK_TIME_IS_VALID(runningTime) ||
        runningTime < next_->base)
      return false;
    current_ = next_;
    next_.reset();
  }
  if (playing_) TakeDown(std::move(playing_));
  playing_ = std::move(queued_);
  // The file plays now: its errors are the graph's.
  ReleaseBranchErrors(playing_->bin);
  return true;
}

std::optional<int64_t> TGaplessJoin::Position(GstClockTime runningTime) const {
  std::lock_guard lock(mutex_);
  if (!current_ || !queued_ || !GST_CLOCK_TIME_IS_VALID(runningTime)) return std::nullopt;
  const guint64 running = std::max<guint64>(runningTime, current_->base);
  const guint64 position =
      gst_segment_position_from_running_time(&*current_, GST_FORMAT_TIME, running);
  if (!GST_CLOCK_TIME_IS_VALID(position)) return std::nullopt;
  const guint64 stream = gst_segment_to_stream_time(&*current_, GST_FORMAT_TIME, position);
  if (!GST_CLOCK_TIME_IS_VALID(stream)) return std::nullopt;
  return static_cast<int64_t>(stream);
}

}  // namespace platform
