#include "tools/korvo/rpc_session.h"

#include <istream>
#include <map>
#include <ostream>
#include <span>

#include "infrastructure/components.h"
#include "platform/host/host_scope.h"
#include "platform/host/registry.h"
#include "platform/runtime/conversions.h"
#include "platform/runtime/dictionary.h"
#include "platform/runtime/error.h"
#include "registration/enumerations.h"
#include "tools/korvo/disclosure.h"
#include "tools/korvo/rpc_error.h"

namespace korvo::tool {

namespace {

// The web application variable through which a scope overrides the
// configured database, as a web application's own variable would.
constexpr const char* kConnectionVariable = "KorvoCommonConnection_ConnectionString";

Json Envelope(const Json& id) { return {{"jsonrpc", "2.0"}, {"id", id}}; }

Json ErrorResponse(const Json& id, const Json& error) {
  Json response = Envelope(id);
  response["error"] = error;
  return response;
}

Json ProtocolErrorObject(const RpcError& e) { return {{"code", e.code()}, {"message", e.what()}}; }

const Json& ObjectParams(const Json& params) {
  if (!params.is_object()) throw RpcError(kInvalidParams, "params must be an object");
  return params;
}

const std::string& StringParam(const Json& params, const char* name) {
  auto it = params.find(name);
  if (it == params.end() || !it->is_string()) {
    throw RpcError(kInvalidParams, std::string("\"") + name + "\" must be a string");
  }
  return it->get_ref<const std::string&>();
}

bool BoolParam(const Json& params, const char* name, std::optional<bool> fallback) {
  auto it = params.find(name);
  if (it == params.end() && fallback) return *fallback;
  if (it == params.end() || !it->is_boolean()) {
    throw RpcError(kInvalidParams, std::string("\"") + name + "\" must be true or false");
  }
  return it->get<bool>();
}

bool IsValidId(const Json& id) { return id.is_null() || id.is_string() || id.is_number(); }

std::string TooDeepMessage() {
  return "request nested more than " + std::to_string(kMaxJsonDepth) + " levels deep";
}

}  // namespace

// One open `begin`: the host scope and whether it overrides the connection.
struct RpcSession::OpenScope {
  explicit OpenScope(host::ScopeOptions options, bool overridesConnection)
      : overridesConnection(overridesConnection) {
    // The library caches the connection string per thread; a scope that
    // brings its own must not see the previous one's, nor leave its own.
    if (overridesConnection) infra::ResetConnectionStringCache();
    scope = std::make_unique<host::HostScope>(std::move(options));
  }
  host::Outcome Complete(bool abort) {
    struct ForgetConnection {
      bool active;
      ~ForgetConnection() {
        if (active) infra::ResetConnectionStringCache();
      }
    } forget{overridesConnection};
    return scope->End(abort);
  }

