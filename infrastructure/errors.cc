#include "infrastructure/errors.h"

#include <memory>

#include "infrastructure/components.h"
#include "platform/contracts/log.h"

namespace korvo::infra {

namespace {

constexpr const char* kCrLf = "\r\n";
constexpr const char* kLogProgId = "Korvex.Log";
constexpr const char* kNoErrorText = "Not an actual error";

// Marks the thread as busy writing a log entry. Creating the log component
// reports its own failures through Err_Handle, which logs again: without this
// mark a log component that cannot be created would recurse without end. A
// nested attempt finds the mark and drops its entry.
class LoggingMark {
 public:
  LoggingMark() : taken_(!active_) { active_ = true; }
  ~LoggingMark() {
    if (taken_) active_ = false;
  }
  LoggingMark(const LoggingMark&) = delete;
  LoggingMark& operator=(const LoggingMark&) = delete;

  // False when an outer entry of this thread is being written already.
  bool taken() const { return taken_; }

 private:
  static thread_local bool active_;
  bool taken_;
};

thread_local bool LoggingMark::active_ = false;

bool Supplied(const Info& info) { return info.has_value() && !info->IsMissing(); }

void WriteEntry(contracts::Log& log, const std::string& source, const std::string& text,
                contracts::LogKind kind) {
  log.WriteEntry(source, text, static_cast<std::int32_t>(kind));
}

// The note written when a handler runs with no error current; it never raises.
void LogNote(std::string_view method, const Info& info) {
  try {
    auto log = Gen_GetComponentAs<contracts::Log>(kLogProgId);
    WriteEntry(*log, std::string(method), Err_FormatMessage(kNoErrorText, 0, method, info),
               contracts::LogKind::Note);
  } catch (...) {
    // The note is informational: a log that cannot be created or written is
    // not worth an error of its own.
  }
}

}  // namespace

std::string Err_FormatMessage(std::string_view description, std::int32_t number, std::string_view method,
                              const Info& info) {
  std::string text;
  text.append(kCrLf).append("ERROR 0x").append(rt::Hex(number));
  text.append(kCrLf).append(" METHOD: ").append(method);
  text.append(kCrLf).append(" DESC: ").append(description).append(".").append(kCrLf);
  if (Supplied(info)) {
    text.append(" INFO: ").append(Gen_NullToString(*info)).append(".").append(kCrLf);
  }
  return text;
}

std::string Err_ConnectionErrors(const contracts::Connection* connection) {
  if (connection == nullptr || connection->Errors().empty()) return {};
  std::string text = "Error(s) from connection object: ";
  int counter = 0;
  for (const auto& error : connection->Errors()) {
    text.append(" (").append(std::to_string(++counter)).append(")");
    text.append(error.description);
    text.append("[").append(std::to_string(error.nativeError)).append("]");
  }
  return text;
}

ErrorRecord Err_Capture(std::string_view method, const Info& info) {
  ErrorRecord record = rt::CurrentError();
  record.Description = Err_FormatMessage(record.Description, record.Number, method, info);
  return record;
}

void Err_RaiseRecord(const ErrorRecord& record) { throw rt::Error(record); }

void Err_Log(std::string_view method, const Info& info) {
  LoggingMark mark;
  if (!mark.taken()) return;
  const ErrorRecord current = rt::CurrentError();
  if (current.Number == 0) {
    LogNote(method, info);
    return;
  }
  auto log = Gen_GetComponentAs<contracts::Log>(kLogProgId);
  WriteEntry(*log, current.Source, Err_FormatMessage(current.Description, current.Number, method, info),
             contracts::LogKind::Error);
}

void Err_Handle(std::string_view method, const Info& info) {
  Err_HandleRecord(rt::CurrentError(), method, info);
}

void Err_HandleRecord(const ErrorRecord& current, std::string_view method, const Info& info) {
  if (current.Number == 0) return;
  ErrorRecord enriched = current;
  enriched.Description = Err_FormatMessage(current.Description, current.Number, method, info);
  // The enriched error becomes the current one while it is logged, so the
  // entry carries the enriched text wrapped once more.
  try {
    Err_RaiseRecord(enriched);
  } catch (...) {
    try {
      Err_Log(method, info);
    } catch (...) {
      // Logging never replaces the error being reported.
    }
  }
  Err_RaiseRecord(enriched);
}

}  // namespace korvo::infra
