// StatementRecorder: the statements the library issued while recording was
// on, as it issued them (before any dialect translation), for the
// protocol's `trace` method. Observes the data layer's statement trace only
// while enabled, so a session that never traces costs nothing.
// Single-threaded use from the session's thread; non-copyable.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/runtime/variant.h"

namespace korvo::tool {

struct RecordedStatement {
  std::string sql;
  std::vector<rt::Variant> params;
};

class StatementRecorder {
 public:
  StatementRecorder();
  ~StatementRecorder();
  StatementRecorder(const StatementRecorder&) = delete;
  StatementRecorder& operator=(const StatementRecorder&) = delete;

  // Starts or stops recording; statements already kept stay until drained.
  void Enable(bool on);
  // The statements kept since the last Drain(), oldest first.
  std::vector<RecordedStatement> Drain();

 private:
  struct Observer;
  std::unique_ptr<Observer> observer_;
};

}  // namespace korvo::tool
