#pragma once
// The reference player the media graph is measured against in the benchmarks: GStreamer's own
// playbin, run the way "gst-launch-1.0 playbin uri=… audio-sink=… video-sink=…" runs it, with
// the same fake sinks the graph gets. Not used by the program itself.

#include <cstdint>
#include <string>

typedef struct _GstElement GstElement;

namespace bench {

class TPlaybinPeer {
 public:
  // sync: the fake sinks render in real time.
  TPlaybinPeer(const std::string& path, bool sync);
  ~TPlaybinPeer();
  TPlaybinPeer(const TPlaybinPeer&) = delete;
  TPlaybinPeer& operator=(const TPlaybinPeer&) = delete;

  bool Play();         // to PLAYING; false when the pipeline refuses
  int64_t Position();  // media time (100 ns); -1 when not known yet
  bool Ended();        // end of stream or an error seen on the bus

 private:
  GstElement* playbin_ = nullptr;
  bool ended_ = false;
};

}  // namespace bench
