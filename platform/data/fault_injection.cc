#include "platform/data/fault_injection.h"

#include <atomic>
#include <mutex>

#include "platform/data/data_error.h"

namespace korvo::data {
namespace {

struct Fault {
  std::atomic<bool> armed{false};
  std::mutex mutex;
  int remaining = 0;
  rt::ErrorRecord error;
};

Fault& TheFault() {
  static Fault* fault = new Fault();  // usable during static destruction
  return *fault;
}

}  // namespace

StatementFault::StatementFault(int nth, std::int32_t number, std::string description) {
  Fault& fault = TheFault();
  std::lock_guard lock(fault.mutex);
  fault.remaining = nth;
  fault.error = rt::ErrorRecord{number, kConnectionSource, std::move(description), {}, 0};
  fault.armed.store(nth > 0, std::memory_order_relaxed);
}

void StatementFault::Clear() {
  Fault& fault = TheFault();
  std::lock_guard lock(fault.mutex);
  fault.armed.store(false, std::memory_order_relaxed);
  fault.remaining = 0;
}

std::optional<rt::ErrorRecord> StatementFault::Next() {
  Fault& fault = TheFault();
  if (!fault.armed.load(std::memory_order_relaxed)) return std::nullopt;
  std::lock_guard lock(fault.mutex);
  if (fault.remaining <= 0 || --fault.remaining > 0) return std::nullopt;
  fault.armed.store(false, std::memory_order_relaxed);
  return fault.error;
}

}  // namespace korvo::data
