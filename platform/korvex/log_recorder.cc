#include "platform/korvex/log_recorder.h"

#include <atomic>
#include <mutex>
#include <utility>

namespace korvo::korvex {

namespace {

struct Store {
  std::atomic<int> recorders{0};
  std::mutex mutex;
  std::vector<LogEntry> entries;
};

Store& TheStore() {
  static Store store;
  return store;
}

}  // namespace

void LogRecorder::Start() {
  Store& store = TheStore();
  std::lock_guard lock(store.mutex);
  store.recorders.fetch_add(1);
}

void LogRecorder::Stop() {
  Store& store = TheStore();
  std::lock_guard lock(store.mutex);
  const int recorders = store.recorders.load();
  if (recorders == 0) return;  // an unmatched Stop() changes nothing
  store.recorders.store(recorders - 1);
  if (recorders == 1) store.entries.clear();
}

bool LogRecorder::IsRecording() { return TheStore().recorders.load(std::memory_order_relaxed) > 0; }

void LogRecorder::Record(const LogEntry& entry) {
  if (!IsRecording()) return;
  Store& store = TheStore();
  std::lock_guard lock(store.mutex);
  store.entries.push_back(entry);
}

std::vector<LogEntry> LogRecorder::Drain() {
  Store& store = TheStore();
  std::lock_guard lock(store.mutex);
  return std::exchange(store.entries, {});
}

}  // namespace korvo::korvex
