// Korvex.Log: the framework's log component, one entry-write operation.
#pragma once

#include <cstdint>
#include <string>

namespace korvo::contracts {

enum class LogKind : std::int32_t { Error = 0, Note = 1 };

class Log {
 public:
  virtual ~Log() = default;
  // Writes one entry. May raise; callers in the error path ignore failures.
  virtual void WriteEntry(const std::string& source, const std::string& text, std::int32_t kind) = 0;
};

}  // namespace korvo::contracts
