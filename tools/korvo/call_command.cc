// korvo call: one method of one object, as one request of a web page would
// make it: the object is created inside a transactional host scope, which
// commits after the call succeeds and rolls back when it fails.
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "platform/host/host_scope.h"
#include "platform/host/registry.h"
#include "platform/runtime/error.h"
#include "registration/register_all.h"
#include "tools/korvo/commands.h"
#include "tools/korvo/database_options.h"
#include "tools/korvo/disclosure.h"
#include "tools/korvo/json_codec.h"
#include "tools/korvo/rpc_error.h"

namespace korvo::tool {

namespace {

struct CallOptions {
  std::string progId;
  std::string method;
  std::vector<std::string> args;
  DatabaseOptions database;
};

// A command-line argument in the protocol's encoding. Text that is not JSON
// at all is taken as a String, so `GetCurrency EUR` needs no shell quoting.
rt::Variant ParseArgument(ValueCodec& codec, const std::string& text) {
  const ReadJson read = ParseBounded(text);
  if (read.tooDeep) {
    throw CodecError("argument nested more than " + std::to_string(kMaxJsonDepth) + " levels deep");
  }
  return codec.Decode(read.value.is_discarded() ? Json(text) : read.value);
}

Json Invoke(const CallOptions& options, ValueCodec& codec, std::vector<rt::Variant>& args) {
  host::HostScope scope;
  try {
    rt::ObjectRef object = host::CreateInContext(options.progId, &scope.Context());
    rt::Variant value = InvokeDisclosed(object, options.method, rt::InvokeKind::Method, args);
    Json result = {{"value", codec.Encode(value)}, {"args", Json::array()}};
    for (const auto& arg : args) result["args"].push_back(codec.Encode(arg));
    scope.End();
    return result;
  } catch (...) {
    scope.End(/*abort=*/true);
    throw;
  }
}

int RunCall(CallOptions& options) {
  HandleTable handles;
  ValueCodec codec(handles);
  std::vector<rt::Variant> args;
  for (const auto& text : options.args) {
    if (text.rfind("--", 0) == 0) {
      std::cerr << "korvo call: unknown option " << text << "\n";
      return 2;
    }
    try {
      args.push_back(ParseArgument(codec, text));
    } catch (const CodecError& e) {
      std::cerr << "korvo call: argument " << text << ": " << e.what() << "\n";
      return 2;
    }
  }
  Json output;
  int status = 0;
  try {
    registration::RegisterAll();
    ApplyDatabaseOptions(options.database);
    output = Invoke(options, codec, args);
  } catch (...) {
    output = LibraryErrorObject(rt::CurrentError());
    status = 1;
  }
  std::cout << DumpLine(output) << std::endl;
  return status;
}

}  // namespace

void AddCallCommand(CLI::App& program, int& exitCode) {
  auto options = std::make_shared<CallOptions>();
  auto* command = program.add_subcommand(
      "call", "Create an object by class name, call one method and print the result as JSON");
  command->add_option("CLASS", options->progId, "Class name, e.g. KorvoCommon.Currency")->required();
  command->add_option("METHOD", options->method, "Method name")->required();
  AddDatabaseOptions(*command, options->database);
  // Arguments are collected as extras so that negative numbers ("-5") are
  // taken as values, not as options.
  command->allow_extras();
  command->footer(
      "ARG: a JSON value in the protocol's encoding (shorthand or typed); text that is not JSON "
      "is a String.");
  command->callback([command, options, &exitCode] {
    options->args = command->remaining();
    exitCode = RunCall(*options);
  });
}

}  // namespace korvo::tool
