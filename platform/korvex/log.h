// Korvex.Log: writes log entries (time, kind, source, text) through spdlog.
//
// Destination: the file named by the setting [LOG] File of Korvex.
// Configuration, or standard error when that is not set. Never standard
// output, which the JSON-RPC server owns. Kind 0 entries are written at
// error level, every other kind at info level; each entry is flushed at once.
// Every entry is also handed to LogRecorder.
//
// Errors: WriteEntry raises errnum::kLogUnwritable when the log file cannot
// be opened; the entry is still recorded. The destination is shared by the
// whole process and safe to write from any thread; a Log object itself is
// single-threaded like every component.
#pragma once

#include <cstdint>
#include <string>

#include "platform/contracts/log.h"
#include "platform/host/component.h"

namespace korvo::korvex {

class Log : public host::Component, public contracts::Log {
 public:
  std::string TypeName() const override { return "Log"; }
  const host::DispatchTable& Dispatch() const override;

  void WriteEntry(const std::string& source, const std::string& text, std::int32_t kind) override;
};

}  // namespace korvo::korvex
