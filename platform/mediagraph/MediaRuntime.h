#pragma once
// The media runtime: COM's CoInitialize / CoCreateInstance / CoUninitialize for the media graph,
// with a class registry. Registered at construction: the filter graph manager (CLSID_FilterGraph)
// and the external-output renderer (CLSID_VideoGate1000Renderer), both built on GStreamer with
// the runtime's sinks. Tests make a runtime with fake sinks and may revoke a class.

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/mediagraph/MediaGraph.h"
#include "platform/mediagraph/SinkOptions.h"

namespace platform {

class TMediaRuntime final : public TComRuntime {
 public:
  // Makes an object of a class and queries it for iid.
  using TClassFactory = std::function<HRESULT(REFIID iid, void** object)>;

  explicit TMediaRuntime(TSinkOptions sinks = {});

  // Initialises GStreamer on first use; calls are counted and balanced by CoUninitialize.
  HRESULT CoInitialize() override;
  void CoUninitialize() override;
  HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid,
                           void** object) override;

  void RegisterClass(const CLSID& clsid, TClassFactory factory);
  void RevokeClass(const CLSID& clsid);  // later creations fail with REGDB_E_CLASSNOTREG
  const TSinkOptions& Sinks() const { return sinks_; }

 private:
  TSinkOptions sinks_;
  std::map<std::string, TClassFactory> classes_;  // by GuidToString
  int initCount_ = 0;
};

// The program's runtime, with the machine's real renderers; made on first use.
std::shared_ptr<TComRuntime> DefaultMediaRuntime();

}  // namespace platform
