// korvo serve --stdio: the JSON-RPC protocol over standard input and output.
#include <iostream>
#include <memory>

#include "platform/runtime/error.h"
#include "registration/register_all.h"
#include "tools/korvo/commands.h"
#include "tools/korvo/database_options.h"
#include "tools/korvo/rpc_session.h"

namespace korvo::tool {

namespace {

struct ServeOptions {
  bool stdio = false;
  DatabaseOptions database;
};

int RunServe(const ServeOptions& options) {
  try {
    registration::RegisterAll();
    ApplyDatabaseOptions(options.database);
  } catch (...) {
    std::cerr << "korvo serve: " << rt::CurrentError().Description << "\n";
    return 1;
  }
  RpcSession session;
  session.Serve(std::cin, std::cout);
  return 0;
}

}  // namespace

void AddServeCommand(CLI::App& program, int& exitCode) {
  auto options = std::make_shared<ServeOptions>();
  auto* command = program.add_subcommand(
      "serve", "Serve the JSON-RPC protocol: one request per line in, one response per line out");
  command->add_flag("--stdio", options->stdio, "Use standard input and output")->required();
  AddDatabaseOptions(*command, options->database);
  command->footer("Logs go to standard error or the configured log file, never to standard output.");
  command->callback([options, &exitCode] { exitCode = RunServe(*options); });
}

}  // namespace korvo::tool
