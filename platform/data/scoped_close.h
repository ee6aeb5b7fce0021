// Closing a connection or record set reference on every path, including
// the paths an error takes.
#pragma once

#include <utility>

namespace korvo::data {

// Closes the object if it is set and open, then clears the reference in
// every case: the reference is cleared first, so it is cleared even when
// closing raises. Safe on a null or closed reference.
template <class Ref>
void CloseAndClear(Ref& ref) {
  auto held = std::move(ref);
  ref.reset();
  if (held && held->IsOpen()) held->Close();
}

// Closes and clears a connection or record set reference when the scope
// ends, or earlier through CloseNow(). A failure to close is dropped, so it
// never replaces an error being raised. Holds a reference to the caller's
// variable, which must outlive the guard. Non-copyable.
template <class Ref>
class ScopedClose {
 public:
  explicit ScopedClose(Ref& ref) : ref_(ref) {}
  ~ScopedClose() { CloseNow(); }
  ScopedClose(const ScopedClose&) = delete;
  ScopedClose& operator=(const ScopedClose&) = delete;

  void CloseNow() noexcept {
    try {
      CloseAndClear(ref_);
    } catch (...) {
      // Releasing is best effort here: the error being reported matters more.
    }
  }

 private:
  Ref& ref_;
};

}  // namespace korvo::data
