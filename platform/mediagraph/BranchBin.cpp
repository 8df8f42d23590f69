#include "platform/mediagraph/BranchBin.h"

namespace platform {

namespace {

struct TBranchBin {
  GstBin parent;
  gint holdErrors;  // atomic: read on the streaming threads that post
  gint failed;      // atomic
};

struct TBranchBinClass {
  GstBinClass parent;
};

GstBinClass* gParentClass = nullptr;

TBranchBin* AsBranch(GstElement* bin) { return reinterpret_cast<TBranchBin*>(bin); }

void HandleMessage(GstBin* bin, GstMessage* message) {
  TBranchBin* branch = AsBranch(GST_ELEMENT(bin));
  if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR && g_atomic_int_get(&branch->holdErrors)) {
    g_atomic_int_set(&branch->failed, 1);
    gst_message_unref(message);
    return;
  }
  gParentClass->handle_message(bin, message);
}

void ClassInit(gpointer klass, gpointer) {
  gParentClass = GST_BIN_CLASS(g_type_class_peek_parent(klass));
  GST_BIN_CLASS(klass)->handle_message = HandleMessage;
}

void InstanceInit(GTypeInstance* instance, gpointer) {
  g_atomic_int_set(&reinterpret_cast<TBranchBin*>(instance)->holdErrors, 1);
}

GType BranchBinType() {
  static const GType type = [] {
    const GTypeInfo info = {sizeof(TBranchBinClass), nullptr, nullptr, ClassInit, nullptr,
                            nullptr, sizeof(TBranchBin), 0, InstanceInit, nullptr};
    return g_type_register_static(GST_TYPE_BIN, "OrvaneBranchBin", &info, GTypeFlags(0));
  }();
  return type;
}

}  // namespace

GstElement* NewBranchBin() { return GST_ELEMENT(g_object_new(BranchBinType(), nullptr)); }

void ReleaseBranchErrors(GstElement* bin) { g_atomic_int_set(&AsBranch(bin)->holdErrors, 0); }

bool BranchFailed(GstElement* bin) { return g_atomic_int_get(&AsBranch(bin)->failed) != 0; }

}  // namespace platform
