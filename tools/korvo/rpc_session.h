// RpcSession: the JSON-RPC 2.0 protocol of `korvo serve --stdio`, one
// request per line in, one response per line out, in order.
//
// Methods: create, call, get, set, release, begin, end, log, trace and
// constants (docs/protocol.md). Errors raised by the library answer with
// code = the error's number and its five fields as data; malformed JSON,
// invalid requests, unknown methods and bad parameters answer with JSON-RPC's
// own codes. No input ends the session early. Destroying the session rolls
// back any scope still open, then releases every handle.
// Single-threaded: one session per thread. Non-copyable.
#pragma once

#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/korvex/log_recorder.h"
#include "tools/korvo/handle_table.h"
#include "tools/korvo/json_codec.h"
#include "tools/korvo/statement_recorder.h"

namespace korvo::tool {

class RpcSession {
 public:
  RpcSession();
  ~RpcSession();
  RpcSession(const RpcSession&) = delete;
  RpcSession& operator=(const RpcSession&) = delete;

  // The response line to one input line, or nullopt when none is due (a
  // blank line, or a notification: a request without "id").
  std::optional<std::string> Answer(std::string_view line);

  // Answers every line of `in` on `out` until end of input, flushing after
  // each response so a client waiting for it sees it at once.
  void Serve(std::istream& in, std::ostream& out);

 private:
  struct OpenScope;
  using Handler = Json (RpcSession::*)(const Json& params);

  Json AnswerOne(const Json& request);
  Json Invoke(const std::string& method, const Json& params);

  Json Create(const Json& params);
  Json Call(const Json& params);
  Json Get(const Json& params);
  Json Set(const Json& params);
  Json Release(const Json& params);
  Json Begin(const Json& params);
  Json End(const Json& params);
  Json Log(const Json& params);
  Json Trace(const Json& params);
  Json Constants(const Json& params);

  // The "object" parameter: a live handle, else Invalid params.
  std::int64_t HandleParam(const Json& params) const;
  rt::ObjectRef Target(const Json& params) const;
  std::vector<rt::Variant> Arguments(const Json& params);

  korvex::LogRecording logRecording_;
  HandleTable handles_;
  ValueCodec codec_{handles_};
  StatementRecorder statements_;
  std::vector<std::unique_ptr<OpenScope>> scopes_;
};

}  // namespace korvo::tool
