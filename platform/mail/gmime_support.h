// Ownership of GMime and GLib objects, and the library's one-time start.
#pragma once

#include <glib-object.h>
#include <gmime/gmime.h>

#include <memory>

namespace korvo::mail {

// Starts GMime once per process; cheap on every later call. Thread-safe.
void EnsureGMime();

struct GObjectUnref {
  void operator()(gpointer object) const { g_object_unref(object); }
};
struct GFree {
  void operator()(gpointer memory) const { g_free(memory); }
};

// Holds one reference to a GObject (a GMime message, part, stream, ...).
template <class T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;
// Holds memory GLib allocated for the caller (g_free).
template <class T>
using GMemoryPtr = std::unique_ptr<T, GFree>;

}  // namespace korvo::mail
