#pragma once

#include <glib-object.h>

#include <memory>

namespace mail {

struct GObjectUnref {
  void operator()(gpointer object) const { g_object_unref(object); }
};
// Owns one reference to a GObject (a GMime stream, parser or message).
template <class T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

}  // namespace mail
