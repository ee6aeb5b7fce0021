// LogRecorder: keeps the entries written through Korvex.Log while recording
// is on, so tests and the script host's `log` method can read them back.
//
// Process-wide and thread-safe. Recording is counted: it stays on while at
// least one Start() (or LogRecording guard) is outstanding. While it is off,
// Record() costs one relaxed atomic load and keeps nothing.
//
// The store is a window of the most recent kCapacity entries: a reader that
// never drains costs bounded memory. Older entries are dropped and counted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace korvo::korvex {

struct LogEntry {
  std::string source;
  std::string text;
  std::int32_t kind = 0;  // 0 an error, 1 the "Not an actual error" note
};

class LogRecorder {
 public:
  LogRecorder() = delete;

  static constexpr std::size_t kCapacity = 1000;

  // Turns recording on (counted) or off again. The last Stop() discards the
  // entries not yet drained.
  static void Start();
  static void Stop();
  static bool IsRecording();

  // Keeps the entry when recording is on; called by Korvex.Log.
  static void Record(const LogEntry& entry);

  // The entries kept since the last Drain(), oldest first; empties the store.
  static std::vector<LogEntry> Drain();
  // The same, and in `dropped` how many entries were recorded since the
  // last Drain() but dropped from the window (0 when none were).
  static std::vector<LogEntry> Drain(std::uint64_t& dropped);
};

// Records for the guard's lifetime. Non-copyable.
class LogRecording {
 public:
  LogRecording() { LogRecorder::Start(); }
  ~LogRecording() { LogRecorder::Stop(); }
  LogRecording(const LogRecording&) = delete;
  LogRecording& operator=(const LogRecording&) = delete;
};

}  // namespace korvo::korvex
