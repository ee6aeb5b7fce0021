// LogRecorder: keeps the entries written through Korvex.Log while recording
// is on, so tests and the script host's `log` method can read them back.
//
// Process-wide and thread-safe. Recording is counted: it stays on while at
// least one Start() (or LogRecording guard) is outstanding. While it is off,
// Record() costs one relaxed atomic load and keeps nothing.
#pragma once

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

  // Turns recording on (counted) or off again. The last Stop() discards the
  // entries not yet drained.
  static void Start();
  static void Stop();
  static bool IsRecording();

  // Keeps the entry when recording is on; called by Korvex.Log.
  static void Record(const LogEntry& entry);

  // The entries kept since the last Drain(), oldest first; empties the store.
  static std::vector<LogEntry> Drain();
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
