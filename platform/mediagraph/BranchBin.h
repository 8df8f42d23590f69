#pragma once
// The bin a queued file decodes in. While the file waits behind the one playing, the bin keeps
// its children's errors to itself and only notes them: a bin that passes an error up marks the
// state change of every bin above it failed, and a pipeline caught between PAUSED and PLAYING
// then never posts the end of the file that plays. Once the file plays, its errors go up as any
// playing file's do.

#include <gst/gst.h>

namespace platform {

// A new bin (floating) that holds its errors back.
GstElement* NewBranchBin();
// Its errors go up from now on.
void ReleaseBranchErrors(GstElement* bin);
// An error was held back. Any thread.
bool BranchFailed(GstElement* bin);

}  // namespace platform
