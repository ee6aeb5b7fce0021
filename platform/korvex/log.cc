#include "platform/korvex/log.h"

#include <spdlog/logger.h>
#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/sinks/stdout_sinks.h>

#include <memory>
#include <mutex>

#include "platform/korvex/configuration.h"
#include "platform/korvex/korvex_errors.h"
#include "platform/korvex/log_recorder.h"
#include "platform/runtime/conversions.h"

namespace korvo::korvex {

namespace {

constexpr const char* kPattern = "%Y-%m-%d %H:%M:%S.%e %l %v";

// The configured log file; "" for standard error. A configuration that
// cannot be read leaves the entry on standard error rather than losing it.
std::string ConfiguredFile() {
  try {
    Configuration configuration;
    return rt::CStr(configuration.ReadValue("LOG", "File"));
  } catch (...) {
    return {};
  }
}

std::shared_ptr<spdlog::logger> MakeLogger(const std::string& file) {
  spdlog::sink_ptr sink;
  if (file.empty()) {
    sink = std::make_shared<spdlog::sinks::stderr_sink_mt>();
  } else {
    sink = std::make_shared<spdlog::sinks::basic_file_sink_mt>(file);
  }
  auto logger = std::make_shared<spdlog::logger>("Korvex.Log", std::move(sink));
  logger->set_pattern(kPattern);
  logger->set_level(spdlog::level::info);
  logger->flush_on(spdlog::level::info);
  return logger;
}

// The process's one logger, made again when the configured file changes.
std::shared_ptr<spdlog::logger> LoggerFor(const std::string& file) {
  static std::mutex mutex;
  static std::string current_file;
  static std::shared_ptr<spdlog::logger> current;
  std::lock_guard lock(mutex);
  if (!current || file != current_file) {
    try {
      current = MakeLogger(file);
    } catch (const spdlog::spdlog_ex& failure) {
      current.reset();
      rt::Raise(errnum::kLogUnwritable,
                "The log file '" + file + "' cannot be written: " + failure.what(), "Korvex.Log");
    }
    current_file = file;
  }
  return current;
}

// Entry texts use CR LF between lines; the log file uses plain line ends.
std::string PlainLines(std::string text) {
  std::string::size_type at = 0;
  while ((at = text.find("\r\n", at)) != std::string::npos) text.erase(at, 1);
  return text;
}

}  // namespace

const host::DispatchTable& Log::Dispatch() const {
  static const host::DispatchTable table =
      host::DispatchTable::For<Log>().Method("WriteEntry", &Log::WriteEntry).Build();
  return table;
}

void Log::WriteEntry(const std::string& source, const std::string& text, std::int32_t kind) {
  LogRecorder::Record(LogEntry{source, text, kind});
  const auto level = kind == static_cast<std::int32_t>(contracts::LogKind::Error) ? spdlog::level::err
                                                                                  : spdlog::level::info;
  LoggerFor(ConfiguredFile())->log(level, "[{}] kind {}: {}", source, kind, PlainLines(text));
}

}  // namespace korvo::korvex
