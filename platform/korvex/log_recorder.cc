#include "platform/korvex/log_recorder.h"

#include <atomic>
#include <deque>
#include <iterator>
#include <mutex>

namespace korvo::korvex {

namespace {

struct Store {
  std::atomic<int> recorders{0};
  std::mutex mutex;
  std::deque<LogEntry> entries;
  std::uint64_t dropped = 0;
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
  if (recorders == 1) {
    store.entries.clear();
    store.dropped = 0;
  }
}

bool LogRecorder::IsRecording() { return TheStore().recorders.load(std::memory_order_relaxed) > 0; }

void LogRecorder::Record(const LogEntry& entry) {
  if (!IsRecording()) return;
  Store& store = TheStore();
  std::lock_guard lock(store.mutex);
  if (store.entries.size() == kCapacity) {
    store.entries.pop_front();
    ++store.dropped;
  }
  store.entries.push_back(entry);
}

std::vector<LogEntry> LogRecorder::Drain() {
  std::uint64_t dropped = 0;
  return Drain(dropped);
}

std::vector<LogEntry> LogRecorder::Drain(std::uint64_t& dropped) {
  Store& store = TheStore();
  std::lock_guard lock(store.mutex);
  std::vector<LogEntry> entries(std::make_move_iterator(store.entries.begin()),
                                std::make_move_iterator(store.entries.end()));
  store.entries.clear();
  dropped = store.dropped;
  store.dropped = 0;
  return entries;
}

}  // namespace korvo::korvex