  bool overridesConnection;
  std::unique_ptr<host::HostScope> scope;
};

RpcSession::RpcSession() = default;

RpcSession::~RpcSession() {
  // End of input is not a commit: open scopes roll back, innermost first,
  // before their objects are released (a release may complete a transaction
  // the object rooted, which must already be aborted by then).
  while (!scopes_.empty()) {
    try {
      scopes_.back()->Complete(/*abort=*/true);
    } catch (...) {
      // Rolling back reports nothing; the session is ending anyway.
    }
    scopes_.pop_back();
  }
  handles_.Clear();
}

void RpcSession::Serve(std::istream& in, std::ostream& out) {
  std::string line;
  while (std::getline(in, line)) {
    if (auto response = Answer(line)) out << *response << '\n' << std::flush;
  }
}

std::optional<std::string> RpcSession::Answer(std::string_view line) {
  if (line.find_first_not_of(" \t\r\n") == std::string_view::npos) return std::nullopt;
  const ReadJson read = ParseBounded(line);
  const Json& request = read.value;
  Json response;
  if (request.is_discarded()) {
    response = ErrorResponse(nullptr, ProtocolErrorObject(RpcError(kParseError, "Parse error")));
  } else if (read.tooDeep) {
    // Nothing of such a request runs; its id is answered when it was read.
    const Json id = request.is_object() && request.contains("id") && IsValidId(request["id"])
                        ? request["id"]
                        : Json(nullptr);
    response = ErrorResponse(id, ProtocolErrorObject(RpcError(kInvalidParams, TooDeepMessage())));
  } else if (request.is_array() && !request.empty()) {
    // A batch: the answers of its requests, notifications left out.
    response = Json::array();
    for (const auto& item : request) {
      if (Json one = AnswerOne(item); !one.is_null()) response.push_back(std::move(one));
    }
  } else {
    response = AnswerOne(request);
  }
  if (response.is_null() || response.empty()) return std::nullopt;
  return DumpLine(response);
}

Json RpcSession::AnswerOne(const Json& request) {
  const bool wellFormed = request.is_object() && request.contains("jsonrpc") &&
                          request["jsonrpc"] == "2.0" && request.contains("method") &&
                          request["method"].is_string() &&
                          (!request.contains("id") || IsValidId(request["id"]));
  if (!wellFormed) {
    const Json id = request.is_object() && request.contains("id") && IsValidId(request["id"])
                        ? request["id"]
                        : Json(nullptr);
    return ErrorResponse(id, ProtocolErrorObject(RpcError(kInvalidRequest, "Invalid Request")));
  }
  const bool notification = !request.contains("id");
  const Json id = notification ? Json(nullptr) : request["id"];
  Json response = Envelope(id);
  try {
    const Json params = request.contains("params") ? request["params"] : Json::object();
    response["result"] = Invoke(request["method"].get<std::string>(), params);
  } catch (const RpcError& e) {
    response = ErrorResponse(id, ProtocolErrorObject(e));
  } catch (const CodecError& e) {
    response = ErrorResponse(id, ProtocolErrorObject(RpcError(kInvalidParams, e.what())));
  } catch (...) {
    response = ErrorResponse(id, LibraryErrorObject(rt::CurrentError()));
  }
  return notification ? Json(nullptr) : response;
}

Json RpcSession::Invoke(const std::string& method, const Json& params) {
  static const std::map<std::string, Handler> handlers = {
      {"create", &RpcSession::Create},   {"call", &RpcSession::Call},
      {"get", &RpcSession::Get},         {"set", &RpcSession::Set},
      {"release", &RpcSession::Release}, {"begin", &RpcSession::Begin},
      {"end", &RpcSession::End},         {"log", &RpcSession::Log},
      {"trace", &RpcSession::Trace},     {"constants", &RpcSession::Constants},
  };
  auto it = handlers.find(method);
  if (it == handlers.end()) throw RpcError(kMethodNotFound, "Method not found: " + method);
  return (this->*it->second)(ObjectParams(params));
}

std::int64_t RpcSession::HandleParam(const Json& params) const {
  auto it = params.find("object");
  if (it == params.end() || !it->is_number_integer() || !handles_.Find(it->get<std::int64_t>())) {
    throw RpcError(kInvalidParams, "\"object\" must be a handle this session gave out");
  }
  return it->get<std::int64_t>();
}

rt::ObjectRef RpcSession::Target(const Json& params) const {
  return handles_.Find(HandleParam(params))->object;
}

std::vector<rt::Variant> RpcSession::Arguments(const Json& params) {
  std::vector<rt::Variant> args;
  auto it = params.find("args");
  if (it == params.end()) return args;
  if (!it->is_array()) throw RpcError(kInvalidParams, "\"args\" must be an array");
  for (const auto& arg : *it) args.push_back(codec_.Decode(arg));
  return args;
}

Json RpcSession::Create(const Json& params) {
  const std::string& progId = StringParam(params, "class");
  host::ObjectContext* context = scopes_.empty() ? nullptr : &scopes_.back()->scope->Context();
  rt::ObjectRef object = host::CreateInContext(progId, context);
  // Report the class as registered, whatever letter case the caller used.
  const auto info = host::Registry::Global().Find(progId);
  const std::string className = info ? info->progId : progId;
  return {{"object", handles_.Add(object, className)}, {"class", className}};
}

Json RpcSession::Call(const Json& params) {
  rt::ObjectRef object = Target(params);
  const std::string& method = StringParam(params, "method");
  std::vector<rt::Variant> args = Arguments(params);
  rt::Variant value = InvokeDisclosed(object, method, rt::InvokeKind::Method, args);
  Json after = Json::array();
  for (const auto& arg : args) after.push_back(codec_.Encode(arg));
  return {{"value", codec_.Encode(value)}, {"args", std::move(after)}};
}

Json RpcSession::Get(const Json& params) {
  rt::ObjectRef object = Target(params);
  const std::string& property = StringParam(params, "property");
  std::vector<rt::Variant> args = Arguments(params);
  return {
      {"value", codec_.Encode(InvokeDisclosed(object, property, rt::InvokeKind::PropertyGet, args))}};
}

Json RpcSession::Set(const Json& params) {
  rt::ObjectRef object = Target(params);
  const std::string& property = StringParam(params, "property");
  std::vector<rt::Variant> args = Arguments(params);
  auto value = params.find("value");
  if (value == params.end()) throw RpcError(kInvalidParams, "\"value\" is required");
  args.push_back(codec_.Decode(*value));
  object->Invoke(property, rt::InvokeKind::PropertyPut, args);
  return Json::object();
}

Json RpcSession::Release(const Json& params) {
  handles_.Release(HandleParam(params));
  return Json::object();
}

Json RpcSession::Begin(const Json& params) {
  const std::string transaction =
      params.contains("transaction") ? StringParam(params, "transaction") : std::string("required");
  if (transaction != "required" && transaction != "none") {
    throw RpcError(kInvalidParams, "\"transaction\" must be \"required\" or \"none\"");
  }
  auto items = [this, &params](const char* name) -> rt::DictionaryRef {
    auto it = params.find(name);
    if (it == params.end()) return nullptr;
    if (!it->is_object())
      throw RpcError(kInvalidParams, std::string("\"") + name + "\" must be an object");
    auto dictionary = rt::Dictionary::Create();
    for (const auto& [key, value] : it->items()) {
      try {
        dictionary->Set(rt::Variant(key), codec_.Decode(value));
      } catch (const CodecError&) {
        // The codec's text may quote the value, and these values carry the
        // session's password and the connection string: name the key only.
        throw RpcError(kInvalidParams,
                       std::string("\"") + name + "\" value \"" + key + "\" cannot be read");
      }
    }
    return dictionary;
  };
  host::ScopeOptions options;
  options.transactional = transaction == "required";
  options.application = items("application");
  options.session = items("session");
  const bool overridesConnection =
      options.application && options.application->Exists(rt::Variant(kConnectionVariable));
  scopes_.push_back(std::make_unique<OpenScope>(std::move(options), overridesConnection));
  return Json::object();
}

Json RpcSession::End(const Json& params) {
  const bool abort = BoolParam(params, "abort", false);
  if (scopes_.empty()) throw RpcError(kInvalidParams, "no scope is open");
  std::unique_ptr<OpenScope> open = std::move(scopes_.back());
  scopes_.pop_back();
  switch (open->Complete(abort)) {
    case host::Outcome::Committed:
      return {{"outcome", "committed"}};
    case host::Outcome::Aborted:
      return {{"outcome", "aborted"}};
    case host::Outcome::None:
      break;
  }
  return {{"outcome", "none"}};
}

Json RpcSession::Log(const Json&) {
  std::uint64_t dropped = 0;
  Json entries = Json::array();
  for (const auto& entry : korvex::LogRecorder::Drain(dropped)) {
    entries.push_back({{"source", entry.source}, {"text", entry.text}, {"kind", entry.kind}});
  }
  Json result = {{"entries", std::move(entries)}};
  if (dropped > 0) result["dropped"] = dropped;
  return result;
}

Json RpcSession::Trace(const Json& params) {
  const bool enable = BoolParam(params, "enable", std::nullopt);
  Json statements = Json::array();
  for (const auto& statement : statements_.Drain()) {
    Json values = Json::array();
    for (const auto& value : statement.params) values.push_back(codec_.Encode(value));
    statements.push_back({{"sql", statement.sql}, {"params", std::move(values)}});
  }
  statements_.Enable(enable);
  return {{"statements", std::move(statements)}};
}

Json RpcSession::Constants(const Json& params) {
  const std::string& name = StringParam(params, "enum");
  for (const auto& enumeration : common::PublicEnumerations()) {
    if (!rt::TextEqualsNoCase(enumeration.name, name)) continue;
    Json members = Json::object();
    for (const auto& member : enumeration.members) members[std::string(member.name)] = member.value;
    return {{"members", std::move(members)}};
  }
  throw RpcError(kInvalidParams, "unknown enumeration \"" + name + "\"");
}

}  // namespace korvo::tool
