#pragma once
// Helpers shared by the media graph's COM-style objects: reference counting for an object that
// implements one or more interfaces, and the fixed-size wide name fields of the info structures.

#include <atomic>
#include <cstddef>
#include <string>

#include "platform/mediagraph/MediaGraph.h"

namespace platform {

// AddRef/Release for an object implementing one or more interfaces; the creator holds the first
// reference (take it with ComPtr<>::Attach).
template <class... Interfaces>
class TComObject : public Interfaces... {
 public:
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

 protected:
  virtual ~TComObject() = default;

 private:
  std::atomic<ULONG> refs_{1};
};

// Copies a name into a fixed-size wide field, cut to fit with its terminating zero.
void CopyName(const std::u16string& name, WCHAR* field, size_t fieldSize);

}  // namespace platform
