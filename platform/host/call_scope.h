// CallScope: the boundary of one call into the library on this thread.
//
// The host makes a call scope current around every call that goes through a
// host::Ref or a late-bound Invoke; calls nest, and only the outermost one
// counts. Resource managers (the data layer's shared read session) attach
// per-call resources under a key while a call is running; they end, in the
// reverse order of attaching, when the outermost call returns, on success and
// on failure alike. Nothing attached ever outlives the call that attached it.
//
// A C++ caller that calls typed methods directly (not through a host::Ref)
// may place a CallScope around the work that should count as one call.
//
// Per thread: the scope, its depth and its resources belong to the calling
// thread; threads never see each other's. Non-copyable, non-movable.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace korvo::host {

// A per-call resource. End() is called once, when the outermost call ends.
class CallResource {
 public:
  virtual ~CallResource() = default;
  virtual void End() noexcept = 0;
};

class CallScope {
 public:
  CallScope() noexcept;
  ~CallScope();
  CallScope(const CallScope&) = delete;
  CallScope& operator=(const CallScope&) = delete;

  // True while a call is running on this thread.
  static bool Active() noexcept;
  // The resource attached under key during the current call, or nullptr
  // (also when no call is running).
  static CallResource* Find(std::string_view key) noexcept;
  // Attaches a resource to the current call, which owns it until it ends.
  // Precondition: Active() and nothing attached under key yet.
  static CallResource& Attach(std::string key, std::unique_ptr<CallResource> resource);
};

}  // namespace korvo::host
