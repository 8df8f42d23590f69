#include "platform/mediagraph/MediaRuntime.h"

#include <gst/gst.h>

#include <mutex>

#include "platform/mediagraph/GstFilterGraph.h"
#include "platform/mediagraph/VideoGateRenderer.h"

namespace platform {
namespace {

bool InitGStreamer() {
  static std::once_flag once;
  static bool ok = false;
  // No argv: the program takes no command-line options and reads no environment of its own.
  std::call_once(once, [] { ok = gst_init_check(nullptr, nullptr, nullptr); });
  return ok;
}

template <class T>
HRESULT QueryNew(ComPtr<T> made, REFIID iid, void** object) {
  if (!made) return E_FAIL;
  return made->QueryInterface(iid, object);
}

}  // namespace

TMediaRuntime::TMediaRuntime(TSinkOptions sinks) : sinks_(std::move(sinks)) {
  RegisterClass(CLSID_FilterGraph, [this](REFIID iid, void** object) {
    return QueryNew(TGstFilterGraph::Create(sinks_), iid, object);
  });
  RegisterClass(CLSID_VideoGate1000Renderer, [this](REFIID iid, void** object) {
    return QueryNew(TVideoGateRenderer::Create(sinks_), iid, object);
  });
}

HRESULT TMediaRuntime::CoInitialize() {
  if (!InitGStreamer()) return E_FAIL;
  ++initCount_;
  return initCount_ == 1 ? S_OK : S_FALSE;
}

void TMediaRuntime::CoUninitialize() {
  // GStreamer stays initialised: it cannot be initialised twice in one process.
  if (initCount_ > 0) --initCount_;
}

HRESULT TMediaRuntime::CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid,
                                        void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (initCount_ == 0) return CO_E_NOTINITIALIZED;
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  if ((context & CLSCTX_INPROC_SERVER) == 0) return REGDB_E_CLASSNOTREG;  // in-process only
  auto it = classes_.find(GuidToString(clsid));
  if (it == classes_.end()) return REGDB_E_CLASSNOTREG;
  return it->second(iid, object);
}

void TMediaRuntime::RegisterClass(const CLSID& clsid, TClassFactory factory) {
  classes_[GuidToString(clsid)] = std::move(factory);
}

void TMediaRuntime::RevokeClass(const CLSID& clsid) { classes_.erase(GuidToString(clsid)); }

std::shared_ptr<TComRuntime> DefaultMediaRuntime() {
  static std::shared_ptr<TComRuntime> runtime = std::make_shared<TMediaRuntime>();
  return runtime;
}

}  // namespace platform
